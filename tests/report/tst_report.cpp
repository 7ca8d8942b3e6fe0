#include <string>
#include <vector>

#include <QObject>
#include <QStringList>
#include <QTest>

#include "output/Report.h"

using namespace zz::output;

namespace {

QStringList toList(const std::vector<std::string> &lines)
{
    QStringList out;
    for (const auto &line : lines)
        out << QString::fromStdString(line);
    return out;
}

FourRingView fourRingStart()
{
    FourRingView v;
    v.codeCaption = "Farbcode:";
    v.code = "Gelb - Violett - Braun";
    v.wertCaption = "Wert:";
    v.wert = "470 Ohm";
    v.toleranzCaption = "Toleranz:";
    v.toleranz = "± 23,5 Ohm (= 5%)";
    v.ring4Present = true;
    v.ring4Colour = "Gold";
    v.hintCaption = "Hinweis:";
    v.hintText = "Dieser Code ist unüblich!";
    v.standardCaption = "Standardcode:";
    v.standard = "Gelb - Violett - Braun";
    return v;
}

FiveRingView fiveRingStart()
{
    FiveRingView v;
    v.codeCaption = "Farbcode:";
    v.code = "Gelb - Violett - Schwarz - Schwarz";
    v.wertCaption = "Wert:";
    v.wert = "470 Ohm";
    v.toleranzCaption = "Toleranz:";
    v.toleranz = "± 23,5 Ohm (= 5%)";
    v.tempCaption = "Änderung je 1°C:";
    v.temp = "± 4,7 mOhm (= 10 ppm/K)";
    v.ring5Colour = "Gold";
    v.ring6Colour = "Blau";
    v.hintCaption = "Hinweis:";
    v.hintText = "Dieser Code ist unüblich!";
    v.standardCaption = "Standardcode:";
    v.standard = "Gelb - Violett - Schwarz - Schwarz";
    return v;
}

} // namespace

class TestReport final : public QObject {
    Q_OBJECT

private slots:
    void fourRing_data();
    void fourRing();
    void fiveRing_data();
    void fiveRing();
    void textsAreCopiedVerbatim();
    void joinLines();
};

void TestReport::fourRing_data()
{
    QTest::addColumn<bool>("ring4");
    QTest::addColumn<bool>("hint");
    QTest::addColumn<bool>("standard");
    QTest::addColumn<QStringList>("lines");
    const QStringList head{"Farbcode: Gelb - Violett - Braun", "Wert: 470 Ohm", "Toleranz: ± 23,5 Ohm (= 5%)"};
    QTest::newRow("start") << true << false << false << head + QStringList{"(4.Ring hat die Farbe: Gold)"};
    QTest::newRow("no ring 4") << false << false << false << head + QStringList{"(4.Ring ist nicht vorhanden)"};
    QTest::newRow("hint only") << true << true << false
                               << head + QStringList{"(4.Ring hat die Farbe: Gold)", "Hinweis: Dieser Code ist unüblich!"};
    QTest::newRow("hint and standard code")
        << false << true << true
        << head + QStringList{"(4.Ring ist nicht vorhanden)", "Hinweis: Dieser Code ist unüblich!",
                              "Standardcode: Gelb - Violett - Braun"};
}

void TestReport::fourRing()
{
    QFETCH(bool, ring4);
    QFETCH(bool, hint);
    QFETCH(bool, standard);
    QFETCH(QStringList, lines);
    FourRingView v = fourRingStart();
    v.ring4Present = ring4;
    v.hintVisible = hint;
    v.standardVisible = standard;
    QCOMPARE(toList(fourRingReport(v)), lines);
}

void TestReport::fiveRing_data()
{
    QTest::addColumn<bool>("ring6");
    QTest::addColumn<bool>("hint");
    QTest::addColumn<bool>("standard");
    QTest::addColumn<QStringList>("lines");
    const QStringList head{"Farbcode: Gelb - Violett - Schwarz - Schwarz", "Wert: 470 Ohm",
                           "Toleranz: ± 23,5 Ohm (= 5%)"};
    QTest::newRow("start") << false << false << false
                           << head + QStringList{"(5.Ring hat die Farbe: Gold)", "(6.Ring ist nicht vorhanden)"};
    QTest::newRow("ring 6") << true << false << false
                            << head + QStringList{"Änderung je 1°C: ± 4,7 mOhm (= 10 ppm/K)",
                                                  "(5.Ring hat die Farbe: Gold)", "(6.Ring hat die Farbe: Blau)"};
    QTest::newRow("hint only") << false << true << false
                               << head + QStringList{"(5.Ring hat die Farbe: Gold)", "(6.Ring ist nicht vorhanden)",
                                                     "Hinweis: Dieser Code ist unüblich!"};
    QTest::newRow("everything") << true << true << true
                                << head + QStringList{"Änderung je 1°C: ± 4,7 mOhm (= 10 ppm/K)",
                                                      "(5.Ring hat die Farbe: Gold)", "(6.Ring hat die Farbe: Blau)",
                                                      "Hinweis: Dieser Code ist unüblich!",
                                                      "Standardcode: Gelb - Violett - Schwarz - Schwarz"};
}

void TestReport::fiveRing()
{
    QFETCH(bool, ring6);
    QFETCH(bool, hint);
    QFETCH(bool, standard);
    QFETCH(QStringList, lines);
    FiveRingView v = fiveRingStart();
    v.ring6Present = ring6;
    v.hintVisible = hint;
    v.standardVisible = standard;
    QCOMPARE(toList(fiveRingReport(v)), lines);
}

void TestReport::textsAreCopiedVerbatim()
{
    // Blanks inside and at the ends of a label text stay as the window shows them.
    FourRingView v = fourRingStart();
    v.toleranz = "± 23,5 Ohm  (= 5%) ";
    v.ring4Colour = "Silber";
    const auto lines = fourRingReport(v);
    QCOMPARE(lines[2], "Toleranz: ± 23,5 Ohm  (= 5%) ");
    QCOMPARE(lines[3], "(4.Ring hat die Farbe: Silber)");
}

void TestReport::joinLines()
{
    QCOMPARE(zz::output::joinLines({"a", "b"}), "a\r\nb\r\n");
    QCOMPARE(zz::output::joinLines({"a", "b"}, "\n"), "a\nb\n");
    QCOMPARE(zz::output::joinLines({}), "");
}

QTEST_APPLESS_MAIN(TestReport)
#include "tst_report.moc"
