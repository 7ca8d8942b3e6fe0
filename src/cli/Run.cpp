#include "cli/Run.h"

#include "cli/Json.h"
#include "cli/LineReader.h"
#include "output/Report.h"
#include "value/Blanks.h"

#include <unistd.h>

#include <cstring>
#include <iostream>
#include <optional>

namespace zz::cli {

using zz::value::trimmedBlanks;

int finish(int status)
{
    std::cout.flush();
    if (!std::cout) {
        std::cerr << kProgram << ": Ausgabe fehlgeschlagen\n";
        return status == 0 ? 1 : status;
    }
    return status;
}

void print(const Outcome &outcome, bool &printed, const Options &o)
{
    if (printed && !o.json)
        std::cout << '\n';
    std::cout << zz::output::joinLines(outcome.lines, "\n");
    printed = true;
}

int usage(const std::string &message)
{
    std::cerr << kProgram << ": " << message << " (siehe --help)\n";
    return 2;
}

namespace {

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

} // namespace

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

} // namespace zz::cli
