#include "value/Code.h"

#include "output/Report.h"
#include "value/Text.h"

#include <algorithm>
#include <utility>

namespace zz::value {

using decode::Colour;

namespace {

// The tables are the decoder's; here they become exact decimals.

std::size_t at(int position) { return static_cast<std::size_t>(position); }

// Significant digits of a four-ring and of a five/six-ring code.
constexpr int kFourRingDigits = 2;
constexpr int kFiveRingDigits = 3;

// Without a fourth ring its list keeps Gold chosen, as the window's does.
int keptFourthRing()
{
    return *decode::positionIn(decode::fourRingToleranceList(), Colour::Gold);
}

int multiplierCount() { return static_cast<int>(decode::multiplierList().size()); }

// Position of the multiplier ring that stands for 10^exponent; none outside the list.
std::optional<int> multiplierPosition(int exponent)
{
    for (int m = 0; m < multiplierCount(); ++m)
        if (decode::multiplierExponent(m) == exponent)
            return m;
    return std::nullopt;
}

// Lowest and highest power of ten the multiplier ring offers.
std::pair<int, int> exponentRange()
{
    static const std::pair<int, int> range = [] {
        int lowest = decode::multiplierExponent(0);
        int highest = lowest;
        for (int m = 1; m < multiplierCount(); ++m) {
            lowest = std::min(lowest, decode::multiplierExponent(m));
            highest = std::max(highest, decode::multiplierExponent(m));
        }
        return std::pair(lowest, highest);
    }();
    return range;
}

Decimal fourRingPercent(int position) { return Decimal::of(static_cast<std::uint64_t>(decode::fourRingTolerancePercent(position))); }
Decimal noFourthRingPercent() { return Decimal::of(decode::kNoFourthRingPercent); }
Decimal fiveRingPercent(int position)
{
    return Decimal::of(static_cast<std::uint64_t>(decode::fiveRingToleranceHundredths(position)), -2);
}

std::string offerList(std::span<const Colour> list)
{
    std::string out;
    for (Colour c : list) {
        if (!out.empty())
            out += ", ";
        out += decode::colourInfo(c).name;
    }
    return out;
}

std::string percentList(std::span<const Decimal> list, std::string_view sep)
{
    std::string out;
    for (const Decimal &d : list) {
        if (!out.empty())
            out += ", ";
        out += numberText(d, sep);
    }
    return out;
}

std::vector<std::string> splitCode(const std::string &joined)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < joined.size()) {
        const auto end = joined.find(" - ", start);
        out.push_back(joined.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 3;
    }
    return out;
}

decode::CodeResult evaluate(const RingCode &c, std::string_view sep)
{
    const auto &p = c.positions;
    return c.window == Window::FourRing ? decode::evaluateFourRing(p[0], p[1], p[2], sep)
                                        : decode::evaluateFiveRing(p[0], p[1], p[2], p[3], sep);
}

void fillResult(const decode::CodeResult &r, std::string tolerance, output::ResultView &v)
{
    v.codeCaption = "Farbcode:";
    v.code = r.code;
    v.wertCaption = "Wert:";
    v.wert = r.valueText;
    v.toleranzCaption = "Toleranz:";
    v.toleranz = std::move(tolerance);
    v.hintCaption = "Hinweis:";
    v.hintVisible = r.hint != decode::Hint::None;
    v.hintText = r.hint == decode::Hint::NonExistent ? decode::kNonExistentText : decode::kUnusualText;
    v.standardCaption = "Standardcode:";
    v.standardVisible = r.hint == decode::Hint::Unusual;
    v.standard = r.standardCode;
}

EncodeResult refuse(Refusal why, std::string reason, std::optional<Decimal> below = {},
                    std::optional<Decimal> above = {})
{
    EncodeResult out;
    out.refusal = why;
    out.reason = std::move(reason);
    out.nearestBelow = below;
    out.nearestAbove = above;
    return out;
}

// The value as `digits` significant digits times a multiplier of the list;
// fills the digit and multiplier rings or refuses with the nearest values.
EncodeResult place(const Decimal &v, int digits, RingCode code, std::string_view sep)
{
    const std::string count = std::to_string(code.ringCount() < 5 ? 4 : code.ringCount());
    const std::string shown = ohmText(v, sep);
    std::uint64_t limit = 1;  // 10^digits
    for (int i = 0; i < digits; ++i)
        limit *= 10;
    const auto [minExponent, maxExponent] = exponentRange();
    const Decimal largest = Decimal::of(limit - 1, maxExponent);
    const Decimal smallest = Decimal::of(1, minExponent);
    if (v.isZero())
        return refuse(Refusal::Zero, "0 Ohm hat keinen Farbcode; der kleinste Wert ist " + ohmText(smallest, sep), {}, smallest);

    // Standard code: the leading digit on the first ring.
    const int ideal = v.leadingExponent() - (digits - 1);
    // Far outside no prefix fits, and the digits would say nothing a reader can use.
    if (ideal > maxExponent && farOutside(v))
        return refuse(Refusal::TooLarge,
                      "Der Wert liegt weit außerhalb des Bereichs, " + shown + "; der größte Wert mit " + count +
                          " Ringen ist " + ohmText(largest, sep),
                      largest);
    if (ideal > maxExponent)
        return refuse(Refusal::TooLarge,
                      shown + " ist größer als " + ohmText(largest, sep) + ", der größte Wert mit " + count + " Ringen",
                      largest);
    const int k = std::max(ideal, minExponent);
    std::uint64_t n = 0;
    if (v.exponent >= k) {
        n = v.digits;
        for (int i = k; i < v.exponent; ++i)
            n *= 10;
    } else {
        const int shift = k - v.exponent;
        std::uint64_t below = v.digits;
        for (int i = 0; i < shift && below > 0; ++i)
            below /= 10;
        const Decimal up = Decimal::of(below + 1, k);
        const std::optional<Decimal> above = up <= largest ? std::optional(up) : std::nullopt;
        if (below == 0 && farOutside(v))
            return refuse(Refusal::TooSmall,
                          "Der Wert liegt weit außerhalb des Bereichs, " + shown +
                              "; der kleinste Wert mit Farbringen ist " + ohmText(smallest, sep),
                          {}, above);
        if (below == 0)
            return refuse(Refusal::TooSmall, shown + " ist kleiner als " + ohmText(smallest, sep) + ", der kleinste Wert mit Farbringen",
                          {}, above);
        return refuse(Refusal::TooManyDigits,
                      shown + " hat zu viele geltende Ziffern: " + count + " Ringe zeigen " + std::to_string(digits) +
                          ", in Stufen von mindestens " + ohmText(smallest, sep),
                      Decimal::of(below, k), above);
    }
    for (int i = digits - 1; i >= 0; --i) {
        code.positions[at(i)] = static_cast<int>(n % 10);
        n /= 10;
    }
    code.positions[at(digits)] = *multiplierPosition(k); // k lies in the range
    EncodeResult out;
    out.code = code;
    return out;
}

} // namespace

