#include "settings/Settings.h"

#include <QFileInfo>
#include <QSettings>

#include <limits>

namespace zz::settings {

namespace {

QSettings openStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Veltrup"),
                     QStringLiteral("Zedezedidor"));
}

// Integers come back from the text store as strings; anything that is not a
// whole number in 32-bit range counts as absent.
std::optional<int> readInt(const QSettings &store, const QString &key)
{
    const QVariant value = store.value(key);
    const int type = value.typeId();
    if (type == QMetaType::Int)
        return value.toInt();
    if (type == QMetaType::LongLong || type == QMetaType::UInt || type == QMetaType::ULongLong
        || type == QMetaType::QString) {
        bool ok = false;
        const qlonglong n = type == QMetaType::QString ? value.toString().trimmed().toLongLong(&ok)
                                                       : value.toLongLong(&ok);
        if (ok && n >= std::numeric_limits<int>::min() && n <= std::numeric_limits<int>::max())
            return static_cast<int>(n);
    }
    return std::nullopt;
}

} // namespace

QString storePath()
{
    return openStore().fileName();
}

bool storeExists()
{
    return QFileInfo(storePath()).isFile();
}

StoredSettings load()
{
    StoredSettings result;
    if (!storeExists())
        return result;
    const QSettings store = openStore();
    if (store.status() != QSettings::NoError)
        return result;

    const QVariant datei = store.value(QStringLiteral("Datei"));
    if (datei.typeId() == QMetaType::QString)
        result.datei = datei.toString();
    if (const auto backup = readInt(store, QStringLiteral("Backup")))
        result.backup = *backup != 0;
    result.left = readInt(store, QStringLiteral("Left"));
    result.top = readInt(store, QStringLiteral("Top"));
    return result;
}

bool save(const QString &datei, bool backup, int left, int top)
{
    // QSettings would create the file on sync; only an existing store is written.
    if (!storeExists())
        return false;
    QSettings store = openStore();
    // A store we cannot read is left alone rather than overwritten with four values.
    if (store.status() != QSettings::NoError)
        return false;
    store.setValue(QStringLiteral("Datei"), datei);
    store.setValue(QStringLiteral("Backup"), backup ? 1 : 0);
    store.setValue(QStringLiteral("Left"), left);
    store.setValue(QStringLiteral("Top"), top);
    store.sync();
    return store.status() == QSettings::NoError;
}

} // namespace zz::settings
