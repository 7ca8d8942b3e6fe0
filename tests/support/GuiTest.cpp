#include "GuiTest.h"

#include "app/Application.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QFile>
#include <QLineEdit>
#include <QTimer>

namespace zz::test {

namespace {

int g_closures = 0;

// Closes a modal widget that has been open far longer than any test step
// needs, and fails the running test instead of letting the suite hang.
class ModalWatchdog final : public QObject
{
public:
    explicit ModalWatchdog(int limitMs) : m_limitMs(limitMs)
    {
        m_timer.setInterval(200);
        connect(&m_timer, &QTimer::timeout, this, &ModalWatchdog::check);
        m_timer.start();
    }

private:
    void check()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal != m_seen) {
            m_seen = modal;
            m_since.start();
            return;
        }
        if (!modal || m_since.elapsed() < m_limitMs)
            return;
        ++g_closures;
        const QString what = modal->objectName() + QLatin1Char(' ') + modal->windowTitle();
        QTest::qFail(qPrintable(QStringLiteral("unexpected modal widget left open: ") + what),
                     __FILE__, __LINE__);
        if (auto *box = qobject_cast<QMessageBox *>(modal))
            box->done(QMessageBox::Cancel);
        else
            modal->close();
        m_seen = nullptr;
    }

    QTimer m_timer;
    QPointer<QWidget> m_seen;
    QElapsedTimer m_since;
    int m_limitMs;
};

} // namespace

int runGuiTest(int argc, char **argv, const std::function<int(int, char **)> &run,
               const std::function<void(const QString &configHome)> &prepare)
{
    // Numbers in German form, as on the desktops the program is made for.
    qputenv("LC_ALL", "de_DE.UTF-8");
    qputenv("LANG", "de_DE.UTF-8");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Each run starts without settings: a window closed in one run makes the
    // store, and its position would reach the next run.
    const QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
    if (prepare)
        prepare(settings.path());
    Application app(argc, argv);
    ModalWatchdog watchdog(20000);
    return run(argc, argv);
}

SettingsSandbox::SettingsSandbox()
{
    qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit());
}

void onNextModal(std::function<void(QWidget *)> action, int timeoutMs)
{
    auto *timer = new QTimer(qApp);
    auto *clock = new QElapsedTimer;
    clock->start();
    timer->setInterval(10);
    // Called inside a modal window for a dialog it is about to open: that
    // window is already open and is not the next one, however slowly the
    // new one comes up.
    const QPointer<QWidget> open = QApplication::activeModalWidget();
    QObject::connect(timer, &QTimer::timeout, qApp, [timer, clock, action, timeoutMs, open] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal == open)
            modal = nullptr;
        if (!modal && clock->elapsed() < timeoutMs)
            return;
        timer->stop();
        timer->deleteLater();
        delete clock;
        // Keys sent before the window is active are lost on a loaded machine.
        if (modal && !waitForActive(modal, timeoutMs))
            QTest::qFail("the modal widget did not become active", __FILE__, __LINE__);
        if (modal)
            action(modal);
        else
            QTest::qFail("no modal widget opened", __FILE__, __LINE__);
    });
    timer->start();
}

bool waitForActive(QWidget *window, int timeoutMs)
{
    return QTest::qWaitFor([window] { return QApplication::activeWindow() == window->window(); }, timeoutMs);
}

QWidget *waitForModal(int timeoutMs)
{
    QWidget *modal = nullptr;
    (void)QTest::qWaitFor([&] { return (modal = QApplication::activeModalWidget()) != nullptr; },
                    timeoutMs);
    if (modal)
        (void)waitForActive(modal, timeoutMs);
    return modal;
}

void answerNextMessageBox(QMessageBox::StandardButton answer, MessageBoxSeen *seen)
{
    onNextModal([answer, seen](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        if (seen && box) {
            seen->seen = true;
            seen->caption = box->windowTitle();
            seen->text = box->text();
            seen->icon = box->icon();
            seen->buttons = box->standardButtons();
        }
        if (!box) {
            QTest::qFail("the modal widget is no message box", __FILE__, __LINE__);
            w->close();
            return;
        }
        if (QAbstractButton *b = box->button(answer))
            b->click();
        else
            box->done(answer);
    });
}

int watchdogClosures()
{
    return g_closures;
}

// Types a path into the open file dialog and accepts it, as a user does: a
// file still selected in the list would win over the typed name.
void chooseFile(QFileDialog *dialog, const QString &path)
{
    for (auto *view : dialog->findChildren<QAbstractItemView *>()) {
        if (view->selectionModel())
            view->selectionModel()->clear();
    }
    dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
    static_cast<QDialog *>(dialog)->accept();
}

// Answers the next file dialog with a path, or cancels it when path is empty;
// inspect, when given, sees the dialog first.
void answerFileDialog(const QString &path, std::function<void(QFileDialog *)> inspect)
{
    onNextModal([path, inspect](QWidget *w) {
        auto *dialog = qobject_cast<QFileDialog *>(w);
        if (!dialog) {
            QTest::qFail("the modal widget is no file dialog", __FILE__, __LINE__);
            w->close();
            return;
        }
        if (inspect)
            inspect(dialog);
        if (path.isEmpty())
            dialog->reject();
        else
            chooseFile(dialog, path);
    });
}

} // namespace zz::test
