#include "TestFiles.h"
#include "settings/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace zz::settings;

namespace {

// A literal with NUL bytes inside, all of it but the terminating NUL.
template <std::size_t N>
QByteArray withNul(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

} // namespace

// Each case writes the store file itself, so what the program reads is what a
// user or an installer may have left there.
class TestSettings final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void storeLocation();
    void missingStore_data();
    void missingStore();
    void storedValues_data();
    void storedValues();
    void saveWritesAllFour();
    void backupTwoWrittenBackAsOne();
    void damagedStore_data();
    void damagedStore();
    void readableByQSettings();
    void notAPlainFile_data();
    void notAPlainFile();
    void hugeStore();

private:
    void writeStore(const QByteArray &content);
    QByteArray readStore() const;
    QTemporaryDir m_config;
};

void TestSettings::init()
{
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    QFile::remove(storePath());
}

void TestSettings::writeStore(const QByteArray &content)
{
    QVERIFY(QDir().mkpath(QFileInfo(storePath()).path()));
    zz::test::writeFile(storePath(), content);
}

QByteArray TestSettings::readStore() const
{
    return zz::test::readAll(storePath());
}

void TestSettings::storeLocation()
{
    QCOMPARE(storePath(), m_config.filePath("Veltrup/Zedezedidor.conf"));
}

void TestSettings::missingStore_data()
{
    QTest::addColumn<QString>("configHome");  // below the temporary folder
    QTest::addColumn<int>("umask");
    QTest::newRow("no Veltrup folder") << "" << 022;
    QTest::newRow("no config folder either") << "neu/.config" << 022;
    QTest::newRow("private umask") << "neu/.config" << 077;
    QTest::newRow("group umask") << "" << 027;
}

void TestSettings::missingStore()
{
    // A new user's first exit makes the store, as the user's other files are made.
    QFETCH(QString, configHome);
    QFETCH(int, umask);
    if (!configHome.isEmpty())
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.filePath(configHome)));
    QDir(QFileInfo(storePath()).path()).removeRecursively();
    QVERIFY(!storeExists());
    const StoredSettings s = load();
    QVERIFY(!s.datei && !s.backup && !s.left && !s.top);

    const mode_t before = ::umask(mode_t(umask));
    const bool saved = save("/tmp/x.txt", false, -1, 2);
    ::umask(before);
    QVERIFY(saved);
    QVERIFY(storeExists());
    const StoredSettings again = load();
    QCOMPARE(again.datei.value_or("<none>"), QString("/tmp/x.txt"));
    QCOMPARE(again.backup, std::optional<bool>(false));
    QCOMPARE(again.left, std::optional<int>(-1));
    QCOMPARE(again.top, std::optional<int>(2));
    QCOMPARE(readStore(), QByteArray("[General]\nDatei=/tmp/x.txt\nBackup=0\nLeft=-1\nTop=2\n"));

    struct stat file {}, folder {};
    QCOMPARE(::stat(QFile::encodeName(storePath()).constData(), &file), 0);
    QCOMPARE(::stat(QFile::encodeName(QFileInfo(storePath()).path()).constData(), &folder), 0);
    QCOMPARE(file.st_mode & 07777, mode_t(0666 & ~umask));
    QCOMPARE(folder.st_mode & 07777, mode_t(0777 & ~umask));
}

