#include "photo/Profile.h"

#include "photo/Image.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cmath>

namespace zz::photo {

namespace {

// Samples along the body: enough for the narrowest ring to span several.
constexpr int kMaxSamples = 360;
constexpr int kMinSamples = 48;
// Rows across the body, over its middle where the colour is truest.
constexpr int kRows = 15;
constexpr float kAcross = 0.6f;   // of the half thickness, each side
// How far askew of the axis rings are looked for, and in what steps (radians).
constexpr float kMaxSlant = 0.14f;
constexpr float kSlantStep = 0.01f;
// "Near" a sample, for the body's colour there: this share of the length each side.
constexpr float kNearShare = 0.12f;

float lightness(const cv::Vec3f &c) { return 0.299f * c[0] + 0.587f * c[1] + 0.114f * c[2]; }

// The colour across the body without glare: the mean of the rows between
// the darkest few (shadow at the edge) and the bright half (glare, which on
// a cylinder lies along the axis and whitens every ring it crosses).
cv::Vec3f shadedColour(std::array<cv::Vec3f, kRows> &v, std::array<float, kRows> &light)
{
    std::array<int, kRows> order{};
    for (int i = 0; i < kRows; ++i)
        order[size_t(i)] = i;
    std::sort(order.begin(), order.end(), [&](int a, int b) { return light[size_t(a)] < light[size_t(b)]; });
    cv::Vec3f sum(0, 0, 0);
    constexpr int kFrom = kRows / 8, kTo = kRows * 3 / 5;
    for (int i = kFrom; i < kTo; ++i)
        sum += v[size_t(order[size_t(i)])];
    return sum / float(kTo - kFrom);
}

} // namespace

cv::Point2f Profile::at(double sample) const
{
    const double n = std::max(1, size() - 1);
    return start + (end - start) * float(sample / n);
}

namespace {

// Where the strip's sample (x, y) lies: x along the axis in sample steps, y
// across in rows; `shear` slides the rows along the axis (per unit across),
// so rings that cross the axis slightly askew stand upright in the strip.
struct StripGeometry {
    cv::Point2f start, dir, across;
    float step = 1, halfAcross = 0, shear = 0;

