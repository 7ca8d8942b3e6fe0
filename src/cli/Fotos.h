#pragma once

#include "cli/Items.h"

#include <string_view>
#include <vector>

// zedezedidor-decode --foto: the rings read from photos.
namespace zz::cli {

// Every photo in order; a photo without a code is reported and the others
// still read.
int runFotos(const std::vector<std::string_view> &files, const Options &o);

} // namespace zz::cli
