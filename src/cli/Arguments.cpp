#include "cli/Arguments.h"

#include "cli/Run.h"
#include "value/Decimal.h"
#include "value/Text.h"

#include <iostream>
#include <string>

namespace zz::cli {

using namespace zz::value;

namespace {

constexpr std::string_view kHelp =
    "Aufruf: zedezedidor-decode [--reihe REIHE] [--json] FARBE1 FARBE2 FARBE3 [FARBE4 [FARBE5 [FARBE6]]]\n"
    "        zedezedidor-decode --wert WERT [--ringe 4|5|6] [--toleranz PROZENT] [--tk PPM]\n"
    "                           [--reihe REIHE] [--json]\n"
    "        zedezedidor-decode --smd KENNZEICHNUNG [--reihe REIHE] [--json]\n"
    "        zedezedidor-decode [--wert | --smd] [Optionen] < eingabe.txt\n"
    "        zedezedidor-decode --foto DATEI [DATEI...] [--reihe REIHE] [--json]\n"
    "\n"
    "Entschlüsselt den Farbcode eines Widerstands und gibt den Bericht aus,\n"
    "den das Programmfenster nach Wahl dieser Ringe zeigt.\n"
    "\n"
    "  3 oder 4 Farben   wie im Fenster für 4 Ringe (3 = ohne 4. Ring)\n"
    "  5 oder 6 Farben   wie im Fenster für 5/6 Ringe (5 = ohne 6. Ring)\n"
    "\n"
    "Groß- und Kleinschreibung zählt nicht; \"Weiss\" und \"Gruen\" gelten für\n"
    "\"Weiß\" und \"Grün\". Das Dezimalzeichen folgt den Ländereinstellungen\n"
    "(LC_ALL, LC_NUMERIC, LANG).\n"
    "\n"
    "  --wert WERT        sucht den Farbcode eines Werts und gibt genau den Bericht\n"
    "                     dieses Codes aus. Werte: 470, 0,47, 4.7k, 4,7 kOhm, 2,2 MΩ,\n"
    "                     4k7, 1M5, 4R7, R47, 47R (Vorsatz m, k, K, M, G).\n"
    "                     Ein Komma oder Punkt, der nicht das Dezimalzeichen ist,\n"
    "                     vor genau drei Ziffern ist mehrdeutig (4.700: 4,7 Ohm\n"
    "                     oder 4,7 kOhm?) und wird abgewiesen.\n"
    "                     Vier Ringe, wenn der Wert mit zwei Ziffern geht, sonst fünf.\n"
    "  --ringe 4|5|6      Ringzahl vorgeben\n"
    "  --toleranz PROZENT 4 Ringe: 1, 2, 5 (Vorgabe), 10, 20 (ohne 4. Ring);\n"
    "                     5/6 Ringe: 0,05, 0,1, 0,25, 0,5, 1 (Vorgabe), 2, 5, 10\n"
    "  --tk PPM           Temperaturkoeffizient 200, 100, 50, 25, 15, 10 oder 5;\n"
    "                     ergibt sechs Ringe (6 Ringe ohne --tk: 100 ppm/K)\n"
    "  --reihe REIHE      E3, E6, E12, E24, E48, E96 oder E192: in welchen Reihen der\n"
    "                     Wert steht und die nächsten Werte der Reihe darunter und\n"
    "                     darüber, mit der Abweichung in Prozent\n"
    "  --smd KENNZ.       SMD-Kennzeichnung: 472, 4702, 4R7, R47, 0R oder EIA-96\n"
    "                     (01C; 01-96 und Z, Y/R, X/S, A, B/H, C, D, E, F, 1 %;\n"
    "                     zwei Ziffern und R gelten als EIA-96)\n"
    "  --foto DATEI...    liest die Farbringe aus Fotos (JPEG, PNG und was Qts\n"
    "                     Bildformate lesen): je Datei die Ringe, wie sicher das\n"
    "                     Programm ist, den Bericht und, wenn es unsicher ist, die\n"
    "                     anderen möglichen Codes. Mit --json je Datei ein Objekt mit\n"
    "                     \"file\", \"code\", \"confidence\", \"candidates\" und den\n"
    "                     übrigen Angaben des Codes, oder \"file\" und \"error\"\n"
    "  --json             je Ergebnis ein JSON-Objekt in einer Zeile (JSON Lines);\n"
    "                     von der Standardeingabe eines je Zeile, mit \"input\"\n"
    "                     (die Zeile), bei einer falschen Zeile mit \"error\" und\n"
    "                     \"line\" statt des Ergebnisses\n"
    "  --help             diese Hilfe\n"
    "  --version          Versionsnummer\n"
    "\n"
    "Ohne Farben liest das Programm Codes von der Standardeingabe, einen je Zeile,\n"
    "die Farben durch Leerraum getrennt; leere Zeilen werden übersprungen.\n"
    "--wert oder --smd ohne Argument lesen ebenso einen Wert oder eine\n"
    "Kennzeichnung je Zeile. Zeilen enden mit LF, CR LF oder CR; eine Zeile mit\n"
    "mehr als 4096 Bytes gilt als falsch und wird übersprungen.\n"
    "\n"
    "Beispiele:\n"
    "  zedezedidor-decode Gelb Violett Rot Gold\n"
    "  zedezedidor-decode --wert 4k7\n"
    "  zedezedidor-decode --wert \"4,5 kOhm\" --reihe E24\n"
    "  zedezedidor-decode --wert 10,2k --toleranz 0,5 --tk 50\n"
    "  zedezedidor-decode --smd 01C --json\n"
    "  zedezedidor-decode --foto widerstand.jpg\n"
    "  printf '4k7\\n1M5\\n' | zedezedidor-decode --wert --json\n"
    "\n"
    "Rückgabewert: 0 bei Erfolg, 2 bei falschen Angaben auf der Befehlszeile,\n"
    "1 wenn eine Zeile der Standardeingabe falsch war oder nicht gelesen werden konnte\n"
    "oder ein Foto keinen Code ergab.\n";

// The longest ppm/K number taken; anything longer is no coefficient.
constexpr std::size_t kMaxTempcoDigits = 6;

// Walks the arguments: "--opt=x" or "--opt x"; an argument is anything not
// starting with "--".
class Cursor final
{
public:
    explicit Cursor(const std::vector<std::string_view> &args) : m_args(args) {}

