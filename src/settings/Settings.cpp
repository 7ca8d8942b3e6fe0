#include "settings/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <limits>

// The store is read and written here line by line, in QSettings' ini format,
// instead of through QSettings: its parser gives up the whole file for one
// damaged line, and the next save would then write over everything the user
// had. Here a damaged line costs only what it held, and a save replaces the
// four values and keeps every other line byte for byte.
namespace zz::settings {

namespace {

// Far beyond any store this program writes; a bigger one is read only in
// part and never rewritten.
constexpr qint64 kMaxStoreSize = 1024 * 1024;

const std::array<QLatin1String, 4> kKeys = {QLatin1String("Datei"), QLatin1String("Backup"),
                                            QLatin1String("Left"), QLatin1String("Top")};

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

// One line of the store, split at its first '='; key and value trimmed.
struct Line {
    QByteArray key;
    QByteArray value;
    bool hasValue = false;
};

Line splitLine(QByteArray text)
{
    Line line;
    const qsizetype eq = text.indexOf('=');
    if (eq < 0)
        return line;
    line.key = text.left(eq).trimmed();
    line.value = text.mid(eq + 1).trimmed();
    line.hasValue = true;
    return line;
}

// "[General]", or no section yet, holds the program's values.
bool isSection(const QByteArray &trimmed)
{
    return trimmed.startsWith('[');
}

bool isGeneralSection(const QByteArray &trimmed)
{
    const qsizetype end = trimmed.indexOf(']');
    return end > 0 && trimmed.mid(1, end - 1).trimmed().compare("general", Qt::CaseInsensitive) == 0;
}

// Splits into lines at LF, CR or CR LF, each line keeping its own end.
QList<QByteArray> splitKeepingEnds(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n' && bytes[i] != '\r')
            continue;
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        lines.append(bytes.mid(start, i + 1 - start));
        start = i + 1;
    }
    if (start < bytes.size())
        lines.append(bytes.mid(start));
    return lines;
}

QByteArray withoutEnd(QByteArray line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

constexpr char kBom[] = "\xEF\xBB\xBF";

// A value as QSettings writes it: optional quotes, backslash escapes,
// UTF-8. Empty when it is not a single text (a list, broken UTF-8, a NUL).
std::optional<QString> unescape(const QByteArray &raw)
{
    QByteArray bytes;
    bool quoted = false;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (c == ',' && !quoted)
            return std::nullopt;
        if (c != '\\') {
            bytes += c;
            continue;
        }
        if (++i >= raw.size())
            break;
        const char e = raw[i];
        static constexpr std::array<std::pair<char, char>, 11> simple = {{{'a', '\a'}, {'b', '\b'}, {'f', '\f'},
            {'n', '\n'}, {'r', '\r'}, {'t', '\t'}, {'v', '\v'}, {'"', '"'}, {'?', '?'}, {'\'', '\''}, {'\\', '\\'}}};
        bool done = false;
        for (const auto &[code, ch] : simple) {
            if (e == code) {
                bytes += ch;
                done = true;
            }
        }
        if (done)
            continue;
        uint code = 0;
        if (e == 'x') {
            qsizetype j = i + 1;
            while (j < raw.size() && std::isxdigit(uchar(raw[j])) && code <= 0xFFFF)
                code = code * 16 + uint(QByteArray(1, raw[j++]).toUInt(nullptr, 16));
            i = j - 1;
        } else if (e >= '0' && e <= '7') {
            code = uint(e - '0');
            while (i + 1 < raw.size() && raw[i + 1] >= '0' && raw[i + 1] <= '7' && code <= 0xFFFF)
                code = code * 8 + uint(raw[++i] - '0');
        } else {
            continue;  // QSettings drops an unknown escape
        }
        if (code == 0 || code > 0xFFFF)
            return std::nullopt;
        bytes += QString(QChar(char16_t(code))).toUtf8();
    }
    if (bytes.contains('\0'))
        return std::nullopt;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError())
        return std::nullopt;
    if (text.startsWith(QLatin1String("@@")))
        return text.mid(1);
    if (text.startsWith(QLatin1Char('@')))
        return std::nullopt;  // @ByteArray(...), @Variant(...): not a text
    return text;
}

// Written the way QSettings writes a text, so QSettings reads it back.
QByteArray escape(const QString &text)
{
    QByteArray out;
    QString plain;  // passed on as UTF-8, surrogate pairs kept together
    bool quotes = false;
    bool hexBefore = false;
    const QString value = text.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + text : text;
    for (const QChar qc : value) {
        const char16_t c = qc.unicode();
        if (c == ';' || c == ',' || c == '=')
            quotes = true;
        if (c >= 0x20 && c != '"' && c != '\\' && !(hexBefore && c < 0x80 && std::isxdigit(int(c)))) {
            plain += qc;
            hexBefore = false;
            continue;
        }
        out += plain.toUtf8();
        plain.clear();
        if (hexBefore && c < 0x80 && std::isxdigit(int(c))) {
            out += "\\x" + QByteArray::number(uint(c), 16);
            continue;
        }
        hexBefore = false;
        switch (c) {
        case '\a': out += "\\a"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\v': out += "\\v"; break;
        case '"':
        case '\\':
            out += '\\';
            out += char(c);
            break;
        default:
            out += "\\x" + QByteArray::number(uint(c), 16);
            hexBefore = true;
        }
    }
    out += plain.toUtf8();
    if (quotes || out.startsWith(' ') || out.endsWith(' '))
        out = '"' + out + '"';
    return out;
}

