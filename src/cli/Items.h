#pragma once

#include "value/Code.h"
#include "value/ESeries.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One item of zedezedidor-decode: a colour code, a value or an SMD marking,
// turned into the report lines or one JSON line.
namespace zz::cli {

enum class Mode { Colours, Value, Smd };

struct Options {
    Mode mode = Mode::Colours;
    std::optional<std::string> item;        // --wert / --smd argument
    std::vector<std::string_view> colours;
    std::optional<value::Series> series;
    bool json = false;
    bool foto = false;                      // --foto: the arguments are photo files
    value::EncodeRequest request;           // rings, tolerance, tempco
    std::string sep;
};

// Either the output of one item or the one-line reason why there is none.
struct Outcome {
    std::vector<std::string> lines;         // text lines, or one JSON line
    std::string error;
};

Outcome codeOutcome(const value::RingCode &code, const Options &o);
Outcome colourItem(const std::vector<std::string_view> &names, const Options &o);
// One item of the options' mode; colours separated by blanks.
Outcome runItem(std::string_view text, const Options &o);

} // namespace zz::cli
