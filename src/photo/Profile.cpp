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

Profile sampleProfile(const cv::Mat3b &rgb, cv::Point2f start, cv::Point2f end, float halfWidth,
                      cv::Vec3f background)
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
    const cv::Point2f dir = axis / length;
    const cv::Point2f across(-dir.y, dir.x);

    // Reduce the part of the photo around the body so one sample step is
    // about one pixel, then straighten the body into a strip.
    const float reduce = std::max(1.0f, p.step);
    const float margin = halfWidth + 4 * reduce;
    cv::Rect roi = cv::boundingRect(std::vector<cv::Point2f>{start - across * margin - dir * margin,
                                                             start + across * margin - dir * margin,
                                                             end - across * margin + dir * margin,
                                                             end + across * margin + dir * margin});
    roi &= cv::Rect(0, 0, rgb.cols, rgb.rows);
    if (roi.empty())
        return p;
    cv::Mat3b part = rgb(roi);
    if (reduce > 1.2f)
        cv::resize(part, part, cv::Size(), 1 / reduce, 1 / reduce, cv::INTER_AREA);
    const float sx = float(part.cols) / float(roi.width);
    const float sy = float(part.rows) / float(roi.height);
    const auto toPart = [&](cv::Point2f q) {
        return cv::Point2f((q.x - float(roi.x) + 0.5f) * sx - 0.5f, (q.y - float(roi.y) + 0.5f) * sy - 0.5f);
    };
    const cv::Point2f o = toPart(start - across * (halfWidth * kAcross));
    const cv::Point2f ex = toPart(start + dir * p.step - across * (halfWidth * kAcross)) - o;
    const cv::Point2f ey = (toPart(start + across * (halfWidth * kAcross)) - o) * (1.0f / (kRows - 1));
    const cv::Matx23f map(ex.x, ey.x, o.x, ex.y, ey.y, o.y);
    cv::Mat3b strip;
    cv::warpAffine(part, strip, map, cv::Size(n, kRows), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP,
                   cv::BORDER_REPLICATE);

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

    // The body is what most of the length shows; rings cover about a third.
    std::vector<cv::Vec3f> lab(static_cast<size_t>(n));
    for (int x = 0; x < n; ++x)
        lab[size_t(x)] = rgbToLab(p.rgb[size_t(x)]);
    std::vector<float> ch(static_cast<size_t>(n));
    cv::Vec3f bodyLab;
    for (int c = 0; c < 3; ++c) {
        for (int x = 0; x < n; ++x)
            ch[size_t(x)] = lab[size_t(x)][c];
        std::nth_element(ch.begin(), ch.begin() + n / 2, ch.end());
        bodyLab[c] = ch[size_t(n / 2)];
    }
    // Body samples: near the body's chromaticity (r, g shares, which shading
    // does not change, unlike a*b*) and not much darker or brighter.
    const auto share = [](const cv::Vec3f &rgb) {
        const float sum = std::max(1.0f, rgb[0] + rgb[1] + rgb[2]);
        return cv::Vec3f(rgb[0] / sum, rgb[1] / sum, sum);
    };
    std::vector<cv::Vec3f> shares(static_cast<size_t>(n));
    for (int x = 0; x < n; ++x)
        shares[size_t(x)] = share(p.rgb[size_t(x)]);
    cv::Vec3f bodyShare;
    for (int c = 0; c < 3; ++c) {
        for (int x = 0; x < n; ++x)
            ch[size_t(x)] = shares[size_t(x)][c];
        std::nth_element(ch.begin(), ch.begin() + n / 2, ch.end());
        bodyShare[c] = ch[size_t(n / 2)];
    }
    std::vector<bool> isBody(static_cast<size_t>(n));
    int bodyCount = 0;
    for (int x = 0; x < n; ++x) {
        const cv::Vec3f &s = shares[size_t(x)];
        const float ratio = s[2] / std::max(1.0f, bodyShare[2]);
        isBody[size_t(x)] = std::hypot(s[0] - bodyShare[0], s[1] - bodyShare[1]) < 0.03f && ratio > 0.72f && ratio < 1.4f;
        bodyCount += isBody[size_t(x)];
    }
    if (bodyCount >= n / 5)
        for (int c = 0; c < 3; ++c) {
            ch.clear();
            for (int x = 0; x < n; ++x)
                if (isBody[size_t(x)])
                    ch.push_back(lab[size_t(x)][c]);
            std::nth_element(ch.begin(), ch.begin() + std::ptrdiff_t(ch.size() / 2), ch.end());
            bodyLab[c] = ch[ch.size() / 2];
        }
    cv::Mat3f bodyLab1(1, 1, bodyLab), bodyRgb;
    cv::cvtColor(bodyLab1, bodyRgb, cv::COLOR_Lab2RGB);
    p.body = bodyRgb(0, 0) * 255.0f;

    // Near each sample: the median of the body samples within about a body
    // diameter, so slow shading along the body is not taken for a ring.
    p.bodyNear.resize(size_t(n));
    p.spreadNear.resize(size_t(n));
    const int window = std::max(6, int(n * 0.12f));
    std::vector<float> sp;
    for (int x = 0; x < n; ++x) {
        int a = std::max(0, x - window), b = std::min(n, x + window + 1);
        cv::Vec3f local = p.body;
        float localSpread = 0;
        for (int widen = 0; widen < 3; ++widen) {
            int count = 0;
            for (int k = a; k < b; ++k)
                count += isBody[size_t(k)];
            if (count >= std::max(4, (b - a) / 5) || widen == 2) {
                if (count == 0)
                    break;
                for (int c = 0; c < 3; ++c) {
                    ch.clear();
                    for (int k = a; k < b; ++k)
                        if (isBody[size_t(k)])
                            ch.push_back(p.rgb[size_t(k)][c]);
                    std::nth_element(ch.begin(), ch.begin() + std::ptrdiff_t(ch.size() / 2), ch.end());
                    local[c] = ch[ch.size() / 2];
                }
                sp.clear();
                for (int k = a; k < b; ++k)
                    if (isBody[size_t(k)])
                        sp.push_back(p.spread[size_t(k)]);
                std::nth_element(sp.begin(), sp.begin() + std::ptrdiff_t(sp.size() / 2), sp.end());
                localSpread = sp[sp.size() / 2];
                break;
            }
            a = std::max(0, a - window);
            b = std::min(n, b + window);
        }
        p.bodyNear[size_t(x)] = local;
        p.spreadNear[size_t(x)] = localSpread;
    }
    return p;
}

} // namespace zz::photo
