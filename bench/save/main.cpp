// One save with backup into data files of 1, 10 and 100 MB, against the I/O
// floor of copying the same file twice with cp, and against the durable floor:
// the same two copies flushed to disk, since a save syncs before it replaces a
// file and cp does not. The save runs in a child process so its peak memory
// can be read from VmHWM before and after.
//
//   bench_save [folder]     (default: a temporary folder under the current one)

#include "output/DataFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> kEntry = {"Farbcode: Gelb - Violett - Braun", "Wert: 470 Ohm",
                                         "Toleranz: ± 23,5 Ohm (= 5%)", "(4.Ring hat die Farbe: Gold)"};

long vmHwmKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Child: one save, then "<milliseconds> <idle KiB> <peak KiB>" on stdout.
int child(const QString &file)
{
    const long idle = vmHwmKiB();
    QElapsedTimer timer;
    timer.start();
    zz::output::appendEntry(file, true, kEntry);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    std::printf("%.1f %ld %ld\n", ms, idle, vmHwmKiB());
    return 0;
}

// Whole lines only, so the file holds CR LF line ends throughout (as after
// the program's own saves) or, with lfOnly, LF line ends that a save converts.
void makeDataFile(const QString &path, qint64 size, bool lfOnly)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    QByteArray entry = QByteArrayLiteral("Farbcode: Gelb - Violett - Braun - Gold\r\nWert: 470 Ohm\r\n\r\n");
    if (lfOnly)
        entry.replace("\r\n", "\n");
    QByteArray block;
    while (block.size() < 1024 * 1024 - entry.size())
        block += entry;
    for (qint64 written = 0; written < size; written += block.size())
        f.write(block);
}

bool run(const QString &program, const QStringList &args, QByteArray *out = nullptr)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return false;
    if (out)
        *out = p.readAllStandardOutput();
    return true;
}

void syncFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0)
        qFatal("cannot sync %s", qPrintable(path));
    ::close(fd);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args.at(1) == QLatin1String("--child"))
        return child(args.at(2));

    QTemporaryDir dir(args.size() > 1 ? args.at(1) + QStringLiteral("/bench-save-XXXXXX")
                                      : QDir::currentPath() + QStringLiteral("/bench-save-XXXXXX"));
    if (!dir.isValid())
        qFatal("cannot create the work folder");
    const QString data = dir.filePath(QStringLiteral("werte.txt"));
    const QString original = dir.filePath(QStringLiteral("original.txt"));
    constexpr int kRuns = 3;

    std::printf("%-14s %10s %10s %7s %12s %7s %10s %10s\n", "data file", "save ms", "2x cp ms", "ratio",
                "+fsync ms", "ratio", "idle KiB", "peak +KiB");
    for (const bool lfOnly : {false, true}) {
        for (const int mb : {1, 10, 100}) {
            makeDataFile(original, qint64(mb) * 1024 * 1024, lfOnly);
            double bestSave = 1e300;
            double bestCopy = 1e300;
            double bestDurable = 1e300;
            long idle = 0;
            long worstPeak = 0;
            for (int i = 0; i < kRuns; ++i) {
                if (!run(QStringLiteral("cp"), {original, data}))
                    qFatal("cp failed");
                QByteArray out;
                if (!run(app.applicationFilePath(), {QStringLiteral("--child"), data}, &out))
                    qFatal("save failed");
                const QList<QByteArray> fields = out.trimmed().split(' ');
                bestSave = std::min(bestSave, fields.value(0).toDouble());
                idle = fields.value(1).toLong();
                worstPeak = std::max(worstPeak, fields.value(2).toLong() - idle);

                const QString a = dir.filePath(QStringLiteral("a.txt"));
                const QString b = dir.filePath(QStringLiteral("b.txt"));
                QElapsedTimer timer;
                timer.start();
                if (!run(QStringLiteral("cp"), {original, a}) || !run(QStringLiteral("cp"), {original, b}))
                    qFatal("cp failed");
                bestCopy = std::min(bestCopy, double(timer.nsecsElapsed()) / 1e6);
                syncFile(a);
                syncFile(b);
                bestDurable = std::min(bestDurable, double(timer.nsecsElapsed()) / 1e6);
            }
            std::printf("%4d MB %-7s %10.1f %10.1f %7.2f %12.1f %7.2f %10ld %10ld\n", mb, lfOnly ? "LF" : "CR LF",
                        bestSave, bestCopy, bestSave / bestCopy, bestDurable, bestSave / bestDurable, idle,
                        worstPeak);
            std::fflush(stdout);
        }
    }
    return 0;
}
