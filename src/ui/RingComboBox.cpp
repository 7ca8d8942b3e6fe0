#include "ui/RingComboBox.h"

#include "ui/RingPictures.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QTimer>
#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QStyledItemDelegate>
#include <QStylePainter>

namespace {

constexpr int kColourRole = Qt::UserRole + 1;

class RingItemDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        RingComboBox::drawEntry(*painter, option.rect,
                                index.data(Qt::DecorationRole).value<QPixmap>(),
                                index.data(Qt::DisplayRole).toString(), selected,
                                option.state & QStyle::State_Enabled, option.palette);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), RingComboBox::kItemHeight};
    }
};

// Styles that open the list as a menu over the box ignore the five visible
// rows; this one keeps the drop-down form. One instance serves every list.
class DropDownStyle final : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_ComboBox_Popup)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QStyle *dropDownStyle()
{
    static QPointer<DropDownStyle> style;
    if (!style) {
        style = new DropDownStyle(QApplication::style()->name());
        style->setParent(qApp);
    }
    return style;
}

} // namespace

RingComboBox::RingComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(false);
    setMaxVisibleItems(kVisibleItems);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::white);
    setPalette(pal);
}

void RingComboBox::showPopup()
{
    // The drop-down view and its style are set up on first use: doing it for
    // all ten lists at start-up would cost more than the rest of a window.
    if (!m_viewReady) {
        m_viewReady = true;
        setStyle(dropDownStyle());
        setItemDelegate(new RingItemDelegate(this));
        view()->setPalette(palette());
        // A list opened by the mouse first came without its scroll bar; with
        // more entries than rows it tells the user that there are more.
        view()->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        view()->installEventFilter(this);
        view()->window()->installEventFilter(this);
    }
    QComboBox::showPopup();
}

namespace {
bool g_escapeClosedList = false;
}

bool RingComboBox::escapeClosedList()
{
    return g_escapeClosedList;
}

bool RingComboBox::eventFilter(QObject *watched, QEvent *event)
{
    const auto type = event->type();
    if ((type == QEvent::ShortcutOverride || type == QEvent::KeyPress)
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape && view()->isVisible()) {
        // Esc belongs to the open list: no shortcut may take it.
        event->accept();
        if (type == QEvent::KeyPress) {
            g_escapeClosedList = true;
            QTimer::singleShot(0, [] { g_escapeClosedList = false; });
            hidePopup();
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

void RingComboBox::addEntry(const QString &text, const QPixmap &swatch, int colour)
{
    addItem(QIcon(), text);
    const int row = count() - 1;
    setItemData(row, swatch, Qt::DecorationRole);
    setItemData(row, colour, kColourRole);
}

void RingComboBox::fill(std::span<const zz::decode::Colour> colours, const RingPictures &pictures)
{
    clear();
    for (zz::decode::Colour c : colours)
        addEntry(QString::fromUtf8(zz::decode::colourInfo(c).name), pictures.swatch(int(c)), int(c));
}

int RingComboBox::colourAt(int position) const
{
    if (position < 0 || position >= count())
        return -1;
    return itemData(position, kColourRole).toInt();
}

QPixmap RingComboBox::swatchAt(int position) const
{
    return itemData(position, Qt::DecorationRole).value<QPixmap>();
}

void RingComboBox::drawEntry(QPainter &painter, const QRect &rect, const QPixmap &swatch,
                             const QString &text, bool selected, bool enabled,
                             const QPalette &palette)
{
    painter.save();
    const QColor back = selected ? palette.color(QPalette::Highlight) : QColor(Qt::white);
    painter.fillRect(rect, back);
    painter.drawPixmap(rect.left() + 2, rect.top() + 2, swatch);

    const QFontMetrics fm(painter.font());
    const QRect textRect(rect.left() + swatch.width() + 3, rect.top() + 2,
                         fm.horizontalAdvance(text), fm.height());
    painter.fillRect(textRect, back);
    if (!enabled)
        painter.setPen(palette.color(QPalette::Disabled, QPalette::Text));
    else
        painter.setPen(selected ? palette.color(QPalette::HighlightedText) : QColor(Qt::black));
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);

    painter.setPen(Qt::white);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    painter.restore();
}

void RingComboBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText.clear();
    opt.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, opt);

    const int index = currentIndex();
    if (index < 0)
        return;
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &opt,
                                                QStyle::SC_ComboBoxEditField, this);
    const QRect entry(field.left(), field.top() + (field.height() - kItemHeight) / 2,
                      field.width(), kItemHeight);
    painter.setClipRect(field);
    drawEntry(painter, entry, swatchAt(index), itemText(index), hasFocus(), isEnabled(),
              palette());
}
