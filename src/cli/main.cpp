// zedezedidor-decode: decodes colour codes, finds the colour code of a value
// and reads SMD markings, on the command line or line by line from standard
// input; prints the report the decoder windows would hold, or JSON Lines.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include <QFileInfo>
#include <QLibrary>
#include <QLocale>
#include <QtGlobal>
#include <QString>

#include "cli/LineReader.h"
#include "photomodule/PhotoModule.h"
#include "output/Report.h"
#include "value/Blanks.h"
#include "value/Code.h"
#include "value/Decimal.h"
#include "value/ESeries.h"
#include "value/Smd.h"
#include "value/Text.h"

namespace {

using namespace zz::value;

constexpr std::string_view kProgram = "zedezedidor-decode";

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

enum class Mode { Colours, Value, Smd };

struct Options {
    Mode mode = Mode::Colours;
    std::optional<std::string> item;        // --wert / --smd argument
    std::vector<std::string_view> colours;
    std::optional<Series> series;
    bool json = false;
    bool foto = false;                      // --foto: the arguments are photo files
    EncodeRequest request;                  // rings, tolerance, tempco
    std::string sep;
};

// Either the output of one item or the one-line reason why there is none.
struct Outcome {
    std::vector<std::string> lines;         // text lines, or one JSON line
    std::string error;
};

// --- JSON ----------------------------------------------------------------

// Input lines are echoed as read, so bytes that are not UTF-8 become U+FFFD:
// the line must stay valid JSON.
std::string jsonString(std::string_view s)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size();) {
        const char ch = s[i];
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else if (c < 0x80) {
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

template <typename List, typename Fn>
std::string jsonList(const List &list, Fn &&item)
{
    std::string out = "[";
    for (const auto &x : list) {
        if (out.size() > 1)
            out += ',';
        out += item(x);
    }
    return out + ']';
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

// --- text ----------------------------------------------------------------

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

// --- one item --------------------------------------------------------------

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

Outcome colourItem(const std::vector<std::string_view> &names, const Options &o)
{
    const ParsedCode parsed = codeFromColours(names);
    if (!parsed.code)
        return {{}, parsed.error};
    return codeOutcome(*parsed.code, o);
}

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

// --- running ---------------------------------------------------------------

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

Outcome runItem(std::string_view text, const Options &o)
{
    switch (o.mode) {
    case Mode::Value: return valueItem(text, o);
    case Mode::Smd: return smdItem(text, o);
    case Mode::Colours: break;
    }
    return colourItem(splitWords(text), o);
}

void print(const Outcome &outcome, bool &printed, const Options &o)
{
    if (printed && !o.json)
        std::cout << '\n';
    std::cout << zz::output::joinLines(outcome.lines, "\n");
    printed = true;
}

// In a JSON batch every line gets its object, so a script can pair answers
// with questions: the answer with the line in front, or the refusal instead.
std::string withInput(const std::string &object, std::string_view input)
{
    return "{\"input\":" + jsonString(input) + ',' + object.substr(1);
}

void printRefusal(std::optional<std::string_view> input, long number, std::string_view message)
{
    std::cout << "{\"input\":" << (input ? jsonString(*input) : std::string("null"))
              << ",\"error\":" << jsonString(message) << ",\"line\":" << number << "}\n";
}

void lineError(long number, std::string_view message)
{
    std::cout.flush(); // keep stderr and stdout in input order when both go to one place
    std::cerr << kProgram << ": Zeile " << number << ": " << message << '\n';
}

int runStream(const Options &o)
{
    zz::cli::LineReader reader(STDIN_FILENO);
    int status = 0;
    bool printed = false;
    std::string line;
    for (;;) {
        const auto got = reader.next(line);
        if (got == zz::cli::LineReader::Status::End)
            break;
        if (got == zz::cli::LineReader::Status::Error) {
            std::cout.flush();
            std::cerr << kProgram << ": Standardeingabe nicht lesbar: " << std::strerror(reader.errorNumber()) << '\n';
            finish(1);
            return 1;
        }
        if (got == zz::cli::LineReader::Status::TooLong) {
            // The line was not kept, so there is nothing to echo.
            const std::string message = "länger als " + std::to_string(reader.maxLine()) + " Bytes, übersprungen";
            if (o.json)
                printRefusal(std::nullopt, reader.lineNumber(), message);
            lineError(reader.lineNumber(), message);
            status = 1;
            continue;
        }
        if (trimmedBlanks(line).empty())
            continue;
        Outcome outcome = runItem(line, o);
        if (!outcome.error.empty()) {
            if (o.json)
                printRefusal(line, reader.lineNumber(), outcome.error);
            lineError(reader.lineNumber(), outcome.error);
            status = 1;
            continue;
        }
        if (o.json)
            outcome.lines.front() = withInput(outcome.lines.front(), line);
        print(outcome, printed, o);
    }
    return finish(status);
}

// --- photos ----------------------------------------------------------------

// Below this the reading counts as unsure and the other codes are shown.
constexpr double kSureReading = 0.85;

std::string confidenceJson(double c)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", c);
    std::string s(buf);
    while (s.size() > 1 && s.back() == '0')
        s.pop_back();
    if (s.back() == '.')
        s.pop_back();
    return s;
}

std::string confidencePercent(double c)
{
    return std::to_string(static_cast<int>(c * 100 + 0.5)) + " %";
}

std::string colourList(const std::vector<zz::decode::Colour> &colours)
{
    std::string s;
    for (const auto c : colours)
        s += (s.empty() ? "" : " - ") + std::string(zz::decode::colourInfo(c).name);
    return s;
}

// libpng reports broken files straight on stderr, past Qt's message handler;
// the file's one message says it better.
class QuietStderr final
{
public:
    QuietStderr()
    {
        std::cerr.flush();
        std::fflush(stderr);
        m_saved = dup(STDERR_FILENO);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (m_saved >= 0 && null >= 0)
            dup2(null, STDERR_FILENO);
        if (null >= 0)
            close(null);
    }
    ~QuietStderr()
    {
        std::fflush(stderr);
        if (m_saved >= 0) {
            dup2(m_saved, STDERR_FILENO);
            close(m_saved);
        }
    }
    QuietStderr(const QuietStderr &) = delete;
    QuietStderr &operator=(const QuietStderr &) = delete;

private:
    int m_saved = -1;
};

// The photo reader's module, loaded only for --foto so that decoding colours
// does not pay for the image libraries at every start. It lies beside this
// program in the build tree and in the program folder when installed.
const zz::photo::ModuleApi *photoModule(std::string &error)
{
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QString dir = QFileInfo(self).absolutePath();
    for (const QString &candidate : {dir + QStringLiteral("/zedezedidor-photo.so"),
                                     dir + QStringLiteral("/" ZZ_PROGRAM_FROM_BIN "/zedezedidor-photo.so")}) {
        if (!QFileInfo::exists(candidate))
            continue;
        static QLibrary library;   // stays loaded until the program ends
        library.setFileName(candidate);
        const auto entry = reinterpret_cast<zz::photo::ModuleEntry>(library.resolve(zz::photo::kModuleEntry));
        const zz::photo::ModuleApi *api = entry ? entry() : nullptr;
        if (api && api->version == zz::photo::kModuleVersion)
            return api;
        error = "die Fotoerkennung " + candidate.toStdString() + " passt nicht zu diesem Programm";
        return nullptr;
    }
    error = "die Fotoerkennung (zedezedidor-photo.so) fehlt";
    return nullptr;
}

// One photo: the rings and the report of the likeliest code, or the reason
// there is none.
Outcome fotoItem(const zz::photo::ModuleApi &reader, const std::string &file, const Options &o)
{
    zz::photo::Reading reading;
    {
        const QuietStderr quiet;
        reading = reader.readFile(QString::fromLocal8Bit(file.c_str()));
    }
    if (!reading.found || reading.candidates.empty()) {
        const std::string why = reading.error.isEmpty() ? std::string("Auf dem Foto wurde kein Widerstand gefunden.")
                                                        : reading.error.toStdString();
        return {{}, why};
    }
    const zz::photo::Candidate &best = reading.candidates.front();
    Outcome code = codeOutcome(best.code, o);
    if (o.json) {
        std::string j = "{\"file\":" + jsonString(file) + ',' + code.lines.front().substr(1);
        j.pop_back();
        j += ",\"confidence\":" + confidenceJson(best.confidence);
        j += ",\"candidates\":" + jsonList(reading.candidates, [](const zz::photo::Candidate &c) {
            return "{\"code\":" + jsonList(c.colours, [](zz::decode::Colour k) {
                return jsonString(zz::decode::colourInfo(k).name);
            }) + ",\"confidence\":" + confidenceJson(c.confidence) + '}';
        });
        return {{j + '}'}, {}};
    }
    Outcome out;
    out.lines.push_back("Foto: " + file);
    out.lines.push_back("Ringe: " + colourList(best.colours) + " (Sicherheit " + confidencePercent(best.confidence) + ")");
    out.lines.insert(out.lines.end(), code.lines.begin(), code.lines.end());
    if (best.confidence < kSureReading) {
        for (std::size_t i = 0; i < reading.rings.size() && i < best.colours.size(); ++i) {
            const auto &chances = reading.rings[i].chances;
            if (chances.empty() || chances.front().probability >= 0.8)
                continue;
            for (const auto &c : chances)
                if (c.colour != best.colours[i]) {
                    out.lines.push_back("Ring " + std::to_string(i + 1) + ": " +
                                        std::string(zz::decode::colourInfo(best.colours[i]).name) + " oder " +
                                        std::string(zz::decode::colourInfo(c.colour).name) + "?");
                    break;
                }
        }
        if (reading.candidates.size() > 1) {
            out.lines.push_back("Andere mögliche Codes:");
            for (std::size_t i = 1; i < reading.candidates.size() && i < 6; ++i)
                out.lines.push_back("  " + colourList(reading.candidates[i].colours) + " (" +
                                    confidencePercent(reading.candidates[i].confidence) + ")");
        }
    }
    return out;
}

// Every photo in order; a photo without a code is reported and the others
// still read.
int runFotos(const std::vector<std::string_view> &files, const Options &o)
{
    // The image plugins' own complaints ("libpng error: ...", "Corrupt JPEG
    // data") would stand beside the one message each file gets.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    std::string why;
    static const zz::photo::ModuleApi *reader = photoModule(why);
    if (!reader) {
        std::cerr << kProgram << ": " << why << '\n';
        return 1;
    }
    int status = 0;
    bool printed = false;
    for (const std::string_view f : files) {
        const std::string file(f);
        const Outcome outcome = fotoItem(*reader, file, o);
        if (!outcome.error.empty()) {
            status = 1;
            if (o.json) {
                print({{"{\"file\":" + jsonString(file) + ",\"error\":" + jsonString(outcome.error) + '}'}, {}},
                      printed, o);
            } else {
                std::cout.flush();
                std::cerr << kProgram << ": " << file << ": " << outcome.error << '\n';
            }
            continue;
        }
        print(outcome, printed, o);
    }
    return finish(status);
}

int usage(const std::string &message)
{
    std::cerr << kProgram << ": " << message << " (siehe --help)\n";
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    std::ios::sync_with_stdio(false);

    Options o;
    bool valueOptions = false;
    bool modeGiven = false;
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        // "--opt=x" or "--opt x"; an argument is anything not starting with "--".
        std::string_view name = arg;
        std::optional<std::string_view> attached;
        if (arg.starts_with("--")) {
            if (const auto eq = arg.find('='); eq != std::string_view::npos) {
                name = arg.substr(0, eq);
                attached = arg.substr(eq + 1);
            }
        }
        const auto takeArgument = [&](bool optional) -> std::optional<std::string_view> {
            if (attached)
                return attached;
            if (i + 1 < args.size() && !args[i + 1].starts_with("--"))
                return args[++i];
            if (!optional)
                return std::nullopt;
            return std::nullopt;
        };

        if (name == "--help" || name == "-h") {
            std::cout << kHelp;
            return finish(0);
        }
        if (name == "--version") {
            std::cout << kProgram << " " ZZ_VERSION "\n";
            return finish(0);
        }
        if (name == "--json") {
            o.json = true;
        } else if (name == "--wert" || name == "--smd") {
            if (modeGiven)
                return usage("--wert und --smd nur einmal und nicht zusammen");
            modeGiven = true;
            o.mode = name == "--wert" ? Mode::Value : Mode::Smd;
            if (const auto v = takeArgument(true))
                o.item = std::string(*v);
        } else if (name == "--foto") {
            o.foto = true;
        } else if (name == "--reihe") {
            const auto v = takeArgument(false);
            if (!v)
                return usage("--reihe braucht eine Reihe: E3, E6, E12, E24, E48, E96 oder E192");
            o.series = seriesFromName(*v);
            if (!o.series)
                return usage("Reihe \"" + shownText(*v) + "\" gibt es nicht; möglich: E3, E6, E12, E24, E48, E96, E192");
        } else if (name == "--ringe") {
            const auto v = takeArgument(false);
            if (!v || (*v != "4" && *v != "5" && *v != "6"))
                return usage("--ringe braucht 4, 5 oder 6");
            o.request.rings = (*v)[0] - '0';
            valueOptions = true;
        } else if (name == "--toleranz") {
            const auto v = takeArgument(false);
            const auto p = v ? parsePercent(*v) : std::nullopt;
            if (!p)
                return usage("--toleranz braucht eine Prozentzahl wie 5 oder 0,5");
            o.request.tolerancePercent = p;
            valueOptions = true;
        } else if (name == "--tk") {
            auto v = takeArgument(false);
            std::string_view t = v.value_or("");
            for (std::string_view unit : {"ppm/K", "ppm"})
                if (t.ends_with(unit)) {
                    t.remove_suffix(unit.size());
                    break;
                }
            while (t.ends_with(' '))
                t.remove_suffix(1);
            const bool digits = !t.empty() && t.size() <= 6 && t.find_first_not_of("0123456789") == std::string_view::npos;
            if (!digits)
                return usage("--tk braucht ppm/K als ganze Zahl: 200, 100, 50, 25, 15, 10 oder 5");
            o.request.tempcoPpm = std::stoi(std::string(t));
            valueOptions = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usage("unbekannte Option \"" + shownText(arg) + "\"");
        } else {
            o.colours.push_back(arg);
        }
    }

    if (o.foto) {
        if (modeGiven || valueOptions)
            return usage("--foto nicht zusammen mit --wert, --smd, --ringe, --toleranz oder --tk");
        if (o.colours.empty())
            return usage("--foto braucht mindestens eine Datei");
        o.sep = QLocale::system().decimalPoint().toStdString();
        return runFotos(o.colours, o);
    }
    if (valueOptions && o.mode != Mode::Value)
        return usage("--ringe, --toleranz und --tk gelten nur mit --wert");
    if (o.mode != Mode::Colours && !o.colours.empty())
        return usage("Farben und --wert/--smd nicht zusammen");
    // The windows take the separator from the regional settings the same way.
    o.sep = QLocale::system().decimalPoint().toStdString();
    if (o.mode == Mode::Value) {
        // Ring count, tolerance and tempco are checked once, on a value every ring count shows.
        EncodeRequest probe = o.request;
        probe.ohm = Decimal::of(1);
        probe.decimalSeparator = o.sep;
        if (const EncodeResult r = encode(probe); r.refusal == Refusal::BadRequest)
            return usage(r.reason);
    }

    const bool fromStdin = o.mode == Mode::Colours ? o.colours.empty() : !o.item;
    if (fromStdin)
        return runStream(o);

    const Outcome outcome = o.mode == Mode::Colours ? colourItem(o.colours, o) : runItem(*o.item, o);
    if (!outcome.error.empty()) {
        std::cerr << kProgram << ": " << outcome.error << '\n';
        return 2;
    }
    bool printed = false;
    print(outcome, printed, o);
    return finish(0);
}
