#pragma once

// Profile: the colour along the body's axis.
//
// Promises: given the two ends of the body and its half thickness, one colour
// per step along the axis from `start` to `end`, each the median across the
// middle of the body (a streak of glare along the body or a shadow at its
// edge does not move it), plus how unevenly the light falls across the body
// there (metal rings shine in spots), and the colour of the body itself,
// globally and near each step, so slow shading along the body is not taken
// for a ring. Sampling is anti-aliased: a large photo is reduced first.
// Rings crossing the axis up to 8° askew are sampled straight across.

#include <opencv2/core.hpp>

#include <vector>

namespace zz::photo {

struct Profile {
    cv::Point2f start;                 // photo coordinates of sample 0
    cv::Point2f end;                   // ... and of the last sample
    float step = 1;                    // photo pixels between samples
    float halfWidth = 0;               // body half thickness, in samples
    std::vector<cv::Vec3f> rgb;        // 0 ... 255, per sample
    std::vector<float> spread;         // lightness range across the body, per sample
    std::vector<cv::Vec3f> bodyNear;   // body colour near each sample
    std::vector<float> spreadNear;     // the body's lightness range near each sample
    cv::Vec3f body{};                  // body colour of the whole body
    cv::Vec3f background{};            // what surrounds the body

    int size() const { return int(rgb.size()); }
    cv::Point2f at(double sample) const;  // photo coordinates of a (fractional) sample
};

Profile sampleProfile(const cv::Mat3b &rgb, cv::Point2f start, cv::Point2f end, float halfWidth,
                      const cv::Vec3f &background);

} // namespace zz::photo
