#pragma once

// Reading the colour rings of a through-hole resistor from a photo.
//
// The stages, each with its own header and tests:
//   locate   the body and its axis, at any angle and scale;
//   profile  colour sampled along the axis, lighting estimated from the photo;
//   rings    ring positions and widths found in the profile;
//   classify a probability for each colour of each ring;
//   decide   reading direction and whole codes ranked by probability and
//            plausibility (impossible and unusual codes, E-series).
// This header is what the dialog and the command-line tool use. No widgets.

#include "decode/Decode.h"
#include "value/Code.h"

#include <QImage>
#include <QPointF>
#include <QPolygonF>
#include <QString>

#include <vector>

namespace zz::photo {

struct ColourChance {
    decode::Colour colour = decode::Colour::Schwarz;
    double probability = 0;               // 0 ... 1
};

struct FoundRing {
    QPointF centre;                       // photo pixel coordinates
    double width = 0;                     // along the axis, pixels
    std::vector<ColourChance> chances;    // best first; probabilities sum to about 1
};

struct Candidate {
    value::RingCode code;                 // as the window for its ring count holds it
    std::vector<decode::Colour> colours;  // reading order, ring 1 first
    double confidence = 0;                // 0 ... 1
    bool reversed = false;                // read from axisEnd: the found rings in the other order
};

struct Reading {
    bool found = false;
    QString error;                        // German, one sentence, when nothing was found
    QPolygonF body;                       // outline of the body, photo coordinates
    QPointF axisStart;                    // the end where ring 1 is
    QPointF axisEnd;
    std::vector<FoundRing> rings;         // reading order, ring 1 first
    std::vector<Candidate> candidates;    // best first; empty when !found
    double confidence = 0;                // of candidates.front(), 0 when !found
};

// A photo read from a file or from memory with Qt's image plugins, scaled down
// before decoding where it is large, so memory stays bounded for any input.
struct LoadedPhoto {
    QImage image;                         // null on failure
    QString error;                        // German, one sentence, on failure
};
LoadedPhoto loadPhoto(const QString &path);
LoadedPhoto loadPhoto(const QByteArray &data);

// The whole chain on a photo.
Reading readPhoto(const QImage &photo);

// The chain along a line the user drew from one end of the body to the other
// (photo coordinates); used when the body was not found or found wrongly.
Reading readAlongLine(const QImage &photo, QPointF from, QPointF to);

// The same reading with the direction swapped, and with one ring (reading
// order, 0-based) fixed to a colour by the user; candidates re-ranked.
Reading reversed(const Reading &reading);
Reading withRingColour(const Reading &reading, int ring, decode::Colour colour);

} // namespace zz::photo
