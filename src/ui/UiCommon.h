#pragma once

#include <QPixmap>
#include <QStringList>

#include <initializer_list>
#include <string>
#include <vector>

class QColor;
class QLabel;
class QMainWindow;
class QMenu;
class QWidget;
namespace zz::decode { struct CodeResult; }

// Pieces both decoder windows share.
namespace zz::ui {

// Fixed-size frame around the designed client area, minimise but no maximise
// button; the given widgets keep their distance from the bottom edge.
void fixWindowFrame(QMainWindow &window, QWidget &clientArea,
                    std::initializer_list<QWidget *> bottomAnchored);

// Designer leaves separators unnamed; give them the names of the design.
void nameSeparators(QMenu &menu, std::initializer_list<const char *> names);

// A solid block of a colour with an optional black frame of the given width.
QPixmap framedBlock(int width, int height, const QColor &colour, int frameWidth);

// The decimal separator of the user's regional settings, UTF-8.
std::string decimalSeparator();

// Shows, hides and fills the two hint lines from an evaluation; a line that
// the rules leave alone keeps its last text.
void showHint(const zz::decode::CodeResult &result, QLabel &hintCaption, QLabel &hintText,
              QLabel &standardCaption, QLabel &standard);

std::string text(const QLabel &label);
QStringList toStringList(const std::vector<std::string> &lines);
// Puts the lines on the clipboard as plain text, each followed by CR LF.
void copyToClipboard(const std::vector<std::string> &lines);

QString fileNamePart(const QString &path);

} // namespace zz::ui
