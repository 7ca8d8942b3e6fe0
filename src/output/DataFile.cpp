#include "output/DataFile.h"

#include "output/Cp1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string_view>

namespace zz::output {

namespace {

constexpr qsizetype kChunk = 64 * 1024;

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

[[noreturn]] void fail(const QString &message)
{
    throw DataFileError(message);
}

[[noreturn]] void failWrite(const QString &path, const QString &reason)
{
    fail(QStringLiteral("Die Datei \"%1\" konnte nicht geschrieben werden: %2").arg(native(path), reason));
}

// A target we replace must be a plain file the user has not protected:
// QSaveFile would happily rename over a read-only file.
void checkReplaceable(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return;
    if (!info.isFile())
        fail(QStringLiteral("\"%1\" ist keine Datei.").arg(native(path)));
    if (isReadOnly(path))
        fail(QStringLiteral("Die Datei \"%1\" ist schreibgeschützt.").arg(native(path)));
}

void openTarget(QSaveFile &file)
{
    // No direct-write fallback: writing in place is exactly what may lose the file.
    file.setDirectWriteFallback(false);
    // Unbuffered: QFileDevice's buffer flush takes a short write (file size
    // limit, disk just filled up) without an error, and QSaveFile would then
    // commit a truncated file. Writing directly, writeAll sees every short write.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        failWrite(file.fileName(), file.errorString());
}

// Retries short writes, so the one that cannot go on reports the system's reason.
void writeAll(QSaveFile &file, const char *data, qsizetype size)
{
    while (size > 0) {
        const qint64 n = file.write(data, size);
        if (n <= 0)
            failWrite(file.fileName(), file.errorString());
        data += n;
        size -= n;
    }
}

[[noreturn]] void failRead(const QFile &file)
{
    fail(QStringLiteral("Die Datei \"%1\" konnte nicht gelesen werden: %2")
             .arg(native(file.fileName()), file.errorString()));
}

void commit(QSaveFile &file)
{
    if (!file.commit())
        failWrite(file.fileName(), file.errorString());
}

// Turns every line end (CR LF, lone CR, lone LF) into CR LF and keeps all
// other bytes, chunk by chunk: a CR at the end of one chunk may meet its LF at
// the start of the next. Chunks that already hold CR LF line ends only (the
// program's own files) pass through without a copy.
class LineEnds final
{
public:
    // Returns the output for this chunk in up to three pieces; they stay
    // valid until the next call.
    std::array<std::string_view, 3> feed(const char *p, qsizetype n)
    {
        std::array<std::string_view, 3> pieces;
        if (isCrLfOnly(p, n)) {
            const qsizetype skip = m_pendingCr && p[0] == '\n' ? 1 : 0;
            pieces[0] = std::string_view(p + skip, std::size_t(n - skip));
            // A CR that ends the chunk was a line end, whatever comes next.
            if (p[n - 1] == '\r')
                pieces[1] = std::string_view("\n", 1);
            m_pendingCr = p[n - 1] == '\r';
            m_lineOpen = p[n - 1] != '\r' && p[n - 1] != '\n';
            return pieces;
        }
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
        pieces[0] = std::string_view(m_out.data(), std::size_t(o - m_out.data()));
        return pieces;
    }

    bool lineOpen() const { return m_lineOpen; }

private:
    // True when every LF follows a CR and every CR but a last one precedes an LF.
    bool isCrLfOnly(const char *p, qsizetype n) const
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

    std::vector<char> m_out;
    bool m_pendingCr = false;
    bool m_lineOpen = false;
};

struct Copied {
    bool lineOpen = false;   // the last line has no line end
    bool unchanged = true;   // the copy equals the source byte for byte
};

// Copies the rest of source into each target with CR LF line ends.
Copied copyWithCrLf(QFile &source, std::initializer_list<QSaveFile *> targets)
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
            for (QSaveFile *target : targets)
                writeAll(*target, part.data(), qsizetype(part.size()));
            written += qint64(part.size());
        }
    }
    // Line ends are only ever added, so equal sizes mean equal bytes.
    return {lineEnds.lineOpen(), read == written && !lineEnds.lineOpen()};
}

// Whether the file starts with lines that need no change; the read position
// goes back to the start.
bool startsWithCrLfOnly(QFile &source)
{
    std::vector<char> in(kChunk);
    const qint64 n = source.read(in.data(), kChunk);
    if (n < 0 || !source.seek(0))
        failRead(source);
    return n == 0 || LineEnds().feed(in.data(), n)[0].data() == in.data();
}

std::optional<mode_t> fileMode(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return st.st_mode & 07777;
}

