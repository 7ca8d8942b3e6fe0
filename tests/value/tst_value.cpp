#include <QObject>
#include <QRegularExpression>
#include <QTest>

#include "value/Blanks.h"
#include "value/Code.h"
#include "value/Decimal.h"
#include "value/ESeries.h"
#include "value/Smd.h"
#include "value/Text.h"

using namespace zz::value;
using zz::decode::Colour;

namespace {

QString plain(const Decimal &d) { return QString::fromStdString(plainText(d)); }
QString plain(const std::optional<Decimal> &d) { return d ? plain(*d) : QString("-"); }

Decimal value(const char *text)
{
    const auto parsed = parseValue(text);
    return parsed.value.value_or(Decimal{});
}

QStringList names(const RingCode &code)
{
    QStringList out;
    for (Colour c : code.colours())
        out << QString::fromUtf8(zz::decode::colourInfo(c).name.data(),
                                 static_cast<int>(zz::decode::colourInfo(c).name.size()));
    return out;
}

// The E96 table as printed in the standard, kept apart from the library's.
constexpr int kE96[96] = {
    100, 102, 105, 107, 110, 113, 115, 118, 121, 124, 127, 130, 133, 137, 140, 143, 147, 150, 154, 158,
    162, 165, 169, 174, 178, 182, 187, 191, 196, 200, 205, 210, 215, 221, 226, 232, 237, 243, 249, 255,
    261, 267, 274, 280, 287, 294, 301, 309, 316, 324, 332, 340, 348, 357, 365, 374, 383, 392, 402, 412,
    422, 432, 442, 453, 464, 475, 487, 499, 511, 523, 536, 549, 562, 576, 590, 604, 619, 634, 649, 665,
    681, 698, 715, 732, 750, 768, 787, 806, 825, 845, 866, 887, 909, 931, 953, 976};

} // namespace

class TestValue final : public QObject {
    Q_OBJECT

private slots:
    void accepted_data();
    void accepted();
    void refused_data();
    void refused();
    void ambiguousThousands_data();
    void ambiguousThousands();
    void spellings();
    void arithmetic();
    void seriesTables();
    void membership_data();
    void membership();
    void nearestValues_data();
    void nearestValues();
    void exactPercentages_data();
    void exactPercentages();
    void percentagesKeepToTheDecade();
    void textsOutsideTheRange_data();
    void textsOutsideTheRange();
    void fixedPlaces_data();
    void fixedPlaces();
    void encodeValues_data();
    void encodeValues();
    void encodeRefusals_data();
    void encodeRefusals();
    void roundTrip();
    void toleranceRange_data();
    void toleranceRange();
    void eia96();
    void smdMarkings_data();
    void smdMarkings();
    void shownTextEscapes_data();
    void shownTextEscapes();
};

void TestValue::accepted_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("ohm");
    const char *rows[][2] = {
        {"470", "470"},       {"0,47", "0.47"},     {"4.7", "4.7"},       {" 4,7k ", "4700"},
        {"4.7 k", "4700"},    {"4,7 kOhm", "4700"}, {"2,2 MΩ", "2200000"}, {"2,2MOhm", "2200000"},
        {"4k7", "4700"},      {"4K7", "4700"},      {"1M5", "1500000"},   {"2G2", "2200000000"},
        {"4R7", "4.7"},       {"R47", "0.47"},      {"47R", "47"},        {"0R1", "0.1"},
        {"47k", "47000"},      {"100 m", "0.1"},     {"4m7", "0.0047"},    {"470 ohm", "470"},
        {"470Ω", "470"},      {"0", "0"},           {"000,0", "0"},       {"0,10", "0.1"},
        {"1000", "1000"},     {"0.1", "0.1"},       {"10\tk", "10000"},   {"4,7 K Ohm", "4700"},
        // 0,1 + 0,2 kinds of error cannot happen: the digits are kept as typed.
        {"0,3", "0.3"},       {"4,69999", "4.69999"}, {"123456789012345678", "123456789012345678"},
        // Pasted text: no-break spaces before the unit, white space of any kind around.
        {"4,7\u00A0kOhm", "4700"}, {"4,7\u202FkΩ", "4700"}, {"2,2\u00A0M\u00A0Ohm", "2200000"},
        {"470\u2009Ohm", "470"}, {"\u00A04k7\u202F", "4700"}, {"\u3000R47\r\n", "0.47"},
        {"\n\t 1M5 \u2028", "1500000"}, {"\u205F47R\u1680", "47"},
        // The regional decimal sign, and separators a prefix or the digits settle.
        {"4,700", "4.7"},     {"4.700k", "4700"},   {"4.700 mOhm", "0.0047"}, {"0.470", "0.47"},
        {"1000.500", "1000.5"}, {"4.7000", "4.7"},  {"4.70", "4.7"},      {"000.470", "0.47"},
    };
    for (const auto &r : rows)
        QTest::newRow(r[0]) << QString::fromUtf8(r[0]) << r[1];
}