    cv::Point2f at(float x, float y) const
    {
        const float off = -halfAcross + y * 2 * halfAcross / (kRows - 1);
        return start + dir * (x * step + shear * off) + across * off;
    }
};

// The body straightened into a strip of kRows x n samples; the part of the
// photo around it is reduced first so one sample step is about one pixel.
cv::Mat3b straighten(const cv::Mat3b &rgb, const StripGeometry &g, int n, float halfWidth)
{
    const cv::Point2f end = g.at(float(n - 1), (kRows - 1) / 2.0f);
    const float reduce = std::max(1.0f, g.step);
    const float margin = halfWidth * (1 + std::abs(g.shear)) + 4 * reduce;
    cv::Rect roi = cv::boundingRect(std::vector<cv::Point2f>{
        g.start - g.across * margin - g.dir * margin, g.start + g.across * margin - g.dir * margin,
        end - g.across * margin + g.dir * margin, end + g.across * margin + g.dir * margin});
    roi &= cv::Rect(0, 0, rgb.cols, rgb.rows);
    if (roi.empty())
        return cv::Mat3b(kRows, n, cv::Vec3b(0, 0, 0));
    cv::Mat3b part = rgb(roi);
    if (reduce > 1.2f)
        cv::resize(part, part, cv::Size(), 1 / reduce, 1 / reduce, cv::INTER_AREA);
    const float sx = float(part.cols) / float(roi.width);
    const float sy = float(part.rows) / float(roi.height);
    const auto toPart = [&](cv::Point2f q) {
        return cv::Point2f((q.x - float(roi.x) + 0.5f) * sx - 0.5f, (q.y - float(roi.y) + 0.5f) * sy - 0.5f);
    };
    const cv::Point2f o = toPart(g.at(0, 0));
    const cv::Point2f ex = toPart(g.at(1, 0)) - o;
    const cv::Point2f ey = toPart(g.at(0, 1)) - o;
    const cv::Matx23f map(ex.x, ey.x, o.x, ex.y, ey.y, o.y);
    cv::Mat3b strip;
    cv::warpAffine(part, strip, map, cv::Size(n, kRows), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP,
                   cv::BORDER_REPLICATE);
    return strip;
}

// How sharply the rows' mean changes along the strip when row y is read
// `shift * (y - middle)` samples further on: edges of rings that cross the
// axis askew line up, and so sharpen, at the right shift.
double sharpness(const cv::Mat3b &strip, float shift, int margin)
{
    const int n = strip.cols;
    const float mid = (kRows - 1) / 2.0f;
    double sum = 0;
    cv::Vec3f prev;
    for (int x = margin; x < n - margin; ++x) {
        cv::Vec3f mean(0, 0, 0);
        for (int y = 0; y < kRows; ++y) {
            const float at = float(x) + shift * (float(y) - mid);
            const int i = int(std::floor(at));
            const float f = at - float(i);
            mean += cv::Vec3f(strip(y, i)) * (1 - f) + cv::Vec3f(strip(y, i + 1)) * f;
        }
        if (x > margin) {
            const cv::Vec3f d = mean - prev;
            sum += double(d.dot(d));
        }
        prev = mean;
    }
    return sum;
}

// The slant of the rings against the axis (along-shift per unit across):
// a body outline a few degrees off the rings' normal, or a slightly turned
// close-up, smears every ring over more samples than it covers.
float ringSlant(const cv::Mat3b &strip, const StripGeometry &g)
{
    const float rowStep = 2 * g.halfAcross / (kRows - 1) / g.step;   // in samples
    const float maxShift = std::tan(kMaxSlant) * rowStep;
    const int margin = int(std::ceil(maxShift * kRows / 2)) + 2;
    if (strip.cols < 4 * margin)
        return 0;
    float best = 0;
    double bestSharpness = sharpness(strip, 0, margin);
    for (float a = -kMaxSlant; a <= kMaxSlant + 1e-4f; a += kSlantStep) {
        const double s = sharpness(strip, std::tan(a) * rowStep, margin);
        if (s > bestSharpness * 1.02) {
            bestSharpness = s;
            best = std::tan(a);
        }
    }
    return best;
}

float median(std::vector<float> &v)
{
    const auto mid = v.begin() + std::ptrdiff_t(v.size() / 2);
    std::nth_element(v.begin(), mid, v.end());
    return *mid;
}

// One colour per sample and the lightness range across the body there.
void combineRows(const cv::Mat3b &strip, Profile &p)
{
    const int n = strip.cols;
    p.rgb.resize(size_t(n));
    p.spread.resize(size_t(n));
    std::array<cv::Vec3f, kRows> column;
    std::array<float, kRows> light;
    for (int x = 0; x < n; ++x) {
        for (int y = 0; y < kRows; ++y) {
            const cv::Vec3b &c = strip(y, x);
            column[size_t(y)] = cv::Vec3f(c[0], c[1], c[2]);
            light[size_t(y)] = lightness(column[size_t(y)]);
        }
        p.rgb[size_t(x)] = shadedColour(column, light);
        std::sort(light.begin(), light.end());
        p.spread[size_t(x)] = light[kRows - 2] - light[1];
    }
}

// The body is what most of the length shows (rings cover about a third):
// samples near its chromaticity (r, g shares, which shading does not change,
// unlike a*b*) and not much darker or brighter. Sets p.body; returns which
// samples are bare body.
std::vector<bool> findBody(Profile &p)
{
    const int n = p.size();
    std::vector<cv::Vec3f> lab(static_cast<size_t>(n)), shares(static_cast<size_t>(n));
    for (int x = 0; x < n; ++x) {
        const cv::Vec3f &c = p.rgb[size_t(x)];
        const float sum = std::max(1.0f, c[0] + c[1] + c[2]);
        lab[size_t(x)] = rgbToLab(c);
        shares[size_t(x)] = cv::Vec3f(c[0] / sum, c[1] / sum, sum);
    }
    const auto medianOf = [&](const std::vector<cv::Vec3f> &v, const std::vector<bool> *only) {
        cv::Vec3f out;
        std::vector<float> ch;
        for (int c = 0; c < 3; ++c) {
            ch.clear();
            for (int x = 0; x < n; ++x)
                if (!only || (*only)[size_t(x)])
                    ch.push_back(v[size_t(x)][c]);
            out[c] = median(ch);
        }
        return out;
    };
    const cv::Vec3f bodyShare = medianOf(shares, nullptr);
    std::vector<bool> isBody(static_cast<size_t>(n));
    int bodyCount = 0;
    for (int x = 0; x < n; ++x) {
        const cv::Vec3f &s = shares[size_t(x)];
        const float ratio = s[2] / std::max(1.0f, bodyShare[2]);
        isBody[size_t(x)] = std::hypot(s[0] - bodyShare[0], s[1] - bodyShare[1]) < 0.03f && ratio > 0.72f && ratio < 1.4f;
        bodyCount += isBody[size_t(x)];
    }
    const cv::Vec3f bodyLab = medianOf(lab, bodyCount >= n / 5 ? &isBody : nullptr);
    cv::Mat3f bodyLab1(1, 1, bodyLab), bodyRgb;
    cv::cvtColor(bodyLab1, bodyRgb, cv::COLOR_Lab2RGB);
    p.body = bodyRgb(0, 0) * 255.0f;
    return isBody;
}

// The body samples within `window` of x, widened twice where rings crowd.
std::pair<int, int> bodyWindow(const std::vector<bool> &isBody, int x, int window)
{
    const int n = int(isBody.size());
    int a = std::max(0, x - window), b = std::min(n, x + window + 1);
    for (int widen = 0; widen < 2; ++widen) {
        int count = 0;
        for (int k = a; k < b; ++k)
            count += isBody[size_t(k)];
        if (count >= std::max(4, (b - a) / 5))
            break;
        a = std::max(0, a - window);
        b = std::min(n, b + window);
    }
    return {a, b};
}

// Near each sample: the median of the body samples within about a body
// diameter, so slow shading along the body is not taken for a ring.
void localBody(Profile &p, const std::vector<bool> &isBody)
{
    const int n = p.size();
    p.bodyNear.assign(size_t(n), p.body);
    p.spreadNear.assign(size_t(n), 0);
    const int window = std::max(6, int(float(n) * kNearShare));
    std::vector<float> ch;
    for (int x = 0; x < n; ++x) {
        const auto [a, b] = bodyWindow(isBody, x, window);
        if (std::find(isBody.begin() + a, isBody.begin() + b, true) == isBody.begin() + b)
            continue;
        for (int c = 0; c < 4; ++c) {
            ch.clear();
            for (int k = a; k < b; ++k)
                if (isBody[size_t(k)])
                    ch.push_back(c < 3 ? p.rgb[size_t(k)][c] : p.spread[size_t(k)]);
            (c < 3 ? p.bodyNear[size_t(x)][c] : p.spreadNear[size_t(x)]) = median(ch);
        }
    }
}

} // namespace

Profile sampleProfile(const cv::Mat3b &rgb, cv::Point2f start, cv::Point2f end, float halfWidth,
                      const cv::Vec3f &background)
{
    Profile p;
    p.start = start;
    p.end = end;
    p.background = background;
    const cv::Point2f axis = end - start;
    const float length = float(cv::norm(axis));
    if (length < 4 || halfWidth < 1)
        return p;
    const int n = std::clamp(int(length), kMinSamples, kMaxSamples);
    p.step = length / float(n - 1);
    p.halfWidth = halfWidth / p.step;
    StripGeometry g;
    g.start = start;
    g.dir = axis / length;
    g.across = cv::Point2f(-g.dir.y, g.dir.x);
    g.step = p.step;
    g.halfAcross = halfWidth * kAcross;
    cv::Mat3b strip = straighten(rgb, g, n, halfWidth);
    g.shear = ringSlant(strip, g);
    if (g.shear != 0)
        strip = straighten(rgb, g, n, halfWidth);
    combineRows(strip, p);
    const std::vector<bool> isBody = findBody(p);
    localBody(p, isBody);
    return p;
}

} // namespace zz::photo
