#include "app/Application.h"
#include "help/Help.h"
#include "ui/Main.h"
#include "ui/Windows.h"

#include <csignal>
#include <exception>

int main(int argc, char *argv[])
{
    // A write beyond the file-size limit then fails like any other failed
    // write and is reported, instead of ending the program on the spot.
    std::signal(SIGXFSZ, SIG_IGN);
    // Title, organisation, font and translations come with the application object.
    Application app(argc, argv);
    try {
        zz::help::setHelpFile(Application::helpFilePath());
        zz::ui::createWindows();
        frmLurvan->show();
        app.exec();
    } catch (const std::exception &e) {
        Application::reportError(QString::fromUtf8(e.what()));
    }
    zz::ui::destroyWindows();
    return 0;
}
