#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTest>

#include <sys/resource.h>

namespace {

struct Run {
    QByteArray out;
    QByteArray err;
    int status = -1;
};

QString program()
{
    return qEnvironmentVariable("ZZ_BIN_DIR") + "/zedezedidor-decode";
}

QProcessEnvironment environmentFor(const QString &locale)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", locale);
    return env;
}

Run run(const QStringList &args, const QByteArray &input = {}, const QString &locale = "de_DE.UTF-8")
{
    QProcess p;
    p.setProcessEnvironment(environmentFor(locale));
    p.start(program(), args);
    if (!p.waitForStarted())
        return {};
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(30000);
    return {p.readAllStandardOutput(), p.readAllStandardError(),
            p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1};
}

QByteArray lines(const QStringList &list)
{
    return (list.join('\n') + '\n').toUtf8();
}

} // namespace

class TestCli final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void goodCode_data();
    void goodCode();
    void badCode_data();
    void badCode();
    void standardInput();
    void standardInputAllGood();
    void helpAndVersion();
    void failedWriteIsNoSuccess();

    void valueGivesTheCodesReport_data();
    void valueGivesTheCodesReport();
    void seriesLines();
    void smdText();
    void json();
    void badValueInput_data();
    void badValueInput();
    void refusalFollowsTheSeparator();
    void valuesAndMarkingsFromStandardInput();
    void thousandsDot_data();
    void thousandsDot();
    void pastedBlanks_data();
    void pastedBlanks();
    void jsonBatchAnswersEveryLine_data();
    void jsonBatchAnswersEveryLine();
    void jsonBatchEchoesAnyLine();
    void exactPercentages();
    void largeAndSmallValues_data();
    void largeAndSmallValues();

    void readErrorIsNoSuccess();
    void everyLineEndEndsALine();
    void overlongLineIsSkipped();
    void memoryStaysFlat();
    void echoedWordsAreEscaped();
};

void TestCli::initTestCase()
{
    QVERIFY2(QFile::exists(program()), qPrintable(program()));
}

void TestCli::goodCode_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("report");

    QTest::newRow("four rings, German")
        << QStringList{"Gelb", "Violett", "Braun", "Gold"} << "de_DE.UTF-8"
        << QStringList{"Farbcode: Gelb - Violett - Braun", "Wert: 470 Ohm",
                       "Toleranz: ± 23,5 Ohm  (= 5%)", "(4.Ring hat die Farbe: Gold)"};
    QTest::newRow("four rings, C locale")
        << QStringList{"Gelb", "Violett", "Braun", "Gold"} << "C"
        << QStringList{"Farbcode: Gelb - Violett - Braun", "Wert: 470 Ohm",
                       "Toleranz: ± 23.5 Ohm  (= 5%)", "(4.Ring hat die Farbe: Gold)"};
    QTest::newRow("three rings")
        << QStringList{"Gelb", "Violett", "Braun"} << "de_DE.UTF-8"
        << QStringList{"Farbcode: Gelb - Violett - Braun", "Wert: 470 Ohm",
                       "Toleranz: ± 94 Ohm  (= 20%)", "(4.Ring ist nicht vorhanden)"};
    QTest::newRow("unusual, any letter case, ascii spellings")
        << QStringList{"schwarz", "WEISS", "gruen", "Silber"} << "de_DE.UTF-8"
        << QStringList{"Farbcode: Schwarz - Weiß - Grün", "Wert: 900 kOhm",
                       "Toleranz: ± 90 kOhm  (= 10%)", "(4.Ring hat die Farbe: Silber)",
                       "Hinweis: Dieser Code ist unüblich!", "Standardcode: Weiß - Schwarz - Gelb"};
    QTest::newRow("does not exist")
        << QStringList{"Schwarz", "Schwarz", "Grün", "Gold"} << "de_DE.UTF-8"
        << QStringList{"Farbcode: Schwarz - Schwarz - Grün", "Wert: 0 Ohm",
                       "Toleranz: ± 0 Ohm  (= 5%)", "(4.Ring hat die Farbe: Gold)",
                       "Hinweis: Diesen Code gibt es nicht!"};
    QTest::newRow("five rings")
        << QStringList{"Gelb", "Violett", "Schwarz", "Schwarz", "Gold"} << "de_DE.UTF-8"
        << QStringList{"Farbcode: Gelb - Violett - Schwarz - Schwarz", "Wert: 470 Ohm",
                       "Toleranz: ± 23,5 Ohm (= 5%)", "(5.Ring hat die Farbe: Gold)",
                       "(6.Ring ist nicht vorhanden)"};
    QTest::newRow("six rings, C locale keeps the fixed comma")
        << QStringList{"Schwarz", "Schwarz", "Braun", "Silber", "Grün", "Violett"} << "C"
        << QStringList{"Farbcode: Schwarz - Schwarz - Braun - Silber", "Wert: 0.01 Ohm",
                       "Toleranz: ± 0.00005 Ohm (= 0,5%)", "Änderung je 1°C: ± 50 nOhm (= 5 ppm/K)",
                       "(5.Ring hat die Farbe: Grün)", "(6.Ring hat die Farbe: Violett)"};
    QTest::newRow("six rings, unusual")
        << QStringList{"Schwarz", "Gelb", "Violett", "Rot", "Gold", "Blau"} << "de_DE.UTF-8"
        << QStringList{"Farbcode: Schwarz - Gelb - Violett - Rot", "Wert: 4,7 kOhm",
                       "Toleranz: ± 235 Ohm (= 5%)", "Änderung je 1°C: ± 47 mOhm (= 10 ppm/K)",
                       "(5.Ring hat die Farbe: Gold)", "(6.Ring hat die Farbe: Blau)",
                       "Hinweis: Dieser Code ist unüblich!",
                       "Standardcode: Gelb - Violett - Schwarz - Braun"};
}

