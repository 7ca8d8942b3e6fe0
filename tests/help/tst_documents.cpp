#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "MessageBoxWatcher.h"
#include "help/DocumentOpener.h"
#include "help/Help.h"

using zz::help::DocumentOpener;

namespace {

// Puts a stand-in xdg-open first on PATH (or makes PATH hold nothing else).
class FakeXdgOpen final
{
public:
    FakeXdgOpen(const QByteArray &body, bool onlyThis = false)
        : m_oldPath(qgetenv("PATH"))
    {
        if (!body.isNull()) {
            QFile script(m_dir.filePath(QStringLiteral("xdg-open")));
            if (script.open(QIODevice::WriteOnly))
                script.write("#!/bin/sh\n" + body + "\n");
            script.close();
            script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        const QByteArray dir = QFile::encodeName(m_dir.path());
        qputenv("PATH", onlyThis ? dir : dir + ':' + m_oldPath);
        qputenv("ZZ_RECORD", QFile::encodeName(recordFile()));
    }
    ~FakeXdgOpen() { qputenv("PATH", m_oldPath); }

    QString recordFile() const { return m_dir.filePath(QStringLiteral("arguments")); }
    // The arguments the stand-in received, if it ran with the recording body.
    QList<QByteArray> arguments() const
    {
        QFile file(recordFile());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QList<QByteArray> args = file.readAll().split('\0');
        args.removeLast();
        return args;
    }
    bool ran() const { return QFile::exists(recordFile()); }

    // Written to a temporary file and renamed, so a reader never sees half a record.
    static QByteArray recording()
    {
        return R"(for a in "$@"; do printf '%s\0' "$a"; done > "$ZZ_RECORD.tmp" && mv "$ZZ_RECORD.tmp" "$ZZ_RECORD")";
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldPath;
};

// Creates a document beside the test program for the length of a test.
class DocumentBesideProgram final
{
public:
    explicit DocumentBesideProgram(const QString &name)
        : m_path(QDir(QCoreApplication::applicationDirPath()).filePath(name))
    {
        QFile file(m_path);
        if (file.open(QIODevice::WriteOnly))
            file.write("Zedezedidor\r\n");
    }
    ~DocumentBesideProgram() { QFile::remove(m_path); }
    QString path() const { return m_path; }

private:
    QString m_path;
};

const QString notOpened = QStringLiteral("Datei konnte nicht geöffnet werden !");

} // namespace

class TestDocuments final : public QObject
{
    Q_OBJECT

private slots:
    void exitCodesBecomeMessages_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("message");
        using R = DocumentOpener::Result;
        QTest::newRow("opened") << QByteArray("exit 0") << int(R::Opened) << QString();
        QTest::newRow("file not found") << QByteArray("exit 2") << int(R::FileNotFound)
                                        << QStringLiteral("Die angegebene Datei wurde nicht gefunden !");
        QTest::newRow("no application for the type")
            << QByteArray("exit 3") << int(R::NoApplication)
            << QStringLiteral("Der angegebene Dateityp ist auf Ihrem Computer keiner Anwendung zugeordnet !");
        QTest::newRow("no permission to read")
            << QByteArray("exit 5") << int(R::AccessDenied)
            << QStringLiteral("Dateizugriff wird vom Betriebssystem verweigert !");
        QTest::newRow("action failed") << QByteArray("exit 4") << int(R::Failed) << notOpened;
        QTest::newRow("syntax error") << QByteArray("exit 1") << int(R::Failed) << notOpened;
        QTest::newRow("crashed") << QByteArray("kill -9 $$") << int(R::Failed) << notOpened;
    }

