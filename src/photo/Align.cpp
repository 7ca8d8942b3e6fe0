// The axis squared to the rings' edges: a ring's edge is a straight line
// across the body, so inside the body the colour changes along the axis.

#include "photo/Locate.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace zz::photo {

namespace {

// One pixel's colour gradient as a doubled angle (the edge has no sign) and
// how strongly it points that way.
struct Edge {
    float doubled = 0;
    float strength = 0;
};

// The colour gradients inside the body's inner band, from the structure
// tensor over the Lab channels (lightness half weighted: glare and shading
// are changes of lightness).
std::vector<Edge> edgesInBand(const cv::Mat3f &lab, cv::Point2f centre, cv::Point2f dir, float halfLength,
                              float halfBand)
{
    cv::Mat3f gx, gy;
    cv::Sobel(lab, gx, CV_32F, 1, 0);
    cv::Sobel(lab, gy, CV_32F, 0, 1);
    const cv::Point2f across(-dir.y, dir.x);
    std::vector<Edge> out;
    for (int y = 1; y + 1 < lab.rows; ++y)
        for (int x = 1; x + 1 < lab.cols; ++x) {
            const cv::Point2f p = cv::Point2f(float(x), float(y)) - centre;
            if (std::abs(p.dot(dir)) > halfLength || std::abs(p.dot(across)) > halfBand)
                continue;
            cv::Vec3f a = gx(y, x), b = gy(y, x);
            a[0] *= 0.5f;
            b[0] *= 0.5f;
            const float jxx = a.dot(a), jyy = b.dot(b), jxy = a.dot(b);
            const float strength = std::sqrt((jxx - jyy) * (jxx - jyy) + 4 * jxy * jxy);
            if (strength > 1e-6f)
                out.push_back({std::atan2(2 * jxy, jxx - jyy), strength});
        }
    return out;
}

// The strength-weighted mean direction of the edges whose gradient lies
// within `window` of `angle` (both radians, undoubled), and the share of all
// edge strength that lies there.
double meanDirection(const std::vector<Edge> &edges, double angle, double window, double *share)
{
    double c = 0, s = 0, inside = 0, all = 0;
    for (const Edge &e : edges) {
        all += e.strength;
        const double d = std::remainder(double(e.doubled) - 2 * angle, 2 * CV_PI);
        if (std::abs(d) > 2 * window)
            continue;
        c += e.strength * std::cos(d);
        s += e.strength * std::sin(d);
        inside += e.strength;
    }
    *share = all > 0 ? inside / all : 0;
    return inside > 0 ? angle + std::atan2(s, c) / 2 : angle;
}

} // namespace

BodyAxis squareToRingEdges(const cv::Mat3b &rgb, const BodyAxis &axis)
{
    const std::optional<BodyPatch> patch = bodyPatch(rgb, axis);
    if (!patch)
        return axis;
    cv::Mat3f smooth;
    cv::GaussianBlur(patch->lab, smooth, cv::Size(3, 3), 0);
    const cv::Point2f centre = patch->centre, mid = (axis.start + axis.end) * 0.5f;
    const float length = float(cv::norm(axis.end - axis.start)), s = patch->scale;
    const cv::Point2f d = (axis.end - axis.start) / length;
    // The inner half across: the outline's edges run along the axis and a
    // turned band stays inside the body; the inner 90 % along: beyond the
    // ends the background has edges of its own.
    const std::vector<Edge> edges = edgesInBand(smooth, centre, d, length * s * 0.45f, axis.halfWidth * s * 0.5f);
    const double given = std::atan2(d.y, d.x);
    // Narrowing windows about the estimate: the edges' peak, not the mean
    // of whatever else lies near it.
    double angle = given, share = 0;
    for (const double window : {10.0, 6.0, 3.5, 2.5})
        angle = meanDirection(edges, angle, window * CV_PI / 180, &share);
    // Little of the band's edge strength square to the axis: no rings to go by.
    if (share < 0.15 || std::abs(angle - given) > 10 * CV_PI / 180)
        return axis;
    const cv::Point2f dir(float(std::cos(angle)), float(std::sin(angle)));
    BodyAxis out = axis;
    out.start = mid - dir * (length / 2);
    out.end = mid + dir * (length / 2);
    return out;
}

} // namespace zz::photo