void TestValue::accepted()
{
    QFETCH(QString, text);
    QFETCH(QString, ohm);
    const auto parsed = parseValue(text.toStdString());
    QVERIFY2(parsed.value, parsed.error.c_str());
    QCOMPARE(plain(*parsed.value), ohm);
}

void TestValue::refused_data()
{
    QTest::addColumn<QString>("text");
    for (const char *t : {"", "   ", "abc", "4,7,1", "-5", "1e3", "4k7k", "4,7kk", "k", "R", "Ohm", ",5",
                          "5,", "4 k 7", "47 R", "4k7,1", "1234567890123456789", "4.7 x", "4,7 kV", "+5",
                          "4R7R", "½", "1.000.000", "1.000,5", "4.700,0", "\u00A0", "4\u00A0k7", "47\u202FR",
                          "4,7\u200BkOhm"})
        QTest::newRow(t) << QString::fromUtf8(t);
}

void TestValue::refused()
{
    QFETCH(QString, text);
    const auto parsed = parseValue(text.toStdString());
    QVERIFY(!parsed.value);
    // The message says what would have been accepted.
    QVERIFY2(parsed.error.find("4k7") != std::string::npos, parsed.error.c_str());
}

void TestValue::ambiguousThousands_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("separator");  // the regional decimal sign
    QTest::addColumn<QString>("says");       // the beginning of the refusal

    QTest::newRow("4.700, German") << "4.700" << ","
        << "4.700 ist mehrdeutig: 4,7 Ohm oder 4,7 kOhm? Schreiben Sie 4,7 für 4,7 Ohm und 4700 oder 4,7k für 4,7 kOhm.";
    QTest::newRow("4,700, English") << "4,700" << "."
        << "4,700 ist mehrdeutig: 4.7 Ohm oder 4.7 kOhm? Schreiben Sie 4.7 für 4.7 Ohm und 4700 oder 4.7k für 4.7 kOhm.";
    QTest::newRow("1.000") << "1.000" << ","
        << "1.000 ist mehrdeutig: 1 Ohm oder 1 kOhm? Schreiben Sie 1 für 1 Ohm und 1000 oder 1k für 1 kOhm.";
    QTest::newRow("unit does not settle it") << "2.200 Ohm" << "," << "2.200 ist mehrdeutig: 2,2 Ohm oder 2,2 kOhm?";
    QTest::newRow("pasted blanks") << "\u00A0999.999\u202FΩ " << "," << "999.999 ist mehrdeutig: 999,999 Ohm oder 999,999 kOhm?";
    QTest::newRow("12.050") << "12.050" << "," << "12.050 ist mehrdeutig: 12,05 Ohm oder 12,05 kOhm?";
}

// A thousands dot read as a decimal mark would make 4,7 kOhm of 4,7 Ohm.
void TestValue::ambiguousThousands()
{
    QFETCH(QString, text);
    QFETCH(QString, separator);
    QFETCH(QString, says);
    const ParsedValue parsed = parseValue(text.toStdString(), separator.toStdString());
    QVERIFY2(!parsed.value, qPrintable(plain(parsed.value)));
    QVERIFY(parsed.ambiguous);
    QVERIFY2(QString::fromStdString(parsed.error).startsWith(says), parsed.error.c_str());
}

