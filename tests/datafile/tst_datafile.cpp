#include "TestFiles.h"
#include "output/Cp1252.h"
#include "output/DataFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <QRegularExpression>

#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>
#include <csignal>
#include <memory>
#include <set>

using namespace zz::output;
using zz::test::readAll;
using zz::test::writeFile;

namespace {

using Lines = std::vector<std::string>;

const Lines kEntryA = {"Farbcode: Gelb - Violett - Braun", "Wert: 470 Ohm", "Toleranz: ± 23,5 Ohm (= 5%)",
                       "(4.Ring hat die Farbe: Gold)"};
const Lines kEntryB = {"Farbcode: Rot - Rot - Rot", "Wert: 2,2 kOhm"};

QByteArray crlf(const Lines &lines)
{
    QByteArray out;
    for (const auto &line : lines)
        out += toCp1252(line) + "\r\n";
    return out;
}

// Runs the save tool, as the unprivileged user "nobody" when asked.
struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun runTool(const QStringList &args, bool asNobody = false)
{
    QProcess tool;
    if (asNobody)
        tool.start("setpriv", QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", ZZ_SAVETOOL} + args);
    else
        tool.start(ZZ_SAVETOOL, args);
    if (!tool.waitForFinished(120000) || tool.exitStatus() != QProcess::NormalExit)
        return {};
    return {tool.exitCode(), QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed(),
            QString::fromLocal8Bit(tool.readAllStandardError()).trimmed()};
}

// Runs the save tool as another user, with the system's messages in English.
ToolRun runToolAs(const QString &user, const QStringList &args)
{
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "C");
    tool.setProcessEnvironment(env);
    tool.start("setpriv", QStringList{"--reuid=" + user, "--regid=" + user, "--init-groups", ZZ_SAVETOOL} + args);
    if (!tool.waitForFinished(120000) || tool.exitStatus() != QProcess::NormalExit)
        return {};
    return {tool.exitCode(), QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed(),
            QString::fromLocal8Bit(tool.readAllStandardError()).trimmed()};
}

bool runAs(const QString &user, const QStringList &command)
{
    return QProcess::execute("setpriv", QStringList{"--reuid=" + user, "--regid=" + user, "--init-groups"} + command)
        == 0;
}

// Two unprivileged accounts made for the test, both also members of a group
// of their own; removed again at the end.
class CoUsers final
{
public:
    CoUsers()
        : a(QString("zz%1a").arg(::getpid())), b(QString("zz%1b").arg(::getpid())),
          group(QString("zz%1g").arg(::getpid()))
    {
        m_ok = retry({"groupadd", group}) && retry({"useradd", "-M", "-U", "-G", group, "-s", "/bin/false", a})
            && retry({"useradd", "-M", "-U", "-G", group, "-s", "/bin/false", b});
    }
    ~CoUsers()
    {
        retry({"userdel", a});
        retry({"userdel", b});
        retry({"groupdel", group});
    }
    CoUsers(const CoUsers &) = delete;
    CoUsers &operator=(const CoUsers &) = delete;

    bool ok() const { return m_ok; }
    const QString a;
    const QString b;
    const QString group;

private:
    // Another program may hold the account files' lock for a moment.
    static bool retry(const QStringList &command)
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            QProcess p;
            p.start(command.first(), command.mid(1));
            if (p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
                return true;
            if (p.readAllStandardError().contains("already exists"))
                return true;
        }
        return false;
    }
    bool m_ok = false;
};

bool chownTo(const QString &path, const QString &user, const QString &group)
{
    return QProcess::execute("chown", {"-h", user + ":" + group, path}) == 0;
}

bool chmodTo(const QString &path, mode_t mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

struct stat statOf(const QString &path)
{
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st;
}

// The shared folder for co-user cases: "group" is writable by the group
// (its files take the group's id), "sticky" by everyone, like /tmp.
QString sharedFolder(const QTemporaryDir &top, const QString &kind, const CoUsers &users)
{
    const QString folder = top.filePath(kind);
    if (!QDir().mkpath(folder) || !chmodTo(top.path(), 0755))
        return {};
    if (kind == "group") {
        if (!chownTo(folder, "root", users.group) || !chmodTo(folder, 02770))
            return {};
    } else if (!chmodTo(folder, 01777)) {
        return {};
    }
    return folder;
}

QStringList allNames(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

} // namespace

class TestDataFile final : public QObject
{
    Q_OBJECT

private slots:
    void backupName_data();
    void backupName();
    void reservedNames_data();
    void reservedNames();
    void nameAndFolderParts();
    void caption();
    void cp1252();

    void firstSaveIntoNewFile();
    void secondSaveKeepsFirstEntryInBackup();
    void backupSwitchedOff();
    void existingFileLineEnds_data();
    void existingFileLineEnds();
    void foreignBytesSurvive();
    void lineEndAcrossChunkBoundary_data();
    void lineEndAcrossChunkBoundary();
    void permissionsKept_data();
    void permissionsKept();
    void backupIndependentOfDataFile();
    void symlinkWrittenThrough();
    void readOnlyDetection();
    void usableDataFile();
    void refusesFolderAndReadOnlyTargets();
    void failureMidWriteLeavesFilesUnchanged_data();
    void failureMidWriteLeavesFilesUnchanged();
    void backupNameNeverFollowed_data();
    void backupNameNeverFollowed();
    void dataFileNamedLikeItsBackup();
    void writersTakeTurns();
    void busyLockStopsTheSave();
    void otherUser_data();
    void otherUser();
    void coUserLinkNotFollowed_data();
    void coUserLinkNotFollowed();
    void coUserCannotBlockSaves_data();
    void coUserCannotBlockSaves();
    void coUserBackupInStickyFolder();
    void groupMembersTakeTurns();
    void permissionErrorsAtOnce_data();
    void permissionErrorsAtOnce();
    void rootKeepsOwnerAndGroup();
    void staleTempsRemoved();
    void crashedSavesLeaveNothing();
    void longNames_data();
    void longNames();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<CoUsers> m_users;
    QString path(const QString &name) const { return m_dir.filePath(name); }
};

void TestDataFile::backupName_data()
{
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("backup");
    QTest::newRow("extension") << "/d/werte.txt" << "/d/werte.~txt";
    QTest::newRow("no extension") << "/d/werte" << "/d/werte.~txt";
    QTest::newRow("dotted folder") << "/d/v1.2/werte" << "/d/v1.2/werte.~txt";
    QTest::newRow("dotted folder with ext") << "/d/v1.2/werte.dat" << "/d/v1.2/werte.~txt";
    QTest::newRow("last dot counts") << "/d/a.b.txt" << "/d/a.b.~txt";
    QTest::newRow("hidden file") << "/d/.werte" << "/d/.~txt";
    QTest::newRow("trailing dot") << "/d/werte." << "/d/werte.~txt";
    QTest::newRow("bare name") << "werte.txt" << "werte.~txt";
}

void TestDataFile::backupName()
{
    QFETCH(QString, data);
    QFETCH(QString, backup);
    QCOMPARE(backupPath(data), backup);
}

void TestDataFile::reservedNames_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("reserved");
    QTest::newRow("readme.txt") << "/x/readme.txt" << true;
    QTest::newRow("README.TXT") << "/x/README.TXT" << true;
    QTest::newRow("Lizenz.txt") << "/x/y/Lizenz.txt" << true;
    QTest::newRow("LiesMich.TXT") << "LiesMich.TXT" << true;
    QTest::newRow("liesmich.txt, dotted folder") << "/a.b/liesmich.txt" << true;
    QTest::newRow("readme.txt.bak") << "/x/readme.txt.bak" << false;
    QTest::newRow("meinreadme.txt") << "/x/meinreadme.txt" << false;
    QTest::newRow("readme.txt.txt") << "/x/readme.txt.txt" << false;
    QTest::newRow("readme2.txt") << "/x/readme2.txt" << false;
    QTest::newRow("reserved folder name") << "/readme.txt/werte.txt" << false;
    // Only A-Z are lowered: a dotless capital I stays what it is.
    QTest::newRow("non-ASCII capital") << QString::fromUtf8("/x/L\u0130ZENZ.txt") << false;
}

