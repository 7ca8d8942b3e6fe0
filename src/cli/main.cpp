// zedezedidor-decode: decodes colour codes, finds the colour code of a value
// and reads SMD markings, on the command line or line by line from standard
// input; prints the report the decoder windows would hold, or JSON Lines.

#include "cli/Arguments.h"
#include "cli/Fotos.h"
#include "cli/Items.h"
#include "cli/Run.h"
#include "value/Code.h"
#include "value/Decimal.h"

#include <QLocale>

#include <iostream>
#include <string_view>
#include <vector>

namespace {

using namespace zz::cli;
using namespace zz::value;

// What the command line asks for, once it is read.
int run(CommandLine &line)
{
    Options &o = line.options;
    if (o.foto) {
        if (line.modeGiven || line.valueOptions)
            return usage("--foto nicht zusammen mit --wert, --smd, --ringe, --toleranz oder --tk");
        if (o.colours.empty())
            return usage("--foto braucht mindestens eine Datei");
        o.sep = QLocale::system().decimalPoint().toStdString();
        return runFotos(o.colours, o);
    }
    if (line.valueOptions && o.mode != Mode::Value)
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

} // namespace

int main(int argc, char *argv[])
{
    std::ios::sync_with_stdio(false);
    CommandLine line;
    if (const auto status = parseArguments(std::vector<std::string_view>(argv + 1, argv + argc), line))
        return *status;
    return run(line);
}
