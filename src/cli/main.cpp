// zedezedidor-decode: decodes colour codes on the command line or from
// standard input and prints the report the decoder windows would hold.

#include <cstdio>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QLocale>
#include <QString>

#include "decode/Decode.h"
#include "output/Report.h"

namespace {

using namespace zz::decode;

constexpr std::string_view kProgram = "zedezedidor-decode";

constexpr std::string_view kHelp =
    "Aufruf: zedezedidor-decode FARBE1 FARBE2 FARBE3 [FARBE4 [FARBE5 [FARBE6]]]\n"
    "        zedezedidor-decode < codes.txt\n"
    "\n"
    "Entschlüsselt den Farbcode eines Widerstands und gibt den Bericht aus,\n"
    "den das Programmfenster nach Wahl dieser Ringe zeigt.\n"
    "\n"
    "  3 oder 4 Farben   wie im Fenster für 4 Ringe (3 = ohne 4. Ring)\n"
    "  5 oder 6 Farben   wie im Fenster für 5/6 Ringe (5 = ohne 6. Ring)\n"
    "\n"
    "Ohne Farben liest das Programm Codes von der Standardeingabe, einen je Zeile,\n"
    "die Farben durch Leerzeichen getrennt; leere Zeilen werden übersprungen.\n"
    "Groß- und Kleinschreibung zählt nicht; \"Weiss\" und \"Gruen\" gelten für\n"
    "\"Weiß\" und \"Grün\". Das Dezimalzeichen folgt den Ländereinstellungen\n"
    "(LC_ALL, LC_NUMERIC, LANG).\n"
    "\n"
    "  --help      diese Hilfe\n"
    "  --version   Versionsnummer\n"
    "\n"
    "Rückgabewert: 0 bei Erfolg, 2 bei falschen Farben auf der Befehlszeile,\n"
    "1 wenn eine Zeile der Standardeingabe falsch war.\n";

struct Ring {
    std::string_view name;          // "Ring 3", used in error messages
    std::span<const Colour> offers; // its list
};

// Either the report lines or the one-line reason why there are none.
struct Outcome {
    std::vector<std::string> lines;
    std::string error;
};

std::string offerList(std::span<const Colour> list)
{
    std::string out;
    for (Colour c : list) {
        if (!out.empty())
            out += ", ";
        out += colourInfo(c).name;
    }
    return out;
}

std::string ringName(int index)
{
    return "Ring " + std::to_string(index + 1);
}

// Resolves every colour against its ring's list; fills positions or error.
bool resolve(const std::vector<std::string_view> &names, std::vector<int> &positions,
             std::string &error)
{
    const bool fourRing = names.size() <= 4;
    const std::span<const Colour> rings4[] = {baseList(), baseList(), multiplierList(),
                                              fourRingToleranceList()};
    const std::span<const Colour> rings6[] = {baseList(), baseList(), baseList(),
                                              multiplierList(), fiveRingToleranceList(),
                                              temperatureList()};
    for (std::size_t i = 0; i < names.size(); ++i) {
        const auto list = fourRing ? rings4[i] : rings6[i];
        const std::string ring = ringName(static_cast<int>(i));
        const auto colour = colourFromName(names[i]);
        if (!colour) {
            error = ring + ": unbekannte Farbe \"" + std::string(names[i]) + "\"; " + ring +
                    " bietet: " + offerList(list);
            return false;
        }
        const auto position = positionIn(list, *colour);
        if (!position) {
            error = ring + ": \"" + std::string(colourInfo(*colour).name) + "\" gibt es hier nicht; " +
                    ring + " bietet: " + offerList(list);
            return false;
        }
        positions.push_back(*position);
    }
    return true;
}

// What the window's result labels hold after the user picked these rings.
void fillResult(const CodeResult &r, std::string tolerance, zz::output::ResultView &v)
{
    v.codeCaption = "Farbcode:";
    v.code = r.code;
    v.wertCaption = "Wert:";
    v.wert = r.valueText;
    v.toleranzCaption = "Toleranz:";
    v.toleranz = std::move(tolerance);
    v.hintCaption = "Hinweis:";
    v.hintVisible = r.hint != Hint::None;
    v.hintText = r.hint == Hint::NonExistent ? kNonExistentText : kUnusualText;
    v.standardCaption = "Standardcode:";
    v.standardVisible = r.hint == Hint::Unusual;
    v.standard = r.standardCode;
}

Outcome decode(const std::vector<std::string_view> &names, std::string_view sep)
{
    Outcome out;
    if (names.size() < 3 || names.size() > 6) {
        out.error = "3 bis 6 Farben erwartet, " + std::to_string(names.size()) + " erhalten";
        return out;
    }
    std::vector<int> p;
    if (!resolve(names, p, out.error))
        return out;

    if (names.size() <= 4) {
        const CodeResult r = evaluateFourRing(p[0], p[1], p[2], sep);
        zz::output::FourRingView v;
        v.ring4Present = names.size() == 4;
        fillResult(r, fourRingTolerance(r.value, v.ring4Present, v.ring4Present ? p[3] : 0, sep), v);
        if (v.ring4Present)
            v.ring4Colour = colourInfo(fourRingToleranceList()[static_cast<std::size_t>(p[3])]).name;
        out.lines = zz::output::fourRingReport(v);
    } else {
        const CodeResult r = evaluateFiveRing(p[0], p[1], p[2], p[3], sep);
        zz::output::FiveRingView v;
        fillResult(r, fiveRingTolerance(r.value, p[4], sep), v);
        v.ring5Colour = colourInfo(fiveRingToleranceList()[static_cast<std::size_t>(p[4])]).name;
        v.ring6Present = names.size() == 6;
        v.tempCaption = "Änderung je 1°C:";
        if (v.ring6Present) {
            v.temp = temperatureLine(r.value, p[5], sep);
            v.ring6Colour = colourInfo(temperatureList()[static_cast<std::size_t>(p[5])]).name;
        }
        out.lines = zz::output::fiveRingReport(v);
    }
    return out;
}

std::vector<std::string_view> splitBlanks(std::string_view line)
{
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
            ++i;
        if (i > start)
            words.push_back(line.substr(start, i - start));
    }
    return words;
}

