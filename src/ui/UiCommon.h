#pragma once

#include "output/Report.h"

#include <QLabel>
#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QStringList>

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

class QColor;
class QFileDialog;
class QFont;
class QMainWindow;
class QMenu;
class QWidget;
namespace zz::decode { struct CodeResult; }

// Pieces both decoder windows share.
namespace zz::ui {

// The value of both decoder windows' start rings (Gelb Violett Braun, and
// Gelb Violett Schwarz Schwarz), in ohms.
inline constexpr double kStartValue = 470;

// Fixed-size frame around the designed client area, minimise but no maximise
// button; the given widgets keep their distance from the bottom edge.
void fixWindowFrame(QMainWindow &window, QWidget &clientArea,
                    std::initializer_list<QWidget *> bottomAnchored);

// The designed windows are laid out for one font and keep it, whatever font
// the desktop gives the application; the program's own dialogs, message boxes
// and menus take the desktop's.
void setDesignedFont(const QFont &font);
void useDesignedFont(QWidget &window);

// Runs a file dialog and tells whether it was accepted. A name typed and
// taken with Return while the list of completions shows would leave that
// list, a window of its own, on screen after the dialog closed.
bool runFileDialog(QFileDialog &dialog);

// Whether the window system tells a window where it is and puts it where it
// asks; a Wayland client can do neither.
bool positionsKnown();

// Where a frame whose title bar is `titleBar` may stand: where it is, while
// any part of the title bar lies on a screen; else moved the least distance
// that brings the whole title bar onto the nearest screen.
QPoint reachablePosition(const QRect &titleBar, const QList<QRect> &screens);

// Window positions mean the top-left corner of the frame, title bar included,
// both when stored and when applied, as the settings hold them.
QPoint framePosition(const QWidget &window);
// Puts the frame's top-left corner at the given coordinates once the window
// manager has framed the window (at once when it already has); a coordinate
// left empty stays where the window system put the window.
void moveFrameWhenShown(QWidget &window, std::optional<int> left, std::optional<int> top);
// Gives `to` the place of `from`. Both decoder windows carry the same frame,
// so equal inner positions make the frames coincide, also before `to` was
// ever framed and its frame is not yet known.
void handOverPosition(const QWidget &from, QWidget &to);

// Closes a dropped-down list, if one is open, and tells whether it did: Esc
// belongs to the open list before it ends the program.
bool closeOpenPopup();

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

// Reads the result labels that both decoder windows' forms have by the same
// names. The labels' own visible flags count: the window may be hidden.
template <typename Form>
void readResultLabels(const Form &ui, zz::output::ResultView &view)
{
    view.codeCaption = text(*ui.labCodeTxt);
    view.code = text(*ui.labCode);
    view.wertCaption = text(*ui.labWertTxt);
    view.wert = text(*ui.labWert);
    view.toleranzCaption = text(*ui.labToleranzTxt);
    view.toleranz = text(*ui.labToleranz);
    view.hintVisible = !ui.labNixGut1Txt->isHidden();
    view.hintCaption = text(*ui.labNixGut1Txt);
    view.hintText = text(*ui.labNixGut2Txt);
    view.standardVisible = !ui.labStand->isHidden();
    view.standardCaption = text(*ui.labStandTxt);
    view.standard = text(*ui.labStand);
}
QStringList toStringList(const std::vector<std::string> &lines);
// Puts the lines on the clipboard as plain text, each followed by CR LF.
void copyToClipboard(const std::vector<std::string> &lines);

} // namespace zz::ui
