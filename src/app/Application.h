#pragma once

#include <QApplication>
#include <QTranslator>

// The application object: title, organisation, the windows' font, Qt's own
// translations for the user's language, and the one place where an error
// that escapes an event handler is reported.
class Application final : public QApplication
{
    Q_OBJECT
public:
    Application(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // Message box with the error's text, captioned with the application title.
    static void reportError(const QString &text);

private:
    void setWindowFont();
    void loadQtTranslations();

    QTranslator m_qtTranslator;
};
