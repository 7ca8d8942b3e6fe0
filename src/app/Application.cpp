#include "app/Application.h"

#include "ui/UiCommon.h"

#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>

#include <exception>

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv)
{
    // No display name: Qt would append it to every caption, and the captions are fixed.
    setApplicationName(QStringLiteral("Zedezedidor"));
    setOrganizationName(QStringLiteral("Veltrup"));
    // The four-ring window ends the program itself, also while it is hidden.
    setQuitOnLastWindowClosed(false);
    setWindowFont();
    loadQtTranslations();
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        reportError(QString::fromUtf8(e.what()));
    } catch (...) {
        reportError(QStringLiteral("Unbekannter Fehler"));
    }
    return false;
}

void Application::reportError(const QString &text)
{
    QMessageBox::critical(activeWindow(), QStringLiteral("Zedezedidor"), text);
}

// The windows are laid out for an 8-point sans serif of 11 pixels; Liberation
// Sans has Arial's metrics, so every text fits. It comes from the system's
// font package (fonts-liberation), which the package depends on.
void Application::setWindowFont()
{
    constexpr int kDesignedPixelSize = 11;
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(kDesignedPixelSize);
    // Only the designed windows: the rest follows the desktop's font.
    zz::ui::setDesignedFont(font);
}

void Application::loadQtTranslations()
{
    if (m_qtTranslator.load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(&m_qtTranslator);
}
