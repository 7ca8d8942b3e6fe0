#include "settings/Settings.h"

#include "settings/IniReader.h"
#include "settings/IniWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <limits>

// The store is read and written here in QSettings' ini format instead of
// through QSettings: with Qt 6.4 only an unterminated quote wipes the rest of
// the file, but QSettings reorders the keys and drops comments on every save.
// IniReader sees the same four values QSettings sees; IniWriter replaces just
// the lines that hold them.
namespace zz::settings {

namespace {

// Far beyond any store this program writes; a bigger one is read only in
// part and never rewritten.
constexpr qint64 kMaxStoreSize = 1024 * 1024;

const std::array<QLatin1String, 4> kKeys = {QLatin1String("Datei"), QLatin1String("Backup"),
                                            QLatin1String("Left"), QLatin1String("Top")};
enum KeyIndex : std::size_t { kDatei, kBackup, kLeft, kTop };

struct StoreContent {
    QByteArray bytes;
    bool complete = false;  // all of the file was read
};

// Reads the store only when it is a plain file: a FIFO or device there would
// block the start or never end.
std::optional<StoreContent> readStore()
{
    const int fd = ::open(QFile::encodeName(storePath()).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    StoreContent content;
    content.bytes.resize(kMaxStoreSize + 1);
    qint64 got = 0;
    while (got < content.bytes.size()) {
        const ssize_t n = ::read(fd, content.bytes.data() + got, size_t(content.bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        got += n;
    }
    ::close(fd);
    content.complete = got <= kMaxStoreSize;
    content.bytes.truncate(std::min(got, kMaxStoreSize));
    return content;
}

std::optional<qlonglong> readInteger(const QString &text)
{
    // QString's conversion would stop at a NUL and take "1\0002" for 1.
    if (text.contains(QChar(0)))
        return std::nullopt;
    bool ok = false;
    const qlonglong n = text.trimmed().toLongLong(&ok);
    return ok ? std::optional<qlonglong>(n) : std::nullopt;
}

std::optional<int> readInt(const QString &text)
{
    const auto n = readInteger(text);
    if (n && *n >= std::numeric_limits<int>::min() && *n <= std::numeric_limits<int>::max())
        return int(*n);
    return std::nullopt;
}

// 0/1 as this program writes it (any other number counts as on), and
// true/false as QSettings and hand edits write it.
std::optional<bool> readBool(const QString &text)
{
    if (const auto n = readInteger(text))
        return *n != 0;
    if (text.trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.trimmed().compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

// Makes the store's folder when nothing at all stands at the store's place;
// the file itself comes with the save. Whatever is there, even a dangling
// link, is the user's and stays untouched. The user's umask sets the modes.
bool createStore()
{
    struct stat st {};
    if (::lstat(QFile::encodeName(storePath()).constData(), &st) == 0 || errno != ENOENT)
        return false;
    return QDir().mkpath(QFileInfo(storePath()).path());
}

} // namespace

// Where QSettings keeps it on Linux; not asked of QSettings, which would
// open and read the file on construction.
QString storePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Veltrup/Zedezedidor.conf");
}

bool storeExists()
{
    struct stat st {};
    return ::stat(QFile::encodeName(storePath()).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

StoredSettings load()
{
    StoredSettings result;
    const std::optional<StoreContent> content = readStore();
    if (!content)
        return result;
    const auto texts = ini::storedTexts(content->bytes, kKeys);
    result.datei = texts[kDatei];
    if (texts[kBackup])
        result.backup = readBool(*texts[kBackup]);
    if (texts[kLeft])
        result.left = readInt(*texts[kLeft]);
    if (texts[kTop])
        result.top = readInt(*texts[kTop]);
    return result;
}

bool save(const QString &datei, bool backup, std::optional<int> left, std::optional<int> top)
{
    // An existing store only when it is a plain file that was read whole; a
    // missing one is made, as a new empty store.
    std::optional<StoreContent> content = readStore();
    if (!content && createStore())
        content = StoreContent{{}, true};
    if (!content || !content->complete)
        return false;
    const QByteArray &data = content->bytes;
    const auto number = [](std::optional<int> n) {
        return n ? std::optional<QByteArray>(QByteArray::number(*n)) : std::nullopt;
    };
    // A value without content (a position the platform does not tell) is
    // not written: its stored lines stay as they are.
    const std::array<ini::Entry, kKeys.size()> entries = {{{kKeys[kDatei], ini::escape(datei)},
                                                           {kKeys[kBackup], QByteArray(backup ? "1" : "0")},
                                                           {kKeys[kLeft], number(left)},
                                                           {kKeys[kTop], number(top)}}};
    const QByteArray out = ini::rewritten(data, entries);
    // A store that would grow past the limit could never be read whole again.
    if (out.size() > kMaxStoreSize)
        return false;

    // Replaced whole or not at all; a symlinked store is written through.
    QSaveFile file(storePath());
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size())
        return false;
    return file.commit();
}

} // namespace zz::settings
