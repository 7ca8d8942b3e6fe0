// Draws the resistor of the about box: 470 Ohm at 5 %, read as yellow, violet,
// brown and gold. Run through the build target zz_about_picture_update, which
// rewrites resources/about/Widerstand.png.
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s output.png\n", argv[0]);
        return 2;
    }

    // 24 bits without alpha; the background is the usual dialog grey.
    QImage image(120, 37, QImage::Format_RGB888);
    image.fill(QColor(0xEF, 0xEF, 0xEF));

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);

    // Leads, two pixels thick, through the middle.
    painter.fillRect(QRect(0, 17, 20, 3), Qt::black);
    painter.fillRect(QRect(100, 17, 20, 3), Qt::black);

    // Body with thicker caps at both ends, as on a real carbon-film resistor.
    QPainterPath leftCap, rightCap, middle;
    leftCap.addRoundedRect(QRectF(14, 3, 24, 31), 6, 6);
    rightCap.addRoundedRect(QRectF(82, 3, 24, 31), 6, 6);
    middle.addRect(QRectF(30, 8, 60, 21));
    const QPainterPath body = leftCap.united(middle).united(rightCap);
    painter.fillPath(body, QColor(0xB4, 0xB4, 0xB4));

    // Rings in the colours of the program's swatches, cut to the body.
    painter.setClipPath(body);
    const struct { int x; QColor colour; } rings[] = {
        {23, QColor(0xFF, 0xFF, 0x00)},  // Gelb: 4
        {42, QColor(0x7F, 0x00, 0x7F)},  // Violett: 7
        {55, QColor(0x80, 0x40, 0x00)},  // Braun: x10
        {90, QColor(0xBA, 0x9D, 0x3A)},  // Gold: 5 %
    };
    for (const auto &ring : rings)
        painter.fillRect(QRect(ring.x, 0, 7, 37), ring.colour);
    painter.setClipping(false);

    painter.setPen(QPen(Qt::black, 1));
    painter.drawPath(body);
    painter.end();

    return image.save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