    bool next()
    {
        if (++m_index >= m_args.size())
            return false;
        arg = name = m_args[m_index];
        attached.reset();
        if (arg.starts_with("--")) {
            if (const auto eq = arg.find('='); eq != std::string_view::npos) {
                name = arg.substr(0, eq);
                attached = arg.substr(eq + 1);
            }
        }
        return true;
    }

    // The option's argument: attached, or the next one unless that is an option.
    std::optional<std::string_view> takeArgument()
    {
        if (attached)
            return attached;
        if (m_index + 1 < m_args.size() && !m_args[m_index + 1].starts_with("--"))
            return m_args[++m_index];
        return std::nullopt;
    }

    std::string_view arg;
    std::string_view name;
    std::optional<std::string_view> attached;

private:
    const std::vector<std::string_view> &m_args;
    std::size_t m_index = std::size_t(-1);
};

std::optional<int> takeSeries(std::optional<std::string_view> v, Options &o)
{
    if (!v)
        return usage("--reihe braucht eine Reihe: E3, E6, E12, E24, E48, E96 oder E192");
    o.series = seriesFromName(*v);
    if (!o.series)
        return usage("Reihe \"" + shownText(*v) + "\" gibt es nicht; möglich: E3, E6, E12, E24, E48, E96, E192");
    return std::nullopt;
}

std::optional<int> takeRings(std::optional<std::string_view> v, Options &o)
{
    if (!v || (*v != "4" && *v != "5" && *v != "6"))
        return usage("--ringe braucht 4, 5 oder 6");
    o.request.rings = (*v)[0] - '0';
    return std::nullopt;
}

std::optional<int> takeTolerance(std::optional<std::string_view> v, Options &o)
{
    const auto p = v ? parsePercent(*v) : std::nullopt;
    if (!p)
        return usage("--toleranz braucht eine Prozentzahl wie 5 oder 0,5");
    o.request.tolerancePercent = p;
    return std::nullopt;
}

std::optional<int> takeTempco(std::optional<std::string_view> v, Options &o)
{
    std::string_view t = v.value_or("");
    for (std::string_view unit : {"ppm/K", "ppm"})
        if (t.ends_with(unit)) {
            t.remove_suffix(unit.size());
            break;
        }
    while (t.ends_with(' '))
        t.remove_suffix(1);
    const bool digits =
        !t.empty() && t.size() <= kMaxTempcoDigits && t.find_first_not_of("0123456789") == std::string_view::npos;
    if (!digits)
        return usage("--tk braucht ppm/K als ganze Zahl: 200, 100, 50, 25, 15, 10 oder 5");
    o.request.tempcoPpm = std::stoi(std::string(t));
    return std::nullopt;
}

// --wert, --smd, --ringe, --toleranz, --tk.
std::optional<int> takeValueOption(Cursor &cursor, CommandLine &line)
{
    Options &o = line.options;
    if (cursor.name == "--wert" || cursor.name == "--smd") {
        if (line.modeGiven)
            return usage("--wert und --smd nur einmal und nicht zusammen");
        line.modeGiven = true;
        o.mode = cursor.name == "--wert" ? Mode::Value : Mode::Smd;
        if (const auto v = cursor.takeArgument())
            o.item = std::string(*v);
        return std::nullopt;
    }
    line.valueOptions = true;
    if (cursor.name == "--ringe")
        return takeRings(cursor.takeArgument(), o);
    if (cursor.name == "--toleranz")
        return takeTolerance(cursor.takeArgument(), o);
    return takeTempco(cursor.takeArgument(), o);
}

bool isValueOption(std::string_view name)
{
    return name == "--wert" || name == "--smd" || name == "--ringe" || name == "--toleranz" || name == "--tk";
}

} // namespace

std::optional<int> parseArguments(const std::vector<std::string_view> &args, CommandLine &line)
{
    Options &o = line.options;
    Cursor cursor(args);
    while (cursor.next()) {
        const std::string_view name = cursor.name;
        std::optional<int> status;
        if (name == "--help" || name == "-h") {
            std::cout << kHelp;
            return finish(0);
        }
        if (name == "--version") {
            std::cout << kProgram << " " ZZ_VERSION "\n";
            return finish(0);
        }
        if (name == "--json")
            o.json = true;
        else if (isValueOption(name))
            status = takeValueOption(cursor, line);
        else if (name == "--foto")
            o.foto = true;
        else if (name == "--reihe")
            status = takeSeries(cursor.takeArgument(), o);
        else if (cursor.arg.size() > 1 && cursor.arg[0] == '-')
            return usage("unbekannte Option \"" + shownText(cursor.arg) + "\"");
        else
            o.colours.push_back(cursor.arg);
        if (status)
            return status;
    }
    return std::nullopt;
}

} // namespace zz::cli
