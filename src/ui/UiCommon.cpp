#include "ui/UiCommon.h"

#include "decode/Decode.h"
#include "output/Report.h"
#include "ui/RingComboBox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCompleter>
#include <QEvent>
#include <QFileDialog>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLocale>
#include <QMainWindow>
#include <QMenu>
#include <QPainter>
#include <QElapsedTimer>
#include <QMargins>
#include <QScreen>
#include <QWindow>

#include <utility>

namespace zz::ui {

namespace {

class BottomAnchor final : public QObject
{
public:
    BottomAnchor(QWidget &area, std::initializer_list<QWidget *> widgets)
        : QObject(&area)
    {
        for (QWidget *w : widgets)
            m_widgets.emplace_back(w, area.minimumHeight() - w->y());
        area.installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize) {
            const int height = static_cast<QWidget *>(watched)->height();
            for (auto &[w, distance] : m_widgets)
                w->move(w->x(), height - distance);
        }
        return false;
    }

private:
    std::vector<std::pair<QWidget *, int>> m_widgets;
};

QFont *g_designedFont = nullptr;

// The frame the window manager puts around a decoder window, learned from a
// window on screen: a hidden window has no frame to ask about, and both
// decoder windows carry the same one.
QMargins g_frameMargins;

QMargins frameMargins(const QWidget &window)
{
    if (window.isVisible() && window.windowHandle()) {
        const QMargins m = window.windowHandle()->frameMargins();
        if (!m.isNull())
            g_frameMargins = m;
    }
    return g_frameMargins;
}

// Moves a window's frame where it belongs as soon as the window manager has
// framed it: before that the frame's size is unknown.
class FramePlacer final : public QObject
{
    static constexpr qint64 kFrameWaitMs = 10000;

public:
    FramePlacer(QWidget &window, std::optional<int> left, std::optional<int> top)
        : QObject(&window), m_window(window), m_left(left), m_top(top)
    {
        window.winId();
        window.windowHandle()->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const auto type = event->type();
        if (m_done || (type != QEvent::Expose && type != QEvent::Move)
            || !static_cast<QWindow *>(watched)->isExposed())
            return false;
        if (!m_clock.isValid())
            m_clock.start();
        place(m_window, m_left, m_top);
        // Without a frame yet, the window manager may still be adding it (on
        // a busy machine that took over two seconds); with no window manager
        // at all there never is one.
        if (!frameMargins(m_window).isNull() || m_clock.elapsed() > kFrameWaitMs) {
            m_done = true;
            deleteLater();
        }
        return false;
    }

    static void place(QWidget &window, std::optional<int> left, std::optional<int> top)
    {
        const QMargins m = frameMargins(window);
        const QRect inner = window.geometry();
        const QPoint frame = inner.topLeft() - QPoint(m.left(), m.top());
        QPoint target(left.value_or(frame.x()), top.value_or(frame.y()));
        // Until the frame is known the title bar counts as a line of one pixel.
        const QRect titleBar(target, QSize(inner.width() + m.left() + m.right(), qMax(m.top(), 1)));
        QList<QRect> screens;
        for (const QScreen *screen : QGuiApplication::screens())
            screens << screen->availableGeometry();
        target = reachablePosition(titleBar, screens);
        if (target != frame)
            window.setGeometry(QRect(target + QPoint(m.left(), m.top()), inner.size()));
    }

private:
    QWidget &m_window;
    std::optional<int> m_left;
    std::optional<int> m_top;
    QElapsedTimer m_clock;
    bool m_done = false;
};

} // namespace

void setDesignedFont(const QFont &font)
{
    delete g_designedFont;
    g_designedFont = new QFont(font);
}

void useDesignedFont(QWidget &window)
{
    if (g_designedFont)
        window.setFont(*g_designedFont);
}

bool runFileDialog(QFileDialog &dialog)
{
    const bool accepted = dialog.exec() == QDialog::Accepted;
    for (const QCompleter *completer : dialog.findChildren<QCompleter *>()) {
        if (completer->popup())
            completer->popup()->hide();
    }
    return accepted;
}

bool positionsKnown()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

