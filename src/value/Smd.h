#pragma once

// Resistance markings printed on SMD parts: three digits (472), four digits
// (4702), R as decimal mark (4R7, R47, 0R) and EIA-96 (01C: an index into the
// E96 table and a multiplier letter; always 1 %).

#include "value/Decimal.h"

#include <optional>
#include <string>
#include <string_view>

namespace zz::value {

enum class SmdKind { ThreeDigit, FourDigit, RNotation, Eia96 };

std::string_view smdKindName(SmdKind k);   // "3-digit", "4-digit", "R", "EIA-96"

struct SmdMarking {
    std::string marking;        // as read, letters upper-cased
    SmdKind kind = SmdKind::ThreeDigit;
    Decimal ohm;
    std::optional<Decimal> tolerancePercent; // 1 for EIA-96, else none
};

struct ParsedSmd {
    std::optional<SmdMarking> smd;
    std::string error;          // German, says what is accepted
};
// Letters in any case; "dd" + R reads as EIA-96 (R = x0,01), as the letter list has it.
ParsedSmd parseSmd(std::string_view text);

} // namespace zz::value
