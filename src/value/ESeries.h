#pragma once

// The E-series of preferred values (IEC 60063), from the standard's own
// tables: they differ from the rounded formula (E24 has 2,7 and 8,2, E192
// has 9,20), so nothing here is computed from 10^(i/n).

#include "value/Decimal.h"

#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace zz::value {

enum class Series { E3, E6, E12, E24, E48, E96, E192 };
inline constexpr Series kAllSeries[] = {Series::E3,  Series::E6,  Series::E12, Series::E24,
                                        Series::E48, Series::E96, Series::E192};

std::string_view seriesName(Series s);                 // "E24"
std::optional<Series> seriesFromName(std::string_view); // "E24", "e24"
// One decade of the series as significant digits: 10, 11, 12 ... for
// E3-E24 (two digits), 100, 101, 102 ... for E48-E192 (three digits).
std::span<const int> seriesTable(Series s);
int seriesDigits(Series s);                            // 2 or 3

bool isMember(const Decimal &value, Series s);
// Every series the value belongs to, in the order E3 ... E192.
std::vector<Series> seriesOf(const Decimal &value);

// Deviations are exact, rounded half away from zero to two decimals, so a
// value and ten times it show the same ones.
struct Nearest {
    Decimal below;            // largest series value <= value
    Decimal above;            // smallest series value >= value
    Decimal belowPercent;     // (value - below) / value * 100: below lies this far under
    Decimal abovePercent;     // (above - value) / value * 100
    bool member = false;      // below == above == value
};
// Nearest series values across decade boundaries; none for zero.
std::optional<Nearest> nearest(const Decimal &value, Series s);

} // namespace zz::value
