// The value side's tables against statements made apart from them: the
// IEC 60063 tables as the standard prints them, and the decoder's own report
// for the same code.

#include <QObject>
#include <QTest>

#include "decode/Decode.h"
#include "value/Code.h"
#include "value/Decimal.h"
#include "value/ESeries.h"

#include <string>
#include <vector>

using namespace zz::value;

namespace {

QString q(const std::string &s) { return QString::fromStdString(s); }

// IEC 60063, one decade each, as printed there.
const std::vector<int> kE3{10, 22, 47};
const std::vector<int> kE6{10, 15, 22, 33, 47, 68};
const std::vector<int> kE12{10, 12, 15, 18, 22, 27, 33, 39, 47, 56, 68, 82};
const std::vector<int> kE24{10, 11, 12, 13, 15, 16, 18, 20, 22, 24, 27, 30,
                            33, 36, 39, 43, 47, 51, 56, 62, 68, 75, 82, 91};
const std::vector<int> kE192{
    100, 101, 102, 104, 105, 106, 107, 109, 110, 111, 113, 114, 115, 117, 118, 120, 121, 123, 124, 126,
    127, 129, 130, 132, 133, 135, 137, 138, 140, 142, 143, 145, 147, 149, 150, 152, 154, 156, 158, 160,
    162, 164, 165, 167, 169, 172, 174, 176, 178, 180, 182, 184, 187, 189, 191, 193, 196, 198, 200, 203,
    205, 208, 210, 213, 215, 218, 221, 223, 226, 229, 232, 234, 237, 240, 243, 246, 249, 252, 255, 258,
    261, 264, 267, 271, 274, 277, 280, 284, 287, 291, 294, 298, 301, 305, 309, 312, 316, 320, 324, 328,
    332, 336, 340, 344, 348, 352, 357, 361, 365, 370, 374, 379, 383, 388, 392, 397, 402, 407, 412, 417,
    422, 427, 432, 437, 442, 448, 453, 459, 464, 470, 475, 481, 487, 493, 499, 505, 511, 517, 523, 530,
    536, 542, 549, 556, 562, 569, 576, 583, 590, 597, 604, 612, 619, 626, 634, 642, 649, 657, 665, 673,
    681, 690, 698, 706, 715, 723, 732, 741, 750, 759, 768, 777, 787, 796, 806, 816, 825, 835, 845, 856,
    866, 876, 887, 898, 909, 920, 931, 942, 953, 965, 976, 988};

// The text between "(= " and "%)" or " ppm/K)" at the end of a decoder line.
QString figureAtEnd(const std::string &line, const char *unit)
{
    const QString text = q(line);
    const qsizetype open = text.lastIndexOf(QStringLiteral("(= "));
    const qsizetype close = text.lastIndexOf(QLatin1String(unit));
    if (open < 0 || close < open)
        return QStringLiteral("<none in \"%1\">").arg(text);
    return text.mid(open + 3, close - open - 3);
}

} // namespace

Q_DECLARE_METATYPE(std::vector<int>)
Q_DECLARE_METATYPE(zz::value::RingCode)
Q_DECLARE_METATYPE(zz::value::Decimal)

class TestValueTables final : public QObject {
    Q_OBJECT

private slots:
    void seriesAsTheStandardPrintsThem_data();
    void seriesAsTheStandardPrintsThem();
    void factsAgreeWithTheDecoder_data();
    void factsAgreeWithTheDecoder();
    void exponentFormTakesTheSeparator_data();
    void exponentFormTakesTheSeparator();
};

void TestValueTables::seriesAsTheStandardPrintsThem_data()
{
    QTest::addColumn<int>("series");
    QTest::addColumn<std::vector<int>>("printed");
    QTest::newRow("E3") << int(Series::E3) << kE3;
    QTest::newRow("E6") << int(Series::E6) << kE6;
    QTest::newRow("E12") << int(Series::E12) << kE12;
    QTest::newRow("E24") << int(Series::E24) << kE24;
    QTest::newRow("E192") << int(Series::E192) << kE192;
}

void TestValueTables::seriesAsTheStandardPrintsThem()
{
    QFETCH(int, series);
    QFETCH(std::vector<int>, printed);
    const auto table = seriesTable(static_cast<Series>(series));
    QCOMPARE(std::vector<int>(table.begin(), table.end()), printed);
    // Membership reads the same table in every decade.
    const int digits = seriesDigits(static_cast<Series>(series));
    for (int t : printed) {
        for (int exponent : {-2, 1, 6})
            QVERIFY2(isMember(Decimal::of(static_cast<std::uint64_t>(t), exponent), static_cast<Series>(series)),
                     qPrintable(QString::number(t)));
    }
    QCOMPARE(digits, printed.front() < 100 ? 2 : 3);
}

