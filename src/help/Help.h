#pragma once

#include <QRect>
#include <QString>

class QWidget;

// The program's help: a help window over the compiled Qt Help collection.
namespace zz::help {

class HelpWindow;

// The absolute path the help collection is looked for first; the installed
// one unless a test points elsewhere.
void setHelpFile(const QString &absolutePath);

void showContents(QWidget *parent);     // contents tab
void showIndex(QWidget *parent);        // index tab
void showHelpOnHelp(QWidget *parent);   // the topic about using the help
// 15..18, options dialog; the help opens beside the dialog, off the control asked about.
void showContext(int contextNumber, QWidget *parent, const QWidget *control = nullptr);
// A topic by its keyword id in the help file, e.g. "zz.farbcode"; with a
// control, beside its dialog as context help is.
void showTopic(const QString &identifier, QWidget *parent, const QWidget *control = nullptr);

// Where a help window of `size` (frame included) goes for context help: beside
// the dialog where the screen has room, otherwise shrunk into the largest free
// space beside the control, which it never covers.
QRect placeBeside(const QRect &dialog, const QRect &control, const QSize &size, const QRect &screen);

// The collection actually used: the one in the data folder of the tree the
// program was installed or unpacked into, else the built-in path, else the
// file of the same name beside the executable; empty when none exists.
QString findHelpFile(const QString &builtInPath, const QString &programFolder);

// The one help window of the run; null until help was first asked for.
HelpWindow *helpWindow();

// Opens "Readme.txt" or "Lizenz.txt" from the program's folder in the user's
// viewer, or says that the file is missing.
void openProgramDocument(const QString &fileName, QWidget *parent);

} // namespace zz::help
