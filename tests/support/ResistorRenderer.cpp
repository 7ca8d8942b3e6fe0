#include "ResistorRenderer.h"

#include <QBuffer>
#include <QLineF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <random>
#include <span>

namespace zz::test {

using decode::Colour;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Paint as printed on parts, not the swatch colours of the windows.
QColor paintColour(Colour c)
{
    switch (c) {
    case Colour::Schwarz: return {28, 26, 26};
    case Colour::Braun: return {112, 58, 32};
    case Colour::Rot: return {196, 32, 30};
    case Colour::Orange: return {236, 112, 28};
    case Colour::Gelb: return {240, 206, 36};
    case Colour::Gruen: return {34, 136, 62};
    case Colour::Blau: return {34, 78, 176};
    case Colour::Violett: return {120, 56, 150};
    case Colour::Grau: return {136, 136, 136};
    case Colour::Weiss: return {244, 244, 238};
    case Colour::Gold: return {190, 150, 60};
    case Colour::Silber: return {175, 175, 178};
    }
    return Qt::black;
}

bool isMetal(Colour c) { return c == Colour::Gold || c == Colour::Silber; }

QColor scaled(const QColor &c, double f)
{
    auto ch = [f](int v) { return std::clamp(int(std::lround(v * f)), 0, 255); };
    return QColor(ch(c.red()), ch(c.green()), ch(c.blue()), c.alpha());
}

QColor jittered(const QColor &c, double amount, std::mt19937 &rng)
{
    if (amount <= 0)
        return c;
    std::normal_distribution<double> d(0, amount * 12);
    auto ch = [&](int v) { return std::clamp(int(std::lround(v + d(rng))), 0, 255); };
    return QColor(ch(c.red()), ch(c.green()), ch(c.blue()));
}

// Ring centres along the body, fractions of its length from the ring-1 end.
// Digits and multiplier sit in a group; tolerance (and temperature) stand off.
std::vector<double> ringPositions(int count)
{
    switch (count) {
    case 3: return {0.17, 0.31, 0.45};
    case 4: return {0.17, 0.31, 0.45, 0.81};
    case 5: return {0.14, 0.26, 0.38, 0.50, 0.82};
    default: return {0.12, 0.23, 0.34, 0.45, 0.66, 0.85};
    }
}

// The body in its own frame: axis along x from -L/2 to L/2, caps wider than
// the middle, as on a real film resistor.
QPainterPath bodyPath(double length, double diameter)
{
    const double r = diameter / 2;
    const double waist = r * 0.82;
    const double cap = length * 0.24;
    const double x0 = -length / 2;
    const double x1 = length / 2;
    QPainterPath p;
    p.moveTo(x0 + r * 0.6, -r);
    p.lineTo(x0 + cap - r * 0.3, -r);
    p.cubicTo(x0 + cap, -r, x0 + cap, -waist, x0 + cap + r * 0.4, -waist);
    p.lineTo(x1 - cap - r * 0.4, -waist);
    p.cubicTo(x1 - cap, -waist, x1 - cap, -r, x1 - cap + r * 0.3, -r);
    p.lineTo(x1 - r * 0.6, -r);
    p.cubicTo(x1 + r * 0.2, -r, x1 + r * 0.2, r, x1 - r * 0.6, r);
    p.lineTo(x1 - cap + r * 0.3, r);
    p.cubicTo(x1 - cap, r, x1 - cap, waist, x1 - cap - r * 0.4, waist);
    p.lineTo(x0 + cap + r * 0.4, waist);
    p.cubicTo(x0 + cap, waist, x0 + cap, r, x0 + cap - r * 0.3, r);
    p.lineTo(x0 + r * 0.6, r);
    p.cubicTo(x0 - r * 0.2, r, x0 - r * 0.2, -r, x0 + r * 0.6, -r);
    p.closeSubpath();
    return p;
}

// Light across a cylinder: dark at the rims, bright a little above the middle.
QLinearGradient cylinderShade(double r, double strength)
{
    QLinearGradient g(0, -r, 0, r);
    g.setColorAt(0.0, QColor(0, 0, 0, int(150 * strength)));
    g.setColorAt(0.18, QColor(255, 255, 255, int(40 * strength)));
    g.setColorAt(0.32, QColor(255, 255, 255, int(90 * strength)));
    g.setColorAt(0.45, QColor(255, 255, 255, 0));
    g.setColorAt(0.75, QColor(0, 0, 0, int(40 * strength)));
    g.setColorAt(1.0, QColor(0, 0, 0, int(170 * strength)));
    return g;
}

// Gold and silver: a dull base with a sharp specular band, so on a photo they
// turn brownish, greyish or near white depending on where the light falls.
QLinearGradient metalShade(Colour c, double r, double highlightAt)
{
    const bool gold = c == Colour::Gold;
    const QColor dark = gold ? QColor(92, 68, 22) : QColor(86, 86, 90);
    const QColor mid = gold ? QColor(176, 136, 52) : QColor(160, 160, 166);
    const QColor bright = gold ? QColor(250, 230, 150) : QColor(250, 250, 252);
    QLinearGradient g(0, -r, 0, r);
    g.setColorAt(0.0, dark);
    g.setColorAt(std::max(0.05, highlightAt - 0.16), mid);
    g.setColorAt(highlightAt, bright);
    g.setColorAt(std::min(0.95, highlightAt + 0.14), mid);
    g.setColorAt(0.82, scaled(mid, 0.8));
    g.setColorAt(1.0, dark);
    return g;
}

void paintBackground(QPainter &p, const ResistorScene &s, std::mt19937 &rng)
{
    const QRectF all(QPointF(0, 0), QSizeF(s.size));
    const QColor base = s.backgroundColour;
    std::uniform_real_distribution<double> u(0, 1);
    // Light falls off from a point near the centre.
    QRadialGradient light(QPointF(all.width() * (0.3 + 0.4 * u(rng)), all.height() * (0.3 + 0.4 * u(rng))),
                          std::max(all.width(), all.height()) * 0.9);
    light.setColorAt(0, scaled(base, 1.03));
    light.setColorAt(1, scaled(base, 0.82));
    p.fillRect(all, light);

    if (s.background == Background::Textured) {
        // Grain: long thin strokes in a common direction, plus blotches and specks.
        const double dir = u(rng) * kPi;
        const double w = all.width(), h = all.height();
        const int strokes = int(w * h / 900);
        for (int i = 0; i < strokes; ++i) {
            const QPointF a(u(rng) * w, u(rng) * h);
            const double len = 20 + u(rng) * 120;
            const double d = dir + (u(rng) - 0.5) * 0.15;
            const QPointF b = a + QPointF(std::cos(d), std::sin(d)) * len;
            const double f = 0.75 + u(rng) * 0.45;
            QColor c = scaled(base, f);
            c.setAlpha(30 + int(u(rng) * 60));
            p.setPen(QPen(c, 1 + u(rng) * 3));
            p.drawLine(a, b);
        }
        const int blotches = 12 + int(u(rng) * 20);
        p.setPen(Qt::NoPen);
        for (int i = 0; i < blotches; ++i) {
            QColor c = QColor::fromHsv(int(u(rng) * 360), int(40 + u(rng) * 120), int(80 + u(rng) * 160));
            c.setAlpha(25 + int(u(rng) * 50));
            p.setBrush(c);
            const double rx = 10 + u(rng) * w * 0.08, ry = 10 + u(rng) * h * 0.08;
            p.drawEllipse(QPointF(u(rng) * w, u(rng) * h), rx, ry);
        }
        const int specks = int(w * h / 400);
        for (int i = 0; i < specks; ++i) {
            QColor c = u(rng) < 0.5 ? QColor(20, 20, 20, 90) : QColor(255, 255, 255, 90);
            p.setBrush(c);
            p.drawEllipse(QPointF(u(rng) * w, u(rng) * h), 0.6 + u(rng), 0.6 + u(rng));
        }
    } else if (s.background == Background::Grid) {
        const double step = std::max(12.0, std::min(all.width(), all.height()) / (8 + u(rng) * 10));
        const double off = u(rng) * step;
        const QColor line = base.lightness() > 128 ? scaled(base, 0.6) : scaled(base, 1.6).lighter(130);
        p.setPen(QPen(line, 1.2));
        for (double x = off; x < all.width(); x += step)
            p.drawLine(QPointF(x, 0), QPointF(x, all.height()));
        for (double y = off; y < all.height(); y += step)
            p.drawLine(QPointF(0, y), QPointF(all.width(), y));
    }
}

void paintLead(QPainter &p, QPointF from, QPointF to, double thickness)
{
    QLineF l(from, to);
    QLineF n = l.normalVector().unitVector();
    const QPointF off = (n.p2() - n.p1()) * thickness / 2;
    QLinearGradient g(from - off, from + off);
    g.setColorAt(0, QColor(90, 90, 95));
    g.setColorAt(0.35, QColor(235, 235, 240));
    g.setColorAt(0.6, QColor(170, 170, 175));
    g.setColorAt(1, QColor(80, 80, 85));
    p.setPen(QPen(QBrush(g), thickness, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(l);
}

// Three box blurs approximate a Gaussian of the given standard deviation.
void boxBlurH(const QImage &src, QImage &dst, int r)
{
    const int w = src.width(), h = src.height();
    const double inv = 1.0 / (2 * r + 1);
    for (int y = 0; y < h; ++y) {
        const QRgb *in = reinterpret_cast<const QRgb *>(src.constScanLine(y));
        QRgb *out = reinterpret_cast<QRgb *>(dst.scanLine(y));
        int sr = 0, sg = 0, sb = 0;
        for (int k = -r; k <= r; ++k) {
            const QRgb c = in[std::clamp(k, 0, w - 1)];
            sr += qRed(c); sg += qGreen(c); sb += qBlue(c);
        }
        for (int x = 0; x < w; ++x) {
            out[x] = qRgb(int(sr * inv + 0.5), int(sg * inv + 0.5), int(sb * inv + 0.5));
            const QRgb add = in[std::min(x + r + 1, w - 1)];
            const QRgb sub = in[std::max(x - r, 0)];
            sr += qRed(add) - qRed(sub); sg += qGreen(add) - qGreen(sub); sb += qBlue(add) - qBlue(sub);
        }
    }
}

QImage blurred(const QImage &img, double sigma)
{
    const int r = std::max(1, int(std::lround(std::sqrt(12 * sigma * sigma / 3 + 1) / 2)));
    QImage a = img, b(img.size(), QImage::Format_RGB32);
    QTransform t;
    for (int pass = 0; pass < 3; ++pass) {
        boxBlurH(a, b, r);
        a = b.copy();
    }
    a = a.transformed(t.rotate(90)).convertToFormat(QImage::Format_RGB32);
    b = QImage(a.size(), QImage::Format_RGB32);
    for (int pass = 0; pass < 3; ++pass) {
        boxBlurH(a, b, r);
        a = b.copy();
    }
    return a.transformed(QTransform().rotate(-90)).convertToFormat(QImage::Format_RGB32);
}

void applyCamera(QImage &img, const ResistorScene &s, std::mt19937 &rng)
{
    if (s.blurRadius > 0.2)
        img = blurred(img, s.blurRadius);
    const bool balance = s.redGain != 1 || s.greenGain != 1 || s.blueGain != 1;
    if (balance || s.noise > 0) {
        std::normal_distribution<double> n(0, std::max(s.noise, 1e-9));
        for (int y = 0; y < img.height(); ++y) {
            QRgb *line = reinterpret_cast<QRgb *>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                double r = qRed(line[x]) * s.redGain, g = qGreen(line[x]) * s.greenGain, b = qBlue(line[x]) * s.blueGain;
                if (s.noise > 0) {
                    // Luminance noise plus smaller colour noise, as a phone sensor gives.
                    const double l = n(rng);
                    r += l + 0.5 * n(rng);
                    g += l + 0.5 * n(rng);
                    b += l + 0.5 * n(rng);
                }
                auto c = [](double v) { return std::clamp(int(std::lround(v)), 0, 255); };
                line[x] = qRgb(c(r), c(g), c(b));
            }
        }
    }
    if (s.jpegQuality >= 0) {
        QByteArray bytes;
        QBuffer buf(&bytes);
        buf.open(QIODevice::WriteOnly);
        img.save(&buf, "JPEG", s.jpegQuality);
        QImage back;
        back.loadFromData(bytes, "JPEG");
        img = back.convertToFormat(QImage::Format_RGB32);
    }
}

} // namespace

RenderedResistor renderResistor(const ResistorScene &s)
{
    std::mt19937 rng(s.seed);
    std::uniform_real_distribution<double> u(0, 1);
    RenderedResistor out;
    out.image = QImage(s.size, QImage::Format_RGB32);
    QPainter p(&out.image);
    p.setRenderHint(QPainter::Antialiasing);
    paintBackground(p, s, rng);

    const double length = s.bodyLength * s.size.width();
    const double diameter = length * s.diameterRatio;
    const double r = diameter / 2;
    const QPointF centre(s.centre.x() * s.size.width(), s.centre.y() * s.size.height());
    QTransform frame;
    frame.translate(centre.x(), centre.y());
    frame.rotate(s.angleDegrees);

    const QPainterPath body = bodyPath(length, diameter);
    out.body = frame.map(body.toFillPolygon());
    out.ring1End = frame.map(QPointF(-length / 2, 0));
    out.farEnd = frame.map(QPointF(length / 2, 0));

    // Light comes from "above" in the photo, so the cast shadow falls the same
    // way whatever the part's angle.
    const QPointF shadowOffset(diameter * 0.25, diameter * 0.35);
    if (s.shadow > 0) {
        p.save();
        p.setPen(Qt::NoPen);
        for (int i = 4; i >= 1; --i) {
            // Softened by stacking growing, fainter copies.
            QTransform t = frame * QTransform::fromTranslate(shadowOffset.x(), shadowOffset.y());
            p.setTransform(t);
            p.setBrush(QColor(0, 0, 0, int(40 * s.shadow)));
            p.drawPath(QTransform::fromScale(1 + 0.03 * i, 1 + 0.12 * i).map(body));
            if (s.leads) {
                p.setPen(QPen(QColor(0, 0, 0, int(25 * s.shadow)), diameter * 0.14 + i * 2, Qt::SolidLine, Qt::RoundCap));
                p.drawLine(QPointF(-length / 2 - length * 1.2, 0), QPointF(length / 2 + length * 1.2, 0));
                p.setPen(Qt::NoPen);
            }
        }
        p.restore();
    }

    if (s.leads) {
        // Leads run on out of the photo or end with a bend, as on a bench.
        const double leadLength = length * (0.6 + u(rng) * 0.8);
        const double thick = std::max(1.5, diameter * 0.13);
        const QPointF a0 = frame.map(QPointF(-length / 2 + r * 0.3, 0));
        const QPointF a1 = frame.map(QPointF(-length / 2 - leadLength, (u(rng) - 0.5) * r));
        const QPointF b0 = frame.map(QPointF(length / 2 - r * 0.3, 0));
        const QPointF b1 = frame.map(QPointF(length / 2 + leadLength, (u(rng) - 0.5) * r));
        paintLead(p, a0, a1, thick);
        paintLead(p, b0, b1, thick);
    }

    p.setTransform(frame);
    QColor bodyColour = s.body == BodyColour::Beige ? QColor(218, 190, 140) : QColor(88, 150, 210);
    bodyColour = jittered(bodyColour, s.colourJitter, rng);
    p.setPen(Qt::NoPen);
    p.setBrush(bodyColour);
    p.drawPath(body);

    p.save();
    p.setClipPath(body);
    // Mottling of the lacquer.
    for (int i = 0; i < 14; ++i) {
        QColor c = scaled(bodyColour, 0.9 + u(rng) * 0.2);
        c.setAlpha(60);
        p.setBrush(c);
        p.drawEllipse(QPointF((u(rng) - 0.5) * length, (u(rng) - 0.5) * diameter), r * (0.3 + u(rng)), r * (0.2 + u(rng) * 0.5));
    }

    const std::vector<double> pos = ringPositions(int(s.rings.size()));
    const double ringWidth = length * (s.rings.size() >= 5 ? 0.068 : 0.085);
    const double highlight = 0.26 + (u(rng) - 0.5) * 0.12 * (1 + s.colourJitter);
    for (std::size_t i = 0; i < s.rings.size() && i < pos.size(); ++i) {
        const Colour c = s.rings[i];
        double w = ringWidth;
        if (s.rings.size() == 6 && i == 5)
            w *= 0.85;   // the temperature ring is often narrower
        const double x = -length / 2 + pos[i] * length;
        const QRectF band(x - w / 2, -r * 1.2, w, r * 2.4);
        if (isMetal(c))
            p.fillRect(band, metalShade(c, r, highlight));
        else
            p.fillRect(band, jittered(paintColour(c), s.colourJitter * 0.8, rng));
        out.ringCentres.push_back(frame.map(QPointF(x, 0)));
        out.ringWidths.push_back(w);
    }
    // Lacquer over rings and body alike, then the cylinder's light.
    p.fillRect(QRectF(-length, -r * 1.2, 2 * length, r * 2.4), cylinderShade(r, 0.9));
    p.restore();

    if (s.glare > 0) {
        // A specular streak along the top and a bright spot where a lamp reflects.
        p.save();
        p.setClipPath(body);
        QLinearGradient streak(0, -r, 0, r);
        streak.setColorAt(std::max(0.0, highlight - 0.12), QColor(255, 255, 255, 0));
        streak.setColorAt(highlight, QColor(255, 255, 255, int(200 * s.glare)));
        streak.setColorAt(std::min(1.0, highlight + 0.1), QColor(255, 255, 255, 0));
        p.fillRect(QRectF(-length, -r * 1.2, 2 * length, r * 2.4), streak);
        const QPointF spot((u(rng) - 0.5) * length * 0.8, -r * 0.4);
        QRadialGradient g(spot, r * (0.8 + u(rng)));
        g.setColorAt(0, QColor(255, 255, 255, int(230 * s.glare)));
        g.setColorAt(1, QColor(255, 255, 255, 0));
        p.fillRect(QRectF(-length, -r * 1.2, 2 * length, r * 2.4), g);
        p.restore();
    }
    p.resetTransform();

    if (s.shadow > 0) {
        // The photographer's shadow over part of the scene, soft-edged.
        const double a = u(rng) * 2 * kPi;
        const QPointF c(s.size.width() / 2.0, s.size.height() / 2.0);
        const QPointF d(std::cos(a), std::sin(a));
        const double off = (u(rng) - 0.2) * s.size.width() * 0.3;
        QLinearGradient g(c + d * off, c + d * (off + s.size.width() * 0.12));
        g.setColorAt(0, QColor(0, 0, 0, 0));
        g.setColorAt(1, QColor(0, 0, 0, int(110 * s.shadow)));
        p.fillRect(out.image.rect(), g);
    }
    p.end();

    applyCamera(out.image, s, rng);
    return out;
}

QImage renderEmptyScene(const ResistorScene &s)
{
    std::mt19937 rng(s.seed);
    std::uniform_real_distribution<double> u(0, 1);
    QImage img(s.size, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    paintBackground(p, s, rng);
    const double w = s.size.width(), h = s.size.height();
    paintLead(p, QPointF(u(rng) * w, u(rng) * h), QPointF(u(rng) * w, u(rng) * h), std::max(2.0, w * 0.006));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 44));
    p.drawRoundedRect(QRectF(w * (0.1 + 0.5 * u(rng)), h * (0.1 + 0.5 * u(rng)), w * 0.2, h * 0.15), 6, 6);
    p.end();
    applyCamera(img, s, rng);
    return img;
}

