#pragma once

// A colour code as list positions of the decoder windows, both ways: from
// colour names or from a value to the code, and from the code to its exact
// value, tolerance range, series and the report the window would show.
// Standard library only; the evaluation itself is the decoder's.

#include "decode/Decode.h"
#include "value/Decimal.h"
#include "value/ESeries.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zz::value {

enum class Window { FourRing, FiveRing };

// What the window's ring lists hold. Four-ring window: positions 0-3 are
// rings 1-4 and lastRingPresent is "Ring 4:" ticked. Five/six-ring window:
// positions 0-5 are rings 1-6 and lastRingPresent is "Ring 6:" ticked.
struct RingCode {
    Window window = Window::FourRing;
    std::array<int, 6> positions{};
    bool lastRingPresent = true;

    int ringCount() const;                          // 3 ... 6 rings on the part
    std::vector<decode::Colour> colours() const;    // one per ring on the part
    friend bool operator==(const RingCode &, const RingCode &) = default;
};

// Colour names (3 to 6, as the list texts or "Weiss"/"Gruen", any case).
struct ParsedCode {
    std::optional<RingCode> code;
    std::string error;          // German; names the ring and what it offers
};
ParsedCode codeFromColours(std::span<const std::string_view> names);

// Everything about a code, exact where the report rounds.
struct CodeFacts {
    Decimal ohm;
    Decimal tolerancePercent;            // 20 without a fourth ring
    Decimal minOhm;
    Decimal maxOhm;
    std::optional<int> tempcoPpm;        // only with a sixth ring
    decode::Hint hint = decode::Hint::None;
    std::vector<std::string> standardCode; // colour names, only for Hint::Unusual
    std::vector<Series> series;
};
CodeFacts facts(const RingCode &code);

// The report lines the window shows for this code ("Farbcode: ...").
std::vector<std::string> report(const RingCode &code, std::string_view decimalSeparator);

// Value to colour code.
struct EncodeRequest {
    Decimal ohm;
    int rings = 0;                            // 0: four when possible, else five; 4, 5 or 6
    std::optional<Decimal> tolerancePercent;  // default 5 (four rings) or 1
    std::optional<int> tempcoPpm;             // asks for six rings
    std::string_view decimalSeparator = ",";  // for the numbers in a refusal's reason
};

enum class Refusal {
    None,
    BadRequest,       // ring count, tolerance or tempco not offered
    Zero,
    TooSmall,         // below 0,01 Ohm
    TooLarge,         // above 99 MOhm (four rings) or 999 MOhm
    TooManyDigits,    // more significant digits than the rings show
};

struct EncodeResult {
    std::optional<RingCode> code;
    Refusal refusal = Refusal::None;
    std::string reason;                 // German, one line
    std::optional<Decimal> nearestBelow; // closest values the rings can show
    std::optional<Decimal> nearestAbove;
};
EncodeResult encode(const EncodeRequest &request);

// Tolerances the windows offer, as percentages in list order.
std::vector<Decimal> fourRingTolerances();  // 1, 2, 5, 10, then 20 (no fourth ring)
std::vector<Decimal> fiveRingTolerances();  // 1, 2, 0,5, 0,25, 0,1, 0,05, 5, 10

} // namespace zz::value
