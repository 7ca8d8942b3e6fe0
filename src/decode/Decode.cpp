#include "decode/Decode.h"

#include <charconv>
#include <cstdlib>
#include <initializer_list>
#include <stdexcept>
#include <system_error>

namespace zz::decode {

namespace {

constexpr std::array<ColourInfo, kColourCount> kColours{{
    {"Schwarz", {0x00, 0x00, 0x00}, 24, 12, 0},
    {"Braun", {0x80, 0x40, 0x00}, 22, 11, 0},
    {"Rot", {0xFF, 0x00, 0x00}, 22, 11, 0},
    {"Orange", {0xFF, 0x80, 0x40}, 22, 11, 0},
    {"Gelb", {0xFF, 0xFF, 0x00}, 22, 11, 0},
    {"Grün", {0x00, 0x7F, 0x00}, 22, 11, 0},
    {"Blau", {0x00, 0x00, 0xFF}, 22, 11, 0},
    {"Violett", {0x7F, 0x00, 0x7F}, 22, 11, 0},
    {"Grau", {0x7F, 0x7F, 0x7F}, 22, 11, 0},
    {"Weiß", {0xFF, 0xFF, 0xFF}, 28, 14, 2},
    {"Gold", {0xBA, 0x9D, 0x3A}, 22, 11, 0},
    {"Silber", {0xBF, 0xBF, 0xBF}, 22, 11, 0},
}};

using C = Colour;
constexpr std::array kBase{C::Schwarz, C::Braun, C::Rot,     C::Orange, C::Gelb,
                           C::Gruen,   C::Blau,  C::Violett, C::Grau,   C::Weiss};

// One row per list position: the colour and what it stands for.
struct MultiplierRow {
    Colour colour;
    int exponent;   // the ring multiplies by 10^exponent
};
struct FourToleranceRow {
    Colour colour;
    int percent;
};
// Percentages in hundredths, so the deviation is one exact product and one
// division instead of carrying the inexact 0.1 or 0.05 through.
struct FiveToleranceRow {
    Colour colour;
    int basisPoints;
};
struct TemperatureRow {
    Colour colour;
    int ppm;
};

constexpr std::array<MultiplierRow, 9> kMultiplierRows{{
    {C::Schwarz, 0}, {C::Braun, 1}, {C::Rot, 2}, {C::Orange, 3}, {C::Gelb, 4},
    {C::Gruen, 5}, {C::Blau, 6}, {C::Gold, -1}, {C::Silber, -2},
}};
// Multiplier positions that break the run of powers of ten.
constexpr int kMultiplierSchwarz = 0;
constexpr int kMultiplierGold = 7;
constexpr int kMultiplierSilber = 8;

constexpr std::array<FourToleranceRow, 4> kFourToleranceRows{{
    {C::Braun, 1}, {C::Rot, 2}, {C::Gold, 5}, {C::Silber, 10},
}};

constexpr std::array<FiveToleranceRow, 8> kFiveToleranceRows{{
    {C::Braun, 100}, {C::Rot, 200}, {C::Gruen, 50}, {C::Blau, 25},
    {C::Violett, 10}, {C::Grau, 5}, {C::Gold, 500}, {C::Silber, 1000},
}};

constexpr std::array<TemperatureRow, 7> kTemperatureRows{{
    {C::Schwarz, 200}, {C::Braun, 100}, {C::Rot, 50}, {C::Orange, 15},
    {C::Gelb, 25}, {C::Blau, 10}, {C::Violett, 5},
}};

// The ring lists hand out their colours as spans, so each table's colour
// column is also kept as an array of its own.
template <typename Row, std::size_t N>
constexpr std::array<Colour, N> coloursOf(const std::array<Row, N> &rows)
{
    std::array<Colour, N> colours{};
    for (std::size_t i = 0; i < N; ++i)
        colours[i] = rows[i].colour;
    return colours;
}
constexpr auto kMultiplier = coloursOf(kMultiplierRows);

// 10^exponent as the nearest double: one division for the negative powers,
// so 0.1 and 0.01 come out as their literals do.
constexpr double powerOfTen(int exponent)
{
    double p = 1;
    for (int i = 0; i < (exponent < 0 ? -exponent : exponent); ++i)
        p *= 10;
    return exponent < 0 ? 1 / p : p;
}
constexpr std::array<double, kMultiplierRows.size()> kFactors = [] {
    std::array<double, kMultiplierRows.size()> factors{};
    for (std::size_t i = 0; i < factors.size(); ++i)
        factors[i] = powerOfTen(kMultiplierRows[i].exponent);
    return factors;
}();
static_assert(kFactors[kMultiplierGold] == 0.1 && kFactors[kMultiplierSilber] == 0.01);
constexpr auto kFourTolerance = coloursOf(kFourToleranceRows);
constexpr auto kFiveTolerance = coloursOf(kFiveToleranceRows);
constexpr auto kTemperature = coloursOf(kTemperatureRows);

template <typename Array>
decltype(auto) at(const Array &array, int position, const char *what)
{
    if (position < 0 || static_cast<std::size_t>(position) >= array.size())
        throw std::out_of_range(what);
    return array[static_cast<std::size_t>(position)];
}

std::string_view nameOf(Colour c) { return kColours[static_cast<std::size_t>(c)].name; }

void appendJoined(std::string &out, std::string_view part)
{
    if (!out.empty())
        out += " - ";
    out += part;
}

// The powers of ten the units need, worked out once.
constexpr int kHighestPower = kOhmUnits.front().exponent;
constexpr std::array<double, kHighestPower + 1> kPowers = [] {
    std::array<double, kHighestPower + 1> powers{};
    for (int e = 0; e <= kHighestPower; ++e)
        powers[static_cast<std::size_t>(e)] = powerOfTen(e);
    return powers;
}();
static_assert(-kOhmUnits.back().exponent <= kHighestPower);

// A value in the unit of 10^exponent ohms: divided by the power for the
// large units, multiplied for the small ones, so 0,1 is never a factor.
double inUnit(double value, int exponent)
{
    return exponent >= 0 ? value / kPowers[static_cast<std::size_t>(exponent)]
                         : value * kPowers[static_cast<std::size_t>(-exponent)];
}

void appendInUnit(std::string &out, double value, const OhmUnit &unit, std::string_view sep)
{
    appendNumberText(out, inUnit(value, unit.exponent), sep);
    out += unit.text;
}

auto reachedBy(double value)
{
    return [value](int exponent) {
        return exponent >= 0 ? value >= kPowers[static_cast<std::size_t>(exponent)]
                             : value >= 1 / kPowers[static_cast<std::size_t>(-exponent)];
    };
}

// Ring values have no unit below ohms and none above MOhm.
constexpr int kLargestValueUnit = 6;
constexpr int kLargestDeviationUnit = 6;
constexpr int kSmallestDeviationUnit = -3;
// Below 0,1 mOhm the deviation goes back to plain ohms ("± 5E-6 Ohm"), as
// the design writes it, instead of a smaller prefix.
constexpr double kSmallestDeviationInUnits = 0.0001;
constexpr int kLargestChangeUnit = 3;
constexpr int kSmallestChangeUnit = -9;
constexpr const OhmUnit &kOhm = ohmUnit(0, 0, [](int) { return true; });

void appendValueText(std::string &out, double value, std::string_view sep)
{
    appendInUnit(out, value, ohmUnit(kLargestValueUnit, 0, reachedBy(value)), sep);
}

// Shared by both windows; they differ only in the blanks before "(=".
void appendDeviation(std::string &out, double d, std::string_view sep, std::string_view gap)
{
    out += "± ";
    appendInUnit(out, d,
                 d >= kSmallestDeviationInUnits ? ohmUnit(kLargestDeviationUnit, kSmallestDeviationUnit, reachedBy(d))
                                                : kOhm,
                 sep);
    out += gap;
}

// The designed tolerance texts write the percentage with a comma, whatever
// the regional separator.
constexpr std::string_view kPercentSeparator = ",";
constexpr double kPercentOfAll = 100;
// A tolerance in hundredths of a percent is this share of the value.
constexpr double kHundredthsOfAll = 10000;
constexpr double kPerMillion = 1000000;
// Number texts are rounded to this many digits and written in full from
// 10^-5 to 10^14.
constexpr int kSignificantDigits = 15;
constexpr int kSmallestPlain = -5;
constexpr int kLargestPlain = 14;
constexpr int kHundredthsDigits = 2;

void appendInteger(std::string &out, int n)
{
    char buf[16];
    const auto end = std::to_chars(buf, buf + sizeof buf, n).ptr;
    out.append(buf, end);
}

// Hundredths of a percent as the percentage: 50 -> "0,5".
void appendHundredths(std::string &out, int hundredths)
{
    char buf[16];
    const auto end = std::to_chars(buf, buf + sizeof buf, hundredths).ptr;
    std::string_view digits(buf, std::size_t(end - buf));
    const int lead = static_cast<int>(digits.size()) - 1 - kHundredthsDigits;
    while (digits.size() > 1 && digits.back() == '0')
        digits.remove_suffix(1);
    appendDigits(out, digits, lead, kPercentSeparator, false);
}

void setHint(CodeResult &result, Hint hint, std::initializer_list<Colour> standard = {})
{
    result.hint = hint;
    for (Colour c : standard)
        appendJoined(result.standardCode, nameOf(c));
}

// Callers have checked the positions.
Colour digitColour(int digit) { return kBase[static_cast<std::size_t>(digit)]; }
Colour multiplierColour(int m) { return kMultiplierRows[static_cast<std::size_t>(m)].colour; }
double multiplierFactor(int m) { return kFactors[static_cast<std::size_t>(m)]; }

// The multiplier one decade lower, for a code written with one leading black
// ring less: Schwarz steps to Gold, Gold to Silber, and below Silber there is none.
std::optional<int> decadeLower(std::optional<int> m)
{
    if (!m || *m == kMultiplierSilber)
        return std::nullopt;
    if (*m == kMultiplierSchwarz)
        return kMultiplierGold;
    if (*m == kMultiplierGold)
        return kMultiplierSilber;
    return *m - 1;
}

} // namespace

const ColourInfo &colourInfo(Colour c)
{
    return at(kColours, static_cast<int>(c), "colour");
}

std::span<const Colour> baseList() { return kBase; }
std::span<const Colour> multiplierList() { return kMultiplier; }
std::span<const Colour> fourRingToleranceList() { return kFourTolerance; }
std::span<const Colour> fiveRingToleranceList() { return kFiveTolerance; }
std::span<const Colour> temperatureList() { return kTemperature; }

std::optional<int> positionIn(std::span<const Colour> list, Colour c)
{
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] == c)
            return static_cast<int>(i);
    }
    return std::nullopt;
}

