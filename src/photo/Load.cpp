#include "photo/PhotoReader.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

// Loading is the one stage that sees untrusted bytes: every way a file can be
// wrong ends in a German sentence and a null image, and a huge picture is
// scaled down while it is decoded, so memory stays bounded.

namespace zz::photo {

namespace {

// Long side of the largest picture the engine works on: enough for a
// resistor that fills a small part of a phone photo.
constexpr int kMaxSide = 3200;
// Larger files are not read at all: no photo of a resistor needs them.
constexpr qint64 kMaxFileBytes = qint64(256) << 20;

LoadedPhoto failed(const char *text)
{
    LoadedPhoto p;
    p.error = QString::fromUtf8(text);
    return p;
}

// Qt decodes a truncated JPEG without complaint and fills the missing part
// with grey; a broken photo must not be read as a resistor. Walks the marker
// segments to the first scan and wants an end-of-image marker after it.
bool jpegComplete(const QByteArray &data)
{
    const auto byte = [&](qsizetype i) { return quint8(data[i]); };
    qsizetype i = 2;
    while (i + 4 <= data.size()) {
        if (byte(i) != 0xFF)
            return false;
        const quint8 marker = byte(i + 1);
        if (marker == 0xFF) {
            ++i;
            continue;
        }
        if (marker == 0xD9)
            return true;
        const qsizetype length = (qsizetype(byte(i + 2)) << 8) | byte(i + 3);
        if (marker == 0xDA)
            return data.indexOf("\xFF\xD9", i + 2 + length) >= 0;
        i += 2 + length;
    }
    return false;
}

LoadedPhoto decode(const QByteArray &data)
{
    if (data.isEmpty())
        return failed("Die Datei ist leer.");
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return failed("Die Datei ist kein lesbares Bild.");
    if (reader.format() == "jpeg" && !jpegComplete(data))
        return failed("Das Bild ist unvollständig: die Datei bricht vor seinem Ende ab.");
    const QSize size = reader.size();
    if (size.isValid() && std::max(size.width(), size.height()) > kMaxSide)
        reader.setScaledSize(size.scaled(kMaxSide, kMaxSide, Qt::KeepAspectRatio));
    LoadedPhoto p;
    p.image = reader.read();
    if (p.image.isNull())
        return failed("Das Bild ist beschädigt oder zu groß, um es zu lesen.");
    if (std::max(p.image.width(), p.image.height()) > kMaxSide)
        p.image = p.image.scaled(kMaxSide, kMaxSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return p;
}

} // namespace

LoadedPhoto loadPhoto(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failed("Die Datei lässt sich nicht öffnen.");
    if (file.size() > kMaxFileBytes)
        return failed("Die Datei ist zu groß für ein Foto.");
    return decode(file.readAll());
}

LoadedPhoto loadPhoto(const QByteArray &data)
{
    if (data.size() > kMaxFileBytes)
        return failed("Die Daten sind zu groß für ein Foto.");
    return decode(data);
}

} // namespace zz::photo
