#pragma once

#include "decode/Decode.h"

#include <QComboBox>
#include <QPixmap>

#include <span>

class QPainter;
class QStyleOptionViewItem;
class RingPictures;

// A drop-down ring list whose entries are drawn by the program: the colour's
// swatch, then its name. Entries carry a text and a swatch; the swatches
// belong to the four-ring window, the list only shares them.
class RingComboBox final : public QComboBox
{
    Q_OBJECT
public:
    static constexpr int kItemHeight = 16;
    static constexpr int kVisibleItems = 5;

    explicit RingComboBox(QWidget *parent = nullptr);

    void addEntry(const QString &text, const QPixmap &swatch, int colour);
    // Replaces this list's entries by the colours of one of the decoder's
    // ring lists, in its order, each with its name and swatch.
    void fill(std::span<const zz::decode::Colour> colours, const RingPictures &pictures);
    // The colour number (zz::decode::Colour) of an entry; -1 outside the list.
    int colourAt(int position) const;
    QPixmap swatchAt(int position) const;

    // The drawing of one entry, shared by the drop-down view and the closed box.
    static void drawEntry(QPainter &painter, const QRect &rect, const QPixmap &swatch,
                          const QString &text, bool selected, bool enabled,
                          const QPalette &palette);

    void showPopup() override;
    // True while the Esc that just closed a dropped-down list is handled, so
    // the window's own Esc (end the program) leaves it alone.
    static bool escapeClosedList();

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_viewReady = false;
};
