#include "photo/PhotoReader.h"

// Placeholder until the stages land: loads photos, finds nothing.

namespace zz::photo {

namespace {
Reading nothingFound()
{
    Reading r;
    r.error = QStringLiteral("Auf dem Foto wurde kein Widerstand gefunden.");
    return r;
}
} // namespace

LoadedPhoto loadPhoto(const QString &path)
{
    LoadedPhoto p;
    if (!p.image.load(path))
        p.error = QStringLiteral("Die Datei ist kein lesbares Bild.");
    return p;
}

LoadedPhoto loadPhoto(const QByteArray &data)
{
    LoadedPhoto p;
    if (!p.image.loadFromData(data))
        p.error = QStringLiteral("Die Daten sind kein lesbares Bild.");
    return p;
}

Reading readPhoto(const QImage &) { return nothingFound(); }
Reading readAlongLine(const QImage &, QPointF, QPointF) { return nothingFound(); }
Reading reversed(const Reading &reading) { return reading; }
Reading withRingColour(const Reading &reading, int, decode::Colour) { return reading; }

} // namespace zz::photo
