// Start-up and change benchmark.
//
//   zz_bench_startup [rounds]
//
// Starts itself as a child process, alternately in two modes, and times each
// child from process start until its window has been painted the first time:
//   program  the real start-up (application object, four windows, main window)
//   minimal  a bare Qt Widgets program showing an empty main window
//   text     the same with one line of text, which costs the font set-up
//            that every window with text pays (shown for comparison)
// Then, in this process, times a ring change from the key press to the
// updated result labels. Prints medians; run it under Xvfb or offscreen.

#include "app/Application.h"
#include "ui/Main.h"
#include "ui/RingComboBox.h"
#include "ui/Windows.h"

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Reports the first paint of `window` on stdout and ends the child.
class FirstPaint final : public QObject
{
public:
    explicit FirstPaint(QWidget *window) { window->installEventFilter(this); }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            std::fputs("shown\n", stdout);
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return false;
    }

private:
    bool m_done = false;
};

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

int runMinimalChild(int argc, char **argv, bool withText)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(461, 249);
    if (withText)
        window.setCentralWidget(new QLabel(QStringLiteral("Farbcode: Gelb - Violett - Braun")));
    FirstPaint probe(&window);
    window.show();
    return app.exec();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Milliseconds from process start until the child says its window is painted.
double timeChild(const QString &self, const char *mode)
{
    QProcess child;
    QElapsedTimer clock;
    clock.start();
    child.start(self, {QStringLiteral("--child"), QString::fromLatin1(mode)});
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
        return std::strcmp(argv[2], "program") == 0
                   ? runProgramChild(argc, argv)
                   : runMinimalChild(argc, argv, std::strcmp(argv[2], "text") == 0);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;

    Application app(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();
    timeChild(self, "minimal");   // warm the file cache for both
    timeChild(self, "program");
    timeChild(self, "text");
    std::vector<double> program, minimal, text;
    for (int i = 0; i < rounds; ++i) {
        minimal.push_back(timeChild(self, "minimal"));
        program.push_back(timeChild(self, "program"));
        text.push_back(timeChild(self, "text"));
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
