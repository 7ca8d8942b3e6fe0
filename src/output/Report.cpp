#include "output/Report.h"

namespace zz::output {

namespace {

std::string labelled(const std::string &caption, const std::string &text)
{
    std::string line;
    line.reserve(caption.size() + 1 + text.size());
    line += caption;
    line += ' ';
    line += text;
    return line;
}

std::string ringLine(std::string_view opening, const std::string &colour)
{
    std::string line;
    line.reserve(opening.size() + colour.size() + 1);
    line += opening;
    line += colour;
    line += ')';
    return line;
}

void appendResult(std::vector<std::string> &lines, const ResultView &view)
{
    lines.push_back(labelled(view.codeCaption, view.code));
    lines.push_back(labelled(view.wertCaption, view.wert));
    lines.push_back(labelled(view.toleranzCaption, view.toleranz));
}

void appendHints(std::vector<std::string> &lines, const ResultView &view)
{
    if (view.hintVisible)
        lines.push_back(labelled(view.hintCaption, view.hintText));
    if (view.standardVisible)
        lines.push_back(labelled(view.standardCaption, view.standard));
}

} // namespace

std::vector<std::string> fourRingReport(const FourRingView &view)
{
    std::vector<std::string> lines;
    lines.reserve(6);
    appendResult(lines, view);
    if (view.ring4Present)
        lines.push_back(ringLine("(4.Ring hat die Farbe: ", view.ring4Colour));
    else
        lines.emplace_back("(4.Ring ist nicht vorhanden)");
    appendHints(lines, view);
    return lines;
}

std::vector<std::string> fiveRingReport(const FiveRingView &view)
{
    std::vector<std::string> lines;
    lines.reserve(8);
    appendResult(lines, view);
    // Follows the check box, not the labels' visibility.
    if (view.ring6Present)
        lines.push_back(labelled(view.tempCaption, view.temp));
    lines.push_back(ringLine("(5.Ring hat die Farbe: ", view.ring5Colour));
    if (view.ring6Present)
        lines.push_back(ringLine("(6.Ring hat die Farbe: ", view.ring6Colour));
    else
        lines.emplace_back("(6.Ring ist nicht vorhanden)");
    appendHints(lines, view);
    return lines;
}

std::string joinLines(const std::vector<std::string> &lines, std::string_view lineEnd)
{
    std::size_t size = 0;
    for (const auto &line : lines)
        size += line.size() + lineEnd.size();
    std::string out;
    out.reserve(size);
    for (const auto &line : lines) {
        out += line;
        out += lineEnd;
    }
    return out;
}

} // namespace zz::output
