// The photo reader's stages, each on pictures the test makes itself: bad files
// for loading, rendered resistors for locating, rings and the whole chain,
// made-up evidence for the direction and the ranking.

#include "photo/Classify.h"
#include "photo/Decide.h"
#include "photo/Image.h"
#include "photo/Locate.h"
#include "photo/PhotoReader.h"
#include "photo/Profile.h"
#include "photo/Rings.h"

#include "ResistorRenderer.h"

#include <QBuffer>
#include <QLineF>
#include <QTemporaryDir>
#include <QTest>

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <random>

using zz::decode::Colour;
using namespace zz::photo;
using zz::test::ResistorScene;

Q_DECLARE_METATYPE(std::vector<Colour>)
Q_DECLARE_METATYPE(std::vector<RingEvidence>)

using zz::test::angleBetween;
using zz::test::halfThickness;

namespace {

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return data;
}

QImage smallPhoto()
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(QColor(200, 180, 140));
    return image;
}

// A picture whose header claims 30000 x 30000 pixels.
QByteArray hugeJpeg()
{
    QByteArray data = encoded(smallPhoto(), "JPEG");
    for (qsizetype i = 2; i + 9 < data.size(); ++i)
        if (quint8(data[i]) == 0xFF && (quint8(data[i + 1]) == 0xC0 || quint8(data[i + 1]) == 0xC2)) {
            for (qsizetype at : {i + 5, i + 7}) {
                data[at] = char(30000 >> 8);
                data[at + 1] = char(30000 & 0xFF);
            }
            break;
        }
    return data;
}

QByteArray hugePng()
{
    QByteArray data = encoded(smallPhoto(), "PNG");
    // IHDR: width and height at 16 and 20, its CRC over type and data at 29.
    for (int at : {16, 20}) {
        data[at] = 0;
        data[at + 1] = 0;
        data[at + 2] = char(30000 >> 8);
        data[at + 3] = char(30000 & 0xFF);
    }
    quint32 crc = 0xFFFFFFFFu;
    for (int i = 12; i < 29; ++i) {
        crc ^= quint8(data[i]);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    crc ^= 0xFFFFFFFFu;
    for (int k = 0; k < 4; ++k)
        data[29 + k] = char(crc >> (24 - 8 * k));
    return data;
}

RingEvidence ring(std::initializer_list<std::pair<Colour, double>> odds, double centre, double real = 0.95,
                  double width = 0.04)
{
    RingEvidence e;
    double rest = 1;
    for (auto [c, p] : odds) {
        e.odds[size_t(c)] = p;
        rest -= p;
    }
    for (double &o : e.odds)
        o += std::max(0.0, rest) / zz::decode::kColourCount;
    e.centre = centre;
    e.width = width;
    e.real = real;
    return e;
}

// The shot washed out to half its colour, and ring k repainted as a dull
// silver that is as light as the body beside it: the body's own pixels a
// ring width and a half further along, their colour taken out, with glitter.
QImage withFaintRing(const zz::test::RenderedResistor &shot, size_t k)
{
    QImage out = shot.image.convertToFormat(QImage::Format_RGB32);
    const QLineF axis(shot.ring1End, shot.farEnd);
    const QPointF dir = (axis.p2() - axis.p1()) / axis.length();
    const double w = shot.ringWidths[k];
    std::mt19937 rng(7);
    std::normal_distribution<double> glitter(0, 6);
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QPointF at(x, y);
            double keep = 0.5, noise = 0;
            QRgb c = line[x];
            if (std::abs(QPointF::dotProduct(at - shot.ringCentres[k], dir)) < w / 2
                && shot.body.containsPoint(at, Qt::OddEvenFill)) {
                const QPoint from = (at + dir * w * 1.5).toPoint();
                c = shot.image.pixel(from);
                keep = 0.1;
                noise = glitter(rng);
            }
            const double grey = 0.299 * qRed(c) + 0.587 * qGreen(c) + 0.114 * qBlue(c);
            const auto mixed = [&](int v) {
                return std::clamp(int(std::lround(grey + (v - grey) * keep + noise)), 0, 255);
            };
            line[x] = qRgb(mixed(qRed(c)), mixed(qGreen(c)), mixed(qBlue(c)));
        }
    }
    return out;
}