double multiplier(int position) { return at(kFactors, position, "multiplier position"); }
int multiplierExponent(int position) { return at(kMultiplierRows, position, "multiplier position").exponent; }
int fourRingTolerancePercent(int position) { return at(kFourToleranceRows, position, "tolerance position").percent; }
double fiveRingTolerancePercent(int position)
{
    return fiveRingToleranceHundredths(position) / kPercentOfAll;
}
int fiveRingToleranceHundredths(int position)
{
    return at(kFiveToleranceRows, position, "tolerance position").basisPoints;
}
int temperatureCoefficient(int position) { return at(kTemperatureRows, position, "temperature position").ppm; }

void appendNumberText(std::string &out, double value, std::string_view sep)
{
    if (value == 0) {
        out += '0';
        return;
    }
    // Scientific form with 15 significant digits gives the rounded digits and
    // the decimal exponent in one step; the layout is ours.
    char buf[40];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, kSignificantDigits - 1);
    const char *p = buf;
    if (*p == '-') {
        out += '-';
        ++p;
    }
    char digits[kSignificantDigits + 1];
    int count = 0;
    for (; p != res.ptr && *p != 'e'; ++p)
        if (*p != '.')
            digits[count++] = *p;
    int exponent = 0;
    std::from_chars(p + 1 + (p[1] == '+'), res.ptr, exponent);
    while (count > 1 && digits[count - 1] == '0')
        --count;
    appendDigits(out, std::string_view(digits, static_cast<std::size_t>(count)), exponent, sep, true);
}

