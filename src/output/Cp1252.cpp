#include "output/Cp1252.h"

#include <QList>

#include <array>

namespace zz::output {

namespace {

// 0x80..0x9F; the five holes (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1
// controls of the same number, as Windows itself does.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Where the table's range begins, and where Latin-1's characters take over.
constexpr char32_t kFirstHigh = 0x80;
constexpr char32_t kFirstLatin1 = 0xA0;
constexpr char32_t kLastLatin1 = 0xFF;

char encodeOne(char32_t c)
{
    if (c < kFirstHigh || (c >= kFirstLatin1 && c <= kLastLatin1))
        return static_cast<char>(c);
    for (std::size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == c)
            return static_cast<char>(kFirstHigh + i);
    }
    return '?';
}

} // namespace

QByteArray toCp1252(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const uint c : text.toUcs4())
        out.append(encodeOne(c));
    return out;
}

QByteArray toCp1252(std::string_view utf8)
{
    return toCp1252(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

} // namespace zz::output