void TestDataFile::reservedNames()
{
    QFETCH(QString, path);
    QFETCH(bool, reserved);
    QCOMPARE(isReservedName(path), reserved);
}

void TestDataFile::nameAndFolderParts()
{
    QCOMPARE(fileNamePart("/home/a/Ringe.txt"), QString("Ringe.txt"));
    QCOMPARE(folderPart("/home/a/Ringe.txt"), QString("/home/a/"));
    QCOMPARE(fileNamePart("Ringe.txt"), QString("Ringe.txt"));
    QCOMPARE(folderPart("Ringe.txt"), QString());
    QCOMPARE(fileNamePart("/Ringe.txt"), QString("Ringe.txt"));
    QCOMPARE(folderPart("/Ringe.txt"), QString("/"));
}

void TestDataFile::caption()
{
    QCOMPARE(dataFileCaption(QString()), QString("Zedezedidor"));
    QCOMPARE(dataFileCaption("/home/a/Ringe.txt"), QString("Zedezedidor - [Ringe.txt]"));
}

void TestDataFile::cp1252()
{
    QCOMPARE(toCp1252(std::string_view("± °C Ä ß € – ‰")), QByteArray("\xB1 \xB0" "C \xC4 \xDF \x80 \x96 \x89"));
    // Characters without a Windows-1252 form, including those outside the BMP.
    QCOMPARE(toCp1252(std::string_view("a→b😀c")), QByteArray("a?b?c"));
    // Every byte from the character Windows-1252 gives it: 0x80..0x9F as the
    // code page prints them (its five holes are the C1 controls), the rest Latin-1.
    static constexpr char16_t kHigh[32] = {
        u'€', 0x81, u'‚', u'ƒ', u'„', u'…', u'†', u'‡', u'ˆ', u'‰', u'Š', u'‹', u'Œ', 0x8D, u'Ž', 0x8F,
        0x90, u'‘', u'’', u'“', u'”', u'•', u'–', u'—', u'˜', u'™', u'š', u'›', u'œ', 0x9D, u'ž', u'Ÿ',
    };
    QString text;
    QByteArray all;
    for (int i = 0; i < 256; ++i) {
        text.append(QChar(i >= 0x80 && i < 0xA0 ? kHigh[i - 0x80] : char16_t(i)));
        all.append(char(i));
    }
    QCOMPARE(toCp1252(text), all);
}

void TestDataFile::firstSaveIntoNewFile()
{
    const QString file = path("neu.txt");
    appendEntry(file, true, kEntryA);
    QCOMPARE(readAll(file), crlf(kEntryA));
    QVERIFY(readAll(file).contains("\xB1 23,5"));
    QVERIFY(!QFile::exists(path("neu.~txt")));
}

void TestDataFile::secondSaveKeepsFirstEntryInBackup()
{
    const QString file = path("zwei.txt");
    appendEntry(file, true, kEntryA);
    appendEntry(file, true, kEntryB);
    QCOMPARE(readAll(file), crlf(kEntryA) + "\r\n" + crlf(kEntryB));
    QCOMPARE(readAll(path("zwei.~txt")), crlf(kEntryA));

    // One generation only.
    appendEntry(file, true, kEntryA);
    QCOMPARE(readAll(path("zwei.~txt")), crlf(kEntryA) + "\r\n" + crlf(kEntryB));
}

void TestDataFile::backupSwitchedOff()
{
    const QString file = path("ohne.txt");
    writeFile(file, "alt\r\n");
    writeFile(path("ohne.~txt"), "vorige Sicherung");
    appendEntry(file, false, kEntryB);
    QCOMPARE(readAll(file), "alt\r\n\r\n" + crlf(kEntryB));
    QCOMPARE(readAll(path("ohne.~txt")), QByteArray("vorige Sicherung"));
}