void TestSettings::storedValues_data()
{
    QTest::addColumn<QByteArray>("store");
    QTest::addColumn<QString>("datei");  // "<none>" = absent
    QTest::addColumn<int>("backup");     // -1 absent, 0 false, 1 true
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("top");

    QTest::newRow("empty store") << QByteArray() << "<none>" << -1 << "<none>" << "<none>";
    QTest::newRow("all four") << QByteArray("[General]\nDatei=/home/a/Ringe.txt\nBackup=0\nLeft=120\nTop=80\n")
                              << "/home/a/Ringe.txt" << 0 << "120" << "80";
    QTest::newRow("only Top") << QByteArray("[General]\nTop=33\n") << "<none>" << -1 << "<none>" << "33";
    QTest::newRow("empty Datei") << QByteArray("[General]\nDatei=\n") << "" << -1 << "<none>" << "<none>";
    QTest::newRow("far off screen") << QByteArray("[General]\nLeft=-30000\nTop=2147483647\n")
                                    << "<none>" << -1 << "-30000" << "2147483647";
    QTest::newRow("Backup 2") << QByteArray("[General]\nBackup=2\n") << "<none>" << 1 << "<none>" << "<none>";
    QTest::newRow("bad types") << QByteArray("[General]\nLeft=abc\nTop=99999999999\nBackup=ja\nDatei=a, b\n")
                               << "<none>" << -1 << "<none>" << "<none>";
    QTest::newRow("below int range") << QByteArray("[General]\nLeft=-2147483649\nTop=1.5\n")
                                     << "<none>" << -1 << "<none>" << "<none>";
    QTest::newRow("non-ASCII path") << QByteArray("[General]\nDatei=/home/j\\xfcrgen/M\\xe4rz.txt\n")
                                    << QString::fromUtf8("/home/jürgen/März.txt") << -1 << "<none>" << "<none>";
}

void TestSettings::storedValues()
{
    QFETCH(QByteArray, store);
    QFETCH(QString, datei);
    QFETCH(int, backup);
    QFETCH(QString, left);
    QFETCH(QString, top);
    writeStore(store);
    QVERIFY(storeExists());
    const StoredSettings s = load();
    QCOMPARE(s.datei.value_or("<none>"), datei);
    QCOMPARE(s.backup ? int(*s.backup) : -1, backup);
    QCOMPARE(s.left ? QString::number(*s.left) : QString("<none>"), left);
    QCOMPARE(s.top ? QString::number(*s.top) : QString("<none>"), top);
}

void TestSettings::saveWritesAllFour()
{
    writeStore(QByteArray());
    const QString path = QString::fromUtf8("/home/jürgen/Werte, neu.txt");
    QVERIFY(save(path, false, -5000, 70000));
    const StoredSettings s = load();
    QCOMPARE(s.datei.value_or("<none>"), path);
    QCOMPARE(s.backup, std::optional<bool>(false));
    QCOMPARE(s.left, std::optional<int>(-5000));
    QCOMPARE(s.top, std::optional<int>(70000));

    // An empty path is written too, as an empty string.
    QVERIFY(save(QString(), true, 1, 2));
    QCOMPARE(load().datei.value_or("<none>"), QString());
    QVERIFY(readStore().contains("Backup=1"));
}

void TestSettings::backupTwoWrittenBackAsOne()
{
    writeStore("[General]\nBackup=2\n");
    const StoredSettings s = load();
    QVERIFY(s.backup.value_or(false));
    QVERIFY(save(QString(), *s.backup, 0, 0));
    const QByteArray written = readStore();
    QVERIFY2(written.contains("Backup=1\n"), written.constData());
}

