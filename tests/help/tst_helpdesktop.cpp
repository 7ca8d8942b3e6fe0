// The help window beside every modal window of the program, on a desktop with
// a window manager (tests/support/with-desktop): clicks and keys go through
// the X server and openbox, as a user's do, so whatever blocks the help window
// (Qt's modality, the window manager's focus rules) shows here.

#include "GuiTest.h"
#include "WindowDriver.h"

#include "help/Help.h"
#include "help/HelpWindow.h"
#include "ui/Windows.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>

using namespace zz::test;
using zz::help::HelpWindow;

namespace {

// The program's windows by their names, whatever their classes.
QWidget *topLevel(const char *name)
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String(name))
            return w;
    }
    qFatal("no window %s", name);
}

// Runs xdotool while this process keeps serving its windows.
bool xdotool(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    if (!p.waitForStarted())
        return false;
    const bool done = QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 20000);
    if (!done) {
        p.kill();
        p.waitForFinished();
    }
    return done && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// What a tool prints, while this process keeps serving its windows.
QString output(const QString &tool, const QStringList &args)
{
    QProcess p;
    p.start(tool, args);
    if (!p.waitForStarted() || !QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 20000))
        return {};
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

// A window's frame as the window system has it: the client area's place
// from xwininfo, widened by the frame the window manager announces.
QRect frameOf(const QWidget *w)
{
    const QString id = QString::number(w->winId());
    const QString info = output(QStringLiteral("xwininfo"), {"-id", id});
    auto number = [&](const char *label) {
        const QRegularExpression re(QStringLiteral("%1:\\s+(-?\\d+)").arg(QLatin1String(label)));
        return re.match(info).captured(1).toInt();
    };
    const QStringList extents = output(QStringLiteral("xprop"), {"-id", id, "_NET_FRAME_EXTENTS"})
                                    .section(QLatin1Char('='), 1).split(QLatin1Char(','));
    if (extents.size() != 4)
        return {};
    const int left = extents[0].trimmed().toInt(), right = extents[1].trimmed().toInt();
    const int top = extents[2].trimmed().toInt(), bottom = extents[3].trimmed().toInt();
    return QRect(number("Absolute upper-left X") - left, number("Absolute upper-left Y") - top,
                 number("Width") + left + right, number("Height") + top + bottom);
}

QString id(const QWidget *w)
{
    return QString::number(w->winId());
}

// As a user clicks into a window: the window manager gives it the focus, and
// the keys go to it once Qt knows.
void activate(QWidget *w)
{
    QVERIFY(QTest::qWaitForWindowExposed(w, 15000));
    // Under load a focus change still on its way may win; the user clicks again.
    for (int attempt = 0; attempt < 3 && QApplication::activeWindow() != w; ++attempt) {
        QVERIFY(xdotool({"windowactivate", "--sync", id(w)}));
        (void)waitForActive(w, 5000);
    }
    QCOMPARE(QApplication::activeWindow(), w);
}

// A click on a contents entry other than the page shown changes the page.
void clickContents(HelpWindow *help)
{
    activate(help);
    if (QTest::currentTestFailed())
        return;
    // The contents unfold once the help engine has read them, late under load.
    auto *tree = help->engine()->contentWidget();
    QTRY_VERIFY_WITH_TIMEOUT(tree->model()->rowCount() > 0 && tree->isExpanded(tree->model()->index(0, 0)), 15000);
    const QModelIndex top = tree->model()->index(0, 0);
    QModelIndex entry;
    for (int row = 0; row < tree->model()->rowCount(top) && !entry.isValid(); ++row) {
        const QModelIndex candidate = tree->model()->index(row, 0, top);
        if (candidate.data().toString() != help->browser()->documentTitle())
            entry = candidate;
    }
    QVERIFY(entry.isValid());
    const QString title = entry.data().toString();
    const QPoint at = tree->viewport()->mapTo(help, tree->visualRect(entry).center());
    // A dialog whose own activation arrives late comes up over the entry and
    // takes the click; the user brings the help window forward and clicks again.
    for (int attempt = 0; attempt < 3 && help->browser()->documentTitle() != title; ++attempt) {
        activate(help);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(xdotool({"mousemove", "--window", id(help), QString::number(at.x()), QString::number(at.y()),
                         "click", "1"}));
        (void)QTest::qWaitFor([&] { return help->browser()->documentTitle() == title; }, 5000);
    }
    QCOMPARE(help->browser()->documentTitle(), title);
}

