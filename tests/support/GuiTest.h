#pragma once

#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

// Shared fixture for tests that drive the real windows.
namespace zz::test {

// Runs a QtTest object inside the program's own application object, with
// German regional settings and a watchdog against forgotten modal dialogs.
// prepare, when given, writes what the desktop reads at start (a theme's
// configuration) into the run's own XDG_CONFIG_HOME before the application starts.
int runGuiTest(int argc, char **argv, const std::function<int(int, char **)> &run,
               const std::function<void(const QString &configHome)> &prepare = {});

// A temporary folder that holds this test's settings (QSettings, ini files).
class SettingsSandbox final
{
public:
    SettingsSandbox();
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

// The next modal widget (dialog, message box, modal window) that opens gets
// `action`; call before the command that opens it, since that command blocks.
// The modal widget open at the call, if any, is not the next one.
void onNextModal(std::function<void(QWidget *)> action, int timeoutMs = 5000);

// Waits until `window` itself is the active window, the one keys and
// shortcuts go to. QTest::qWaitForWindowActive() also counts a dialog as
// active while its parent window, or a window transient for it (the help
// window beside a modal one), has the focus; keys sent then are lost.
bool waitForActive(QWidget *window, int timeoutMs = 10000);

// Waits for a modal widget to be open and returns it, or nullptr on timeout.
QWidget *waitForModal(int timeoutMs = 5000);

struct MessageBoxSeen {
    bool seen = false;
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// Answers the next message box with `answer` and tells what it showed.
void answerNextMessageBox(QMessageBox::StandardButton answer, MessageBoxSeen *seen = nullptr);

// Types a path into an open file dialog and accepts it, as a user does: a
// file still selected in the list would win over the typed name.
void chooseFile(QFileDialog *dialog, const QString &path);

// Answers the next file dialog with a path, or cancels it when path is empty;
// inspect, when given, sees the dialog first.
void answerFileDialog(const QString &path, std::function<void(QFileDialog *)> inspect = {});

// Number of modal widgets the watchdog had to close so far.
int watchdogClosures();

} // namespace zz::test

// Main routine of a GUI test: like QTEST_MAIN, with the program's application object.
#define ZZ_GUI_TEST_MAIN(TestObject)                                              \
    int main(int argc, char **argv)                                               \
    {                                                                             \
        return zz::test::runGuiTest(argc, argv, [](int c, char **v) {             \
            TestObject tc;                                                        \
            return QTest::qExec(&tc, c, v);                                       \
        });                                                                       \
    }
