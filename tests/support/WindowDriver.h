#pragma once

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <QWidget>

// Small helpers to drive a window's controls the way a user does.
namespace zz::test {

template <class T>
T *child(const QWidget *window, const char *name)
{
    T *c = window->findChild<T *>(QString::fromLatin1(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

// Picks an entry with the keyboard; the list always changes at least once, so
// its change handler runs even when the entry was already selected.
inline void pickByKeyboard(QComboBox *list, int position)
{
    list->setFocus();
    QTest::keyClick(list, Qt::Key_End);
    QTest::keyClick(list, Qt::Key_Home);
    for (int i = 0; i < position; ++i)
        QTest::keyClick(list, Qt::Key_Down);
}

// Opens the list and clicks an entry of the dropped-down view.
inline void pickByMouse(QComboBox *list, int position)
{
    list->showPopup();
    QAbstractItemView *view = list->view();
    (void)QTest::qWaitForWindowExposed(view->window());
    const QRect r = view->visualRect(view->model()->index(position, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
}

inline void setChecked(QCheckBox *box, bool checked)
{
    if (box->isChecked() != checked)
        QTest::mouseClick(box, Qt::LeftButton);
}

inline QColor pixel(QWidget *w, int x, int y)
{
    return w->grab().toImage().pixelColor(x, y);
}

} // namespace zz::test
