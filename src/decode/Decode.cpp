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
constexpr std::array kMultiplier{C::Schwarz, C::Braun, C::Rot,  C::Orange, C::Gelb,
                                 C::Gruen,   C::Blau,  C::Gold, C::Silber};
constexpr std::array kFourTolerance{C::Braun, C::Rot, C::Gold, C::Silber};
constexpr std::array kFiveTolerance{C::Braun,   C::Rot,  C::Gruen, C::Blau,
                                    C::Violett, C::Grau, C::Gold,  C::Silber};
constexpr std::array kTemperature{C::Schwarz, C::Braun, C::Rot,    C::Orange,
                                  C::Gelb,    C::Blau,  C::Violett};

constexpr std::array<double, 9> kMultipliers{1, 10, 100, 1000, 10000, 100000, 1000000, 0.1, 0.01};
constexpr std::array<int, 4> kFourPercent{1, 2, 5, 10};
constexpr std::array<std::string_view, 4> kFourPercentText{"1", "2", "5", "10"};

// Percentages in hundredths, so the deviation is one exact product and one
// division instead of carrying the inexact 0.1 or 0.05 through.
constexpr std::array<int, 8> kFiveBasisPoints{100, 200, 50, 25, 10, 5, 500, 1000};
constexpr std::array<double, 8> kFivePercent{1, 2, 0.5, 0.25, 0.1, 0.05, 5, 10};
constexpr std::array<std::string_view, 8> kFivePercentText{
    "(= 1%)", "(= 2%)", "(= 0,5%)", "(= 0,25%)", "(= 0,1%)", "(= 0,05%)", "(= 5%)", "(= 10%)"};

constexpr std::array<int, 7> kPpm{200, 100, 50, 15, 25, 10, 5};
constexpr std::array<std::string_view, 7> kPpmText{
    "(= 200 ppm/K)", "(= 100 ppm/K)", "(= 50 ppm/K)", "(= 15 ppm/K)",
    "(= 25 ppm/K)",  "(= 10 ppm/K)",  "(= 5 ppm/K)"};

template <typename Array>
decltype(auto) at(const Array &array, int position, const char *what)
{
    if (position < 0 || static_cast<std::size_t>(position) >= array.size())
        throw std::out_of_range(what);
    return array[static_cast<std::size_t>(position)];
}

std::string_view nameOf(Colour c) { return kColours[static_cast<std::size_t>(c)].name; }

// A value a hair below a range's bottom prints as the bottom itself once it is
// rounded to 15 digits ("1000 mOhm" instead of "1 Ohm"), so ranges are chosen
// on the rounded value.
constexpr double kRoundSlack = 1.0 - 5e-16;
bool atLeast(double value, double bottom) { return value >= bottom * kRoundSlack; }

void appendJoined(std::string &out, std::string_view part)
{
    if (!out.empty())
        out += " - ";
    out += part;
}

void appendValueText(std::string &out, double value, std::string_view sep)
{
    if (atLeast(value, 1000000)) {
        appendNumberText(out, value / 1000000, sep);
        out += " MOhm";
    } else if (atLeast(value, 1000)) {
        appendNumberText(out, value / 1000, sep);
        out += " kOhm";
    } else {
        appendNumberText(out, value, sep);
        out += " Ohm";
    }
}

// Shared by both windows; they differ only in the blanks before "(=".
void appendDeviation(std::string &out, double d, std::string_view sep, std::string_view gap)
{
    out += "± ";
    std::string_view unit;
    if (atLeast(d, 1000000)) {
        appendNumberText(out, d / 1000000, sep);
        unit = " MOhm";
    } else if (atLeast(d, 1000)) {
        appendNumberText(out, d / 1000, sep);
        unit = " kOhm";
    } else if (atLeast(d, 1)) {
        appendNumberText(out, d, sep);
        unit = " Ohm";
    } else if (atLeast(d, 0.0001)) {
        appendNumberText(out, d * 1000, sep);
        unit = " mOhm";
    } else {
        appendNumberText(out, d, sep);
        unit = " Ohm";
    }
    out += unit;
    out += gap;
}

