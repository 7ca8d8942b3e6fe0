// Ring recognition over a labelled folder of photos: DIR/labels.csv holds
// "file,rings" with the rings in reading order as German colour names.
// Prints per file and in total how many photos were read fully right and
// with the first three rings right, a confusion table of the colours, and
// the median time per photo (loading included).
//
//   photo_accuracy DIR [--draw OUTDIR] [--rings]
//
// --draw writes each photo with the found body, rings and ring 1 drawn on it;
// --rings prints each found ring's measured colour for tuning the prototypes.

#include "photo/Classify.h"
#include "photo/Image.h"
#include "photo/Locate.h"
#include "photo/PhotoReader.h"
#include "photo/Profile.h"
#include "photo/Rings.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QTextStream>

#include <opencv2/core.hpp>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <map>

using zz::decode::Colour;

namespace {

// CPU time of this thread: on a busy machine wall time says more about the
// others than about us. OpenCV is held to this thread.
double threadMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

QString nameOf(Colour c) { return QString::fromUtf8(zz::decode::colourInfo(c).name.data(),
                                                    qsizetype(zz::decode::colourInfo(c).name.size())); }

QString joined(const std::vector<Colour> &cs)
{
    QStringList names;
    for (Colour c : cs)
        names << nameOf(c);
    return names.join(u' ');
}

void draw(const QImage &photo, const zz::photo::Reading &r, const QString &path)
{
    QImage out = photo.convertToFormat(QImage::Format_RGB32);
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing);
    const double pen = std::max(2.0, out.width() / 400.0);
    p.setPen(QPen(Qt::green, pen));
    p.drawPolygon(r.body);
    p.setPen(QPen(Qt::magenta, pen));
    p.drawLine(r.axisStart, r.axisEnd);
    QFont f = p.font();
    f.setPixelSize(int(pen * 8));
    p.setFont(f);
    for (size_t i = 0; i < r.rings.size(); ++i) {
        const auto &ring = r.rings[i];
        p.setPen(QPen(i == 0 ? Qt::red : Qt::cyan, pen));
        p.drawEllipse(ring.centre, ring.width / 2, ring.width / 2);
        p.drawText(ring.centre + QPointF(-ring.width, pen * 12 * (i % 2 ? 1 : -1)),
                   QStringLiteral("%1 %2").arg(nameOf(ring.chances.front().colour)).arg(ring.chances.front().probability, 0, 'f', 2));
    }
    if (!r.found)
        p.drawText(20, 40, r.error);
    out.save(path);
}

void printRings(const QImage &photo, const zz::photo::Reading &r, const std::vector<Colour> &truth)
{
    using namespace zz::photo;
    const cv::Mat3b rgb = toMat(photo);
    const auto axis = locateBody(rgb);
    if (!axis || !r.found)
        return;
    const float halfWidth = float(QLineF(r.body[0], r.body[3]).length() / 2);
    const Profile prof = sampleProfile(rgb, toPoint(r.axisStart), toPoint(r.axisEnd), halfWidth, axis->background);
    auto spans = findRings(prof);
    // For tuning on photos with ring 1 on the left.
    const bool flip = false;
    if (flip)
        std::reverse(spans.begin(), spans.end());
    if (spans.size() == truth.size() + 2)
        spans = std::vector<RingSpan>(spans.begin() + 1, spans.end() - 1);
    if (spans.size() == truth.size() + 1) {
        if (spans.front().contrast < spans.back().contrast)
            spans.erase(spans.begin());
        else
            spans.pop_back();
    }
    const Lighting light = estimateLighting(prof.body, axis->background);
    const cv::Vec3f body = correctedLab(prof.body, light), bg = rgbToLab(axis->background);
    std::printf("  body lab %.0f %.0f %.0f -> %.0f %.0f %.0f  bg lab %.0f %.0f %.0f\n", rgbToLab(prof.body)[0],
                rgbToLab(prof.body)[1], rgbToLab(prof.body)[2], body[0], body[1], body[2], bg[0], bg[1], bg[2]);
    const std::vector<float> d = ringContrast(prof);
    std::printf("  contrast:");
    for (size_t i = 0; i < d.size(); i += 3)
        std::printf(" %.0f", d[i]);
    std::printf("\n");
    for (size_t i = 0; i < spans.size(); ++i) {
        const cv::Vec3f lab = correctedLab(spans[i].rgb, light);
        const QString t = spans.size() == truth.size() ? nameOf(truth[i]) : QStringLiteral("?");
        std::printf("  ring %-8s lab %5.1f %6.1f %6.1f spread %5.1f body %5.1f contrast %5.1f width %d at %.2f\n",
                    qPrintable(t), lab[0], lab[1], lab[2], spans[i].spread,
                    prof.spreadNear[size_t(std::lround(spans[i].centre()))], spans[i].contrast, spans[i].width(),
                    flip ? 1 - spans[i].centre() / prof.size() : spans[i].centre() / prof.size());
    }
}

} // namespace

