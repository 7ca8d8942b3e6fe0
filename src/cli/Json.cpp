#include "cli/Json.h"

#include "value/Text.h"

#include <cstdio>

namespace zz::cli {

using namespace zz::value;

namespace {

// JSON writes the control characters below this as \u escapes.
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kFirstNonAscii = 0x80;

} // namespace

std::string jsonString(std::string_view s)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size();) {
        const char ch = s[i];
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < kFirstPrintable) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else if (c < kFirstNonAscii) {
            out += ch;
        } else if (const std::size_t n = zz::value::sequenceLength(s, i)) {
            out.append(s.substr(i, n));
            i += n;
            continue;
        } else {
            out += "\uFFFD";
        }
        ++i;
    }
    return out + '"';
}

std::string jsonSeries(const std::vector<Series> &series)
{
    return jsonList(series, [](Series s) { return jsonString(seriesName(s)); });
}

std::string jsonNearest(const Decimal &ohm, Series s)
{
    const auto n = nearest(ohm, s);
    return "{\"series\":" + jsonString(seriesName(s)) + ",\"below\":" + (n ? plainText(n->below) : "null") +
           ",\"above\":" + (n ? plainText(n->above) : "null") + '}';
}

} // namespace zz::cli
