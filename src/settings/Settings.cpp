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

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <limits>
#include <vector>

// The store is read and written here in QSettings' ini format instead of
// through QSettings: with Qt 6.4 only an unterminated quote wipes the rest of
// the file, but QSettings reorders the keys and drops comments on every save.
// The reader follows QSettings' own rules (quotes and continuations across
// lines, escaped keys, sections) so both see the same four values; a save
// replaces just the lines that hold them and keeps every other byte, line
// ends included.
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

// A logical line of the store as QSettings' ini reader sees it: it may span
// several lines of the file (inside quotes, after a backslash) and it ends
// before an unquoted ';'. Blank lines and comments lie between them.
struct Record {
    qsizetype start = 0;
    qsizetype end = 0;
    qsizetype equals = -1;  // position of the first unquoted '=', or -1
};

bool isIniSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The next record from pos on, the way QSettings reads one; false at the end.
bool nextRecord(const QByteArray &data, qsizetype &pos, Record &record)
{
    const qsizetype size = data.size();
    bool inQuotes = false;
    record.equals = -1;
    qsizetype start = pos;
    while (start < size && isIniSpace(data[start]))
        ++start;
    qsizetype i = start;
    while (i < size) {
        const char c = data[i++];
        if (c == '=') {
            if (!inQuotes && record.equals == -1)
                record.equals = i - 1;
        } else if (c == '\n' || c == '\r') {
            if (i == start + 1) {
                ++start;
            } else if (!inQuotes) {
                --i;
                break;
            }
        } else if (c == '\\') {
            if (i < size) {
                const char escaped = data[i++];
                if (i < size) {
                    const char next = data[i];
                    if ((escaped == '\n' && next == '\r') || (escaped == '\r' && next == '\n'))
                        ++i;
                }
            }
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (c == ';') {
            if (i == start + 1) {
                while (i < size && data[i] != '\n' && data[i] != '\r')
                    ++i;
                while (i < size && isIniSpace(data[i]))
                    ++i;
                start = i;
            } else if (!inQuotes) {
                --i;
                break;
            }
        }
    }
    pos = i;
    record.start = start;
    record.end = i;
    return i > start;
}

// A key as QSettings unescapes it: %XX and %UXXXX are characters, '\' is '/'.
QString unescapedKey(const QByteArray &raw)
{
    const QString decoded = QString::fromUtf8(raw);
    QString key;
    qsizetype i = 0;
    while (i < decoded.size()) {
        const QChar c = decoded[i];
        if (c == QLatin1Char('\\')) {
            key += QLatin1Char('/');
            ++i;
            continue;
        }
        if (c != QLatin1Char('%') || i == decoded.size() - 1) {
            key += c;
            ++i;
            continue;
        }
        qsizetype first = i + 1;
        qsizetype digits = 2;
        if (decoded[i + 1] == QLatin1Char('U')) {
            ++first;
            digits = 4;
        }
        bool ok = false;
        const ushort code = first + digits <= decoded.size()
            ? QStringView(decoded).sliced(first, digits).toUShort(&ok, 16) : 0;
        if (!ok) {
            key += QLatin1Char('%');
            ++i;
            continue;
        }
        key += QChar(code);
        i = first + digits;
    }
    return key;
}

// Whether the section header in this record names the general section,
// where the program's values live.
bool isGeneralHeader(const QByteArray &line)
{
    const qsizetype close = line.indexOf(']');
    const QByteArray name = (close < 0 ? line.mid(1) : line.mid(1, close - 1)).trimmed();
    return name.compare("general", Qt::CaseInsensitive) == 0;
}

void chopTrailingSpaces(QString &text, qsizetype limit)
{
    while (text.size() > limit && (text.back() == QLatin1Char(' ') || text.back() == QLatin1Char('\t')))
        text.chop(1);
}

// A value as QSettings unescapes it; empty when it is a list (an unquoted
// comma), which is never one of the program's values.
std::optional<QString> unescapedValue(const QByteArray &raw)
{
    static constexpr std::array<std::pair<char, char>, 11> simple = {{{'a', '\a'}, {'b', '\b'}, {'f', '\f'},
        {'n', '\n'}, {'r', '\r'}, {'t', '\t'}, {'v', '\v'}, {'"', '"'}, {'?', '?'}, {'\'', '\''}, {'\\', '\\'}}};
    QString text;
    bool inQuotes = false;
    bool quoted = false;
    // Stateful like QSettings': a UTF-8 sequence cut by an escape goes on after it.
    QStringDecoder utf8(QStringDecoder::Utf8);
    qsizetype i = 0;
    const qsizetype size = raw.size();
    auto skipSpaces = [&] {
        while (i < size && (raw[i] == ' ' || raw[i] == '\t'))
            ++i;
    };
    skipSpaces();
    qsizetype chopLimit = 0;
    while (i < size) {
        const char c = raw[i];
        if (c == '\\') {
            if (++i >= size)
                return text;
            const char e = raw[i++];
            bool done = false;
            for (const auto &[code, ch] : simple) {
                if (e == code) {
                    text += QLatin1Char(ch);
                    done = true;
                    break;
                }
            }
            if (done) {
                chopLimit = text.size();
                continue;
            }
            if (e == 'x' || (e >= '0' && e <= '7')) {
                const int base = e == 'x' ? 16 : 8;
                if (base == 16 && (i >= size || !std::isxdigit(uchar(raw[i])))) {
                    chopLimit = text.size();
                    continue;
                }
                char16_t code = base == 8 ? char16_t(e - '0') : 0;
                auto digit = [base](char d) {
                    if (d >= '0' && d <= '7')
                        return d - '0';
                    if (base == 16 && std::isxdigit(uchar(d)))
                        return std::isdigit(uchar(d)) ? d - '0' : (std::tolower(uchar(d)) - 'a' + 10);
                    return -1;
                };
                while (i < size && digit(raw[i]) >= 0)
                    code = char16_t(code * base + digit(raw[i++]));
                text += QChar(code);
                if (i >= size)
                    return text;
                chopLimit = text.size();
                continue;
            }
            if (e == '\n' || e == '\r') {
                if (i < size && (raw[i] == '\n' || raw[i] == '\r') && raw[i] != e)
                    ++i;
            }
            chopLimit = text.size();
            continue;
        }
        if (c == '"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                skipSpaces();
                chopLimit = text.size();
            }
            continue;
        }
        if (c == ',' && !inQuotes)
            return std::nullopt;
        qsizetype j = i + 1;
        while (j < size && raw[j] != '\\' && raw[j] != '"' && raw[j] != ',')
            ++j;
        text += utf8(QByteArrayView(raw).sliced(i, j - i));
        i = j;
    }
    if (!quoted)
        chopTrailingSpaces(text, chopLimit);
    return text;
}

