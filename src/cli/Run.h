#pragma once

#include "cli/Items.h"

#include <string>
#include <string_view>

// Printing the outcomes of zedezedidor-decode and its exit status.
namespace zz::cli {

inline constexpr std::string_view kProgram = "zedezedidor-decode";

// A report that never reached its reader must not end in success.
int finish(int status);
// The outcome's lines; text outcomes after the first get an empty line in front.
void print(const Outcome &outcome, bool &printed, const Options &o);
// A mistake on the command line: the message on stderr, status 2.
int usage(const std::string &message);
// Items from standard input, one a line; status 1 when a line was wrong.
int runStream(const Options &o);

} // namespace zz::cli