int main(int argc, char **argv)
{
    // Fonts for --draw; no display needed.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    cv::setNumThreads(1);
    QStringList args = app.arguments().mid(1);
    QString drawDir;
    bool rings = false;
    if (const auto i = args.indexOf(QStringLiteral("--draw")); i >= 0 && i + 1 < args.size()) {
        drawDir = args[i + 1];
        args.remove(i, 2);
        QDir().mkpath(drawDir);
    }
    if (args.removeAll(QStringLiteral("--rings")) > 0)
        rings = true;
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: photo_accuracy DIR [--draw OUTDIR] [--rings]\n");
        return 2;
    }
    const QDir dir(args[0]);
    QFile labels(dir.filePath(QStringLiteral("labels.csv")));
    if (!labels.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "photo_accuracy: cannot read %s\n", qPrintable(labels.fileName()));
        return 2;
    }
    QTextStream in(&labels);
    in.readLine();

    int total = 0, allRight = 0, firstThree = 0;
    std::vector<double> ms, cpuMs;
    constexpr int kMissing = zz::decode::kColourCount;
    std::map<std::pair<int, int>, int> confusion;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty())
            continue;
        const QString file = line.section(u',', 0, 0);
        std::vector<Colour> truth;
        for (const QString &n : line.section(u',', 1).split(u' ', Qt::SkipEmptyParts))
            if (const auto c = zz::decode::colourFromName(n.toStdString()))
                truth.push_back(*c);
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = threadMs();
        const zz::photo::LoadedPhoto photo = zz::photo::loadPhoto(dir.filePath(file));
        const zz::photo::Reading r = photo.image.isNull() ? zz::photo::Reading{} : zz::photo::readPhoto(photo.image);
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        cpuMs.push_back(threadMs() - cpuStart);

        const std::vector<Colour> got = r.found ? r.candidates.front().colours : std::vector<Colour>{};
        const bool all = got == truth;
        const bool three = got.size() >= 3 && truth.size() >= 3 && std::equal(truth.begin(), truth.begin() + 3, got.begin());
        ++total;
        allRight += all;
        firstThree += three;
        for (size_t i = 0; i < truth.size(); ++i)
            ++confusion[{int(truth[i]), i < got.size() && got.size() == truth.size() ? int(got[i]) : kMissing}];
        std::printf("%-40s %s %s %5.0f ms  %-40s got %s (%.2f)%s\n", qPrintable(file), all ? "ALL" : "---",
                    three ? "123" : "---", ms.back(), qPrintable(joined(truth)),
                    r.found ? qPrintable(joined(got)) : qPrintable(photo.error.isEmpty() ? r.error : photo.error),
                    r.confidence, r.found && r.candidates.front().colours.size() != truth.size() ? " [count]" : "");
        if (rings && !photo.image.isNull())
            printRings(photo.image, r, truth);
        if (!drawDir.isEmpty() && !photo.image.isNull())
            draw(photo.image, r, QDir(drawDir).filePath(QFileInfo(file).completeBaseName() + QStringLiteral(".png")));
    }
    if (total == 0)
        return 1;

    std::printf("\nconfusion (row: true colour, column: read; '-' = ring count wrong or nothing read)\n%-9s", "");
    for (int c = 0; c <= kMissing; ++c)
        std::printf("%6.5s", c == kMissing ? "-" : qPrintable(nameOf(Colour(c))));
    std::printf("\n");
    for (int t = 0; t < kMissing; ++t) {
        int rowSum = 0;
        for (int c = 0; c <= kMissing; ++c)
            rowSum += confusion[{t, c}];
        if (rowSum == 0)
            continue;
        std::printf("%-9s", qPrintable(nameOf(Colour(t))));
        for (int c = 0; c <= kMissing; ++c) {
            const int v = confusion[{t, c}];
            if (v)
                std::printf("%6d", v);
            else
                std::printf("%6s", ".");
        }
        std::printf("\n");
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpuMs.begin(), cpuMs.end());
    std::printf("\nphotos %d  all rings right %d (%.1f %%)  first three right %d (%.1f %%)  median %.1f ms"
                " (%.1f ms CPU on one core)\n",
                total, allRight, 100.0 * allRight / total, firstThree, 100.0 * firstThree / total, ms[ms.size() / 2],
                cpuMs[cpuMs.size() / 2]);
    return 0;
}
