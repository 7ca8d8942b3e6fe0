#pragma once

#include <QByteArray>
#include <QLatin1String>
#include <QString>

#include <optional>
#include <span>
#include <vector>

// QSettings' ini format read the way QSettings' own reader reads it (quotes
// and continuations across lines, escaped keys, sections), so both see the
// same values. Only the general section counts, where a program's values live.
namespace zz::settings::ini {

// A UTF-8 byte order mark; QSettings reads past it.
inline constexpr char kBom[] = "\xEF\xBB\xBF";
// Where the first record may begin: after a byte order mark.
qsizetype bodyStart(const QByteArray &bytes);

// A logical line of the store as QSettings' ini reader sees it: it may span
// several lines of the file (inside quotes, after a backslash) and it ends
// before an unquoted ';'. Blank lines and comments lie between them.
struct Record {
    qsizetype start = 0;
    qsizetype end = 0;
    qsizetype equals = -1;  // position of the first unquoted '=', or -1
};

// Where the values of `keys` stand: the records that QSettings reads as one
// of them (in `values`, one list per key), and where a missing value goes.
struct StoreMap {
    std::vector<std::vector<Record>> values;
    qsizetype generalHeaderEnd = -1;  // end of the first [General] header
    bool anySection = false;
    bool keysAtTop = false;  // records before the first section
    // After a byte order mark QSettings keeps the blanks in front of the
    // first key as part of it; they must stay that when lines go above it.
    qsizetype keptBlanksEnd = 0;
};
StoreMap mapStore(const QByteArray &data, std::span<const QLatin1String> keys);

// The value of each key as QSettings reads it: its last occurrence counts,
// also when it is no text (a byte array, a list, a rectangle ...), which
// makes it empty, as a missing key is.
std::vector<std::optional<QString>> storedTexts(const QByteArray &data, std::span<const QLatin1String> keys);

} // namespace zz::settings::ini