void TestCli::goodCode()
{
    QFETCH(QStringList, args);
    QFETCH(QString, locale);
    QFETCH(QStringList, report);
    const Run r = run(args, {}, locale);
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.out, lines(report));
    QCOMPARE(r.status, 0);
}

void TestCli::badCode_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("mentions");

    QTest::newRow("two colours") << QStringList{"Gelb", "Violett"} << QStringList{"3 bis 6", "2"};
    QTest::newRow("seven colours") << QStringList{"Gelb", "Violett", "Braun", "Gold", "Rot", "Rot", "Rot"}
                                   << QStringList{"3 bis 6", "7"};
    QTest::newRow("unknown colour") << QStringList{"Gelb", "Lila", "Braun"}
                                    << QStringList{"Ring 2", "Lila", "Schwarz, Braun, Rot, Orange, Gelb, Grün, Blau, Violett, Grau, Weiß"};
    QTest::newRow("white multiplier") << QStringList{"Gelb", "Violett", "Weiß"}
                                      << QStringList{"Ring 3", "Weiß", "Schwarz, Braun, Rot, Orange, Gelb, Grün, Blau, Gold, Silber"};
    QTest::newRow("blue four-ring tolerance") << QStringList{"Gelb", "Violett", "Braun", "Blau"}
                                              << QStringList{"Ring 4", "Blau", "Braun, Rot, Gold, Silber"};
    QTest::newRow("gold digit") << QStringList{"Gold", "Violett", "Braun"} << QStringList{"Ring 1", "Gold"};
    QTest::newRow("yellow five-ring tolerance") << QStringList{"Gelb", "Violett", "Schwarz", "Braun", "Gelb"}
                                                << QStringList{"Ring 5", "Braun, Rot, Grün, Blau, Violett, Grau, Gold, Silber"};
    QTest::newRow("grey temperature") << QStringList{"Gelb", "Violett", "Schwarz", "Braun", "Gold", "Grau"}
                                      << QStringList{"Ring 6", "Schwarz, Braun, Rot, Orange, Gelb, Blau, Violett"};
    QTest::newRow("unknown option") << QStringList{"--farbe"} << QStringList{"--farbe"};
}

void TestCli::badCode()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, mentions);
    const Run r = run(args);
    QCOMPARE(r.out, QByteArray());
    QCOMPARE(r.status, 2);
    QCOMPARE(r.err.count('\n'), 1);
    const QString err = QString::fromUtf8(r.err);
    for (const QString &m : mentions)
        QVERIFY2(err.contains(m), qPrintable(err));
}