void TestSettings::damagedStore_data()
{
    QTest::addColumn<QByteArray>("store");
    QTest::addColumn<QString>("datei");  // "<none>" = absent
    QTest::addColumn<int>("backup");     // -1 absent, 0 false, 1 true
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("top");
    QTest::addColumn<QByteArrayList>("kept");  // lines a save must leave as they are

    const QString a = "/home/a/Ringe.txt";
    QTest::newRow("UTF-8 BOM") << QByteArray("\xEF\xBB\xBF[General]\nDatei=/home/a/Ringe.txt\nLeft=10\n")
                               << a << -1 << "10" << "<none>" << QByteArrayList{"\xEF\xBB\xBF[General]\n"};
    QTest::newRow("line without =") << QByteArray("[General]\nDatei=/home/a/Ringe.txt\nTop\nLeft=10\n")
                                    << a << -1 << "10" << "<none>" << QByteArrayList{"\nTop\n"};
    QTest::newRow("NUL byte in a value") << withNul("[General]\nDatei=/home/a/Ringe.txt\nLeft=1\0" "2\nTop=5\n")
                                         << a << -1 << "<none>" << "5" << QByteArrayList{};
    QTest::newRow("NUL in the path") << withNul("[General]\nDatei=/home/a\0b.txt\nTop=5\n")
                                     << "<none>" << -1 << "<none>" << "5" << QByteArrayList{};
    QTest::newRow("random bytes")
        << QByteArray("[General]\n\xFF\xFE\x01Unsinn\nDatei=/home/a/Ringe.txt\n\x80=\x81\r\nBackup=0\n")
        << a << 0 << "<none>" << "<none>" << QByteArrayList{"\n\xFF\xFE\x01Unsinn\n", "\n\x80=\x81\r\n"};
    QTest::newRow("broken UTF-8 in the path") << QByteArray("[General]\nDatei=/home/\xFFx.txt\nTop=1\n")
                                              << "<none>" << -1 << "<none>" << "1" << QByteArrayList{};
    QTest::newRow("Backup=false") << QByteArray("[General]\nBackup=false\n") << "<none>" << 0 << "<none>"
                                  << "<none>" << QByteArrayList{};
    QTest::newRow("Backup=true") << QByteArray("[General]\nBackup=true\n") << "<none>" << 1 << "<none>"
                                 << "<none>" << QByteArrayList{};
    QTest::newRow("Backup=FALSE, CR line ends") << QByteArray("[General]\rBackup=FALSE\rTop=4\r") << "<none>" << 0
                                                << "<none>" << "4" << QByteArrayList{};
    QTest::newRow("other sections kept") << QByteArray("[Andere]\nDatei=/x.txt\n\n[General]\nTop=3\n")
                                         << "<none>" << -1 << "<none>" << "3"
                                         << QByteArrayList{"[Andere]\nDatei=/x.txt\n\n[General]\n"};
    QTest::newRow("no section header") << QByteArray("Datei=/home/a/Ringe.txt\nFremd=1\n") << a << -1 << "<none>"
                                       << "<none>" << QByteArrayList{"Fremd=1\n"};
    QTest::newRow("quoted, escaped path") << QByteArray("[General]\nDatei=\"/home/a/Werte, \\\"neu\\\".txt\"\n")
                                          << "/home/a/Werte, \"neu\".txt" << -1 << "<none>" << "<none>"
                                          << QByteArrayList{};
}

void TestSettings::damagedStore()
{
    QFETCH(QByteArray, store);
    QFETCH(QString, datei);
    QFETCH(int, backup);
    QFETCH(QString, left);
    QFETCH(QString, top);
    QFETCH(QByteArrayList, kept);
    writeStore(store);
    const StoredSettings s = load();
    QCOMPARE(s.datei.value_or("<none>"), datei);
    QCOMPARE(s.backup ? int(*s.backup) : -1, backup);
    QCOMPARE(s.left ? QString::number(*s.left) : QString("<none>"), left);
    QCOMPARE(s.top ? QString::number(*s.top) : QString("<none>"), top);

    // The exit writes the four values and leaves everything else as it was.
    const QString path = QString::fromUtf8("/home/jürgen/Werte; \"neu\"\t.txt");
    QVERIFY(save(path, false, -7, 8));
    const StoredSettings again = load();
    QCOMPARE(again.datei.value_or("<none>"), path);
    QCOMPARE(again.backup, std::optional<bool>(false));
    QCOMPARE(again.left, std::optional<int>(-7));
    QCOMPARE(again.top, std::optional<int>(8));
    const QByteArray written = readStore();
    for (const QByteArray &line : kept)
        QVERIFY2(written.contains(line), written.constData());
    // Each value once (plus what other sections hold).
    const auto linesStartingWith = [](QByteArray text, const QByteArray &key) {
        text.replace('\r', '\n');
        int n = 0;
        for (const QByteArray &line : text.split('\n'))
            n += line.startsWith(key) ? 1 : 0;
        return n;
    };
    for (const QByteArray key : {"Datei=", "Backup=", "Left=", "Top="}) {
        int elsewhere = 0;
        for (const QByteArray &line : kept)
            elsewhere += linesStartingWith(line, key);
        QCOMPARE(linesStartingWith(written, key), 1 + elsewhere);
    }
}

