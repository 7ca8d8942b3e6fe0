#pragma once

// Decide: which end is ring 1, and which whole codes the rings most likely show.
//
// Promises: for 3 to 6 rings (of up to 8 found: up to two at each end and
// two inside may be left out, at the cost of their `real`) with colour
// probabilities and positions along the body, codes in both reading
// directions (or in the given one), each scored by its rings' colour
// probabilities, by how evenly the digits are spaced and how alike the
// rings are in width (a glint beside a ring is narrow), by what its rings may be
// (digits are never gold or silver, the tolerance ring offers only its
// colours), by plausibility through the value library (a code that does not
// exist or is unusual, a value outside the E-series), by agreement (two rings
// that look alike are read as one colour, two that differ as two; all rings
// of a photo may miss their prototypes by one shared shift, the lighting's
// error, so rings are read relative to each other), and by the layout (the
// tolerance ring stands apart from the others and nearer its end). Ranked
// best first with confidences that sum to at most 1.

#include "photo/Classify.h"

#include "decode/Decode.h"
#include "value/Code.h"

#include <optional>
#include <vector>

namespace zz::photo {

struct RingEvidence {
    ColourOdds odds{};
    double centre = 0;   // along the body, 0 ... 1 from the profile's start
    double width = 0;    // same unit
    double real = 1;     // how likely this is a ring at all (shading at an end may look like one)
    std::optional<cv::Vec3f> lab;   // measured colour, when known: rings alike are likely one colour
};

struct RankedCode {
    std::vector<decode::Colour> colours;   // reading order
    value::RingCode code;
    bool reversed = false;                 // ring 1 is the last ring of the evidence
    std::vector<int> rings;                // the evidence used, reading order
    double score = 0;                      // log-likelihood, comparable between readings
    double confidence = 0;
};

enum class Direction { Either, Forward };

std::vector<RankedCode> rankCodes(const std::vector<RingEvidence> &rings, Direction direction,
                                  int keep = 8);

// The log-score a code's layout and value get on top of its colours
// (0 for a common value read in a likely direction); rings in reading order.
double plausibility(const value::RingCode &code, const std::vector<RingEvidence> &rings);

} // namespace zz::photo