void TestCli::standardInput()
{
    const QByteArray input = "gelb violett braun gold\n"
                             "\n"
                             "Gelb Lila Braun\n"
                             "   \t \n"
                             "Braun Schwarz Schwarz Braun Violett\r\n"
                             "Gelb Violett\n"
                             "Rot Rot Gold";
    const Run r = run({}, input, "C");
    QCOMPARE(r.status, 1);
    QCOMPARE(r.out, lines({"Farbcode: Gelb - Violett - Braun", "Wert: 470 Ohm",
                           "Toleranz: ± 23.5 Ohm  (= 5%)", "(4.Ring hat die Farbe: Gold)", "",
                           "Farbcode: Braun - Schwarz - Schwarz - Braun", "Wert: 1 kOhm",
                           "Toleranz: ± 1 Ohm (= 0,1%)", "(5.Ring hat die Farbe: Violett)",
                           "(6.Ring ist nicht vorhanden)", "",
                           "Farbcode: Rot - Rot - Gold", "Wert: 2.2 Ohm",
                           "Toleranz: ± 440 mOhm  (= 20%)", "(4.Ring ist nicht vorhanden)"}));
    const QList<QByteArray> errors = r.err.trimmed().split('\n');
    QCOMPARE(errors.size(), 2);
    QVERIFY2(errors[0].contains("Zeile 3") && errors[0].contains("Lila"), errors[0].constData());
    QVERIFY2(errors[1].contains("Zeile 6"), errors[1].constData());
}

void TestCli::standardInputAllGood()
{
    const Run r = run({}, "Gelb Violett Braun Gold\nGelb Violett Braun Gold\n");
    QCOMPARE(r.status, 0);
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.out.count("\n\n"), 1);
    QVERIFY(r.out.endsWith("(4.Ring hat die Farbe: Gold)\n"));
}

void TestCli::helpAndVersion()
{
    const Run version = run({"--version"});
    QCOMPARE(version.out, QByteArray("zedezedidor-decode " ZZ_PROJECT_VERSION "\n"));
    QCOMPARE(version.status, 0);
    const Run help = run({"--help"});
    QVERIFY(help.out.startsWith("Aufruf: zedezedidor-decode"));
    QCOMPARE(help.err, QByteArray());
    QCOMPARE(help.status, 0);
}

void TestCli::failedWriteIsNoSuccess()
{
    if (!QFile::exists("/dev/full"))
        QSKIP("needs /dev/full");
    QProcess p;
    p.setProcessEnvironment(environmentFor("C"));
    p.setStandardOutputFile("/dev/full");
    p.start(program(), {"Gelb", "Violett", "Braun", "Gold"});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 1);
    QVERIFY(p.readAllStandardError().contains("Ausgabe"));
}

void TestCli::valueGivesTheCodesReport_data()
{
    QTest::addColumn<QStringList>("value");
    QTest::addColumn<QStringList>("colours");
    QTest::newRow("4k7") << QStringList{"--wert", "4k7"} << QStringList{"Gelb", "Violett", "Rot", "Gold"};
    QTest::newRow("4,7 kOhm with a blank") << QStringList{"--wert", " 4,7 kOhm"} << QStringList{"Gelb", "Violett", "Rot", "Gold"};
    QTest::newRow("leading black") << QStringList{"--wert=0,05"} << QStringList{"Schwarz", "Grün", "Silber", "Gold"};
    QTest::newRow("three digits") << QStringList{"--wert", "4.75k"} << QStringList{"Gelb", "Violett", "Grün", "Braun", "Braun"};
    QTest::newRow("no fourth ring") << QStringList{"--wert", "470", "--toleranz", "20"} << QStringList{"Gelb", "Violett", "Braun"};
    QTest::newRow("tempco") << QStringList{"--wert", "10,2k", "--toleranz", "0,5", "--tk", "50"}
                            << QStringList{"Braun", "Schwarz", "Rot", "Rot", "Grün", "Rot"};
    QTest::newRow("six rings") << QStringList{"--ringe", "6", "--wert", "1M5"}
                               << QStringList{"Braun", "Grün", "Schwarz", "Gelb", "Braun", "Braun"};
    QTest::newRow("five rings asked") << QStringList{"--wert", "R47", "--ringe", "5", "--toleranz", "0.1%"}
                                      << QStringList{"Schwarz", "Gelb", "Violett", "Silber", "Violett"};
}

void TestCli::valueGivesTheCodesReport()
{
    QFETCH(QStringList, value);
    QFETCH(QStringList, colours);
    const Run byValue = run(value);
    const Run byColours = run(colours);
    QCOMPARE(byValue.err, QByteArray());
    QCOMPARE(byValue.status, 0);
    QVERIFY(!byValue.out.isEmpty());
    QCOMPARE(byValue.out, byColours.out);
}

