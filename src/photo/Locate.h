#pragma once

// Locate: where the resistor's body lies and which way its axis runs.
//
// Promises: for a photo with one resistor whose body stands out from the
// surroundings, at any angle and scale, on a plain or moderately busy
// background, with or without its leads, and for close-ups where the body
// fills most of the frame: the two ends of the body (which end is ring 1 is
// not decided here) and its half thickness, in photo pixels. Leads and thin
// clutter are cut off; the body is the thickest object in the photo.
// Nothing when no object stands out.

#include <opencv2/core.hpp>

#include <optional>
#include <vector>

namespace zz::photo {

struct BodyAxis {
    cv::Point2f start;           // one end of the body on its axis
    cv::Point2f end;             // the other end
    float halfWidth = 0;         // half the body's thickness
    cv::Vec3f background{};      // RGB 0 ... 255 around the resistor
};

std::optional<BodyAxis> locateBody(const cv::Mat3b &rgb);

// Up to `most` guesses of the body, likeliest first: the thickest objects
// that stand out clearly, then those that stand out only from the
// background's own spread (a body close to the background in colour), and
// further objects about as thick as the first, or thinner but long like a
// body (a blotch on a busy background may be the thicker one); beside the
// thickest object, the body's own outline within it (a close-up or a dark
// tray small in a pale photo). The reader keeps the guess whose rings read
// best.
std::vector<BodyAxis> locateBodies(const cv::Mat3b &rgb, size_t most = 7);

// The close-up guess: the body fills the frame, its axis runs through the
// middle along the frame's long side, turned to where the rings' edges say.
// Tried beside locateBody: in a close-up the frame's edge shows the body, not
// what surrounds it.
BodyAxis closeUpAxis(const cv::Mat3b &rgb);

// Within a close-up guess, the body's own outline: its thickness from the
// strongest colour steps across, its ends where that outline stops (a cap
// inside the frame, with background beyond it).
std::optional<BodyAxis> closeUpBody(const cv::Mat3b &rgb, const BodyAxis &closeUp);

// The body and its surroundings in L*a*b* (OpenCV's float scale), scaled so the
// body is at most 300 px long, with the axis' middle in that patch; none for an
// axis too short or thin to turn, or off the photo.
struct BodyPatch {
    cv::Mat3f lab;
    cv::Point2f centre;
    float scale = 1;
};
std::optional<BodyPatch> bodyPatch(const cv::Mat3b &rgb, const BodyAxis &axis);

// The axis turned about its middle (by at most a few degrees) to where the
// rings' edges lie straight across it: the strip along the axis then changes
// most sharply. Kept as it is unless the turn clearly sharpens the strip.
BodyAxis alignToRings(const cv::Mat3b &rgb, const BodyAxis &axis);

// The axis turned about its middle to the mean direction of the colour
// edges inside the body that run nearly across it (the rings' edges), to a
// fraction of a degree. Unchanged when few edges run across.
BodyAxis squareToRingEdges(const cv::Mat3b &rgb, const BodyAxis &axis);

} // namespace zz::photo