void setHint(CodeResult &result, Hint hint, std::initializer_list<Colour> standard = {})
{
    result.hint = hint;
    for (Colour c : standard)
        appendJoined(result.standardCode, nameOf(c));
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

double multiplier(int position) { return at(kMultipliers, position, "multiplier position"); }
int fourRingTolerancePercent(int position) { return at(kFourPercent, position, "tolerance position"); }
double fiveRingTolerancePercent(int position) { return at(kFivePercent, position, "tolerance position"); }
std::string_view fiveRingPercentText(int position) { return at(kFivePercentText, position, "tolerance position"); }
int temperatureCoefficient(int position) { return at(kPpm, position, "temperature position"); }
std::string_view temperatureText(int position) { return at(kPpmText, position, "temperature position"); }

void appendNumberText(std::string &out, double value, std::string_view sep)
{
    if (value == 0) {
        out += '0';
        return;
    }
    // Scientific form with 15 significant digits gives the rounded digits and
    // the decimal exponent in one step; the layout is ours.
    char buf[40];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    const char *p = buf;
    if (*p == '-') {
        out += '-';
        ++p;
    }
    char digits[16];
    int count = 0;
    for (; p != res.ptr && *p != 'e'; ++p)
        if (*p != '.')
            digits[count++] = *p;
    int exponent = 0;
    std::from_chars(p + 1 + (p[1] == '+'), res.ptr, exponent);
    while (count > 1 && digits[count - 1] == '0')
        --count;
    const std::string_view significant(digits, static_cast<std::size_t>(count));

    if (exponent < -5 || exponent >= 15) {
        out += significant[0];
        if (count > 1) {
            out += sep;
            out += significant.substr(1);
        }
        out += 'E';
        char ebuf[8];
        const auto er = std::to_chars(ebuf, ebuf + sizeof ebuf, exponent);
        out.append(ebuf, er.ptr);
    } else if (exponent < 0) {
        out += '0';
        out += sep;
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += significant;
    } else {
        const auto whole = static_cast<std::size_t>(exponent) + 1;
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
        const Colour second = kBase[static_cast<std::size_t>(r2)];
        if (r3 >= 1 && r3 <= 6)
            setHint(result, Hint::Unusual, {second, C::Schwarz, kMultiplier[static_cast<std::size_t>(r3 - 1)]});
        else if (r3 == 0)
            setHint(result, Hint::Unusual, {second, C::Schwarz, C::Gold});
        else if (r3 == 7)
            setHint(result, Hint::Unusual, {second, C::Schwarz, C::Silber});
    } else if (r1 == 0 && r2 == 0) {
        setHint(result, Hint::NonExistent);
    }

    result.value = (10 * r1 + r2) * kMultipliers[static_cast<std::size_t>(r3)];
    appendValueText(result.valueText, result.value, sep);
    return result;
}

std::string fourRingTolerance(double value, bool ring4Present, int r4, std::string_view sep)
{
    const int percent = ring4Present ? at(kFourPercent, r4, "ring 4 position") : kNoFourthRingPercent;
    std::string out;
    out.reserve(32);
    appendDeviation(out, value * percent / 100, sep, "  (= ");
    out += ring4Present ? kFourPercentText[static_cast<std::size_t>(r4)] : std::string_view("20");
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

    const Colour second = kBase[static_cast<std::size_t>(r2)];
    const Colour third = kBase[static_cast<std::size_t>(r3)];
    if (r1 == 0 && r2 >= 1) {
        if (m >= 1 && m <= 6)
            setHint(result, Hint::Unusual, {second, third, C::Schwarz, kMultiplier[static_cast<std::size_t>(m - 1)]});
        else if (m == 0)
            setHint(result, Hint::Unusual, {second, third, C::Schwarz, C::Gold});
        else if (m == 7)
            setHint(result, Hint::Unusual, {second, third, C::Schwarz, C::Silber});
    } else if (r1 == 0 && r2 == 0 && r3 >= 1) {
        if (m >= 2 && m <= 6)
            setHint(result, Hint::Unusual, {third, C::Schwarz, C::Schwarz, kMultiplier[static_cast<std::size_t>(m - 2)]});
        else if (m == 1)
            setHint(result, Hint::Unusual, {third, C::Schwarz, C::Schwarz, C::Gold});
        else if (m == 0)
            setHint(result, Hint::Unusual, {third, C::Schwarz, C::Schwarz, C::Silber});
    } else if (r1 == 0 && r2 == 0 && r3 == 0) {
        setHint(result, Hint::NonExistent);
    }

    result.value = (100 * r1 + 10 * r2 + r3) * kMultipliers[static_cast<std::size_t>(m)];
    appendValueText(result.valueText, result.value, sep);
    return result;
}

std::string fiveRingTolerance(double value, int r5, std::string_view sep)
{
    const int basisPoints = at(kFiveBasisPoints, r5, "ring 5 position");
    std::string out;
    out.reserve(32);
    appendDeviation(out, value * basisPoints / 10000, sep, " ");
    out += kFivePercentText[static_cast<std::size_t>(r5)];
    return out;
}

std::string temperatureLine(double value, int r6, std::string_view sep)
{
    const double c = value * at(kPpm, r6, "ring 6 position") / 1000000;
    std::string out;
    out.reserve(32);
    out += "± ";
    if (atLeast(c, 1000)) {
        appendNumberText(out, c / 1000, sep);
        out += " kOhm ";
    } else if (atLeast(c, 1)) {
        appendNumberText(out, c, sep);
        out += " Ohm ";
    } else if (atLeast(c, 0.001)) {
        appendNumberText(out, c * 1000, sep);
        out += " mOhm ";
    } else if (atLeast(c, 0.000001)) {
        appendNumberText(out, c * 1000000, sep);
        out += " µOhm ";
    } else {
        appendNumberText(out, c * 1000000000, sep);
        out += " nOhm ";
    }
    out += kPpmText[static_cast<std::size_t>(r6)];
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
