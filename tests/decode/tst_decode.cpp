#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include <QObject>
#include <QStringList>
#include <QTest>

#include "decode/Decode.h"

using namespace zz::decode;

namespace {

std::string s(const QString &text) { return text.toStdString(); }

int pos(std::span<const Colour> list, const QString &name)
{
    const auto colour = colourFromName(s(name));
    if (!colour)
        throw std::invalid_argument("unknown colour " + s(name));
    const auto p = positionIn(list, *colour);
    if (!p)
        throw std::invalid_argument("colour not in list " + s(name));
    return *p;
}

QStringList names(std::span<const Colour> list)
{
    QStringList out;
    for (Colour c : list)
        out << QString::fromUtf8(colourInfo(c).name.data(), qsizetype(colourInfo(c).name.size()));
    return out;
}

std::string hintOf(const CodeResult &r)
{
    switch (r.hint) {
    case Hint::None: return "none";
    case Hint::NonExistent: return "nicht";
    case Hint::Unusual: return "unüblich; " + r.standardCode;
    }
    return {};
}

// Reads a value text back into ohms ("4,7 kOhm" -> 4700).
double parseValue(const std::string &text)
{
    const auto blank = text.find(' ');
    std::string number = text.substr(0, blank);
    for (char &c : number)
        if (c == ',')
            c = '.';
    const std::string unit = text.substr(blank + 1);
    const double factor = unit == "MOhm" ? 1e6 : unit == "kOhm" ? 1e3 : 1;
    return std::stod(number) * factor;
}

// The number in front of the unit of a tolerance or temperature text.
double numberPart(const std::string &text, std::string *unit)
{
    const std::string body = text.substr(std::string("± ").size());
    const auto blank = body.find(' ');
    std::string number = body.substr(0, blank);
    for (char &c : number)
        if (c == ',')
            c = '.';
    const auto unitEnd = body.find(' ', blank + 1);
    *unit = body.substr(blank + 1, unitEnd - blank - 1);
    return std::stod(number);
}

} // namespace

class TestDecode final : public QObject {
    Q_OBJECT

private slots:
    void numberText_data();
    void numberText();
    void ringLists_data();
    void ringLists();
    void colourTable();
    void colourNames_data();
    void colourNames();
    void fourRing_data();
    void fourRing();
    void fiveRing_data();
    void fiveRing();
    void startSelectionsGiveDesignedTexts();
    void positionsOutsideTheListsAreRefused();
    void everyFourRingCodeReadsBack();
    void everyFiveRingCodeReadsBack();
};

void TestDecode::numberText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("sep");
    QTest::addColumn<QString>("text");
    QTest::newRow("integer") << 470.0 << "," << "470";
    QTest::newRow("one decimal") << 23.5 << "," << "23,5";
    QTest::newRow("point separator") << 23.5 << "." << "23.5";
    QTest::newRow("hundredth") << 0.01 << "," << "0,01";
    QTest::newRow("two decimals") << 1.98 << "," << "1,98";
    QTest::newRow("zero") << 0.0 << "," << "0";
    QTest::newRow("round tens") << 1000.0 << "," << "1000";
    QTest::newRow("binary noise is rounded away") << 0.1 + 0.2 << "," << "0,3";
    QTest::newRow("15 digits") << 2.0 / 3.0 << "," << "0,666666666666667";
    QTest::newRow("15 digits, integer part") << 123456.7890123456789 << "," << "123456,789012346";
    QTest::newRow("smallest fixed form") << 0.00001 << "," << "0,00001";
    QTest::newRow("fixed form just above the limit") << 0.00005 << "," << "0,00005";
    QTest::newRow("exponent form") << 0.000005 << "," << "5E-6";
    QTest::newRow("exponent form, more digits") << 0.0000015 << "," << "1,5E-6";
    QTest::newRow("exponent form, point") << 0.0000015 << "." << "1.5E-6";
    QTest::newRow("rounds up to the limit") << 0.0000099999999999999999 << "," << "0,00001";
    QTest::newRow("negative") << -2.5 << "," << "-2,5";
}

