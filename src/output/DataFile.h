#pragma once

#include <QString>

#include <stdexcept>
#include <string>
#include <vector>

// The data file: the file the results are appended to, its one-generation
// backup beside it, and the rules for which paths may serve as data file.
// Paths are Qt paths with '/' as separator.
namespace zz::output {

// A save that could not be completed; the text names the file and the reason.
// The previous data file is left as it was.
class DataFileError final : public std::runtime_error
{
public:
    explicit DataFileError(const QString &message);
    QString message() const;
};

// Everything after the last '/', or the whole path.
QString fileNamePart(const QString &path);
// Everything up to and including the last '/', or empty.
QString folderPart(const QString &path);

// werte.txt -> werte.~txt, werte -> werte.~txt; dots in folder names don't count.
// A name too long for the new extension is cut to fit the file system.
QString backupPath(const QString &dataPath);

// Whether the name is one a backup gets (*.~txt): such a file would be
// replaced by the backup of another data file, so it is never one itself.
bool isBackupName(const QString &path);

// Readme.txt, Lizenz.txt and LiesMich.txt belong to the program and are never
// the data file, in whatever letter case and folder.
bool isReservedName(const QString &path);

// "Zedezedidor" without a data file, else "Zedezedidor - [name]".
QString dataFileCaption(const QString &dataPath);

// Read-only: the owner has no write permission, the user may not write it or
// replace it in its folder (a sticky folder keeps it for its owner), or it
// lies on a read-only file system. The owner's bit holds for root too.
bool isReadOnly(const QString &path);

// A stored data file survives the start only when it is an existing plain
// file that is not read-only and has neither a reserved name nor a backup name.
bool isUsableDataFile(const QString &path);

// Appends one entry (the report lines, UTF-8) to the data file. A symlink at
// its name is written through only when it is the user's or root's. Saves of
// everyone who may write the file take turns. When the file
// existed, its lines go first (line ends made CR LF, bytes otherwise kept),
// then an empty line; when makeBackup is set the old lines also replace the
// backup file, which is complete before the data file is replaced. The data
// file is written through a temporary file that replaces it only when
// complete, so any failure leaves the previous data file as it was. The
// backup is the old file itself when its lines need no change, else a copy
// written the same way. Replaced files keep their owner and group where the
// user may give them. A backup name (*.~txt) is refused. Throws DataFileError.
void appendEntry(const QString &dataPath, bool makeBackup, const std::vector<std::string> &reportLines);

} // namespace zz::output
