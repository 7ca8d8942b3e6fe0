#include "help/Help.h"

#include "help/DocumentOpener.h"
#include "help/HelpWindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace zz::help {

namespace {

QString g_helpFile = QStringLiteral(ZZ_INSTALLED_HELP_FILE);
QPointer<HelpWindow> g_window;
QMetaObject::Connection g_ownerCloses;

// Qt blocks every window that does not belong to the modal window or dialog
// on top, and the help has to stay usable beside it. Making the help window
// transient for that modal window is enough for Qt; the window manager still
// treats it as a window of its own (only dialogs carry WM_TRANSIENT_FOR), so
// nothing is re-parented, hidden or destroyed with a dialog.
void attachToModalDialog(HelpWindow *window);

// Not while Qt is still delivering the blocking or the hiding to its windows.
void attachSoon()
{
    QTimer::singleShot(0, g_window, [] {
        if (g_window)
            attachToModalDialog(g_window);
    });
}

void attachToModalDialog(HelpWindow *window)
{
    QWidget *modal = QApplication::activeModalWidget();
    QWindow *owner = (modal && modal != window) ? modal->windowHandle() : nullptr;
    if (!window->windowHandle())
        window->winId();
    QWindow *handle = window->windowHandle();
    if (!handle || handle->transientParent() == owner)
        return;
    QObject::disconnect(g_ownerCloses);
    handle->setTransientParent(owner);
    // When it closes, the modal window below it, if any, takes the help over;
    // a dialog on the stack is gone before anything else would tell.
    if (owner) {
        g_ownerCloses = QObject::connect(owner, &QWindow::visibleChanged, window, [](bool visible) {
            if (!visible)
                attachSoon();
        });
    }
}

// Context help explains a control, so it must not sit on it: a window that
// is hidden or lies over the dialog moves beside it.
void placeForContextHelp(HelpWindow *window, const QWidget *dialog, const QWidget *control)
{
    if (!dialog || !dialog->isVisible())
        return;
    const QRect dialogFrame = dialog->frameGeometry();
    if (window->isVisible() && !window->frameGeometry().intersects(dialogFrame))
        return;
    const QScreen *screen = dialog->screen();
    if (!screen)
        return;
    // Before its first showing the window knows no frame; the dialog's is a fair guess.
    QSize decoration = window->frameGeometry().size() - window->size();
    if (decoration.isNull())
        decoration = dialogFrame.size() - dialog->size();
    const QRect asked = control ? QRect(control->mapToGlobal(QPoint(0, 0)), control->size()) : dialogFrame;
    const QRect place = placeBeside(dialogFrame, asked, window->size() + decoration, screen->availableGeometry());
    window->resize(place.size() - decoration);
    // While Qt knows no frame for the help window (before its first showing,
    // and under openbox even after it), move() places its client area, and
    // the title bar would end up above the place, off the screen at the top.
    const bool frameKnown = window->frameGeometry().size() != window->size();
    const QPoint clientOffset = frameKnown ? QPoint() : dialog->geometry().topLeft() - dialogFrame.topLeft();
    window->move(place.topLeft() + clientOffset);
}

// Whenever a modal window or dialog blocks the help window (the five/six-ring
// window after a switch, a dialog or message box opened later, a file dialog
// over the options dialog), the help window joins it and so stays usable.
class ModalFollower final : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::WindowBlocked)
            attachSoon();
        return QObject::eventFilter(watched, event);
    }
};

HelpWindow *presentWindow(QWidget *parent, const QWidget *control = nullptr)
{
    if (!g_window) {
        g_window = new HelpWindow(findHelpFile(g_helpFile, QCoreApplication::applicationDirPath()));
        g_window->installEventFilter(new ModalFollower(g_window));
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
    if (control)
        placeForContextHelp(g_window, parent ? parent->window() : nullptr, control);
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

QString findHelpFile(const QString &builtInPath, const QString &programFolder)
{
    // A package unpacked elsewhere, or a second version beside the installed
    // one, brings its own help; that beats the built-in path.
    const QString ownTree = QDir::cleanPath(QDir(programFolder).filePath(QStringLiteral(ZZ_HELP_FROM_PROGRAM)));
    if (QFileInfo(ownTree).isFile())
        return ownTree;
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

void showContext(int contextNumber, QWidget *parent, const QWidget *control)
{
    presentWindow(parent, control ? control : parent)->showTopic(HelpWindow::contextTopic(contextNumber));
}

QRect placeBeside(const QRect &dialog, const QRect &control, const QSize &size, const QRect &screen)
{
    constexpr int gap = 8;
    const auto onScreen = [&screen](QRect r) {
        r.moveLeft(qMax(screen.left(), qMin(r.left(), screen.right() + 1 - r.width())));
        r.moveTop(qMax(screen.top(), qMin(r.top(), screen.bottom() + 1 - r.height())));
        return r;
    };

    // Right of the dialog, then left, below and above, level with it.
    const QRect besideDialog[] = {
        onScreen(QRect(QPoint(dialog.right() + 1 + gap, dialog.top()), size)),
        onScreen(QRect(QPoint(dialog.left() - gap - size.width(), dialog.top()), size)),
        onScreen(QRect(QPoint(dialog.left(), dialog.bottom() + 1 + gap), size)),
        onScreen(QRect(QPoint(dialog.left(), dialog.top() - gap - size.height()), size)),
    };
    for (const QRect &r : besideDialog) {
        if (screen.contains(r) && !r.intersects(dialog))
            return r;
    }

    // No room for the whole window beside the dialog: the largest free strip
    // beside the control takes it, shrunk to fit, as near the dialog as it goes.
    const QRect strips[] = {
        QRect(QPoint(control.right() + 1 + gap, screen.top()), screen.bottomRight()),
        QRect(screen.topLeft(), QPoint(control.left() - 1 - gap, screen.bottom())),
        QRect(QPoint(screen.left(), control.bottom() + 1 + gap), screen.bottomRight()),
        QRect(screen.topLeft(), QPoint(screen.right(), control.top() - 1 - gap)),
    };
    QRect best;
    for (const QRect &strip : strips) {
        if (strip.width() <= 0 || strip.height() <= 0)
            continue;
        QRect r(QPoint(), size.boundedTo(strip.size()));
        r.moveCenter(dialog.center());
        r.moveLeft(qMax(strip.left(), qMin(r.left(), strip.right() + 1 - r.width())));
        r.moveTop(qMax(strip.top(), qMin(r.top(), strip.bottom() + 1 - r.height())));
        if (qint64(r.width()) * r.height() > qint64(best.width()) * best.height())
            best = r;
    }
    return best.isValid() ? best : onScreen(QRect(screen.topLeft(), size.boundedTo(screen.size())));
}

void showTopic(const QString &identifier, QWidget *parent, const QWidget *control)
{
    presentWindow(parent, control)->showTopic(identifier);
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