// Gives the old data file the backup's name as a second link, replacing the
// backup atomically; false when the file system or the situation does not
// allow it, and the backup is then written as a copy.
bool linkAsBackup(const QString &dataPath, const QString &backupPath)
{
    const QByteArray source = QFile::encodeName(QFileInfo(dataPath).canonicalFilePath());
    struct stat st {};
    // A file with further links would share its later changes with the backup.
    if (source.isEmpty() || ::stat(source.constData(), &st) != 0 || st.st_nlink != 1)
        return false;
    // Through a symlinked backup to its target, as QSaveFile does.
    QString target = backupPath;
    if (const QFileInfo info(backupPath); info.isSymLink()) {
        target = info.canonicalFilePath();
        if (target.isEmpty())
            return false;
    }
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QByteArray temp = QFile::encodeName(
            target + QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        if (::link(source.constData(), temp.constData()) != 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        if (::rename(temp.constData(), QFile::encodeName(target).constData()) != 0) {
            const int error = errno;
            ::unlink(temp.constData());
            failWrite(backupPath, QString::fromLocal8Bit(std::strerror(error)));
        }
        return true;
    }
    return false;
}

} // namespace

DataFileError::DataFileError(const QString &message)
    : std::runtime_error(message.toStdString())
{
}

QString DataFileError::message() const
{
    return QString::fromStdString(what());
}

QString fileNamePart(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString folderPart(const QString &path)
{
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString backupPath(const QString &dataPath)
{
    const qsizetype nameStart = dataPath.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = dataPath.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot >= nameStart ? dataPath.left(dot) : dataPath;
    return stem + QStringLiteral(".~txt");
}

bool isReservedName(const QString &path)
{
    QString name = fileNamePart(path);
    // Only A to Z are lowered; "README.TXT" matches, other letters compare as they are.
    for (QChar &c : name) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return name == QLatin1String("readme.txt") || name == QLatin1String("lizenz.txt")
        || name == QLatin1String("liesmich.txt");
}

QString dataFileCaption(const QString &dataPath)
{
    if (dataPath.isEmpty())
        return QStringLiteral("Zedezedidor");
    return QStringLiteral("Zedezedidor - [%1]").arg(fileNamePart(dataPath));
}

bool isReadOnly(const QString &path)
{
    const QByteArray local = QFile::encodeName(path);
    struct stat st {};
    if (::stat(local.constData(), &st) != 0)
        return false;
    if ((st.st_mode & S_IWUSR) == 0)
        return true;
    struct statvfs fs {};
    return ::statvfs(local.constData(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0;
}

bool isUsableDataFile(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.isFile() && !isReadOnly(path) && !isReservedName(path);
}

void appendEntry(const QString &dataPath, bool makeBackup, const std::vector<std::string> &reportLines)
{
    const bool existed = QFileInfo::exists(dataPath);
    checkReplaceable(dataPath);

    QFile source(dataPath);
    if (existed && !source.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        failRead(source);
    const bool withBackup = existed && makeBackup;
    const QString backupFile = withBackup ? backupPath(dataPath) : QString();
    if (withBackup)
        checkReplaceable(backupFile);

    // QSaveFile writes a symlinked data file through to its target, so the
    // link itself stays in place.
    QSaveFile data(dataPath);
    openTarget(data);
    const std::optional<mode_t> backupMode = withBackup ? fileMode(backupFile) : std::nullopt;

    // The backup is complete before the data file is replaced. When the old
    // lines need no change, the old file itself becomes the backup; a file
    // that needs converting is copied into both in the same pass.
    std::optional<QSaveFile> backup;
    auto openBackup = [&] {
        backup.emplace(backupFile);
        openTarget(*backup);
        // A new backup is as private as the data file it copies.
        if (!backupMode) {
            if (const auto dataMode = fileMode(dataPath))
                ::fchmod(backup->handle(), *dataMode);
        }
    };
    if (withBackup && !startsWithCrLfOnly(source))
        openBackup();

    Copied old;
    if (existed)
        old = backup ? copyWithCrLf(source, {&data, &*backup}) : copyWithCrLf(source, {&data});
    QByteArray entry;
    if (existed)
        entry = old.lineOpen ? "\r\n\r\n" : "\r\n";
    for (const std::string &line : reportLines)
        entry += toCp1252(line) + "\r\n";
    writeAll(data, entry.constData(), entry.size());

    const bool linked = withBackup && !backup && old.unchanged && linkAsBackup(dataPath, backupFile);
    if (withBackup && !linked && !backup) {
        // A change further down the file: a second pass for the backup.
        openBackup();
        if (!source.seek(0))
            failRead(source);
        copyWithCrLf(source, {&*backup});
    }
    if (backup) {
        if (old.lineOpen)
            writeAll(*backup, "\r\n", 2);
        commit(*backup);
    }
    commit(data);
    // The linked backup still carries the data file's permissions; a backup
    // that existed before keeps its own.
    if (linked && backupMode)
        ::chmod(QFile::encodeName(QFileInfo(backupFile).canonicalFilePath()).constData(), *backupMode);
}

} // namespace zz::output
