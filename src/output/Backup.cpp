#include "output/Backup.h"

#include "output/DataFile.h"

#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace zz::output::save {

namespace {

// Tries that many fresh temporary names for the link before copying instead.
constexpr int kLinkAttempts = 16;

[[noreturn]] void failForeignBackup(const QString &backupName, const QString &owner, const QString &dataPath)
{
    fail(QStringLiteral("Die Sicherungsdatei \"%1\" kann nicht ersetzt werden: Sie gehört dem Benutzer \"%2\", "
                        "und in diesem Ordner darf nur er sie ersetzen. Die Datei \"%3\" bleibt unverändert.")
             .arg(native(backupName), owner, native(dataPath)));
}

} // namespace

void BackupFile::open(mode_t mode, const struct stat &owner)
{
    guarded(m_path, [&] { m_file.open(0600); });
    struct stat kept = owner;
    kept.st_mode = mode;
    m_file.takeOwnership(kept);
}

void BackupFile::commit()
{
    guarded(m_path, [&] { m_file.replace(); });
}

bool BackupFile::linkFrom(int sourceFd, const QString &sourcePath)
{
    struct stat source {};
    if (::fstat(sourceFd, &source) != 0 || source.st_nlink != 1 || source.st_uid != ::geteuid())
        return false;
    // Keeps the link from being taken for a cut-off save's leftover.
    ::flock(sourceFd, LOCK_EX | LOCK_NB);
    for (int attempt = 0; attempt < kLinkAttempts; ++attempt) {
        const QByteArray temp = m_file.freshName();
        if (::link(QFile::encodeName(sourcePath).constData(), temp.constData()) != 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        // The name may have been swapped since it was opened.
        const auto linked = safety::lstatOf(QFile::decodeName(temp));
        if (!linked || !safety::sameFile(*linked, source)) {
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
    return {st->st_mode & safety::kModeBits};
}

void openBackup(BackupFile &backup, const QFile &source, const BackupName &old)
{
    struct stat st {};
    ::fstat(source.handle(), &st);
    backup.open(old.mode.value_or(st.st_mode & safety::kModeBits), st);
}

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

} // namespace zz::output::save
