#pragma once

#include "decode/Decode.h"

#include <QPixmap>

#include <array>
#include <span>

// The swatches of the ring lists and the stripes of the picture rings, made
// once and shared by both decoder windows and the code search, so a colour
// looks the same everywhere.
class RingPictures final
{
public:
    // Size of the resistor drawing above the results.
    static constexpr int kDrawingWidth = 225;
    static constexpr int kDrawingHeight = 65;

    RingPictures();

    // The swatch of a colour (zz::decode::Colour) as the lists show it, and
    // the picture-ring stripe of that colour.
    const QPixmap &swatch(int colour) const;
    const QPixmap &stripe(int colour) const;

    // The resistor drawing with the rings at the places the windows give
    // them: three or four rings as in the four-ring window, five or six as in
    // the five/six-ring window.
    QPixmap drawing(std::span<const zz::decode::Colour> rings) const;

private:
    std::array<QPixmap, zz::decode::kColourCount> m_swatches;
    std::array<QPixmap, zz::decode::kColourCount> m_stripes;
    QPixmap m_body;
};