void TestCli::seriesLines()
{
    const Run r = run({"--wert", "4,5k", "--reihe", "E24"});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.endsWith("Reihen: keine\nE24: nächste Werte 4,3 kOhm (-4,44 %) und 4,7 kOhm (+4,44 %)\n"),
             r.out.constData());
    const Run member = run({"Gelb", "Violett", "Rot", "Gold", "--reihe", "e12"});
    QVERIFY2(member.out.endsWith("Reihen: E3, E6, E12, E24, E192\nE12: 4,7 kOhm ist ein Wert der Reihe\n"),
             member.out.constData());
}

void TestCli::smdText()
{
    QCOMPARE(run({"--smd", "01C"}).out, lines({"Kennzeichnung: 01C (EIA-96)", "Wert: 10 kOhm", "Toleranz: ± 100 Ohm (= 1%)"}));
    QCOMPARE(run({"--smd", "4R7"}, {}, "C").out, lines({"Kennzeichnung: 4R7 (R als Komma)", "Wert: 4.7 Ohm"}));
    QCOMPARE(run({"--smd", "4702"}).out, lines({"Kennzeichnung: 4702 (4 Ziffern)", "Wert: 47 kOhm"}));
}

void TestCli::json()
{
    const Run r = run({"--json", "--reihe", "E24"}, "Gelb Violett Silber Gold\nSchwarz Gelb Violett Rot Gold Blau\n"
                                                    "Schwarz Schwarz Grün\n");
    QCOMPARE(r.status, 0);
    const QList<QByteArray> objects = r.out.trimmed().split('\n');
    QCOMPARE(objects.size(), 3);
    // Exact numbers, never 0.47000000000000003.
    QVERIFY2(objects[0].contains("\"ohm\":0.47,") && objects[0].contains("\"min_ohm\":0.4465,"), objects[0].constData());
    QJsonObject first = QJsonDocument::fromJson(objects[0]).object();
    QCOMPARE(first.value("code").toArray().toVariantList(), QVariantList({"Gelb", "Violett", "Silber", "Gold"}));
    QCOMPARE(first.value("tolerance_percent").toDouble(), 5.0);
    QCOMPARE(first.value("max_ohm").toDouble(), 0.4935);
    QVERIFY(first.value("tempco_ppm").isNull());
    QVERIFY(first.value("hint").isNull());
    QVERIFY(first.value("standard_code").isNull());
    QCOMPARE(first.value("series").toArray().toVariantList(), QVariantList({"E3", "E6", "E12", "E24", "E192"}));
    QCOMPARE(first.value("report").toArray().first().toString(), QString("Farbcode: Gelb - Violett - Silber"));
    QCOMPARE(first.value("nearest").toObject().value("below").toDouble(), 0.47);
    QCOMPARE(first.value("nearest").toObject().value("above").toDouble(), 0.47);

    const QJsonObject six = QJsonDocument::fromJson(objects[1]).object();
    QCOMPARE(six.value("hint").toString(), QString("unusual"));
    QCOMPARE(six.value("standard_code").toArray().toVariantList(), QVariantList({"Gelb", "Violett", "Schwarz", "Braun"}));
    QCOMPARE(six.value("tempco_ppm").toInt(), 10);
    QCOMPARE(six.value("report").toArray().size(), 8);

    const QJsonObject none = QJsonDocument::fromJson(objects[2]).object();
    QCOMPARE(none.value("hint").toString(), QString("nonexistent"));
    QCOMPARE(none.value("tolerance_percent").toDouble(), 20.0);
    QVERIFY(none.value("nearest").toObject().value("below").isNull());

    const Run value = run({"--wert", "4,5k", "--reihe", "E24", "--json"});
    const QJsonObject v = QJsonDocument::fromJson(value.out).object();
    QCOMPARE(v.value("ohm").toDouble(), 4500.0);
    QCOMPARE(v.value("nearest").toObject().value("series").toString(), QString("E24"));
    QCOMPARE(v.value("nearest").toObject().value("below").toDouble(), 4300.0);
    QCOMPARE(v.value("nearest").toObject().value("above").toDouble(), 4700.0);

    const Run smd = run({"--smd", "--json"}, "01C\n4R7\n");
    const QList<QByteArray> markings = smd.out.trimmed().split('\n');
    QCOMPARE(markings.size(), 2);
    const QJsonObject eia = QJsonDocument::fromJson(markings[0]).object();
    QCOMPARE(eia.value("marking").toString(), QString("01C"));
    QCOMPARE(eia.value("kind").toString(), QString("EIA-96"));
    QCOMPARE(eia.value("ohm").toDouble(), 10000.0);
    QCOMPARE(eia.value("tolerance_percent").toDouble(), 1.0);
    QCOMPARE(eia.value("series").toArray().size(), 7);
    const QJsonObject r47 = QJsonDocument::fromJson(markings[1]).object();
    QCOMPARE(r47.value("kind").toString(), QString("R"));
    QVERIFY(r47.value("tolerance_percent").isNull());
    QVERIFY(markings[1].contains("\"ohm\":4.7,"));
}

