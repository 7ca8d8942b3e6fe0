#include "cli/LineReader.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace zz::cli {

namespace {

// What is read from the descriptor at a time.
constexpr std::size_t kBufferSize = 64 * 1024;

} // namespace

LineReader::LineReader(int fd, std::size_t maxLine)
    : m_fd(fd), m_maxLine(maxLine), m_buffer(kBufferSize)
{
}

bool LineReader::fill()
{
    if (m_eof || m_error)
        return false;
    // Keep what is unread (only the BOM check leaves anything) at the front.
    const std::size_t kept = m_end - m_pos;
    std::memmove(m_buffer.data(), m_buffer.data() + m_pos, kept);
    m_pos = 0;
    m_end = kept;
    for (;;) {
        const ssize_t n = ::read(m_fd, m_buffer.data() + m_end, m_buffer.size() - m_end);
        if (n > 0) {
            m_end += static_cast<std::size_t>(n);
            return true;
        }
        if (n == 0) {
            m_eof = true;
            return false;
        }
        if (errno != EINTR) {
            m_error = errno;
            return false;
        }
    }
}

LineReader::Status LineReader::next(std::string &line)
{
    line.clear();
    if (!m_started) {
        m_started = true;
        while (m_end - m_pos < 3 && fill()) {
        }
        if (m_error)
            return Status::Error;
        if (m_end - m_pos >= 3 && std::memcmp(m_buffer.data() + m_pos, "\xEF\xBB\xBF", 3) == 0)
            m_pos += 3;
    }
    bool tooLong = false;
    bool any = false;
    for (;;) {
        if (m_pos == m_end && !fill()) {
            if (m_error)
                return Status::Error;
            if (!any)
                return Status::End;
            ++m_lineNumber;
            return tooLong ? Status::TooLong : Status::Line;
        }
        if (m_afterCr) {
            m_afterCr = false;
            if (m_buffer[m_pos] == '\n') {
                ++m_pos;
                continue;
            }
        }
        const char *begin = m_buffer.data() + m_pos;
        const char *end = m_buffer.data() + m_end;
        const char *hit = begin;
        while (hit != end && *hit != '\n' && *hit != '\r')
            ++hit;
        const auto length = static_cast<std::size_t>(hit - begin);
        any = true;
        if (!tooLong && line.size() + length <= m_maxLine) {
            line.append(begin, length);
        } else if (!tooLong) {
            tooLong = true;
            line.clear();
            line.shrink_to_fit();
        }
        m_pos += length;
        if (hit != end) {
            m_afterCr = *hit == '\r';
            ++m_pos;
            ++m_lineNumber;
            return tooLong ? Status::TooLong : Status::Line;
        }
    }
}

} // namespace zz::cli
