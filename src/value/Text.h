#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zz::value {

// Input as it may be echoed in a message: control characters and bytes that
// are not UTF-8 as \xHH, so nothing reaches a terminal as a command, and
// shortened to maxChars characters with "…".
std::string shownText(std::string_view text, std::size_t maxChars = 40);

} // namespace zz::value
