#include "output/OldFile.h"

#include "output/DataFile.h"
#include "output/SaveErrors.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace zz::output::save {

bool openOld(QFile &source, const QString &dataPath, const safety::Target &target)
{
    const QString &realPath = target.path;
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
    if (::fstat(fd, &opened) != 0 || !safety::sameFile(opened, *target.st))
        return false;
    guarded(dataPath, [&] { return safety::lockForWriting(fd); });
    // Still the file under that name, not one its last writer replaced?
    const auto now = safety::lstatOf(realPath);
    if (!now || !safety::sameFile(*now, opened))
        return false;
    // A save cut off between backup and data file left both names on
    // one file; the backup made below is a file of its own again.
    const QString backupName = backupPath(dataPath);
    const auto atBackup = safety::lstatOf(backupName);
    if (atBackup && safety::sameFile(*atBackup, opened)
        && safety::withRealFolder(backupName) != safety::withRealFolder(realPath))
        ::unlink(QFile::encodeName(backupName).constData());
    return true;
}

} // namespace zz::output::save
