#pragma once

// Colour table, ring lists and the evaluation of four-ring and five/six-ring
// codes. Standard library only: usable without any window or toolkit.
// All texts are UTF-8.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zz::decode {

enum class Colour : std::uint8_t {
    Schwarz, Braun, Rot, Orange, Gelb, Gruen, Blau, Violett, Grau, Weiss, Gold, Silber
};
inline constexpr int kColourCount = 12;

struct Rgb {
    std::uint8_t r, g, b;
};

// A swatch is a solid block of the colour; "Weiß" is white with a black frame.
struct ColourInfo {
    std::string_view name;   // German list text, e.g. "Grün"
    Rgb rgb;
    int swatchWidth;
    int swatchHeight;
    int frameWidth;          // black frame of the swatch, 0 = none
};

const ColourInfo &colourInfo(Colour c);

// The picture ring (stripe) bitmap: 7 x 44. Every colour uses its swatch
// stretched, except "Weiß", whose stripe is white with a 1-pixel black frame.
inline constexpr int kStripeWidth = 7;
inline constexpr int kStripeHeight = 44;
inline constexpr int kStripeFrameWidth = 1;

// Ring lists, in display order. The position in a list is what the windows
// store and what the evaluations take.
std::span<const Colour> baseList();          // 10: Schwarz .. Weiß, position = digit
std::span<const Colour> multiplierList();    // 9: Schwarz .. Blau, Gold, Silber
std::span<const Colour> fourRingToleranceList();  // 4: Braun, Rot, Gold, Silber
std::span<const Colour> fiveRingToleranceList();  // 8: Braun, Rot, Grün, Blau, Violett, Grau, Gold, Silber
std::span<const Colour> temperatureList();        // 7: Schwarz, Braun, Rot, Orange, Gelb, Blau, Violett

// Position of a colour in a ring list; none when the ring does not offer it.
std::optional<int> positionIn(std::span<const Colour> list, Colour c);

// Initial selections of the windows (list positions).
inline constexpr std::array<int, 4> kFourRingStart{4, 7, 1, 2};
inline constexpr std::array<int, 6> kFiveRingStart{4, 7, 0, 0, 6, 5};

double multiplier(int position);               // 10^p for 0..6, 0.1, 0.01
int multiplierExponent(int position);          // the power of ten: 0..6, -1, -2
int fourRingTolerancePercent(int position);    // 1, 2, 5, 10
inline constexpr int kNoFourthRingPercent = 20;
double fiveRingTolerancePercent(int position); // 1, 2, 0.5, 0.25, 0.1, 0.05, 5, 10
// The same in hundredths of a percent (100 = 1 %), exact where a double is not.
int fiveRingToleranceHundredths(int position);
int temperatureCoefficient(int position);      // ppm/K

// Number text: rounded to 15 significant digits, no trailing zeros, no
// separator when nothing follows it; below 0.00001 in exponent form ("5E-6").
std::string numberText(double value, std::string_view decimalSeparator);
// The same, appended to out (saves a temporary string in tight loops).
void appendNumberText(std::string &out, double value, std::string_view decimalSeparator);
// The layout of every number text: `significant` digits (no sign) whose first
// stands for 10^lead, written in full; with exponentForm, from 10^15 on and
// below 10^-5 as "5E-6" / "4,7E15" instead.
void appendDigits(std::string &out, std::string_view significant, int lead, std::string_view decimalSeparator,
                  bool exponentForm);

// The unit prefixes of ohms, largest first, with the text after the number.
struct OhmUnit {
    int exponent;            // the unit is 10^exponent ohms
    std::string_view text;   // " kOhm"
};
inline constexpr std::array<OhmUnit, 7> kOhmUnits{{
    {9, " GOhm"}, {6, " MOhm"}, {3, " kOhm"}, {0, " Ohm"}, {-3, " mOhm"}, {-6, " \u00B5Ohm"}, {-9, " nOhm"},
}};
// The largest unit from 10^largest down to 10^smallest ohms (both in the
// ladder) that the value reaches, `reaches(exponent)` telling whether it is at
// least that many ohms; else the smallest.
template <typename Reaches>
constexpr const OhmUnit &ohmUnit(int largest, int smallest, Reaches reaches)
{
    for (const OhmUnit &unit : kOhmUnits) {
        if (unit.exponent <= largest && (unit.exponent <= smallest || reaches(unit.exponent)))
            return unit;
    }
    return kOhmUnits.back();
}

enum class Hint : std::uint8_t { None, Unusual, NonExistent };

inline constexpr std::string_view kUnusualText = "Dieser Code ist unüblich!";
inline constexpr std::string_view kNonExistentText = "Diesen Code gibt es nicht!";

struct CodeResult {
    std::string code;          // colour names joined by " - "
    double value = 0;          // ohms
    std::string valueText;     // "470 Ohm", "4,7 kOhm", ...
    Hint hint = Hint::None;
    std::string standardCode;  // set only when hint == Unusual
};

// Four-ring window: r1, r2 digits (0-9), r3 multiplier position (0-8).
CodeResult evaluateFourRing(int r1, int r2, int r3, std::string_view sep);
// Tolerance line of the four-ring window (two blanks before "(="),
// e.g. "± 23,5 Ohm  (= 5%)". r4 is ignored when ring 4 is absent (20 %).
std::string fourRingTolerance(double value, bool ring4Present, int r4, std::string_view sep);

// Five/six-ring window: r1..r3 digits, m multiplier position (0-8).
CodeResult evaluateFiveRing(int r1, int r2, int r3, int m, std::string_view sep);
// Tolerance line of the five/six-ring window (one blank), e.g. "± 23,5 Ohm (= 5%)".
std::string fiveRingTolerance(double value, int r5, std::string_view sep);
// Change per kelvin, e.g. "± 4,7 mOhm (= 10 ppm/K)".
std::string temperatureLine(double value, int r6, std::string_view sep);

// Looks a colour up by its list name, ignoring letter case; also takes the
// ASCII spellings "Weiss" and "Gruen".
std::optional<Colour> colourFromName(std::string_view name);

} // namespace zz::decode
