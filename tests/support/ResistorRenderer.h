#pragma once

// Photos of resistors the project makes itself: a through-hole resistor drawn
// with its rings, leads, shading and metallic gold and silver, then
// "photographed" at any angle and scale with blur, noise, white balance,
// glare, shadows and JPEG artefacts. Everything follows from the scene and
// its seed, so a failing test shows the same picture again.

#include "decode/Decode.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QPolygonF>
#include <QSize>

#include <vector>

namespace zz::test {

enum class BodyColour { Beige, Blue };
enum class Background {
    Plain,      // one colour with a soft falloff of the light
    Textured,   // wood-like grain, blotches and specks
    Grid,       // cutting mat: lines in a square grid
};

struct ResistorScene {
    std::vector<decode::Colour> rings;   // reading order, ring 1 first; 3 to 6
    BodyColour body = BodyColour::Beige;
    QSize size{800, 600};
    QPointF centre{0.5, 0.5};            // of the body, fractions of the size
    double angleDegrees = 0;             // direction from ring 1 to the far end; 0 = ring 1 left, y down
    double bodyLength = 0.4;             // fraction of the photo's width
    double diameterRatio = 0.32;         // body diameter at its caps / length
    bool leads = true;
    Background background = Background::Plain;
    QColor backgroundColour{236, 236, 232};
    double blurRadius = 0;               // pixels, a near-Gaussian blur
    double noise = 0;                    // standard deviation, 8-bit levels
    int jpegQuality = -1;                // -1: no JPEG round trip
    double redGain = 1, greenGain = 1, blueGain = 1;   // white balance
    double glare = 0;                    // 0 ... 1: a specular streak and a bright spot
    double shadow = 0;                   // 0 ... 1: cast shadow of the part and a shaded region
    double colourJitter = 0;             // 0 ... 1: paint and lighting variation from the seed
    quint32 seed = 1;
};

struct RenderedResistor {
    QImage image;                        // Format_RGB32
    QPolygonF body;                      // outline of the body, image coordinates
    QPointF ring1End;                    // axis end at ring 1, image coordinates
    QPointF farEnd;
    std::vector<QPointF> ringCentres;    // reading order
    std::vector<double> ringWidths;      // along the axis, pixels
};

RenderedResistor renderResistor(const ResistorScene &scene);

// Half the body's thickness at its caps, from the drawn outline.
double halfThickness(const RenderedResistor &shot);

// The angle between two directions of an axis, 0 ... 90 degrees (an axis has
// no sense of direction, so 180 degrees apart is the same axis).
double angleBetween(QPointF a, QPointF b);

// The photo of no resistor: the same backgrounds and camera faults, with some
// clutter (a lead-like wire and a coloured block) so a reader must not guess.
QImage renderEmptyScene(const ResistorScene &scene);

// A varied but realistic scene for these rings: angle, scale, body colour
// (blue for five and six rings more often), background, camera faults, all
// from the seed. difficulty 0 is a clean studio shot, 1 a poor phone photo.
ResistorScene variedScene(const std::vector<decode::Colour> &rings, quint32 seed, double difficulty = 0.5);

// A valid code of 3 to 6 rings for the windows' lists, from the seed.
std::vector<decode::Colour> randomCode(int ringCount, quint32 seed);

} // namespace zz::test