QPoint reachablePosition(const QRect &titleBar, const QList<QRect> &screens)
{
    const QRect *nearest = nullptr;
    qint64 nearestDistance = 0;
    for (const QRect &screen : screens) {
        if (screen.intersects(titleBar))
            return titleBar.topLeft();
        const qint64 dx = qMax(qMax(screen.left() - titleBar.right(), titleBar.left() - screen.right()), 0);
        const qint64 dy = qMax(qMax(screen.top() - titleBar.bottom(), titleBar.top() - screen.bottom()), 0);
        const qint64 distance = dx * dx + dy * dy;
        if (!nearest || distance < nearestDistance) {
            nearest = &screen;
            nearestDistance = distance;
        }
    }
    if (!nearest)
        return titleBar.topLeft();
    // A title bar wider than the screen keeps its left end in sight.
    const int x = qMax(nearest->left(), qMin(titleBar.left(), nearest->right() + 1 - titleBar.width()));
    const int y = qMax(nearest->top(), qMin(titleBar.top(), nearest->bottom() + 1 - titleBar.height()));
    return {x, y};
}

QPoint framePosition(const QWidget &window)
{
    const QMargins m = frameMargins(window);
    return window.geometry().topLeft() - QPoint(m.left(), m.top());
}

void moveFrameWhenShown(QWidget &window, std::optional<int> left, std::optional<int> top)
{
    if ((!left && !top) || !positionsKnown())
        return;
    if (window.isVisible()) {
        FramePlacer::place(window, left, top);
        return;
    }
    // Near the place already, so the correction is small.
    if (left && top)
        window.move(*left, *top);
    new FramePlacer(window, left, top);
}

bool closeOpenPopup()
{
    if (RingComboBox::escapeClosedList())
        return true;
    QWidget *popup = QApplication::activePopupWidget();
    if (!popup)
        return false;
    if (auto *list = qobject_cast<QComboBox *>(popup->parentWidget()))
        list->hidePopup();
    else
        popup->close();
    return true;
}

void handOverPosition(const QWidget &from, QWidget &to)
{
    // The window on screen tells its frame now: once the program ends from
    // the other one, both are hidden, and the position stored is the frame's.
    (void)frameMargins(from);
    // setGeometry() places the inner area; move() would place the frame only
    // where Qt already knows its size.
    to.setGeometry(QRect(from.geometry().topLeft(), to.size()));
}

void fixWindowFrame(QMainWindow &window, QWidget &clientArea,
                    std::initializer_list<QWidget *> bottomAnchored)
{
    window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                          | Qt::WindowCloseButtonHint);
    window.layout()->setSizeConstraint(QLayout::SetFixedSize);
    new BottomAnchor(clientArea, bottomAnchored);
}

void nameSeparators(QMenu &menu, std::initializer_list<const char *> names)
{
    auto name = names.begin();
    for (QAction *a : menu.actions()) {
        if (a->isSeparator() && name != names.end())
            a->setObjectName(QString::fromLatin1(*name++));
    }
}

QPixmap framedBlock(int width, int height, const QColor &colour, int frameWidth)
{
    QPixmap pm(width, height);
    pm.fill(Qt::black);
    QPainter p(&pm);
    p.fillRect(frameWidth, frameWidth, width - 2 * frameWidth, height - 2 * frameWidth, colour);
    return pm;
}

std::string decimalSeparator()
{
    return QLocale::system().decimalPoint().toStdString();
}

void showHint(const zz::decode::CodeResult &result, QLabel &hintCaption, QLabel &hintText,
              QLabel &standardCaption, QLabel &standard)
{
    using zz::decode::Hint;
    switch (result.hint) {
    case Hint::Unusual:
        hintText.setText(QString::fromUtf8(zz::decode::kUnusualText));
        standard.setText(QString::fromStdString(result.standardCode));
        break;
    case Hint::NonExistent:
        hintText.setText(QString::fromUtf8(zz::decode::kNonExistentText));
        break;
    case Hint::None:
        break;
    }
    const bool hint = result.hint != Hint::None;
    const bool stand = result.hint == Hint::Unusual;
    hintCaption.setVisible(hint);
    hintText.setVisible(hint);
    standardCaption.setVisible(stand);
    standard.setVisible(stand);
}

std::string text(const QLabel &label)
{
    return label.text().toStdString();
}

QStringList toStringList(const std::vector<std::string> &lines)
{
    QStringList list;
    for (const std::string &line : lines)
        list << QString::fromStdString(line);
    return list;
}

void copyToClipboard(const std::vector<std::string> &lines)
{
    QGuiApplication::clipboard()->setText(QString::fromStdString(zz::output::joinLines(lines)));
}

} // namespace zz::ui