int RingCode::ringCount() const
{
    if (window == Window::FourRing)
        return lastRingPresent ? 4 : 3;
    return lastRingPresent ? 6 : 5;
}

std::vector<Colour> RingCode::colours() const
{
    std::vector<Colour> out;
    const auto &p = positions;
    if (window == Window::FourRing) {
        out = {decode::baseList()[at(p[0])], decode::baseList()[at(p[1])], decode::multiplierList()[at(p[2])]};
        if (lastRingPresent)
            out.push_back(decode::fourRingToleranceList()[at(p[3])]);
    } else {
        out = {decode::baseList()[at(p[0])], decode::baseList()[at(p[1])], decode::baseList()[at(p[2])],
               decode::multiplierList()[at(p[3])], decode::fiveRingToleranceList()[at(p[4])]};
        if (lastRingPresent)
            out.push_back(decode::temperatureList()[at(p[5])]);
    }
    return out;
}

ParsedCode codeFromColours(std::span<const std::string_view> names)
{
    ParsedCode out;
    if (names.size() < 3 || names.size() > 6) {
        out.error = "3 bis 6 Farben erwartet, " + std::to_string(names.size()) + " erhalten";
        return out;
    }
    const bool four = names.size() <= 4;
    const std::span<const Colour> rings4[] = {decode::baseList(), decode::baseList(), decode::multiplierList(),
                                              decode::fourRingToleranceList()};
    const std::span<const Colour> rings6[] = {decode::baseList(),       decode::baseList(),
                                              decode::baseList(),       decode::multiplierList(),
                                              decode::fiveRingToleranceList(), decode::temperatureList()};
    RingCode code;
    code.window = four ? Window::FourRing : Window::FiveRing;
    code.lastRingPresent = names.size() == 4 || names.size() == 6;
    if (four)
        code.positions[3] = keptFourthRing();
    for (std::size_t i = 0; i < names.size(); ++i) {
        const auto list = four ? rings4[i] : rings6[i];
        const std::string ring = "Ring " + std::to_string(i + 1);
        const auto colour = decode::colourFromName(names[i]);
        if (!colour) {
            out.error = ring + ": unbekannte Farbe \"" + shownText(names[i]) + "\"; " + ring +
                        " bietet: " + offerList(list);
            return out;
        }
        const auto position = decode::positionIn(list, *colour);
        if (!position) {
            out.error = ring + ": \"" + std::string(decode::colourInfo(*colour).name) + "\" gibt es hier nicht; " +
                        ring + " bietet: " + offerList(list);
            return out;
        }
        code.positions[i] = *position;
    }
    out.code = code;
    return out;
}

