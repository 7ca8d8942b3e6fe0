#include "help/Colours.h"

#include <QtMath>

namespace zz::help {

namespace {

// WCAG's relative luminance of sRGB colours, and its contrast ratio.
constexpr double kLinearLimit = 0.03928;
constexpr double kLinearSlope = 12.92;
constexpr double kGammaOffset = 0.055;
constexpr double kGammaScale = 1.055;
constexpr double kGamma = 2.4;
constexpr double kRedWeight = 0.2126;
constexpr double kGreenWeight = 0.7152;
constexpr double kBlueWeight = 0.0722;
constexpr double kFlare = 0.05;
// Steps from the wanted colour to the fallback.
constexpr int kMixSteps = 10;

double relativeLuminance(const QColor &colour)
{
    const auto channel = [](double c) {
        return c <= kLinearLimit ? c / kLinearSlope : qPow((c + kGammaOffset) / kGammaScale, kGamma);
    };
    const QColor rgb = colour.toRgb();
    return kRedWeight * channel(rgb.redF()) + kGreenWeight * channel(rgb.greenF()) + kBlueWeight * channel(rgb.blueF());
}

QColor mixed(const QColor &a, const QColor &b, double share)
{
    const QColor x = a.toRgb();
    const QColor y = b.toRgb();
    return QColor::fromRgbF(float(x.redF() + (y.redF() - x.redF()) * share),
                            float(x.greenF() + (y.greenF() - x.greenF()) * share),
                            float(x.blueF() + (y.blueF() - x.blueF()) * share));
}

} // namespace

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (qMax(la, lb) + kFlare) / (qMin(la, lb) + kFlare);
}

QColor readableOn(const QColor &wanted, const QColor &background, const QColor &fallback)
{
    // A little above the limit, so that rounding in the drawing keeps it.
    constexpr double enough = kReadableContrast + 0.3;
    for (int step = 0; step <= kMixSteps; ++step) {
        const QColor c = mixed(wanted, fallback, double(step) / kMixSteps);
        if (contrastRatio(c, background) >= enough)
            return c;
    }
    return fallback;
}

} // namespace zz::help
