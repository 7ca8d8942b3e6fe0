// The axis squared to the rings: a ring's edge is a straight line across the
// body, so inside the body the colour changes along the axis. Two ways: by
// the edges' direction, and by how sharply a band along the axis changes.

#include "photo/Locate.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
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

namespace {

// How sharply the middle band of the body changes along the axis turned by
// `turn` radians: the rings' edges are sharpest when the band crosses them
// square. The band's mean across, per step along, then the summed squared
// steps between neighbours.
double sharpness(const cv::Mat3f &img, cv::Point2f centre, float angle, float length, float halfBand)
{
    const cv::Point2f dir(std::cos(angle), std::sin(angle));
    const cv::Point2f across(-dir.y, dir.x);
    const int cols = std::max(8, int(length));
    const int rows = std::max(3, int(2 * halfBand));
    const cv::Point2f origin = centre - dir * (length / 2) - across * halfBand;
    // Strip pixel (u, v) comes from origin + dir u + across v.
    const cv::Matx23f map(dir.x, across.x, origin.x, dir.y, across.y, origin.y);
    cv::Mat3f strip;
    cv::warpAffine(img, strip, map, cv::Size(cols, rows), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP, cv::BORDER_REPLICATE);
    cv::Mat3f mean;
    cv::reduce(strip, mean, 0, cv::REDUCE_AVG);
    double sum = 0;
    for (int u = 1; u < cols; ++u) {
        const cv::Vec3f d = mean(0, u) - mean(0, u - 1);
        sum += double(d.dot(d));
    }
    return sum;
}

} // namespace

std::optional<BodyPatch> bodyPatch(const cv::Mat3b &rgb, const BodyAxis &axis)
{
    const float length = float(cv::norm(axis.end - axis.start));
    if (rgb.empty() || length < 16 || axis.halfWidth < 2)
        return std::nullopt;
    // Only the body's surroundings, the body at most 300 px long: a ring
    // edge still spans a few samples.
    const cv::Point2f mid = (axis.start + axis.end) * 0.5f;
    const float reach = length / 2 + axis.halfWidth;
    const cv::Rect roi = cv::Rect(cv::Point(int(mid.x - reach), int(mid.y - reach)),
                                  cv::Point(int(mid.x + reach) + 2, int(mid.y + reach) + 2)) &
                         cv::Rect(0, 0, rgb.cols, rgb.rows);
    if (roi.width < 8 || roi.height < 8)
        return std::nullopt;
    const double scale = std::min(1.0, 300.0 / length);
    cv::Mat3b small;
    cv::resize(rgb(roi), small, cv::Size(), scale, scale, cv::INTER_AREA);
    BodyPatch patch;
    small.convertTo(patch.lab, CV_32FC3, 1.0 / 255);
    cv::cvtColor(patch.lab, patch.lab, cv::COLOR_RGB2Lab);
    patch.scale = float(scale);
    patch.centre = (mid - cv::Point2f(float(roi.x), float(roi.y)) + cv::Point2f(0.5f, 0.5f)) * patch.scale -
                   cv::Point2f(0.5f, 0.5f);
    return patch;
}

BodyAxis alignToRings(const cv::Mat3b &rgb, const BodyAxis &axis)
{
    const std::optional<BodyPatch> patch = bodyPatch(rgb, axis);
    if (!patch)
        return axis;
    const cv::Mat3f &lab = patch->lab;
    const cv::Point2f centre = patch->centre, mid = (axis.start + axis.end) * 0.5f;
    const float length = float(cv::norm(axis.end - axis.start)), s = patch->scale;
    const cv::Point2f d = axis.end - axis.start;
    const float angle = std::atan2(d.y, d.x);
    // The inner half across: a turned band stays inside the body; the inner
    // 90 % along: the background beyond the ends has edges of its own.
    const float along = length * s * 0.9f, band = axis.halfWidth * s * 0.5f;
    constexpr int kSteps = 12;                     // either way
    constexpr float kStep = float(CV_PI / 360);    // half a degree
    std::array<double, 2 * kSteps + 1> score{};
    for (int i = -kSteps; i <= kSteps; ++i)
        score[size_t(i + kSteps)] = sharpness(lab, centre, angle + float(i) * kStep, along, band);
    const auto best = int(std::max_element(score.begin(), score.end()) - score.begin());
    // A clear gain only: where the rings say little, the outline's axis stands.
    if (best == kSteps || score[size_t(best)] < score[size_t(kSteps)] * 1.08)
        return axis;
    double shift = 0;   // sub-step peak of the parabola through the best and its neighbours
    if (best > 0 && best < 2 * kSteps) {
        const double a = score[size_t(best - 1)], b = score[size_t(best)], c = score[size_t(best + 1)];
        if (a - 2 * b + c < 0)
            shift = std::clamp(0.5 * (a - c) / (a - 2 * b + c), -0.5, 0.5);
    }
    const float turned = angle + float((best - kSteps) + shift) * kStep;
    const cv::Point2f dir(std::cos(turned), std::sin(turned));
    BodyAxis out = axis;
    out.start = mid - dir * (length / 2);
    out.end = mid + dir * (length / 2);
    return out;
}

} // namespace zz::photo