void TestDecode::numberText()
{
    QFETCH(double, value);
    QFETCH(QString, sep);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(zz::decode::numberText(value, s(sep))), text);
}

void TestDecode::ringLists_data()
{
    QTest::addColumn<QStringList>("actual");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("digits") << names(baseList())
                            << QStringList{"Schwarz", "Braun", "Rot", "Orange", "Gelb",
                                           "Grün", "Blau", "Violett", "Grau", "Weiß"};
    QTest::newRow("multiplier") << names(multiplierList())
                                << QStringList{"Schwarz", "Braun", "Rot", "Orange", "Gelb",
                                               "Grün", "Blau", "Gold", "Silber"};
    QTest::newRow("four-ring tolerance") << names(fourRingToleranceList())
                                         << QStringList{"Braun", "Rot", "Gold", "Silber"};
    QTest::newRow("five/six-ring tolerance")
        << names(fiveRingToleranceList())
        << QStringList{"Braun", "Rot", "Grün", "Blau", "Violett", "Grau", "Gold", "Silber"};
    QTest::newRow("temperature") << names(temperatureList())
                                 << QStringList{"Schwarz", "Braun", "Rot", "Orange", "Gelb",
                                                "Blau", "Violett"};
}

void TestDecode::ringLists()
{
    QFETCH(QStringList, actual);
    QFETCH(QStringList, expected);
    QCOMPARE(actual, expected);
}

void TestDecode::colourTable()
{
    // Black and white swatches differ in size from the rest; only white is framed.
    QCOMPARE(colourInfo(Colour::Schwarz).swatchWidth, 24);
    QCOMPARE(colourInfo(Colour::Schwarz).swatchHeight, 12);
    QCOMPARE(colourInfo(Colour::Weiss).swatchWidth, 28);
    QCOMPARE(colourInfo(Colour::Weiss).swatchHeight, 14);
    QCOMPARE(colourInfo(Colour::Weiss).frameWidth, 2);
    for (int i = 0; i < kColourCount; ++i) {
        const auto &info = colourInfo(static_cast<Colour>(i));
        if (i != int(Colour::Schwarz) && i != int(Colour::Weiss)) {
            QCOMPARE(info.swatchWidth, 22);
            QCOMPARE(info.swatchHeight, 11);
            QCOMPARE(info.frameWidth, 0);
        }
    }
    const Rgb gold = colourInfo(Colour::Gold).rgb;
    QCOMPARE((std::array<int, 3>{gold.r, gold.g, gold.b}), (std::array<int, 3>{0xBA, 0x9D, 0x3A}));
    const Rgb orange = colourInfo(Colour::Orange).rgb;
    QCOMPARE((std::array<int, 3>{orange.r, orange.g, orange.b}), (std::array<int, 3>{0xFF, 0x80, 0x40}));
}

void TestDecode::colourNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("colour"); // -1: unknown
    QTest::newRow("exact") << "Violett" << int(Colour::Violett);
    QTest::newRow("lower case") << "silber" << int(Colour::Silber);
    QTest::newRow("upper case") << "SCHWARZ" << int(Colour::Schwarz);
    QTest::newRow("umlaut") << "Grün" << int(Colour::Gruen);
    QTest::newRow("capital umlaut") << "GRÜN" << int(Colour::Gruen);
    QTest::newRow("ascii umlaut") << "Gruen" << int(Colour::Gruen);
    QTest::newRow("sharp s") << "Weiß" << int(Colour::Weiss);
    QTest::newRow("ascii sharp s") << "Weiss" << int(Colour::Weiss);
    QTest::newRow("upper ascii sharp s") << "WEISS" << int(Colour::Weiss);
    QTest::newRow("unknown") << "Lila" << -1;
    QTest::newRow("prefix only") << "Gel" << -1;
    QTest::newRow("empty") << "" << -1;
}