// The shot with the bare body between rings k and k + 1, at most a ring
// width of it, lit `gain` times as brightly with its hue kept (the body
// between crowded rings catches more light than at its shaded shoulders, or
// less), then blurred by `sigma` pixels.
QImage withLitStretch(const zz::test::RenderedResistor &shot, size_t k, double gain, double sigma)
{
    QImage out = shot.image.convertToFormat(QImage::Format_RGB32);
    const QLineF axis(shot.ring1End, shot.farEnd);
    const QPointF dir = (axis.p2() - axis.p1()) / axis.length();
    const double after = QPointF::dotProduct(shot.ringCentres[k] - axis.p1(), dir) + shot.ringWidths[k] / 2;
    const double before = QPointF::dotProduct(shot.ringCentres[k + 1] - axis.p1(), dir) - shot.ringWidths[k + 1] / 2;
    const double half = std::min(before - after - 2, shot.ringWidths[k]) / 2;
    const double from = (after + before) / 2 - half, to = (after + before) / 2 + half;
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const double t = QPointF::dotProduct(QPointF(x, y) - axis.p1(), dir);
            if (t < from || t > to || !shot.body.containsPoint(QPointF(x, y), Qt::OddEvenFill))
                continue;
            const auto lit = [&](int v) { return std::min(255, int(std::lround(v * gain))); };
            line[x] = qRgb(lit(qRed(line[x])), lit(qGreen(line[x])), lit(qBlue(line[x])));
        }
    }
    if (sigma <= 0)
        return out;
    cv::Mat3b rgb = toMat(out);
    cv::GaussianBlur(rgb, rgb, cv::Size(), sigma);
    QImage blurred(rgb.cols, rgb.rows, QImage::Format_RGB32);
    for (int y = 0; y < rgb.rows; ++y)
        for (int x = 0; x < rgb.cols; ++x)
            blurred.setPixel(x, y, qRgb(rgb(y, x)[0], rgb(y, x)[1], rgb(y, x)[2]));
    return blurred;
}

QString names(const std::vector<Colour> &cs)
{
    QStringList out;
    for (Colour c : cs)
        out << QString::fromUtf8(zz::decode::colourInfo(c).name.data(), qsizetype(zz::decode::colourInfo(c).name.size()));
    return out.join(u' ');
}

// A phone camera that renders colours more saturated than they are, as many do.
QImage vivid(const QImage &image, double saturation)
{
    QImage out = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const double r = qRed(line[x]), g = qGreen(line[x]), b = qBlue(line[x]);
            const double grey = 0.3 * r + 0.59 * g + 0.11 * b;
            const auto c = [&](double v) { return std::clamp(int(std::lround(grey + saturation * (v - grey))), 0, 255); };
            line[x] = qRgb(c(r), c(g), c(b));
        }
    }
    return out;
}

} // namespace

class TestPhoto final : public QObject {
    Q_OBJECT

private slots:
    void loadRefusesBadInput_data();
    void loadRefusesBadInput();
    void loadScalesHugePictures();
    void locateFindsBodyAtAnyAngle_data();
    void locateFindsBodyAtAnyAngle();
    void ringsFoundWhereDrawn();
    void ringsFoundAlongAskewAxis_data();
    void ringsFoundAlongAskewAxis();
    void faintSilverRingFound_data();
    void faintSilverRingFound();
    void crowdedRingsOverShadedBody();
    void bareBodyIsNoRing_data();
    void bareBodyIsNoRing();
    void classifyKeepsColourUnderWhiteBalance_data();
    void classifyKeepsColourUnderWhiteBalance();
    void decideFindsDirection_data();
    void decideFindsDirection();
    void readsRenderedPhotos();
    void readsRingsRelativeToEachOther_data();
    void readsRingsRelativeToEachOther();
    void correctionsReRank();
    void readsVividPhotoRelatively_data();
    void readsVividPhotoRelatively();
    void readsUnderTintedLamp_data();
    void readsUnderTintedLamp();
};

void TestPhoto::loadRefusesBadInput_data()
{
    QTest::addColumn<QByteArray>("data");
    const QByteArray jpeg = encoded(smallPhoto(), "JPEG");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("text") << QByteArray("Widerstand 4,7 kOhm\n");
    QTest::newRow("truncated JPEG") << jpeg.left(jpeg.size() * 2 / 3);
    QTest::newRow("JPEG header only") << jpeg.left(200);
}

