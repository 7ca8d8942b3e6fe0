// How well the body is found, against rendered scenes whose truth is known:
// per scene the axis' angle error and how far each found end lies from the
// drawn one along the axis (a fraction of the body's length), for the
// located outline and for the axis the whole reader chose.
//
//   locate_accuracy COUNT [DIFFICULTY 0..1] [FIRST-SEED] [--whole plain|busy] [--draw OUTDIR] [--write OUTDIR]
//
// --draw writes each scene with the drawn body (yellow), the located one
// (green) and the reader's axis (magenta). --whole makes whole photos of
// 1600 x 1200 to 2000 x 1500 with the part small in them and its leads on:
// on white card ("plain") or on a wood-like or grid background ("busy").
// --write saves the scenes as JPEG with labels.csv, for photo_accuracy.

#include "ResistorRenderer.h"
#include "photo/Image.h"
#include "photo/Locate.h"
#include "photo/PhotoReader.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineF>
#include <QPainter>

#include <opencv2/core.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

struct Error {
    double angle = 90;   // degrees
    double ends = 1;     // the worse end, fraction of the length
};

// Ends are matched either way round: the direction is not located here.
Error compare(const QLineF &truth, QPointF a, QPointF b)
{
    const QPointF d = (truth.p2() - truth.p1()) / truth.length();
    const QPointF f = b - a;
    const double fl = std::hypot(f.x(), f.y());
    Error e;
    if (fl < 1e-6)
        return e;
    const double c = std::abs(d.x() * f.x() + d.y() * f.y()) / fl;
    e.angle = std::acos(std::min(1.0, c)) * 180 / M_PI;
    const auto off = [&](QPointF p, QPointF q) { return QLineF(p, q).length() / truth.length(); };
    e.ends = std::min(std::max(off(a, truth.p1()), off(b, truth.p2())), std::max(off(a, truth.p2()), off(b, truth.p1())));
    return e;
}

double percentile(std::vector<double> v, double q)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[size_t(std::min<double>(double(v.size() - 1), q * double(v.size())))];
}

void summary(const char *what, const std::vector<Error> &errors)
{
    std::vector<double> angles, ends;
    int good = 0;
    for (const Error &e : errors) {
        angles.push_back(e.angle);
        ends.push_back(e.ends);
        good += e.angle < 2 && e.ends < 0.06;
    }
    std::printf("%-8s angle median %.2f° p90 %.2f°  ends median %.3f p90 %.3f  good (<2°, <6%%) %d of %zu\n", what,
                percentile(angles, 0.5), percentile(angles, 0.9), percentile(ends, 0.5), percentile(ends, 0.9), good,
                errors.size());
}

// The part small in a large photo with its leads, as a phone shot from
// above the bench gives it.
zz::test::ResistorScene wholeScene(const std::vector<zz::decode::Colour> &code, quint32 seed, double difficulty,
                                   bool busy)
{
    zz::test::ResistorScene s = zz::test::variedScene(code, seed, difficulty);
    const double u = double((seed * 2246822519u) % 1000) / 1000, v = double((seed * 3266489917u) % 1000) / 1000;
    s.size = v < 0.5 ? QSize(1600, 1200) : QSize(2000, 1500);
    s.bodyLength = 0.07 + 0.11 * u;
    s.centre = QPointF(0.3 + 0.4 * v, 0.3 + 0.4 * u);
    s.leads = true;
    if (busy) {
        s.background = u < 0.6 ? zz::test::Background::Textured : zz::test::Background::Grid;
    } else {
        s.background = zz::test::Background::Plain;
        s.backgroundColour = v < 0.3 ? QColor(236, 236, 232) : QColor(250, 250, 248);
    }
    return s;
}

