#pragma once

#include <QString>

#include <functional>
#include <initializer_list>
#include <utility>

class QLabel;
class QWidget;

// What a screen reader gets beyond the designed texts. On Linux, Qt 6.4 names
// a drop-down list by its current entry only and Orca 43 reads no label's
// change, so the results go with the controls that change them: as their
// description, and spoken after each change.
namespace zz::ui {

// Installs the program's accessible interfaces; call once before the first
// window is made (Qt keeps the first interface it made for a widget).
//  - A list with an accessible name is named "name: current entry".
//  - A label marked by makeKeyboardLink() is a link.
//  - An empty frame or line is a filler, which screen readers pass over.
//  - The help window is a window, not a filler.
void installAccessibility();

// "Farbcode: Gelb - Violett - Braun. Wert: 470 Ohm." from pairs of caption
// and result labels; hidden and empty results are left out.
QString spokenResults(std::initializer_list<std::pair<const QLabel *, const QLabel *>> lines);

// Gives the controls the results as their description, which a screen
// reader reads with the control when it comes to it.
void describeResults(std::initializer_list<QWidget *> controls, const QString &results);

// Has the screen reader speak the text now, without moving the focus, when
// the window is on screen. Qt 6.4 has no announcement, and Orca 43 speaks
// no changed name or description that Qt 6.4 sends (they come without the
// new text); it speaks a notification that appears, so one appears for a
// moment, of no size.
void announce(QWidget &window, const QString &text);

// What a change of the control is called in speech: a list's new entry,
// a check box's name with "ja" or "nein"; empty for others.
QString spokenChange(const QWidget *control);
// Two spoken parts as sentences: "Rot. Farbcode: ...".
QString joinSpoken(const QString &first, const QString &second);

// Lets the keyboard reach the label and follow it with Enter or Space, and
// presents it as a link; `follow` is what a click on it does.
void makeKeyboardLink(QLabel &label, std::function<void()> follow);

} // namespace zz::ui
