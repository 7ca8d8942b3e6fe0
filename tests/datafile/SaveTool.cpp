// zz_savetool <data file> <0|1 backup> <line>...: one save, exit 0 on success,
// 1 with the error text on stderr otherwise.
#include "output/DataFile.h"

#include <QString>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    std::vector<std::string> lines(argv + 3, argv + argc);
    try {
        zz::output::appendEntry(QString::fromLocal8Bit(argv[1]), std::string(argv[2]) == "1", lines);
    } catch (const zz::output::DataFileError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