// Many spellings, each against what the rules make of its parts: a number
// with "," or ".", a prefix m/k/K/M/G after optional blanks, a unit after
// optional blanks; or digits around a prefix letter or R; white space of any
// kind around it all. A separator that is not the regional one, followed by
// exactly three digits and no prefix, after one to three digits that do not
// start with 0, is ambiguous.
void TestValue::spellings()
{
    struct Prefix {
        const char *letter;
        int exponent;
    };
    const Prefix prefixes[] = {{"", 0}, {"m", -3}, {"k", 3}, {"K", 3}, {"M", 6}, {"G", 9}};
    const Prefix letters[] = {{"R", 0}, {"m", -3}, {"k", 3}, {"K", 3}, {"M", 6}, {"G", 9}};
    const std::vector<std::string> blanks{"", " ", "\t", "\u00A0", "\u202F", "\u2009", " \u00A0"};
    const std::vector<std::string> ends{"", " ", "\t", "\u00A0", "\u202F", "\u3000", "\n", " \u00A0\r\n", "\u2007"};
    const std::vector<std::string> units{"", "Ohm", "ohm", "\u03A9", "\u2126"};
    const std::vector<std::string> wholes{"0", "4", "47", "470", "1000", "0470", "000"};
    const std::vector<std::string> fractions{"7", "70", "700", "047", "7000", "000", "5"};

    enum class Expect { Value, Ambiguous, Refused };
    struct Case {
        std::string text;
        std::string separator;
        Expect expect;
        std::string digits;   // normalised: no leading or trailing zeros; "0" for zero
        int exponent;
    };
    // The value of digits x 10^exponent with the zeros moved out of the digits.
    const auto expectValue = [](std::string digits, int exponent) {
        digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
        if (digits.empty())
            return std::pair<std::string, int>("0", 0);
        while (digits.back() == '0') {
            digits.pop_back();
            ++exponent;
        }
        return std::pair(digits, exponent);
    };

    std::vector<Case> cases;
    std::size_t turn = 0;
    const auto around = [&](const std::string &core) {
        ++turn;
        return ends[turn % ends.size()] + core + ends[(turn / ends.size()) % ends.size()];
    };
    for (const std::string regional : {",", "."}) {
        for (const std::string &whole : wholes)
            for (const std::string mark : {"", ",", "."})
                for (const std::string &fraction : mark.empty() ? std::vector<std::string>{""} : fractions)
                    for (const Prefix &p : prefixes)
                        for (const std::string &unit : units)
                            for (const std::string &gap : blanks) {
                                const std::string unitGap = unit.empty() ? "" : blanks[turn % blanks.size()];
                                const std::string core = whole + mark + fraction + (p.letter[0] ? gap + p.letter : gap) +
                                                         unitGap + unit;
                                // The grouping reading needs a first group of 1 to 3 digits, not led by 0.
                                const bool group = !whole.empty() && whole.size() <= 3 && whole[0] != '0';
                                const bool ambiguous = !mark.empty() && mark != regional && fraction.size() == 3 &&
                                                       !p.letter[0] && group;
                                const auto [d, e] = expectValue(whole + fraction, p.exponent - int(fraction.size()));
                                cases.push_back({around(core), regional,
                                                 ambiguous ? Expect::Ambiguous : Expect::Value, d, e});
                            }
        for (const std::string whole : {"", "4", "47", "0", "100"})
            for (const std::string fraction : {"", "7", "47", "05"})
                for (const Prefix &l : letters)
                    for (const std::string &unit : units) {
                        const std::string letterForm = whole + l.letter + fraction;
                        const std::string unitGap = unit.empty() ? "" : blanks[turn % blanks.size()];
                        if (whole.empty() && fraction.empty()) {
                            cases.push_back({around(letterForm + unitGap + unit), regional, Expect::Refused, {}, 0});
                            continue;
                        }
                        const auto [d, e] = expectValue(whole + fraction, l.exponent - int(std::string(fraction).size()));
                        cases.push_back({around(letterForm + unitGap + unit), regional, Expect::Value, d, e});
                        // A blank inside the letter form breaks it; so does one before R.
                        if (!std::string(fraction).empty() && !std::string(whole).empty())
                            for (const std::string &gap : {blanks[3], blanks[4], blanks[1]}) {
                                cases.push_back({around(whole + gap + l.letter + fraction), regional, Expect::Refused, {}, 0});
                                cases.push_back({around(whole + l.letter + gap + fraction), regional, Expect::Refused, {}, 0});
                            }
                        if (std::string(fraction).empty() && !std::string(whole).empty() && l.letter == std::string("R"))
                            cases.push_back({around(whole + blanks[3] + "R"), regional, Expect::Refused, {}, 0});
                    }
        // Two separators never make a value, whichever they are.
        for (const std::string first : {",", "."})
            for (const std::string second : {",", "."})
                for (const std::string &fraction : fractions)
                    cases.push_back({around("1" + first + fraction + second + "5"), regional, Expect::Refused, {}, 0});
    }

    int wrong = 0;
    QString firstWrong;
    for (const Case &c : cases) {
        const ParsedValue parsed = parseValue(c.text, c.separator);
        QString got;
        if (parsed.value)
            got = QStringLiteral("value %1e%2").arg(QString::number(parsed.value->digits)).arg(parsed.value->exponent);
        else
            got = parsed.ambiguous ? QStringLiteral("ambiguous") : QStringLiteral("refused");
        QString expected;
        switch (c.expect) {
        case Expect::Value:
            expected = QStringLiteral("value %1e%2").arg(QString::fromStdString(c.digits)).arg(c.exponent);
            break;
        case Expect::Ambiguous: expected = QStringLiteral("ambiguous"); break;
        case Expect::Refused: expected = QStringLiteral("refused"); break;
        }
        if (got != expected && wrong++ == 0)
            firstWrong = QStringLiteral("\"%1\" with \"%2\": %3, expected %4")
                             .arg(QString::fromStdString(c.text), QString::fromStdString(c.separator), got, expected);
    }
    QVERIFY2(wrong == 0, qPrintable(QString::number(wrong) + " wrong, first: " + firstWrong));
    QVERIFY(cases.size() > 20000);
}

void TestValue::arithmetic()
{
    QCOMPARE(plain(add(value("0,1"), value("0,2"))), QString("0.3"));
    QCOMPARE(plain(subtract(value("10k"), value("0,01"))), QString("9999.99"));
    QVERIFY(!subtract(value("1"), value("2")));
    QCOMPARE(plain(multiply(value("4,7k"), value("0,05"))), QString("235"));
    QVERIFY(value("4,7") < value("47"));
    QVERIFY(value("0,47") > value("0,0470"));
    QVERIFY(value("100") == value("0,1k"));
    QCOMPARE(numberText(value("0,000005"), ","), std::string("5E-6"));
    QCOMPARE(numberText(value("0,00001"), ","), std::string("0,00001"));
    QCOMPARE(ohmText(value("4k7"), ","), std::string("4,7 kOhm"));
    QCOMPARE(ohmText(value("999M"), "."), std::string("999 MOhm"));
}

