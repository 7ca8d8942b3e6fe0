#include "ui/PhotoView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

// Shorter drags are clicks, not lines.
constexpr double kMinLinePixels = 8;

QPointF unit(QPointF v)
{
    const double len = std::hypot(v.x(), v.y());
    return len > 0 ? v / len : QPointF(1, 0);
}

// A label on a filled box that stays readable on any photo.
void drawTag(QPainter &p, QPointF at, const QString &text, const QColor &frame, bool bold)
{
    QFont f = p.font();
    f.setBold(bold);
    p.setFont(f);
    const QRectF box = QFontMetricsF(f).boundingRect(text).adjusted(-4, -2, 4, 2);
    QRectF placed = box.translated(at - box.center());
    p.setPen(QPen(frame, 1.5));
    p.setBrush(QColor(255, 255, 255, 225));
    p.drawRoundedRect(placed, 3, 3);
    p.setPen(Qt::black);
    p.drawText(placed, Qt::AlignCenter, text);
}

} // namespace

PhotoView::PhotoView(QWidget *parent)
    : QWidget(parent)
{
    setMinimumSize(360, 270);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setFocusPolicy(Qt::NoFocus);
}

QSize PhotoView::sizeHint() const
{
    return {520, 390};
}

void PhotoView::setPhoto(const QImage &photo)
{
    m_photo = photo;
    clearMarks();
}

void PhotoView::setMarks(const QPolygonF &body, QPointF axisStart, QPointF axisEnd, std::vector<RingMark> rings)
{
    m_body = body;
    m_axisStart = axisStart;
    m_axisEnd = axisEnd;
    m_rings = std::move(rings);
    update();
}

void PhotoView::clearMarks()
{
    m_body.clear();
    m_rings.clear();
    update();
}

void PhotoView::setDrawing(bool on)
{
    m_drawing = on;
    m_dragging = false;
    setCursor(on ? Qt::CrossCursor : Qt::ArrowCursor);
    update();
}

QRectF PhotoView::photoRect() const
{
    if (m_photo.isNull())
        return {};
    QSizeF s = QSizeF(m_photo.size()).scaled(QSizeF(size()), Qt::KeepAspectRatio);
    return QRectF(QPointF((width() - s.width()) / 2, (height() - s.height()) / 2), s);
}

QPointF PhotoView::toWidget(QPointF photo) const
{
    const QRectF r = photoRect();
    if (r.isEmpty())
        return photo;
    const double k = r.width() / m_photo.width();
    return r.topLeft() + photo * k;
}

QPointF PhotoView::toPhoto(QPointF widget) const
{
    const QRectF r = photoRect();
    if (r.isEmpty())
        return widget;
    const double k = m_photo.width() / r.width();
    return (widget - r.topLeft()) * k;
}

void PhotoView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().dark());
    if (m_photo.isNull())
        return;
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(photoRect(), m_photo);
    p.setRenderHint(QPainter::Antialiasing);

    if (!m_body.isEmpty()) {
        QPolygonF outline;
        for (const QPointF &pt : m_body)
            outline << toWidget(pt);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(255, 255, 255, 200), 4));
        p.drawPolygon(outline);
        p.setPen(QPen(QColor(0, 150, 255), 2));
        p.drawPolygon(outline);
    }
    if (!m_rings.empty()) {
        const QPointF a = toWidget(m_axisStart), b = toWidget(m_axisEnd);
        const QPointF along = unit(b - a);
        const QPointF across(-along.y(), along.x());
        // Ring 1's end: an arrow pointing into the reading direction.
        p.setPen(QPen(QColor(255, 200, 0), 3));
        p.drawLine(a - along * 28, a - along * 6);
        p.drawLine(a - along * 6, a - along * 14 + across * 6);
        p.drawLine(a - along * 6, a - along * 14 - across * 6);
        // Labels alternate sides so neighbours do not cover each other.
        double reach = 40;
        if (!m_body.isEmpty()) {
            double far = 0;
            for (const QPointF &pt : m_body) {
                const QPointF d = toWidget(pt) - a;
                far = std::max(far, std::abs(d.x() * across.x() + d.y() * across.y()));
            }
            reach = far + 22;
        }
        for (std::size_t i = 0; i < m_rings.size(); ++i) {
            const QPointF c = toWidget(m_rings[i].centre);
            const QColor mark = i == 0 ? QColor(255, 200, 0) : m_rings[i].doubtful ? QColor(230, 40, 40) : QColor(0, 150, 255);
            const QPointF side = across * (i % 2 ? 1.0 : -1.0);
            const QPointF tagAt = c + side * reach;
            p.setPen(QPen(mark, 2));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(c, 5, 5);
            p.drawLine(c + side * 6, tagAt - side * 10);
            drawTag(p, tagAt, m_rings[i].label, mark, i == 0);
        }
    }
    if (m_drawing && m_dragging) {
        p.setPen(QPen(QColor(255, 200, 0), 3, Qt::DashLine));
        p.drawLine(m_dragFrom, m_dragTo);
    }
}

void PhotoView::mousePressEvent(QMouseEvent *event)
{
    if (!m_drawing || m_photo.isNull() || event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    m_dragging = true;
    m_dragFrom = m_dragTo = event->position();
    update();
}

void PhotoView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return QWidget::mouseMoveEvent(event);
    m_dragTo = event->position();
    update();
}

void PhotoView::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_dragging || event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    m_dragging = false;
    m_dragTo = event->position();
    update();
    const QPointF d = m_dragTo - m_dragFrom;
    if (std::hypot(d.x(), d.y()) >= kMinLinePixels)
        emit lineDrawn(toPhoto(m_dragFrom), toPhoto(m_dragTo));
}
