// The baseline of the start-up benchmark: a bare Qt Widgets program that
// shows an empty main window ("empty") or one with a line of text ("text"),
// and reports its first paint like the program side does.

#include "FirstPaint.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

#include <cstring>

int main(int argc, char **argv)
{
    const bool withText = argc > 1 && std::strcmp(argv[1], "text") == 0;
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(461, 249);
    if (withText)
        window.setCentralWidget(new QLabel(QStringLiteral("Farbcode: Gelb - Violett - Braun")));
    FirstPaint probe(&window);
    window.show();
    return app.exec();
}
