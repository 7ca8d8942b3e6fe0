#pragma once

// Lines from a file descriptor with a fixed upper bound: a longer line is
// reported and skipped without being kept, so memory stays flat whatever
// arrives. CR LF, a lone CR and a lone LF each end a line; a UTF-8 BOM at
// the very start is skipped.

#include <cstddef>
#include <string>
#include <vector>

namespace zz::cli {

class LineReader final {
public:
    enum class Status { Line, TooLong, End, Error };

    explicit LineReader(int fd, std::size_t maxLine = 4096);

    // Line: `line` holds it without its end. TooLong: `line` is empty.
    // Error: errorNumber() says why.
    Status next(std::string &line);
    long lineNumber() const { return m_lineNumber; }
    int errorNumber() const { return m_error; }
    std::size_t maxLine() const { return m_maxLine; }

private:
    bool fill();            // false at end of input or on error

    int m_fd;
    std::size_t m_maxLine;
    std::vector<char> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    bool m_eof = false;
    bool m_afterCr = false;
    bool m_started = false;
    long m_lineNumber = 0;
    int m_error = 0;
};

} // namespace zz::cli