QString labelOf(const std::vector<zz::decode::Colour> &code)
{
    QStringList names;
    for (auto c : code) {
        const auto &name = zz::decode::colourInfo(c).name;
        names << QString::fromUtf8(name.data(), qsizetype(name.size()));
    }
    return names.join(QLatin1Char(' '));
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    cv::setNumThreads(1);
    QStringList args = app.arguments().mid(1);
    QString drawDir;
    if (const auto i = args.indexOf(QStringLiteral("--draw")); i >= 0 && i + 1 < args.size()) {
        drawDir = args[i + 1];
        args.remove(i, 2);
        QDir().mkpath(drawDir);
    }
    QString writeDir, whole;
    if (const auto i = args.indexOf(QStringLiteral("--write")); i >= 0 && i + 1 < args.size()) {
        writeDir = args[i + 1];
        args.remove(i, 2);
        QDir().mkpath(writeDir);
    }
    if (const auto i = args.indexOf(QStringLiteral("--whole")); i >= 0 && i + 1 < args.size()) {
        whole = args[i + 1];
        args.remove(i, 2);
    }
    QFile labels(writeDir + QStringLiteral("/labels.csv"));
    if (!writeDir.isEmpty() && labels.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        labels.write("file,rings\n");
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: locate_accuracy COUNT [DIFFICULTY 0..1] [FIRST-SEED] [--whole plain|busy] "
                             "[--draw OUTDIR] [--write OUTDIR]\n");
        return 2;
    }
    const int count = args[0].toInt();
    const double difficulty = args.size() > 1 ? args[1].toDouble() : 0.5;
    const quint32 first = args.size() > 2 ? args[2].toUInt() : 1;
    std::vector<Error> located, chosen;
    for (int i = 0; i < count; ++i) {
        const quint32 seed = first + quint32(i);
        const auto code = zz::test::randomCode(3 + int(seed % 4), seed);
        const auto scene = whole.isEmpty() ? zz::test::variedScene(code, seed, difficulty)
                                           : wholeScene(code, seed, difficulty, whole == QLatin1String("busy"));
        const auto shot = zz::test::renderResistor(scene);
        if (labels.isOpen()) {
            const QString name = QStringLiteral("w%1.jpg").arg(seed, 5, 10, QLatin1Char('0'));
            shot.image.save(writeDir + QLatin1Char('/') + name, "JPEG", 90);
            labels.write((name + QLatin1Char(',') + labelOf(code) + QLatin1Char('\n')).toUtf8());
        }
        const QLineF truth(shot.ring1End, shot.farEnd);
        const auto axis = zz::photo::locateBody(zz::photo::toMat(shot.image));
        const Error l = axis ? compare(truth, zz::photo::toQPoint(axis->start), zz::photo::toQPoint(axis->end)) : Error{};
        const zz::photo::Reading r = zz::photo::readPhoto(shot.image);
        const Error c = r.found ? compare(truth, r.axisStart, r.axisEnd) : Error{};
        located.push_back(l);
        chosen.push_back(c);
        std::printf("seed %5u  located %6.2f° %.3f   chosen %6.2f° %.3f%s\n", seed, l.angle, l.ends, c.angle, c.ends,
                    l.angle < 2 && l.ends < 0.06 ? "" : "  *");
        if (drawDir.isEmpty())
            continue;
        QImage out = shot.image.convertToFormat(QImage::Format_RGB32);
        QPainter p(&out);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::yellow, 1));
        p.drawPolygon(shot.body);
        if (axis) {
            const cv::Point2f d = (axis->end - axis->start) / float(std::max(1e-6, cv::norm(axis->end - axis->start)));
            const cv::Point2f n(-d.y * axis->halfWidth, d.x * axis->halfWidth);
            p.setPen(QPen(Qt::green, 2));
            p.drawPolygon(QPolygonF{} << zz::photo::toQPoint(axis->start + n) << zz::photo::toQPoint(axis->end + n)
                                      << zz::photo::toQPoint(axis->end - n) << zz::photo::toQPoint(axis->start - n));
        }
        if (r.found) {
            p.setPen(QPen(Qt::magenta, 2));
            p.drawLine(r.axisStart, r.axisEnd);
        }
        p.end();
        out.save(QStringLiteral("%1/s%2.png").arg(drawDir).arg(seed, 5, 10, QLatin1Char('0')));
    }
    summary("located", located);
    summary("chosen", chosen);
    return 0;
}
