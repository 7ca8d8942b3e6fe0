// zz_savetool <data file> <0|1 backup> <line>...: one save, exit 0 on success,
// 1 with the error text on stderr otherwise.
// zz_savetool --repeat <count> <data file> <writer>: count saves of the entry
// "Schreiber <writer>" / "Eintrag <i>", stopping at the first failure.
// zz_savetool --check <path>: prints "read-only" or "writable", then "usable"
// or "unusable", as this user sees the file.
// zz_savetool --crash <microseconds> <data file>: saves with backup, one after
// the other, until it kills itself with SIGKILL after that time.
// zz_savetool --hold <data file>: what a co-user who may only read the file
// can do to it: a read lock and a flock on it, and a locked file at the name
// earlier versions locked; prints "bereit" and keeps them until killed.
#include "output/DataFile.h"

#include <QFile>
#include <QString>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/time.h>
#include <unistd.h>

#include <csignal>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

int save(const QString &file, bool backup, const std::vector<std::string> &lines)
{
    try {
        zz::output::appendEntry(file, backup, lines);
    } catch (const zz::output::DataFileError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--check") == 0) {
        const QString path = QString::fromLocal8Bit(argv[2]);
        std::printf("%s %s\n", zz::output::isReadOnly(path) ? "read-only" : "writable",
                    zz::output::isUsableDataFile(path) ? "usable" : "unusable");
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "--crash") == 0) {
        std::signal(SIGALRM, [](int) { ::kill(::getpid(), SIGKILL); });
        const long usec = std::stol(argv[2]);
        const itimerval timer{{0, 0}, {usec / 1000000, usec % 1000000 + (usec == 0 ? 1 : 0)}};
        ::setitimer(ITIMER_REAL, &timer, nullptr);
        for (int i = 0;; ++i)
            save(QString::fromLocal8Bit(argv[3]), true, {"Schreiber crash", "Eintrag " + std::to_string(i)});
    }
    if (argc == 3 && std::strcmp(argv[1], "--hold") == 0) {
        const QString path = QString::fromLocal8Bit(argv[2]);
        const int fd = ::open(argv[2], O_RDONLY);
        struct flock lock {};
        lock.l_type = F_RDLCK;
        lock.l_whence = SEEK_SET;
        if (fd < 0 || ::fcntl(fd, F_OFD_SETLK, &lock) != 0 || ::flock(fd, LOCK_EX) != 0)
            return 1;
        const QString lockName = zz::output::folderPart(path) + '.' + zz::output::fileNamePart(path) + ".~lock";
        const int planted = ::open(QFile::encodeName(lockName).constData(), O_RDWR | O_CREAT, 0444);
        if (planted < 0 || ::flock(planted, LOCK_EX) != 0)
            return 1;
        std::printf("bereit\n");
        std::fflush(stdout);
        for (;;)
            ::pause();
    }
    if (argc == 5 && std::strcmp(argv[1], "--repeat") == 0) {
        const int count = std::stoi(argv[2]);
        for (int i = 0; i < count; ++i) {
            if (save(QString::fromLocal8Bit(argv[3]), true,
                     {std::string("Schreiber ") + argv[4], "Eintrag " + std::to_string(i)}) != 0)
                return 1;
        }
        return 0;
    }
    if (argc < 3)
        return 2;
    return save(QString::fromLocal8Bit(argv[1]), std::string(argv[2]) == "1", {argv + 3, argv + argc});
}