void TestValue::seriesTables()
{
    const int counts[] = {3, 6, 12, 24, 48, 96, 192};
    for (Series s : kAllSeries) {
        const auto t = seriesTable(s);
        QCOMPARE(static_cast<int>(t.size()), counts[static_cast<int>(s)]);
        QVERIFY(std::is_sorted(t.begin(), t.end()));
        QCOMPARE(seriesFromName(seriesName(s)), std::optional(s));
    }
    // The standard's values where the rounded formula says otherwise.
    for (const char *v : {"2,7", "3,0", "3,3", "3,6", "3,9", "4,3", "4,7", "8,2"})
        QVERIFY2(isMember(value(v), Series::E24), v);
    for (const char *v : {"2,6", "2,9", "3,2", "3,5", "3,8", "4,2", "4,6", "8,3"})
        QVERIFY2(!isMember(value(v), Series::E24), v);
    QVERIFY(isMember(value("9,20"), Series::E192));
    QVERIFY(!isMember(value("9,19"), Series::E192));
    QVERIFY(std::equal(std::begin(kE96), std::end(kE96), seriesTable(Series::E96).begin()));
    for (std::size_t i = 0; i < 48; ++i)
        QCOMPARE(seriesTable(Series::E48)[i], kE96[2 * i]);
    QCOMPARE(seriesFromName("e24"), std::optional(Series::E24));
    QVERIFY(!seriesFromName("E25"));
}

void TestValue::membership_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("series");
    QTest::newRow("4k7, 470 is in E192") << "4k7" << "E3 E6 E12 E24 E192";
    QTest::newRow("1k, every series") << "1k" << "E3 E6 E12 E24 E48 E96 E192";
    QTest::newRow("0,22") << "0,22" << "E3 E6 E12 E24";
    QTest::newRow("4,5k") << "4,5k" << "";
    QTest::newRow("47 is three-digit 470 in E192") << "47" << "E3 E6 E12 E24 E192";
    QTest::newRow("10,2k") << "10,2k" << "E96 E192";
    QTest::newRow("1,05M") << "1,05M" << "E48 E96 E192";
    QTest::newRow("4,753 has four digits") << "4,753" << "";
    QTest::newRow("zero") << "0" << "";
}

void TestValue::membership()
{
    QFETCH(QString, text);
    QFETCH(QString, series);
    QStringList got;
    for (Series s : seriesOf(value(text.toUtf8().constData())))
        got << QString::fromLatin1(seriesName(s).data(), static_cast<int>(seriesName(s).size()));
    QCOMPARE(got.join(' '), series);
}

void TestValue::nearestValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("series");
    QTest::addColumn<QString>("below");
    QTest::addColumn<QString>("above");
    QTest::newRow("4,5k E24") << "4,5k" << int(Series::E24) << "4300" << "4700";
    QTest::newRow("member") << "4k7" << int(Series::E24) << "4700" << "4700";
    QTest::newRow("above the last, next decade") << "95" << int(Series::E24) << "91" << "100";
    QTest::newRow("E3 across the decade") << "5k" << int(Series::E3) << "4700" << "10000";
    QTest::newRow("just under a decade") << "9,99" << int(Series::E192) << "9.88" << "10";
    QTest::newRow("four digits") << "4,753k" << int(Series::E96) << "4750" << "4870";
    QTest::newRow("small value") << "0,0123" << int(Series::E12) << "0.012" << "0.015";
    QTest::newRow("E192 9,20") << "9,195" << int(Series::E192) << "9.09" << "9.2";
}

void TestValue::nearestValues()
{
    QFETCH(QString, text);
    QFETCH(int, series);
    QFETCH(QString, below);
    QFETCH(QString, above);
    const Decimal v = value(text.toUtf8().constData());
    const auto n = nearest(v, static_cast<Series>(series));
    QVERIFY(n);
    QCOMPARE(plain(n->below), below);
    QCOMPARE(plain(n->above), above);
    QCOMPARE(n->member, below == above);
    QVERIFY(!nearest(Decimal{}, Series::E24));
}

