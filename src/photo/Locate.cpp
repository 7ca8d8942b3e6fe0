#include "photo/Locate.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace zz::photo {

namespace {

// Locating works on a small copy: the body's outline needs few pixels.
constexpr int kWorkSide = 480;

float median(std::vector<float> &v)
{
    if (v.empty())
        return 0;
    auto mid = v.begin() + std::ptrdiff_t(v.size() / 2);
    std::nth_element(v.begin(), mid, v.end());
    return *mid;
}

// Morphology by distance transforms: exact discs, cost independent of radius.
cv::Mat1b erodeDisc(const cv::Mat1b &mask, float r)
{
    cv::Mat1f d;
    cv::distanceTransform(mask, d, cv::DIST_L2, cv::DIST_MASK_PRECISE);
    return d > r;
}

cv::Mat1b dilateDisc(const cv::Mat1b &mask, float r)
{
    cv::Mat1f d;
    cv::distanceTransform(255 - mask, d, cv::DIST_L2, cv::DIST_MASK_PRECISE);
    return d <= r;
}

} // namespace

namespace {

// The small copy in Lab with what its frame's edge says about the background.
struct Scene {
    cv::Mat3f lab;
    double scale = 1;
    cv::Vec3f background;
    cv::Mat1f distance;   // of each pixel's colour from the background's
    float edgeNoise = 0;  // how far the frame's edge itself strays from it
};

Scene sceneOf(const cv::Mat3b &rgb)
{
    Scene sc;
    sc.scale = std::min(1.0, double(kWorkSide) / std::max(rgb.cols, rgb.rows));
    cv::Mat3b small;
    cv::resize(rgb, small, cv::Size(), sc.scale, sc.scale, cv::INTER_AREA);
    cv::GaussianBlur(small, small, cv::Size(5, 5), 0);
    small.convertTo(sc.lab, CV_32FC3, 1.0 / 255);
    cv::cvtColor(sc.lab, sc.lab, cv::COLOR_RGB2Lab);
    const cv::Mat3f &lab = sc.lab;

    // The background is what the frame's edge mostly shows; in close-ups the
    // body's ends touch the left and right edges, but less than half of it.
    const int border = std::max(2, std::min(lab.cols, lab.rows) / 30);
    const auto onEdge = [&](int x, int y) {
        return y < border || y >= lab.rows - border || x < border || x >= lab.cols - border;
    };
    std::vector<float> ch[3];
    for (int y = 0; y < lab.rows; ++y)
        for (int x = 0; x < lab.cols; ++x)
            if (onEdge(x, y))
                for (int c = 0; c < 3; ++c)
                    ch[c].push_back(lab(y, x)[c]);
    sc.background = cv::Vec3f(median(ch[0]), median(ch[1]), median(ch[2]));

    // Shading changes lightness more than hue, so lightness counts half.
    sc.distance.create(lab.size());
    std::vector<float> edge;
    for (int y = 0; y < lab.rows; ++y)
        for (int x = 0; x < lab.cols; ++x) {
            const cv::Vec3f d = lab(y, x) - sc.background;
            sc.distance(y, x) = std::sqrt(0.25f * d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
            if (onEdge(x, y))
                edge.push_back(sc.distance(y, x));
        }
    // Three quarters of the edge: a close-up's body ends may take the rest.
    auto q = edge.begin() + std::ptrdiff_t(edge.size() * 3 / 4);
    std::nth_element(edge.begin(), q, edge.end());
    sc.edgeNoise = edge.empty() ? 0 : *q;
    return sc;
}

// Foreground masks from most to least strict: what stands out by Otsu's
// split, and, when the body is close to the background in colour (beige on
// card, blue on grey), whatever stands out from the background's own spread.
std::vector<cv::Mat1b> foregroundMasks(const Scene &sc)
{
    cv::Mat1b dist8;
    sc.distance.convertTo(dist8, CV_8U, 2.0);
    cv::Mat1b mask;
    double otsu = cv::threshold(dist8, mask, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
    if (otsu < 12) {
        otsu = 12;
        cv::threshold(dist8, mask, otsu, 255, cv::THRESH_BINARY);
    }
    std::vector<cv::Mat1b> out{mask};
    const double low = std::max(8.0, 2.0 * (2.0 * sc.edgeNoise + 3));
    if (low < otsu * 0.75) {
        cv::Mat1b loose;
        cv::threshold(dist8, loose, low, 255, cv::THRESH_BINARY);
        out.push_back(loose);
    }
    return out;
}

BodyAxis axisOf(const cv::Mat1b &body, float thickest, const Scene &sc)
{
    std::vector<cv::Point> points;
    cv::findNonZero(body, points);
    const cv::RotatedRect box = cv::minAreaRect(points);
    float length = box.size.width;
    float thickness = box.size.height;
    float angle = box.angle * float(CV_PI / 180);
    if (thickness > length) {
        std::swap(length, thickness);
        angle += float(CV_PI / 2);
    }
    const cv::Point2f dir(std::cos(angle), std::sin(angle));
    const float inv = float(1 / sc.scale);
    // Pixel centres: the small copy's pixel i covers full pixels i/scale ... (i+1)/scale.
    const cv::Point2f centre = (box.center + cv::Point2f(0.5f, 0.5f)) * inv - cv::Point2f(0.5f, 0.5f);
    BodyAxis a;
    a.start = centre - dir * (length * 0.5f * inv);
    a.end = centre + dir * (length * 0.5f * inv);
    a.halfWidth = std::min(thickness * 0.5f, thickest * 1.05f) * inv;
    cv::Mat3f bgLab(1, 1, sc.background), bgRgb;
    cv::cvtColor(bgLab, bgRgb, cv::COLOR_Lab2RGB);
    a.background = bgRgb(0, 0) * 255.0f;
    return a;
}

// The thickest objects of a mask, thickest first. A first guess of the
// thickness sets how much closing (rings that look like the background) and
// opening (leads) the mask gets.
void bodiesIn(cv::Mat1b mask, const Scene &sc, size_t most, std::vector<BodyAxis> &out)
{
    cv::Mat1f inside;
    cv::distanceTransform(mask, inside, cv::DIST_L2, cv::DIST_MASK_PRECISE);
    double thickest = 0;
    cv::minMaxLoc(inside, nullptr, &thickest);
    if (thickest < 3)
        return;
    mask = erodeDisc(dilateDisc(mask, float(thickest * 0.3)), float(thickest * 0.3));
    cv::distanceTransform(mask, inside, cv::DIST_L2, cv::DIST_MASK_PRECISE);
    size_t kept = 0;
    for (size_t k = 0; k < 2 * most && kept < most; ++k) {
        cv::Point seed;
        double here = 0;
        cv::minMaxLoc(inside, nullptr, &here, nullptr, &seed);
        // A further object about as thick as the first may be the body; a
        // much thinner one (down to a tenth) only when it is long like a
        // body: blotches on a busy background, or a soft shadow, can be
        // thicker than a small part.
        if (here < 3 || (k > 0 && here < thickest * 0.1))
            return;
        if (k == 0)
            thickest = here;
        const cv::Mat1b core = inside > here * 0.45;
        cv::Mat1i labels;
        cv::connectedComponents(core, labels, 8, CV_32S);
        const cv::Mat1b seedCore = labels == labels(seed);
        const cv::Mat1b body = dilateDisc(seedCore, float(here * 0.45)) & mask;
        inside.setTo(0, dilateDisc(seedCore, float(here)));
        if (cv::countNonZero(body) < 20)
            continue;
        const BodyAxis a = axisOf(body, float(here), sc);
        const bool thin = here < thickest * 0.6;
        if (thin && cv::norm(a.end - a.start) < 4.4 * a.halfWidth)
            continue;
        out.push_back(a);
        ++kept;
    }
}

// How strongly the body's outline shows on both sides at each step along
// the axis, from `from` to `to` (small copy's pixels along the axis, 0 at
// the start): the weaker side's largest step across, between 0.6 and 1.3 of
// the half thickness. A lead or the bare background has no outline there.
std::vector<float> outlineAlong(const Scene &sc, cv::Point2f start, cv::Point2f dir, float halfWidth, int from, int to)
{
    const cv::Point2f across(-dir.y, dir.x);
    const int rows = int(2.6f * halfWidth) + 3;
    const cv::Point2f origin = start + dir * float(from) - across * (float(rows - 1) / 2);
    const cv::Matx23f map(dir.x, across.x, origin.x, dir.y, across.y, origin.y);
    cv::Mat3f strip;
    cv::warpAffine(sc.lab, strip, map, cv::Size(to - from, rows), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP,
                   cv::BORDER_REPLICATE);
    const float mid = float(rows - 1) / 2;
    std::vector<float> out(size_t(to - from), 0);
    for (int u = 0; u < strip.cols; ++u) {
        float side[2] = {0, 0};
        for (int v = 1; v + 1 < rows; ++v) {
            const float off = std::abs(float(v) - mid) / halfWidth;
            if (off < 0.6f || off > 1.3f)
                continue;
            cv::Vec3f d = strip(v + 1, u) - strip(v - 1, u);
            d[0] *= 0.5f;
            float &s = side[float(v) < mid ? 0 : 1];
            s = std::max(s, float(cv::norm(d)));
        }
        out[size_t(u)] = std::min(side[0], side[1]);
    }
    return out;
}

// The body's ends where its outline stops: the mask may hold only the part
// that stands out from the background (the rings) while the rest of the
// body is close to it in colour. Lengthens by at most half; or, `within`,
// walks out from the middle and stays within the given ends.
BodyAxis extendToOutline(const Scene &sc, const BodyAxis &a, bool within = false)
{
    const float s = float(sc.scale);
    const cv::Point2f start = (a.start + cv::Point2f(0.5f, 0.5f)) * s - cv::Point2f(0.5f, 0.5f);
    const cv::Point2f end = (a.end + cv::Point2f(0.5f, 0.5f)) * s - cv::Point2f(0.5f, 0.5f);
    const float length = float(cv::norm(end - start)), hw = a.halfWidth * s;
    if (length < 8 || hw < 3)
        return a;
    const cv::Point2f dir = (end - start) / length;
    const int reach = within ? 0 : int(length * 0.5f);
    std::vector<float> e = outlineAlong(sc, start, dir, hw, -reach, int(length) + reach);
    cv::blur(e, e, cv::Size(std::max(3, int(hw) | 1), 1), cv::Point(-1, -1), cv::BORDER_REPLICATE);
    std::vector<float> middle(e.begin() + reach + int(length * 0.25f), e.begin() + reach + int(length * 0.75f));
    const float ref = median(middle);
    if (ref < 4)
        return a;
    // Walk out from each end while the outline holds at 40 % of the middle's.
    int lo = reach, hi = reach + int(length) - 1;
    if (within)
        lo = hi = int(length) / 2;
    while (lo > 0 && e[size_t(lo - 1)] >= 0.4f * ref)
        --lo;
    while (hi + 1 < int(e.size()) && e[size_t(hi + 1)] >= 0.4f * ref)
        ++hi;
    BodyAxis out = a;
    out.start = a.start + (a.end - a.start) * (float(lo - reach) / length);
    out.end = a.start + (a.end - a.start) * (float(hi - reach + 1) / length);
    return out;
}

bool apartFromFrame(const BodyAxis &a, cv::Size frame)
{
    const float margin = 0.02f * float(std::max(frame.width, frame.height));
    const cv::Rect2f inner(margin, margin, float(frame.width) - 2 * margin, float(frame.height) - 2 * margin);
    return inner.contains(a.start) && inner.contains(a.end);
}

bool sameBody(const BodyAxis &a, const BodyAxis &b)
{
    const cv::Point2f da = a.end - a.start, db = b.end - b.start;
    const double la = cv::norm(da), lb = cv::norm(db);
    const double cosine = std::abs(da.dot(db)) / std::max(1e-6, la * lb);
    const double apart = cv::norm((a.start + a.end) * 0.5f - (b.start + b.end) * 0.5f);
    return cosine > 0.995 && apart < 0.03 * std::max(la, lb) && std::abs(la - lb) < 0.06 * std::max(la, lb);
}

} // namespace

// In a close-up the body's silhouette: the strongest colour steps across the
// axis on either side over the middle half of the length, and the ends where
// that outline stops (a cap's end inside the frame).
std::optional<BodyAxis> silhouetteOf(const Scene &sc, const BodyAxis &a)
{
    const float s = float(sc.scale);
    const cv::Point2f start = (a.start + cv::Point2f(0.5f, 0.5f)) * s - cv::Point2f(0.5f, 0.5f);
    const cv::Point2f end = (a.end + cv::Point2f(0.5f, 0.5f)) * s - cv::Point2f(0.5f, 0.5f);
    const float length = float(cv::norm(end - start));
    const float reach = a.halfWidth * s / 0.6f;
    if (length < 16 || reach < 6)
        return std::nullopt;
    const cv::Point2f dir = (end - start) / length, across(-dir.y, dir.x);
    const int rows = int(2 * reach), cols = int(length / 2);
    const cv::Point2f origin = start + dir * (length / 4) - across * reach;
    const cv::Matx23f map(dir.x, across.x, origin.x, dir.y, across.y, origin.y);
    cv::Mat3f strip;
    cv::warpAffine(sc.lab, strip, map, cv::Size(cols, rows), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP, cv::BORDER_REPLICATE);
    cv::Mat3f mean;
    cv::reduce(strip, mean, 1, cv::REDUCE_AVG);   // one colour per offset across
    float best[2] = {0, 0};
    int at[2] = {0, rows - 1};
    for (int v = 1; v + 1 < rows; ++v) {
        cv::Vec3f d = mean(v + 1, 0) - mean(v - 1, 0);
        d[0] *= 0.5f;
        const float m = float(cv::norm(d));
        // Offsets mirrored about the axis, so a photo turned round reads alike.
        const float off = float(v) - float(rows - 1) / 2;
        const int side = off < 0 ? 0 : 1;
        if (m > best[side] && std::abs(off) > float(rows) / 8) {
            best[side] = m;
            at[side] = v;
        }
    }
    BodyAxis body = a;
    const float hw = float(at[1] - at[0]) / 2;
    const float shift = float(at[1] + at[0]) / 2 - reach;
    body.start = a.start + across * (shift / s);
    body.end = a.end + across * (shift / s);
    body.halfWidth = hw / s;
    if (hw < 3)
        return std::nullopt;
    return extendToOutline(sc, body, true);
}

std::vector<BodyAxis> locateBodies(const cv::Mat3b &rgb, size_t most)
{
    std::vector<BodyAxis> out;
    if (rgb.empty() || rgb.cols < 8 || rgb.rows < 8 || most == 0)
        return out;
    const Scene sc = sceneOf(rgb);
    for (const cv::Mat1b &mask : foregroundMasks(sc)) {
        std::vector<BodyAxis> found;
        bodiesIn(mask, sc, 3, found);
        // The outline's ends beside the mask's: the rings say which is right.
        for (size_t i = 0, n = found.size(); i < n; ++i)
            found.push_back(extendToOutline(sc, found[i]));
        // The body's own outline inside the thickest object: a part on a
        // dark tray or a close-up small in a pale photo stands out as a whole
        // patch, the body somewhere in it. Its steps across are looked for
        // inside the patch only, not at the patch's own edge. A patch
        // reaching the frame is a close-up, whose outline closeUpBody finds.
        if (!found.empty() && apartFromFrame(found.front(), rgb.size())) {
            BodyAxis patch = found.front();
            patch.halfWidth *= 0.6f;
            if (const auto body = silhouetteOf(sc, patch))
                found.insert(found.begin() + 1, *body);
        }
        for (const BodyAxis &b : found)
            if (std::none_of(out.begin(), out.end(), [&](const BodyAxis &o) { return sameBody(o, b); }))
                out.push_back(b);
    }
    if (out.size() > most)
        out.resize(most);
    return out;
}

std::optional<BodyAxis> locateBody(const cv::Mat3b &rgb)
{
    const std::vector<BodyAxis> bodies = locateBodies(rgb, 1);
    if (bodies.empty())
        return std::nullopt;
    return bodies.front();
}

std::optional<BodyAxis> closeUpBody(const cv::Mat3b &rgb, const BodyAxis &closeUp)
{
    if (rgb.empty() || rgb.cols < 8 || rgb.rows < 8)
        return std::nullopt;
    return silhouetteOf(sceneOf(rgb), closeUp);
}

BodyAxis closeUpAxis(const cv::Mat3b &rgb)
{
    const double scale = std::min(1.0, double(kWorkSide) / std::max(rgb.cols, rgb.rows));
    cv::Mat3b small;
    cv::resize(rgb, small, cv::Size(), scale, scale, cv::INTER_AREA);
    cv::Mat1b grey;
    cv::cvtColor(small, grey, cv::COLOR_RGB2GRAY);
    cv::GaussianBlur(grey, grey, cv::Size(5, 5), 0);
    cv::Mat1f gx, gy;
    cv::Sobel(grey, gx, CV_32F, 1, 0);
    cv::Sobel(grey, gy, CV_32F, 0, 1);
    // Ring edges run across the body: their gradients point along the axis.
    constexpr int kBins = 90;
    std::array<double, kBins> hist{};
    for (int y = 0; y < grey.rows; ++y)
        for (int x = 0; x < grey.cols; ++x) {
            const float a = gx(y, x), b = gy(y, x);
            const float m = a * a + b * b;
            if (m < 400)
                continue;
            double t = std::atan2(b, a);
            if (t < 0)
                t += CV_PI;
            hist[size_t(std::min(kBins - 1, int(t / CV_PI * kBins)))] += std::sqrt(m);
        }
    const bool wide = rgb.cols >= rgb.rows;
    const double longSide = wide ? 0 : CV_PI / 2;
    double best = -1, angle = longSide;
    for (int i = 0; i < kBins; ++i) {
        const double t = (i + 0.5) * CV_PI / kBins;
        double off = std::abs(t - longSide);
        off = std::min(off, CV_PI - off);
        if (off > CV_PI / 4)
            continue;
        const double v = hist[size_t((i + kBins - 1) % kBins)] + 2 * hist[size_t(i)] + hist[size_t((i + 1) % kBins)];
        if (v > best) {
            best = v;
            angle = t;
        }
    }
    const cv::Point2f dir(float(std::cos(angle)), float(std::sin(angle)));
    const cv::Point2f centre(float(rgb.cols - 1) / 2, float(rgb.rows - 1) / 2);
    // Half the frame along the axis and across it, from the centre.
    const auto reach = [&](cv::Point2f d) {
        const float rx = std::abs(d.x) > 1e-6f ? centre.x / std::abs(d.x) : 1e9f;
        const float ry = std::abs(d.y) > 1e-6f ? centre.y / std::abs(d.y) : 1e9f;
        return std::min(rx, ry);
    };
    const float along = reach(dir) * 0.97f;
    const float across = reach(cv::Point2f(-dir.y, dir.x));
    BodyAxis a;
    a.start = centre - dir * along;
    a.end = centre + dir * along;
    a.halfWidth = across * 0.6f;
    return a;
}

} // namespace zz::photo