ResistorScene variedScene(const std::vector<decode::Colour> &rings, quint32 seed, double difficulty)
{
    std::mt19937 rng(seed * 2654435761u + 17);
    std::uniform_real_distribution<double> u(0, 1);
    const double d = std::clamp(difficulty, 0.0, 1.0);
    ResistorScene s;
    s.rings = rings;
    s.seed = seed;
    const bool blueLikely = rings.size() >= 5;
    s.body = u(rng) < (blueLikely ? 0.7 : 0.2) ? BodyColour::Blue : BodyColour::Beige;
    const int sizes[][2] = {{800, 600}, {1024, 768}, {640, 480}, {1200, 900}, {900, 900}};
    const auto &sz = sizes[int(u(rng) * 5) % 5];
    s.size = QSize(sz[0], sz[1]);
    s.angleDegrees = u(rng) * 360;
    // A whole photo with the part small in it, or a close-up.
    s.bodyLength = 0.18 + u(rng) * 0.42;
    s.diameterRatio = 0.28 + u(rng) * 0.1;
    s.centre = QPointF(0.35 + u(rng) * 0.3, 0.35 + u(rng) * 0.3);
    s.leads = u(rng) < 0.85;
    const double bg = u(rng);
    s.background = bg < 0.5 ? Background::Plain : bg < 0.8 ? Background::Textured : Background::Grid;
    const QColor backgrounds[] = {{236, 236, 232}, {250, 250, 248}, {60, 110, 70}, {190, 160, 120}, {70, 72, 80}, {200, 210, 220}};
    s.backgroundColour = backgrounds[int(u(rng) * 6) % 6];
    s.blurRadius = d * u(rng) * 2.5;
    s.noise = d * u(rng) * 10;
    s.jpegQuality = u(rng) < 0.3 + 0.6 * d ? int(95 - d * u(rng) * 60) : -1;
    // Warm lamp or cool daylight.
    const double wb = (u(rng) - 0.5) * 0.4 * d;
    s.redGain = 1 + wb;
    s.blueGain = 1 - wb;
    s.greenGain = 1 + (u(rng) - 0.5) * 0.08 * d;
    s.glare = u(rng) < 0.3 + 0.5 * d ? d * u(rng) : 0;
    s.shadow = u(rng) < 0.4 + 0.4 * d ? d * u(rng) : 0;
    s.colourJitter = d * 0.6;
    return s;
}