void TestDecode::colourNames()
{
    QFETCH(QString, name);
    QFETCH(int, colour);
    const auto found = colourFromName(s(name));
    QCOMPARE(found ? int(*found) : -1, colour);
}

void TestDecode::fourRing_data()
{
    QTest::addColumn<QStringList>("rings"); // three or four colours
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("wert");
    QTest::addColumn<QString>("toleranz");
    QTest::addColumn<QString>("hint");

    auto row = [](const char *tag, QStringList rings, QString code, QString wert, QString tol, QString hint) {
        QTest::newRow(tag) << rings << code << wert << tol << hint;
    };
    row("start code", {"Gelb", "Violett", "Braun", "Gold"}, "Gelb - Violett - Braun", "470 Ohm", "± 23,5 Ohm  (= 5%)", "none");
    row("no fourth ring", {"Gelb", "Violett", "Braun"}, "Gelb - Violett - Braun", "470 Ohm", "± 94 Ohm  (= 20%)", "none");
    row("1 kOhm", {"Braun", "Schwarz", "Rot", "Gold"}, "Braun - Schwarz - Rot", "1 kOhm", "± 50 Ohm  (= 5%)", "none");
    row("deviation 1 kOhm", {"Braun", "Schwarz", "Orange", "Silber"}, "Braun - Schwarz - Orange", "10 kOhm", "± 1 kOhm  (= 10%)", "none");
    row("MOhm", {"Weiß", "Weiß", "Blau", "Rot"}, "Weiß - Weiß - Blau", "99 MOhm", "± 1,98 MOhm  (= 2%)", "none");
    row("1 MOhm", {"Braun", "Schwarz", "Grün", "Braun"}, "Braun - Schwarz - Grün", "1 MOhm", "± 10 kOhm  (= 1%)", "none");
    row("deviation 1 MOhm", {"Braun", "Schwarz", "Blau", "Silber"}, "Braun - Schwarz - Blau", "10 MOhm", "± 1 MOhm  (= 10%)", "none");
    row("mOhm", {"Grün", "Blau", "Schwarz", "Braun"}, "Grün - Blau - Schwarz", "56 Ohm", "± 560 mOhm  (= 1%)", "none");
    row("gold multiplier", {"Rot", "Rot", "Gold", "Gold"}, "Rot - Rot - Gold", "2,2 Ohm", "± 110 mOhm  (= 5%)", "none");
    row("deviation 1 Ohm", {"Braun", "Schwarz", "Schwarz", "Silber"}, "Braun - Schwarz - Schwarz", "10 Ohm", "± 1 Ohm  (= 10%)", "none");
    row("deviation 0.1 mOhm", {"Schwarz", "Braun", "Silber", "Braun"}, "Schwarz - Braun - Silber", "0,01 Ohm", "± 0,1 mOhm  (= 1%)", "none");
    row("rule 1", {"Schwarz", "Gelb", "Rot", "Gold"}, "Schwarz - Gelb - Rot", "400 Ohm", "± 20 Ohm  (= 5%)", "unüblich; Gelb - Schwarz - Braun");
    row("rule 1, largest multiplier", {"Schwarz", "Grau", "Blau", "Gold"}, "Schwarz - Grau - Blau", "8 MOhm", "± 400 kOhm  (= 5%)", "unüblich; Grau - Schwarz - Grün");
    row("rule 2", {"Schwarz", "Gelb", "Schwarz", "Gold"}, "Schwarz - Gelb - Schwarz", "4 Ohm", "± 200 mOhm  (= 5%)", "unüblich; Gelb - Schwarz - Gold");
    row("rule 3", {"Schwarz", "Gelb", "Gold", "Gold"}, "Schwarz - Gelb - Gold", "0,4 Ohm", "± 20 mOhm  (= 5%)", "unüblich; Gelb - Schwarz - Silber");
    row("rule 4", {"Schwarz", "Schwarz", "Grün", "Gold"}, "Schwarz - Schwarz - Grün", "0 Ohm", "± 0 Ohm  (= 5%)", "nicht");
    row("rule 4, silver", {"Schwarz", "Schwarz", "Silber"}, "Schwarz - Schwarz - Silber", "0 Ohm", "± 0 Ohm  (= 20%)", "nicht");
    row("rule 5, silver", {"Schwarz", "Braun", "Silber", "Gold"}, "Schwarz - Braun - Silber", "0,01 Ohm", "± 0,5 mOhm  (= 5%)", "none");
}