void escCloses(HelpWindow *help)
{
    activate(help);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(xdotool({"key", "--clearmodifiers", "Escape"}));
    QTRY_VERIFY_WITH_TIMEOUT(!help->isVisible(), 15000);
}

// The modal window still takes the keys that end it.
void endWithKey(QWidget *modal, const QString &key)
{
    activate(modal);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(xdotool({"key", "--clearmodifiers", key}));
    QTRY_VERIFY_WITH_TIMEOUT(!modal->isVisible(), 15000);
}

// The next modal window, once open. Whether the window manager gives it the
// focus while the help window had it is its own affair: the steps activate
// what they use, as a user clicks into it.
void onNextModalWindow(std::function<void(QWidget *)> action)
{
    const QPointer<QWidget> open = QApplication::activeModalWidget();
    auto *timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, qApp, [timer, open, action] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == open)
            return;
        timer->stop();
        timer->deleteLater();
        // Mapped later, it would come up over the help window and take its click.
        if (!QTest::qWaitForWindowExposed(modal, 15000))
            QTest::qFail("the modal window did not come up", __FILE__, __LINE__);
        action(modal);
    });
    timer->start();
}

} // namespace

class TestHelpDesktop final : public QObject
{
    Q_OBJECT

    SettingsSandbox m_settings;
    QWidget *m_four = nullptr;

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QFAIL("needs an X server with a window manager (tests/support/with-desktop)");
        QVERIFY(!QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty());
        // The missing read-me gives this test its message box.
        QVERIFY(!QFile::exists(QDir(QCoreApplication::applicationDirPath()).filePath("Readme.txt")));
        zz::help::setHelpFile(QDir(qEnvironmentVariable("ZZ_BIN_DIR")).filePath(QStringLiteral("Zedezedidor.qhc")));
        zz::ui::createWindows();
        m_four = topLevel("frmLurvan");
        m_four->move(40, 40);
        m_four->show();
        // On a loaded machine a new window may not get the focus by itself.
        activate(m_four);
    }

    void cleanupTestCase() { zz::ui::destroyWindows(); }

    // F1 in the options dialog, the help's first showing (so first here):
    // the help window's title bar stays on the screen and the control asked
    // about stays in sight.
    void contextHelpOnScreen()
    {
        bool checked = false;
        onNextModalWindow([&](QWidget *modal) {
            activate(modal);
            if (QTest::currentTestFailed())
                return;
            auto *ok = child<QPushButton>(modal, "bitbtnOk");
            ok->setFocus();
            QVERIFY(xdotool({"key", "--clearmodifiers", "F1"}));
            HelpWindow *help = nullptr;
            QTRY_VERIFY_WITH_TIMEOUT((help = zz::help::helpWindow()) && help->isVisible(), 15000);
            QVERIFY(QTest::qWaitForWindowExposed(help, 15000));
            QRect frame;
            QTRY_VERIFY_WITH_TIMEOUT((frame = frameOf(help)).isValid(), 15000);
            const QRect screen = help->screen()->geometry();
            QVERIFY2(screen.contains(frame), qPrintable(QStringLiteral("frame %1,%2 %3x%4").arg(frame.x())
                                                            .arg(frame.y()).arg(frame.width()).arg(frame.height())));
            QVERIFY(!frame.intersects(QRect(ok->mapToGlobal(QPoint(0, 0)), ok->size())));
            escCloses(help);
            endWithKey(modal, QStringLiteral("Escape"));
            checked = !QTest::currentTestFailed();
            if (modal->isVisible())
                modal->close();
        });
        activate(m_four);
        child<QAction>(m_four, "mnuBearbeitenOptionen")->trigger();
        QVERIFY(checked);
        QCOMPARE(watchdogClosures(), 0);
    }

    // F1 in "Farbcode suchen" puts the help beside the dialog, as context
    // help from the options dialog does, never over it; at 2x as well
    // (tst_helpdesktop_2x runs this alone, on a larger screen).
    void farbcodeHelpBesideDialog()
    {
        bool checked = false;
        onNextModalWindow([&](QWidget *modal) {
            activate(modal);
            if (QTest::currentTestFailed())
                return;
            QVERIFY(xdotool({"key", "--clearmodifiers", "F1"}));
            HelpWindow *help = nullptr;
            QTRY_VERIFY_WITH_TIMEOUT((help = zz::help::helpWindow()) && help->isVisible(), 15000);
            QVERIFY(QTest::qWaitForWindowExposed(help, 15000));
            // Both frames as the window system has them, in screen pixels.
            QRect helpFrame;
            QRect dialogFrame;
            QTRY_VERIFY_WITH_TIMEOUT((helpFrame = frameOf(help)).isValid()
                                         && (dialogFrame = frameOf(modal)).isValid(), 15000);
            const QRect screen(QPoint(0, 0), modal->screen()->geometry().size() * modal->devicePixelRatio());
            const auto text = [](const QRect &r) {
                return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
            };
            QVERIFY2(!helpFrame.intersects(dialogFrame),
                     qPrintable(QStringLiteral("help %1 over the dialog %2").arg(text(helpFrame), text(dialogFrame))));
            QVERIFY2(screen.contains(helpFrame), qPrintable(text(helpFrame)));
            escCloses(help);
            endWithKey(modal, QStringLiteral("Escape"));
            checked = !QTest::currentTestFailed();
            if (modal->isVisible())
                modal->close();
        });
        activate(m_four);
        child<QAction>(m_four, "mnuBearbeitenFarbcodeSuchen")->trigger();
        QVERIFY(checked);
        QCOMPARE(watchdogClosures(), 0);
    }

    // Help opened from the four-ring window, then a modal window opened: the
    // help takes a click and Esc while it runs (also while a file dialog runs
    // over the options dialog, and after that one closed), and the modal
    // window still ends with its key afterwards.
    void helpBesideModalWindow_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("endKey");
        QTest::addColumn<bool>("fileDialog");
        QTest::newRow("options") << "mnuBearbeitenOptionen" << "Escape" << false;
        QTest::newRow("options, file dialog") << "mnuBearbeitenOptionen" << "Escape" << true;
        QTest::newRow("about") << "mnuHilfeUeber" << "Escape" << false;
        QTest::newRow("Farbcode suchen") << "mnuBearbeitenFarbcodeSuchen" << "Escape" << false;
        QTest::newRow("five/six rings") << "N56Ringe1" << "ctrl+u" << false;
        QTest::newRow("message box") << "mnuHilfeReadme" << "Return" << false;
    }

    void helpBesideModalWindow()
    {
        QFETCH(QString, item);
        QFETCH(QString, endKey);
        QFETCH(bool, fileDialog);
        activate(m_four);
        child<QAction>(m_four, "mnuHilfeIhnalt")->trigger();
        QPointer<HelpWindow> help = zz::help::helpWindow();
        QVERIFY(help && help->isVisible());

        bool checked = false;
        onNextModalWindow([&](QWidget *modal) {
            clickContents(help);
            if (fileDialog && !QTest::currentTestFailed()) {
                onNextModalWindow([&](QWidget *files) {
                    QVERIFY(qobject_cast<QFileDialog *>(files));
                    clickContents(help);
                    endWithKey(files, QStringLiteral("Escape"));
                    if (files->isVisible())
                        files->close();
                });
                child<QPushButton>(modal, "bitbtnDurchsuchen")->click();
                // Back with the options dialog alone, the help follows it back.
                clickContents(help);
            }
            escCloses(help);
            endWithKey(modal, endKey);
            checked = !QTest::currentTestFailed();
            if (modal->isVisible())
                modal->close();
        });
        child<QAction>(m_four, item.toLatin1().constData())->trigger();
        QVERIFY(checked);
        QTRY_VERIFY(m_four->isVisible());
        QCOMPARE(zz::help::helpWindow(), help.data());
        QCOMPARE(watchdogClosures(), 0);
    }
};

ZZ_GUI_TEST_MAIN(TestHelpDesktop)
#include "tst_helpdesktop.moc"