void TestValue::exactPercentages_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("series");
    QTest::addColumn<QString>("below");   // percent under the value
    QTest::addColumn<QString>("above");
    // Exact ties round away from zero, at every decade.
    QTest::newRow("1,28 E3") << "1,28" << int(Series::E3) << "21,88" << "71,88";
    QTest::newRow("12,8 E3") << "12,8" << int(Series::E3) << "21,88" << "71,88";
    QTest::newRow("0,128 E3") << "0,128" << int(Series::E3) << "21,88" << "71,88";
    QTest::newRow("640 E24") << "640" << int(Series::E24) << "3,13" << "6,25";
    QTest::newRow("3,2 E24") << "3,2" << int(Series::E24) << "6,25" << "3,13";
    QTest::newRow("5,12k E24") << "5,12k" << int(Series::E24) << "0,39" << "9,38";
    QTest::newRow("4,5k E24") << "4,5k" << int(Series::E24) << "4,44" << "4,44";
    QTest::newRow("beside a member") << "4,70001k" << int(Series::E24) << "0,00" << "8,51";
    QTest::newRow("18 digits") << "4,69999999999999999" << int(Series::E24) << "8,51" << "0,00";
    QTest::newRow("E3 across the decade") << "4,8" << int(Series::E3) << "2,08" << "108,33";
}

void TestValue::exactPercentages()
{
    QFETCH(QString, text);
    QFETCH(int, series);
    QFETCH(QString, below);
    QFETCH(QString, above);
    const auto n = nearest(value(text.toUtf8().constData()), static_cast<Series>(series));
    QVERIFY(n);
    QCOMPARE(QString::fromStdString(fixedText(n->belowPercent, 2, ",")), below);
    QCOMPARE(QString::fromStdString(fixedText(n->abovePercent, 2, ",")), above);
}

// Every three-digit value against every series, at four decades: the same
// deviations, and those of a rounding in integers written here.
void TestValue::percentagesKeepToTheDecade()
{
    const auto whole = [](const Decimal &d) {
        long long n = static_cast<long long>(d.digits);
        for (int i = 0; i < d.exponent; ++i)
            n *= 10;
        return n;
    };
    // |t - v| / v * 100 in hundredths, half away from zero.
    const auto hundredths = [](long long t, long long v) {
        const long long scaled = std::llabs(t - v) * 10000;
        return scaled / v + (2 * (scaled % v) >= v ? 1 : 0);
    };
    int checked = 0;
    for (Series s : kAllSeries)
        for (long long v = 100; v < 1000; ++v) {
            const auto n = nearest(Decimal::of(static_cast<std::uint64_t>(v)), s);
            QVERIFY(n);
            QCOMPARE(n->belowPercent, Decimal::of(static_cast<std::uint64_t>(hundredths(whole(n->below), v)), -2));
            QCOMPARE(n->abovePercent, Decimal::of(static_cast<std::uint64_t>(hundredths(whole(n->above), v)), -2));
            for (int decade : {-4, -1, 1, 5}) {
                const auto shifted = nearest(Decimal::of(static_cast<std::uint64_t>(v), decade), s);
                QCOMPARE(shifted->belowPercent, n->belowPercent);
                QCOMPARE(shifted->abovePercent, n->abovePercent);
            }
            ++checked;
        }
    QCOMPARE(checked, 7 * 900);
}

void TestValue::textsOutsideTheRange_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("ring values as the report") << "0,01" << "0,01 Ohm";
    QTest::newRow("999M") << "999M" << "999 MOhm";
    QTest::newRow("1G") << "1G" << "1 GOhm";
    QTest::newRow("99000 MOhm") << "99G" << "99 GOhm";
    QTest::newRow("999,5G") << "999,5G" << "999,5 GOhm";
    QTest::newRow("1000G") << "1000G" << "über 999 GOhm";
    QTest::newRow("4,7E15 MOhm") << "4700000000000000000000" << "über 999 GOhm";
    QTest::newRow("below 0,01") << "0,005" << "5 mOhm";
    QTest::newRow("0,0095") << "0,0095" << "9,5 mOhm";
    QTest::newRow("micro") << "0,0000047" << "4,7 µOhm";
    QTest::newRow("nano") << "0,000000001" << "1 nOhm";
    QTest::newRow("1E-19") << "0,0000000000000000001" << "unter 1 nOhm";
    QTest::newRow("zero") << "0" << "0 Ohm";
}

// Values no ring shows are written with the prefix that fits, never with an
// exponent, in the text and in the refusals.
void TestValue::textsOutsideTheRange()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    const Decimal v = value(text.toUtf8().constData());
    QCOMPARE(QString::fromStdString(ohmText(v, ",")), shown);
    for (int rings : {4, 5}) {
        EncodeRequest r;
        r.ohm = v;
        r.rings = rings;
        const EncodeResult e = encode(r);
        const QString reason = QString::fromStdString(e.reason);
        QVERIFY2(!reason.contains(QRegularExpression("\\dE-?\\d")), qPrintable(reason));
        if (farOutside(v))
            QVERIFY2(reason.startsWith("Der Wert liegt weit außerhalb des Bereichs, " + shown), qPrintable(reason));
        else if (!e.code && e.refusal != Refusal::Zero)
            QVERIFY2(reason.startsWith(shown + " ist"), qPrintable(reason));
    }
}

