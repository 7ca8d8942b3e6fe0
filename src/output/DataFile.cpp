#include "output/DataFile.h"

#include "output/Backup.h"
#include "output/Commit.h"
#include "output/Cp1252.h"
#include "output/FileSafety.h"
#include "output/LineEnds.h"
#include "output/OldFile.h"
#include "output/SaveErrors.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zz::output {

using save::fail;
using save::guarded;
using save::native;

namespace {

// How long a save goes on beginning again while others keep replacing the file.
constexpr qint64 kRetryMs = 60000;
// The mode of a new data file before the umask; the temporary copy of an
// existing one stays private until it takes the old file's mode.
constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kPrivateMode = 0600;
// What a data file's name ends in for its backup.
constexpr QLatin1String kBackupExtension(".~txt");

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
    if (existed && !save::openOld(source, dataPath, target))
        return false;

    const QString backupName = backupPath(dataPath);
    // A data file that is a link to its own backup name has no backup.
    const bool withBackup =
        existed && makeBackup && safety::withRealFolder(backupName) != safety::withRealFolder(realPath);
    const save::BackupName oldBackup = withBackup ? save::checkBackupName(backupName, dataPath) : save::BackupName{};

    safety::removeStaleTemps(realPath);
    if (makeBackup)
        safety::removeStaleTemps(backupName);

    safety::TempFile data(realPath);
    guarded(dataPath, [&] { data.open(existed ? kPrivateMode : kNewFileMode); });
    // Whoever waits for the old file waits for the new one too.
    guarded(dataPath, [&] { return safety::lockForWriting(data.fd()); });

    // The backup is complete before the data file is replaced. A file that
    // needs converting is copied into both in the same pass.
    save::BackupFile backup(backupName);
    if (withBackup && !save::startsWithCrLfOnly(source))
        save::openBackup(backup, source, oldBackup);

    const save::Sink dataSink{&data, dataPath};
    save::Copied old;
    if (existed)
        old = backup.isOpen() ? save::copyWithCrLf(source, {dataSink, backup.sink()})
                              : save::copyWithCrLf(source, {dataSink});
    const QByteArray entry = entryBytes(reportLines, existed, old.lineOpen);
    save::writeAll(dataSink, entry.constData(), entry.size());

    const bool linked = withBackup && save::finishBackup(backup, source, old, oldBackup, realPath);
    if (!save::commitData(data, dataPath, target))
        return false;
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
    const qsizetype stemMax = safety::kNameMax - kBackupExtension.size();
    while (QFile::encodeName(stem.mid(nameStart)).size() > stemMax) {
        stem.chop(1);
        if (!stem.isEmpty() && stem.back().isHighSurrogate())
            stem.chop(1);
    }
    return stem + kBackupExtension;
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
    return fileNamePart(path).endsWith(kBackupExtension);
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
    save::failWrite(dataPath, QStringLiteral("Sie wurde während des Speicherns immer wieder von anderen geändert."));
}

} // namespace zz::output