void TestCli::badValueInput_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("not a value") << QStringList{"--wert", "abc"} << "4k7";
    QTest::newRow("negative") << QStringList{"--wert", "-5"} << "4k7";
    QTest::newRow("too many digits") << QStringList{"--wert", "4,75k", "--ringe", "4"} << "4,7 kOhm und 4,8 kOhm";
    QTest::newRow("too large") << QStringList{"--wert", "2G"} << "999 MOhm";
    QTest::newRow("zero") << QStringList{"--wert", "0"} << "0,01 Ohm";
    QTest::newRow("tolerance not offered") << QStringList{"--wert", "1k", "--toleranz", "3"} << "möglich";
    QTest::newRow("tolerance text") << QStringList{"--wert", "1k", "--toleranz", "viel"} << "--toleranz";
    QTest::newRow("tempco with four rings") << QStringList{"--wert", "1k", "--ringe", "4", "--tk", "50"} << "6 Ringe";
    QTest::newRow("bad ring count") << QStringList{"--wert", "1k", "--ringe", "3"} << "--ringe";
    QTest::newRow("ring count without value") << QStringList{"--ringe", "5", "Rot", "Rot", "Rot"} << "--wert";
    QTest::newRow("unknown series") << QStringList{"--wert", "1k", "--reihe", "E25"} << "E192";
    QTest::newRow("bad marking") << QStringList{"--smd", "97A"} << "01 bis 96";
    QTest::newRow("value and colours") << QStringList{"--wert", "1k", "Rot"} << "nicht zusammen";
}

void TestCli::badValueInput()
{
    QFETCH(QStringList, args);
    QFETCH(QString, mentions);
    const Run r = run(args);
    QCOMPARE(r.out, QByteArray());
    QCOMPARE(r.status, 2);
    QCOMPARE(r.err.count('\n'), 1);
    QVERIFY2(QString::fromUtf8(r.err).contains(mentions), r.err.constData());
}

// A refusal writes all its numbers with the regional separator, as the reports do.
void TestCli::refusalFollowsTheSeparator()
{
    const Run c = run({"--wert", "4,75k", "--ringe", "4"}, {}, "C");
    QCOMPARE(c.status, 2);
    for (const char *number : {"4.75 kOhm hat", "mindestens 0.01 Ohm", "4.7 kOhm und 4.8 kOhm"})
        QVERIFY2(c.err.contains(number), c.err.constData());
    const Run t = run({"--wert", "1k", "--ringe", "5", "--toleranz", "3"}, {}, "C");
    QVERIFY2(t.err.contains("1, 2, 0.5, 0.25"), t.err.constData());
}

void TestCli::valuesAndMarkingsFromStandardInput()
{
    const Run values = run({"--wert"}, "4k7\n\nabc\n2,2 MΩ\r\n");
    QCOMPARE(values.status, 1);
    QCOMPARE(values.out.count("Farbcode:"), 2);
    QVERIFY(values.out.contains("Wert: 2,2 MOhm"));
    QVERIFY2(values.err.startsWith("zedezedidor-decode: Zeile 3: \"abc\""), values.err.constData());
    QCOMPARE(values.err.count('\n'), 1);

    const Run markings = run({"--smd"}, "472\n000\n");
    QCOMPARE(markings.status, 0);
    QCOMPARE(markings.out, lines({"Kennzeichnung: 472 (3 Ziffern)", "Wert: 4,7 kOhm", "",
                                  "Kennzeichnung: 000 (3 Ziffern)", "Wert: 0 Ohm"}));
}

