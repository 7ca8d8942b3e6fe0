#pragma once

// Exact decimal values: significant digits and a power of ten. Resistances
// typed by people are decimal, and binary floating point would turn 4,7 into
// 4,69999... somewhere along the way. Standard library only.

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zz::value {

// digits x 10^exponent, kept normalised: no trailing zeros in digits, and
// zero is {0, 0}, so equal values compare equal member by member.
struct Decimal {
    std::uint64_t digits = 0;
    int exponent = 0;

    static Decimal of(std::uint64_t digits, int exponent = 0);
    bool isZero() const { return digits == 0; }
    int significantDigits() const;          // 0 for zero
    // Power of ten of the leading digit: 4700 -> 3, 0,47 -> -1.
    int leadingExponent() const;
    double toDouble() const;                // for display of ratios only

    friend bool operator==(const Decimal &, const Decimal &) = default;
};

std::strong_ordering operator<=>(const Decimal &a, const Decimal &b);

// None when the exact result does not fit 19 digits.
std::optional<Decimal> add(const Decimal &a, const Decimal &b);
std::optional<Decimal> subtract(const Decimal &a, const Decimal &b); // a >= b
std::optional<Decimal> multiply(const Decimal &a, const Decimal &b);

// Plain decimal with "." and no exponent, as JSON takes it: 4700, 0.47.
std::string plainText(const Decimal &d);
// Exactly `decimals` places, rounded half away from zero: 4,40 for 4,4.
std::string fixedText(const Decimal &d, int decimals, std::string_view separator);
// A number in the report's format: no trailing zeros, the given separator,
// exponent form below 0,00001 ("5E-6").
std::string numberText(const Decimal &d, std::string_view separator);
// A resistance as the report writes it: "470 Ohm", "4,7 kOhm", "99 MOhm",
// and on with "4,7 GOhm" up to 999 GOhm. Below 0,01 Ohm, which no ring
// shows, the prefix that fits: "5 mOhm", "47 µOhm", "1 nOhm". Never an
// exponent: a value far outside (see farOutside) is "über 999 GOhm" or
// "unter 1 nOhm".
std::string ohmText(const Decimal &d, std::string_view separator);
// From 1000 GOhm on, or above zero and below 1 nOhm: no prefix fits.
bool farOutside(const Decimal &d);

// Value text typed by a person: "470", "0,47", "4.7k", "4,7 kOhm", "2,2 MΩ",
// "4k7", "R47", "47R"; blanks of any kind (no-break spaces too) around it and
// before prefix and unit. Both "," and "." are decimal marks, but one that is
// not the regional decimal separator, followed by exactly three digits and
// nothing else, may as well group thousands ("4.700" to a German writer is
// 4700): refused as ambiguous, naming both readings. A prefix letter settles
// it ("4.700k" is 4,7 kOhm), and so does a leading part that cannot start a
// group of thousands ("0.470", "1234.567").
struct ParsedValue {
    std::optional<Decimal> value;
    std::string error;      // German, says what is accepted
    bool ambiguous = false; // the error starts with the text itself
};
ParsedValue parseValue(std::string_view text, std::string_view decimalSeparator = ",");

// "5", "0,5", "0.25 %": a percentage as an exact decimal.
std::optional<Decimal> parsePercent(std::string_view text);

} // namespace zz::value
