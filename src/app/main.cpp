#include "app/Application.h"
#include "ui/Main.h"
#include "ui/Windows.h"

#include <exception>

int main(int argc, char *argv[])
{
    // Title, organisation, font and translations come with the application object.
    Application app(argc, argv);
    try {
        zz::ui::createWindows();
        frmLurvan->show();
        app.exec();
    } catch (const std::exception &e) {
        Application::reportError(QString::fromUtf8(e.what()));
    }
    zz::ui::destroyWindows();
    return 0;
}
