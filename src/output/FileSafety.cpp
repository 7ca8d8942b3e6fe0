#include "output/FileSafety.h"

#include "output/DataFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace zz::output::safety {

namespace {

constexpr qsizetype kTempEndSize = 4;  // ".tmp"
constexpr qsizetype kSuffixSize = 14;  // ".~" + 8 hex digits + ".tmp"
constexpr int kMaxLinkHops = 40;
constexpr qint64 kLockWaitMs = 5000;
// Between two tries for the lock: 2 to 10 ms, so waiting writers do not keep step.
constexpr useconds_t kLockPauseUs = 2000;
constexpr std::uint32_t kLockPauseSpreadUs = 8000;
// Fresh temporary names tried before giving up.
constexpr int kNameAttempts = 16;
// The random part of a temporary name: 8 hex digits.
constexpr qsizetype kRandomDigits = 8;
constexpr int kHex = 16;
// Bytes 10xxxxxx go on a UTF-8 sequence.
constexpr uchar kContinuationMask = 0xC0;
constexpr uchar kContinuation = 0x80;
// Enough for any account entry; a link's target when lstat gives no size.
constexpr std::size_t kPasswdBuffer = 16384;
constexpr std::size_t kLinkBuffer = 4096;


QByteArray folderLocal(const QString &path)
{
    const QString folder = folderPart(path);
    return folder.isEmpty() ? QByteArray(".") : QFile::encodeName(folder);
}

// "." + the name, cut so that the whole temporary name fits into kNameMax;
// a cut never splits a UTF-8 sequence.
QByteArray tempPrefix(const QByteArray &name)
{
    qsizetype keep = std::min<qsizetype>(name.size(), kNameMax - 1 - kSuffixSize);
    while (keep > 0 && keep < name.size() && (uchar(name[keep]) & kContinuationMask) == kContinuation)
        --keep;
    return '.' + name.left(keep);
}

bool isHex8(const QByteArray &text)
{
    if (text.size() != kRandomDigits)
        return false;
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

QByteArray randomHex8()
{
    return QByteArray::number(QRandomGenerator::global()->generate(), kHex).rightJustified(kRandomDigits, '0');
}

bool procFdAvailable()
{
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available;
}

QByteArray procPath(int fd)
{
    return "/proc/self/fd/" + QByteArray::number(fd);
}

} // namespace

QString reasonOf(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString userName(uid_t uid)
{
    std::vector<char> buffer(kPasswdBuffer);
    struct passwd entry {};
    struct passwd *found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return QString::fromLocal8Bit(found->pw_name);
    return QString::number(uid);
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

QString withRealFolder(const QString &path)
{
    const QFileInfo info(path);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? info.absoluteFilePath() : folder + QLatin1Char('/') + info.fileName();
}

std::optional<struct stat> lstatOf(const QString &path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return st;
}

Target resolveTarget(const QString &path)
{
    Target target{path, std::nullopt};
    int hops = 0;
    for (;;) {
        const QByteArray local = QFile::encodeName(target.path);
        struct stat st {};
        if (::lstat(local.constData(), &st) != 0) {
            if (errno != ENOENT)
                throw Refusal{reasonOf(errno)};
            break;
        }
        if (!S_ISLNK(st.st_mode)) {
            target.st = st;
            break;
        }
        // Anyone who can write the folder can put a link here; only the
        // user's own links and root's lead where the user meant to save.
        if (st.st_uid != ::geteuid() && st.st_uid != 0)
            throw Refusal{QStringLiteral("Der Verweis \"%1\" gehört dem Benutzer \"%2\"; fremden Verweisen folgt "
                                         "das Programm nicht")
                              .arg(QDir::toNativeSeparators(target.path), userName(st.st_uid))};
        if (++hops > kMaxLinkHops)
            throw Refusal{reasonOf(ELOOP)};
        std::vector<char> buffer(std::size_t(st.st_size > 0 ? st.st_size : kLinkBuffer) + 1);
        const ssize_t n = ::readlink(local.constData(), buffer.data(), buffer.size());
        if (n < 0)
            throw Refusal{reasonOf(errno)};
        if (std::size_t(n) >= buffer.size())
            throw Refusal{reasonOf(ENAMETOOLONG)};
        const QString destination = QFile::decodeName(QByteArray(buffer.data(), n));
        target.path = destination.startsWith(QLatin1Char('/')) ? destination : folderPart(target.path) + destination;
    }
    if (hops == 0)
        return target;
    // The kernel follows the same links under its own rules
    // (fs.protected_symlinks); where it refuses, so does the save.
    struct stat viaKernel {};
    if (::stat(QFile::encodeName(path).constData(), &viaKernel) == 0) {
        if (!target.st || !sameFile(viaKernel, *target.st))
            throw Refusal{QStringLiteral("Der Verweis wurde während des Speicherns geändert")};
    } else if (errno != ENOENT || target.st) {
        throw Refusal{reasonOf(errno)};
    }
    return target;
}

std::optional<QString> stickyOwner(const QString &folder, const struct stat &st)
{
    const uid_t me = ::geteuid();
    if (me == 0 || st.st_uid == me)
        return std::nullopt;
    struct stat dir {};
    const QByteArray local = folder.isEmpty() ? QByteArray(".") : QFile::encodeName(folder);
    if (::stat(local.constData(), &dir) != 0 || (dir.st_mode & S_ISVTX) == 0 || dir.st_uid == me)
        return std::nullopt;
    return userName(st.st_uid);
}

TempFile::TempFile(const QString &finalPath)
    : m_final(finalPath),
      m_finalLocal(QFile::encodeName(finalPath)),
      m_folderLocal(folderLocal(finalPath))
{
}

TempFile::~TempFile()
{
    if (!m_temp.isEmpty())
        ::unlink(m_temp.constData());
    if (m_fd >= 0)
        ::close(m_fd);
}

QByteArray TempFile::freshName() const
{
    QByteArray folder = m_folderLocal;
    if (!folder.endsWith('/'))
        folder += '/';
    return folder + tempPrefix(QFile::encodeName(fileNamePart(m_final))) + ".~" + randomHex8() + ".tmp";
}

void TempFile::open(mode_t mode)
{
    int fd = -1;
    // Unnamed while written: a save cut off leaves nothing behind.
    if (procFdAvailable()) {
        fd = ::open(m_folderLocal.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
        if (fd < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            throw Refusal{reasonOf(errno)};
        m_unnamed = fd >= 0;
    }
    for (int attempt = 0; fd < 0 && attempt < kNameAttempts; ++attempt) {
        const QByteArray temp = freshName();
        fd = ::open(temp.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            throw Refusal{reasonOf(errno)};
        m_temp = temp;
    }
    if (fd < 0)
        throw Refusal{QStringLiteral("Kein freier Name für eine temporäre Datei")};
    m_fd = fd;
    // Tells removeStaleTemps that this file is in use.
    ::flock(fd, LOCK_EX | LOCK_NB);
}

void TempFile::write(const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, std::size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw Refusal{reasonOf(n < 0 ? errno : ENOSPC)};
        data += n;
        size -= n;
    }
}

void TempFile::takeOwnership(const struct stat &old)
{
    // Best effort: an owner that cannot be kept leaves the file the saver's.
    if (::geteuid() == 0) {
        [[maybe_unused]] const int kept = ::fchown(m_fd, old.st_uid, old.st_gid);
    } else if (old.st_gid != ::getegid()) {
        // allowed to members of that group only
        [[maybe_unused]] const int kept = ::fchown(m_fd, uid_t(-1), old.st_gid);
    }
    ::fchmod(m_fd, old.st_mode & kModeBits);
}

void TempFile::name()
{
    if (::fsync(m_fd) != 0 && errno != EINVAL)
        throw Refusal{reasonOf(errno)};
    for (int attempt = 0; m_unnamed && attempt < kNameAttempts; ++attempt) {
        const QByteArray temp = freshName();
        if (::linkat(AT_FDCWD, procPath(m_fd).constData(), AT_FDCWD, temp.constData(), AT_SYMLINK_FOLLOW) != 0) {
            if (errno == EEXIST)
                continue;
            throw Refusal{reasonOf(errno)};
        }
        m_temp = temp;
        m_unnamed = false;
    }
    if (m_unnamed)
        throw Refusal{QStringLiteral("Kein freier Name für eine temporäre Datei")};
}

void TempFile::replace()
{
    name();
    if (::rename(m_temp.constData(), m_finalLocal.constData()) != 0)
        throw Refusal{reasonOf(errno)};
    m_temp.clear();
}

bool TempFile::create()
{
    if (::fsync(m_fd) != 0 && errno != EINVAL)
        throw Refusal{reasonOf(errno)};
    const int result = m_unnamed
        ? ::linkat(AT_FDCWD, procPath(m_fd).constData(), AT_FDCWD, m_finalLocal.constData(), AT_SYMLINK_FOLLOW)
        : ::link(m_temp.constData(), m_finalLocal.constData());
    if (result != 0 && errno == EEXIST)
        return false;
    if (result != 0)
        throw Refusal{reasonOf(errno)};
    if (!m_temp.isEmpty())
        ::unlink(m_temp.constData());
    m_temp.clear();
    m_unnamed = false;
    return true;
}

void removeStaleTemps(const QString &finalPath)
{
    const QByteArray name = QFile::encodeName(fileNamePart(finalPath));
    const QByteArray prefix = tempPrefix(name);
    // Earlier versions named a backup's temporary file <backup>.XXXXXXXX.tmp.
    const QByteArray earlier = name + '.';
    const bool earlierForm = name.endsWith(".~txt");
    DIR *dir = ::opendir(folderLocal(finalPath).constData());
    if (!dir)
        return;
    const int dirFd = ::dirfd(dir);
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray found(entry->d_name);
        const bool ours = found.size() == prefix.size() + kSuffixSize && found.startsWith(prefix)
            && found.mid(prefix.size(), 2) == ".~" && isHex8(found.mid(prefix.size() + 2, kRandomDigits)) && found.endsWith(".tmp");
        const bool older = earlierForm && found.size() == earlier.size() + kRandomDigits + kTempEndSize && found.startsWith(earlier)
            && isHex8(found.mid(earlier.size(), kRandomDigits)) && found.endsWith(".tmp");
        if (!ours && !older)
            continue;
        const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st {};
        struct stat now {};
        // Only this user's, only one no running save holds, only while the
        // name still stands for the file that was looked at.
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()
            && ::flock(fd, LOCK_EX | LOCK_NB) == 0
            && ::fstatat(dirFd, entry->d_name, &now, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(st, now))
            ::unlinkat(dirFd, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(dir);
}

bool lockForWriting(int fd)
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        if (::fcntl(fd, F_OFD_SETLK, &lock) == 0)
            return true;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EACCES)
            return false;  // a file system without such locks: the final check guards alone
        struct flock holder {};
        holder.l_type = F_WRLCK;
        holder.l_whence = SEEK_SET;
        if (::fcntl(fd, F_OFD_GETLK, &holder) == 0 && holder.l_type == F_RDLCK)
            return false;
        if (waited.elapsed() > kLockWaitMs)
            throw Refusal{QStringLiteral("Sie wird gerade von einem anderen Programm gespeichert")};
        ::usleep(kLockPauseUs + useconds_t(QRandomGenerator::global()->bounded(kLockPauseSpreadUs)));
    }
}

} // namespace zz::output::safety
