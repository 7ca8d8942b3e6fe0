#include "cli/Fotos.h"

#include "cli/Json.h"
#include "cli/Run.h"
#include "decode/Decode.h"
#include "photomodule/PhotoModule.h"

#include <QFileInfo>
#include <QLibrary>
#include <QString>
#include <QtGlobal>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

namespace zz::cli {

namespace {

// Below this the reading counts as unsure and the other codes are shown.
constexpr double kSureReading = 0.85;
constexpr double kPercent = 100;
// Below this a ring of an unsure reading is named with its likeliest other colour.
constexpr double kSureRing = 0.8;
// An unsure reading lists at most this many other codes.
constexpr std::size_t kOtherCodes = 5;

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
    return std::to_string(static_cast<int>(c * kPercent + 0.5)) + " %";  // rounded
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

// For an unsure reading: the rings that may be another colour, and the
// other codes the photo may show.
void appendDoubts(std::vector<std::string> &lines, const zz::photo::Reading &reading, const zz::photo::Candidate &best)
{
    for (std::size_t i = 0; i < reading.rings.size() && i < best.colours.size(); ++i) {
        const auto &chances = reading.rings[i].chances;
        if (chances.empty() || chances.front().probability >= kSureRing)
            continue;
        for (const auto &c : chances)
            if (c.colour != best.colours[i]) {
                lines.push_back("Ring " + std::to_string(i + 1) + ": " +
                                std::string(zz::decode::colourInfo(best.colours[i]).name) + " oder " +
                                std::string(zz::decode::colourInfo(c.colour).name) + "?");
                break;
            }
    }
    if (reading.candidates.size() > 1) {
        lines.push_back("Andere mögliche Codes:");
        for (std::size_t i = 1; i < reading.candidates.size() && i <= kOtherCodes; ++i)
            lines.push_back("  " + colourList(reading.candidates[i].colours) + " (" +
                            confidencePercent(reading.candidates[i].confidence) + ")");
    }
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
    if (best.confidence < kSureReading)
        appendDoubts(out.lines, reading, best);
    return out;
}

} // namespace

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

} // namespace zz::cli
