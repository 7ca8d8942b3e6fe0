#include "settings/IniReader.h"

#include <QStringDecoder>

#include <array>
#include <cctype>
#include <utility>

namespace zz::settings::ini {

namespace {

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

// The character of a one-letter escape ("\n"); none for another letter.
std::optional<char> simpleEscape(char e)
{
    static constexpr std::array<std::pair<char, char>, 11> kSimple = {{{'a', '\a'}, {'b', '\b'}, {'f', '\f'},
        {'n', '\n'}, {'r', '\r'}, {'t', '\t'}, {'v', '\v'}, {'"', '"'}, {'?', '?'}, {'\'', '\''}, {'\\', '\\'}}};
    for (const auto &[code, ch] : kSimple) {
        if (e == code)
            return ch;
    }
    return std::nullopt;
}

int digitValue(char d, int base)
{
    constexpr int kDigitsBelowA = 10;
    if (d >= '0' && d <= '7')
        return d - '0';
    if (base == 16 && std::isxdigit(uchar(d)))
        return std::isdigit(uchar(d)) ? d - '0' : (std::tolower(uchar(d)) - 'a' + kDigitsBelowA);
    return -1;
}

// One escape after a backslash, from raw[i] on; i moves past it. False when
// the value ends with it.
bool appendEscape(const QByteArray &raw, qsizetype &i, QString &text)
{
    const qsizetype size = raw.size();
    const char e = raw[i++];
    if (const auto ch = simpleEscape(e)) {
        text += QLatin1Char(*ch);
        return true;
    }
    if (e == 'x' || (e >= '0' && e <= '7')) {
        const int base = e == 'x' ? 16 : 8;
        if (base == 16 && (i >= size || !std::isxdigit(uchar(raw[i]))))
            return true;
        char16_t code = base == 8 ? char16_t(e - '0') : 0;
        while (i < size && digitValue(raw[i], base) >= 0)
            code = char16_t(code * base + digitValue(raw[i++], base));
        text += QChar(code);
        return i < size;
    }
    if (e == '\n' || e == '\r') {
        if (i < size && (raw[i] == '\n' || raw[i] == '\r') && raw[i] != e)
            ++i;
    }
    return true;
}

// A value as QSettings unescapes it; empty when it is a list (an unquoted
// comma), which is never one of the program's values.
std::optional<QString> unescapedValue(const QByteArray &raw)
{
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
            if (++i >= size || !appendEscape(raw, i, text))
                return text;
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

void addKeyRecord(StoreMap &map, const QByteArray &data, const Record &record, std::span<const QLatin1String> keys)
{
    qsizetype keyEnd = record.equals;
    while (keyEnd > record.start && (data[keyEnd - 1] == ' ' || data[keyEnd - 1] == '\t'))
        --keyEnd;
    // QString::fromUtf8 drops a byte order mark in front, as in QSettings.
    const QString key = unescapedKey(data.mid(record.start, keyEnd - record.start));
    for (std::size_t k = 0; k < keys.size(); ++k) {
        if (key == keys[k]) {
            Record kept = record;
            kept.start = std::max(record.start, bodyStart(data));
            map.values[k].push_back(kept);
        }
    }
}

} // namespace

qsizetype bodyStart(const QByteArray &bytes)
{
    return bytes.startsWith(kBom) ? qsizetype(sizeof kBom - 1) : 0;
}

StoreMap mapStore(const QByteArray &data, std::span<const QLatin1String> keys)
{
    StoreMap map;
    map.values.resize(keys.size());
    const bool bom = data.startsWith(kBom);
    qsizetype pos = bodyStart(data);
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
                map.keptBlanksEnd = bodyStart(data);
                while (map.keptBlanksEnd < record.equals && isIniSpace(data[map.keptBlanksEnd]))
                    ++map.keptBlanksEnd;
            }
            first = false;
            if (record.equals >= 0)
                addKeyRecord(map, data, record, keys);
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
            addKeyRecord(map, data, record, keys);
    }
    return map;
}

std::vector<std::optional<QString>> storedTexts(const QByteArray &data, std::span<const QLatin1String> keys)
{
    const StoreMap map = mapStore(data, keys);
    std::vector<std::optional<QString>> texts(keys.size());
    for (std::size_t k = 0; k < keys.size(); ++k) {
        if (map.values[k].empty())
            continue;
        const Record &last = map.values[k].back();
        texts[k] = textOf(data.mid(last.equals + 1, last.end - last.equals - 1));
    }
    return texts;
}

} // namespace zz::settings::ini
