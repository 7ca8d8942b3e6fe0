// Draws the program's pictures: the resistor body under the picture rings and
// the application icon (a small 470 ohm resistor) at every size it ships in.
// Usage: zz_make_images <output folder>

#include <QColor>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <cstdio>
#include <vector>

namespace {

// Resistor body without rings: the windows lay the coloured stripes over it,
// so the body must span the stripe columns of both windows (x 67..210 here).
QImage drawBody()
{
    QImage img(273, 66, QImage::Format_RGB32);
    img.fill(QColor(0xF0, 0xF0, 0xF0));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient lead(0, 30, 0, 37);
    lead.setColorAt(0, QColor(0xE0, 0xE0, 0xE0));
    lead.setColorAt(0.5, QColor(0x9A, 0x9A, 0x9A));
    lead.setColorAt(1, QColor(0x60, 0x60, 0x60));
    p.setPen(Qt::NoPen);
    p.setBrush(lead);
    p.drawRect(QRectF(0, 30, 273, 6));

    QLinearGradient body(0, 8, 0, 58);
    body.setColorAt(0, QColor(0xF2, 0xE6, 0xC8));
    body.setColorAt(0.45, QColor(0xD6, 0xC4, 0x98));
    body.setColorAt(1, QColor(0x9E, 0x8C, 0x64));
    p.setBrush(body);
    p.setPen(QPen(QColor(0x5A, 0x50, 0x3C), 1.2));
    QPainterPath path;
    path.addRoundedRect(QRectF(50.5, 8.5, 174, 49), 14, 14);
    p.drawPath(path);
    return img;
}

// The icon in a 48-unit design, with its bands in the colours of 470 ohm 5 %.
QImage drawIcon(int size)
{
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, size > 16);
    p.scale(size / 48.0, size / 48.0);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x80, 0x80, 0x80));
    p.drawRect(QRectF(0, 22, 48, 4));

    p.setBrush(QColor(0xD6, 0xC4, 0x98));
    p.setPen(QPen(QColor(0x5A, 0x50, 0x3C), size > 16 ? 1.5 : 0));
    p.drawRoundedRect(QRectF(6, 12, 36, 24), 6, 6);

    p.setPen(Qt::NoPen);
    const struct { double x; QColor c; } bands[] = {
        {12, QColor(0xFF, 0xFF, 0x00)},  // Gelb
        {18, QColor(0x7F, 0x00, 0x7F)},  // Violett
        {24, QColor(0x80, 0x40, 0x00)},  // Braun
        {33, QColor(0xBA, 0x9D, 0x3A)},  // Gold
    };
    for (const auto &b : bands) {
        p.setBrush(b.c);
        p.drawRect(QRectF(b.x, 12.75, 3, 22.5));
    }
    return img;
}

void put16(std::vector<char> &out, unsigned v)
{
    out.push_back(char(v & 0xFF));
    out.push_back(char((v >> 8) & 0xFF));
}

void put32(std::vector<char> &out, unsigned v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// One icon image as a 32-bit DIB with its AND mask, the form every reader takes.
std::vector<char> dibEntry(const QImage &img)
{
    const int w = img.width(), h = img.height();
    const int maskStride = ((w + 31) / 32) * 4;
    std::vector<char> out;
    put32(out, 40);
    put32(out, unsigned(w));
    put32(out, unsigned(h * 2));
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);
    put32(out, unsigned(w * h * 4 + maskStride * h));
    for (int i = 0; i < 4; ++i)
        put32(out, 0);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const QRgb c = img.pixel(x, y);
            out.push_back(char(qBlue(c)));
            out.push_back(char(qGreen(c)));
            out.push_back(char(qRed(c)));
            out.push_back(char(qAlpha(c)));
        }
    }
    for (int y = h - 1; y >= 0; --y) {
        std::vector<unsigned char> row(size_t(maskStride), 0);
        for (int x = 0; x < w; ++x)
            if (qAlpha(img.pixel(x, y)) == 0)
                row[size_t(x / 8)] |= static_cast<unsigned char>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

bool writeIco(const QString &path, const std::vector<QImage> &images)
{
    std::vector<std::vector<char>> entries;
    for (const QImage &img : images)
        entries.push_back(dibEntry(img));
    std::vector<char> out;
    put16(out, 0);
    put16(out, 1);
    put16(out, unsigned(images.size()));
    unsigned offset = 6 + 16 * unsigned(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out.push_back(char(images[i].width() % 256));
        out.push_back(char(images[i].height() % 256));
        out.push_back(0);
        out.push_back(0);
        put16(out, 1);
        put16(out, 32);
        put32(out, unsigned(entries[i].size()));
        put32(out, offset);
        offset += unsigned(entries[i].size());
    }
    for (const auto &e : entries)
        out.insert(out.end(), e.begin(), e.end());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(out.data(), qint64(out.size())) == qint64(out.size());
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]) + QLatin1Char('/');
    bool ok = drawBody().save(dir + QStringLiteral("resistor.png"));
    std::vector<QImage> icoImages;
    for (int size : {16, 32, 48, 256}) {
        const QImage icon = drawIcon(size);
        ok = icon.save(dir + QStringLiteral("Lurvan-%1.png").arg(size)) && ok;
        if (size <= 48)
            icoImages.push_back(icon);
    }
    ok = writeIco(dir + QStringLiteral("Lurvan.ico"), icoImages) && ok;
    if (!ok)
        std::fprintf(stderr, "writing the pictures failed\n");
    return ok ? 0 : 1;
}
