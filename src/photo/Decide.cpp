#include "photo/Decide.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <span>
#include <string_view>

namespace zz::photo {

namespace {

using decode::Colour;

// Colours per ring tried in full; the rest of a ring's probability is
// too small to matter for the ranking.
constexpr int kPerRing = 4;
constexpr int kPrescored = 48;
constexpr double kFloor = 1e-4;
// Log-likelihood lost per unit of squared relative spread of the digit gaps.
constexpr double kUnevenWeight = 5;
// A ring narrower than this share of the median ring costs this much per
// e-fold narrower.
constexpr double kNarrow = 0.8;
constexpr double kNarrowWeight = 3;
// How far the lighting estimate may miss, shared by all rings of a photo: the
// exposure (relative, on L*+16), the cast along a* and b* (L*a*b* units at
// white) and the camera's saturation (relative, on a* and b*).
constexpr double kExposure = 0.125;
constexpr double kCast = 8;
constexpr double kSaturation = 0.2;
// Beyond this many of its spreads from a prototype a ring's odds are at their
// floor already; the shared error must not win back what they never lost.
constexpr double kFarthest = 3;

std::vector<std::span<const Colour>> ringLists(int n)
{
    using namespace decode;
    if (n <= 4) {
        std::vector<std::span<const Colour>> l{baseList(), baseList(), multiplierList(), fourRingToleranceList()};
        l.resize(size_t(n));
        return l;
    }
    std::vector<std::span<const Colour>> l{baseList(),       baseList(),
                                           baseList(),       multiplierList(),
                                           fiveRingToleranceList(), temperatureList()};
    l.resize(size_t(n));
    return l;
}

struct Scored {
    std::vector<Colour> colours;
    std::vector<int> rings;
    bool reversed = false;
    double colourScore = 0;
    double score = 0;
};

// Rings of one paint on one part look alike even where the light makes both
// look like another colour.
double agreement(const RingEvidence &a, const RingEvidence &b, bool same)
{
    if (!a.lab || !b.lab)
        return 0;
    const cv::Vec3f d = *a.lab - *b.lab;
    const double dist = std::sqrt(0.5 * d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (dist < 8)
        return same ? 0 : -1.2;
    if (dist > 22)
        return same ? -1.2 : 0;
    return 0;
}

using Latent = cv::Vec4d;
using LatentCov = cv::Matx44d;

// One ring's part in the shared error: how each latent moves its L*a*b*
// (columns: exposure, cast a*, cast b*, saturation), weighted as Classify
// weighs the channels.
void addRing(const cv::Vec3f &lab, Colour colour, LatentCov &h, Latent &g)
{
    constexpr double kWeight[3] = {0.5, 1, 1};
    const Prototype p = prototypeOf(colour);
    const double v = double(p.sigma) * p.sigma, m = (p.lab[0] + 16) / 116;
    cv::Vec3d r(lab[0] - p.lab[0], lab[1] - p.lab[1], lab[2] - p.lab[2]);
    const double far = std::sqrt((kWeight[0] * r[0] * r[0] + r[1] * r[1] + r[2] * r[2]) / v);
    if (far > kFarthest)
        r *= kFarthest / far;
    const double j[3][4] = {{p.lab[0] + 16.0, 0, 0, 0}, {p.lab[1], m, 0, p.lab[1]}, {p.lab[2], 0, m, p.lab[2]}};
    for (int k = 0; k < 3; ++k)
        for (int x = 0; x < 4; ++x) {
            g[x] += kWeight[k] / v * j[k][x] * r[k];
            for (int y = 0; y < 4; ++y)
                h(x, y) += kWeight[k] / v * j[k][x] * j[k][y];
        }
}

// The rings of one photo share what the lighting estimate got wrong. A wrong
// exposure scales L*+16, a* and b* alike (L*a*b* follows the cube root of
// brightness); a cast shifts a* and b*, more on light colours than on dark
// ones; a camera that saturates more scales a* and b*. Integrating these out
// rewards codes whose rings all miss their prototypes the same way: brown and
// red are told apart by how they differ from the other rings of the part
// more than by where they lie.
double sharedShift(const std::vector<RingEvidence> &rings, const std::vector<Colour> &colours)
{
    LatentCov h = LatentCov::zeros();
    Latent g(0, 0, 0, 0);
    for (size_t i = 0; i < rings.size(); ++i) {
        if (!rings[i].lab)
            return 0;
        addRing(*rings[i].lab, colours[i], h, g);
    }
    // Gaussian latents T, ring noise S: log N(r; 0, S + J T J') - log N(r; 0, S)
    // = g'(T^-1 + H)^-1 g / 2 - log det(I + T H) / 2, with g = J'S^-1 r, H = J'S^-1 J.
    const Latent prior(kExposure * kExposure, kCast * kCast, kCast * kCast, kSaturation * kSaturation);
    LatentCov a = h, th = h;
    for (int x = 0; x < 4; ++x) {
        a(x, x) += 1 / prior[x];
        for (int y = 0; y < 4; ++y)
            th(x, y) = prior[x] * h(x, y) + (x == y ? 1 : 0);
    }
    return 0.5 * g.dot(a.solve(g, cv::DECOMP_CHOLESKY)) - 0.5 * std::log(cv::determinant(th));
}

void enumerate(const std::vector<RingEvidence> &ordered, const std::vector<int> &used, bool reversed,
               double subsetScore, std::vector<Scored> &out)
{
    const int n = int(ordered.size());
    const auto lists = ringLists(n);
    std::vector<std::vector<std::pair<double, Colour>>> options(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        auto &o = options[size_t(i)];
        for (Colour c : lists[size_t(i)])
            o.push_back({std::log(ordered[size_t(i)].odds[size_t(c)] + kFloor), c});
        std::sort(o.begin(), o.end(), [](auto &a, auto &b) { return a.first > b.first; });
        o.resize(std::min(o.size(), size_t(kPerRing)));
    }
    std::vector<size_t> idx(static_cast<size_t>(n), 0);
    std::vector<Scored> local;
    while (true) {
        Scored s;
        s.reversed = reversed;
        s.rings = used;
        s.colourScore = subsetScore;
        for (int i = 0; i < n; ++i) {
            const auto &o = options[size_t(i)][idx[size_t(i)]];
            s.colourScore += o.first;
            s.colours.push_back(o.second);
        }
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j)
                s.colourScore += agreement(ordered[size_t(i)], ordered[size_t(j)], s.colours[size_t(i)] == s.colours[size_t(j)]);
        s.colourScore += sharedShift(ordered, s.colours);
        local.push_back(std::move(s));
        int i = n - 1;
        while (i >= 0 && ++idx[size_t(i)] == options[size_t(i)].size())
            idx[size_t(i--)] = 0;
        if (i < 0)
            break;
    }
    const size_t k = std::min(local.size(), size_t(kPrescored));
    std::partial_sort(local.begin(), local.begin() + std::ptrdiff_t(k), local.end(),
                      [](const Scored &a, const Scored &b) { return a.colourScore > b.colourScore; });
    local.resize(k);
    out.insert(out.end(), local.begin(), local.end());
}

std::optional<value::RingCode> codeOf(const std::vector<Colour> &colours)
{
    std::vector<std::string_view> names;
    names.reserve(colours.size());
    for (Colour c : colours)
        names.push_back(decode::colourInfo(c).name);
    return value::codeFromColours(names).code;
}

} // namespace

double plausibility(const value::RingCode &code, const std::vector<RingEvidence> &rings)
{
    double s = 0;
    const value::CodeFacts f = value::facts(code);
    if (f.hint == decode::Hint::NonExistent)
        s -= 8;
    else if (f.hint == decode::Hint::Unusual)
        s -= 2.5;
    const bool four = code.window == value::Window::FourRing;
    // Parts without a tolerance ring (20 %) are rare today.
    if (!code.lastRingPresent && four)
        s -= 1.5;
    const auto in = [&](value::Series x) { return std::find(f.series.begin(), f.series.end(), x) != f.series.end(); };
    if (!in(value::Series::E24) && !(!four && in(value::Series::E96)))
        s -= 1.5;
    // A leading zero is legal and only flagged unusual, but practically never
    // printed: a black first ring is mostly a dark brown the camera crushed.
    if (code.colours().front() == decode::Colour::Schwarz)
        s -= 2.5;
    // Five-ring parts are mostly 1 % (brown); 2 % (red) is rarer, and brown
    // paint under a warm lamp or a vivid camera looks red.
    if (!four && code.colours().size() == 5 && code.colours().back() == decode::Colour::Rot)
        s -= 1;

    // Layout: the tolerance ring stands apart from the digits.
    const int n = int(rings.size());
    if (n >= 4) {
        const double first = rings[1].centre - rings[0].centre;
        const double last = rings[size_t(n - 1)].centre - rings[size_t(n - 2)].centre;
        if (first > 0 && last > 0)
            s += 1.5 * std::clamp(std::log(last / first), -1.0, 1.0);
    }
    return s;
}

namespace {

// Which rings to read: all, or without up to two at each end (shading at a
// rounded end looks like a ring) and up to two inside (a glint or the edge of
// the shine beside a ring); when the direction is given, all of them.
std::vector<std::vector<int>> ringSubsets(int n, Direction direction)
{
    std::vector<std::vector<int>> subsets;
    if (direction == Direction::Forward) {
        std::vector<int> all(size_t(n), 0);
        std::iota(all.begin(), all.end(), 0);
        if (n <= 6)
            subsets.push_back(all);
        return subsets;
    }
    for (int first = 0; first <= 2; ++first)
        for (int last = n - 1; last >= n - 3; --last) {
            // Left out inside: none, one, or two of first+1 ... last-1 (-1: none).
            std::vector<std::pair<int, int>> drops{{-1, -1}};
            for (int a = first + 1; a < last; ++a) {
                drops.push_back({a, -1});
                for (int b = a + 1; b < last; ++b)
                    drops.push_back({a, b});
            }
            for (auto [a, b] : drops) {
                std::vector<int> s;
                for (int i = first; i <= last; ++i)
                    if (i != a && i != b)
                        s.push_back(i);
                if (s.size() >= 3 && s.size() <= 6)
                    subsets.push_back(std::move(s));
            }
        }
    return subsets;
}

// Printed rings of one part are about equally wide; a glint or the edge of
// the shine beside a ring makes a narrow hump.
double widthTerm(const std::vector<RingEvidence> &rings, const std::vector<int> &used)
{
    std::vector<double> w;
    for (int i : used)
        w.push_back(rings[size_t(i)].width);
    std::nth_element(w.begin(), w.begin() + std::ptrdiff_t(w.size() / 2), w.end());
    const double median = w[w.size() / 2];
    if (median <= 0)
        return 0;
    double s = 0;
    for (int i : used)
        if (const double w = rings[size_t(i)].width; w > 0)
            s -= kNarrowWeight * std::max(0.0, std::log(kNarrow * median / w));
    return s;
}

// Digit rings are printed at even steps; the widest gap (before the
// tolerance ring) is left out. A subset with a stray ring among them is uneven.
double spacingTerm(const std::vector<RingEvidence> &rings, const std::vector<int> &used)
{
    std::vector<double> gaps;
    for (size_t k = 1; k < used.size(); ++k)
        gaps.push_back(rings[size_t(used[k])].centre - rings[size_t(used[k - 1])].centre);
    if (gaps.size() < 3)
        return 0;
    gaps.erase(std::max_element(gaps.begin(), gaps.end()));
    const double mean = std::accumulate(gaps.begin(), gaps.end(), 0.0) / double(gaps.size());
    double var = 0;
    for (double g : gaps)
        var += (g - mean) * (g - mean);
    var /= double(gaps.size());
    return mean > 0 ? -kUnevenWeight * var / (mean * mean) : 0;
}

std::vector<Scored> colourReadings(const std::vector<RingEvidence> &rings, Direction direction)
{
    std::vector<Scored> all;
    const int n = int(rings.size());
    for (const std::vector<int> &used : ringSubsets(n, direction)) {
        double subsetScore = spacingTerm(rings, used) + widthTerm(rings, used);
        std::vector<RingEvidence> forward;
        for (int i = 0; i < n; ++i) {
            const bool kept = std::find(used.begin(), used.end(), i) != used.end();
            const double real = std::clamp(rings[size_t(i)].real, 0.02, 0.98);
            subsetScore += std::log(kept ? real : 1 - real);
            if (kept)
                forward.push_back(rings[size_t(i)]);
        }
        enumerate(forward, used, false, subsetScore, all);
        if (direction == Direction::Either) {
            std::vector<RingEvidence> back(forward.rbegin(), forward.rend());
            for (RingEvidence &r : back)
                r.centre = 1 - r.centre;
            enumerate(back, std::vector<int>(used.rbegin(), used.rend()), true, subsetScore, all);
        }
    }
    return all;
}

// Softmax over every reading; a code read several ways (other rings, or the
// same rings the other way round) is listed once, at its best.
std::vector<RankedCode> ranking(std::vector<std::pair<Scored, value::RingCode>> &valid, int keep)
{
    std::vector<RankedCode> ranked;
    if (valid.empty())
        return ranked;
    // Stable: of two readings scored alike, the forward one stays first.
    std::stable_sort(valid.begin(), valid.end(), [](auto &a, auto &b) { return a.first.score > b.first.score; });
    const double top = valid.front().first.score;
    double sum = 0;
    for (auto &v : valid)
        sum += std::exp(v.first.score - top);
    for (auto &v : valid) {
        if (int(ranked.size()) == keep)
            break;
        const bool seen = std::any_of(ranked.begin(), ranked.end(),
                                      [&](const RankedCode &r) { return r.colours == v.first.colours; });
        if (seen)
            continue;
        RankedCode r;
        r.colours = v.first.colours;
        r.code = v.second;
        r.reversed = v.first.reversed;
        r.rings = v.first.rings;
        r.score = v.first.score;
        r.confidence = std::exp(v.first.score - top) / sum;
        ranked.push_back(std::move(r));
    }
    return ranked;
}

} // namespace

std::vector<RankedCode> rankCodes(const std::vector<RingEvidence> &rings, Direction direction, int keep)
{
    const int n = int(rings.size());
    if (n < 3 || n > 8)
        return {};
    std::vector<std::pair<Scored, value::RingCode>> valid;
    for (Scored &s : colourReadings(rings, direction)) {
        const auto code = codeOf(s.colours);
        if (!code)
            continue;
        std::vector<RingEvidence> ordered;
        for (int i : s.rings)
            ordered.push_back(rings[size_t(i)]);
        if (s.reversed)
            for (RingEvidence &r : ordered)
                r.centre = 1 - r.centre;
        s.score = s.colourScore + plausibility(*code, ordered);
        valid.push_back({std::move(s), *code});
    }
    return ranking(valid, keep);
}

} // namespace zz::photo