CodeFacts facts(const RingCode &code)
{
    CodeFacts f;
    const auto &p = code.positions;
    if (code.window == Window::FourRing) {
        f.ohm = Decimal::of(static_cast<std::uint64_t>(10 * p[0] + p[1]), decode::multiplierExponent(p[2]));
        f.tolerancePercent = code.lastRingPresent ? fourRingPercent(p[3]) : noFourthRingPercent();
    } else {
        f.ohm = Decimal::of(static_cast<std::uint64_t>(100 * p[0] + 10 * p[1] + p[2]), decode::multiplierExponent(p[3]));
        f.tolerancePercent = fiveRingPercent(p[4]);
        if (code.lastRingPresent)
            f.tempcoPpm = decode::temperatureCoefficient(p[5]);
    }
    // Three digits times a four-digit percentage: always fits.
    const Decimal deviation = *multiply(f.ohm, Decimal{f.tolerancePercent.digits, f.tolerancePercent.exponent - 2});
    f.minOhm = *subtract(f.ohm, deviation);
    f.maxOhm = *add(f.ohm, deviation);
    const decode::CodeResult r = evaluate(code, ",");
    f.hint = r.hint;
    if (r.hint == decode::Hint::Unusual)
        f.standardCode = splitCode(r.standardCode);
    f.series = seriesOf(f.ohm);
    return f;
}

std::vector<std::string> report(const RingCode &code, std::string_view sep)
{
    const decode::CodeResult r = evaluate(code, sep);
    const auto &p = code.positions;
    if (code.window == Window::FourRing) {
        output::FourRingView v;
        v.ring4Present = code.lastRingPresent;
        fillResult(r, decode::fourRingTolerance(r.value, v.ring4Present, p[3], sep), v);
        if (v.ring4Present)
            v.ring4Colour = decode::colourInfo(decode::fourRingToleranceList()[at(p[3])]).name;
        return output::fourRingReport(v);
    }
    output::FiveRingView v;
    fillResult(r, decode::fiveRingTolerance(r.value, p[4], sep), v);
    v.ring5Colour = decode::colourInfo(decode::fiveRingToleranceList()[at(p[4])]).name;
    v.ring6Present = code.lastRingPresent;
    v.tempCaption = "Änderung je 1°C:";
    if (v.ring6Present) {
        v.temp = decode::temperatureLine(r.value, p[5], sep);
        v.ring6Colour = decode::colourInfo(decode::temperatureList()[at(p[5])]).name;
    }
    return output::fiveRingReport(v);
}

std::vector<Decimal> fourRingTolerances()
{
    std::vector<Decimal> out;
    for (int t = 0; t < static_cast<int>(decode::fourRingToleranceList().size()); ++t)
        out.push_back(fourRingPercent(t));
    out.push_back(noFourthRingPercent());
    return out;
}

std::vector<Decimal> fiveRingTolerances()
{
    std::vector<Decimal> out;
    for (int t = 0; t < static_cast<int>(decode::fiveRingToleranceList().size()); ++t)
        out.push_back(fiveRingPercent(t));
    return out;
}