std::vector<decode::Colour> randomCode(int ringCount, quint32 seed)
{
    std::mt19937 rng(seed * 40503u + 7);
    auto pick = [&rng](std::span<const Colour> list) {
        return list[std::uniform_int_distribution<std::size_t>(0, list.size() - 1)(rng)];
    };
    const int count = std::clamp(ringCount, 3, 6);
    const int digits = count <= 4 ? 2 : 3;
    std::vector<Colour> code;
    // A leading zero is legal but rare on parts; keep ring 1 non-black.
    code.push_back(pick(decode::baseList().subspan(1)));
    for (int i = 1; i < digits; ++i)
        code.push_back(pick(decode::baseList()));
    code.push_back(pick(decode::multiplierList()));
    if (count == 4)
        code.push_back(pick(decode::fourRingToleranceList()));
    if (count >= 5)
        code.push_back(pick(decode::fiveRingToleranceList()));
    if (count == 6)
        code.push_back(pick(decode::temperatureList()));
    return code;
}

double halfThickness(const RenderedResistor &shot)
{
    const QLineF axis(shot.ring1End, shot.farEnd);
    const QPointF d = (axis.p2() - axis.p1()) / axis.length();
    double most = 0;
    for (const QPointF &q : shot.body) {
        const QPointF v = q - axis.p1();
        most = std::max(most, std::abs(v.x() * d.y() - v.y() * d.x()));
    }
    return most;
}

double angleBetween(QPointF a, QPointF b)
{
    const double d = std::abs(QLineF(QPointF(), a).angleTo(QLineF(QPointF(), b)));
    const double m = std::fmod(d, 180.0);
    return std::min(m, 180.0 - m);
}

} // namespace zz::test
