#pragma once

#include "output/SaveErrors.h"

#include <QFile>

#include <array>
#include <initializer_list>
#include <string_view>
#include <vector>

// Line-end conversion of a save: the old lines of the data file are copied
// with CR LF line ends, every other byte kept.
namespace zz::output::save {

// What a save reads at a time.
constexpr qsizetype kChunk = 64 * 1024;

// Turns every line end (CR LF, lone CR, lone LF) into CR LF and keeps all
// other bytes, chunk by chunk: a CR at the end of one chunk may meet its LF at
// the start of the next. Chunks that already hold CR LF line ends only (the
// program's own files) pass through without a copy.
class LineEnds final
{
public:
    // Returns the output for this chunk in up to three pieces; they stay
    // valid until the next call.
    std::array<std::string_view, 3> feed(const char *p, qsizetype n);
    bool lineOpen() const { return m_lineOpen; }

private:
    std::array<std::string_view, 3> passThrough(const char *p, qsizetype n);
    // True when every LF follows a CR and every CR but a last one precedes an LF.
    bool isCrLfOnly(const char *p, qsizetype n) const;

    std::vector<char> m_out;
    bool m_pendingCr = false;
    bool m_lineOpen = false;
};

struct Copied {
    bool lineOpen = false;   // the last line has no line end
    bool unchanged = true;   // the copy equals the source byte for byte
};

// Copies the rest of source into each target with CR LF line ends.
Copied copyWithCrLf(QFile &source, std::initializer_list<Sink> targets);

// Whether the file starts with lines that need no change; the read position
// goes back to the start.
bool startsWithCrLfOnly(QFile &source);

} // namespace zz::output::save
