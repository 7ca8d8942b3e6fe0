#pragma once

#include <QByteArray>
#include <QLatin1String>
#include <QString>

#include <optional>
#include <span>

// Values written into a store in QSettings' ini format without QSettings,
// which reorders the keys and drops comments on every save: only the lines
// that hold the values change, every other byte stays, line ends included.
namespace zz::settings::ini {

// A text written the way QSettings writes one, so QSettings reads it back.
QByteArray escape(const QString &text);

// A key and what to write for it (already escaped); none leaves its stored
// lines as they are.
struct Entry {
    QLatin1String key;
    std::optional<QByteArray> value;
};

// `data` with every line QSettings reads as one of the keys replaced where it
// stands; keys not stored yet go right after the first "[General]", or at the
// top when the keys there belong to it.
QByteArray rewritten(const QByteArray &data, std::span<const Entry> entries);

} // namespace zz::settings::ini