void TestDataFile::existingFileLineEnds_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("lines");  // the old content as the program writes it back
    QTest::newRow("zero bytes") << QByteArray() << QByteArray();
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QByteArray("a\r\nb\r\n");
    QTest::newRow("LF only") << QByteArray("a\nb\n") << QByteArray("a\r\nb\r\n");
    QTest::newRow("CR only") << QByteArray("a\rb\r") << QByteArray("a\r\nb\r\n");
    QTest::newRow("unterminated") << QByteArray("a\r\nb") << QByteArray("a\r\nb\r\n");
    QTest::newRow("mixed, empty lines") << QByteArray("\n\r\r\na\n\rb") << QByteArray("\r\n\r\n\r\na\r\n\r\nb\r\n");
    QTest::newRow("LF CR is two ends") << QByteArray("a\n\rb") << QByteArray("a\r\n\r\nb\r\n");
    QTest::newRow("only a line end") << QByteArray("\n") << QByteArray("\r\n");
}

void TestDataFile::existingFileLineEnds()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, lines);
    const QString file = path("enden.txt");
    writeFile(file, before);
    appendEntry(file, true, kEntryB);
    QCOMPARE(readAll(file), lines + "\r\n" + crlf(kEntryB));
    QCOMPARE(readAll(path("enden.~txt")), lines);
}

void TestDataFile::foreignBytesSurvive()
{
    QByteArray before("NUL\0 mitten\r\n", 13);
    before += "\x81\x8D\x8F\x90\x9D\r\n";
    before += QString::fromUtf8("UTF-8: äöü ± €").toUtf8() + "\r\n";
    before += QByteArray(1024 * 1024, 'x') + "\r\n";
    before += "\xFF\xFE";  // unterminated
    const QString file = path("fremd.txt");
    writeFile(file, before);
    appendEntry(file, true, kEntryA);
    QCOMPARE(readAll(path("fremd.~txt")), before + "\r\n");
    QCOMPARE(readAll(file), before + "\r\n\r\n" + crlf(kEntryA));
}

void TestDataFile::lineEndAcrossChunkBoundary_data()
{
    constexpr int chunk = 64 * 1024;
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("lines");
    const QByteArray head(chunk - 1, 'a');
    QTest::newRow("CR LF split") << head + "\r\nb\r\n" << head + "\r\nb\r\n";
    QTest::newRow("lone CR at chunk end") << head + "\rb" << head + "\r\nb\r\n";
    QTest::newRow("CR at end, LF next chunk, then LF") << head + "\r\n\n" << head + "\r\n\r\n";
    const QByteArray twoChunks(2 * chunk - 1, 'c');
    QTest::newRow("second boundary") << twoChunks + "\r\n" << twoChunks + "\r\n";
    QTest::newRow("exactly one chunk, CR last") << head + "\r" << head + "\r\n";
    // The first chunk needs no change, a later one does.
    const QByteArray clean = QByteArray(chunk - 2, 'd') + "\r\n";
    QTest::newRow("LF in the second chunk") << clean + "e\nf\r\n" << clean + "e\r\nf\r\n";
    QTest::newRow("unterminated in the second chunk") << clean + "e" << clean + "e\r\n";
}

void TestDataFile::lineEndAcrossChunkBoundary()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, lines);
    const QString file = path("grenze.txt");
    writeFile(file, before);
    appendEntry(file, true, kEntryB);
    QCOMPARE(readAll(path("grenze.~txt")), lines);
    QCOMPARE(readAll(file), lines + "\r\n" + crlf(kEntryB));
}

void TestDataFile::permissionsKept_data()
{
    // CR LF content lets the old file itself become the backup; LF content
    // is copied. The permissions must come out the same either way.
    QTest::addColumn<QByteArray>("before");
    QTest::newRow("CR LF") << QByteArray("alt\r\n");
    QTest::newRow("LF") << QByteArray("alt\n");
}

void TestDataFile::permissionsKept()
{
    QFETCH(QByteArray, before);
    const QString file = path("rechte.txt");
    const QString backupFile = path("rechte.~txt");
    const auto dataPerms = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    const auto backupPerms = QFile::ReadOwner | QFile::WriteOwner;
    writeFile(file, before);
    QVERIFY(QFile::setPermissions(file, dataPerms));
    QFile::remove(backupFile);

    // A new backup has the data file's permissions, an existing one keeps its own.
    appendEntry(file, true, kEntryB);
    QCOMPARE(QFile::permissions(file) & 0x7077, dataPerms);
    QCOMPARE(QFile::permissions(backupFile) & 0x7077, dataPerms);
    QVERIFY(QFile::setPermissions(backupFile, backupPerms));
    appendEntry(file, true, kEntryB);
    QCOMPARE(QFile::permissions(file) & 0x7077, dataPerms);
    QCOMPARE(QFile::permissions(backupFile) & 0x7077, backupPerms);
}

void TestDataFile::backupIndependentOfDataFile()
{
    const QString file = path("getrennt.txt");
    const QString backupFile = path("getrennt.~txt");
    appendEntry(file, true, kEntryA);
    appendEntry(file, true, kEntryB);
    const QByteArray firstBackup = readAll(backupFile);
    // Changing the data file in place must not reach the backup.
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadWrite));
        f.write("XX");
    }
    QCOMPARE(readAll(backupFile), firstBackup);

    // A data file with a second hard link: that link keeps the old content
    // and the backup does not share it.
    const QString other = path("zweiter-name.txt");
    QVERIFY(::link(QFile::encodeName(file).constData(), QFile::encodeName(other).constData()) == 0);
    const QByteArray old = readAll(file);
    appendEntry(file, true, kEntryA);
    QCOMPARE(readAll(backupFile), old);
    writeFile(other, "geändert");
    QCOMPARE(readAll(backupFile), old);
}

