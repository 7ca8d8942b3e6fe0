#include "TestFiles.h"
#include "settings/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

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
    void pathsStartingWithAt_data();
    void pathsStartingWithAt();
    void notAPlainFile_data();
    void notAPlainFile();
    void hugeStore();
    void agreesWithQSettings_data();
    void agreesWithQSettings();
    void sameReadingAsQSettings();

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
                                     << QString("/home/a") + QChar(0) + "b.txt" << -1 << "<none>" << "5"
                                     << QByteArrayList{};
    QTest::newRow("random bytes")
        << QByteArray("[General]\n\xFF\xFE\x01Unsinn\nDatei=/home/a/Ringe.txt\n\x80=\x81\r\nBackup=0\n")
        << a << 0 << "<none>" << "<none>" << QByteArrayList{"\n\xFF\xFE\x01Unsinn\n", "\n\x80=\x81\r\n"};
    QTest::newRow("broken UTF-8 in the path") << QByteArray("[General]\nDatei=/home/\xFFx.txt\nTop=1\n")
                                              << QString("/home/") + QChar(0xFFFD) + "x.txt" << -1 << "<none>"
                                              << "1" << QByteArrayList{};
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

void TestSettings::pathsStartingWithAt_data()
{
    // QSettings reads a text starting with "@" as a typed value unless the
    // "@" is doubled; these names would come back changed or empty.
    QTest::addColumn<QString>("datei");
    for (const char *name : {"@@zwei.txt", "@ByteArray(Ringe.txt)", "@String(Ringe.txt)", "@Invalid()",
                             "@Variant(x)", "@/daten/Ringe.txt"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestSettings::pathsStartingWithAt()
{
    QFETCH(QString, datei);
    writeStore("[General]\n");
    QVERIFY(save(datei, true, 1, 2));
    QSettings qt(storePath(), QSettings::IniFormat);
    QCOMPARE(qt.status(), QSettings::NoError);
    QCOMPARE(qt.value("Datei").toString(), datei);
    QCOMPARE(load().datei.value_or("<none>"), datei);
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

namespace {

// The program's values from what QSettings reads: texts only, numbers in
// the 32-bit range, Backup as a number or true/false.
StoredSettings fromQSettings(const QString &file)
{
    QSettings qt(file, QSettings::IniFormat);
    auto text = [&qt](const char *key) -> std::optional<QString> {
        const QVariant v = qt.value(key);
        if (v.typeId() != QMetaType::QString)
            return std::nullopt;
        return v.toString();
    };
    auto number = [](const std::optional<QString> &t) -> std::optional<qlonglong> {
        bool ok = false;
        const qlonglong n = t && !t->contains(QChar(0)) ? t->trimmed().toLongLong(&ok) : 0;
        return ok ? std::optional<qlonglong>(n) : std::nullopt;
    };
    StoredSettings s;
    s.datei = text("Datei");
    const auto backup = text("Backup");
    if (const auto n = number(backup))
        s.backup = *n != 0;
    else if (backup && backup->trimmed().compare("true", Qt::CaseInsensitive) == 0)
        s.backup = true;
    else if (backup && backup->trimmed().compare("false", Qt::CaseInsensitive) == 0)
        s.backup = false;
    for (auto [key, field] : {std::pair{"Left", &s.left}, std::pair{"Top", &s.top}}) {
        const auto n = number(text(key));
        if (n && *n >= INT_MIN && *n <= INT_MAX)
            *field = int(*n);
    }
    return s;
}

QString shown(const StoredSettings &s)
{
    auto opt = [](const auto &v) { return v ? QVariant(*v).toString() : QString("<none>"); };
    return QString("Datei=%1 Backup=%2 Left=%3 Top=%4").arg(opt(s.datei), opt(s.backup), opt(s.left), opt(s.top));
}

bool same(const StoredSettings &a, const StoredSettings &b)
{
    return a.datei == b.datei && a.backup == b.backup && a.left == b.left && a.top == b.top;
}

// Every key but the program's four, with its value as QSettings reads it.
QMap<QString, QVariant> otherKeys(const QString &file)
{
    QSettings qt(file, QSettings::IniFormat);
    QMap<QString, QVariant> keys;
    for (const QString &key : qt.allKeys()) {
        // value() looks "/Datei" up as "Datei": such names stand for the four.
        QString asLookedUp = key;
        while (asLookedUp.contains("//"))
            asLookedUp.replace("//", "/");
        while (asLookedUp.startsWith('/'))
            asLookedUp.remove(0, 1);
        while (asLookedUp.endsWith('/'))
            asLookedUp.chop(1);
        if (!QStringList{"Datei", "Backup", "Left", "Top"}.contains(asLookedUp))
            keys.insert(key, qt.value(key));
    }
    return keys;
}

// A store made of the pieces QSettings' format has: sections, quoting,
// escapes, continuation lines, comments, odd keys, line ends of all kinds.
QByteArray generatedStore(QRandomGenerator &random, bool nearLimit)
{
    static const QByteArrayList sections = {"[General]", "[general]", " [ GENERAL ] ", "[General", "[%General]",
                                            "[Andere]", "[]", "[a\\\\b]", "[General]x=1", "[Fenster]", "[%44atei]"};
    static const QByteArrayList keys = {"Datei", "Backup", "Left", "Top", "%44atei", "%U0044atei", "datei",
                                        "Dat%65i", " Left", "Top\t", "Fremd", "a\\\\b", "Le%", "Breite", "\"Top\""};
    static const QByteArrayList values = {"12", " -5 ", "true", "FALSE", "x", "\"a;b\"", "\"a{eol}Left=5\"",
                                          "1\\{eol}2", "\\x41\\x42", "\\101", "a\\nb", "\\\"q\\\"", "a, b", "\"a, b\"",
                                          "@String(s)", "@ByteArray(1)", "@@x", "@x", "x ; Kommentar", "\xC3\xA4",
                                          "\xFF", "\"x\" y", "2147483648", "7\\", "\"", "/home/a/b.txt", "",
                                          "\\", "\\x", "\\0", "\"\\\"\"", "a=b", "\\\r\n"};
    static const QByteArrayList eols = {"\n", "\r\n", "\r"};
    const QByteArray eol = eols[random.bounded(3)];
    QByteArray store = random.bounded(10) == 0 ? "\xEF\xBB\xBF" : "";
    const int lines = random.bounded(1, 14);
    for (int i = 0; i < lines; ++i) {
        const QByteArray end = random.bounded(12) == 0 ? eols[random.bounded(3)] : eol;
        switch (random.bounded(8)) {
        case 0:
            store += sections[random.bounded(sections.size())] + end;
            break;
        case 1:
            store += (random.bounded(2) ? "; Kommentar" : "") + end;
            break;
        case 2:
            store += "Top" + end;  // no '=': QSettings complains but reads on
            break;
        default: {
            QByteArray value = values[random.bounded(values.size())];
            value.replace("{eol}", end);
            store += keys[random.bounded(keys.size())] + (random.bounded(4) ? "=" : " = ") + value + end;
        }
        }
    }
    if (random.bounded(4) == 0)
        store.chop(eol.size());  // no line end at the end
    if (nearLimit) {
        const qsizetype fill = 1024 * 1024 - store.size() - 20 - random.bounded(200);
        store += "Fuell=" + QByteArray(std::max<qsizetype>(fill, 0), 'f') + eol;
    }
    return store;
}

} // namespace

void TestSettings::agreesWithQSettings_data()
{
    QTest::addColumn<QByteArray>("store");
    // The faults that hand-made cases found first.
    QTest::newRow("quoted value over two lines") << QByteArray("[General]\nDatei=\"a\nLeft=5\"\nTop=1\n");
    QTest::newRow("Datei over two lines") << QByteArray("[General]\nDatei=\"/home/a\n/b.txt\"\nAnders=1\n");
    QTest::newRow("continued line") << QByteArray("[General]\nLeft=1\\\n2\nTop=3\n");
    QTest::newRow("escaped key") << QByteArray("[General]\n%44atei=/x.txt\n");
    QTest::newRow("section without ]") << QByteArray("[General\nLeft=4\n");
    QTest::newRow("CR LF, no line end at the end") << QByteArray("[General]\r\nFremd=1\r\nLeft=4");
}

void TestSettings::agreesWithQSettings()
{
    QFETCH(QByteArray, store);
    writeStore(store);
    QCOMPARE(shown(load()), shown(fromQSettings(storePath())));
    const auto before = otherKeys(storePath());
    QVERIFY(save("/home/x/neu.txt", false, 11, 22));
    const QByteArray written = readStore();
    QCOMPARE(shown(fromQSettings(storePath())), QString("Datei=/home/x/neu.txt Backup=false Left=11 Top=22"));
    QCOMPARE(otherKeys(storePath()), before);
    if (store.contains("\r\n"))
        QCOMPARE(written.count("\n"), written.count("\r\n"));
    QCOMPARE(written.endsWith('\n'), store.endsWith('\n'));
}

void TestSettings::sameReadingAsQSettings()
{
    // Generated stores against QSettings itself: the program reads the same
    // four values, and its rewrite leaves every other key as QSettings read
    // it, the line ends as they were and the store within the size limit.
    QRandomGenerator random(20261207);
    QTemporaryDir copies;
    for (int round = 0; round < 300; ++round) {
        const bool nearLimit = round % 40 == 0;
        const QByteArray store = generatedStore(random, nearLimit);
        writeStore(store);
        // QSettings caches by name: each reading gets a name of its own.
        const QString before = copies.filePath(QString("vorher%1.conf").arg(round));
        zz::test::writeFile(before, store);
        const StoredSettings ours = load();
        const StoredSettings qt = fromQSettings(before);
        QVERIFY2(same(ours, qt), qPrintable(shown(ours) + " / QSettings: " + shown(qt) + "\n" + store.toPercentEncoding()));

        static const QStringList paths = {"/home/a/b.txt", "/home/a/x;y, \"z\".txt", "@/home/a", " /a b ",
                                          QString::fromUtf8("/home/ä\\b\tc.txt"), QString()};
        const QString datei = paths[random.bounded(paths.size())];
        const bool backup = random.bounded(2);
        const int left = int(random.generate());
        const int top = random.bounded(-100, 100);
        if (!save(datei, backup, left, top)) {
            QVERIFY2(nearLimit, store.toPercentEncoding().constData());
            QCOMPARE(readStore(), store);
            continue;
        }
        const QByteArray written = readStore();
        QVERIFY(written.size() <= 1024 * 1024);
        const QString after = copies.filePath(QString("nachher%1.conf").arg(round));
        zz::test::writeFile(after, written);
        StoredSettings expected;
        expected.datei = datei;
        expected.backup = backup;
        expected.left = left;
        expected.top = top;
        const StoredSettings reread = fromQSettings(after);
        QVERIFY2(same(reread, expected),
                 qPrintable(shown(reread) + "\n" + store.toPercentEncoding() + "\n" + written.toPercentEncoding()));
        QVERIFY2(same(load(), expected), qPrintable(shown(load())));
        QVERIFY2(otherKeys(after) == otherKeys(before),
                 qPrintable(store.toPercentEncoding() + "\n" + written.toPercentEncoding()));
        // No line end turned into another kind, none added at the end.
        if (!store.contains('\r'))
            QVERIFY(!written.contains('\r'));
        if (!store.isEmpty() && !store.endsWith('\n') && !store.endsWith('\r'))
            QVERIFY(!written.endsWith('\n') && !written.endsWith('\r'));
        QFile::remove(before);
        QFile::remove(after);
    }
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
