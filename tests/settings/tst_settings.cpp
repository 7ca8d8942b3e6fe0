#include "TestFiles.h"
#include "settings/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace zz::settings;

// Each case writes the store file itself, so what the program reads is what a
// user or an installer may have left there.
class TestSettings final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void storeLocation();
    void missingStore();
    void storedValues_data();
    void storedValues();
    void saveWritesAllFour();
    void backupTwoWrittenBackAsOne();
    void unreadableStore();

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

void TestSettings::missingStore()
{
    QVERIFY(!storeExists());
    const StoredSettings s = load();
    QVERIFY(!s.datei && !s.backup && !s.left && !s.top);
    QVERIFY(!save("/tmp/x.txt", true, 1, 2));
    QVERIFY(!QFileInfo::exists(storePath()));
    QVERIFY(!QFileInfo::exists(m_config.filePath("Veltrup")));
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

void TestSettings::unreadableStore()
{
    // A line without '=' cannot be parsed: the store counts as a key without
    // values, and saving writes the four values into it.
    writeStore("[General]\nLeft=10\nTop\n");
    QVERIFY(storeExists());
    const StoredSettings s = load();
    QVERIFY(!s.left && !s.top && !s.datei && !s.backup);
    QVERIFY(save("/x.txt", false, 1, 2));
    const StoredSettings again = load();
    QCOMPARE(again.datei.value_or("<none>"), QString("/x.txt"));
    QCOMPARE(again.backup, std::optional<bool>(false));
    QCOMPARE(again.left, std::optional<int>(1));
    QCOMPARE(again.top, std::optional<int>(2));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
