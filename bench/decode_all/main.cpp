// Decodes every distinct colour code of both windows and builds its report,
// then formats the same numbers with snprintf("%.15g") as a floor to compare
// against. Build in Release; the decode pass should stay within 1.5 x floor.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "BestOf.h"
#include "decode/Decode.h"
#include "output/Report.h"

namespace {

using namespace zz::decode;
using zz::bench::bestSeconds;

// Folded into the result so the optimiser cannot drop any of the work.
std::uint64_t g_sink = 0;

void consume(const std::string &text)
{
    g_sink = g_sink * 31 + text.size() + static_cast<unsigned char>(text.empty() ? 0 : text.back());
}

void consumeLines(const std::vector<std::string> &lines)
{
    for (const auto &line : lines)
        consume(line);
}

void fillHints(const CodeResult &r, bool &hintVisible, std::string &hintText,
               bool &standardVisible, std::string &standard)
{
    hintVisible = r.hint != Hint::None;
    hintText = r.hint == Hint::NonExistent ? kNonExistentText : kUnusualText;
    standardVisible = r.hint == Hint::Unusual;
    standard = r.standardCode;
}

std::size_t decodeFourRing(zz::output::FourRingView &v)
{
    std::size_t codes = 0;
    for (int r1 = 0; r1 < 10; ++r1)
        for (int r2 = 0; r2 < 10; ++r2)
            for (int r3 = 0; r3 < 9; ++r3)
                for (int r4 = -1; r4 < 4; ++r4) { // -1: no fourth ring
                    const CodeResult r = evaluateFourRing(r1, r2, r3, ",");
                    v.code = r.code;
                    v.wert = r.valueText;
                    v.ring4Present = r4 >= 0;
                    v.toleranz = fourRingTolerance(r.value, v.ring4Present, std::max(r4, 0), ",");
                    if (v.ring4Present)
                        v.ring4Colour = colourInfo(fourRingToleranceList()[r4]).name;
                    fillHints(r, v.hintVisible, v.hintText, v.standardVisible, v.standard);
                    consumeLines(zz::output::fourRingReport(v));
                    ++codes;
                }
    return codes;
}

std::size_t decodeFiveRing(zz::output::FiveRingView &v)
{
    std::size_t codes = 0;
    for (int r1 = 0; r1 < 10; ++r1)
        for (int r2 = 0; r2 < 10; ++r2)
            for (int r3 = 0; r3 < 10; ++r3)
                for (int m = 0; m < 9; ++m)
                    for (int r5 = 0; r5 < 8; ++r5)
                        for (int r6 = -1; r6 < 7; ++r6) { // -1: no sixth ring
                            const CodeResult r = evaluateFiveRing(r1, r2, r3, m, ",");
                            v.code = r.code;
                            v.wert = r.valueText;
                            v.toleranz = fiveRingTolerance(r.value, r5, ",");
                            v.ring5Colour = colourInfo(fiveRingToleranceList()[r5]).name;
                            v.ring6Present = r6 >= 0;
                            if (v.ring6Present) {
                                v.temp = temperatureLine(r.value, r6, ",");
                                v.ring6Colour = colourInfo(temperatureList()[r6]).name;
                            }
                            fillHints(r, v.hintVisible, v.hintText, v.standardVisible, v.standard);
                            consumeLines(zz::output::fiveRingReport(v));
                            ++codes;
                        }
    return codes;
}

// The numbers as the evaluation scales them for its unit.
double scaledValue(double v)
{
    return v >= 1000000 ? v / 1000000 : v >= 1000 ? v / 1000 : v;
}

double scaledDeviation(double d)
{
    if (d >= 1000000)
        return d / 1000000;
    if (d >= 1000)
        return d / 1000;
    if (d >= 1)
        return d;
    return d >= 0.0001 ? d * 1000 : d;
}

double scaledChange(double c)
{
    if (c >= 1000)
        return c / 1000;
    if (c >= 1)
        return c;
    if (c >= 0.001)
        return c * 1000;
    return c >= 0.000001 ? c * 1000000 : c * 1000000000;
}

void format(double x)
{
    char buf[32];
    const int n = std::snprintf(buf, sizeof buf, "%.15g", x);
    g_sink = g_sink * 31 + static_cast<unsigned>(n) + static_cast<unsigned char>(buf[n - 1]);
}

std::size_t floorPass()
{
    static constexpr int kFourPercent[] = {20, 1, 2, 5, 10};
    static constexpr double kFivePercent[] = {1, 2, 0.5, 0.25, 0.1, 0.05, 5, 10};
    static constexpr int kPpm[] = {200, 100, 50, 15, 25, 10, 5};
    std::size_t numbers = 0;
    for (int r1 = 0; r1 < 10; ++r1)
        for (int r2 = 0; r2 < 10; ++r2)
            for (int r3 = 0; r3 < 9; ++r3)
                for (int p : kFourPercent) {
                    const double value = (10 * r1 + r2) * multiplier(r3);
                    format(scaledValue(value));
                    format(scaledDeviation(value * p / 100));
                    numbers += 2;
                }
    for (int r1 = 0; r1 < 10; ++r1)
        for (int r2 = 0; r2 < 10; ++r2)
            for (int r3 = 0; r3 < 10; ++r3)
                for (int m = 0; m < 9; ++m)
                    for (double p : kFivePercent)
                        for (int r6 = -1; r6 < 7; ++r6) {
                            const double value = (100 * r1 + 10 * r2 + r3) * multiplier(m);
                            format(scaledValue(value));
                            format(scaledDeviation(value * p / 100));
                            numbers += 2;
                            if (r6 >= 0) {
                                format(scaledChange(value * kPpm[r6] / 1000000));
                                ++numbers;
                            }
                        }
    return numbers;
}

} // namespace

int main()
{
    zz::output::FourRingView four;
    four.codeCaption = "Farbcode:";
    four.wertCaption = "Wert:";
    four.toleranzCaption = "Toleranz:";
    four.hintCaption = "Hinweis:";
    four.standardCaption = "Standardcode:";
    zz::output::FiveRingView five;
    five.codeCaption = "Farbcode:";
    five.wertCaption = "Wert:";
    five.toleranzCaption = "Toleranz:";
    five.tempCaption = "Änderung je 1°C:";
    five.hintCaption = "Hinweis:";
    five.standardCaption = "Standardcode:";

    std::size_t codes = 0;
    std::size_t numbers = 0;
    const double decode = bestSeconds([&] { codes = decodeFourRing(four) + decodeFiveRing(five); });
    const double floor = bestSeconds([&] { numbers = floorPass(); });

    std::printf("codes decoded with report: %zu\n", codes);
    std::printf("numbers formatted by the floor: %zu\n", numbers);
    std::printf("decode and report: %.1f ms\n", decode * 1000);
    std::printf("snprintf floor:    %.1f ms\n", floor * 1000);
    std::printf("ratio: %.2f (target <= 1.5)\n", decode / floor);
    std::printf("(checksum %llu)\n", static_cast<unsigned long long>(g_sink));
    return decode <= 1.5 * floor ? 0 : 1;
}