void TestValue::fixedPlaces_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("fixed");
    const char *rows[][2] = {{"4,4", "4,40"},     {"4", "4,00"},         {"0", "0,00"},     {"71,875", "71,88"},
                             {"71,87499", "71,87"}, {"9,995", "10,00"},  {"0,005", "0,01"}, {"0,0049", "0,00"},
                             {"0,0005", "0,00"},  {"1234,5", "1234,50"}};
    for (const auto &r : rows)
        QTest::newRow(r[0]) << r[0] << r[1];
}

void TestValue::fixedPlaces()
{
    QFETCH(QString, text);
    QFETCH(QString, fixed);
    QCOMPARE(QString::fromStdString(fixedText(value(text.toUtf8().constData()), 2, ",")), fixed);
}

void TestValue::encodeValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("rings");
    QTest::addColumn<QString>("tolerance");
    QTest::addColumn<int>("tempco");
    QTest::addColumn<QString>("code");

    QTest::newRow("4k7") << "4k7" << 0 << "" << 0 << "Gelb Violett Rot Gold";
    QTest::newRow("three digits make five rings") << "4,75k" << 0 << "" << 0 << "Gelb Violett Grün Braun Braun";
    QTest::newRow("0,47") << "0,47" << 0 << "" << 0 << "Gelb Violett Silber Gold";
    QTest::newRow("leading black for 0,05") << "0,05" << 0 << "" << 0 << "Schwarz Grün Silber Gold";
    QTest::newRow("five rings 0,47") << "0,47" << 5 << "" << 0 << "Schwarz Gelb Violett Silber Braun";
    QTest::newRow("five rings 0,05") << "0,05" << 5 << "" << 0 << "Schwarz Schwarz Grün Silber Braun";
    QTest::newRow("99M") << "99M" << 4 << "2" << 0 << "Weiß Weiß Blau Rot";
    QTest::newRow("no fourth ring") << "470" << 4 << "20" << 0 << "Gelb Violett Braun";
    QTest::newRow("0,5 % needs five") << "470" << 0 << "0,5" << 0 << "Gelb Violett Schwarz Schwarz Grün";
    QTest::newRow("tempco makes six") << "10k" << 0 << "" << 50 << "Braun Schwarz Schwarz Rot Braun Rot";
    QTest::newRow("six rings default Braun") << "1k" << 6 << "0,1" << 0 << "Braun Schwarz Schwarz Braun Violett Braun";
    QTest::newRow("999M") << "999M" << 0 << "" << 0 << "Weiß Weiß Weiß Blau Braun";
    QTest::newRow("0,01") << "0,01" << 0 << "" << 0 << "Schwarz Braun Silber Gold";
}

void TestValue::encodeValues()
{
    QFETCH(QString, text);
    QFETCH(int, rings);
    QFETCH(QString, tolerance);
    QFETCH(int, tempco);
    QFETCH(QString, code);
    EncodeRequest r;
    r.ohm = value(text.toUtf8().constData());
    r.rings = rings;
    if (!tolerance.isEmpty())
        r.tolerancePercent = parsePercent(tolerance.toStdString());
    if (tempco)
        r.tempcoPpm = tempco;
    const EncodeResult e = encode(r);
    QVERIFY2(e.code, e.reason.c_str());
    QCOMPARE(names(*e.code).join(' '), code);
    QCOMPARE(facts(*e.code).ohm, r.ohm);
}

void TestValue::encodeRefusals_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("rings");
    QTest::addColumn<QString>("tolerance");
    QTest::addColumn<int>("tempco");
    QTest::addColumn<int>("refusal");
    QTest::addColumn<QString>("below");
    QTest::addColumn<QString>("above");

    QTest::newRow("zero") << "0" << 0 << "" << 0 << int(Refusal::Zero) << "-" << "0.01";
    QTest::newRow("below 0,01") << "0,005" << 0 << "" << 0 << int(Refusal::TooSmall) << "-" << "0.01";
    QTest::newRow("four digits") << "4,753k" << 0 << "" << 0 << int(Refusal::TooManyDigits) << "4750" << "4760";
    QTest::newRow("three digits, four rings") << "4,75k" << 4 << "" << 0 << int(Refusal::TooManyDigits) << "4700" << "4800";
    QTest::newRow("carry into the next decade") << "9,95" << 4 << "" << 0 << int(Refusal::TooManyDigits) << "9.9" << "10";
    QTest::newRow("finer than 0,01") << "0,015" << 0 << "" << 0 << int(Refusal::TooManyDigits) << "0.01" << "0.02";
    QTest::newRow("above 99M") << "100M" << 4 << "" << 0 << int(Refusal::TooLarge) << "99000000" << "-";
    QTest::newRow("above 999M") << "1G" << 0 << "" << 0 << int(Refusal::TooLarge) << "999000000" << "-";
    QTest::newRow("99,5M four rings") << "99,5M" << 4 << "" << 0 << int(Refusal::TooManyDigits) << "99000000" << "-";
    QTest::newRow("0,5 % with four") << "1k" << 4 << "0,5" << 0 << int(Refusal::BadRequest) << "-" << "-";
    QTest::newRow("20 % with five") << "1k" << 5 << "20" << 0 << int(Refusal::BadRequest) << "-" << "-";
    QTest::newRow("3 %") << "1k" << 0 << "3" << 0 << int(Refusal::BadRequest) << "-" << "-";
    QTest::newRow("tempco with four") << "1k" << 4 << "" << 50 << int(Refusal::BadRequest) << "-" << "-";
    QTest::newRow("unknown tempco") << "1k" << 0 << "" << 20 << int(Refusal::BadRequest) << "-" << "-";
    QTest::newRow("seven rings") << "1k" << 7 << "" << 0 << int(Refusal::BadRequest) << "-" << "-";
}