void TestDataFile::symlinkWrittenThrough()
{
    const QString target = path("ziel.txt");
    const QString link = path("verweis.txt");
    writeFile(target, "alt\n");
    QVERIFY(QFile::link(target, link));
    appendEntry(link, true, kEntryB);
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readAll(target), "alt\r\n\r\n" + crlf(kEntryB));
    // The backup lies beside the name the user chose.
    QCOMPARE(readAll(path("verweis.~txt")), QByteArray("alt\r\n"));
}

void TestDataFile::readOnlyDetection()
{
    const QString file = path("schutz.txt");
    writeFile(file, "x");
    QVERIFY(!isReadOnly(file));
    // Decided by the owner's write bit, so it holds when the tests run as root.
    QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QVERIFY(isReadOnly(file));
    QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::WriteGroup));
    QVERIFY(isReadOnly(file));
    QVERIFY(!isReadOnly(path("gibtsnicht.txt")));
    QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
}

void TestDataFile::usableDataFile()
{
    writeFile(path("gut.txt"), "x");
    QVERIFY(isUsableDataFile(path("gut.txt")));
    QVERIFY(!isUsableDataFile(QString()));
    QVERIFY(!isUsableDataFile(path("fehlt.txt")));
    QVERIFY(m_dir.path().size() > 0 && !isUsableDataFile(m_dir.path()));
    writeFile(path("README.txt"), "x");
    QVERIFY(!isUsableDataFile(path("README.txt")));
    writeFile(path("nurlesen.txt"), "x");
    QVERIFY(QFile::setPermissions(path("nurlesen.txt"), QFile::ReadOwner));
    QVERIFY(!isUsableDataFile(path("nurlesen.txt")));
}

void TestDataFile::refusesFolderAndReadOnlyTargets()
{
    QVERIFY(QDir(m_dir.path()).mkpath("ordner.txt/innen"));
    QVERIFY_THROWS_EXCEPTION(DataFileError, appendEntry(path("ordner.txt"), true, kEntryA));
    QVERIFY(QFileInfo(path("ordner.txt")).isDir());
    QVERIFY(QFileInfo(path("ordner.txt/innen")).isDir());

    const QString file = path("geschuetzt.txt");
    writeFile(file, "alt\r\n");
    QVERIFY(QFile::setPermissions(file, QFile::ReadOwner));
    try {
        appendEntry(file, true, kEntryA);
        QFAIL("a read-only data file was replaced");
    } catch (const DataFileError &e) {
        QVERIFY2(e.message().contains(file), qPrintable(e.message()));
    }
    QCOMPARE(readAll(file), QByteArray("alt\r\n"));
    QVERIFY(!QFile::exists(path("geschuetzt.~txt")));

    // A protected backup is not replaced behind the user's back either, and
    // the data file then stays as it was.
    const QString other = path("frei.txt");
    writeFile(other, "alt\r\n");
    writeFile(path("frei.~txt"), "sicher");
    QVERIFY(QFile::setPermissions(path("frei.~txt"), QFile::ReadOwner));
    QVERIFY_THROWS_EXCEPTION(DataFileError, appendEntry(other, true, kEntryA));
    QCOMPARE(readAll(other), QByteArray("alt\r\n"));
    QCOMPARE(readAll(path("frei.~txt")), QByteArray("sicher"));
}

void TestDataFile::failureMidWriteLeavesFilesUnchanged_data()
{
    QTest::addColumn<bool>("backup");
    QTest::addColumn<int>("oldSize");
    // The limit is 64 KiB: the first row fails in the backup already, the
    // second only in the data file (old content fits, the entry does not).
    QTest::newRow("backup on, big file") << true << 200 * 1024;
    QTest::newRow("backup on, data file over the limit") << true << 64 * 1024 - 8;
    QTest::newRow("backup off") << false << 200 * 1024;
}

void TestDataFile::failureMidWriteLeavesFilesUnchanged()
{
    QFETCH(bool, backup);
    QFETCH(int, oldSize);
    const QString file = path("voll.txt");
    QByteArray before(oldSize - 2, 'z');
    before += "\r\n";
    writeFile(file, before);
    writeFile(path("voll.~txt"), "vorige Sicherung");

    QProcess tool;
    tool.setChildProcessModifier([] {
        const rlimit limit{64 * 1024, 64 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        // Let write() fail with EFBIG instead of the signal killing the tool.
        ::signal(SIGXFSZ, SIG_IGN);
    });
    tool.start(ZZ_SAVETOOL, {file, backup ? "1" : "0", "Farbcode: Rot - Rot - Rot", "Wert: 2,2 kOhm"});
    QVERIFY(tool.waitForFinished(60000));
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), 1);
    const QString error = QString::fromLocal8Bit(tool.readAllStandardError());
    QVERIFY2(error.contains("konnte nicht geschrieben werden"), qPrintable(error));

    QCOMPARE(readAll(file), before);
    QCOMPARE(readAll(path("voll.~txt")), QByteArray("vorige Sicherung"));
    // No temporary files left behind.
    QCOMPARE(QDir(m_dir.path()).entryList({"voll*"}, QDir::Files | QDir::Hidden).size(), 2);
}

void TestDataFile::backupNameNeverFollowed_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("symlink to another file") << "symlink";
    QTest::newRow("symlink to a missing file") << "dangling";
    QTest::newRow("symlink to the data file") << "symlink-data";
    QTest::newRow("hard link to another file") << "hardlink";
    QTest::newRow("hard link to the data file") << "hardlink-data";
}