void TestDecode::fourRing()
{
    QFETCH(QStringList, rings);
    QFETCH(QString, code);
    QFETCH(QString, wert);
    QFETCH(QString, toleranz);
    QFETCH(QString, hint);
    const CodeResult r = evaluateFourRing(pos(baseList(), rings[0]), pos(baseList(), rings[1]),
                                          pos(multiplierList(), rings[2]), ",");
    const bool ring4 = rings.size() == 4;
    const std::string tol =
        fourRingTolerance(r.value, ring4, ring4 ? pos(fourRingToleranceList(), rings[3]) : 0, ",");
    QCOMPARE(QString::fromStdString(r.code), code);
    QCOMPARE(QString::fromStdString(r.valueText), wert);
    QCOMPARE(QString::fromStdString(tol), toleranz);
    QCOMPARE(QString::fromStdString(hintOf(r)), hint);
}

void TestDecode::fiveRing_data()
{
    QTest::addColumn<QStringList>("rings"); // five or six colours
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("wert");
    QTest::addColumn<QString>("toleranz");
    QTest::addColumn<QString>("ttol"); // empty without ring 6
    QTest::addColumn<QString>("hint");

    auto row = [](const char *tag, QStringList rings, QString code, QString wert, QString tol, QString ttol, QString hint) {
        QTest::newRow(tag) << rings << code << wert << tol << ttol << hint;
    };
    row("start code", {"Gelb", "Violett", "Schwarz", "Schwarz", "Gold", "Blau"}, "Gelb - Violett - Schwarz - Schwarz", "470 Ohm", "± 23,5 Ohm (= 5%)", "± 4,7 mOhm (= 10 ppm/K)", "none");
    row("0.1 %", {"Braun", "Schwarz", "Schwarz", "Braun", "Violett", "Braun"}, "Braun - Schwarz - Schwarz - Braun", "1 kOhm", "± 1 Ohm (= 0,1%)", "± 100 mOhm (= 100 ppm/K)", "none");
    row("0.25 %", {"Braun", "Schwarz", "Schwarz", "Schwarz", "Blau", "Gelb"}, "Braun - Schwarz - Schwarz - Schwarz", "100 Ohm", "± 250 mOhm (= 0,25%)", "± 2,5 mOhm (= 25 ppm/K)", "none");
    row("largest value", {"Weiß", "Weiß", "Weiß", "Blau", "Rot", "Schwarz"}, "Weiß - Weiß - Weiß - Blau", "999 MOhm", "± 19,98 MOhm (= 2%)", "± 199,8 kOhm (= 200 ppm/K)", "none");
    row("rule 1", {"Schwarz", "Gelb", "Violett", "Rot", "Gold", "Blau"}, "Schwarz - Gelb - Violett - Rot", "4,7 kOhm", "± 235 Ohm (= 5%)", "± 47 mOhm (= 10 ppm/K)", "unüblich; Gelb - Violett - Schwarz - Braun");
    row("rule 2", {"Schwarz", "Gelb", "Violett", "Schwarz", "Gold", "Blau"}, "Schwarz - Gelb - Violett - Schwarz", "47 Ohm", "± 2,35 Ohm (= 5%)", "± 470 µOhm (= 10 ppm/K)", "unüblich; Gelb - Violett - Schwarz - Gold");
    row("rule 3", {"Schwarz", "Gelb", "Violett", "Gold", "Gold", "Blau"}, "Schwarz - Gelb - Violett - Gold", "4,7 Ohm", "± 235 mOhm (= 5%)", "± 47 µOhm (= 10 ppm/K)", "unüblich; Gelb - Violett - Schwarz - Silber");
    row("rule 4", {"Schwarz", "Schwarz", "Gelb", "Rot", "Gold", "Blau"}, "Schwarz - Schwarz - Gelb - Rot", "400 Ohm", "± 20 Ohm (= 5%)", "± 4 mOhm (= 10 ppm/K)", "unüblich; Gelb - Schwarz - Schwarz - Schwarz");
    row("rule 4, largest multiplier", {"Schwarz", "Schwarz", "Gelb", "Blau", "Gold"}, "Schwarz - Schwarz - Gelb - Blau", "4 MOhm", "± 200 kOhm (= 5%)", "", "unüblich; Gelb - Schwarz - Schwarz - Gelb");
    row("rule 5", {"Schwarz", "Schwarz", "Gelb", "Braun", "Gold", "Blau"}, "Schwarz - Schwarz - Gelb - Braun", "40 Ohm", "± 2 Ohm (= 5%)", "± 400 µOhm (= 10 ppm/K)", "unüblich; Gelb - Schwarz - Schwarz - Gold");
    row("rule 6", {"Schwarz", "Schwarz", "Gelb", "Schwarz", "Gold", "Blau"}, "Schwarz - Schwarz - Gelb - Schwarz", "4 Ohm", "± 200 mOhm (= 5%)", "± 40 µOhm (= 10 ppm/K)", "unüblich; Gelb - Schwarz - Schwarz - Silber");
    row("rule 7", {"Schwarz", "Schwarz", "Schwarz", "Orange", "Gold", "Blau"}, "Schwarz - Schwarz - Schwarz - Orange", "0 Ohm", "± 0 Ohm (= 5%)", "± 0 nOhm (= 10 ppm/K)", "nicht");
    row("rule 8, silver", {"Schwarz", "Gelb", "Violett", "Silber", "Gold", "Blau"}, "Schwarz - Gelb - Violett - Silber", "0,47 Ohm", "± 23,5 mOhm (= 5%)", "± 4,7 µOhm (= 10 ppm/K)", "none");
    row("rule 8, two black and gold", {"Schwarz", "Schwarz", "Gelb", "Gold", "Gold"}, "Schwarz - Schwarz - Gelb - Gold", "0,4 Ohm", "± 20 mOhm (= 5%)", "", "none");
    row("rule 8, two black and silver", {"Schwarz", "Schwarz", "Gelb", "Silber", "Gold"}, "Schwarz - Schwarz - Gelb - Silber", "0,04 Ohm", "± 2 mOhm (= 5%)", "", "none");
    row("smallest at 0.5 %", {"Schwarz", "Schwarz", "Braun", "Silber", "Grün", "Violett"}, "Schwarz - Schwarz - Braun - Silber", "0,01 Ohm", "± 0,00005 Ohm (= 0,5%)", "± 50 nOhm (= 5 ppm/K)", "none");
    row("smallest at 0.05 %", {"Schwarz", "Schwarz", "Braun", "Silber", "Grau", "Schwarz"}, "Schwarz - Schwarz - Braun - Silber", "0,01 Ohm", "± 5E-6 Ohm (= 0,05%)", "± 2 µOhm (= 200 ppm/K)", "none");
    row("temperature 1 Ohm", {"Braun", "Schwarz", "Schwarz", "Braun", "Silber", "Braun"}, "Braun - Schwarz - Schwarz - Braun", "1 kOhm", "± 100 Ohm (= 10%)", "± 100 mOhm (= 100 ppm/K)", "none");
    row("temperature exactly 1 Ohm", {"Braun", "Schwarz", "Schwarz", "Gelb", "Silber", "Braun"}, "Braun - Schwarz - Schwarz - Gelb", "1 MOhm", "± 100 kOhm (= 10%)", "± 100 Ohm (= 100 ppm/K)", "none");
    row("temperature exactly 1 kOhm", {"Braun", "Schwarz", "Schwarz", "Blau", "Braun", "Braun"}, "Braun - Schwarz - Schwarz - Blau", "100 MOhm", "± 1 MOhm (= 1%)", "± 10 kOhm (= 100 ppm/K)", "none");
    row("temperature exactly 1 mOhm", {"Braun", "Schwarz", "Schwarz", "Braun", "Braun", "Violett"}, "Braun - Schwarz - Schwarz - Braun", "1 kOhm", "± 10 Ohm (= 1%)", "± 5 mOhm (= 5 ppm/K)", "none");
    row("temperature exactly 1 µOhm", {"Braun", "Schwarz", "Schwarz", "Gold", "Braun", "Braun"}, "Braun - Schwarz - Schwarz - Gold", "10 Ohm", "± 100 mOhm (= 1%)", "± 1 mOhm (= 100 ppm/K)", "none");
    row("temperature 1 µOhm", {"Braun", "Schwarz", "Schwarz", "Silber", "Braun", "Braun"}, "Braun - Schwarz - Schwarz - Silber", "1 Ohm", "± 10 mOhm (= 1%)", "± 100 µOhm (= 100 ppm/K)", "none");
    row("temperature below 1 µOhm", {"Schwarz", "Braun", "Schwarz", "Silber", "Braun", "Braun"}, "Schwarz - Braun - Schwarz - Silber", "0,1 Ohm", "± 1 mOhm (= 1%)", "± 10 µOhm (= 100 ppm/K)", "none");
}

