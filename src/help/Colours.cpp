#include "help/Colours.h"

#include <QtMath>

namespace zz::help {

namespace {

double relativeLuminance(const QColor &colour)
{
    const auto channel = [](double c) {
        return c <= 0.03928 ? c / 12.92 : qPow((c + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) + 0.0722 * channel(rgb.blueF());
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
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

QColor readableOn(const QColor &wanted, const QColor &background, const QColor &fallback)
{
    // A little above the limit, so that rounding in the drawing keeps it.
    constexpr double enough = kReadableContrast + 0.3;
    for (int step = 0; step <= 10; ++step) {
        const QColor c = mixed(wanted, fallback, step / 10.0);
        if (contrastRatio(c, background) >= enough)
            return c;
    }
    return fallback;
}

} // namespace zz::help
