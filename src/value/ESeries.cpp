#include "value/ESeries.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace zz::value {

namespace {

constexpr std::array<int, 3> kE3{10, 22, 47};
constexpr std::array<int, 6> kE6{10, 15, 22, 33, 47, 68};
constexpr std::array<int, 12> kE12{10, 12, 15, 18, 22, 27, 33, 39, 47, 56, 68, 82};
constexpr std::array<int, 24> kE24{10, 11, 12, 13, 15, 16, 18, 20, 22, 24, 27, 30,
                                   33, 36, 39, 43, 47, 51, 56, 62, 68, 75, 82, 91};

constexpr std::array<int, 192> kE192{
    100, 101, 102, 104, 105, 106, 107, 109, 110, 111, 113, 114, 115, 117, 118, 120,
    121, 123, 124, 126, 127, 129, 130, 132, 133, 135, 137, 138, 140, 142, 143, 145,
    147, 149, 150, 152, 154, 156, 158, 160, 162, 164, 165, 167, 169, 172, 174, 176,
    178, 180, 182, 184, 187, 189, 191, 193, 196, 198, 200, 203, 205, 208, 210, 213,
    215, 218, 221, 223, 226, 229, 232, 234, 237, 240, 243, 246, 249, 252, 255, 258,
    261, 264, 267, 271, 274, 277, 280, 284, 287, 291, 294, 298, 301, 305, 309, 312,
    316, 320, 324, 328, 332, 336, 340, 344, 348, 352, 357, 361, 365, 370, 374, 379,
    383, 388, 392, 397, 402, 407, 412, 417, 422, 427, 432, 437, 442, 448, 453, 459,
    464, 470, 475, 481, 487, 493, 499, 505, 511, 517, 523, 530, 536, 542, 549, 556,
    562, 569, 576, 583, 590, 597, 604, 612, 619, 626, 634, 642, 649, 657, 665, 673,
    681, 690, 698, 706, 715, 723, 732, 741, 750, 759, 768, 777, 787, 796, 806, 816,
    825, 835, 845, 856, 866, 876, 887, 898, 909, 920, 931, 942, 953, 965, 976, 988};

// In the standard E96 is every second E192 value and E48 every second E96 value.
template <std::size_t Step>
constexpr std::array<int, 192 / Step> everyNth()
{
    std::array<int, 192 / Step> out{};
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = kE192[i * Step];
    return out;
}
constexpr auto kE96 = everyNth<2>();
constexpr auto kE48 = everyNth<4>();

constexpr std::array<std::string_view, 7> kNames{"E3", "E6", "E12", "E24", "E48", "E96", "E192"};

constexpr std::uint64_t pow10(int n)
{
    std::uint64_t p = 1;
    for (int i = 0; i < n; ++i)
        p *= 10;
    return p;
}

__extension__ typedef unsigned __int128 Wide;

Wide widePow10(int n)
{
    Wide p = 1;
    for (int i = 0; i < n; ++i)
        p *= 10;
    return p;
}

// |to - from| / from * 100 in hundredths, rounded half away from zero. A
// series value lies within a decade of the value, so both fit 128 bits on a
// common scale with room for the factor 10000.
Decimal percentBetween(const Decimal &from, const Decimal &to)
{
    const int e = std::min(from.exponent, to.exponent);
    const Wide a = Wide(from.digits) * widePow10(from.exponent - e);
    const Wide b = Wide(to.digits) * widePow10(to.exponent - e);
    const Wide scaled = (a > b ? a - b : b - a) * 10000;
    Wide hundredths = scaled / a;
    if (2 * (scaled % a) >= a)
        ++hundredths;
    return Decimal::of(static_cast<std::uint64_t>(hundredths), -2);
}

} // namespace

std::string_view seriesName(Series s) { return kNames[static_cast<std::size_t>(s)]; }

std::optional<Series> seriesFromName(std::string_view name)
{
    for (Series s : kAllSeries) {
        const std::string_view n = seriesName(s);
        if (name.size() == n.size() && (name[0] == 'E' || name[0] == 'e') && name.substr(1) == n.substr(1))
            return s;
    }
    return std::nullopt;
}

std::span<const int> seriesTable(Series s)
{
    switch (s) {
    case Series::E3: return kE3;
    case Series::E6: return kE6;
    case Series::E12: return kE12;
    case Series::E24: return kE24;
    case Series::E48: return kE48;
    case Series::E96: return kE96;
    case Series::E192: return kE192;
    }
    return {};
}

int seriesDigits(Series s) { return s <= Series::E24 ? 2 : 3; }

bool isMember(const Decimal &value, Series s)
{
    const int p = seriesDigits(s);
    const int n = value.significantDigits();
    if (n == 0 || n > p)
        return false;
    const int key = static_cast<int>(value.digits * pow10(p - n));
    const auto table = seriesTable(s);
    return std::binary_search(table.begin(), table.end(), key);
}

std::vector<Series> seriesOf(const Decimal &value)
{
    std::vector<Series> out;
    for (Series s : kAllSeries)
        if (isMember(value, s))
            out.push_back(s);
    return out;
}

std::optional<Nearest> nearest(const Decimal &value, Series s)
{
    if (value.isZero())
        return std::nullopt;
    const int p = seriesDigits(s);
    const int n = value.significantDigits();
    // The decade's base: table entries T stand for T x 10^q.
    const int q = value.leadingExponent() - (p - 1);
    // Compare T with the value's digits on a common scale.
    const int extra = std::max(0, n - p);
    const std::uint64_t v = n >= p ? value.digits : value.digits * pow10(p - n);
    const auto table = seriesTable(s);
    const auto scaledT = [&](int t) { return static_cast<std::uint64_t>(t) * pow10(extra); };

    auto upper = std::find_if(table.begin(), table.end(), [&](int t) { return scaledT(t) >= v; });
    auto lower = std::find_if(table.rbegin(), table.rend(), [&](int t) { return scaledT(t) <= v; });

    Nearest out;
    // The first table value is the decade's base, which is never above v.
    out.below = Decimal::of(static_cast<std::uint64_t>(*lower), q);
    out.above = upper != table.end() ? Decimal::of(static_cast<std::uint64_t>(*upper), q)
                                     : Decimal::of(static_cast<std::uint64_t>(table.front()), q + 1);
    out.member = out.below == value;
    out.belowPercent = percentBetween(value, out.below);
    out.abovePercent = percentBetween(value, out.above);
    return out;
}

} // namespace zz::value
