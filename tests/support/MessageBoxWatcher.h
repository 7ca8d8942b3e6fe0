#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

// Answers every message box that comes up, modal loop or not, and remembers
// what it said, so a test neither hangs on a box nor misses one.
class MessageBoxWatcher final : public QObject
{
public:
    struct Box
    {
        QString caption;
        QString text;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
    };

    MessageBoxWatcher()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start();
    }

    QList<Box> boxes;

    // Looks once more at once: every box shown before this call is counted,
    // so a test that expects none needs no waiting.
    void lookNow() { poll(); }

private:
    void poll()
    {
        const auto widgets = QApplication::topLevelWidgets();
        for (QWidget *widget : widgets) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            if (!box || !box->isVisible() || m_answered.contains(box))
                continue;
            m_answered.append(box);
            boxes.append({box->windowTitle(), box->text(), box->icon(), box->standardButtons()});
            box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->reject();
        }
    }

    QTimer m_timer;
    QList<QPointer<QMessageBox>> m_answered;
};
