#include "value/Smd.h"

#include "value/Blanks.h"
#include "value/ESeries.h"

#include <algorithm>

namespace zz::value {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// EIA-96 multiplier letters as powers of ten.
std::optional<int> eiaExponent(char c)
{
    switch (c) {
    case 'Z': return -3;
    case 'Y': case 'R': return -2;
    case 'X': case 'S': return -1;
    case 'A': return 0;
    case 'B': case 'H': return 1;
    case 'C': return 2;
    case 'D': return 3;
    case 'E': return 4;
    case 'F': return 5;
    default: return std::nullopt;
    }
}

ParsedSmd refused(std::string why)
{
    ParsedSmd out;
    out.error = why + "; erlaubt sind 3 Ziffern (472), 4 Ziffern (4702), R als Komma (4R7, R47, 0R) "
                      "und EIA-96 (01C: 01 bis 96 und Z, Y, R, X, S, A, B, H, C, D, E oder F)";
    return out;
}

std::uint64_t number(std::string_view digits)
{
    std::uint64_t n = 0;
    for (char c : digits)
        n = n * 10 + static_cast<std::uint64_t>(c - '0');
    return n;
}

} // namespace

std::string_view smdKindName(SmdKind k)
{
    switch (k) {
    case SmdKind::ThreeDigit: return "3-digit";
    case SmdKind::FourDigit: return "4-digit";
    case SmdKind::RNotation: return "R";
    case SmdKind::Eia96: return "EIA-96";
    }
    return {};
}

ParsedSmd parseSmd(std::string_view text)
{
    text = trimmedBlanks(text);
    if (text.empty())
        return refused("leere Kennzeichnung");
    if (text.size() > 5)
        return refused("zu lang für eine Kennzeichnung");
    std::string m(text);
    std::transform(m.begin(), m.end(), m.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });

    SmdMarking out;
    out.marking = m;
    const bool allDigits = std::all_of(m.begin(), m.end(), isDigit);
    if (allDigits && (m.size() == 3 || m.size() == 4)) {
        const std::size_t n = m.size() - 1;
        out.kind = m.size() == 3 ? SmdKind::ThreeDigit : SmdKind::FourDigit;
        out.ohm = Decimal::of(number(std::string_view(m).substr(0, n)), m[n] - '0');
        return {out, {}};
    }
    if (m.size() == 3 && isDigit(m[0]) && isDigit(m[1]) && eiaExponent(m[2])) {
        const auto code = number(std::string_view(m).substr(0, 2));
        if (code >= 1 && code <= 96) {
            out.kind = SmdKind::Eia96;
            const int e96 = seriesTable(Series::E96)[static_cast<std::size_t>(code - 1)];
            // Table values are three digits, 1,00 ... 9,76 x 100.
            out.ohm = Decimal::of(static_cast<std::uint64_t>(e96), *eiaExponent(m[2]));
            out.tolerancePercent = Decimal::of(1);
            return {out, {}};
        }
        if (m[2] != 'R')
            return refused("EIA-96-Code " + m.substr(0, 2) + " gibt es nicht (01 bis 96)");
    }
    const auto r = m.find('R');
    if (r != std::string::npos && m.size() <= 5) {
        const std::string_view whole = std::string_view(m).substr(0, r);
        const std::string_view fraction = std::string_view(m).substr(r + 1);
        if (std::all_of(whole.begin(), whole.end(), isDigit) && std::all_of(fraction.begin(), fraction.end(), isDigit) &&
            whole.size() + fraction.size() >= 1 && whole.size() + fraction.size() <= 4) {
            out.kind = SmdKind::RNotation;
            std::string digits(whole);
            digits += fraction;
            out.ohm = Decimal::of(number(digits), -static_cast<int>(fraction.size()));
            return {out, {}};
        }
    }
    return refused("unbekannte Kennzeichnung");
}

} // namespace zz::value