void TestDataFile::backupNameNeverFollowed()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString file = dir.filePath("werte.txt");
    const QString backupFile = dir.filePath("werte.~txt");
    const QString victim = dir.filePath("opfer");
    writeFile(file, "alt\r\n");
    writeFile(victim, "fremd\n");
    const QByteArray local = QFile::encodeName(backupFile);
    if (kind == "symlink")
        QVERIFY(::symlink("opfer", local.constData()) == 0);
    else if (kind == "dangling")
        QVERIFY(::symlink("neu-angelegt", local.constData()) == 0);
    else if (kind == "symlink-data")
        QVERIFY(::symlink("werte.txt", local.constData()) == 0);
    else if (kind == "hardlink")
        QVERIFY(::link(QFile::encodeName(victim).constData(), local.constData()) == 0);
    else
        QVERIFY(::link(QFile::encodeName(file).constData(), local.constData()) == 0);

    // Twice: the second save meets the backup the first one made.
    for (int round = 0; round < 2; ++round) {
        const QByteArray old = readAll(file);
        appendEntry(file, true, kEntryB);
        QCOMPARE(readAll(file), old + "\r\n" + crlf(kEntryB));
        QVERIFY(!QFileInfo(backupFile).isSymLink());
        QCOMPARE(readAll(backupFile), old);
        QCOMPARE(readAll(victim), QByteArray("fremd\n"));
        QVERIFY(!QFile::exists(dir.filePath("neu-angelegt")));
        QCOMPARE(allNames(dir.path()), QStringList({"opfer", "werte.txt", "werte.~txt"}));
    }
}

void TestDataFile::dataFileNamedLikeItsBackup()
{
    // messung.~txt is where the backup of messung.txt goes: never a data file.
    QTemporaryDir dir;
    const QString file = dir.filePath("messung.~txt");
    writeFile(file, "alt\r\n");
    QVERIFY(isBackupName(file));
    QVERIFY(!isUsableDataFile(file));
    try {
        appendEntry(file, true, kEntryA);
        QFAIL("a backup name was saved into");
    } catch (const DataFileError &e) {
        QVERIFY2(e.message().contains("Sicherungskopie einer anderen Datei"), qPrintable(e.message()));
    }
    QCOMPARE(readAll(file), QByteArray("alt\r\n"));
    QVERIFY(!isBackupName(dir.filePath("messung.~txt.txt")));

    // messung.txt, the user's own link to its own backup name: no backup.
    QVERIFY(QFile::link("messung.~txt", dir.filePath("messung.txt")));
    appendEntry(dir.filePath("messung.txt"), true, kEntryA);
    QCOMPARE(readAll(file), "alt\r\n\r\n" + crlf(kEntryA));
    QVERIFY(QFileInfo(dir.filePath("messung.txt")).isSymLink());
    QCOMPARE(allNames(dir.path()), QStringList({"messung.txt", "messung.~txt"}));
}

void TestDataFile::writersTakeTurns()
{
    // Several processes saving into one file at once lose no entry.
    constexpr int writers = 4;
    constexpr int saves = 20;
    QTemporaryDir dir;
    const QString file = dir.filePath("gemeinsam.txt");
    std::vector<std::unique_ptr<QProcess>> tools;
    for (int w = 0; w < writers; ++w) {
        tools.push_back(std::make_unique<QProcess>());
        tools.back()->start(ZZ_SAVETOOL, {"--repeat", QString::number(saves), file, QString::number(w)});
    }
    for (auto &tool : tools) {
        QVERIFY(tool->waitForFinished(120000));
        QVERIFY2(tool->exitCode() == 0, tool->readAllStandardError().constData());
    }
    std::set<QByteArray> seen;
    const QByteArray text = readAll(file);
    // Every entry whole: its two lines, then the empty line (the last one:
    // the end of the file).
    const QList<QByteArray> blocks = text.split('\n');
    QCOMPARE(blocks.size(), writers * saves * 3);
    for (qsizetype i = 0; i < blocks.size(); i += 3) {
        QVERIFY(blocks[i].startsWith("Schreiber ") && blocks[i].endsWith('\r'));
        QVERIFY(blocks[i + 1].startsWith("Eintrag ") && blocks[i + 1].endsWith('\r'));
        QCOMPARE(blocks[i + 2], i + 3 == blocks.size() ? QByteArray() : QByteArray("\r"));
        QVERIFY(seen.insert(blocks[i] + blocks[i + 1]).second);
    }
    QCOMPARE(int(seen.size()), writers * saves);
    QCOMPARE(allNames(dir.path()), QStringList({"gemeinsam.txt", "gemeinsam.~txt"}));
}

void TestDataFile::busyLockStopsTheSave()
{
    // Another save that does not finish (a write lock, which only someone who
    // may write the file can take): this one gives up after a while and
    // writes nothing.
    QTemporaryDir dir;
    const QString file = dir.filePath("besetzt.txt");
    writeFile(file, "alt\r\n");
    const int held = ::open(QFile::encodeName(file).constData(), O_RDWR | O_CLOEXEC);
    QVERIFY(held >= 0);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    QVERIFY(::fcntl(held, F_OFD_SETLK, &lock) == 0);
    const ToolRun run = runTool({file, "1", "neu"});
    ::close(held);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("gerade von einem anderen Programm gespeichert."), qPrintable(run.err));
    QCOMPARE(readAll(file), QByteArray("alt\r\n"));
    QVERIFY(!QFile::exists(dir.filePath("besetzt.~txt")));
}

void TestDataFile::otherUser_data()
{
    // Files set up by root; the save code runs as "nobody" in a folder that
    // everybody may write to.
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("check");   // what --check says
    QTest::addColumn<bool>("saves");
    QTest::newRow("root's file, 0644") << "foreign" << "read-only unusable" << false;
    QTest::newRow("root's file, 0666") << "foreign-shared" << "writable usable" << true;
    QTest::newRow("own file, folder not writable") << "locked-folder" << "read-only unusable" << false;
    QTest::newRow("own file, backup of root") << "foreign-backup" << "writable usable" << true;
    QTest::newRow("own file, backup a link to root's file") << "backup-link" << "writable usable" << true;
}