void TestValueTables::factsAgreeWithTheDecoder_data()
{
    // Every tolerance and temperature colour of both windows, on 4,7 kOhm, where
    // every deviation shows in whole ohms with decimals.
    QTest::addColumn<RingCode>("code");
    const auto &four = zz::decode::fourRingToleranceList();
    for (int t = 0; t < static_cast<int>(four.size()); ++t) {
        RingCode code;
        code.positions = {4, 7, 2, t, 0, 0};
        QTest::addRow("four rings, %s", zz::decode::colourInfo(four[std::size_t(t)]).name.data()) << code;
    }
    RingCode three;
    three.positions = {4, 7, 2, 2, 0, 0};
    three.lastRingPresent = false;
    QTest::newRow("three rings") << three;
    const auto &five = zz::decode::fiveRingToleranceList();
    for (int t = 0; t < static_cast<int>(five.size()); ++t) {
        RingCode code;
        code.window = Window::FiveRing;
        code.lastRingPresent = false;
        code.positions = {4, 7, 0, 1, t, 0};
        QTest::addRow("five rings, %s", zz::decode::colourInfo(five[std::size_t(t)]).name.data()) << code;
    }
    const auto &temperature = zz::decode::temperatureList();
    for (int k = 0; k < static_cast<int>(temperature.size()); ++k) {
        RingCode code;
        code.window = Window::FiveRing;
        code.positions = {4, 7, 0, 1, 0, k};
        QTest::addRow("six rings, %s", zz::decode::colourInfo(temperature[std::size_t(k)]).name.data()) << code;
    }
}

void TestValueTables::factsAgreeWithTheDecoder()
{
    QFETCH(RingCode, code);
    const CodeFacts f = facts(code);
    const auto &p = code.positions;
    const bool four = code.window == Window::FourRing;
    const zz::decode::CodeResult r = four ? zz::decode::evaluateFourRing(p[0], p[1], p[2], ",")
                                          : zz::decode::evaluateFiveRing(p[0], p[1], p[2], p[3], ",");
    QCOMPARE(q(ohmText(f.ohm, ",")), q(r.valueText));

    const std::string tolerance = four ? zz::decode::fourRingTolerance(r.value, code.lastRingPresent, p[3], ",")
                                       : zz::decode::fiveRingTolerance(r.value, p[4], ",");
    QCOMPARE(q(numberText(f.tolerancePercent, ",")), figureAtEnd(tolerance, "%)"));
    // The range is the value plus and minus the deviation the decoder reports.
    const auto deviation = subtract(f.maxOhm, f.ohm);
    QVERIFY(deviation);
    QVERIFY(subtract(f.ohm, f.minOhm) == deviation);
    QVERIFY2(tolerance.starts_with("± " + ohmText(*deviation, ",") + " "), tolerance.c_str());

    if (four || !code.lastRingPresent) {
        QVERIFY(!f.tempcoPpm);
        return;
    }
    QVERIFY(f.tempcoPpm);
    QCOMPARE(QString::number(*f.tempcoPpm), figureAtEnd(zz::decode::temperatureLine(r.value, p[5], ","), " ppm/K)"));
}

void TestValueTables::exponentFormTakesTheSeparator_data()
{
    QTest::addColumn<QString>("sep");
    QTest::addColumn<Decimal>("value");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("ohm");
    QTest::newRow("small, comma") << "," << Decimal::of(15, -7) << "1,5E-6" << "1,5 µOhm";
    QTest::newRow("small, point") << "." << Decimal::of(15, -7) << "1.5E-6" << "1.5 µOhm";
    QTest::newRow("small, one digit") << "." << Decimal::of(5, -6) << "5E-6" << "5 µOhm";
    QTest::newRow("large, point") << "." << Decimal::of(125, 19) << "1.25E21" << "über 999 GOhm";
    QTest::newRow("large, comma") << "," << Decimal::of(125, 19) << "1,25E21" << "über 999 GOhm";
}

void TestValueTables::exponentFormTakesTheSeparator()
{
    QFETCH(QString, sep);
    QFETCH(Decimal, value);
    QFETCH(QString, number);
    QFETCH(QString, ohm);
    QCOMPARE(q(numberText(value, sep.toStdString())), number);
    QCOMPARE(q(ohmText(value, sep.toStdString())), ohm);

    // A refusal's reason writes the requested tolerance the same way.
    EncodeRequest request;
    request.ohm = Decimal::of(1, 3);
    request.tolerancePercent = value;
    const std::string separator = sep.toStdString();
    request.decimalSeparator = separator;
    const EncodeResult refused = encode(request);
    QCOMPARE(int(refused.refusal), int(Refusal::BadRequest));
    QVERIFY2(q(refused.reason).startsWith("Toleranz " + number + " % "), refused.reason.c_str());
}

QTEST_GUILESS_MAIN(TestValueTables)
#include "tst_valuetables.moc"
