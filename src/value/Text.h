#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zz::value {

// Input as it may be echoed in a message: control characters and bytes that
// are not UTF-8 as \xHH, so nothing reaches a terminal as a command, and
// shortened to maxChars characters with "…".
std::string shownText(std::string_view text, std::size_t maxChars = 40);

// Length of the well-formed UTF-8 sequence that is not ASCII at s[i]; 0 for
// ASCII and for bytes that are not such a sequence.
std::size_t sequenceLength(std::string_view s, std::size_t i);

} // namespace zz::value