void TestDataFile::otherUser()
{
    if (::geteuid() != 0)
        QSKIP("needs root to act as another user");
    QFETCH(QString, setup);
    QFETCH(QString, check);
    QFETCH(bool, saves);
    QTemporaryDir top;
    const QString folder = top.filePath("geteilt");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(::chmod(QFile::encodeName(top.path()).constData(), 0755) == 0);
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0777) == 0);
    const QString file = folder + "/werte.txt";
    const QString backupFile = folder + "/werte.~txt";
    const QString rootFile = folder + "/root.txt";
    writeFile(file, "alt\r\n");
    writeFile(rootFile, "root\n");
    const auto own = [](const QString &path) {
        return ::chown(QFile::encodeName(path).constData(), 65534, 65534) == 0;
    };
    if (setup == "foreign") {
        QVERIFY(::chmod(QFile::encodeName(file).constData(), 0644) == 0);
    } else if (setup == "foreign-shared") {
        QVERIFY(::chmod(QFile::encodeName(file).constData(), 0666) == 0);
    } else {
        QVERIFY(own(file));
        if (setup == "locked-folder")
            QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0755) == 0);
        else if (setup == "foreign-backup")
            writeFile(backupFile, "root-sicherung\n");
        else
            QVERIFY(::symlink("root.txt", QFile::encodeName(backupFile).constData()) == 0);
    }

    QCOMPARE(runTool({"--check", file}, true).out, check);
    const QByteArray before = readAll(file);
    const ToolRun run = runTool({file, "1", "neu"}, true);
    QCOMPARE(readAll(rootFile), QByteArray("root\n"));
    if (!saves) {
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(readAll(file), before);
        QVERIFY(!QFile::exists(backupFile));
        QVERIFY2(run.err.endsWith('.') && run.err.count(file) == 1, qPrintable(run.err));
        return;
    }
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QCOMPARE(readAll(file), before + "\r\nneu\r\n");
    QCOMPARE(readAll(backupFile), before);
    // The backup is nobody's own file, never a link to root's.
    QFileInfo info(backupFile);
    QVERIFY(!info.isSymLink());
    QCOMPARE(info.ownerId(), 65534u);
    QCOMPARE(allNames(folder), QStringList({"root.txt", "werte.txt", "werte.~txt"}));
}

// The co-users, made once for all cases that need them.
#define NEED_CO_USERS(users)                                                                                   \
    if (::geteuid() != 0)                                                                                      \
        QSKIP("needs root to make the co-users");                                                              \
    if (!m_users)                                                                                              \
        m_users = std::make_unique<CoUsers>();                                                                 \
    const CoUsers &users = *m_users;                                                                           \
    QVERIFY(users.ok())

void TestDataFile::coUserLinkNotFollowed_data()
{
    QTest::addColumn<QString>("folderKind");
    QTest::newRow("group folder") << "group";
    QTest::newRow("sticky folder") << "sticky";
}