namespace {

// Without a tolerance asked for: 5 % with four rings, 1 % with five or six.
constexpr std::uint64_t kFourRingDefaultPercent = 5;
constexpr std::uint64_t kFiveRingDefaultPercent = 1;

bool offers(const std::vector<Decimal> &list, const std::optional<Decimal> &t)
{
    return !t || std::find(list.begin(), list.end(), *t) != list.end();
}

int positionOf(const std::vector<Decimal> &list, const Decimal &t)
{
    return static_cast<int>(std::find(list.begin(), list.end(), t) - list.begin());
}

// The sixth ring's position for the coefficient asked for (100 ppm/K when
// none is), or the refusal.
std::optional<EncodeResult> tempcoPosition(const EncodeRequest &request, int &position)
{
    position = *decode::positionIn(decode::temperatureList(), Colour::Braun);
    if (!request.tempcoPpm)
        return std::nullopt;
    if (request.rings == 4 || request.rings == 5)
        return refuse(Refusal::BadRequest, "ein Temperaturkoeffizient braucht 6 Ringe");
    const auto list = decode::temperatureList();
    std::string offered;
    for (int i = 0; i < static_cast<int>(list.size()); ++i) {
        if (decode::temperatureCoefficient(i) == *request.tempcoPpm) {
            position = i;
            return std::nullopt;
        }
        offered += (i ? ", " : "") + std::to_string(decode::temperatureCoefficient(i));
    }
    return refuse(Refusal::BadRequest, "Temperaturkoeffizient " + std::to_string(*request.tempcoPpm) +
                                           " ppm/K gibt es nicht; möglich: " + offered);
}

EncodeResult encodeFour(const EncodeRequest &request, const std::vector<Decimal> &four)
{
    if (!offers(four, request.tolerancePercent))
        return refuse(Refusal::BadRequest, "Toleranz " + numberText(*request.tolerancePercent, request.decimalSeparator) +
                                               " % gibt es bei 4 Ringen nicht; möglich: " +
                                               percentList(four, request.decimalSeparator) + " (20 = ohne 4. Ring)");
    RingCode code;
    code.window = Window::FourRing;
    const Decimal t = request.tolerancePercent.value_or(Decimal::of(kFourRingDefaultPercent));
    code.lastRingPresent = t != noFourthRingPercent();
    code.positions[3] = code.lastRingPresent ? positionOf(four, t) : keptFourthRing();
    return place(request.ohm, kFourRingDigits, code, request.decimalSeparator);
}

EncodeResult encodeFive(const EncodeRequest &request, const std::vector<Decimal> &five, bool six, int tempco)
{
    if (!offers(five, request.tolerancePercent))
        return refuse(Refusal::BadRequest, "Toleranz " + numberText(*request.tolerancePercent, request.decimalSeparator) +
                                               " % gibt es bei 5 und 6 Ringen nicht; möglich: " +
                                               percentList(five, request.decimalSeparator));
    RingCode code;
    code.window = Window::FiveRing;
    code.lastRingPresent = six;
    code.positions[4] = positionOf(five, request.tolerancePercent.value_or(Decimal::of(kFiveRingDefaultPercent)));
    code.positions[5] = tempco;
    return place(request.ohm, kFiveRingDigits, code, request.decimalSeparator);
}

} // namespace

EncodeResult encode(const EncodeRequest &request)
{
    if (request.rings != 0 && (request.rings < 4 || request.rings > 6))
        return refuse(Refusal::BadRequest, "Ringzahl " + std::to_string(request.rings) + " gibt es nicht; möglich: 4, 5, 6");
    int tempco = 0;
    if (auto refused = tempcoPosition(request, tempco))
        return std::move(*refused);

    const auto four = fourRingTolerances();
    const auto five = fiveRingTolerances();
    if (request.tempcoPpm || request.rings == 6)
        return encodeFive(request, five, true, tempco);
    if (request.rings == 5)
        return encodeFive(request, five, false, tempco);
    if (request.rings == 4)
        return encodeFour(request, four);
    if (!offers(four, request.tolerancePercent))
        return encodeFive(request, five, false, tempco);
    EncodeResult result = encodeFour(request, four);
    if (result.code || result.refusal == Refusal::Zero || result.refusal == Refusal::TooSmall)
        return result;
    EncodeResult wider = encodeFive(request, five, false, tempco);
    // A tolerance only four rings offer (20 %) keeps the four-ring reason.
    return wider.refusal == Refusal::BadRequest ? result : wider;
}

} // namespace zz::value