void printLines(const std::vector<std::string> &lines)
{
    std::cout << zz::output::joinLines(lines, "\n");
}

// A report that never reached its reader must not end in success.
int finish(int status)
{
    std::cout.flush();
    if (!std::cout) {
        std::cerr << kProgram << ": Ausgabe fehlgeschlagen\n";
        return status == 0 ? 1 : status;
    }
    return status;
}

int decodeStream(std::string_view sep)
{
    int status = 0;
    bool printed = false;
    std::string line;
    long lineNumber = 0;
    while (std::getline(std::cin, line)) {
        ++lineNumber;
        const auto words = splitBlanks(line);
        if (words.empty())
            continue;
        const Outcome outcome = decode(words, sep);
        if (!outcome.error.empty()) {
            std::cout.flush(); // keep stderr and stdout in input order when both go to one place
            std::cerr << kProgram << ": Zeile " << lineNumber << ": " << outcome.error << '\n';
            status = 1;
            continue;
        }
        if (printed)
            std::cout << '\n';
        printLines(outcome.lines);
        printed = true;
    }
    return finish(status);
}

} // namespace

int main(int argc, char *argv[])
{
    std::ios::sync_with_stdio(false);

    std::vector<std::string_view> colours;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kHelp;
            return finish(0);
        }
        if (arg == "--version") {
            std::cout << kProgram << " 2.0\n";
            return finish(0);
        }
        if (arg.size() > 1 && arg[0] == '-') {
            std::cerr << kProgram << ": unbekannte Option \"" << arg << "\" (siehe --help)\n";
            return 2;
        }
        colours.push_back(arg);
    }

    // The windows take the separator from the regional settings the same way.
    const std::string sep = QLocale::system().decimalPoint().toStdString();

    if (colours.empty())
        return decodeStream(sep);

    const Outcome outcome = decode(colours, sep);
    if (!outcome.error.empty()) {
        std::cerr << kProgram << ": " << outcome.error << '\n';
        return 2;
    }
    printLines(outcome.lines);
    return finish(0);
}