    void exitCodesBecomeMessages()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, result);
        QFETCH(QString, message);
        FakeXdgOpen xdgOpen(body);
        MessageBoxWatcher watcher;
        QSignalSpy finished(DocumentOpener::open(QStringLiteral("/tmp/x.txt"), nullptr),
                            &DocumentOpener::finished);
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).value<DocumentOpener::Result>(), DocumentOpener::Result(result));
        if (message.isEmpty()) {
            // The box comes before finished(), so none has come.
            watcher.lookNow();
            QVERIFY(watcher.boxes.isEmpty());
            return;
        }
        QTRY_COMPARE(watcher.boxes.size(), 1);
        QCOMPARE(watcher.boxes[0].text, message);
        QCOMPARE(watcher.boxes[0].caption, QStringLiteral("Fehler"));
        QCOMPARE(watcher.boxes[0].icon, QMessageBox::Critical);
        QCOMPARE(watcher.boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    void noXdgOpenAtAll()
    {
        FakeXdgOpen nothing(QByteArray(), true);
        MessageBoxWatcher watcher;
        QSignalSpy finished(DocumentOpener::open(QStringLiteral("/tmp/x.txt"), nullptr),
                            &DocumentOpener::finished);
        QTRY_COMPARE(finished.count(), 1);
        QTRY_COMPARE(watcher.boxes.size(), 1);
        QCOMPARE(watcher.boxes[0].text, notOpened);
        QCOMPARE(watcher.boxes[0].caption, QStringLiteral("Fehler"));
    }

    void pathArrivesAsOneArgument()
    {
        FakeXdgOpen xdgOpen(FakeXdgOpen::recording());
        QTemporaryDir folder;
        const QString name = QStringLiteral("Wider stände \"alt\" 'neu'; touch pwned $(touch pwned) `touch pwned`\nzwei.txt");
        const QString path = folder.filePath(name);
        QSignalSpy finished(DocumentOpener::open(path, nullptr), &DocumentOpener::finished);
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(xdgOpen.arguments(), QList<QByteArray>{QFile::encodeName(path)});
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("pwned"))));
        QVERIFY(!QFile::exists(QStringLiteral("pwned")));
    }

    void doesNotWaitForTheViewer()
    {
        QTemporaryDir folder;
        const QString go = folder.filePath(QStringLiteral("go"));
        qputenv("ZZ_GO", QFile::encodeName(go));
        FakeXdgOpen xdgOpen(R"(: > "$ZZ_GO.running"; while [ ! -e "$ZZ_GO" ]; do sleep 0.02; done; exit 3)");
        MessageBoxWatcher watcher;
        QSignalSpy finished(DocumentOpener::open(QStringLiteral("/tmp/x.txt"), nullptr),
                            &DocumentOpener::finished);
        // Back in the event loop while xdg-open still runs.
        QTRY_VERIFY(QFile::exists(go + QStringLiteral(".running")));
        QCOMPARE(finished.count(), 0);
        QFile(go).open(QIODevice::WriteOnly);
        QTRY_COMPARE(finished.count(), 1);
        QTRY_COMPARE(watcher.boxes.size(), 1);
    }

    void documentIsOpenedFromTheProgramFolder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("read-me") << QStringLiteral("Readme.txt");
        QTest::newRow("licence") << QStringLiteral("Lizenz.txt");
    }

    void documentIsOpenedFromTheProgramFolder()
    {
        QFETCH(QString, name);
        DocumentBesideProgram document(name);
        // A file of that name in the working folder must not be taken instead.
        QTemporaryDir elsewhere;
        QFile(elsewhere.filePath(name)).open(QIODevice::WriteOnly);
        const QString oldCwd = QDir::currentPath();
        QDir::setCurrent(elsewhere.path());
        FakeXdgOpen xdgOpen(FakeXdgOpen::recording());
        MessageBoxWatcher watcher;
        zz::help::openProgramDocument(name, nullptr);
        QTRY_VERIFY(xdgOpen.ran());
        QDir::setCurrent(oldCwd);
        QCOMPARE(xdgOpen.arguments(), QList<QByteArray>{QFile::encodeName(document.path())});
        // The opener goes once it has told its result; a box would come before.
        QTRY_VERIFY(qApp->findChildren<DocumentOpener *>().isEmpty());
        watcher.lookNow();
        QVERIFY(watcher.boxes.isEmpty());
    }
};

QTEST_MAIN(TestDocuments)
#include "tst_documents.moc"
