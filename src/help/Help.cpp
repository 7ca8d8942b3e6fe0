#include "help/Help.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>

#include "help/DocumentOpener.h"
#include "help/HelpWindow.h"

namespace zz::help {

namespace {

QString g_helpFile = QStringLiteral(ZZ_INSTALLED_HELP_FILE);
QPointer<HelpWindow> g_window;

// A window opened while a modal dialog runs is blocked unless it belongs to
// that dialog; the help has to stay usable beside the options dialog.
void attachToModalDialog(HelpWindow *window)
{
    QWidget *modal = QApplication::activeModalWidget();
    QWidget *owner = (modal && modal != window) ? modal : nullptr;
    if (window->parentWidget() == owner)
        return;
    const QRect geometry = window->geometry();
    const bool placed = window->testAttribute(Qt::WA_Moved);
    window->setParent(owner, Qt::Window);
    if (placed)
        window->setGeometry(geometry);
}

HelpWindow *presentWindow(QWidget *parent)
{
    if (!g_window) {
        g_window = new HelpWindow(findHelpFile(g_helpFile, QCoreApplication::applicationDirPath()));
        // First showing: over the window that asked, else in the middle of the
        // screen, and never beyond the screen's edges.
        const QWidget *anchor = parent ? parent->window() : nullptr;
        const QScreen *screen = anchor ? anchor->screen() : g_window->screen();
        const QRect available = screen ? screen->availableGeometry() : QRect();
        const QRect area = anchor ? anchor->frameGeometry() : available;
        if (area.isValid()) {
            QRect frame = g_window->frameGeometry();
            frame.moveCenter(area.center());
            if (available.isValid()) {
                frame.moveLeft(qMax(available.left(), qMin(frame.left(), available.right() - frame.width())));
                frame.moveTop(qMax(available.top(), qMin(frame.top(), available.bottom() - frame.height())));
            }
            g_window->move(frame.topLeft());
        }
    }
    attachToModalDialog(g_window);
    g_window->show();
    g_window->raise();
    g_window->activateWindow();
    return g_window;
}

} // namespace

void setHelpFile(const QString &absolutePath)
{
    g_helpFile = absolutePath;
}

QString helpFile()
{
    return g_helpFile;
}

QString findHelpFile(const QString &builtInPath, const QString &programFolder)
{
    if (!builtInPath.isEmpty() && QFileInfo(builtInPath).isFile())
        return builtInPath;
    const QString name = builtInPath.isEmpty() ? QStringLiteral("Zedezedidor.qhc")
                                               : QFileInfo(builtInPath).fileName();
    const QString beside = QDir(programFolder).filePath(name);
    return QFileInfo(beside).isFile() ? beside : QString();
}

HelpWindow *helpWindow()
{
    return g_window;
}

void showContents(QWidget *parent)
{
    presentWindow(parent)->showContents();
}

void showIndex(QWidget *parent)
{
    presentWindow(parent)->showIndex();
}

void showHelpOnHelp(QWidget *parent)
{
    presentWindow(parent)->showTopic(HelpWindow::HelpOnHelpTopic);
}

void showContext(int contextNumber, QWidget *parent)
{
    presentWindow(parent)->showTopic(HelpWindow::contextTopic(contextNumber));
}

void showTopic(const QString &identifier, QWidget *parent)
{
    presentWindow(parent)->showTopic(identifier);
}

void openProgramDocument(const QString &fileName, QWidget *parent)
{
    // Asked from the five/six-ring window, the parent is the hidden four-ring window.
    QWidget *owner = (parent && parent->isVisible()) ? parent : QApplication::activeWindow();
    const QString path = QDir(QCoreApplication::applicationDirPath()).filePath(fileName);
    if (!QFileInfo(path).isFile()) {
        QMessageBox::critical(owner, QStringLiteral("Fehler!"),
                              QStringLiteral("Datei \"%1\" ist nicht vorhanden!").arg(fileName));
        return;
    }
    DocumentOpener::open(path, owner);
}

} // namespace zz::help