void TestCli::thousandsDot_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("colours");   // none: refused as ambiguous
    QTest::addColumn<QString>("says");

    QTest::newRow("4.700, German") << QStringList{"--wert", "4.700"} << "de_DE.UTF-8" << QStringList()
        << "zedezedidor-decode: 4.700 ist mehrdeutig: 4,7 Ohm oder 4,7 kOhm? "
           "Schreiben Sie 4,7 für 4,7 Ohm und 4700 oder 4,7k für 4,7 kOhm.\n";
    QTest::newRow("2.200 Ohm, German") << QStringList{"--wert", "2.200 Ohm"} << "de_DE.UTF-8" << QStringList()
        << "zedezedidor-decode: 2.200 ist mehrdeutig: 2,2 Ohm oder 2,2 kOhm? "
           "Schreiben Sie 2,2 für 2,2 Ohm und 2200 oder 2,2k für 2,2 kOhm.\n";
    QTest::newRow("4,700, English") << QStringList{"--wert", "4,700"} << "C" << QStringList()
        << "zedezedidor-decode: 4,700 ist mehrdeutig: 4.7 Ohm oder 4.7 kOhm? "
           "Schreiben Sie 4.7 für 4.7 Ohm und 4700 oder 4.7k für 4.7 kOhm.\n";
    QTest::newRow("the regional comma") << QStringList{"--wert", "4,700"} << "de_DE.UTF-8"
                                        << QStringList{"Gelb", "Violett", "Gold", "Gold"} << "";
    QTest::newRow("the regional dot") << QStringList{"--wert", "4.700"} << "C"
                                      << QStringList{"Gelb", "Violett", "Gold", "Gold"} << "";
    QTest::newRow("a prefix settles it") << QStringList{"--wert", "4.700k"} << "de_DE.UTF-8"
                                         << QStringList{"Gelb", "Violett", "Rot", "Gold"} << "";
    for (const char *plainDot : {"4.7k", "0.47", "1.5M", "4.75", "0.470"})
        QTest::newRow(plainDot) << QStringList{"--wert", plainDot} << "de_DE.UTF-8"
                                << QStringList{"--wert", QString(plainDot).replace('.', ',')} << "";
}

void TestCli::thousandsDot()
{
    QFETCH(QStringList, args);
    QFETCH(QString, locale);
    QFETCH(QStringList, colours);
    QFETCH(QString, says);
    const Run r = run(args, {}, locale);
    if (colours.isEmpty()) {
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(QString::fromUtf8(r.err), says);
        QCOMPARE(r.status, 2);
        return;
    }
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, run(colours, {}, locale).out);
}

void TestCli::pastedBlanks_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("same");
    QTest::newRow("no-break space before the unit") << QStringList{"--wert", "4,7\u00A0kOhm"}
                                                    << QStringList{"Gelb", "Violett", "Rot", "Gold"};
    QTest::newRow("narrow no-break space") << QStringList{"--wert", "2,2\u202FMΩ"}
                                           << QStringList{"Rot", "Rot", "Grün", "Gold"};
    QTest::newRow("white space around") << QStringList{"--wert", "\u3000\t4k7\u00A0\n"}
                                        << QStringList{"Gelb", "Violett", "Rot", "Gold"};
    QTest::newRow("tolerance with a no-break space") << QStringList{"--wert", "470", "--toleranz", "0,5\u00A0%"}
                                                     << QStringList{"Gelb", "Violett", "Schwarz", "Schwarz", "Grün"};
    QTest::newRow("marking") << QStringList{"--smd", "\u00A0472\u202F"} << QStringList{"--smd", "472"};
}

void TestCli::pastedBlanks()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, same);
    const Run r = run(args);
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, run(same).out);
}

void TestCli::jsonBatchAnswersEveryLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("input");
    QTest::addColumn<QString>("resultKey");
    QTest::newRow("colours") << QStringList{"--json"}
                             << QStringList{"Gelb Violett Rot Gold", "Gelb Lila Rot", "rot rot rot"} << "code";
    QTest::newRow("values") << QStringList{"--wert", "--json", "--reihe", "E24"}
                            << QStringList{"4k7", "4.700", "2,2\u00A0MΩ"} << "code";
    QTest::newRow("values refused by the rings") << QStringList{"--wert", "--json", "--ringe", "4"}
                                                 << QStringList{" 4k7", "4,75k", "R47\t"} << "code";
    QTest::newRow("markings") << QStringList{"--smd", "--json"} << QStringList{"472", "97A", "01C"} << "marking";
}

