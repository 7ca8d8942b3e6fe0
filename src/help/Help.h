#pragma once

#include <QString>

class QWidget;

// The program's help: a help window over the compiled Qt Help collection.
namespace zz::help {

// The built-in absolute path of the help collection, set once at start-up.
void setHelpFile(const QString &absolutePath);
QString helpFile();

void showContents(QWidget *parent);     // contents tab
void showIndex(QWidget *parent);        // index tab
void showHelpOnHelp(QWidget *parent);   // the topic about using the help
void showContext(int contextNumber, QWidget *parent);  // 15..18, options dialog

} // namespace zz::help
