#include "value/Text.h"

namespace zz::value {

namespace {

void appendHex(std::string &out, unsigned char c)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += "\\x";
    out += kHex[c >> 4];
    out += kHex[c & 0xF];
}

// Invisible characters that reorder or split the text around them in a
// terminal: bidirectional marks, embeddings, overrides and isolates, line and
// paragraph separators, and their invisible kin.
bool isFormatControl(unsigned cp)
{
    return cp == 0x061C || cp == 0x180E || (cp >= 0x200B && cp <= 0x200F) || (cp >= 0x2028 && cp <= 0x202E)
        || (cp >= 0x2060 && cp <= 0x206F) || cp == 0xFEFF || (cp >= 0xFFF9 && cp <= 0xFFFB);
}


} // namespace

std::size_t sequenceLength(std::string_view s, std::size_t i)
{
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    unsigned lowest = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        lowest = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        lowest = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        lowest = 0x10000;
    } else {
        return 0;
    }
    if (i + n > s.size())
        return 0;
    unsigned cp = c & (0x7Fu >> n);
    for (std::size_t k = 1; k < n; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < lowest || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    if (cp >= 0x80 && cp <= 0x9F) // C1 controls
        return 0;
    if (isFormatControl(cp))
        return 0;
    return n;
}

std::string shownText(std::string_view text, std::size_t maxChars)
{
    std::string out;
    std::size_t chars = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (chars == maxChars) {
            out += "…";
            break;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) {
            appendHex(out, c);
            ++i;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else if (const std::size_t n = sequenceLength(text, i); n > 0) {
            out.append(text.substr(i, n));
            i += n;
        } else {
            appendHex(out, c);
            ++i;
        }
        ++chars;
    }
    return out;
}

} // namespace zz::value