// One object per line, in order, each with the line as read; the refused
// middle line has its message and number instead of a result. Stderr and
// the exit status are those of a text batch.
void TestCli::jsonBatchAnswersEveryLine()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, input);
    QFETCH(QString, resultKey);
    const Run r = run(args, lines(input));
    QCOMPARE(r.status, 1);
    const QList<QByteArray> objects = r.out.split('\n');
    QCOMPARE(objects.size(), 4);
    QVERIFY(objects.last().isEmpty());
    for (int i = 0; i < 3; ++i) {
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(objects[i], &error);
        QVERIFY2(error.error == QJsonParseError::NoError && doc.isObject(), objects[i].constData());
        const QJsonObject o = doc.object();
        QCOMPARE(o.value("input").toString(), input[i]);
        if (i != 1) {
            QVERIFY(o.contains(resultKey));
            QVERIFY(!o.contains("error") && !o.contains("line"));
            continue;
        }
        QCOMPARE(o.keys(), QStringList({"error", "input", "line"}));
        QCOMPARE(o.value("line").toInt(), 2);
        QCOMPARE(r.err, "zedezedidor-decode: Zeile 2: " + o.value("error").toString().toUtf8() + '\n');
    }
    // The text batch says the same on stderr.
    args.removeAll("--json");
    const Run text = run(args, lines(input));
    QCOMPARE(text.err, r.err);
    QCOMPARE(text.status, r.status);
}

// Bytes that are not UTF-8 still make valid JSON, and a line too long to keep
// has its object too, without an echo.
void TestCli::jsonBatchEchoesAnyLine()
{
    const QByteArray input = "4k7\n\xff\xfe\"\\\n" + QByteArray(5000, 'x') + "\n\n  \u00A0\n1M5\n";
    const Run r = run({"--wert", "--json"}, input);
    QCOMPARE(r.status, 1);
    const QList<QByteArray> objects = r.out.trimmed().split('\n');
    QCOMPARE(objects.size(), 4);
    QList<QJsonObject> parsed;
    for (const QByteArray &line : objects) {
        QJsonParseError error{};
        parsed << QJsonDocument::fromJson(line, &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, line.constData());
    }
    QCOMPARE(parsed[0].value("input").toString(), QString("4k7"));
    QCOMPARE(parsed[1].value("input").toString(), QString("\uFFFD\uFFFD\"\\"));
    QCOMPARE(parsed[1].value("line").toInt(), 2);
    QVERIFY(parsed[2].value("input").isNull());
    QCOMPARE(parsed[2].value("line").toInt(), 3);
    QVERIFY(parsed[2].value("error").toString().contains("4096"));
    // Blank lines, of no-break spaces too, are skipped as in a text batch.
    QCOMPARE(parsed[3].value("input").toString(), QString("1M5"));
    QCOMPARE(r.err.count('\n'), 2);
}

// The deviation of a value and of ten times it are the same, ties rounded away from zero.
void TestCli::exactPercentages()
{
    for (const char *v : {"1,28", "12,8", "128"}) {
        const Run r = run({"--wert", v, "--reihe", "E3"});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.contains(" (-21,88 %) und ") && r.out.endsWith(" (+71,88 %)\n"), r.out.constData());
    }
    const Run smd = run({"--smd", "641", "--reihe", "E24"});
    QVERIFY2(smd.out.endsWith("E24: nächste Werte 620 Ohm (-3,13 %) und 680 Ohm (+6,25 %)\n"), smd.out.constData());
}