void TestPhoto::loadRefusesBadInput()
{
    QFETCH(QByteArray, data);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("foto.jpg"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
    file.close();
    for (const LoadedPhoto &p : {loadPhoto(path), loadPhoto(data)}) {
        QVERIFY(p.image.isNull());
        QVERIFY2(p.error.endsWith(u'.') && p.error.size() > 10, qPrintable(p.error));
    }
    QVERIFY(!loadPhoto(dir.filePath(QStringLiteral("fehlt.jpg"))).error.isEmpty());
    QVERIFY(!loadPhoto(encoded(smallPhoto(), "JPEG")).image.isNull());
}

void TestPhoto::loadScalesHugePictures()
{
    // Decoded at full size these would take 2.7 and 3.6 GB.
    for (const QByteArray &data : {hugeJpeg(), hugePng()}) {
        const LoadedPhoto p = loadPhoto(data);
        if (p.image.isNull())
            QVERIFY(!p.error.isEmpty());
        else
            QVERIFY(std::max(p.image.width(), p.image.height()) <= 3200);
    }
    QImage large(4000, 1000, QImage::Format_RGB32);
    large.fill(Qt::gray);
    const LoadedPhoto p = loadPhoto(encoded(large, "JPEG"));
    QCOMPARE(p.image.size(), QSize(3200, 800));
}

void TestPhoto::locateFindsBodyAtAnyAngle_data()
{
    QTest::addColumn<double>("angle");
    QTest::addColumn<double>("length");
    QTest::addColumn<int>("background");
    QTest::addColumn<bool>("blue");
    QTest::newRow("level, small, leads") << 0.0 << 0.25 << int(zz::test::Background::Plain) << false;
    QTest::newRow("steep, textured") << 71.0 << 0.35 << int(zz::test::Background::Textured) << false;
    QTest::newRow("upright, blue, grid") << 90.0 << 0.3 << int(zz::test::Background::Grid) << true;
    QTest::newRow("turned round, large") << 200.0 << 0.55 << int(zz::test::Background::Plain) << true;
}

void TestPhoto::locateFindsBodyAtAnyAngle()
{
    QFETCH(double, angle);
    QFETCH(double, length);
    QFETCH(int, background);
    QFETCH(bool, blue);
    ResistorScene s;
    s.rings = {Colour::Gelb, Colour::Violett, Colour::Rot, Colour::Gold};
    s.angleDegrees = angle;
    s.bodyLength = length;
    s.background = zz::test::Background(background);
    s.body = blue ? zz::test::BodyColour::Blue : zz::test::BodyColour::Beige;
    s.noise = 3;
    const auto shot = zz::test::renderResistor(s);
    const auto axis = locateBody(toMat(shot.image));
    QVERIFY(axis);
    const QLineF truth(shot.ring1End, shot.farEnd);
    const QLineF found(toQPoint(axis->start), toQPoint(axis->end));
    QVERIFY2(angleBetween(truth.p2() - truth.p1(), found.p2() - found.p1()) < 4,
             qPrintable(QStringLiteral("axis off by %1°").arg(angleBetween(truth.p2() - truth.p1(), found.p2() - found.p1()))));
    QVERIFY(QLineF(truth.center(), found.center()).length() < truth.length() * 0.08);
    QVERIFY(std::abs(found.length() - truth.length()) < truth.length() * 0.2);
    const double half = halfThickness(shot);
    QVERIFY2(axis->halfWidth > half * 0.6 && axis->halfWidth < half * 1.3,
             qPrintable(QStringLiteral("half thickness %1, drawn %2").arg(axis->halfWidth).arg(half)));
}

void TestPhoto::ringsFoundWhereDrawn()
{
    // Along the true axis: every ring found once, where it was drawn, for
    // each ring count, with glare and the rings' own shine.
    const std::vector<Colour> codes[] = {
        {Colour::Braun, Colour::Schwarz, Colour::Rot, Colour::Gold},
        {Colour::Rot, Colour::Rot, Colour::Schwarz, Colour::Braun, Colour::Braun},
        {Colour::Orange, Colour::Weiss, Colour::Schwarz, Colour::Silber, Colour::Gruen, Colour::Braun},
    };
    for (const auto &code : codes) {
        ResistorScene s;
        s.rings = code;
        s.bodyLength = 0.6;
        s.glare = 0.5;
        s.body = code.size() == 5 ? zz::test::BodyColour::Blue : zz::test::BodyColour::Beige;
        const auto shot = zz::test::renderResistor(s);
        const cv::Mat3b rgb = toMat(shot.image);
        const double half = halfThickness(shot) * 0.85;
        const Profile p = sampleProfile(rgb, toPoint(shot.ring1End), toPoint(shot.farEnd), float(half), {236, 236, 232});
        const auto rings = findRings(p);
        QCOMPARE(rings.size(), code.size());
        for (size_t i = 0; i < code.size(); ++i) {
            const cv::Point2f at = p.at(rings[i].centre());
            QVERIFY2(QLineF(toQPoint(at), shot.ringCentres[i]).length() < shot.ringWidths[i],
                     qPrintable(QStringLiteral("%1: ring %2").arg(names(code)).arg(i + 1)));
        }
    }
}

void TestPhoto::ringsFoundAlongAskewAxis_data()
{
    QTest::addColumn<double>("askew");
    QTest::addColumn<bool>("blue");
    QTest::newRow("beige, axis true") << 0.0 << false;
    QTest::newRow("beige, axis 7° off") << 7.0 << false;
    QTest::newRow("blue, crowded, axis 5° off") << -5.0 << true;
    QTest::newRow("blue, crowded, axis 7° off") << 7.0 << true;
}

void TestPhoto::ringsFoundAlongAskewAxis()
{
    // An outline a few degrees off the rings' normal: the rings cross the
    // strip slanted and must still be found once each, where drawn.
    QFETCH(double, askew);
    QFETCH(bool, blue);
    ResistorScene s;
    s.rings = blue ? std::vector<Colour>{Colour::Braun, Colour::Schwarz, Colour::Schwarz, Colour::Rot, Colour::Braun}
                   : std::vector<Colour>{Colour::Gelb, Colour::Violett, Colour::Rot, Colour::Gold};
    s.body = blue ? zz::test::BodyColour::Blue : zz::test::BodyColour::Beige;
    s.bodyLength = 0.7;
    s.diameterRatio = 0.4;
    s.glare = 0.5;
    const auto shot = zz::test::renderResistor(s);
    const cv::Mat3b rgb = toMat(shot.image);
    const QPointF mid = (shot.ring1End + shot.farEnd) / 2;
    QLineF axis(shot.ring1End, shot.farEnd);
    const QPointF trueDir = (axis.p2() - axis.p1()) / axis.length();
    axis.setAngle(axis.angle() + askew);
    axis.translate(mid - axis.center());
    const Profile p = sampleProfile(rgb, toPoint(axis.p1()), toPoint(axis.p2()), float(halfThickness(shot) * 0.85),
                                    {236, 236, 232});
    const auto rings = findRings(p);
    QCOMPARE(rings.size(), s.rings.size());
    for (size_t i = 0; i < rings.size(); ++i) {
        const QPointF off = toQPoint(p.at(rings[i].centre())) - shot.ringCentres[i];
        const double along = std::abs(QPointF::dotProduct(off, trueDir));
        QVERIFY2(along < shot.ringWidths[i], qPrintable(QStringLiteral("ring %1 off by %2").arg(i + 1).arg(along)));
        // Not smeared: a slanted ring read straight across looks wider.
        const double width = rings[i].width() * p.step;
        QVERIFY2(width < shot.ringWidths[i] * 1.3,
                 qPrintable(QStringLiteral("ring %1 %2 wide, drawn %3").arg(i + 1).arg(width).arg(shot.ringWidths[i])));
    }
}

void TestPhoto::faintSilverRingFound_data()
{
    QTest::addColumn<std::vector<Colour>>("code");
    QTest::addColumn<double>("gain");
    QTest::addColumn<double>("glare");
    QTest::newRow("Gelb Violett, dim") << std::vector<Colour>{Colour::Gelb, Colour::Violett, Colour::Silber, Colour::Gold}
                                       << 0.7 << 0.0;
    QTest::newRow("Gelb Violett, glare") << std::vector<Colour>{Colour::Gelb, Colour::Violett, Colour::Silber, Colour::Gold}
                                         << 1.0 << 0.5;
    QTest::newRow("Braun Grün, dim") << std::vector<Colour>{Colour::Braun, Colour::Gruen, Colour::Silber, Colour::Gold}
                                     << 0.7 << 0.0;
    QTest::newRow("Orange Weiß, dim") << std::vector<Colour>{Colour::Orange, Colour::Weiss, Colour::Silber, Colour::Gold}
                                      << 0.7 << 0.0;
}

void TestPhoto::faintSilverRingFound()
{
    // A silver ring as light as a pale body stands out only by its lack of
    // colour, far less than the painted rings beside it: it must still be
    // found, once, where it is.
    QFETCH(std::vector<Colour>, code);
    QFETCH(double, gain);
    QFETCH(double, glare);
    ResistorScene s;
    s.rings = code;
    s.bodyLength = 0.6;
    s.glare = glare;
    s.redGain = s.greenGain = s.blueGain = gain;
    s.seed = 3;
    const auto shot = zz::test::renderResistor(s);
    const cv::Mat3b rgb = toMat(withFaintRing(shot, 2));
    const Profile p = sampleProfile(rgb, toPoint(shot.ring1End), toPoint(shot.farEnd),
                                    float(halfThickness(shot) * 0.85), {236, 236, 232});
    const auto rings = findRings(p);
    QCOMPARE(rings.size(), code.size());
    for (size_t i = 0; i < rings.size(); ++i)
        QVERIFY2(QLineF(toQPoint(p.at(rings[i].centre())), shot.ringCentres[i]).length() < shot.ringWidths[i] / 2,
                 qPrintable(QStringLiteral("ring %1").arg(i + 1)));
}

void TestPhoto::crowdedRingsOverShadedBody()
{
    // Black and brown close together on a blue body, the bare body between
    // them in their shade: the dip between them stays at about 40 % of
    // their contrast, and both are still rings, apart.
    const cv::Vec3f body(60, 120, 190), black(22, 22, 28), brown(75, 40, 32);
    Profile p;
    p.halfWidth = 30;
    p.body = body;
    for (int i = 0; i < 240; ++i) {
        const bool inBlack = (i >= 80 && i < 95) || (i >= 160 && i < 175);
        p.rgb.push_back(inBlack ? black : i >= 95 && i < 107 ? body * 0.6f : i >= 107 && i < 122 ? brown : body);
        p.spread.push_back(20);
        p.bodyNear.push_back(body);
        p.spreadNear.push_back(20);
    }
    const auto rings = findRings(p);
    QCOMPARE(rings.size(), size_t(3));
    const double centres[] = {87, 114, 167};
    for (size_t i = 0; i < rings.size(); ++i)
        QVERIFY2(std::abs(rings[i].centre() - centres[i]) < 4,
                 qPrintable(QStringLiteral("ring %1 at %2").arg(i + 1).arg(rings[i].centre())));
}

void TestPhoto::bareBodyIsNoRing_data()
{
    QTest::addColumn<double>("gain");
    QTest::addColumn<double>("sigma");
    // A stretch of the bare blue body between rings 4 and 5, lit more than
    // the rest or shaded: a hump as wide as a ring, of the body's hue, and
    // no ring. Without the rules for such humps it reads as a sixth ring
    // (Silber when lit, Blau when shaded).
    QTest::newRow("lit") << 1.7 << 0.0;
    QTest::newRow("lit, blurred") << 1.7 << 2.0;
    QTest::newRow("shaded, blurred") << 0.5 << 1.5;
}

void TestPhoto::bareBodyIsNoRing()
{
    QFETCH(double, gain);
    QFETCH(double, sigma);
    ResistorScene s;
    s.rings = {Colour::Braun, Colour::Schwarz, Colour::Schwarz, Colour::Orange, Colour::Braun};
    s.body = zz::test::BodyColour::Blue;
    s.bodyLength = 0.6;
    s.leads = false;
    // Dim, as the shaded body of a photo is, so the lit stretch keeps its hue.
    s.redGain = s.greenGain = s.blueGain = 0.7;
    const auto shot = zz::test::renderResistor(s);
    const Reading r = readAlongLine(withLitStretch(shot, 3, gain, sigma), shot.ring1End, shot.farEnd);
    QVERIFY2(r.found, qPrintable(r.error));
    QCOMPARE(r.rings.size(), s.rings.size());
    for (size_t i = 0; i < s.rings.size(); ++i) {
        const size_t k = QLineF(r.axisStart, shot.ring1End).length() < 2 ? i : s.rings.size() - 1 - i;
        QVERIFY2(QLineF(r.rings[i].centre, shot.ringCentres[k]).length() < shot.ringWidths[k],
                 qPrintable(QStringLiteral("ring %1").arg(i + 1)));
    }
    QCOMPARE(names(r.candidates.front().colours), names(s.rings));
}

void TestPhoto::classifyKeepsColourUnderWhiteBalance_data()
{
    QTest::addColumn<double>("redGain");
    QTest::addColumn<double>("blueGain");
    QTest::addColumn<double>("exposure");
    QTest::newRow("neutral") << 1.0 << 1.0 << 1.0;
    QTest::newRow("warm lamp, dim") << 1.25 << 0.7 << 0.6;
    QTest::newRow("cool daylight") << 0.85 << 1.2 << 1.0;
}

void TestPhoto::classifyKeepsColourUnderWhiteBalance()
{
    QFETCH(double, redGain);
    QFETCH(double, blueGain);
    QFETCH(double, exposure);
    // Ring paints as a camera sees them on a beige body under neutral light.
    const struct {
        Colour colour;
        cv::Vec3f rgb;
    } rows[] = {
        {Colour::Schwarz, {45, 40, 38}},  {Colour::Braun, {118, 62, 40}},  {Colour::Rot, {175, 45, 38}},
        {Colour::Orange, {215, 120, 50}}, {Colour::Gelb, {225, 200, 60}},  {Colour::Gruen, {45, 120, 70}},
        {Colour::Blau, {50, 85, 165}},    {Colour::Violett, {115, 65, 140}}, {Colour::Weiss, {238, 236, 230}},
    };
    const cv::Vec3f body(220, 195, 155);
    const cv::Vec3f gains(float(redGain * exposure), float(exposure), float(blueGain * exposure));
    const auto lit = [&](cv::Vec3f c) { return c.mul(gains); };
    const Lighting light = estimateLighting(lit(body), cv::Vec3f(120, 120, 120));
    for (const auto &row : rows) {
        const ColourOdds odds = classifyRing(lit(row.rgb), 20, lit(body), light);
        const auto best = std::max_element(odds.begin(), odds.end()) - odds.begin();
        QVERIFY2(Colour(best) == row.colour, qPrintable(names({row.colour}) + QStringLiteral(" read as ") + names({Colour(best)})));
        double sum = 0;
        for (double o : odds)
            sum += o;
        QVERIFY(std::abs(sum - 1) < 1e-6);
    }
    // Metal mirrors its surroundings: gold in shadow is dark, but yellowish
    // and uneven, not the red-brown of paint.
    const ColourOdds shaded = classifyRing(lit(cv::Vec3f(96, 74, 36)), 70, lit(body), light);
    QVERIFY2(shaded[size_t(Colour::Gold)] > shaded[size_t(Colour::Braun)],
             qPrintable(QStringLiteral("gold %1, brown %2").arg(shaded[size_t(Colour::Gold)]).arg(shaded[size_t(Colour::Braun)])));
    // Silver mirroring a warm lamp is yellowish too, but less colourful than
    // the body beside it; gold is as colourful as the body, light or dim.
    // (Under a strong warm lamp the cast left in on purpose still makes this
    // silver gold.)
    const struct {
        Colour colour;
        cv::Vec3f rgb;
    } metals[] = {{Colour::Silber, {238, 216, 185}}, {Colour::Gold, {213, 190, 150}}, {Colour::Gold, {163, 142, 102}}};
    for (const auto &m : metals) {
        if (m.colour == Colour::Silber && redGain > 1.1)
            continue;
        const ColourOdds odds = classifyRing(lit(m.rgb), 90, lit(body), light);
        const Colour other = m.colour == Colour::Gold ? Colour::Silber : Colour::Gold;
        QVERIFY2(odds[size_t(m.colour)] > odds[size_t(other)],
                 qPrintable(names({m.colour}) + QStringLiteral(" %1, ").arg(odds[size_t(m.colour)]) + names({other}) +
                            QStringLiteral(" %1").arg(odds[size_t(other)])));
    }
}

void TestPhoto::decideFindsDirection_data()
{
    QTest::addColumn<std::vector<RingEvidence>>("rings");
    QTest::addColumn<std::vector<Colour>>("expected");
    using C = Colour;
    // Gold can only be a tolerance ring: it decides the direction alone.
    QTest::newRow("gold at the left") << std::vector<RingEvidence>{ring({{C::Gold, 0.9}}, 0.1), ring({{C::Rot, 0.9}}, 0.5),
                                                                   ring({{C::Violett, 0.9}}, 0.65), ring({{C::Gelb, 0.9}}, 0.8)}
                                      << std::vector<C>{C::Gelb, C::Violett, C::Rot, C::Gold};
    // The same colours both ways round: the tolerance ring stands apart.
    QTest::newRow("symmetric, gap decides")
        << std::vector<RingEvidence>{ring({{C::Braun, 0.9}}, 0.1), ring({{C::Braun, 0.9}}, 0.4), ring({{C::Schwarz, 0.9}}, 0.5),
                                     ring({{C::Schwarz, 0.9}}, 0.6), ring({{C::Braun, 0.9}}, 0.7)}
        << std::vector<C>{C::Braun, C::Schwarz, C::Schwarz, C::Braun, C::Braun};
    // A leading zero is never printed: a first ring that looks black but
    // might be brown is a dark brown.
    QTest::newRow("dark first ring is brown")
        << std::vector<RingEvidence>{ring({{C::Schwarz, 0.9}, {C::Braun, 0.03}}, 0.15), ring({{C::Rot, 0.9}}, 0.35),
                                     ring({{C::Gold, 0.9}}, 0.5), ring({{C::Gold, 0.9}}, 0.85)}
        << std::vector<C>{C::Braun, C::Rot, C::Gold, C::Gold};
    // Shading at the body's end looks like a ring but is unlikely to be one.
    QTest::newRow("shading at an end dropped")
        << std::vector<RingEvidence>{ring({{C::Braun, 0.6}}, 0.02, 0.3), ring({{C::Gelb, 0.9}}, 0.2), ring({{C::Violett, 0.9}}, 0.35),
                                     ring({{C::Rot, 0.9}}, 0.5), ring({{C::Gold, 0.9}}, 0.85)}
        << std::vector<C>{C::Gelb, C::Violett, C::Rot, C::Gold};
    // A five-ring part's tolerance ring between red and brown: 1 % is the
    // common one.
    QTest::newRow("five-ring tolerance brown rather than red")
        << std::vector<RingEvidence>{ring({{C::Braun, 0.9}}, 0.15), ring({{C::Schwarz, 0.9}}, 0.3), ring({{C::Schwarz, 0.9}}, 0.45),
                                     ring({{C::Braun, 0.9}}, 0.6), ring({{C::Rot, 0.5}, {C::Braun, 0.45}}, 0.85)}
        << std::vector<C>{C::Braun, C::Schwarz, C::Schwarz, C::Braun, C::Braun};
    // Brown or red for the second digit: 21 is no preferred value, 22 is.
    QTest::newRow("E-series decides an unsure digit")
        << std::vector<RingEvidence>{ring({{C::Rot, 0.9}}, 0.15), ring({{C::Braun, 0.45}, {C::Rot, 0.4}}, 0.3),
                                     ring({{C::Orange, 0.9}}, 0.45), ring({{C::Gold, 0.9}}, 0.8)}
        << std::vector<C>{C::Rot, C::Rot, C::Orange, C::Gold};
    // A glint or the edge of the shine beside a ring makes a narrow hump that
    // reads as a colour the list allows: printed rings are about equally wide.
    QTest::newRow("narrow stray peak inside left out")
        << std::vector<RingEvidence>{ring({{C::Braun, 0.7}}, 0.15), ring({{C::Schwarz, 0.8}}, 0.28),
                                     ring({{C::Schwarz, 0.8}}, 0.41), ring({{C::Rot, 0.7}}, 0.54),
                                     ring({{C::Blau, 0.8}}, 0.62, 0.95, 0.012), ring({{C::Braun, 0.7}}, 0.82)}
        << std::vector<C>{C::Braun, C::Schwarz, C::Schwarz, C::Rot, C::Braun};
    QTest::newRow("narrow glint beside a ring left out")
        << std::vector<RingEvidence>{ring({{C::Gold, 0.7}}, 0.12), ring({{C::Silber, 0.6}, {C::Gold, 0.2}}, 0.36),
                                     ring({{C::Weiss, 0.6}}, 0.5), ring({{C::Gold, 0.8}}, 0.57, 0.95, 0.012),
                                     ring({{C::Orange, 0.7}}, 0.64)}
        << std::vector<C>{C::Orange, C::Weiss, C::Silber, C::Gold};
}

void TestPhoto::decideFindsDirection()
{
    QFETCH(std::vector<RingEvidence>, rings);
    QFETCH(std::vector<Colour>, expected);
    const auto ranked = rankCodes(rings, Direction::Either);
    QVERIFY(!ranked.empty());
    QCOMPARE(names(ranked.front().colours), names(expected));
    double sum = 0;
    for (const auto &r : ranked)
        sum += r.confidence;
    QVERIFY(sum <= 1 + 1e-9);
    QVERIFY(ranked.front().confidence > 0.3);
    // Rings read the same both ways round give one code, not two: each code
    // appears once, at its best confidence.
    for (size_t i = 0; i < ranked.size(); ++i) {
        if (i > 0)
            QVERIFY(ranked[i].confidence <= ranked[i - 1].confidence);
        for (size_t j = i + 1; j < ranked.size(); ++j)
            QVERIFY2(ranked[i].colours != ranked[j].colours, qPrintable(names(ranked[i].colours) + QStringLiteral(" twice")));
    }
}

void TestPhoto::readsRenderedPhotos()
{
    // The whole chain on varied, fairly clean scenes: whole photos with leads
    // and close-ups, both bodies, any angle. And no resistor is no reading.
    int right = 0, found = 0, total = 0;
    QStringList wrong;
    for (quint32 seed = 1; seed <= 12; ++seed) {
        const auto code = zz::test::randomCode(4 + int(seed % 3), seed);
        const auto shot = zz::test::renderResistor(zz::test::variedScene(code, seed, 0.2));
        const Reading r = readPhoto(shot.image);
        ++total;
        found += r.found;
        if (r.found && r.candidates.front().colours == code)
            ++right;
        else
            wrong << QStringLiteral("seed %1: %2 read as %3").arg(seed).arg(names(code),
                                                                           r.found ? names(r.candidates.front().colours) : r.error);
    }
    qInfo("%d of %d rendered photos fully right", right, total);
    // Where the engine stands today (see the note): a broken stage reads none.
    QVERIFY2(right * 3 >= total && found >= total - 2, qPrintable(wrong.join(u'\n')));

    ResistorScene empty;
    empty.rings = {Colour::Braun, Colour::Schwarz, Colour::Rot, Colour::Gold};
    empty.background = zz::test::Background::Textured;
    const Reading none = readPhoto(zz::test::renderEmptyScene(empty));
    QVERIFY(!none.found || none.confidence < 0.5);
    QVERIFY(readPhoto(QImage()).error.size() > 0);
}

void TestPhoto::readsRingsRelativeToEachOther_data()
{
    QTest::addColumn<quint32>("seed");
    // Harder scenes (tinted light, glare) where one ring alone looks like its
    // neighbour colour: gold like yellow, grey like silver. Read ring by ring
    // they came out wrong; against the other rings of the photo, right.
    QTest::newRow("gold, not yellow, beside brown") << 1017u;
    QTest::newRow("grey, not silver, among bright paints") << 1031u;
    QTest::newRow("gold, not yellow, beside green") << 1045u;
}

void TestPhoto::readsRingsRelativeToEachOther()
{
    QFETCH(quint32, seed);
    const auto code = zz::test::randomCode(3 + int(seed % 4), seed);
    const auto shot = zz::test::renderResistor(zz::test::variedScene(code, seed, 0.6));
    const QImage photo = QImage::fromData(encoded(shot.image, "JPEG"));
    const Reading r = readPhoto(photo);
    QVERIFY2(r.found, qPrintable(r.error));
    QCOMPARE(names(r.candidates.front().colours), names(code));
}

void TestPhoto::readsVividPhotoRelatively_data()
{
    QTest::addColumn<std::vector<Colour>>("code");
    QTest::addColumn<double>("redGain");
    QTest::addColumn<double>("blueGain");
    QTest::addColumn<quint32>("seed");
    using C = Colour;
    // On a blue body seen by a camera that saturates, brown looks red ring by
    // ring; beside orange or red on the same part it is the darker, duller one.
    QTest::newRow("brown beside orange") << std::vector<C>{C::Braun, C::Schwarz, C::Schwarz, C::Orange, C::Braun} << 1.0 << 1.0 << 1u;
    QTest::newRow("brown beside orange, warm lamp")
        << std::vector<C>{C::Braun, C::Schwarz, C::Schwarz, C::Orange, C::Braun} << 1.15 << 0.85 << 2u;
    QTest::newRow("brown beside red, warm lamp") << std::vector<C>{C::Braun, C::Schwarz, C::Schwarz, C::Rot, C::Braun} << 1.15 << 0.85 << 1u;
    QTest::newRow("red beside brown") << std::vector<C>{C::Rot, C::Rot, C::Schwarz, C::Braun, C::Braun} << 1.15 << 0.85 << 1u;
}

void TestPhoto::readsVividPhotoRelatively()
{
    QFETCH(std::vector<Colour>, code);
    QFETCH(double, redGain);
    QFETCH(double, blueGain);
    QFETCH(quint32, seed);
    ResistorScene s;
    s.rings = code;
    s.body = zz::test::BodyColour::Blue;
    s.bodyLength = 0.5;
    s.redGain = redGain;
    s.blueGain = blueGain;
    s.glare = 0.3;
    s.colourJitter = 0.2 * (seed - 1);
    s.seed = seed;
    const Reading r = readPhoto(vivid(zz::test::renderResistor(s).image, 1.4));
    QVERIFY2(r.found, qPrintable(r.error));
    QCOMPARE(names(r.candidates.front().colours), names(code));
}

void TestPhoto::correctionsReRank()
{
    ResistorScene s;
    s.rings = {Colour::Gelb, Colour::Violett, Colour::Rot, Colour::Gold};
    s.bodyLength = 0.5;
    const auto shot = zz::test::renderResistor(s);
    const Reading r = readAlongLine(shot.image, shot.farEnd, shot.ring1End);
    QVERIFY2(r.found, qPrintable(r.error));
    QCOMPARE(names(r.candidates.front().colours), names(s.rings));
    QVERIFY(QLineF(r.axisStart, shot.ring1End).length() < 5);

    // Swapped: ring 1 is now the gold ring, which no code has there.
    const Reading back = reversed(r);
    QCOMPARE(back.axisStart, r.axisEnd);
    QCOMPARE(back.rings.front().centre, r.rings.back().centre);
    QVERIFY(!back.found || back.candidates.front().colours.front() != Colour::Gold ||
            back.confidence < r.confidence);

    // The user says ring 3 is orange: the code follows, the rest stays.
    const Reading fixed = withRingColour(r, 2, Colour::Orange);
    QCOMPARE(names(fixed.candidates.front().colours), names({Colour::Gelb, Colour::Violett, Colour::Orange, Colour::Gold}));
    QCOMPARE(fixed.rings[2].chances.front().colour, Colour::Orange);
    QCOMPARE(fixed.axisStart, r.axisStart);
}

void TestPhoto::readsUnderTintedLamp_data()
{
    QTest::addColumn<std::vector<Colour>>("code");
    QTest::addColumn<bool>("blue");
    QTest::addColumn<double>("redGain");
    QTest::addColumn<double>("greenGain");
    QTest::addColumn<double>("blueGain");
    using C = Colour;
    const std::vector<C> fourRing{C::Gelb, C::Violett, C::Silber, C::Gold};
    const std::vector<C> fiveRing{C::Braun, C::Schwarz, C::Schwarz, C::Rot, C::Braun};
    // A beige body under a cool lamp looks like a pale blue one: taken for
    // blue, silver read as blue and gold as silver.
    QTest::newRow("beige, cool lamp") << fourRing << false << 0.8 << 0.95 << 1.25;
    QTest::newRow("beige, strong cool lamp") << std::vector<C>{C::Rot, C::Violett, C::Rot, C::Gold} << false << 0.75 << 0.95 << 1.3;
    QTest::newRow("beige, tungsten") << fourRing << false << 1.3 << 1.0 << 0.65;
    // ... and a blue body under a warm lamp like a grey or beige one.
    QTest::newRow("blue, warm lamp") << fiveRing << true << 1.2 << 1.0 << 0.75;
    QTest::newRow("blue, cool lamp") << fiveRing << true << 0.85 << 1.0 << 1.15;
}

void TestPhoto::readsUnderTintedLamp()
{
    QFETCH(std::vector<Colour>, code);
    QFETCH(bool, blue);
    QFETCH(double, redGain);
    QFETCH(double, greenGain);
    QFETCH(double, blueGain);
    ResistorScene s;
    s.rings = code;
    s.body = blue ? zz::test::BodyColour::Blue : zz::test::BodyColour::Beige;
    s.bodyLength = 0.5;
    s.redGain = redGain;
    s.greenGain = greenGain;
    s.blueGain = blueGain;
    s.glare = 0.2;
    const Reading r = readPhoto(zz::test::renderResistor(s).image);
    QVERIFY2(r.found, qPrintable(r.error));
    QCOMPARE(names(r.candidates.front().colours), names(code));
}

QTEST_MAIN(TestPhoto)
#include "tst_photo.moc"
