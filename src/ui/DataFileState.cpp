#include "ui/DataFileState.h"

#include "output/DataFile.h"

namespace zz::ui {

DataFileState::DataFileState(QObject *parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("DataFileState"));
}

void DataFileState::setDateiPfad(const QString &path)
{
    if (path == m_dateiPfad)
        return;
    m_dateiPfad = path;
    emit changed();
}

void DataFileState::setBackupErstellen(bool on)
{
    if (on == m_backupErstellen)
        return;
    m_backupErstellen = on;
    emit changed();
}

QString DataFileState::caption() const
{
    return zz::output::dataFileCaption(m_dateiPfad);
}

} // namespace zz::ui