// The arguments of @Rect(...), @Size(...), @Point(...), counted as QSettings does.
qsizetype argumentCount(QStringView text)
{
    qsizetype count = 0;
    for (qsizetype i = text.indexOf(QLatin1Char('(')) + 1; i < text.size(); ++i) {
        if (text[i] == QLatin1Char(')') || text[i] == QLatin1Char(' '))
            ++count;
    }
    return count;
}

// What QSettings makes of a value: a text, or something else (a byte array,
// a list, a rectangle ...), which no value of this program is.
std::optional<QString> textOf(const QByteArray &raw)
{
    std::optional<QString> text = unescapedValue(raw);
    if (!text || !text->startsWith(QLatin1Char('@')))
        return text;
    if (text->endsWith(QLatin1Char(')'))) {
        if (text->startsWith(QLatin1String("@String(")))
            return text->sliced(8).chopped(1);
        if (text->startsWith(QLatin1String("@ByteArray(")) || text->startsWith(QLatin1String("@Variant("))
            || text->startsWith(QLatin1String("@DateTime(")) || *text == QLatin1String("@Invalid()"))
            return std::nullopt;
        if ((text->startsWith(QLatin1String("@Rect(")) && argumentCount(*text) == 4)
            || (text->startsWith(QLatin1String("@Size(")) && argumentCount(*text) == 2)
            || (text->startsWith(QLatin1String("@Point(")) && argumentCount(*text) == 2))
            return std::nullopt;
    }
    if (text->startsWith(QLatin1String("@@")))
        return text->sliced(1);
    return text;
}

