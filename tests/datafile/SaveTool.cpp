// zz_savetool <data file> <0|1 backup> <line>...: one save, exit 0 on success,
// 1 with the error text on stderr otherwise.
// zz_savetool --repeat <count> <data file> <writer>: count saves of the entry
// "Schreiber <writer>" / "Eintrag <i>", stopping at the first failure.
// zz_savetool --check <path>: prints "read-only" or "writable", then "usable"
// or "unusable", as this user sees the file.
#include "output/DataFile.h"

#include <QString>

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