std::optional<qlonglong> readInteger(const QByteArray &raw)
{
    const std::optional<QString> text = unescape(raw);
    if (!text)
        return std::nullopt;
    bool ok = false;
    const qlonglong n = text->trimmed().toLongLong(&ok);
    return ok ? std::optional<qlonglong>(n) : std::nullopt;
}

std::optional<int> readInt(const QByteArray &raw)
{
    const auto n = readInteger(raw);
    if (n && *n >= std::numeric_limits<int>::min() && *n <= std::numeric_limits<int>::max())
        return int(*n);
    return std::nullopt;
}

// 0/1 as this program writes it (any other number counts as on), and
// true/false as QSettings and hand edits write it.
std::optional<bool> readBool(const QByteArray &raw)
{
    if (const auto n = readInteger(raw))
        return *n != 0;
    const std::optional<QString> text = unescape(raw);
    if (text && text->trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (text && text->trimmed().compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

// Index of one of the four keys, or -1.
int keyIndex(const QByteArray &key)
{
    for (std::size_t i = 0; i < kKeys.size(); ++i) {
        if (key == kKeys[i].latin1())
            return int(i);
    }
    return -1;
}

QByteArray dropBom(const QByteArray &bytes)
{
    return bytes.startsWith(kBom) ? bytes.mid(3) : bytes;
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
    bool general = true;
    // The last readable occurrence of a value counts, as in QSettings.
    for (const QByteArray &raw : splitKeepingEnds(dropBom(content->bytes))) {
        const QByteArray trimmed = withoutEnd(raw).trimmed();
        if (isSection(trimmed)) {
            general = isGeneralSection(trimmed);
            continue;
        }
        const Line line = splitLine(withoutEnd(raw));
        if (!general || !line.hasValue)
            continue;
        switch (keyIndex(line.key)) {
        case 0:
            if (const auto text = unescape(line.value))
                result.datei = *text;
            break;
        case 1:
            if (const auto on = readBool(line.value))
                result.backup = *on;
            break;
        case 2:
            if (const auto n = readInt(line.value))
                result.left = *n;
            break;
        case 3:
            if (const auto n = readInt(line.value))
                result.top = *n;
            break;
        default:
            break;
        }
    }
    return result;
}

bool save(const QString &datei, bool backup, int left, int top)
{
    // An existing store only when it is a plain file that was read whole; a
    // missing one is made, as a new empty store.
    std::optional<StoreContent> content = readStore();
    if (!content && createStore())
        content = StoreContent{{}, true};
    if (!content || !content->complete)
        return false;
    const std::array<QByteArray, 4> values = {escape(datei), backup ? "1" : "0", QByteArray::number(left),
                                              QByteArray::number(top)};
    auto valueLine = [&](std::size_t i) { return QByteArray(kKeys[i].latin1()) + '=' + values[i] + '\n'; };

    const bool bom = content->bytes.startsWith(kBom);
    const QList<QByteArray> lines = splitKeepingEnds(dropBom(content->bytes));
    QByteArray out = bom ? QByteArray(kBom) : QByteArray();
    std::array<bool, 4> written{};
    // Values that were not there yet go right after "[General]", or at the
    // top when there is no such section.
    qsizetype insertAt = -1;
    bool general = true;
    bool sawGeneralHeader = false;
    for (QByteArray raw : lines) {
        const QByteArray trimmed = withoutEnd(raw).trimmed();
        if (isSection(trimmed)) {
            general = isGeneralSection(trimmed);
            if (general && !sawGeneralHeader) {
                sawGeneralHeader = true;
                if (!raw.endsWith('\n') && !raw.endsWith('\r'))
                    raw += '\n';
                out += raw;
                insertAt = out.size();
                continue;
            }
        }
        const Line line = splitLine(withoutEnd(raw));
        const int key = general && line.hasValue ? keyIndex(line.key) : -1;
        if (key < 0) {
            out += raw;
            continue;
        }
        // Each value once, in place of its first line; later copies go.
        if (!written[std::size_t(key)]) {
            out += valueLine(std::size_t(key));
            written[std::size_t(key)] = true;
        }
    }
    QByteArray missing;
    for (std::size_t i = 0; i < kKeys.size(); ++i) {
        if (!written[i])
            missing += valueLine(i);
    }
    if (!missing.isEmpty()) {
        if (insertAt >= 0) {
            out.insert(insertAt, missing);
        } else {
            const qsizetype top = bom ? 3 : 0;
            // Keys above any section belong to [General]; otherwise a new one.
            if (lines.isEmpty())
                out.insert(top, "[General]\n" + missing);
            else if (!isSection(withoutEnd(lines.first()).trimmed()))
                out.insert(top, missing);
            else
                out.insert(top, "[General]\n" + missing + '\n');
        }
    }
    if (!out.isEmpty() && !out.endsWith('\n') && !out.endsWith('\r'))
        out += '\n';

    // Replaced whole or not at all; a symlinked store is written through.
    QSaveFile file(storePath());
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size())
        return false;
    return file.commit();
}

} // namespace zz::settings
