#include "ui/UiCommon.h"

#include "decode/Decode.h"
#include "output/Report.h"

#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLocale>
#include <QMainWindow>
#include <QMenu>
#include <QPainter>

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

} // namespace

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