void TestDecode::fiveRing()
{
    QFETCH(QStringList, rings);
    QFETCH(QString, code);
    QFETCH(QString, wert);
    QFETCH(QString, toleranz);
    QFETCH(QString, ttol);
    QFETCH(QString, hint);
    const CodeResult r = evaluateFiveRing(pos(baseList(), rings[0]), pos(baseList(), rings[1]),
                                          pos(baseList(), rings[2]), pos(multiplierList(), rings[3]), ",");
    QCOMPARE(QString::fromStdString(r.code), code);
    QCOMPARE(QString::fromStdString(r.valueText), wert);
    QCOMPARE(QString::fromStdString(fiveRingTolerance(r.value, pos(fiveRingToleranceList(), rings[4]), ",")), toleranz);
    if (rings.size() == 6)
        QCOMPARE(QString::fromStdString(temperatureLine(r.value, pos(temperatureList(), rings[5]), ",")), ttol);
    QCOMPARE(QString::fromStdString(hintOf(r)), hint);
}

void TestDecode::startSelectionsGiveDesignedTexts()
{
    const auto &f = kFourRingStart;
    const CodeResult four = evaluateFourRing(f[0], f[1], f[2], ",");
    QCOMPARE(four.code, "Gelb - Violett - Braun");
    QCOMPARE(four.value, 470.0);
    QCOMPARE(colourInfo(fourRingToleranceList()[f[3]]).name, "Gold");

    const auto &v = kFiveRingStart;
    const CodeResult five = evaluateFiveRing(v[0], v[1], v[2], v[3], ",");
    QCOMPARE(five.code, "Gelb - Violett - Schwarz - Schwarz");
    QCOMPARE(fiveRingTolerance(five.value, v[4], ","), "± 23,5 Ohm (= 5%)");
    QCOMPARE(colourInfo(temperatureList()[v[5]]).name, "Blau");
}

