// Start-up and change benchmark.
//
//   zz_bench_startup [rounds]
//
// Starts child processes, alternately of three kinds, and times each from
// process start until its window has been painted the first time:
//   program  the real start-up (application object, four windows, main window)
//   minimal  a bare Qt Widgets program (zz_bench_minimal, linking Qt Widgets
//            only) showing an empty main window
//   text     the same with one line of text, which costs the font set-up
//            that every window with text pays (shown for comparison)
// Then, in this process, times a ring change from the key press to the
// updated result labels. Prints medians; run it under Xvfb or offscreen.

#include "app/Application.h"
#include "ui/FourRingWindow.h"
#include "ui/RingComboBox.h"
#include "ui/Windows.h"

#include "FirstPaint.h"

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

int runProgramChild(int argc, char **argv)
{
    Application app(argc, argv);
    zz::ui::createWindows();
    FirstPaint probe(frmLurvan);
    frmLurvan->show();
    app.exec();
    zz::ui::destroyWindows();
    return 0;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Milliseconds from process start until the child says its window is painted.
double timeChild(const QString &program, const QStringList &arguments)
{
    QProcess child;
    QElapsedTimer clock;
    clock.start();
    child.start(program, arguments);
    while (child.waitForReadyRead(10000)) {
        if (child.readAll().contains("shown"))
            break;
    }
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    if (!child.waitForFinished(10000))
        child.kill();
    return ms;
}

// Microseconds from a key press on ring 3 to the labels holding the new result.
std::vector<double> timeRingChanges(int count)
{
    zz::ui::createWindows();
    frmLurvan->show();
    RingComboBox *ring3 = frmLurvan->ringList(3);
    auto *wert = frmLurvan->findChild<QLabel *>(QStringLiteral("labWert"));
    std::vector<double> us;
    for (int i = 0; i < count; ++i) {
        const int key = ring3->currentIndex() < 6 ? Qt::Key_Down : Qt::Key_Home;
        const QString before = wert->text();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QElapsedTimer clock;
        clock.start();
        QApplication::sendEvent(ring3, &press);
        us.push_back(double(clock.nsecsElapsed()) / 1e3);
        if (wert->text() == before)
            std::fprintf(stderr, "ring change did not update the value\n");
        QCoreApplication::processEvents();
    }
    zz::ui::destroyWindows();
    return us;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0)
        return runProgramChild(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;

    Application app(argc, argv);
    // The program side links everything the real program links; the bare
    // side is its own executable that links Qt Widgets only.
    const QString self = QCoreApplication::applicationFilePath();
    const QString bare = QCoreApplication::applicationDirPath() + QStringLiteral("/zz_bench_minimal");
    const QStringList programArgs{QStringLiteral("--child"), QStringLiteral("program")};
    const QStringList minimalArgs{QStringLiteral("empty")};
    const QStringList textArgs{QStringLiteral("text")};
    timeChild(bare, minimalArgs);   // warm the file cache for all three
    timeChild(self, programArgs);
    timeChild(bare, textArgs);
    std::vector<double> program, minimal, text;
    for (int i = 0; i < rounds; ++i) {
        minimal.push_back(timeChild(bare, minimalArgs));
        program.push_back(timeChild(self, programArgs));
        text.push_back(timeChild(bare, textArgs));
    }
    const double p = median(program), m = median(minimal), t = median(text);
    std::printf("start-up until first paint, median of %d runs each:\n", rounds);
    std::printf("  zedezedidor windows  %8.1f ms\n", p);
    std::printf("  empty Qt main window %8.1f ms\n", m);
    std::printf("  ratio                %8.2f   (target <= 1.30)\n", p / m);
    std::printf("  one-label Qt window  %8.1f ms (ratio %.2f)\n", t, p / t);

    const std::vector<double> change = timeRingChanges(2000);
    std::printf("ring change to updated labels, median of %zu: %.1f us (target < 1000 us)\n",
                change.size(), median(change));
    return 0;
}