void TestValue::encodeRefusals()
{
    QFETCH(QString, text);
    QFETCH(int, rings);
    QFETCH(QString, tolerance);
    QFETCH(int, tempco);
    QFETCH(int, refusal);
    QFETCH(QString, below);
    QFETCH(QString, above);
    EncodeRequest r;
    r.ohm = value(text.toUtf8().constData());
    r.rings = rings;
    if (!tolerance.isEmpty())
        r.tolerancePercent = parsePercent(tolerance.toStdString());
    if (tempco)
        r.tempcoPpm = tempco;
    const EncodeResult e = encode(r);
    QVERIFY(!e.code);
    QCOMPARE(int(e.refusal), refusal);
    QVERIFY(!e.reason.empty());
    QCOMPARE(plain(e.nearestBelow), below);
    QCOMPARE(plain(e.nearestAbove), above);
}

void TestValue::roundTrip()
{
    // Every standard code: decoded, encoded again, the same rings; and the
    // exact value prints as the report prints the decoder's value.
    int codes = 0;
    for (int r1 = 1; r1 < 10; ++r1)
        for (int r2 = 0; r2 < 10; ++r2)
            for (int m = 0; m < 9; ++m)
                for (int t = 0; t < 4; ++t) {
                    RingCode code;
                    code.positions = {r1, r2, m, t, 0, 0};
                    const CodeFacts f = facts(code);
                    QCOMPARE(ohmText(f.ohm, ","), zz::decode::evaluateFourRing(r1, r2, m, ",").valueText);
                    const EncodeResult e = encode({f.ohm, 0, f.tolerancePercent, {}});
                    QVERIFY(e.code);
                    QVERIFY2(*e.code == code, qPrintable(names(code).join(' ')));
                    ++codes;
                }
    for (int r1 = 1; r1 < 10; ++r1)
        for (int r2 = 0; r2 < 10; ++r2)
            for (int r3 = 0; r3 < 10; ++r3)
                for (int m = 0; m < 9; ++m)
                    for (int t = 0; t < 8; ++t) {
                        RingCode code;
                        code.window = Window::FiveRing;
                        code.lastRingPresent = false;
                        code.positions = {r1, r2, r3, m, t, 1};
                        const CodeFacts f = facts(code);
                        if (t == 0)
                            QCOMPARE(ohmText(f.ohm, ","), zz::decode::evaluateFiveRing(r1, r2, r3, m, ",").valueText);
                        const EncodeResult e = encode({f.ohm, 5, f.tolerancePercent, {}});
                        QVERIFY(e.code);
                        QVERIFY2(*e.code == code, qPrintable(names(code).join(' ')));
                        ++codes;
                    }
    QCOMPARE(codes, 9 * 10 * 9 * 4 + 9 * 10 * 10 * 9 * 8);
}

void TestValue::toleranceRange_data()
{
    QTest::addColumn<QStringList>("colours");
    QTest::addColumn<QString>("min");
    QTest::addColumn<QString>("max");
    QTest::addColumn<QString>("percent");
    QTest::newRow("4k7 5 %") << QStringList{"Gelb", "Violett", "Rot", "Gold"} << "4465" << "4935" << "5";
    QTest::newRow("no fourth ring") << QStringList{"Gelb", "Violett", "Braun"} << "376" << "564" << "20";
    QTest::newRow("0,01 at 0,05 %") << QStringList{"Schwarz", "Schwarz", "Braun", "Silber", "Grau"}
                                    << "0.009995" << "0.010005" << "0.05";
    QTest::newRow("999M at 10 %") << QStringList{"Weiß", "Weiß", "Weiß", "Blau", "Silber", "Rot"}
                                  << "899100000" << "1098900000" << "10";
}

void TestValue::toleranceRange()
{
    QFETCH(QStringList, colours);
    QFETCH(QString, min);
    QFETCH(QString, max);
    QFETCH(QString, percent);
    std::vector<std::string> owned;
    for (const QString &c : colours)
        owned.push_back(c.toStdString());
    const std::vector<std::string_view> views(owned.begin(), owned.end());
    const ParsedCode parsed = codeFromColours(views);
    QVERIFY2(parsed.code, parsed.error.c_str());
    const CodeFacts f = facts(*parsed.code);
    QCOMPARE(plain(f.minOhm), min);
    QCOMPARE(plain(f.maxOhm), max);
    QCOMPARE(plain(f.tolerancePercent), percent);
}

