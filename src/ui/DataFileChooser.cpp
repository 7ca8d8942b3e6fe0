#include "ui/DataFileChooser.h"

#include "output/DataFile.h"
#include "ui/UiCommon.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

#include <memory>
#include <utility>

namespace zz::ui {

DataFileChooser::DataFileChooser(QWidget &owner)
    : m_owner(owner)
{
}

QFileDialog *DataFileChooser::dialog()
{
    if (!m_dialog) {
        // Qt's own dialog, so it looks the same everywhere and keeps its state.
        m_dialog = new QFileDialog(&m_owner, QStringLiteral("Speichern unter..."));
        m_dialog->setObjectName(QStringLiteral("SaveDialog"));
        m_dialog->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
        m_dialog->setAcceptMode(QFileDialog::AcceptSave);
        m_dialog->setFileMode(QFileDialog::AnyFile);
        m_dialog->setNameFilter(QStringLiteral("Textdatei (*.txt)"));
        m_dialog->setDefaultSuffix(QStringLiteral("txt"));
    }
    return m_dialog;
}

DataFileChoice DataFileChooser::choose(const QString &current)
{
    QFileDialog *d = dialog();
    if (!current.isEmpty())
        d->selectFile(current);
    if (!runFileDialog(*d))
        return {};
    const QString chosen = d->selectedFiles().value(0);
    if (chosen.isEmpty())
        return {};
    if (zz::output::isReservedName(chosen) || zz::output::isBackupName(chosen)) {
        m_refusedAsBackup = zz::output::isBackupName(chosen);
        forgetFileName();
        return {DataFileChoice::Outcome::Refused, QString()};
    }
    return {DataFileChoice::Outcome::Chosen, chosen};
}

void DataFileChooser::warnRefused() const
{
    QMessageBox::warning(messageParent(&m_owner), QStringLiteral("Warnung!"),
                         m_refusedAsBackup ? backupNameWarning() : QStringLiteral("Diese Datei kann nicht verwendet werden!"));
}

QString backupNameWarning()
{
    return QStringLiteral("Diese Datei kann nicht verwendet werden!\nUnter diesem Namen legt das Programm die "
                          "Sicherungskopie einer anderen Datei ab.");
}

// QFileDialog has no call that empties its name field (an empty
// selectFile() is ignored), so a new dialog takes the old one's place with
// its folder, view, history, size and place.
void DataFileChooser::forgetFileName()
{
    if (!m_dialog)
        return;
    const std::unique_ptr<QFileDialog> old(std::exchange(m_dialog, nullptr));
    QFileDialog *d = dialog();
    d->restoreState(old->saveState());
    d->setDirectory(old->directory());
    d->resize(old->size());
    if (old->testAttribute(Qt::WA_Moved))
        d->move(old->pos());
}

QWidget *messageParent(QWidget *fallback)
{
    if (QWidget *active = QApplication::activeWindow())
        return active;
    return fallback;
}

} // namespace zz::ui