void TestDecode::positionsOutsideTheListsAreRefused()
{
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, evaluateFourRing(10, 0, 0, ","));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, evaluateFourRing(1, 0, 9, ","));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, evaluateFiveRing(1, -1, 0, 0, ","));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, fourRingTolerance(470, true, 4, ","));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, fiveRingTolerance(470, 8, ","));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, temperatureLine(470, 7, ","));
    // Without ring 4 its position does not matter.
    QCOMPARE(fourRingTolerance(470, false, 99, ","), "± 94 Ohm  (= 20%)");
}

namespace {

// A number part is written in the largest unit that keeps it at the range's
// bottom or above, and never reaches 1000 of its unit (the next unit's job).
void checkNumberPart(const std::string &text, double ohms)
{
    std::string unit;
    const double number = numberPart(text, &unit);
    const double factor = unit == "MOhm" ? 1e6 : unit == "kOhm" ? 1e3 : unit == "Ohm" ? 1
                        : unit == "mOhm" ? 1e-3 : unit == "µOhm" ? 1e-6 : 1e-9;
    QVERIFY2(std::abs(number * factor - ohms) <= 1e-12 * ohms, text.c_str());
    // The milliohm range of a tolerance starts at 0.1 mOhm.
    const double bottom = unit == "mOhm" ? 0.1 : 1;
    if (ohms > 0 && unit != "MOhm" && !(unit == "Ohm" && ohms < 1) && unit != "nOhm")
        QVERIFY2(number >= bottom && number < 1000, text.c_str());
}

void checkStandardCode(const CodeResult &r, bool five)
{
    if (r.hint != Hint::Unusual)
        return;
    // The standard code stands for the same value and is itself usual.
    QStringList parts = QString::fromStdString(r.standardCode).split(" - ");
    const CodeResult again = five
        ? evaluateFiveRing(pos(baseList(), parts[0]), pos(baseList(), parts[1]), pos(baseList(), parts[2]),
                           pos(multiplierList(), parts[3]), ",")
        : evaluateFourRing(pos(baseList(), parts[0]), pos(baseList(), parts[1]), pos(multiplierList(), parts[2]), ",");
    QVERIFY2(std::abs(again.value - r.value) <= 1e-12 * r.value, r.code.c_str());
    QCOMPARE(again.hint, Hint::None);
}

} // namespace