void TestDataFile::coUserLinkNotFollowed()
{
    // B puts a link at the name A's data file will have; A's save must not
    // write into A's private file behind it.
    QFETCH(QString, folderKind);
    NEED_CO_USERS(users);
    QTemporaryDir top;
    const QString folder = sharedFolder(top, folderKind, users);
    QVERIFY(!folder.isEmpty());
    const QString home = top.filePath("a");
    QVERIFY(QDir().mkpath(home) && chownTo(home, users.a, users.a) && chmodTo(home, 0700));
    const QString secret = home + "/privat.sh";
    writeFile(secret, "#!/bin/sh\necho privat\n");
    QVERIFY(chownTo(secret, users.a, users.a) && chmodTo(secret, 0700));
    const QString file = folder + "/werte.txt";
    QVERIFY(runAs(users.b, {"ln", "-s", secret, file}));

    const ToolRun run = runToolAs(users.a, {file, "1", "neu"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("Verweis \"" + file + "\"") && run.err.contains(users.b), qPrintable(run.err));
    QCOMPARE(readAll(secret), QByteArray("#!/bin/sh\necho privat\n"));
    QVERIFY(QFileInfo(file).isSymLink());
    QCOMPARE(allNames(folder), QStringList{"werte.txt"});
    // And it is not taken for read-only, which would only ask for another file.
    QCOMPARE(runToolAs(users.a, {"--check", file}).out, QString("writable unusable"));

    // A's own link is the designed way to keep the data file elsewhere.
    QVERIFY(QFile::remove(file));
    QVERIFY(runAs(users.a, {"ln", "-s", secret, file}));
    const ToolRun own = runToolAs(users.a, {file, "0", "neu"});
    QVERIFY2(own.exitCode == 0, qPrintable(own.err));
    QCOMPARE(readAll(secret), QByteArray("#!/bin/sh\r\necho privat\r\n\r\nneu\r\n"));
}

void TestDataFile::coUserCannotBlockSaves_data()
{
    QTest::addColumn<QString>("folderKind");
    QTest::newRow("group folder") << "group";
    QTest::newRow("sticky folder") << "sticky";
}

void TestDataFile::coUserCannotBlockSaves()
{
    // B may read A's data file but not write it: B's locks on it and a file
    // at the old lock name do not make A wait.
    QFETCH(QString, folderKind);
    NEED_CO_USERS(users);
    QTemporaryDir top;
    const QString folder = sharedFolder(top, folderKind, users);
    QVERIFY(!folder.isEmpty());
    const QString file = folder + "/werte.txt";
    writeFile(file, "alt\r\n");
    QVERIFY(chownTo(file, users.a, users.group) && chmodTo(file, 0644));

    QProcess holder;
    holder.start("setpriv", {"--reuid=" + users.b, "--regid=" + users.b, "--init-groups", ZZ_SAVETOOL, "--hold", file});
    QVERIFY(holder.waitForReadyRead(60000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("bereit"));
    QElapsedTimer took;
    took.start();
    const ToolRun run = runToolAs(users.a, {file, "1", "neu"});
    const qint64 ms = took.elapsed();
    holder.kill();
    holder.waitForFinished();
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    // Well below the wait for a real writer (5 s).
    QVERIFY2(ms < 4000, qPrintable(QString::number(ms)));
    QCOMPARE(readAll(file), QByteArray("alt\r\n\r\nneu\r\n"));
    QCOMPARE(readAll(folder + "/werte.~txt"), QByteArray("alt\r\n"));
}

void TestDataFile::coUserBackupInStickyFolder()
{
    // B's file at the backup name cannot be replaced by A in a sticky
    // folder: the save says whose file is in the way and changes nothing.
    NEED_CO_USERS(users);
    QTemporaryDir top;
    const QString folder = sharedFolder(top, "sticky", users);
    QVERIFY(!folder.isEmpty());
    const QString file = folder + "/werte.txt";
    const QString backupFile = folder + "/werte.~txt";
    writeFile(file, "alt\r\n");
    writeFile(backupFile, "von b\n");
    QVERIFY(chownTo(file, users.a, users.a) && chownTo(backupFile, users.b, users.b));

    const ToolRun run = runToolAs(users.a, {file, "1", "neu"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("\"" + backupFile + "\"") && run.err.contains("\"" + users.b + "\""),
             qPrintable(run.err));
    QVERIFY2(!run.err.contains("Operation not permitted"), qPrintable(run.err));
    QCOMPARE(readAll(file), QByteArray("alt\r\n"));
    QCOMPARE(readAll(backupFile), QByteArray("von b\n"));
    QCOMPARE(allNames(folder), QStringList({"werte.txt", "werte.~txt"}));

    // Without a backup the save goes through.
    const ToolRun without = runToolAs(users.a, {file, "0", "neu"});
    QVERIFY2(without.exitCode == 0, qPrintable(without.err));
    QCOMPARE(readAll(file), QByteArray("alt\r\n\r\nneu\r\n"));
}

void TestDataFile::groupMembersTakeTurns()
{
    // A and B share a data file through their group and save at the same
    // time: no entry is lost, and the file stays the group's.
    NEED_CO_USERS(users);
    QTemporaryDir top;
    const QString folder = sharedFolder(top, "group", users);
    QVERIFY(!folder.isEmpty());
    const QString file = folder + "/gemeinsam.txt";
    writeFile(file, "");
    QVERIFY(chownTo(file, users.a, users.group) && chmodTo(file, 0660));
    constexpr int saves = 15;
    std::vector<std::unique_ptr<QProcess>> tools;
    for (const QString &user : {users.a, users.b}) {
        tools.push_back(std::make_unique<QProcess>());
        tools.back()->start("setpriv", {"--reuid=" + user, "--regid=" + user, "--init-groups", ZZ_SAVETOOL,
                                        "--repeat", QString::number(saves), file, user});
    }
    for (auto &tool : tools) {
        QVERIFY(tool->waitForFinished(120000));
        QVERIFY2(tool->exitCode() == 0, tool->readAllStandardError().constData());
    }
    const QByteArray text = readAll(file);
    for (const QString &user : {users.a, users.b}) {
        for (int i = 0; i < saves; ++i)
            QVERIFY(text.contains(("Schreiber " + user + "\r\nEintrag " + QString::number(i) + "\r\n").toUtf8()));
    }
    QCOMPARE(text.count("Schreiber "), 2 * saves);
    const struct stat st = statOf(file);
    QCOMPARE(QFileInfo(file).group(), users.group);
    QCOMPARE(st.st_mode & 07777, mode_t(0660));
    for (const QString &user : {users.a, users.b})
        QCOMPARE(runToolAs(user, {"--check", file}).out, QString("writable usable"));
}

void TestDataFile::permissionErrorsAtOnce_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("error");  // empty: the save goes through
    QTest::newRow("folder not searchable") << "no-search" << "Permission denied";
    QTest::newRow("own old lock file, mode 000") << "old-lock" << "";
}

void TestDataFile::permissionErrorsAtOnce()
{
    QFETCH(QString, setup);
    QFETCH(QString, error);
    NEED_CO_USERS(users);
    QTemporaryDir top;
    QVERIFY(chmodTo(top.path(), 0755));
    const QString folder = top.filePath("eigen");
    QVERIFY(QDir().mkpath(folder));
    const QString file = folder + "/werte.txt";
    writeFile(file, "alt\r\n");
    QVERIFY(chownTo(folder, users.a, users.a) && chownTo(file, users.a, users.a));
    if (setup == "no-search") {
        QVERIFY(chmodTo(folder, 0600));
    } else {
        const QString lock = folder + "/.werte.txt.~lock";
        writeFile(lock, "");
        QVERIFY(chownTo(lock, users.a, users.a) && chmodTo(lock, 0));
    }
    QElapsedTimer took;
    took.start();
    const ToolRun run = runToolAs(users.a, {file, "1", "neu"});
    QVERIFY2(took.elapsed() < 4000, qPrintable(QString::number(took.elapsed())));
    if (error.isEmpty()) {
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QCOMPARE(readAll(file), QByteArray("alt\r\n\r\nneu\r\n"));
        return;
    }
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(error) && !run.err.contains("anderen Programm"), qPrintable(run.err));
    QVERIFY(chmodTo(folder, 0755));
    QCOMPARE(readAll(file), QByteArray("alt\r\n"));
}

void TestDataFile::rootKeepsOwnerAndGroup()
{
    // Root saving another user's file leaves it, and its backup, theirs.
    if (::geteuid() != 0)
        QSKIP("needs root");
    QTemporaryDir dir;
    const QString file = dir.filePath("fremd.txt");
    const QString backupFile = dir.filePath("fremd.~txt");
    writeFile(file, "alt\n");
    QVERIFY(::chown(QFile::encodeName(file).constData(), 4242, 4343) == 0 && chmodTo(file, 0640));
    // A file a third user put at the backup name does not make them the
    // owner of the copy.
    writeFile(backupFile, "fremd\n");
    QVERIFY(::chown(QFile::encodeName(backupFile).constData(), 5555, 5555) == 0 && chmodTo(backupFile, 0666));
    for (int round = 0; round < 2; ++round) {
        appendEntry(file, true, kEntryB);
        for (const QString &name : {file, backupFile}) {
            const struct stat st = statOf(name);
            QCOMPARE(st.st_uid, uid_t(4242));
            QCOMPARE(st.st_gid, gid_t(4343));
            QCOMPARE(st.st_mode & 07777, mode_t(0640));
        }
    }
    QCOMPARE(readAll(file), "alt\r\n\r\n" + crlf(kEntryB) + "\r\n" + crlf(kEntryB));
}

void TestDataFile::staleTempsRemoved()
{
    // Leftovers of saves that were cut off go at the next save; files of
    // others, files in use and files that only look alike stay.
    QTemporaryDir dir;
    const QString file = dir.filePath("werte.txt");
    writeFile(file, "alt\r\n");
    const QStringList stale = {".werte.txt.~0123abcd.tmp", ".werte.~txt.~89abcdef.tmp", "werte.~txt.0011aabb.tmp"};
    const QStringList kept = {".werte.txt.~fedcba98.tmp", ".werte.txt.~0000aaaa.tmp", "werte.txt.0123abcd.tmp",
                              "werte.txt.notizen", ".werte.txt.~0123abcd.tmp.alt"};
    for (const QString &name : stale + kept)
        writeFile(dir.filePath(name), QByteArray(1000, 'x'));
    if (::geteuid() == 0)
        QVERIFY(::chown(QFile::encodeName(dir.filePath(kept[0])).constData(), 4242, 4242) == 0);
    else
        QVERIFY(QFile::remove(dir.filePath(kept[0])));
    const int inUse = ::open(QFile::encodeName(dir.filePath(kept[1])).constData(), O_RDONLY | O_CLOEXEC);
    QVERIFY(inUse >= 0 && ::flock(inUse, LOCK_EX) == 0);
    appendEntry(file, true, kEntryA);
    ::close(inUse);
    QStringList expected = QStringList{"werte.txt", "werte.~txt"} + kept;
    if (::geteuid() != 0)
        expected.removeOne(kept[0]);
    expected.sort();
    QCOMPARE(allNames(dir.path()), expected);
}

void TestDataFile::crashedSavesLeaveNothing()
{
    // Saves of a big file killed at random moments, then one more save: no
    // temporary file is left, the data file holds the old lines and whole
    // entries after them, and it shares nothing with its backup.
    QTemporaryDir dir;
    const QString file = dir.filePath("gross.txt");
    QByteArray old;
    for (int i = 0; old.size() < 1024 * 1024; ++i)
        old += "Zeile " + QByteArray::number(i) + " mit etwas Text, damit sie lang genug ist\r\n";
    writeFile(file, old);
    QElapsedTimer one;
    one.start();
    QCOMPARE(runTool({file, "1", "Schreiber eins", "Eintrag 0"}).exitCode, 0);
    const qint64 saveUsec = std::max<qint64>(one.nsecsElapsed() / 1000, 2000);
    auto *random = QRandomGenerator::global();
    for (int kill = 0; kill < 20; ++kill) {
        QProcess tool;
        tool.start(ZZ_SAVETOOL, {"--crash", QString::number(random->bounded(3 * saveUsec)), file});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitStatus(), QProcess::CrashExit);
    }
    QCOMPARE(runTool({file, "1", "Schreiber zuletzt", "Eintrag 0"}).exitCode, 0);

    const QByteArray text = readAll(file);
    QVERIFY(text.startsWith(old));
    const QByteArray last = "\r\nSchreiber zuletzt\r\nEintrag 0\r\n";
    QVERIFY(text.endsWith(last));
    const QList<QByteArray> entries = text.sliced(old.size()).split('\n');
    // Each entry: the empty line, the writer, the number.
    QCOMPARE(entries.size() % 3, 1);
    for (qsizetype i = 0; i + 1 < entries.size(); i += 3) {
        QCOMPARE(entries[i], QByteArray("\r"));
        QVERIFY(entries[i + 1].startsWith("Schreiber ") && entries[i + 1].endsWith('\r'));
        QVERIFY(entries[i + 2].startsWith("Eintrag ") && entries[i + 2].endsWith('\r'));
    }
    QCOMPARE(allNames(dir.path()), QStringList({"gross.txt", "gross.~txt"}));
    QCOMPARE(statOf(file).st_nlink, nlink_t(1));
    QCOMPARE(statOf(dir.filePath("gross.~txt")).st_nlink, nlink_t(1));
    QCOMPARE(readAll(dir.filePath("gross.~txt")) + last, text);
}