void appendDigits(std::string &out, std::string_view significant, int lead, std::string_view sep, bool exponentForm)
{
    if (exponentForm && (lead < kSmallestPlain || lead > kLargestPlain)) {
        out += significant[0];
        if (significant.size() > 1) {
            out += sep;
            out += significant.substr(1);
        }
        out += 'E';
        appendInteger(out, lead);
    } else if (lead < 0) {
        out += '0';
        out += sep;
        out.append(static_cast<std::size_t>(-lead - 1), '0');
        out += significant;
    } else {
        const auto whole = static_cast<std::size_t>(lead) + 1;
        if (significant.size() <= whole) {
            out += significant;
            out.append(whole - significant.size(), '0');
        } else {
            out += significant.substr(0, whole);
            out += sep;
            out += significant.substr(whole);
        }
    }
}

std::string numberText(double value, std::string_view decimalSeparator)
{
    std::string out;
    appendNumberText(out, value, decimalSeparator);
    return out;
}

CodeResult evaluateFourRing(int r1, int r2, int r3, std::string_view sep)
{
    CodeResult result;
    result.code.reserve(40);
    appendJoined(result.code, nameOf(at(kBase, r1, "ring 1 position")));
    appendJoined(result.code, nameOf(at(kBase, r2, "ring 2 position")));
    appendJoined(result.code, nameOf(at(kMultiplier, r3, "ring 3 position")));

    if (r1 == 0 && r2 >= 1) {
        if (const auto lower = decadeLower(r3))
            setHint(result, Hint::Unusual, {digitColour(r2), C::Schwarz, multiplierColour(*lower)});
    } else if (r1 == 0 && r2 == 0) {
        setHint(result, Hint::NonExistent);
    }

    result.value = (10 * r1 + r2) * multiplierFactor(r3);
    appendValueText(result.valueText, result.value, sep);
    return result;
}

