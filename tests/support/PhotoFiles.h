#pragma once

// Photo files for tests of the photo reader's users: rendered resistors
// saved as files, and broken or hostile image files.

#include "ResistorRenderer.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QString>
#include <QtEndian>

namespace zz::test {

// A clean studio photo: plain background, no camera faults, the part large.
inline ResistorScene studioScene(std::vector<decode::Colour> rings, double angleDegrees,
                                 BodyColour body = BodyColour::Beige)
{
    ResistorScene s;
    s.rings = std::move(rings);
    s.angleDegrees = angleDegrees;
    s.body = body;
    s.bodyLength = 0.45;
    return s;
}

inline QByteArray encoded(const QImage &image, const char *format, int quality = 92)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes;
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

namespace detail {
inline quint32 crc32(const QByteArray &data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char ch : data) {
        crc ^= quint8(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline QByteArray pngChunk(const char *type, const QByteArray &data)
{
    QByteArray body = QByteArray(type, 4) + data;
    QByteArray out(4, '\0');
    qToBigEndian(quint32(data.size()), out.data());
    out += body;
    QByteArray crc(4, '\0');
    qToBigEndian(crc32(body), crc.data());
    return out + crc;
}
} // namespace detail

// A PNG whose header claims width x height RGB pixels but carries two rows:
// a reader that believes the header allocates gigabytes.
inline QByteArray hugePngHeader(quint32 width, quint32 height)
{
    QByteArray ihdr(13, '\0');
    qToBigEndian(width, ihdr.data());
    qToBigEndian(height, ihdr.data() + 4);
    ihdr[8] = 8;   // bits per channel
    ihdr[9] = 2;   // RGB
    const QByteArray rows(2 * (1 + qsizetype(width) * 3), '\0');
    const QByteArray zlib = qCompress(rows).mid(4);   // qCompress prefixes the length
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + detail::pngChunk("IHDR", ihdr)
           + detail::pngChunk("IDAT", zlib) + detail::pngChunk("IEND", {});
}

// A baseline JPEG of a small picture whose frame header claims width x height.
inline QByteArray hugeJpegHeader(quint16 width, quint16 height)
{
    QImage small(64, 48, QImage::Format_RGB32);
    small.fill(Qt::gray);
    QByteArray jpeg = encoded(small, "JPEG");
    const qsizetype sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    if (sof >= 0 && sof + 9 <= jpeg.size()) {
        qToBigEndian(height, jpeg.data() + sof + 5);
        qToBigEndian(width, jpeg.data() + sof + 7);
    }
    return jpeg;
}

} // namespace zz::test
