#pragma once

// Classify: how likely each of the twelve colours is for one ring.
//
// Promises: the light's colour and brightness estimated from the photo
// itself (the body, beige or blue, is taken as its usual colour, a mild cast
// halfway; which of the two it is, is left open when a lamp could make either
// look like it, a background that the light leaves grey counting a little
// for it), and for a ring's
// measured colour a probability for each colour of decode::Colour, summing
// to 1, from hand-set colour prototypes in CIE L*a*b* and, for gold and
// silver, how unevenly the ring shines.

#include "decode/Decode.h"

#include <opencv2/core.hpp>

#include <array>
#include <vector>

namespace zz::photo {

using ColourOdds = std::array<double, decode::kColourCount>;

struct Lighting {
    cv::Vec3f gains{1, 1, 1};   // multiply RGB by these to see it under neutral light
};

// The lightings the photo may have been taken under, likeliest first, each
// with its log-odds against that one (0 for the first); how well the rings
// read under each decides between them.
struct LightingGuess {
    Lighting light;
    double prior = 0;
};
std::vector<LightingGuess> lightingGuesses(const cv::Vec3f &body, const cv::Vec3f &background);

// The likeliest of them.
Lighting estimateLighting(const cv::Vec3f &body, const cv::Vec3f &background);

// The ring's colour and lightness spread as measured, 0 ... 255, and the body
// colour near it.
ColourOdds classifyRing(const cv::Vec3f &rgb, float spread, const cv::Vec3f &body, const Lighting &light);

// How a ring of the colour looks under neutral light, in L*a*b*, and how far
// photos of it spread around that.
struct Prototype {
    cv::Vec3f lab;
    float sigma = 1;
};
Prototype prototypeOf(decode::Colour colour);

// The corrected colour the prototypes are compared with, in L*a*b*.
cv::Vec3f correctedLab(const cv::Vec3f &rgb, const Lighting &light);

} // namespace zz::photo
