#include "settings/IniWriter.h"

#include "settings/IniReader.h"

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

namespace zz::settings::ini {

namespace {

// Control characters below this are written as escapes; after a hex escape
// an ASCII hex digit is one too, or it would join the escape.
constexpr char16_t kFirstPrintable = 0x20;
constexpr char16_t kFirstNonAscii = 0x80;
constexpr int kHex = 16;

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

// Lines of keys not stored yet, and where they go.
struct Insertion {
    qsizetype at = -1;  // none
    QByteArray text;
};

Insertion insertionFor(const StoreMap &map, const QByteArray &data, const QByteArray &missing, const QByteArray &eol)
{
    if (missing.isEmpty())
        return {};
    const qsizetype top = bodyStart(data);
    if (map.generalHeaderEnd >= 0)
        return {map.generalHeaderEnd, eol + missing.chopped(eol.size())};
    if (map.keysAtTop || !map.anySection) {
        if (!map.anySection && data.size() == top)
            return {top, "[General]" + eol + missing};
        return {top, missing};
    }
    return {top, "[General]" + eol + missing + eol};
}

} // namespace

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
        if (c >= kFirstPrintable && c != '"' && c != '\\' && !(hexBefore && c < kFirstNonAscii && std::isxdigit(int(c)))) {
            plain += qc;
            hexBefore = false;
            continue;
        }
        out += plain.toUtf8();
        plain.clear();
        if (hexBefore && c < kFirstNonAscii && std::isxdigit(int(c))) {
            out += "\\x" + QByteArray::number(uint(c), kHex);
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
            out += "\\x" + QByteArray::number(uint(c), kHex);
            hexBefore = true;
        }
    }
    out += plain.toUtf8();
    if (quotes || out.startsWith(' ') || out.endsWith(' '))
        out = '"' + out + '"';
    return out;
}

QByteArray rewritten(const QByteArray &data, std::span<const Entry> entries)
{
    std::vector<QLatin1String> keys;
    for (const Entry &entry : entries)
        keys.push_back(entry.key);
    const StoreMap map = mapStore(data, keys);
    const QByteArray eol = lineEndOf(data);
    auto valueLine = [&](std::size_t k) { return QByteArray(entries[k].key.latin1()) + '=' + *entries[k].value; };

    std::vector<std::pair<Record, std::size_t>> replaced;
    QByteArray missing;
    for (std::size_t k = 0; k < entries.size(); ++k) {
        if (!entries[k].value)
            continue;
        for (const Record &record : map.values[k])
            replaced.emplace_back(record, k);
        if (map.values[k].empty())
            missing += valueLine(k) + eol;
    }
    std::sort(replaced.begin(), replaced.end(),
              [](const auto &a, const auto &b) { return a.first.start < b.first.start; });
    const Insertion insertion = insertionFor(map, data, missing, eol);
    const qsizetype top = bodyStart(data);

    QByteArray out;
    qsizetype copied = 0;
    auto copyTo = [&](qsizetype end) {
        out += QByteArrayView(data).sliced(copied, end - copied);
        copied = end;
    };
    bool inserted = insertion.at < 0;
    if (insertion.at == top && map.keptBlanksEnd > top) {
        // Those blanks stay part of the first key, written as escapes.
        copyTo(top);
        out += insertion.text;
        inserted = true;
        for (qsizetype i = top; i < map.keptBlanksEnd; ++i)
            out += '%' + QByteArray::number(uchar(data[i]), kHex).rightJustified(2, '0').toUpper();
        copied = map.keptBlanksEnd;
    }
    for (const auto &[record, k] : replaced) {
        if (!inserted && insertion.at <= record.start) {
            copyTo(insertion.at);
            out += insertion.text;
            inserted = true;
        }
        copyTo(record.start);
        out += valueLine(k);
        copied = record.end;
    }
    if (!inserted) {
        copyTo(insertion.at);
        out += insertion.text;
    }
    copyTo(data.size());
    return out;
}

} // namespace zz::settings::ini
