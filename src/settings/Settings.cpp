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
    const QVariant datei = store.value(QStringLiteral("Datei"));
    if (datei.typeId() == QMetaType::QString)
        result.datei = datei.toString();
    if (const auto backup = readInt(store, QStringLiteral("Backup")))
        result.backup = *backup != 0;
    result.left = readInt(store, QStringLiteral("Left"));
    result.top = readInt(store, QStringLiteral("Top"));
    // The store is parsed on first access, so its status is known only now.
    if (store.status() != QSettings::NoError)
        return {};
    return result;
}

bool save(const QString &datei, bool backup, int left, int top)
{
    // QSettings would create the file on sync; only an existing store is written.
    if (!storeExists())
        return false;
    // A store that could not be parsed is the key without values: the four
    // values are written into it, which leaves it readable again.
    QSettings store = openStore();
    store.setValue(QStringLiteral("Datei"), datei);
    store.setValue(QStringLiteral("Backup"), backup ? 1 : 0);
    store.setValue(QStringLiteral("Left"), left);
    store.setValue(QStringLiteral("Top"), top);
    store.sync();
    return store.status() == QSettings::NoError;
}

} // namespace zz::settings
