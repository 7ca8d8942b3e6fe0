#pragma once

#include <QImage>
#include <QPointF>
#include <QPolygonF>
#include <QString>
#include <QWidget>

#include <vector>

// The photo of the "Farbcode aus Foto" dialog, scaled to fit, with what was
// read drawn over it: the body's outline, a mark and a label at each ring and
// ring 1 singled out. In drawing mode the user drags a line along the body.
class PhotoView final : public QWidget
{
    Q_OBJECT
public:
    struct RingMark {
        QPointF centre;      // photo coordinates
        QString label;       // "1 Gelb"
        bool doubtful = false;
    };

    explicit PhotoView(QWidget *parent = nullptr);

    void setPhoto(const QImage &photo);
    const QImage &photo() const { return m_photo; }
    void setMarks(const QPolygonF &body, QPointF axisStart, QPointF axisEnd, std::vector<RingMark> rings);
    void clearMarks();

    void setDrawing(bool on);
    bool drawing() const { return m_drawing; }

    // Between photo and widget coordinates, as the photo is shown now.
    QPointF toWidget(QPointF photo) const;
    QPointF toPhoto(QPointF widget) const;

    QSize sizeHint() const override;

signals:
    // A line the user drew, photo coordinates, from where the drag began.
    void lineDrawn(QPointF from, QPointF to);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QRectF photoRect() const;

    QImage m_photo;
    QPolygonF m_body;
    QPointF m_axisStart, m_axisEnd;
    std::vector<RingMark> m_rings;
    bool m_drawing = false;
    bool m_dragging = false;
    QPointF m_dragFrom, m_dragTo;   // widget coordinates
};
