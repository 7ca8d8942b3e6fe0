#pragma once

#include "cli/Items.h"

#include <optional>
#include <string_view>
#include <vector>

// The command line of zedezedidor-decode.
namespace zz::cli {

struct CommandLine {
    Options options;
    bool valueOptions = false;  // --ringe, --toleranz or --tk given
    bool modeGiven = false;     // --wert or --smd given
};

// Reads the arguments into `line`. The exit status when they are answered
// already: --help and --version printed, or a mistake reported.
std::optional<int> parseArguments(const std::vector<std::string_view> &args, CommandLine &line);

} // namespace zz::cli