void TestValue::eia96()
{
    const struct {
        char letter;
        int exponent;
    } letters[] = {{'Z', -3}, {'Y', -2}, {'R', -2}, {'X', -1}, {'S', -1}, {'A', 0},
                   {'B', 1},  {'H', 1},  {'C', 2},  {'D', 3},  {'E', 4},  {'F', 5}};
    for (int code = 1; code <= 96; ++code) {
        for (const auto &l : letters) {
            char marking[4];
            std::snprintf(marking, sizeof marking, "%02d%c", code, l.letter);
            const ParsedSmd p = parseSmd(marking);
            QVERIFY2(p.smd, marking);
            QCOMPARE(p.smd->kind, SmdKind::Eia96);
            QCOMPARE(p.smd->ohm, Decimal::of(static_cast<std::uint64_t>(kE96[code - 1]), l.exponent));
            QCOMPARE(plain(p.smd->tolerancePercent), QString("1"));
        }
    }
    QCOMPARE(plain(parseSmd("01c").smd->ohm), QString("10000"));
}

void TestValue::smdMarkings_data()
{
    QTest::addColumn<QString>("marking");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("ohm");
    const char *rows[][3] = {
        {"472", "3-digit", "4700"},  {"000", "3-digit", "0"},       {"100", "3-digit", "10"},
        {"109", "3-digit", "10000000000"}, {"4702", "4-digit", "47000"}, {"1000", "4-digit", "100"},
        {"0000", "4-digit", "0"},    {"4R7", "R", "4.7"},           {"R47", "R", "0.47"},
        {"0R", "R", "0"},            {"r010", "R", "0.01"},         {"10R0", "R", "10"},
        {"00R", "R", "0"},           {"47R", "EIA-96", "3.01"},     {" 01A ", "EIA-96", "100"},
        {"96F", "EIA-96", "97600000"},
    };
    for (const auto &r : rows)
        QTest::newRow(r[0]) << r[0] << r[1] << r[2];
    for (const char *bad : {"", "47", "12345", "97A", "00A", "01Q", "4R7R", "R", "abc", "4k7", "1 2", "-12", "01C1"})
        QTest::newRow(bad) << bad << "" << "";
}

void TestValue::smdMarkings()
{
    QFETCH(QString, marking);
    QFETCH(QString, kind);
    QFETCH(QString, ohm);
    const ParsedSmd p = parseSmd(marking.toStdString());
    if (kind.isEmpty()) {
        QVERIFY(!p.smd);
        QVERIFY2(p.error.find("EIA-96") != std::string::npos, p.error.c_str());
        return;
    }
    QVERIFY2(p.smd, p.error.c_str());
    QCOMPARE(QString::fromLatin1(smdKindName(p.smd->kind).data()), kind);
    QCOMPARE(plain(p.smd->ohm), ohm);
}

void TestValue::shownTextEscapes_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("shown");
    QTest::newRow("plain") << QByteArray("Lila") << QByteArray("Lila");
    QTest::newRow("umlaut kept") << QByteArray("Grün") << QByteArray("Grün");
    QTest::newRow("terminal escape") << QByteArray("\x1b[2Jrot") << QByteArray("\\x1B[2Jrot");
    QTest::newRow("NUL and DEL") << QByteArray("a\0b\x7f", 4) << QByteArray("a\\x00b\\x7F");
    QTest::newRow("C1 control") << QByteArray("a\xc2\x9b") << QByteArray("a\\xC2\\x9B");
    QTest::newRow("not UTF-8") << QByteArray("\xff\xc3") << QByteArray("\\xFF\\xC3");
    QTest::newRow("right-to-left override") << QByteArray("rot\xe2\x80\xae") << QByteArray("rot\\xE2\\x80\\xAE");
    QTest::newRow("line and paragraph separator")
        << QByteArray("a\xe2\x80\xa8" "b\xe2\x80\xa9") << QByteArray("a\\xE2\\x80\\xA8b\\xE2\\x80\\xA9");
    QTest::newRow("isolates and marks")
        << QByteArray("\xe2\x81\xa6\xe2\x81\xa9\xe2\x80\x8f\xd8\x9c")
        << QByteArray("\\xE2\\x81\\xA6\\xE2\\x81\\xA9\\xE2\\x80\\x8F\\xD8\\x9C");
    QTest::newRow("letters beside them stay") << QByteArray("Wei\xc3\x9f \xe2\x80\x93") << QByteArray("Wei\xc3\x9f \xe2\x80\x93");
    QTest::newRow("long word") << QByteArray(5000, 'x') << QByteArray(40, 'x') + "…";
}

void TestValue::shownTextEscapes()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, shown);
    QCOMPARE(QByteArray::fromStdString(shownText(std::string_view(input.constData(), input.size()))), shown);
}

QTEST_GUILESS_MAIN(TestValue)
#include "tst_value.moc"
