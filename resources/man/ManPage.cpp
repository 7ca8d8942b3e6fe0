// Writes the German manual page of zedezedidor-decode from its --help text,
// so every option the program knows is in the page; examples and "see also"
// come from a hand-written troff file appended at the end.
//   zz_manpage PROGRAM EXTRA.troff OUTPUT.1 DATE VERSION

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string escaped(const std::string &text)
{
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\''))
        out.insert(0, "\\&");
    return out;
}

std::string trimmed(const std::string &s)
{
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::size_t indent(const std::string &s)
{
    const auto first = s.find_first_not_of(' ');
    return first == std::string::npos ? s.size() : first;
}

// "  --wert OHM   text": the term and the text after the first run of two blanks.
bool splitEntry(const std::string &line, std::string &term, std::string &text)
{
    const std::string body = trimmed(line);
    const auto gap = body.find("  ");
    term = trimmed(body.substr(0, gap));
    text = gap == std::string::npos ? std::string() : trimmed(body.substr(gap));
    return !term.empty();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 6) {
        std::cerr << "usage: zz_manpage PROGRAM EXTRA.troff OUTPUT.1 DATE VERSION\n";
        return 2;
    }
    const std::string program = argv[1];
    std::string help;
    {
        FILE *pipe = popen(("'" + program + "' --help").c_str(), "r");
        if (!pipe) {
            std::cerr << "zz_manpage: cannot run " << program << "\n";
            return 1;
        }
        char buffer[4096];
        std::size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            help.append(buffer, n);
        if (pclose(pipe) != 0 || help.empty()) {
            std::cerr << "zz_manpage: " << program << " --help failed\n";
            return 1;
        }
    }

    // Paragraphs of the help text, split at empty lines.
    std::vector<std::vector<std::string>> paragraphs(1);
    std::istringstream lines(help);
    for (std::string line; std::getline(lines, line);) {
        if (trimmed(line).empty()) {
            if (!paragraphs.back().empty())
                paragraphs.emplace_back();
        } else {
            paragraphs.back().push_back(line);
        }
    }
    if (paragraphs.back().empty())
        paragraphs.pop_back();

    std::ostringstream synopsis, description, options, exitStatus;
    for (const auto &paragraph : paragraphs) {
        const std::string first = trimmed(paragraph.front());
        if (first.rfind("Aufruf:", 0) == 0) {
            for (const std::string &line : paragraph) {
                std::string call = trimmed(line);
                if (call.rfind("Aufruf:", 0) == 0)
                    call = trimmed(call.substr(7));
                const auto space = call.find(' ');
                synopsis << ".B " << escaped(call.substr(0, space)) << "\n";
                if (space != std::string::npos)
                    synopsis << escaped(trimmed(call.substr(space))) << "\n";
                synopsis << ".br\n";
            }
        } else if (first.rfind("Rückgabewert:", 0) == 0) {
            exitStatus << ".PP\n";
            bool head = true;
            for (const std::string &line : paragraph) {
                exitStatus << escaped(head ? trimmed(trimmed(line).substr(std::string("Rückgabewert:").size()))
                                           : trimmed(line))
                           << "\n";
                head = false;
            }
        } else if (indent(paragraph.front()) > 0) {
            // A table: options, or terms with their meaning.
            std::ostringstream &out = first[0] == '-' ? options : description;
            std::size_t entryIndent = indent(paragraph.front());
            for (const std::string &line : paragraph) {
                std::string term, text;
                if (indent(line) <= entryIndent && splitEntry(line, term, text)) {
                    entryIndent = indent(line);
                    out << ".TP\n" << (term[0] == '-' ? ".B " : "") << escaped(term) << "\n";
                    if (!text.empty())
                        out << escaped(text) << "\n";
                } else {
                    out << escaped(trimmed(line)) << "\n";
                }
            }
        } else {
            description << ".PP\n";
            for (const std::string &line : paragraph)
                description << escaped(trimmed(line)) << "\n";
        }
    }

    std::ofstream page(argv[3], std::ios::binary);
    page << ".\\\" Erzeugt aus \"zedezedidor-decode --help\"; nicht von Hand ändern.\n"
         << ".TH ZEDEZEDIDOR-DECODE 1 \"" << argv[4] << "\" \"Zedezedidor " << argv[5]
         << "\" \"Benutzerbefehle\"\n"
         << ".SH BEZEICHNUNG\n"
         << "zedezedidor-decode \\- Farbcodes von Widerständen auf der Befehlszeile entschlüsseln\n"
         << ".SH ÜBERSICHT\n" << synopsis.str()
         << ".SH BESCHREIBUNG\n" << description.str();
    if (!options.str().empty())
        page << ".SH OPTIONEN\n" << options.str();
    if (!exitStatus.str().empty())
        page << ".SH RÜCKGABEWERT\n" << exitStatus.str();
    std::ifstream extra(argv[2], std::ios::binary);
    if (!extra) {
        std::cerr << "zz_manpage: cannot read " << argv[2] << "\n";
        return 1;
    }
    page << extra.rdbuf();
    return page.good() ? 0 : 1;
}
