#include "photo/Rings.h"

#include "photo/Image.h"

#include <algorithm>
#include <cmath>

namespace zz::photo {

namespace {

constexpr int kMaxRings = 6;
constexpr float kMinContrast = 9;
// A ring's contrast falls on both sides by this share of its height (half,
// as its span is where it stands above half its height), and by this share
// of the threshold: a glint on the body or the blurred shoulder of a ring
// does not. Between crowded rings the body is often shaded, so the dip
// stays well above the body's level.
constexpr float kMinProminence = 0.5f;
constexpr float kMinRise = 0.9f;
// Grey rings: at least this contrast, on a body of at least this chroma,
// keeping at most this share of its colourfulness and its lightness within
// this share.
constexpr float kMinGreyContrast = 5;
constexpr float kMinBodyChroma = 5;
constexpr float kGreyShare = 0.7f;
constexpr float kGreyLightness = 0.25f;

float labDistance(const cv::Vec3f &a, const cv::Vec3f &b)
{
    const cv::Vec3f d = a - b;
    return std::sqrt(0.5f * d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
}

} // namespace

std::vector<float> ringContrast(const Profile &p)
{
    std::vector<float> d(size_t(p.size()));
    for (int i = 0; i < p.size(); ++i)
        d[size_t(i)] = std::max(labDistance(rgbToLab(p.rgb[size_t(i)]), rgbToLab(p.bodyNear[size_t(i)])),
                                0.3f * (p.spread[size_t(i)] - p.spreadNear[size_t(i)]));
    // A little smoothing: noise makes single samples jump.
    std::vector<float> s(d.size());
    for (size_t i = 0; i < d.size(); ++i) {
        const float l = d[i > 0 ? i - 1 : i], r = d[i + 1 < d.size() ? i + 1 : i];
        s[i] = 0.25f * l + 0.5f * d[i] + 0.25f * r;
    }
    return s;
}

namespace {

// A hump in the contrast: its top, where it falls to half its height over
// the lowest point on each side, and how far it stands out from the higher
// of those two lowest points (its prominence).
struct Hump {
    int top = 0, begin = 0, end = 0;
    float height = 0, prominence = 0;
};

Hump humpAt(const std::vector<float> &d, int top, int from, int to)
{
    Hump h;
    h.top = top;
    h.height = d[size_t(top)];
    // Each side's valley: the lowest point before the contrast rises above this top.
    int left = top, right = top;
    for (int i = top - 1; i >= from && d[size_t(i)] <= h.height; --i)
        if (d[size_t(i)] < d[size_t(left)])
            left = i;
    for (int i = top + 1; i < to && d[size_t(i)] <= h.height; ++i)
        if (d[size_t(i)] < d[size_t(right)])
            right = i;
    const float leftLow = d[size_t(left)], rightLow = d[size_t(right)];
    h.prominence = h.height - std::max(leftLow, rightLow);
    h.begin = top;
    while (h.begin > left && d[size_t(h.begin - 1)] > (h.height + leftLow) / 2)
        --h.begin;
    h.end = top + 1;
    while (h.end < right && d[size_t(h.end)] > (h.height + rightLow) / 2)
        ++h.end;
    return h;
}

// Humps standing out from their neighbours. A top at the end of the scan is
// no ring: there the contrast rises into the body's rounded end.
std::vector<Hump> humps(const std::vector<float> &d, int from, int to, float high)
{
    std::vector<Hump> out;
    for (int i = from + 1; i < to - 1; ++i) {
        if (d[size_t(i)] < high || d[size_t(i)] < d[size_t(i - 1)] || d[size_t(i)] <= d[size_t(i + 1)])
            continue;
        const Hump h = humpAt(d, i, from, to);
        if (h.prominence >= std::max(kMinRise * high, kMinProminence * h.height))
            out.push_back(h);
    }
    return out;
}

// A silver or grey ring on a pale, coloured body is about as light as the
// body: it stands out only by its lack of colour, too faintly for the
// threshold that keeps shading out. A weaker hump counts when its middle has
// lost much of the body's colourfulness and kept its lightness: shading
// darkens the body but keeps its colourfulness.
void addGreyHumps(const Profile &p, const std::vector<float> &d, int skip, float high,
                  std::vector<std::pair<int, int>> &runs)
{
    const float low = std::max(kMinGreyContrast, 0.5f * high);
    for (const Hump &h : humps(d, skip, p.size() - skip, low)) {
        if (h.height >= high)
            continue;
        const int m0 = h.begin + (h.end - h.begin) / 4, m1 = std::max(m0 + 1, h.end - (h.end - h.begin) / 4);
        cv::Vec3f ring(0, 0, 0), body(0, 0, 0);
        for (int k = m0; k < m1; ++k) {
            ring += rgbToLab(p.rgb[size_t(k)]);
            body += rgbToLab(p.bodyNear[size_t(k)]);
        }
        ring /= float(m1 - m0);
        body /= float(m1 - m0);
        if (std::hypot(body[1], body[2]) >= kMinBodyChroma
            && colourfulness(ring) <= kGreyShare * colourfulness(body)
            && std::abs(ring[0] - body[0]) <= kGreyLightness * body[0])
            runs.push_back({h.begin, h.end});
    }
    std::sort(runs.begin(), runs.end());
}

// A narrow run right beside a ring is its shadow or its blurred edge.
void dropShadows(std::vector<std::pair<int, int>> &runs)
{
    for (size_t k = 0; k + 1 < runs.size();) {
        auto &x = runs[k], &y = runs[k + 1];
        const int gap = y.first - x.second;
        const int wx = x.second - x.first, wy = y.second - y.first;
        if (gap < std::max(2, std::max(wx, wy) / 2) && std::min(wx, wy) * 2 < std::max(wx, wy)) {
            runs.erase(runs.begin() + std::ptrdiff_t(wx < wy ? k : k + 1));
            continue;
        }
        ++k;
    }
}

} // namespace

std::vector<RingSpan> findRings(const Profile &p)
{
    const int n = p.size();
    std::vector<RingSpan> rings;
    if (n < 8)
        return rings;
    const std::vector<float> d = ringContrast(p);

    // The threshold adapts to how strongly the rings stand out: a faint
    // silver ring on a pale body must count, noise on a plain body not.
    std::vector<float> sorted = d;
    std::sort(sorted.begin(), sorted.end());
    const float high = std::max(kMinContrast, 0.2f * sorted[size_t(n * 97 / 100)]);

    // The rounded ends: their silhouette mixes body and background.
    const int skip = std::max(1, int(std::lround(n * 0.015)));
    const float minWidth = std::max(2.0f, p.halfWidth * 0.05f);
    const float maxWidth = std::max(6.0f, p.halfWidth * 1.0f);
    std::vector<std::pair<int, int>> runs;
    for (const Hump &h : humps(d, skip, n - skip, high))
        runs.push_back({h.begin, h.end});
    addGreyHumps(p, d, skip, high, runs);
    dropShadows(runs);
    for (auto [a, b] : runs) {
        if (b - a < minWidth || b - a > maxWidth)
            continue;
        RingSpan r;
        r.begin = a;
        r.end = b;
        r.contrast = *std::max_element(d.begin() + a, d.begin() + b);
        // The middle of the run: blur mixes the edges with the body.
        const int m0 = a + (b - a) / 4, m1 = std::max(m0 + 1, b - (b - a) / 4);
        std::vector<float> ch;
        for (int c = 0; c < 3; ++c) {
            ch.clear();
            for (int k = m0; k < m1; ++k)
                ch.push_back(p.rgb[size_t(k)][c]);
            std::nth_element(ch.begin(), ch.begin() + std::ptrdiff_t(ch.size() / 2), ch.end());
            r.rgb[c] = ch[ch.size() / 2];
        }
        std::vector<float> sp(p.spread.begin() + m0, p.spread.begin() + m1);
        std::nth_element(sp.begin(), sp.begin() + std::ptrdiff_t(sp.size() / 2), sp.end());
        r.spread = sp[sp.size() / 2];
        rings.push_back(r);
    }
    if (rings.size() > size_t(kMaxRings)) {
        std::vector<RingSpan> strongest = rings;
        std::nth_element(strongest.begin(), strongest.begin() + kMaxRings - 1, strongest.end(),
                         [](const RingSpan &x, const RingSpan &y) { return x.contrast > y.contrast; });
        const float cut = strongest[kMaxRings - 1].contrast;
        std::erase_if(rings, [&](const RingSpan &r) { return r.contrast < cut; });
        rings.resize(std::min(rings.size(), size_t(kMaxRings)));
    }
    return rings;
}

} // namespace zz::photo
