#include "help/DocumentOpener.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QWidget>

namespace zz::help {

namespace {

// xdg-open's exit codes (xdg-open(1)); 1, syntax, and 4, the action failed,
// are failures without a message of their own.
enum XdgOpenExit : int {
    kXdgOpenSuccess = 0,
    kXdgOpenFileNotFound = 2,
    kXdgOpenToolNotFound = 3,
    kXdgOpenNoPermission = 5,
};

} // namespace

DocumentOpener *DocumentOpener::open(const QString &path, QWidget *parent)
{
    return new DocumentOpener(path, parent);
}

DocumentOpener::DocumentOpener(const QString &path, QWidget *parent)
    : QObject(QCoreApplication::instance()), m_parent(parent)
{
    connect(&m_process, &QProcess::finished, this,
            [this](int exitCode, QProcess::ExitStatus status) {
                done(status == QProcess::NormalExit ? resultForExitCode(exitCode) : Result::Failed);
            });
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        // A crash also reports finished(); only a start that never happened ends here.
        if (error == QProcess::FailedToStart)
            done(Result::Failed);
    });
    // Everything the viewer prints would end up in our pipes otherwise.
    m_process.setStandardInputFile(QProcess::nullDevice());
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());
    // The path is one argument of its own and never passes through a shell.
    m_process.start(QStringLiteral("xdg-open"), {path});
}

// Ends with the application object: xdg-open may still be running then, and
// nothing may be reported any more, so the process's signals are cut first.
DocumentOpener::~DocumentOpener()
{
    m_process.disconnect(this);
    m_done = true;
}

DocumentOpener::Result DocumentOpener::resultForExitCode(int exitCode)
{
    switch (exitCode) {
    case kXdgOpenSuccess:
        return Result::Opened;
    case kXdgOpenFileNotFound:
        return Result::FileNotFound;
    case kXdgOpenToolNotFound:
        return Result::NoApplication;
    case kXdgOpenNoPermission:
        return Result::AccessDenied;
    default:
        return Result::Failed;
    }
}

QString DocumentOpener::message(Result result)
{
    switch (result) {
    case Result::Opened:
        return {};
    case Result::FileNotFound:
        return QStringLiteral("Die angegebene Datei wurde nicht gefunden !");
    case Result::NoApplication:
        return QStringLiteral("Der angegebene Dateityp ist auf Ihrem Computer keiner "
                              "Anwendung zugeordnet !");
    case Result::AccessDenied:
        return QStringLiteral("Dateizugriff wird vom Betriebssystem verweigert !");
    case Result::Failed:
        break;
    }
    return QStringLiteral("Datei konnte nicht geöffnet werden !");
}

void DocumentOpener::done(Result result)
{
    if (m_done)
        return;
    m_done = true;
    if (result != Result::Opened) {
        // Shown without a nested event loop: this runs inside a process signal.
        auto *box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Fehler"), message(result),
                                    QMessageBox::Ok, m_parent.data());
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::ApplicationModal);
        box->show();
    }
    emit finished(result);
    deleteLater();
}

} // namespace zz::help
