#include "output/LineEnds.h"

#include <algorithm>
#include <cstring>

namespace zz::output::save {

std::array<std::string_view, 3> LineEnds::passThrough(const char *p, qsizetype n)
{
    std::array<std::string_view, 3> pieces;
    const qsizetype skip = m_pendingCr && p[0] == '\n' ? 1 : 0;
    pieces[0] = std::string_view(p + skip, std::size_t(n - skip));
    // A CR that ends the chunk was a line end, whatever comes next.
    if (p[n - 1] == '\r')
        pieces[1] = std::string_view("\n", 1);
    m_pendingCr = p[n - 1] == '\r';
    m_lineOpen = p[n - 1] != '\r' && p[n - 1] != '\n';
    return pieces;
}

std::array<std::string_view, 3> LineEnds::feed(const char *p, qsizetype n)
{
    if (isCrLfOnly(p, n))
        return passThrough(p, n);
    m_out.resize(std::size_t(2 * n));
    char *o = m_out.data();
    const char *end = p + n;
    auto find = [end](const char *from, char c) {
        const void *hit = std::memchr(from, c, std::size_t(end - from));
        return hit ? static_cast<const char *>(hit) : end;
    };
    const char *nextCr = find(p, '\r');
    const char *nextLf = find(p, '\n');
    while (p != end) {
        if (const char *stop = std::min(nextCr, nextLf); stop != p) {
            std::memcpy(o, p, std::size_t(stop - p));
            o += stop - p;
            p = stop;
            m_pendingCr = false;
            m_lineOpen = true;
            continue;
        }
        if (*p == '\r') {
            *o++ = '\r';
            *o++ = '\n';
            m_pendingCr = true;
            nextCr = find(p + 1, '\r');
        } else {
            if (!m_pendingCr) {
                *o++ = '\r';
                *o++ = '\n';
            }
            m_pendingCr = false;
            nextLf = find(p + 1, '\n');
        }
        m_lineOpen = false;
        ++p;
    }
    return {std::string_view(m_out.data(), std::size_t(o - m_out.data())), {}, {}};
}

bool LineEnds::isCrLfOnly(const char *p, qsizetype n) const
{
    const char *end = p + n;
    qsizetype pairs = 0;
    for (const char *q = p; (q = static_cast<const char *>(std::memchr(q, '\n', std::size_t(end - q)))); ++q) {
        if (q == p) {
            if (!m_pendingCr)
                return false;
            continue;
        }
        if (q[-1] != '\r')
            return false;
        ++pairs;
    }
    const qsizetype crs = std::count(p, end, '\r');
    return crs == pairs + (end[-1] == '\r' ? 1 : 0);
}

Copied copyWithCrLf(QFile &source, std::initializer_list<Sink> targets)
{
    LineEnds lineEnds;
    std::vector<char> in(kChunk);
    qint64 read = 0;
    qint64 written = 0;
    for (;;) {
        const qint64 n = source.read(in.data(), kChunk);
        if (n < 0)
            failRead(source);
        if (n == 0)
            break;
        read += n;
        for (const std::string_view part : lineEnds.feed(in.data(), n)) {
            for (const Sink &target : targets)
                writeAll(target, part.data(), qsizetype(part.size()));
            written += qint64(part.size());
        }
    }
    // Line ends are only ever added, so equal sizes mean equal bytes.
    return {lineEnds.lineOpen(), read == written && !lineEnds.lineOpen()};
}

bool startsWithCrLfOnly(QFile &source)
{
    std::vector<char> in(kChunk);
    const qint64 n = source.read(in.data(), kChunk);
    if (n < 0 || !source.seek(0))
        failRead(source);
    return n == 0 || LineEnds().feed(in.data(), n)[0].data() == in.data();
}

} // namespace zz::output::save
