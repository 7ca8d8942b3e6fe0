#pragma once

// The result report: built from what a decoder window shows (label texts,
// visibility, ring switches), never recomputed. UTF-8, standard library only.

#include <string>
#include <string_view>
#include <vector>

namespace zz::output {

// What both decoder windows show: code, value, tolerance and the hint lines.
struct ResultView {
    std::string codeCaption;      // labCodeTxt, "Farbcode:"
    std::string code;             // labCode
    std::string wertCaption;      // labWertTxt
    std::string wert;             // labWert
    std::string toleranzCaption;  // labToleranzTxt
    std::string toleranz;         // labToleranz
    bool hintVisible = false;     // labNixGut1Txt visible
    std::string hintCaption;      // labNixGut1Txt
    std::string hintText;         // labNixGut2Txt
    bool standardVisible = false; // labStand visible
    std::string standardCaption;  // labStandTxt
    std::string standard;         // labStand
};

struct FourRingView : ResultView {
    bool ring4Present = true;     // cbxRing4 ticked
    std::string ring4Colour;      // selected text of combRing4
};

struct FiveRingView : ResultView {
    bool ring6Present = false;    // cbxRing6 ticked
    std::string tempCaption;      // labTempKoeffTxt, "Änderung je 1°C:"
    std::string temp;             // labTTol
    std::string ring5Colour;      // selected text of combRing5
    std::string ring6Colour;      // selected text of combRing6
};

std::vector<std::string> fourRingReport(const FourRingView &view);
std::vector<std::string> fiveRingReport(const FiveRingView &view);

// Every line followed by the given line end (CR LF for clipboard and files).
std::string joinLines(const std::vector<std::string> &lines, std::string_view lineEnd = "\r\n");

} // namespace zz::output
