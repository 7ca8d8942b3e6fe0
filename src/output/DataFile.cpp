#include "output/DataFile.h"

#include "output/Cp1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <array>
#include <optional>

namespace zz::output {

namespace {

constexpr qsizetype kChunk = 64 * 1024;

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

[[noreturn]] void fail(const QString &message)
{
    throw DataFileError(message);
}

[[noreturn]] void failWrite(const QString &path, const QString &reason)
{
    fail(QStringLiteral("Die Datei \"%1\" konnte nicht geschrieben werden: %2").arg(native(path), reason));
}

// A target we replace must be a plain file the user has not protected:
// QSaveFile would happily rename over a read-only file.
void checkReplaceable(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return;
    if (!info.isFile())
        fail(QStringLiteral("\"%1\" ist keine Datei.").arg(native(path)));
    if (isReadOnly(path))
        fail(QStringLiteral("Die Datei \"%1\" ist schreibgeschützt.").arg(native(path)));
}

void openTarget(QSaveFile &file)
{
    // No direct-write fallback: writing in place is exactly what may lose the file.
    file.setDirectWriteFallback(false);
    // Unbuffered: QFileDevice's buffer flush takes a short write (file size
    // limit, disk just filled up) without an error, and QSaveFile would then
    // commit a truncated file. Writing directly, writeAll sees every short write.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        failWrite(file.fileName(), file.errorString());
}

// Retries short writes, so the one that cannot go on reports the system's reason.
void writeAll(QSaveFile &file, const char *data, qsizetype size)
{
    while (size > 0) {
        const qint64 n = file.write(data, size);
        if (n <= 0)
            failWrite(file.fileName(), file.errorString());
        data += n;
        size -= n;
    }
}

void commit(QSaveFile &file)
{
    if (!file.commit())
        failWrite(file.fileName(), file.errorString());
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
    const QString stem = dot >= nameStart ? dataPath.left(dot) : dataPath;
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
    const QByteArray local = QFile::encodeName(path);
    struct stat st {};
    if (::stat(local.constData(), &st) != 0)
        return false;
    if ((st.st_mode & S_IWUSR) == 0)
        return true;
    struct statvfs fs {};
    return ::statvfs(local.constData(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0;
}

bool isUsableDataFile(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.isFile() && !isReadOnly(path) && !isReservedName(path);
}

void appendEntry(const QString &dataPath, bool makeBackup, const std::vector<std::string> &reportLines)
{
    const bool existed = QFileInfo::exists(dataPath);
    checkReplaceable(dataPath);

    QFile source(dataPath);
    if (existed && !source.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        fail(QStringLiteral("Die Datei \"%1\" konnte nicht gelesen werden: %2")
                 .arg(native(dataPath), source.errorString()));
    }

    // A symlinked data file or backup is written through to its target (QSaveFile
    // resolves links), so the link itself stays in place.
    std::optional<QSaveFile> backup;
    if (existed && makeBackup) {
        const QString path = backupPath(dataPath);
        checkReplaceable(path);
        backup.emplace(path);
        openTarget(*backup);
    }
    QSaveFile data(dataPath);
    openTarget(data);

    // One pass over the old content, in bounded chunks: every line end (CR LF,
    // lone CR, lone LF) becomes CR LF, all other bytes stay as they are. A CR
    // at the end of one chunk may meet its LF in the next, hence pendingCr.
    bool lineOpen = false;
    if (existed) {
        std::vector<char> in(kChunk);
        std::vector<char> out(2 * kChunk + 2);
        bool pendingCr = false;
        for (;;) {
            const qint64 n = source.read(in.data(), kChunk);
            if (n < 0) {
                fail(QStringLiteral("Die Datei \"%1\" konnte nicht gelesen werden: %2")
                         .arg(native(dataPath), source.errorString()));
            }
            if (n == 0)
                break;
            char *o = out.data();
            for (const char *p = in.data(), *end = p + n; p != end; ++p) {
                const char b = *p;
                if (b == '\r') {
                    *o++ = '\r';
                    *o++ = '\n';
                    pendingCr = true;
                    lineOpen = false;
                } else if (b == '\n') {
                    if (!pendingCr) {
                        *o++ = '\r';
                        *o++ = '\n';
                    }
                    pendingCr = false;
                    lineOpen = false;
                } else {
                    *o++ = b;
                    pendingCr = false;
                    lineOpen = true;
                }
            }
            const qsizetype size = o - out.data();
            if (backup)
                writeAll(*backup, out.data(), size);
            writeAll(data, out.data(), size);
        }
        // A last line without a line end is still a line.
        if (lineOpen && backup)
            writeAll(*backup, "\r\n", 2);
    }

    QByteArray entry;
    if (existed)
        entry = lineOpen ? "\r\n\r\n" : "\r\n";
    for (const std::string &line : reportLines)
        entry += toCp1252(line) + "\r\n";
    writeAll(data, entry.constData(), entry.size());

    // The backup holds the old content before the data file is replaced.
    if (backup)
        commit(*backup);
    commit(data);
}

} // namespace zz::output