constexpr char kBom[] = "\xEF\xBB\xBF";

// Where the four values stand: the records that QSettings reads as one of
// them, and where a missing value goes.
struct StoreMap {
    std::array<std::vector<Record>, 4> values;
    qsizetype generalHeaderEnd = -1;  // end of the first [General] header
    bool anySection = false;
    bool keysAtTop = false;  // records before the first section
    // After a byte order mark QSettings keeps the blanks in front of the
    // first key as part of it; they must stay that when lines go above it.
    qsizetype keptBlanksEnd = 0;
};

void addKeyRecord(StoreMap &map, const QByteArray &data, const Record &record)
{
    qsizetype keyEnd = record.equals;
    while (keyEnd > record.start && (data[keyEnd - 1] == ' ' || data[keyEnd - 1] == '\t'))
        --keyEnd;
    // QString::fromUtf8 drops a byte order mark in front, as in QSettings.
    const QString key = unescapedKey(data.mid(record.start, keyEnd - record.start));
    for (std::size_t k = 0; k < kKeys.size(); ++k) {
        if (key == kKeys[k]) {
            Record kept = record;
            kept.start = std::max<qsizetype>(record.start, data.startsWith(kBom) ? 3 : 0);
            map.values[k].push_back(kept);
        }
    }
}

