#pragma once

// Rings: where the colour rings are in the profile.
//
// Promises: the rings as humps of how far the colour stands out from the
// body near it, left to right along the profile: each hump must fall off on
// both sides (crowded rings are split where they dip apart; the rise into a
// rounded end is no ring) and spans where it stands above half its height.
// Each ring has its colour (the median of its middle, so the blurred edges
// do not count), how unevenly it shines and how strongly it stands out.
// Humps too narrow or too wide for a ring are left out; at most six rings,
// the strongest. A hump below the threshold still counts when it has lost
// the body's colour but not its lightness (silver or grey on a pale body);
// its contrast stays low, so it is the first a reading leaves out.

#include "photo/Profile.h"

#include <opencv2/core.hpp>

#include <vector>

namespace zz::photo {

struct RingSpan {
    int begin = 0;          // first sample
    int end = 0;            // one past the last sample
    cv::Vec3f rgb{};        // 0 ... 255
    float spread = 0;       // lightness range across the body
    float contrast = 0;     // colour distance from the body at its strongest

    double centre() const { return (begin + end - 1) / 2.0; }
    int width() const { return end - begin; }
};

// Colour distance of each sample from the body near it (CIE L*a*b*,
// lightness half weighted: shading is mostly lightness).
std::vector<float> ringContrast(const Profile &p);

std::vector<RingSpan> findRings(const Profile &p);

} // namespace zz::photo