std::string fourRingTolerance(double value, bool ring4Present, int r4, std::string_view sep)
{
    const int percent = ring4Present ? at(kFourToleranceRows, r4, "ring 4 position").percent : kNoFourthRingPercent;
    std::string out;
    out.reserve(32);
    appendDeviation(out, value * percent / kPercentOfAll, sep, "  (= ");
    appendInteger(out, percent);
    out += "%)";
    return out;
}

CodeResult evaluateFiveRing(int r1, int r2, int r3, int m, std::string_view sep)
{
    CodeResult result;
    result.code.reserve(48);
    appendJoined(result.code, nameOf(at(kBase, r1, "ring 1 position")));
    appendJoined(result.code, nameOf(at(kBase, r2, "ring 2 position")));
    appendJoined(result.code, nameOf(at(kBase, r3, "ring 3 position")));
    appendJoined(result.code, nameOf(at(kMultiplier, m, "ring 4 position")));

    if (r1 == 0 && r2 >= 1) {
        if (const auto lower = decadeLower(m))
            setHint(result, Hint::Unusual, {digitColour(r2), digitColour(r3), C::Schwarz, multiplierColour(*lower)});
    } else if (r1 == 0 && r2 == 0 && r3 >= 1) {
        if (const auto lower = decadeLower(decadeLower(m)))
            setHint(result, Hint::Unusual, {digitColour(r3), C::Schwarz, C::Schwarz, multiplierColour(*lower)});
    } else if (r1 == 0 && r2 == 0 && r3 == 0) {
        setHint(result, Hint::NonExistent);
    }

    result.value = (100 * r1 + 10 * r2 + r3) * multiplierFactor(m);
    appendValueText(result.valueText, result.value, sep);
    return result;
}

std::string fiveRingTolerance(double value, int r5, std::string_view sep)
{
    const FiveToleranceRow &row = at(kFiveToleranceRows, r5, "ring 5 position");
    std::string out;
    out.reserve(32);
    appendDeviation(out, value * row.basisPoints / kHundredthsOfAll, sep, " (= ");
    appendHundredths(out, row.basisPoints);
    out += "%)";
    return out;
}

std::string temperatureLine(double value, int r6, std::string_view sep)
{
    const TemperatureRow &row = at(kTemperatureRows, r6, "ring 6 position");
    const double c = value * row.ppm / kPerMillion;
    std::string out;
    out.reserve(32);
    out += "± ";
    appendInUnit(out, c, ohmUnit(kLargestChangeUnit, kSmallestChangeUnit, reachedBy(c)), sep);
    out += " (= ";
    appendInteger(out, row.ppm);
    out += " ppm/K)";
    return out;
}

namespace {

// Lower-cases ASCII and the capital umlaut, then spells "ü" and "ß" the ASCII
// way, so "GRÜN", "grün" and "Gruen" all come out as "gruen".
std::string foldName(std::string_view name)
{
    std::string out;
    out.reserve(name.size() + 2);
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto ch = static_cast<unsigned char>(name[i]);
        if (ch == 0xC3 && i + 1 < name.size()) {
            const auto next = static_cast<unsigned char>(name[i + 1]);
            if (next == 0xBC || next == 0x9C) { // ü Ü
                out += "ue";
                ++i;
                continue;
            }
            if (next == 0x9F) { // ß
                out += "ss";
                ++i;
                continue;
            }
        }
        if (ch == 0xE1 && name.substr(i, 3) == "\xE1\xBA\x9E") { // capital sharp s
            out += "ss";
            i += 2;
            continue;
        }
        out += (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : static_cast<char>(ch);
    }
    return out;
}

} // namespace

std::optional<Colour> colourFromName(std::string_view name)
{
    const std::string folded = foldName(name);
    for (int i = 0; i < kColourCount; ++i) {
        if (foldName(kColours[static_cast<std::size_t>(i)].name) == folded)
            return static_cast<Colour>(i);
    }
    return std::nullopt;
}

} // namespace zz::decode