StoreMap mapStore(const QByteArray &data)
{
    StoreMap map;
    const bool bom = data.startsWith(kBom);
    qsizetype pos = bom ? 3 : 0;
    Record record;
    bool general = true;
    // QSettings finds the sections after the mark, but reads the keys before
    // the first section from the file's first byte on.
    if (bom) {
        qsizetype probe = pos;
        qsizetype firstSection = data.size();
        while (nextRecord(data, probe, record)) {
            if (data[record.start] == '[') {
                firstSection = record.start;
                break;
            }
        }
        const QByteArray top = data.left(firstSection);
        qsizetype at = 0;
        bool first = true;
        while (nextRecord(top, at, record)) {
            map.keysAtTop = true;
            if (first && record.start == 0 && record.equals >= 0) {
                map.keptBlanksEnd = 3;
                while (map.keptBlanksEnd < record.equals && isIniSpace(data[map.keptBlanksEnd]))
                    ++map.keptBlanksEnd;
            }
            first = false;
            if (record.equals >= 0)
                addKeyRecord(map, data, record);
        }
        pos = firstSection;
    }
    while (nextRecord(data, pos, record)) {
        const QByteArray line = data.mid(record.start, record.end - record.start);
        if (line.startsWith('[')) {
            general = isGeneralHeader(line);
            if (general && map.generalHeaderEnd < 0)
                map.generalHeaderEnd = record.end;
            map.anySection = true;
            continue;
        }
        if (!map.anySection)
            map.keysAtTop = true;
        if (general && record.equals >= 0)
            addKeyRecord(map, data, record);
    }
    return map;
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

qsizetype bodyStart(const QByteArray &bytes)
{
    return bytes.startsWith(kBom) ? 3 : 0;
}

// The line end the store already uses, so written lines match their neighbours.
QByteArray lineEndOf(const QByteArray &bytes)
{
    const qsizetype at = bytes.indexOf('\n') >= 0 || bytes.indexOf('\r') >= 0
        ? std::min(bytes.indexOf('\n') < 0 ? bytes.size() : bytes.indexOf('\n'),
                   bytes.indexOf('\r') < 0 ? bytes.size() : bytes.indexOf('\r'))
        : -1;
    if (at < 0)
        return "\n";
    if (bytes[at] == '\r')
        return at + 1 < bytes.size() && bytes[at + 1] == '\n' ? "\r\n" : "\r";
    return "\n";
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
    const QByteArray &data = content->bytes;
    const StoreMap map = mapStore(data);
    // The last occurrence counts, as in QSettings, also when it is no text.
    std::array<std::optional<QString>, 4> texts;
    for (std::size_t k = 0; k < kKeys.size(); ++k) {
        if (map.values[k].empty())
            continue;
        const Record &last = map.values[k].back();
        texts[k] = textOf(data.mid(last.equals + 1, last.end - last.equals - 1));
    }
    result.datei = texts[0];
    if (texts[1])
        result.backup = readBool(*texts[1]);
    if (texts[2])
        result.left = readInt(*texts[2]);
    if (texts[3])
        result.top = readInt(*texts[3]);
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
    const std::array<std::optional<QByteArray>, 4> values = {escape(datei), QByteArray(backup ? "1" : "0"),
                                                             number(left), number(top)};
    auto valueLine = [&](std::size_t k) { return QByteArray(kKeys[k].latin1()) + '=' + *values[k]; };
    const QByteArray eol = lineEndOf(data);
    const qsizetype top0 = bodyStart(data);
    const StoreMap map = mapStore(data);

    // Every line that QSettings reads as one of the four values is replaced
    // where it stands; every other byte stays as it was.
    std::vector<std::pair<Record, std::size_t>> replaced;
    QByteArray missing;
    for (std::size_t k = 0; k < kKeys.size(); ++k) {
        if (!values[k])
            continue;
        for (const Record &record : map.values[k])
            replaced.emplace_back(record, k);
        if (map.values[k].empty())
            missing += valueLine(k) + eol;
    }
    std::sort(replaced.begin(), replaced.end(),
              [](const auto &a, const auto &b) { return a.first.start < b.first.start; });
    QByteArray out;
    qsizetype copied = 0;
    auto copyTo = [&](qsizetype end) {
        out += QByteArrayView(data).sliced(copied, end - copied);
        copied = end;
    };
    // Values that were not there yet go right after the first "[General]",
    // or at the top when the keys there belong to it.
    qsizetype insertAt = -1;
    QByteArray insertion;
    if (!missing.isEmpty()) {
        if (map.generalHeaderEnd >= 0) {
            insertAt = map.generalHeaderEnd;
            insertion = eol + missing.chopped(eol.size());
        } else if (map.keysAtTop || !map.anySection) {
            insertAt = top0;
            insertion = missing;
            if (!map.anySection && data.size() == top0)
                insertion = "[General]" + eol + missing;
        } else {
            insertAt = top0;
            insertion = "[General]" + eol + missing + eol;
        }
    }
    bool inserted = insertAt < 0;
    if (insertAt == top0 && map.keptBlanksEnd > top0) {
        // Those blanks stay part of the first key, written as escapes.
        copyTo(top0);
        out += insertion;
        inserted = true;
        for (qsizetype i = top0; i < map.keptBlanksEnd; ++i)
            out += '%' + QByteArray::number(uchar(data[i]), 16).rightJustified(2, '0').toUpper();
        copied = map.keptBlanksEnd;
    }
    for (const auto &[record, k] : replaced) {
        if (!inserted && insertAt <= record.start) {
            copyTo(insertAt);
            out += insertion;
            inserted = true;
        }
        copyTo(record.start);
        out += valueLine(k);
        copied = record.end;
    }
    if (!inserted) {
        copyTo(insertAt);
        out += insertion;
    }
    copyTo(data.size());
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
