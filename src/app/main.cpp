#include "app/Application.h"
#include "help/Help.h"
#include "help/HelpWindow.h"
#include "ui/FourRingWindow.h"
#include "ui/Windows.h"

#include <QHelpEngine>
#include <QImageReader>
#include <QTextStream>

#include <csignal>
#include <exception>

namespace {

// ZZ_CHECK_INSTALL=1: says where the program finds its icon and its help and
// ends, 0 when both are there. The package test runs the unpacked program so.
int checkInstallation()
{
    QTextStream out(stdout);
    const QString icon = TfrmLurvan::iconFilePath();
    const bool hasIcon = QImageReader(icon).canRead();
    out << "Symbol: " << (hasIcon ? icon : QStringLiteral("fehlt")) << '\n';
    zz::help::showContents(nullptr);
    const zz::help::HelpWindow *help = zz::help::helpWindow();
    const bool hasHelp = help && help->hasHelp();
    if (hasHelp) {
        out << "Hilfe: " << help->engine()->collectionFile() << '\n';
    } else {
        // Why, where the help engine can tell: a missing SQLite driver looks
        // like a missing file otherwise.
        const QString why = help && help->engine() ? help->engine()->error() : QString();
        out << "Hilfe: fehlt" << (why.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(why)) << '\n';
    }
    if (hasHelp)
        out << "Startseite: " << help->browser()->documentTitle() << '\n';
    return hasIcon && hasHelp ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    // A write beyond the file-size limit then fails like any other failed
    // write and is reported, instead of ending the program on the spot.
    std::signal(SIGXFSZ, SIG_IGN);
    // Title, organisation, font and translations come with the application object.
    Application app(argc, argv);
    if (qEnvironmentVariableIsSet("ZZ_CHECK_INSTALL"))
        return checkInstallation();
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
