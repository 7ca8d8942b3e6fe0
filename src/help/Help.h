#pragma once

#include <QString>

class QWidget;

// The program's help: a help window over the compiled Qt Help collection.
namespace zz::help {

class HelpWindow;

// The built-in absolute path of the help collection, set once at start-up.
void setHelpFile(const QString &absolutePath);
QString helpFile();

void showContents(QWidget *parent);     // contents tab
void showIndex(QWidget *parent);        // index tab
void showHelpOnHelp(QWidget *parent);   // the topic about using the help
void showContext(int contextNumber, QWidget *parent);  // 15..18, options dialog
// A topic by its keyword id in the help file, e.g. "zz.farbcode".
void showTopic(const QString &identifier, QWidget *parent);

// The collection actually used: the built-in path if a file is there, else the
// file of the same name beside the executable; empty when neither exists.
QString findHelpFile(const QString &builtInPath, const QString &programFolder);

// The one help window of the run; null until help was first asked for.
HelpWindow *helpWindow();

// Opens "Readme.txt" or "Lizenz.txt" from the program's folder in the user's
// viewer, or says that the file is missing.
void openProgramDocument(const QString &fileName, QWidget *parent);

} // namespace zz::help