void TestSettings::readableByQSettings()
{
    // The store stays in QSettings' own format.
    writeStore("[General]\nLeft=3\n\n[Fenster]\nBreite=5\n");
    const QString path = QString::fromUtf8("/home/jürgen/Werte; \"neu\"\\\t@.txt");
    QVERIFY(save("@" + path, true, 10, 20));
    QSettings qt(storePath(), QSettings::IniFormat);
    QCOMPARE(qt.status(), QSettings::NoError);
    QCOMPARE(qt.value("Datei").toString(), "@" + path);
    QCOMPARE(qt.value("Backup").toInt(), 1);
    QCOMPARE(qt.value("Left").toInt(), 10);
    QCOMPARE(qt.value("Top").toInt(), 20);
    QCOMPARE(qt.value("Fenster/Breite").toInt(), 5);
}

void TestSettings::notAPlainFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("symlink to a FIFO") << "fifo-link";
    QTest::newRow("folder") << "folder";
    QTest::newRow("dangling symlink") << "dangling-link";
    QTest::newRow("Veltrup is a file") << "file-as-folder";
}

void TestSettings::notAPlainFile()
{
    // Never opened: no hang at the start, nothing written at the exit.
    QFETCH(QString, kind);
    QVERIFY(QDir().mkpath(QFileInfo(storePath()).path()));
    const QByteArray local = QFile::encodeName(storePath());
    const QByteArray fifo = QFile::encodeName(m_config.filePath("fifo"));
    if (kind == "folder") {
        QVERIFY(QDir().mkpath(storePath()));
    } else if (kind == "dangling-link") {
        QVERIFY(::symlink(QFile::encodeName(m_config.filePath("weg/Zedezedidor.conf")).constData(),
                          local.constData()) == 0);
    } else if (kind == "file-as-folder") {
        QVERIFY(QDir(QFileInfo(storePath()).path()).removeRecursively());
        zz::test::writeFile(QFileInfo(storePath()).path(), "kein Ordner");
    } else if (kind == "fifo") {
        QVERIFY(::mkfifo(local.constData(), 0600) == 0);
    } else {
        ::unlink(fifo.constData());
        QVERIFY(::mkfifo(fifo.constData(), 0600) == 0);
        QVERIFY(::symlink(fifo.constData(), local.constData()) == 0);
    }
    ::alarm(60);  // a hang ends the test instead of the suite
    const StoredSettings s = load();
    QVERIFY(!s.datei && !s.backup && !s.left && !s.top);
    QVERIFY(!storeExists());
    QVERIFY(!save("/x.txt", true, 1, 2));
    ::alarm(0);
    const QFileInfo after(storePath());
    QVERIFY(kind == "folder" ? after.isDir() : !after.isFile());
    QVERIFY(!QFileInfo::exists(m_config.filePath("weg")));
    QDir(storePath()).removeRecursively();
    QFile::remove(storePath());
    QFile::remove(QFileInfo(storePath()).path());
}

void TestSettings::hugeStore()
{
    // Read as far as is sensible, never rewritten (that would cut it).
    QByteArray store = "[General]\nDatei=/home/a/Ringe.txt\nTop=9\n";
    store += QByteArray(4 * 1024 * 1024, 'x');
    writeStore(store);
    const StoredSettings s = load();
    QCOMPARE(s.datei.value_or("<none>"), QString("/home/a/Ringe.txt"));
    QCOMPARE(s.top, std::optional<int>(9));
    QVERIFY(!save("/x.txt", true, 1, 2));
    QCOMPARE(readStore(), store);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
