#include "ui/RingPictures.h"

#include "ui/UiCommon.h"

#include <QPainter>

namespace dc = zz::decode;

namespace {

// Left edges of the picture rings inside the drawing, as the windows place
// their ring labels over it; all rings start 9 pixels below its top.
constexpr std::array<int, 4> kFourRingLeft{59, 79, 99, 153};
constexpr std::array<int, 6> kFiveRingLeft{55, 72, 91, 112, 150, 166};
constexpr int kRingTop = 9;

} // namespace

RingPictures::RingPictures()
    : m_body(QStringLiteral(":/images/resistor.png"))
{
    for (int c = 0; c < dc::kColourCount; ++c) {
        const dc::ColourInfo &info = dc::colourInfo(dc::Colour(c));
        const QColor colour(info.rgb.r, info.rgb.g, info.rgb.b);
        m_swatches[size_t(c)] = zz::ui::framedBlock(info.swatchWidth, info.swatchHeight, colour,
                                                     info.frameWidth);
        m_stripes[size_t(c)] = dc::Colour(c) == dc::Colour::Weiss
            ? zz::ui::framedBlock(dc::kStripeWidth, dc::kStripeHeight, colour, dc::kStripeFrameWidth)
            : m_swatches[size_t(c)];
    }
}

const QPixmap &RingPictures::swatch(int colour) const
{
    return m_swatches.at(size_t(colour));
}

const QPixmap &RingPictures::stripe(int colour) const
{
    return m_stripes.at(size_t(colour));
}

QPixmap RingPictures::drawing(std::span<const dc::Colour> rings) const
{
    QPixmap out(kDrawingWidth, kDrawingHeight);
    out.fill(Qt::transparent);
    QPainter p(&out);
    // Scaled as the windows' labels scale their pictures.
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(out.rect(), m_body);
    const std::span<const int> left = rings.size() <= kFourRingLeft.size()
        ? std::span<const int>(kFourRingLeft) : std::span<const int>(kFiveRingLeft);
    for (size_t i = 0; i < rings.size() && i < left.size(); ++i)
        p.drawPixmap(QRect(left[i], kRingTop, dc::kStripeWidth, dc::kStripeHeight),
                     stripe(int(rings[i])));
    return out;
}
