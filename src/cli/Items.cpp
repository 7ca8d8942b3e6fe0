#include "cli/Items.h"

#include "cli/Json.h"
#include "decode/Decode.h"
#include "value/Blanks.h"
#include "value/Decimal.h"
#include "value/Smd.h"
#include "value/Text.h"

namespace zz::cli {

using namespace zz::value;

namespace {

std::string percentText(char sign, const Decimal &p, std::string_view sep)
{
    return sign + fixedText(p, 2, sep) + " %";
}

void appendSeriesLines(std::vector<std::string> &lines, const Decimal &ohm, Series s, std::string_view sep)
{
    const auto in = seriesOf(ohm);
    std::string member = "Reihen: ";
    for (std::size_t i = 0; i < in.size(); ++i)
        member += std::string(i ? ", " : "") + std::string(seriesName(in[i]));
    lines.push_back(in.empty() ? "Reihen: keine" : member);
    const std::string name(seriesName(s));
    const auto n = nearest(ohm, s);
    if (!n)
        lines.push_back(name + ": 0 Ohm hat keinen Wert in der Reihe");
    else if (n->member)
        lines.push_back(name + ": " + ohmText(ohm, sep) + " ist ein Wert der Reihe");
    else
        lines.push_back(name + ": nächste Werte " + ohmText(n->below, sep) + " (" + percentText('-', n->belowPercent, sep) +
                        ") und " + ohmText(n->above, sep) + " (" + percentText('+', n->abovePercent, sep) + ")");
}

} // namespace

Outcome codeOutcome(const RingCode &code, const Options &o)
{
    Outcome out;
    const auto report = zz::value::report(code, o.sep);
    const CodeFacts f = facts(code);
    if (!o.json) {
        out.lines = report;
        if (o.series)
            appendSeriesLines(out.lines, f.ohm, *o.series, o.sep);
        return out;
    }
    std::string j = "{\"code\":" + jsonList(code.colours(), [](zz::decode::Colour c) {
        return jsonString(zz::decode::colourInfo(c).name);
    });
    j += ",\"ohm\":" + plainText(f.ohm);
    j += ",\"tolerance_percent\":" + plainText(f.tolerancePercent);
    j += ",\"min_ohm\":" + plainText(f.minOhm);
    j += ",\"max_ohm\":" + plainText(f.maxOhm);
    j += ",\"tempco_ppm\":" + (f.tempcoPpm ? std::to_string(*f.tempcoPpm) : std::string("null"));
    j += ",\"hint\":";
    j += f.hint == zz::decode::Hint::None ? "null" : f.hint == zz::decode::Hint::Unusual ? "\"unusual\"" : "\"nonexistent\"";
    j += ",\"standard_code\":" + (f.standardCode.empty() ? std::string("null") : jsonList(f.standardCode, jsonString));
    j += ",\"series\":" + jsonSeries(f.series);
    j += ",\"report\":" + jsonList(report, jsonString);
    if (o.series)
        j += ",\"nearest\":" + jsonNearest(f.ohm, *o.series);
    out.lines.push_back(j + '}');
    return out;
}

namespace {

Outcome valueItem(std::string_view text, const Options &o)
{
    const ParsedValue parsed = parseValue(text, o.sep);
    if (parsed.ambiguous)
        return {{}, parsed.error};
    if (!parsed.value)
        return {{}, "\"" + shownText(text) + "\": " + parsed.error};
    EncodeRequest request = o.request;
    request.ohm = *parsed.value;
    request.decimalSeparator = o.sep;
    const EncodeResult r = encode(request);
    if (r.code)
        return codeOutcome(*r.code, o);
    std::string error = r.reason;
    if (r.nearestBelow && r.nearestAbove)
        error += "; nächste darstellbare Werte: " + ohmText(*r.nearestBelow, o.sep) + " und " +
                 ohmText(*r.nearestAbove, o.sep);
    else if (r.nearestBelow || r.nearestAbove)
        error += "; nächster darstellbarer Wert: " + ohmText(r.nearestBelow ? *r.nearestBelow : *r.nearestAbove, o.sep);
    return {{}, error};
}

Outcome smdItem(std::string_view text, const Options &o)
{
    const ParsedSmd parsed = parseSmd(text);
    if (!parsed.smd)
        return {{}, "\"" + shownText(text) + "\": " + parsed.error};
    const SmdMarking &m = *parsed.smd;
    Outcome out;
    if (o.json) {
        std::string j = "{\"marking\":" + jsonString(m.marking);
        j += ",\"kind\":" + jsonString(smdKindName(m.kind));
        j += ",\"ohm\":" + plainText(m.ohm);
        j += ",\"tolerance_percent\":" + (m.tolerancePercent ? plainText(*m.tolerancePercent) : std::string("null"));
        j += ",\"series\":" + jsonSeries(seriesOf(m.ohm));
        if (o.series)
            j += ",\"nearest\":" + jsonNearest(m.ohm, *o.series);
        out.lines.push_back(j + '}');
        return out;
    }
    static constexpr std::string_view kKind[] = {"3 Ziffern", "4 Ziffern", "R als Komma", "EIA-96"};
    out.lines.push_back("Kennzeichnung: " + m.marking + " (" + std::string(kKind[static_cast<int>(m.kind)]) + ")");
    out.lines.push_back("Wert: " + ohmText(m.ohm, o.sep));
    if (m.tolerancePercent) // EIA-96 parts are 1 %, the first entry of the five-ring tolerance list
        out.lines.push_back("Toleranz: " + zz::decode::fiveRingTolerance(m.ohm.toDouble(), 0, o.sep));
    if (o.series)
        appendSeriesLines(out.lines, m.ohm, *o.series, o.sep);
    return out;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::vector<std::string_view> splitWords(std::string_view line)
{
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isSpace(line[i]))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && !isSpace(line[i]))
            ++i;
        if (i > start)
            words.push_back(line.substr(start, i - start));
    }
    return words;
}

} // namespace

Outcome colourItem(const std::vector<std::string_view> &names, const Options &o)
{
    const ParsedCode parsed = codeFromColours(names);
    if (!parsed.code)
        return {{}, parsed.error};
    return codeOutcome(*parsed.code, o);
}


Outcome runItem(std::string_view text, const Options &o)
{
    switch (o.mode) {
    case Mode::Value: return valueItem(text, o);
    case Mode::Smd: return smdItem(text, o);
    case Mode::Colours: break;
    }
    return colourItem(splitWords(text), o);
}

} // namespace zz::cli
