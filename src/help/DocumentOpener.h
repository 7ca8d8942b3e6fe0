#pragma once

#include <QObject>
#include <QPointer>
#include <QProcess>

class QWidget;

namespace zz::help {

// Opens a file in the user's preferred application through xdg-open, without
// waiting for it, and tells the user when that fails.
class DocumentOpener final : public QObject
{
    Q_OBJECT
public:
    enum class Result { Opened, FileNotFound, NoApplication, AccessDenied, Failed };
    Q_ENUM(Result)

    // Starts opening `path`; the opener deletes itself when done. Any failure
    // message is shown over `parent`.
    static DocumentOpener *open(const QString &path, QWidget *parent);

    // The message for a failure, empty for success.
    static QString message(Result result);
    // How an exit code of xdg-open is understood.
    static Result resultForExitCode(int exitCode);

    ~DocumentOpener() override;

signals:
    void finished(zz::help::DocumentOpener::Result result);

private:
    DocumentOpener(const QString &path, QWidget *parent);
    void done(Result result);

    QProcess m_process;
    QPointer<QWidget> m_parent;
    bool m_done = false;
};

} // namespace zz::help
