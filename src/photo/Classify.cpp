#include "photo/Classify.h"

#include "photo/Image.h"

#include <algorithm>
#include <cmath>

namespace zz::photo {

namespace {

using decode::Colour;

// What a ring of each colour looks like in a photo under neutral light,
// L*a*b*; metal rings also by how unevenly they shine. Set by hand.
struct ColourPrototype {
    Colour colour;
    cv::Vec3f lab;
    float sigma;      // spread of the colour in photos, L*a*b* units
};

const ColourPrototype g_prototypes[] = {
    {Colour::Schwarz, {22, 3, 0}, 12},
    {Colour::Braun, {36, 30, 18}, 13},
    {Colour::Rot, {44, 55, 35}, 13},
    {Colour::Orange, {58, 30, 40}, 14},
    {Colour::Gelb, {78, 0, 50}, 14},
    {Colour::Gruen, {42, -25, 18}, 14},
    {Colour::Blau, {37, 6, -32}, 14},
    {Colour::Violett, {40, 22, -25}, 14},
    {Colour::Grau, {48, 1, -2}, 12},
    {Colour::Weiss, {89, 1, 3}, 9},
    {Colour::Gold, {68, 3, 25}, 10},
    {Colour::Silber, {77, 1, 3}, 10},
};

// Lightness counts less than hue: shading and exposure move it most. A metal
// ring mirrors its surroundings, so how light it looks (gold in shadow is as
// dark as brown) says still less about it.
constexpr double kPaintLightness = 0.5;
constexpr double kMetalLightness = 0.25;

// Gold is a coloured metal, at least as colourful as a beige body under the
// same light; silver has only the colour it mirrors, less than the body's.
// Colourfulness is chroma over L* + 16, which shading leaves unchanged; the
// difference, not the ratio, since a lamp's leftover cast adds to both.
constexpr double kMetalSplit = 0.03;    // body's colourfulness - ring's
constexpr double kMetalSplitWidth = 0.03;
constexpr double kMetalSplitWeight = 2.0;
constexpr float kWarmBodyChroma = 8;

constexpr float kMildCast = 0.2f;   // log ratio
// Spread of a lamp's cast (log ratio per channel) and how much less likely
// than the likeliest a lighting may be and still be tried.
constexpr double kLampCast = 0.25;
constexpr double kUnlikelyLighting = -4;
// Chroma (L*a*b*) at which a corrected background counts as coloured, and
// the log-odds that costs.
constexpr double kTintedBackground = 30;
constexpr double kTintedWeight = 3;
const cv::Vec3f kBeigeBody(220, 195, 155);
const cv::Vec3f kBlueBody(95, 160, 215);

} // namespace

namespace {

// Gains that take the body to the reference's colour: brightness fully; a
// mild colour cast halfway, since bodies differ in tint from pale grey to
// tan, and beyond that fully: that is the lamp.
Lighting lightingFor(const cv::Vec3f &body, const cv::Vec3f &ref)
{
    Lighting l;
    const float refMean = (ref[0] + ref[1] + ref[2]) / 3;
    const float bodyMean = std::max(4.0f, (body[0] + body[1] + body[2]) / 3);
    for (int c = 0; c < 3; ++c) {
        const float cast = (ref[c] / refMean) / std::max(0.05f, body[c] / bodyMean);
        const float e = std::log(cast), mild = std::min(std::abs(e), kMildCast);
        const float corrected = std::copysign(0.5f * mild + (std::abs(e) - mild), e);
        l.gains[c] = std::clamp(refMean / bodyMean * std::exp(corrected), 0.25f, 4.0f);
    }
    return l;
}

// How strong a lamp it takes to make the reference look like the body: the
// squared log ratios of the channels, their common brightness taken out.
double castSize(const cv::Vec3f &body, const cv::Vec3f &ref)
{
    cv::Vec3d e;
    for (int c = 0; c < 3; ++c)
        e[c] = std::log(ref[c] / std::max(2.0f, body[c]));
    const double mean = (e[0] + e[1] + e[2]) / 3;
    return (e - cv::Vec3d::all(mean)).dot(e - cv::Vec3d::all(mean));
}

} // namespace

std::vector<LightingGuess> lightingGuesses(const cv::Vec3f &body, const cv::Vec3f &background)
{
    // The body is the one thing of known colour in every photo of a
    // resistor. But a blue body under a warm lamp and a beige one under a
    // cool lamp look alike (the two lie almost along the line from warm to
    // cool light), so both are guessed, the one asking for the milder lamp
    // likelier.
    std::vector<LightingGuess> out;
    for (const cv::Vec3f &ref : {kBeigeBody, kBlueBody}) {
        const Lighting light = lightingFor(body, ref);
        // Backgrounds are more often grey or white than coloured: a weak
        // witness, bounded, since some are coloured whatever the light.
        const cv::Vec3f bg = correctedLab(background, light);
        const double tinted = std::min(1.0, std::hypot(bg[1], bg[2]) / kTintedBackground);
        out.push_back({light, -castSize(body, ref) / (2 * kLampCast * kLampCast) - kTintedWeight * tinted});
    }
    std::sort(out.begin(), out.end(), [](const LightingGuess &a, const LightingGuess &b) { return a.prior > b.prior; });
    // Relative to the likelier guess, so a clearly coloured body reads as before.
    const double top = out.front().prior;
    for (LightingGuess &g : out)
        g.prior -= top;
    std::erase_if(out, [](const LightingGuess &g) { return g.prior < kUnlikelyLighting; });
    return out;
}

Lighting estimateLighting(const cv::Vec3f &body, const cv::Vec3f &background)
{
    return lightingGuesses(body, background).front().light;
}

Prototype prototypeOf(Colour colour)
{
    for (const ColourPrototype &p : g_prototypes)
        if (p.colour == colour)
            return {p.lab, p.sigma};
    return {};
}

cv::Vec3f correctedLab(const cv::Vec3f &rgb, const Lighting &light)
{
    cv::Vec3f c;
    for (int i = 0; i < 3; ++i)
        c[i] = std::clamp(rgb[i] * light.gains[i], 0.0f, 255.0f);
    return rgbToLab(c);
}

namespace {

// How much likelier silver than gold, from the ring's colour beside the body
// near it: positive when the ring has lost the body's colour. Only a warm
// (beige, tan) body is a witness; on blue or grey there is nothing to compare.
double silverOverGold(const cv::Vec3f &ring, const cv::Vec3f &body)
{
    if (body[2] <= 0 || std::hypot(body[1], body[2]) < kWarmBodyChroma)
        return 0;
    const double lost = colourfulness(body) - colourfulness(ring);
    return kMetalSplitWeight * std::clamp((lost - kMetalSplit) / kMetalSplitWidth, -1.0, 1.0);
}

} // namespace

ColourOdds classifyRing(const cv::Vec3f &rgb, float spread, const cv::Vec3f &body, const Lighting &light)
{
    const cv::Vec3f lab = correctedLab(rgb, light);
    const double metalSplit = silverOverGold(lab, correctedLab(body, light));
    ColourOdds odds{};
    double best = -1e30;
    std::array<double, decode::kColourCount> logs{};
    for (const ColourPrototype &p : g_prototypes) {
        const cv::Vec3f d = lab - p.lab;
        const bool metal = p.colour == Colour::Gold || p.colour == Colour::Silber;
        const double wl = metal ? kMetalLightness : kPaintLightness;
        double e = (wl * d[0] * d[0] + d[1] * d[1] + d[2] * d[2]) / (2.0 * p.sigma * p.sigma);
        if (metal)
            e -= std::clamp((spread - 55.0) / 25.0, -1.0, 1.0);
        logs[size_t(p.colour)] = -e;
        best = std::max(best, -e);
    }
    double sum = 0;
    for (size_t i = 0; i < odds.size(); ++i)
        sum += odds[i] = std::exp(logs[i] - best);
    for (double &o : odds)
        o /= sum;
    // The body tells gold from silver, not metal from grey or white: move
    // odds between the two metals only.
    double &silver = odds[size_t(Colour::Silber)], &gold = odds[size_t(Colour::Gold)];
    const double metal = silver + gold;
    if (metal > 0) {
        const double s = silver * std::exp(0.5 * metalSplit), g = gold * std::exp(-0.5 * metalSplit);
        silver = metal * s / (s + g);
        gold = metal * g / (s + g);
    }
    return odds;
}

} // namespace zz::photo
