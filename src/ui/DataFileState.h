#pragma once

#include <QObject>
#include <QString>

namespace zz::ui {

// The data file and the backup switch, held once for the whole program. The
// decoder windows show its caption and the options dialog edits it; each of
// them watches `changed` instead of reaching into another window.
class DataFileState final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString DateiPfad READ DateiPfad WRITE setDateiPfad NOTIFY changed)
    Q_PROPERTY(bool BackupErstellen READ BackupErstellen WRITE setBackupErstellen NOTIFY changed)
public:
    explicit DataFileState(QObject *parent = nullptr);

    // Full path of the data file; empty: no data file.
    const QString &DateiPfad() const { return m_dateiPfad; }
    void setDateiPfad(const QString &path);
    // Whether a save first copies the file's previous content to the backup file.
    bool BackupErstellen() const { return m_backupErstellen; }
    void setBackupErstellen(bool on);

    // "Zedezedidor" without a data file, else "Zedezedidor - [name]".
    QString caption() const;

signals:
    // The path or the backup switch has a new value.
    void changed();

private:
    QString m_dateiPfad;
    bool m_backupErstellen = true;
};

} // namespace zz::ui
