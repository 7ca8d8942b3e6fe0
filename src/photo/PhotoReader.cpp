#include "photo/PhotoReader.h"

#include "photo/Classify.h"
#include "photo/Decide.h"
#include "photo/Image.h"
#include "photo/Locate.h"
#include "photo/Profile.h"
#include "photo/Rings.h"

#include <algorithm>
#include <cmath>

namespace zz::photo {

namespace {

using decode::Colour;

constexpr double kEndZone = 0.05;
constexpr double kBodyColourReal = 0.8;
// The body in better light: lighter than the body near it by this much L*,
// within this angle of its hue and keeping at least this share of its
// colourfulness, on a body with at least this chroma (a grey body has no
// hue to keep).
constexpr float kLitLighter = 10;
constexpr float kLitHue = 0.5f;   // radians
constexpr float kLitColourfulness = 0.75f;
constexpr float kLitBodyChroma = 15;
constexpr double kLitBodyReal = 0.3;
// Below this score per ring the "rings" match no paint and no code well:
// texture or clutter, not a resistor. Real photos, blurred or lit badly,
// stay above -2.2; a textured background without a resistor reads -2.9.
constexpr double kLeastScorePerRing = -2.5;
// A reading this good per ring is not looked past for the less likely
// objects of a busy photo, which cost time.
constexpr double kWellReadPerRing = -1.0;
constexpr size_t kLikelyObjects = 4;

Reading nothing(const char *text)
{
    Reading r;
    r.error = QString::fromUtf8(text);
    return r;
}

std::vector<ColourChance> chancesOf(const ColourOdds &odds)
{
    std::vector<ColourChance> out;
    out.reserve(decode::kColourCount);
    for (int i = 0; i < decode::kColourCount; ++i)
        out.push_back({Colour(i), odds[size_t(i)]});
    std::stable_sort(out.begin(), out.end(),
                     [](const ColourChance &a, const ColourChance &b) { return a.probability > b.probability; });
    return out;
}

ColourOdds oddsOf(const std::vector<ColourChance> &chances)
{
    ColourOdds odds{};
    for (const ColourChance &c : chances)
        odds[size_t(c.colour)] = c.probability;
    return odds;
}

std::vector<RingEvidence> evidenceOf(const Reading &r)
{
    std::vector<RingEvidence> out;
    const QPointF axis = r.axisEnd - r.axisStart;
    const double length2 = std::max(1e-9, QPointF::dotProduct(axis, axis));
    const double length = std::sqrt(length2);
    for (const FoundRing &ring : r.rings) {
        RingEvidence e;
        e.odds = oddsOf(ring.chances);
        e.centre = QPointF::dotProduct(ring.centre - r.axisStart, axis) / length2;
        e.width = ring.width / length;
        out.push_back(e);
    }
    return out;
}

void setCandidates(Reading &r, const std::vector<RankedCode> &ranked)
{
    r.candidates.clear();
    for (const RankedCode &k : ranked)
        r.candidates.push_back({k.code, k.colours, k.confidence, k.reversed});
    r.found = !r.candidates.empty();
    r.confidence = r.found ? r.candidates.front().confidence : 0;
    if (!r.found)
        r.error = QStringLiteral("Die Farbringe ergeben keinen gültigen Farbcode.");
}

// A hump lighter than the body near it yet of the body's own hue and
// colourfulness (chroma per L* + 16, which more light keeps) is bare body in
// better light: between crowded dark rings the body is lit more than at a
// shaded shoulder, and blur spreads that. Paints lighter than a coloured
// body differ from it in hue, and white or silver lose its colourfulness.
bool litBody(const cv::Vec3f &ringRgb, const cv::Vec3f &bodyRgb)
{
    const cv::Vec3f ring = rgbToLab(ringRgb), body = rgbToLab(bodyRgb);
    const float ringChroma = std::hypot(ring[1], ring[2]), bodyChroma = std::hypot(body[1], body[2]);
    if (bodyChroma < kLitBodyChroma || ring[0] < body[0] + kLitLighter
        || colourfulness(ring) < kLitColourfulness * colourfulness(body))
        return false;
    const float cosHue = (ring[1] * body[1] + ring[2] * body[2]) / (ringChroma * bodyChroma);
    return cosHue > std::cos(kLitHue);
}

// What each hump says as a ring: its colour's odds, where it lies and how
// likely it is a ring at all.
std::vector<RingEvidence> ringEvidence(const Profile &profile, const std::vector<RingSpan> &spans, const Lighting &light)
{
    const double last = std::max(1, profile.size() - 1);
    std::vector<RingEvidence> evidence;
    for (const RingSpan &s : spans) {
        RingEvidence e;
        const cv::Vec3f &near = profile.bodyNear[size_t(std::lround(s.centre()))];
        e.odds = classifyRing(s.rgb, s.spread, near, light);
        e.lab = correctedLab(s.rgb, light);
        e.centre = s.centre() / last;
        e.width = s.width() / last;
        // Shading at the rounded ends of the body looks like a ring there.
        const bool atEnd = s.begin < profile.size() * kEndZone || s.end > profile.size() * (1 - kEndZone);
        e.real = (atEnd ? 0.4 : 0.95) * std::clamp(double(s.contrast) / 15, 0.3, 1.0);
        // A hump that reads as the body's own colour is mostly shading or
        // the edge of a glint on the body, rarely a ring of that paint.
        const ColourOdds bodyOdds = classifyRing(near, 0, near, light);
        const auto bodyColour = std::max_element(bodyOdds.begin(), bodyOdds.end()) - bodyOdds.begin();
        const auto ringColour = std::max_element(e.odds.begin(), e.odds.end()) - e.odds.begin();
        if (bodyColour == ringColour)
            e.real *= kBodyColourReal;
        if (litBody(s.rgb, near))
            e.real *= kLitBodyReal;
        evidence.push_back(e);
    }
    return evidence;
}

// The chain from the body's axis on; `score` says how well the rings read.
Reading readAxis(const cv::Mat3b &rgb, cv::Point2f start, cv::Point2f end, float halfWidth, const cv::Vec3f &background,
                 double *score = nullptr)
{
    if (score)
        *score = -1e9;
    const Profile profile = sampleProfile(rgb, start, end, halfWidth, background);
    const std::vector<RingSpan> spans = findRings(profile);
    if (spans.size() < 3)
        return nothing("Auf dem Widerstand wurden keine Farbringe erkannt.");
    // Under each lighting the photo may have been taken in, the rings read
    // as some code; the lighting whose best code fits best is taken.
    std::vector<RingEvidence> evidence;
    std::vector<RankedCode> ranked;
    for (const LightingGuess &guess : lightingGuesses(profile.body, background)) {
        std::vector<RingEvidence> e = ringEvidence(profile, spans, guess.light);
        std::vector<RankedCode> k = rankCodes(e, Direction::Either);
        for (RankedCode &c : k)
            c.score += guess.prior;
        if (!k.empty() && (ranked.empty() || k.front().score > ranked.front().score)) {
            evidence = std::move(e);
            ranked = std::move(k);
        }
    }
    if (ranked.empty())
        return nothing("Die Farbringe ergeben keinen gültigen Farbcode.");
    const std::vector<int> &used = ranked.front().rings;
    if (score)
        *score = ranked.front().score / double(used.size());

    Reading r;
    const cv::Point2f dir = (end - start) / float(std::max(1e-6, cv::norm(end - start)));
    const cv::Point2f across(-dir.y, dir.x);
    r.body << toQPoint(start + across * halfWidth) << toQPoint(end + across * halfWidth)
           << toQPoint(end - across * halfWidth) << toQPoint(start - across * halfWidth);
    const bool back = ranked.front().reversed;
    r.axisStart = toQPoint(back ? end : start);
    r.axisEnd = toQPoint(back ? start : end);
    for (int k : used) {
        FoundRing f;
        f.centre = toQPoint(profile.at(spans[size_t(k)].centre()));
        f.width = spans[size_t(k)].width() * profile.step;
        f.chances = chancesOf(evidence[size_t(k)].odds);
        r.rings.push_back(std::move(f));
    }
    // The alternatives the dialog offers read the same rings, either way round.
    std::vector<int> usedSorted = used;
    std::sort(usedSorted.begin(), usedSorted.end());
    std::vector<RankedCode> sameWay;
    for (RankedCode k : ranked) {
        std::vector<int> sorted = k.rings;
        std::sort(sorted.begin(), sorted.end());
        if (sorted != usedSorted)
            continue;
        k.reversed = k.reversed != back;
        sameWay.push_back(std::move(k));
    }
    setCandidates(r, sameWay);
    return r;
}

cv::Vec3f borderColour(const cv::Mat3b &rgb)
{
    std::vector<float> ch[3];
    const int step = std::max(1, std::max(rgb.cols, rgb.rows) / 200);
    const auto add = [&](int x, int y) {
        for (int c = 0; c < 3; ++c)
            ch[c].push_back(rgb(y, x)[c]);
    };
    for (int x = 0; x < rgb.cols; x += step) {
        add(x, 0);
        add(x, rgb.rows - 1);
    }
    for (int y = 0; y < rgb.rows; y += step) {
        add(0, y);
        add(rgb.cols - 1, y);
    }
    cv::Vec3f out;
    for (int c = 0; c < 3; ++c) {
        auto mid = ch[c].begin() + std::ptrdiff_t(ch[c].size() / 2);
        std::nth_element(ch[c].begin(), mid, ch[c].end());
        out[c] = *mid;
    }
    return out;
}

} // namespace

Reading readPhoto(const QImage &photo)
{
    if (photo.isNull())
        return nothing("Es ist kein Foto geladen.");
    const cv::Mat3b rgb = toMat(photo);
    // Whichever guess of the body reads best: the objects standing out from
    // the frame's edge, or the whole frame as a close-up.
    std::vector<BodyAxis> guesses = locateBodies(rgb);
    const size_t objects = guesses.size();
    BodyAxis close = closeUpAxis(rgb);
    if (!guesses.empty())
        close.background = guesses.front().background;
    guesses.push_back(close);
    if (const auto body = closeUpBody(rgb, alignToRings(rgb, close)))
        guesses.push_back(*body);
    Reading best;
    double bestScore = -1e9;
    BodyAxis bestAxis;
    const auto read = [&](const BodyAxis &a) {
        double score = -1e9;
        Reading r = readAxis(rgb, a.start, a.end, a.halfWidth, a.background, &score);
        if (r.found && (!best.found || score > bestScore)) {
            best = std::move(r);
            bestScore = score;
            bestAxis = a;
        }
    };
    // The first few objects are the likeliest bodies; the thinner or smaller
    // ones after them are read only while nothing has read well yet.
    for (size_t i = 0; i < guesses.size(); ++i) {
        const bool unlikely = i >= kLikelyObjects && i < objects;
        if (unlikely && best.found && bestScore >= kWellReadPerRing)
            continue;
        read(alignToRings(rgb, guesses[i]));
    }
    // The best guess squared to the rings' edges as well: where the band's
    // sharpness does not clearly peak, the edges' direction still does.
    if (best.found) {
        const BodyAxis squared = squareToRingEdges(rgb, bestAxis);
        if (squared.start != bestAxis.start)
            read(squared);
    }
    if (!best.found || bestScore < kLeastScorePerRing)
        return nothing("Auf dem Foto wurde kein Widerstand gefunden.");
    return best;
}

Reading readAlongLine(const QImage &photo, QPointF from, QPointF to)
{
    if (photo.isNull())
        return nothing("Es ist kein Foto geladen.");
    const cv::Mat3b rgb = toMat(photo);
    const cv::Point2f a = toPoint(from), b = toPoint(to);
    const float length = float(cv::norm(b - a));
    if (length < 8)
        return nothing("Die Linie ist zu kurz, um Farbringe zu lesen.");
    // A body is about three times as long as it is thick; only its middle third
    // across is sampled, so this may be off by half.
    Reading r = readAxis(rgb, a, b, length / 6, borderColour(rgb));
    return r;
}

Reading reversed(const Reading &reading)
{
    Reading r = reading;
    std::swap(r.axisStart, r.axisEnd);
    std::reverse(r.rings.begin(), r.rings.end());
    if (r.rings.size() >= 3)
        setCandidates(r, rankCodes(evidenceOf(r), Direction::Forward));
    return r;
}

Reading withRingColour(const Reading &reading, int ring, decode::Colour colour)
{
    Reading r = reading;
    if (ring < 0 || ring >= int(r.rings.size()))
        return r;
    ColourOdds odds{};
    odds[size_t(colour)] = 1;
    r.rings[size_t(ring)].chances = chancesOf(odds);
    setCandidates(r, rankCodes(evidenceOf(r), Direction::Forward));
    return r;
}

} // namespace zz::photo