void TestDecode::everyFourRingCodeReadsBack()
{
    for (int r1 = 0; r1 < 10; ++r1)
        for (int r2 = 0; r2 < 10; ++r2)
            for (int r3 = 0; r3 < 9; ++r3) {
                const CodeResult r = evaluateFourRing(r1, r2, r3, ",");
                QCOMPARE(parseValue(r.valueText), r.value);
                QCOMPARE(r.hint == Hint::NonExistent, r.value == 0);
                checkStandardCode(r, false);
                if (QTest::currentTestFailed())
                    return;
                for (int r4 = 0; r4 < 4; ++r4) {
                    const std::string tol = fourRingTolerance(r.value, true, r4, ",");
                    QVERIFY2(tol.find("  (= ") != std::string::npos, tol.c_str());
                    checkNumberPart(tol, r.value * fourRingTolerancePercent(r4) / 100);
                }
                checkNumberPart(fourRingTolerance(r.value, false, 0, ","), r.value * 0.2);
                if (QTest::currentTestFailed())
                    return;
            }
}

void TestDecode::everyFiveRingCodeReadsBack()
{
    for (int r1 = 0; r1 < 10; ++r1)
        for (int r2 = 0; r2 < 10; ++r2)
            for (int r3 = 0; r3 < 10; ++r3)
                for (int m = 0; m < 9; ++m) {
                    const CodeResult r = evaluateFiveRing(r1, r2, r3, m, ".");
                    QCOMPARE(parseValue(r.valueText), r.value);
                    QCOMPARE(r.hint == Hint::NonExistent, r.value == 0);
                    checkStandardCode(r, true);
                    for (int r5 = 0; r5 < 8; ++r5)
                        checkNumberPart(fiveRingTolerance(r.value, r5, "."),
                                        r.value * fiveRingTolerancePercent(r5) / 100);
                    for (int r6 = 0; r6 < 7; ++r6)
                        checkNumberPart(temperatureLine(r.value, r6, "."),
                                        r.value * temperatureCoefficient(r6) / 1e6);
                    if (QTest::currentTestFailed())
                        return;
                }
}

QTEST_APPLESS_MAIN(TestDecode)
#include "tst_decode.moc"
