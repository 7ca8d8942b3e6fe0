#include "value/Blanks.h"

#include <array>

namespace zz::value {

namespace {

// Unicode White_Space beyond ASCII, as UTF-8.
constexpr std::array<std::string_view, 18> kWideBlanks{
    "\u0085", "\u00A0", "\u1680", "\u2000", "\u2001", "\u2002", "\u2003", "\u2004", "\u2005",
    "\u2006", "\u2007", "\u2008", "\u2009", "\u200A", "\u2028", "\u2029", "\u202F", "\u205F"};
constexpr std::string_view kIdeographicSpace = "\u3000";

std::size_t blankLengthAtEnd(std::string_view s)
{
    if (s.empty())
        return 0;
    for (std::size_t n = 1; n <= 3 && n <= s.size(); ++n)
        if (blankLength(s, s.size() - n) == n)
            return n;
    return 0;
}

} // namespace

std::size_t blankLength(std::string_view s, std::size_t i)
{
    if (i >= s.size())
        return 0;
    const char c = s[i];
    if (c == ' ' || (c >= '\t' && c <= '\r'))
        return 1;
    if (static_cast<unsigned char>(c) < 0x80)
        return 0;
    const std::string_view rest = s.substr(i);
    for (std::string_view blank : kWideBlanks)
        if (rest.starts_with(blank))
            return blank.size();
    return rest.starts_with(kIdeographicSpace) ? kIdeographicSpace.size() : 0;
}

std::string_view trimmedBlanks(std::string_view s)
{
    while (const std::size_t n = blankLength(s, 0))
        s.remove_prefix(n);
    while (const std::size_t n = blankLengthAtEnd(s))
        s.remove_suffix(n);
    return s;
}

} // namespace zz::value
