#pragma once

#include <QString>

class QFileDialog;
class QWidget;

namespace zz::ui {

// What came of letting the user choose a data file.
struct DataFileChoice {
    enum class Outcome { Cancelled, Refused, Chosen };
    Outcome outcome = Outcome::Cancelled;
    QString path;   // the chosen file, when Chosen
};

// The save dialog ("Speichern unter...") and the check of the name chosen
// in it. Choosing changes neither the data file nor any caption: Save As and
// the options dialog's "Durchsuchen..." each do their own part with the result.
class DataFileChooser final
{
public:
    // The dialog belongs to `owner`, the four-ring window.
    explicit DataFileChooser(QWidget &owner);

    // Shows the dialog, proposing `current` when it is set and otherwise the
    // name the dialog held last. A reserved document name or a backup name
    // (*.~txt, which another data file's backup would overwrite) is Refused,
    // and the dialog forgets it.
    DataFileChoice choose(const QString &current);
    // The warning for a refused name, over the window on screen.
    void warnRefused() const;
    // The next showing proposes no name.
    void forgetFileName();

    QWidget &owner() const { return m_owner; }

private:
    // Made on first use; it keeps its file name from one use to the next.
    QFileDialog *dialog();

    QWidget &m_owner;
    QFileDialog *m_dialog = nullptr;
    bool m_refusedAsBackup = false;
};

// The warning for a data file with a backup name, chosen or stored.
QString backupNameWarning();

// The window a message box belongs to: the one on screen, since the
// four-ring window may be hidden behind the five/six-ring window.
QWidget *messageParent(QWidget *fallback);

} // namespace zz::ui