void TestDataFile::longNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("backupName");
    const QString a240 = QString(236, 'a');
    QTest::newRow("242 bytes") << QString(238, 'a') + ".txt" << QString(238, 'a') + ".~txt";
    QTest::newRow("248 bytes") << QString(244, 'a') + ".txt" << QString(244, 'a') + ".~txt";
    QTest::newRow("255 bytes") << QString(251, 'a') + ".txt" << QString(250, 'a') + ".~txt";
    QTest::newRow("255 bytes, no extension") << QString(255, 'b') << QString(250, 'b') + ".~txt";
    // 2-byte characters: the cut falls between them, never inside one.
    QTest::newRow("255 bytes of umlauts")
        << QString(125, QChar(0xE4)) + "a.txt" << QString(125, QChar(0xE4)) + ".~txt";
}

void TestDataFile::longNames()
{
    // Any name the file system takes is saved, with backup.
    QFETCH(QString, name);
    QFETCH(QString, backupName);
    QTemporaryDir dir;
    const QString file = dir.filePath(name);
    QVERIFY(QFile::encodeName(name).size() <= 255);
    QCOMPARE(fileNamePart(backupPath(file)), backupName);
    QVERIFY(QFile::encodeName(backupName).size() <= 255);
    appendEntry(file, true, kEntryA);
    appendEntry(file, true, kEntryB);
    appendEntry(file, true, kEntryB);
    QCOMPARE(readAll(file), crlf(kEntryA) + "\r\n" + crlf(kEntryB) + "\r\n" + crlf(kEntryB));
    QCOMPARE(readAll(dir.filePath(backupName)), crlf(kEntryA) + "\r\n" + crlf(kEntryB));
    QStringList expected{name, backupName};
    expected.sort();
    QCOMPARE(allNames(dir.path()), expected);
}

QTEST_GUILESS_MAIN(TestDataFile)
#include "tst_datafile.moc"
