#include "output/DataFile.h"

#include "output/Cp1252.h"
#include "output/FileSafety.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

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
constexpr qint64 kRetryMs = 60000;

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

// Where the bytes of a save go: the data file's or the backup's temporary
// file, with the name that an error message gives.
struct Sink {
    safety::TempFile *file;
    QString name;
};

// Runs a step of the save; a refusal names the file it concerns.
template <typename Step>
auto guarded(const QString &path, Step step)
{
    try {
        return step();
    } catch (const safety::Refusal &refusal) {
        // The reason may name the file itself (a link at its name).
        fail(QStringLiteral("Die Datei \"%1\" konnte nicht geschrieben werden: %2.").arg(native(path), refusal.reason));
    }
}

// Retries short writes, so the one that cannot go on reports the system's reason.
void writeAll(const Sink &sink, const char *data, qsizetype size)
{
    guarded(sink.name, [&] { sink.file->write(data, size); });
}

[[noreturn]] void failRead(const QFile &file)
{
    fail(QStringLiteral("Die Datei \"%1\" konnte nicht gelesen werden: %2")
             .arg(native(file.fileName()), sentence(file.errorString(), file.fileName())));
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

// The path with its folder's symlinks resolved, the name itself kept as it is.
QString withRealFolder(const QString &path)
{
    const QFileInfo info(path);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? info.absoluteFilePath() : folder + QLatin1Char('/') + info.fileName();
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The backup is written under a temporary name beside it and renamed over
// the backup name, so whatever stood there (a symlink, a hard link, another
// user's file) is replaced as a name and never written through.
class BackupFile final
{
public:
    explicit BackupFile(const QString &path) : m_path(path), m_file(path) {}

    // owner: the file whose owner and group the backup keeps.
    void open(mode_t mode, const struct stat &owner)
    {
        guarded(m_path, [&] { m_file.open(0600); });
        struct stat kept = owner;
        kept.st_mode = mode;
        m_file.takeOwnership(kept);
    }

    bool isOpen() const { return m_file.isOpen(); }
    Sink sink() { return {&m_file, m_path}; }

    void commit()
    {
        guarded(m_path, [&] { m_file.replace(); });
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
        // Keeps the link from being taken for a cut-off save's leftover.
        ::flock(sourceFd, LOCK_EX | LOCK_NB);
        for (int attempt = 0; attempt < 16; ++attempt) {
            const QByteArray temp = m_file.freshName();
            if (::link(QFile::encodeName(sourcePath).constData(), temp.constData()) != 0) {
                if (errno == EEXIST)
                    continue;
                return false;
            }
            // The name may have been swapped since it was opened.
            const auto linked = safety::lstatOf(QFile::decodeName(temp));
            if (!linked || !sameFile(*linked, source)) {
                ::unlink(temp.constData());
                return false;
            }
            const int renamed = ::rename(temp.constData(), QFile::encodeName(m_path).constData());
            const int error = errno;
            // rename() does nothing when both names are links to one file; the
            // temporary name must not stay behind then either.
            ::unlink(temp.constData());
            if (renamed != 0)
                failWrite(m_path, safety::reasonOf(error));
            return true;
        }
        return false;
    }

private:
    QString m_path;
    safety::TempFile m_file;
};

[[noreturn]] void failForeignBackup(const QString &backupName, const QString &owner, const QString &dataPath)
{
    fail(QStringLiteral("Die Sicherungsdatei \"%1\" kann nicht ersetzt werden: Sie gehört dem Benutzer \"%2\", "
                        "und in diesem Ordner darf nur er sie ersetzen. Die Datei \"%3\" bleibt unverändert.")
             .arg(native(backupName), owner, native(dataPath)));
}

// What stands at the backup name, looked at without following it: its mode
// when it is the user's own plain file (kept). The user's own plain file that they made read-only is
// not replaced behind their back; anything else there is replaced as a name,
// unless a sticky folder keeps it for its owner.
struct BackupName {
    std::optional<mode_t> mode;
};

BackupName checkBackupName(const QString &path, const QString &dataPath)
{
    const auto st = safety::lstatOf(path);
    if (!st)
        return {};
    if (S_ISDIR(st->st_mode))
        fail(QStringLiteral("\"%1\" ist keine Datei.").arg(native(path)));
    if (const auto owner = safety::stickyOwner(folderPart(path), *st))
        failForeignBackup(path, *owner, dataPath);
    if (!S_ISREG(st->st_mode))
        return {};
    if (st->st_uid != ::geteuid())
        return {};
    if ((st->st_mode & S_IWUSR) == 0)
        fail(QStringLiteral("Die Datei \"%1\" ist schreibgeschützt.").arg(native(path)));
    return {st->st_mode & 07777};
}

// A new backup is as private as the data file it copies and has the data
// file's owner and group, never those of whatever stood at its name: a file
// someone put there must not make them the owner of the copy.
void openBackup(BackupFile &backup, const QFile &source, const BackupName &old)
{
    struct stat st {};
    ::fstat(source.handle(), &st);
    backup.open(old.mode.value_or(st.st_mode & 07777), st);
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
bool finishBackup(BackupFile &backup, QFile &source, const Copied &old, const BackupName &backupName,
                  const QString &realPath)
{
    const bool linked = !backup.isOpen() && old.unchanged && backup.linkFrom(source.handle(), realPath);
    if (!linked && !backup.isOpen()) {
        openBackup(backup, source, backupName);
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

// The file a save replaces must be a plain file the user has not protected:
// a rename would happily replace a read-only file.
void checkReplaceable(const QString &dataPath, const safety::Target &target)
{
    if (!target.st)
        return;
    if (!S_ISREG(target.st->st_mode))
        fail(QStringLiteral("\"%1\" ist keine Datei.").arg(native(dataPath)));
    if (const auto owner = safety::stickyOwner(folderPart(target.path), *target.st))
        fail(QStringLiteral("Die Datei \"%1\" ist schreibgeschützt: Sie gehört dem Benutzer \"%2\", und in "
                            "diesem Ordner darf nur er sie ersetzen.")
                 .arg(native(dataPath), *owner));
    if (isReadOnly(dataPath))
        fail(QStringLiteral("Die Datei \"%1\" ist schreibgeschützt.").arg(native(dataPath)));
}

// One attempt; false when another writer replaced the file meanwhile
// without waiting for us, and the save must begin again.
bool saveOnce(const QString &dataPath, bool makeBackup, const std::vector<std::string> &reportLines)
{
    const safety::Target target = guarded(dataPath, [&] { return safety::resolveTarget(dataPath); });
    const QString &realPath = target.path;
    const bool existed = target.st.has_value();
    checkReplaceable(dataPath, target);

    QFile source(dataPath);
    if (existed) {
        const int fd = ::open(QFile::encodeName(realPath).constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0 && (errno == ENOENT || errno == ELOOP))
            return false;
        if (fd < 0)
            failWrite(dataPath, safety::reasonOf(errno));
        if (!source.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            failRead(source);
        }
        struct stat opened {};
        if (::fstat(fd, &opened) != 0 || !sameFile(opened, *target.st))
            return false;
        guarded(dataPath, [&] { return safety::lockForWriting(fd); });
        // Still the file under that name, not one its last writer replaced?
        const auto now = safety::lstatOf(realPath);
        if (!now || !sameFile(*now, opened))
            return false;
        // A save cut off between backup and data file left both names on
        // one file; the backup made below is a file of its own again.
        const auto atBackup = safety::lstatOf(backupPath(dataPath));
        if (atBackup && sameFile(*atBackup, opened) && withRealFolder(backupPath(dataPath)) != withRealFolder(realPath))
            ::unlink(QFile::encodeName(backupPath(dataPath)).constData());
    }

    const QString backupName = backupPath(dataPath);
    // A data file that is a link to its own backup name has no backup.
    const bool withBackup = existed && makeBackup && withRealFolder(backupName) != withRealFolder(realPath);
    const BackupName oldBackup = withBackup ? checkBackupName(backupName, dataPath) : BackupName{};

    safety::removeStaleTemps(realPath);
    if (makeBackup)
        safety::removeStaleTemps(backupName);

    safety::TempFile data(realPath);
    guarded(dataPath, [&] { data.open(existed ? 0600 : 0666); });
    // Whoever waits for the old file waits for the new one too.
    guarded(dataPath, [&] { return safety::lockForWriting(data.fd()); });

    // The backup is complete before the data file is replaced. A file that
    // needs converting is copied into both in the same pass.
    BackupFile backup(backupName);
    if (withBackup && !startsWithCrLfOnly(source))
        openBackup(backup, source, oldBackup);

    const Sink dataSink{&data, dataPath};
    Copied old;
    if (existed)
        old = backup.isOpen() ? copyWithCrLf(source, {dataSink, backup.sink()}) : copyWithCrLf(source, {dataSink});
    const QByteArray entry = entryBytes(reportLines, existed, old.lineOpen);
    writeAll(dataSink, entry.constData(), entry.size());

    const bool linked = withBackup && finishBackup(backup, source, old, oldBackup, realPath);
    if (existed) {
        data.takeOwnership(*target.st);
        const auto now = safety::lstatOf(realPath);
        if (!now || !sameFile(*now, *target.st))
            return false;
        guarded(dataPath, [&] { data.replace(); });
    } else if (!guarded(dataPath, [&] { return data.create(); })) {
        return false;  // someone else created it meanwhile: save into theirs
    }
    // The linked backup still carries the data file's permissions; a backup
    // that existed before keeps its own.
    if (linked && oldBackup.mode)
        ::fchmod(source.handle(), *oldBackup.mode);
    return true;
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
    QString stem = dot >= nameStart ? dataPath.left(dot) : dataPath;
    // A name the file system took must get a backup too: a stem too long
    // for the extension is cut, never inside a character.
    const qsizetype stemMax = safety::kNameMax - 5;
    while (QFile::encodeName(stem.mid(nameStart)).size() > stemMax) {
        stem.chop(1);
        if (!stem.isEmpty() && stem.back().isHighSurrogate())
            stem.chop(1);
    }
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
    safety::Target target;
    try {
        target = safety::resolveTarget(path);
    } catch (const safety::Refusal &) {
        return false;  // not for want of permission: the save says why
    }
    if (!target.st)
        return false;
    const QByteArray local = QFile::encodeName(target.path);
    // The owner's write bit is the file's read-only attribute; even root
    // respects it here.
    if ((target.st->st_mode & S_IWUSR) == 0)
        return true;
    // Whether this user may write it, as the system decides: owner, groups,
    // ACLs, read-only mounts.
    if (::faccessat(AT_FDCWD, local.constData(), W_OK, AT_EACCESS) != 0)
        return true;
    // A save replaces the file by a new one beside it, which needs a folder
    // this user can create files in, and in a sticky folder the file's owner.
    const QString folder = QFileInfo(target.path).absolutePath();
    return ::faccessat(AT_FDCWD, QFile::encodeName(folder).constData(), W_OK | X_OK, AT_EACCESS) != 0
        || safety::stickyOwner(folder, *target.st).has_value();
}

bool isBackupName(const QString &path)
{
    return fileNamePart(path).endsWith(QLatin1String(".~txt"));
}

bool isUsableDataFile(const QString &path)
{
    // A NUL would end the name early in every system call.
    if (path.isEmpty() || path.contains(QChar(0)))
        return false;
    // A link another user put at the name is never followed.
    try {
        const safety::Target target = safety::resolveTarget(path);
        if (!target.st || !S_ISREG(target.st->st_mode))
            return false;
    } catch (const safety::Refusal &) {
        return false;
    }
    return !isReadOnly(path) && !isReservedName(path) && !isBackupName(path);
}

void appendEntry(const QString &dataPath, bool makeBackup, const std::vector<std::string> &reportLines)
{
    if (isBackupName(dataPath))
        fail(QStringLiteral("Die Datei \"%1\" kann nicht verwendet werden: Unter diesem Namen legt das Programm "
                            "die Sicherungskopie einer anderen Datei ab.")
                 .arg(native(dataPath)));
    if (dataPath.contains(QChar(0)))
        fail(QStringLiteral("Die Datei \"%1\" kann nicht verwendet werden: Ihr Name enthält ein Nullzeichen.")
                 .arg(native(dataPath)));
    // Each attempt that has to begin again does so because another save
    // went through; only a file that keeps changing for a long time stops it.
    QElapsedTimer trying;
    trying.start();
    do {
        if (saveOnce(dataPath, makeBackup, reportLines))
            return;
    } while (trying.elapsed() < kRetryMs);
    failWrite(dataPath, QStringLiteral("Sie wurde während des Speicherns immer wieder von anderen geändert."));
}

} // namespace zz::output
