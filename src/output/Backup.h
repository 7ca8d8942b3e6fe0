#pragma once

#include "output/LineEnds.h"
#include "output/SaveErrors.h"

#include <QFile>
#include <QString>

#include <sys/stat.h>

#include <optional>

// The backup of a save: the old data file itself, or a copy of its lines
// with CR LF line ends, under the backup name beside it.
namespace zz::output::save {

// The backup is written under a temporary name beside it and renamed over
// the backup name, so whatever stood there (a symlink, a hard link, another
// user's file) is replaced as a name and never written through.
class BackupFile final
{
public:
    explicit BackupFile(const QString &path) : m_path(path), m_file(path) {}

    // owner: the file whose owner and group the backup keeps.
    void open(mode_t mode, const struct stat &owner);
    bool isOpen() const { return m_file.isOpen(); }
    Sink sink() { return {&m_file, m_path}; }
    void commit();
    // Gives the old data file the backup's name as a second link, when the
    // user owns it and it has no other links (which would share later changes
    // with the backup); false when that is not possible, and the backup is
    // then written as a copy.
    bool linkFrom(int sourceFd, const QString &sourcePath);

private:
    QString m_path;
    safety::TempFile m_file;
};

// What stands at the backup name, looked at without following it: its mode
// when it is the user's own plain file (kept). The user's own plain file that
// they made read-only is not replaced behind their back; anything else there
// is replaced as a name, unless a sticky folder keeps it for its owner.
struct BackupName {
    std::optional<mode_t> mode;
};
BackupName checkBackupName(const QString &path, const QString &dataPath);

// A new backup is as private as the data file it copies and has the data
// file's owner and group, never those of whatever stood at its name: a file
// someone put there must not make them the owner of the copy.
void openBackup(BackupFile &backup, const QFile &source, const BackupName &old);

// Completes the backup once the new data is written, before it replaces the
// data file: the old file itself becomes the backup when its lines needed no
// change; else the copy made in the same pass is finished, or, when the
// change lay further down the file, a second pass makes it. Tells whether
// the old file was linked.
bool finishBackup(BackupFile &backup, QFile &source, const Copied &old, const BackupName &backupName,
                  const QString &realPath);

} // namespace zz::output::save
