#include "value/Decimal.h"

#include "decode/Decode.h"
#include "value/Blanks.h"

#include <algorithm>
#include <array>

namespace zz::value {

namespace {

constexpr std::array<std::uint64_t, 20> kPow10 = [] {
    std::array<std::uint64_t, 20> p{};
    p[0] = 1;
    for (std::size_t i = 1; i < p.size(); ++i)
        p[i] = p[i - 1] * 10;
    return p;
}();

constexpr int kMaxDigits = 18;

// digits * 10^shift, or none on overflow.
std::optional<std::uint64_t> scaled(std::uint64_t digits, int shift)
{
    if (shift < 0 || shift >= static_cast<int>(kPow10.size()))
        return digits == 0 ? std::optional<std::uint64_t>(0) : std::nullopt;
    std::uint64_t out = 0;
    if (__builtin_mul_overflow(digits, kPow10[static_cast<std::size_t>(shift)], &out))
        return std::nullopt;
    return out;
}

int digitCount(std::uint64_t n)
{
    int count = 1;
    while (n >= 10) {
        n /= 10;
        ++count;
    }
    return count;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Power of ten of a unit prefix or of the letter used as decimal mark.
std::optional<int> prefixExponent(char c)
{
    switch (c) {
    case 'm': return -3;
    case 'R': return 0;
    case 'k': case 'K': return 3;
    case 'M': return 6;
    case 'G': return 9;
    default: return std::nullopt;
    }
}

constexpr std::string_view kAccepted =
    "erlaubt sind Zahlen wie 470, 0,47 oder 4.7, mit Vorsatz m, k, M oder G "
    "(4,7k, 4.7 k, 2,2 MOhm), der Buchstabe als Komma (4k7, 1M5, 4R7, R47, 47R) "
    "und am Ende Ohm oder Ω";

ParsedValue refused(std::string_view why)
{
    ParsedValue out;
    out.error = std::string(why) + "; " + std::string(kAccepted);
    return out;
}

// Significant digits and the exponent of the last one; leading and trailing
// zeros do not count against the digit limit.
ParsedValue fromDigits(std::string_view whole, std::string_view fraction, int power)
{
    std::string all;
    all.reserve(whole.size() + fraction.size());
    all.append(whole).append(fraction);
    int exponent = power - static_cast<int>(fraction.size());
    const auto first = all.find_first_not_of('0');
    if (first == std::string::npos)
        return {Decimal{}, {}};
    const auto last = all.find_last_not_of('0');
    exponent += static_cast<int>(all.size() - 1 - last);
    const std::string_view significant = std::string_view(all).substr(first, last - first + 1);
    if (significant.size() > static_cast<std::size_t>(kMaxDigits))
        return refused("zu viele Ziffern (höchstens 18 geltende)");
    std::uint64_t digits = 0;
    for (char c : significant)
        digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
    return {Decimal{digits, exponent}, {}};
}

std::string_view withoutUnit(std::string_view s)
{
    for (std::string_view unit : {std::string_view("Ohm"), std::string_view("ohm"),
                                  std::string_view("\u03A9"), std::string_view("\u2126")}) {
        if (s.size() > unit.size() && s.ends_with(unit))
            return trimmedBlanks(s.substr(0, s.size() - unit.size()));
    }
    return s;
}

// "4.700" read both ways, and how to write each so that it is not.
ParsedValue ambiguous(std::string_view typed, std::string_view whole, std::string_view fraction,
                      std::string_view sep)
{
    const Decimal asDecimal = *fromDigits(whole, fraction, 0).value;
    const Decimal grouped = *fromDigits(whole, fraction, 3).value;
    const std::string decimalDigits = numberText(asDecimal, sep);
    ParsedValue out;
    out.ambiguous = true;
    out.error = std::string(typed) + " ist mehrdeutig: " + ohmText(asDecimal, sep) + " oder " + ohmText(grouped, sep) +
                "? Schreiben Sie " + decimalDigits + " für " + ohmText(asDecimal, sep) + " und " + plainText(grouped) +
                " oder " + decimalDigits + "k für " + ohmText(grouped, sep) + ".";
    return out;
}

} // namespace

Decimal Decimal::of(std::uint64_t digits, int exponent)
{
    if (digits == 0)
        return {};
    while (digits % 10 == 0) {
        digits /= 10;
        ++exponent;
    }
    return {digits, exponent};
}

int Decimal::significantDigits() const
{
    return digits == 0 ? 0 : digitCount(digits);
}

int Decimal::leadingExponent() const
{
    return digits == 0 ? 0 : exponent + digitCount(digits) - 1;
}

double Decimal::toDouble() const
{
    double v = static_cast<double>(digits);
    for (int i = 0; i < exponent; ++i)
        v *= 10;
    for (int i = 0; i > exponent; --i)
        v /= 10;
    return v;
}

std::strong_ordering operator<=>(const Decimal &a, const Decimal &b)
{
    if (a.isZero() || b.isZero())
        return a.digits <=> b.digits;
    if (const auto c = a.leadingExponent() <=> b.leadingExponent(); c != 0)
        return c;
    // Same leading power: pad the shorter digit string to the longer one.
    const int na = a.significantDigits();
    const int nb = b.significantDigits();
    const std::uint64_t pa = a.digits * kPow10[static_cast<std::size_t>(std::max(0, nb - na))];
    const std::uint64_t pb = b.digits * kPow10[static_cast<std::size_t>(std::max(0, na - nb))];
    return pa <=> pb;
}

std::optional<Decimal> add(const Decimal &a, const Decimal &b)
{
    if (a.isZero())
        return b;
    if (b.isZero())
        return a;
    const int e = std::min(a.exponent, b.exponent);
    const auto x = scaled(a.digits, a.exponent - e);
    const auto y = scaled(b.digits, b.exponent - e);
    std::uint64_t sum = 0;
    if (!x || !y || __builtin_add_overflow(*x, *y, &sum))
        return std::nullopt;
    return Decimal::of(sum, e);
}

std::optional<Decimal> subtract(const Decimal &a, const Decimal &b)
{
    if (b.isZero())
        return a;
    if (a < b)
        return std::nullopt;
    const int e = std::min(a.exponent, b.exponent);
    const auto x = scaled(a.digits, a.exponent - e);
    const auto y = scaled(b.digits, b.exponent - e);
    if (!x || !y)
        return std::nullopt;
    return Decimal::of(*x - *y, e);
}

std::optional<Decimal> multiply(const Decimal &a, const Decimal &b)
{
    std::uint64_t product = 0;
    if (__builtin_mul_overflow(a.digits, b.digits, &product))
        return std::nullopt;
    return Decimal::of(product, a.exponent + b.exponent);
}

namespace {

// Ohm from 0,01 on, as the report writes ring values ("0,47 Ohm").
constexpr int kOhmFromLead = -2;
// From 1000 of the largest unit on, and below 1 of the smallest, no unit fits.
constexpr int kAboveLargestUnit = decode::kOhmUnits.front().exponent + 3;
constexpr int kSmallestUnit = decode::kOhmUnits.back().exponent;

void appendDecimal(std::string &out, const Decimal &d, std::string_view sep, bool exponentForm)
{
    decode::appendDigits(out, std::to_string(d.digits), d.leadingExponent(), sep, exponentForm);
}

} // namespace

std::string plainText(const Decimal &d)
{
    std::string out;
    appendDecimal(out, d, ".", false);
    return out;
}

std::string numberText(const Decimal &d, std::string_view sep)
{
    std::string out;
    appendDecimal(out, d, sep, true);
    return out;
}

std::string fixedText(const Decimal &d, int decimals, std::string_view sep)
{
    std::uint64_t n = d.digits;
    if (d.exponent < -decimals) {
        // Drop the digits beyond the last place; the first of them decides.
        int drop = -decimals - d.exponent;
        std::uint64_t last = 0;
        for (; drop > 0 && n > 0; --drop) {
            last = n % 10;
            n /= 10;
        }
        if (drop == 0 && last >= 5)
            ++n;
    }
    std::string out;
    const int exponent = std::max(d.exponent, -decimals);
    appendDecimal(out, Decimal{n, n == 0 ? 0 : exponent}, sep, false);
    const auto mark = out.find(sep);
    const std::size_t have = mark == std::string::npos ? 0 : out.size() - mark - sep.size();
    if (decimals > 0 && mark == std::string::npos)
        out += sep;
    out.append(static_cast<std::size_t>(decimals) - have, '0');
    return out;
}

bool farOutside(const Decimal &d)
{
    return !d.isZero() && (d.leadingExponent() >= kAboveLargestUnit || d.leadingExponent() < kSmallestUnit);
}

std::string ohmText(const Decimal &d, std::string_view sep)
{
    if (d.isZero())
        return "0 Ohm";
    const int lead = d.leadingExponent();
    if (lead >= kAboveLargestUnit)
        return "über 999 GOhm";
    if (lead < kSmallestUnit)
        return "unter 1 nOhm";
    const decode::OhmUnit &unit = decode::ohmUnit(decode::kOhmUnits.front().exponent, kSmallestUnit, [lead](int e) {
        return lead >= (e == 0 ? kOhmFromLead : e);
    });
    return numberText(Decimal{d.digits, d.exponent - unit.exponent}, sep) + std::string(unit.text);
}

ParsedValue parseValue(std::string_view text, std::string_view decimalSeparator)
{
    std::string_view s = trimmedBlanks(text);
    if (s.empty())
        return refused("leere Eingabe");
    s = withoutUnit(s);

    std::size_t i = 0;
    auto digitsFrom = [&](std::size_t start) {
        std::size_t end = start;
        while (end < s.size() && isDigit(s[end]))
            ++end;
        i = end;
        return s.substr(start, end - start);
    };

    const std::string_view whole = digitsFrom(0);
    std::string_view fraction;
    int power = 0;
    std::optional<std::size_t> mark;
    if (i < s.size() && (s[i] == ',' || s[i] == '.')) {
        if (whole.empty())
            return refused("keine Ziffer vor dem Komma");
        mark = i;
        fraction = digitsFrom(i + 1);
        if (fraction.empty())
            return refused("keine Ziffer nach dem Komma");
    } else if (i < s.size() && prefixExponent(s[i])) {
        // The letter as decimal mark: 4k7, R47, 47R, 47k.
        power = *prefixExponent(s[i]);
        fraction = digitsFrom(i + 1);
        if (whole.empty() && fraction.empty())
            return refused("keine Ziffer");
        if (i != s.size())
            return refused("unerwartetes Zeichen nach dem Wert");
        return fromDigits(whole, fraction, power);
    }
    if (whole.empty())
        return refused("keine Zahl");
    const std::size_t numberEnd = i;
    // A prefix after the number, with or without blanks: 4,7k, 4.7 k.
    while (const std::size_t n = blankLength(s, i))
        i += n;
    if (i < s.size()) {
        const auto p = prefixExponent(s[i]);
        if (!p || s[i] == 'R' || i + 1 != s.size())
            return refused(mark && (s[i] == ',' || s[i] == '.') ? "mehr als ein Komma"
                                                                : "unerwartetes Zeichen im Wert");
        power = *p;
    } else if (mark && s.substr(*mark, 1) != decimalSeparator && fraction.size() == 3 && whole.size() <= 3 &&
               whole.front() != '0') {
        return ambiguous(s.substr(0, numberEnd), whole, fraction, decimalSeparator);
    }
    return fromDigits(whole, fraction, power);
}

std::optional<Decimal> parsePercent(std::string_view text)
{
    std::string_view s = trimmedBlanks(text);
    if (s.ends_with('%'))
        s = trimmedBlanks(s.substr(0, s.size() - 1));
    std::size_t i = 0;
    while (i < s.size() && isDigit(s[i]))
        ++i;
    const std::string_view whole = s.substr(0, i);
    std::string_view fraction;
    if (i < s.size() && (s[i] == ',' || s[i] == '.')) {
        fraction = s.substr(i + 1);
        if (fraction.empty() || !std::all_of(fraction.begin(), fraction.end(), isDigit))
            return std::nullopt;
    } else if (i != s.size()) {
        return std::nullopt;
    }
    if (whole.empty() || whole.size() + fraction.size() > 9)
        return std::nullopt;
    return fromDigits(whole, fraction, 0).value;
}

} // namespace zz::value
