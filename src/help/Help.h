#pragma once

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
void showContext(int contextNumber, QWidget *parent);  // 15..18, options dialog

// The collection actually used: the built-in path if a file is there, else the
// file of the same name beside the executable; empty when neither exists.
QString findHelpFile(const QString &builtInPath, const QString &programFolder);

// The one help window of the run; null until help was first asked for.
HelpWindow *helpWindow();

// Opens "Readme.txt" or "Lizenz.txt" from the program's folder in the user's
// viewer, or says that the file is missing.
void openProgramDocument(const QString &fileName, QWidget *parent);

} // namespace zz::help
