#include "output/DataFile.h"

#include "output/Cp1252.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
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

// One sentence that ends with a full stop and names the file once; the
// system's reasons ("Permission denied") come without either.
QString sentence(QString text, const QString &path)
{
    text.replace(QLatin1Char('\'') + path + QLatin1Char('\''), QString());
    text.replace(path, QString());
    text = text.trimmed();
    while (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    if (text.isEmpty())
        text = QStringLiteral("Unbekannter Fehler");
    if (!text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('.');
    return text;
}

[[noreturn]] void failWrite(const QString &path, const QString &reason)
{
    fail(QStringLiteral("Die Datei \"%1\" konnte nicht geschrieben werden: %2")
             .arg(native(path), sentence(reason, path)));
}

// Where the bytes of a save go: the data file's QSaveFile or the backup's
// temporary file, with the name that an error message gives.
struct Sink {
    QFileDevice *device;
    QString name;
};

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
void writeAll(const Sink &sink, const char *data, qsizetype size)
{
    while (size > 0) {
        const qint64 n = sink.device->write(data, size);
        if (n <= 0)
            failWrite(sink.name, sink.device->errorString());
        data += n;
        size -= n;
    }
}

[[noreturn]] void failRead(const QFile &file)
{
    fail(QStringLiteral("Die Datei \"%1\" konnte nicht gelesen werden: %2")
             .arg(native(file.fileName()), sentence(file.errorString(), file.fileName())));
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

// Follows symlinks the way QSaveFile does, also to a target that does not
// exist yet: the file a save really replaces.
QString resolvedPath(const QString &path)
{
    QFileInfo info(path);
    for (int depth = 0; depth < 128 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.isSymLink() ? path : info.absoluteFilePath();
}

// The path with its folder's symlinks resolved, the name itself kept as it is.
QString withRealFolder(const QString &path)
{
    const QFileInfo info(path);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? info.absoluteFilePath() : folder + QLatin1Char('/') + info.fileName();
}

std::optional<struct stat> statOf(const QString &path, bool followLinks)
{
    struct stat st {};
    const QByteArray local = QFile::encodeName(path);
    if ((followLinks ? ::stat(local.constData(), &st) : ::lstat(local.constData(), &st)) != 0)
        return std::nullopt;
    return st;
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

QByteArray tempNameBeside(const QString &path)
{
    return QFile::encodeName(
        path + QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
}

// Saves to one data file take turns across processes: an exclusive flock on
// an empty lock file beside the real file. The holder removes the lock file
// before it lets go, so a waiter that got hold of a removed one tries again;
// nothing is left behind. The wait is bounded so a stuck holder (or a file
// someone else planted there) costs a message, not a frozen window.
class SaveLock final
{
public:
    explicit SaveLock(const QString &dataPath)
        : m_path(folderPart(dataPath) + QLatin1Char('.') + fileNamePart(dataPath) + QStringLiteral(".~lock")),
          m_local(QFile::encodeName(m_path))
    {
        QElapsedTimer waited;
        waited.start();
        for (;;) {
            if (tryOnce(dataPath))
                return;
            if (waited.elapsed() > kLockWaitMs)
                fail(QStringLiteral("Die Datei \"%1\" konnte nicht geschrieben werden: Sie wird gerade von einem "
                                    "anderen Programm gespeichert.")
                         .arg(native(dataPath)));
            ::usleep(useconds_t(2000 + QRandomGenerator::global()->bounded(8000)));
        }
    }

    ~SaveLock()
    {
        ::unlink(m_local.constData());
        ::close(m_fd);
    }

    SaveLock(const SaveLock &) = delete;
    SaveLock &operator=(const SaveLock &) = delete;

private:
    static constexpr qint64 kLockWaitMs = 5000;

    // True with the lock held; false to wait and try again; throws when no
    // waiting can help.
    bool tryOnce(const QString &dataPath)
    {
        constexpr int flags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
        int fd = ::open(m_local.constData(), O_RDWR | O_CREAT | flags, 0644);
        if (fd < 0 && errno == EACCES) {
            // Another user's lock file: read access is enough for flock.
            fd = ::open(m_local.constData(), O_RDONLY | flags);
            if (fd < 0 && errno == ENOENT)
                failWrite(dataPath, reasonOf(EACCES));  // a folder we cannot create files in
            if (fd < 0 && errno == EACCES)
                return false;  // held by someone we cannot even read: wait
        }
        if (fd < 0 && errno == ELOOP)
            failNotOurs(dataPath);
        if (fd < 0)
            failWrite(dataPath, reasonOf(errno));
        struct stat own {};
        if (::fstat(fd, &own) != 0 || !S_ISREG(own.st_mode) || own.st_size != 0) {
            ::close(fd);
            failNotOurs(dataPath);
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return false;
        }
        // Still the file under that name, not one its last holder removed?
        const auto now = statOf(m_path, false);
        if (!now || !sameFile(*now, own)) {
            ::close(fd);
            return false;
        }
        m_fd = fd;
        return true;
    }

    static QString reasonOf(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

    [[noreturn]] void failNotOurs(const QString &dataPath) const
    {
        failWrite(dataPath, QStringLiteral("Unter dem Namen der Sperrdatei \"%1\" steht etwas anderes.")
                                .arg(fileNamePart(m_path)));
    }

    QString m_path;
    QByteArray m_local;
    int m_fd = -1;
};

// The backup is written under a temporary name beside it and renamed over
// the backup name, so whatever stood there (a symlink, a hard link, another
// user's file) is replaced as a name and never written through.
class BackupFile final
{
public:
    explicit BackupFile(const QString &path) : m_path(path) {}

    ~BackupFile()
    {
        if (!m_temp.isEmpty())
            ::unlink(m_temp.constData());
    }

    BackupFile(const BackupFile &) = delete;
    BackupFile &operator=(const BackupFile &) = delete;

    void open(mode_t mode)
    {
        for (int attempt = 0; attempt < 16; ++attempt) {
            const QByteArray temp = tempNameBeside(m_path);
            const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (fd < 0 && errno == EEXIST)
                continue;
            if (fd < 0)
                failWrite(m_path, reasonOf(errno));
            m_temp = temp;
            ::fchmod(fd, mode);
            if (!m_file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
                ::close(fd);
                failWrite(m_path, m_file.errorString());
            }
            return;
        }
        failWrite(m_path, QStringLiteral("Kein freier Name für eine temporäre Datei."));
    }

    bool isOpen() const { return m_file.isOpen(); }
    Sink sink() { return {&m_file, m_path}; }

    void commit()
    {
        if (::fsync(m_file.handle()) != 0 && errno != EINVAL)
            failWrite(m_path, reasonOf(errno));
        m_file.close();
        replaceName(m_temp, m_path);
        m_temp.clear();
    }

    // Gives the old data file the backup's name as a second link, when the
    // user owns it and it has no other links (which would share later changes
    // with the backup); false when that is not possible, and the backup is
    // then written as a copy.
    bool linkFrom(int sourceFd, const QString &sourcePath)
    {
        struct stat source {};
        if (::fstat(sourceFd, &source) != 0 || source.st_nlink != 1 || source.st_uid != ::geteuid())
            return false;
        for (int attempt = 0; attempt < 16; ++attempt) {
            const QByteArray temp = tempNameBeside(m_path);
            if (::link(QFile::encodeName(sourcePath).constData(), temp.constData()) != 0) {
                if (errno == EEXIST)
                    continue;
                return false;
            }
            // The name may have been swapped since it was opened.
            const auto linked = statOf(QFile::decodeName(temp), false);
            if (!linked || !sameFile(*linked, source)) {
                ::unlink(temp.constData());
                return false;
            }
            replaceName(temp, m_path);
            return true;
        }
        return false;
    }

private:
    static QString reasonOf(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

    static void replaceName(const QByteArray &temp, const QString &path)
    {
        if (::rename(temp.constData(), QFile::encodeName(path).constData()) != 0) {
            const int error = errno;
            ::unlink(temp.constData());
            failWrite(path, reasonOf(error));
        }
        // rename() does nothing when both names are links to one file; the
        // temporary name must not stay behind then either.
        ::unlink(temp.constData());
    }

    QString m_path;
    QByteArray m_temp;
    QFile m_file;
};

// The existing file at the backup name, looked at without following it.
// The user's own plain file that they made read-only is not replaced behind
// their back; anything else there is replaced as a name.
std::optional<mode_t> checkBackupName(const QString &path)
{
    const auto st = statOf(path, false);
    if (!st)
        return std::nullopt;
    if (S_ISDIR(st->st_mode))
        fail(QStringLiteral("\"%1\" ist keine Datei.").arg(native(path)));
    if (!S_ISREG(st->st_mode) || st->st_uid != ::geteuid())
        return std::nullopt;
    if ((st->st_mode & S_IWUSR) == 0)
        fail(QStringLiteral("Die Datei \"%1\" ist schreibgeschützt.").arg(native(path)));
    return st->st_mode & 07777;
}

// A new backup is as private as the data file it copies.
void openBackup(BackupFile &backup, const QFile &source, std::optional<mode_t> backupMode)
{
    struct stat st {};
    const mode_t dataMode = ::fstat(source.handle(), &st) == 0 ? st.st_mode & 07777 : 0600;
    backup.open(backupMode.value_or(dataMode));
}

// The new entry; an empty line in front when the file had lines before.
QByteArray entryBytes(const std::vector<std::string> &reportLines, bool existed, bool lineOpen)
{
    QByteArray entry;
    if (existed)
        entry = lineOpen ? "\r\n\r\n" : "\r\n";
    for (const std::string &line : reportLines)
        entry += toCp1252(line) + "\r\n";
    return entry;
}

// Completes the backup once the new data is written, before it replaces the
// data file: the old file itself becomes the backup when its lines needed no
// change; else the copy made in the same pass is finished, or, when the
// change lay further down the file, a second pass makes it. Tells whether
// the old file was linked.
bool finishBackup(BackupFile &backup, QFile &source, const Copied &old, std::optional<mode_t> backupMode,
                  const QString &dataPath)
{
    const bool linked = !backup.isOpen() && old.unchanged
        && backup.linkFrom(source.handle(), resolvedPath(dataPath));
    if (!linked && !backup.isOpen()) {
        openBackup(backup, source, backupMode);
        if (!source.seek(0))
            failRead(source);
        copyWithCrLf(source, {backup.sink()});
    }
    if (backup.isOpen()) {
        if (old.lineOpen)
            writeAll(backup.sink(), "\r\n", 2);
        backup.commit();
    }
    return linked;
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
    // The owner's write bit is the file's read-only attribute; even root
    // respects it here.
    if ((st.st_mode & S_IWUSR) == 0)
        return true;
    // Whether this user may write it, as the system decides: owner, groups,
    // ACLs, read-only mounts.
    if (::faccessat(AT_FDCWD, local.constData(), W_OK, AT_EACCESS) != 0)
        return true;
    // A save replaces the file by a new one beside it, which needs a folder
    // this user can create files in.
    const QString folder = QFileInfo(resolvedPath(path)).absolutePath();
    return ::faccessat(AT_FDCWD, QFile::encodeName(folder).constData(), W_OK | X_OK, AT_EACCESS) != 0;
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
    const QString realPath = resolvedPath(dataPath);
    const SaveLock lock(realPath);

    const bool existed = QFileInfo::exists(dataPath);
    checkReplaceable(dataPath);

    QFile source(dataPath);
    if (existed && !source.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        failRead(source);
    const QString backupName = backupPath(dataPath);
    // A data file named *.~txt is its own backup name: the new content would
    // replace the backup at once, so there is none.
    const bool withBackup = existed && makeBackup && withRealFolder(backupName) != withRealFolder(realPath);
    const std::optional<mode_t> backupMode = withBackup ? checkBackupName(backupName) : std::nullopt;

    // QSaveFile writes a symlinked data file through to its target, so the
    // link itself stays in place.
    QSaveFile data(dataPath);
    openTarget(data);

    // The backup is complete before the data file is replaced. A file that
    // needs converting is copied into both in the same pass.
    BackupFile backup(backupName);
    if (withBackup && !startsWithCrLfOnly(source))
        openBackup(backup, source, backupMode);

    const Sink dataSink{&data, dataPath};
    Copied old;
    if (existed)
        old = backup.isOpen() ? copyWithCrLf(source, {dataSink, backup.sink()}) : copyWithCrLf(source, {dataSink});
    const QByteArray entry = entryBytes(reportLines, existed, old.lineOpen);
    writeAll(dataSink, entry.constData(), entry.size());

    const bool linked = withBackup && finishBackup(backup, source, old, backupMode, dataPath);
    commit(data);
    // The linked backup still carries the data file's permissions; a backup
    // that existed before keeps its own.
    if (linked && backupMode)
        ::fchmod(source.handle(), *backupMode);
}

} // namespace zz::output
