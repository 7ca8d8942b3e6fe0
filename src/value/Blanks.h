#pragma once

// White space in text people paste: besides blank and tab, the no-break
// spaces of German typesetting (U+00A0, U+202F) and the other Unicode
// spaces arrive from datasheets and web pages. UTF-8 throughout.

#include <cstddef>
#include <string_view>

namespace zz::value {

// Bytes of the white-space character starting at s[i] (any of Unicode's
// White_Space, line ends included), 0 when there is none.
std::size_t blankLength(std::string_view s, std::size_t i);

// The text without white space of any kind at either end.
std::string_view trimmedBlanks(std::string_view s);

} // namespace zz::value