void TestCli::largeAndSmallValues_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says");
    QTest::newRow("ten gigaohms") << QStringList{"--smd", "109"} << 0 << "Wert: 10 GOhm\n";
    QTest::newRow("999 GOhm") << QStringList{"--smd", "9999"} << 0 << "Wert: 999 GOhm\n";
    QTest::newRow("99 GOhm refused") << QStringList{"--wert", "99G"} << 2
        << "zedezedidor-decode: 99 GOhm ist größer als 999 MOhm, der größte Wert mit 5 Ringen; "
           "nächster darstellbarer Wert: 999 MOhm\n";
    QTest::newRow("far above") << QStringList{"--wert", "4700000000000000000000", "--ringe", "4"} << 2
        << "zedezedidor-decode: Der Wert liegt weit außerhalb des Bereichs, über 999 GOhm; "
           "der größte Wert mit 4 Ringen ist 99 MOhm; nächster darstellbarer Wert: 99 MOhm\n";
    QTest::newRow("micro") << QStringList{"--wert", "0,0000047"} << 2
        << "zedezedidor-decode: 4,7 µOhm ist kleiner als 0,01 Ohm, der kleinste Wert mit Farbringen; "
           "nächster darstellbarer Wert: 0,01 Ohm\n";
    QTest::newRow("far below") << QStringList{"--wert", "0,0000000000000000001"} << 2
        << "zedezedidor-decode: Der Wert liegt weit außerhalb des Bereichs, unter 1 nOhm; "
           "der kleinste Wert mit Farbringen ist 0,01 Ohm; nächster darstellbarer Wert: 0,01 Ohm\n";
}

void TestCli::largeAndSmallValues()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, says);
    const Run r = run(args);
    QCOMPARE(r.status, status);
    const QString shown = QString::fromUtf8(status == 0 ? r.out : r.err);
    QVERIFY2(status == 0 ? shown.endsWith(says) : shown == says, qPrintable(shown));
}

void TestCli::readErrorIsNoSuccess()
{
    // Reading a directory fails with EISDIR: the run must not end as if the input were empty.
    QProcess p;
    p.setProcessEnvironment(environmentFor("C"));
    p.setStandardInputFile("/");
    p.start(program(), {});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 1);
    const QByteArray err = p.readAllStandardError();
    QCOMPARE(err.count('\n'), 1);
    QVERIFY2(err.contains("Standardeingabe"), err.constData());
}

void TestCli::everyLineEndEndsALine()
{
    const QByteArray input = "\xEF\xBB\xBFrot rot rot\rgelb\tviolett\vbraun\r\nbraun schwarz rot\n";
    const Run r = run({}, input, "C");
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out.count("Farbcode:"), 3);
    QVERIFY(r.out.startsWith("Farbcode: Rot - Rot - Rot\n"));
    QVERIFY(r.out.contains("Farbcode: Gelb - Violett - Braun\n"));
    QVERIFY(r.out.contains("Farbcode: Braun - Schwarz - Rot\n"));
}

void TestCli::overlongLineIsSkipped()
{
    QByteArray input;
    input.reserve(12 << 20);
    while (input.size() < (10 << 20))
        input += "rot ";
    input += "\ngelb violett braun\n";
    const Run r = run({}, input, "C");
    QCOMPARE(r.status, 1);
    QCOMPARE(r.out.count("Farbcode:"), 1);
    QVERIFY(r.out.startsWith("Farbcode: Gelb - Violett - Braun\n"));
    QCOMPARE(r.err.count('\n'), 1);
    QVERIFY2(r.err.contains("Zeile 1") && r.err.contains("4096"), r.err.constData());
}

void TestCli::memoryStaysFlat()
{
    // 300 MB without a line end: held in memory, that would be its size in RSS at least.
    QProcess p;
    p.setProcessEnvironment(environmentFor("C"));
    p.start("/bin/sh", {"-c", "head -c 300000000 /dev/zero | \"$0\"", program()});
    QVERIFY(p.waitForFinished(120000));
    QCOMPARE(p.exitCode(), 1);
    QVERIFY(p.readAllStandardError().contains("Zeile 1"));
    rusage usage{};
    QCOMPARE(getrusage(RUSAGE_CHILDREN, &usage), 0);
    QVERIFY2(usage.ru_maxrss < 120 * 1024, qPrintable(QString::number(usage.ru_maxrss) + " KiB"));
}

void TestCli::echoedWordsAreEscaped()
{
    const Run r = run({}, "gelb \x1b]0;pwned\x07 braun\n" + QByteArray(3000, 'x') + " rot rot\n", "C");
    QCOMPARE(r.status, 1);
    const QList<QByteArray> errors = r.err.trimmed().split('\n');
    QCOMPARE(errors.size(), 2);
    QVERIFY2(!r.err.contains('\x1b') && !r.err.contains('\x07'), r.err.constData());
    QVERIFY2(errors[0].contains("\\x1B]0;pwned\\x07"), errors[0].constData());
    QVERIFY2(errors[1].size() < 400, errors[1].left(400).constData());
    QVERIFY(errors[1].contains("…"));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
