#include <QCryptographicHash>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "help/Help.h"
#include "help/HelpWindow.h"

using zz::help::HelpWindow;

namespace {

QString binDir()
{
    return qEnvironmentVariable("ZZ_BIN_DIR");
}

QString builtHelpFile()
{
    return QDir(binDir()).filePath(QStringLiteral("Zedezedidor.qhc"));
}

QByteArray fingerprint(const QString &folder)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
        hash.addData(name.toUtf8());
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            hash.addData(file.readAll());
    }
    return hash.result();
}

} // namespace

class TestHelpWindow final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(builtHelpFile()), qPrintable(builtHelpFile()));
        zz::help::setHelpFile(builtHelpFile());
    }

    void cleanup()
    {
        if (HelpWindow *window = zz::help::helpWindow())
            window->close();
    }

    void findsTheHelpFile()
    {
        QTemporaryDir installed;
        QTemporaryDir program;
        const QString builtIn = installed.filePath(QStringLiteral("Zedezedidor.qhc"));
        const QString beside = program.filePath(QStringLiteral("Zedezedidor.qhc"));

        QCOMPARE(zz::help::findHelpFile(builtIn, program.path()), QString());
        QVERIFY(QFile::copy(builtHelpFile(), beside));
        QCOMPARE(zz::help::findHelpFile(builtIn, program.path()), beside);
        QCOMPARE(zz::help::findHelpFile(QString(), program.path()), beside);
        QVERIFY(QFile::copy(builtHelpFile(), builtIn));
        QCOMPARE(zz::help::findHelpFile(builtIn, program.path()), builtIn);
        // A folder of that name is no help file.
        QVERIFY(QFile::remove(builtIn) && QDir().mkpath(builtIn));
        QCOMPARE(zz::help::findHelpFile(builtIn, program.path()), beside);
    }

    void contentsCommandOpensTheContents()
    {
        zz::help::showContents(nullptr);
        HelpWindow *window = zz::help::helpWindow();
        QVERIFY(window);
        QVERIFY(window->hasHelp());
        QVERIFY(window->isVisible());
        QCOMPARE(window->tabs()->currentIndex(), 0);
        QCOMPARE(window->tabs()->tabText(0), QStringLiteral("&Inhalt"));
        QCOMPARE(window->browser()->documentTitle(), QStringLiteral("Zedezedidor auf einen Blick"));
        QHelpContentModel *model = window->engine()->contentModel();
        QTRY_VERIFY(model->rowCount() > 0);
        const QModelIndex top = model->index(0, 0);
        QCOMPARE(model->data(top, Qt::DisplayRole).toString(), QStringLiteral("Zedezedidor auf einen Blick"));
        QCOMPARE(model->rowCount(top), 8);
        // All topics in view at once, the current one marked.
        auto *tree = window->engine()->contentWidget();
        QTRY_VERIFY(tree->isExpanded(top));
        QCOMPARE(tree->currentIndex(), top);
    }

    void indexCommandOpensTheIndex()
    {
        zz::help::showIndex(nullptr);
        HelpWindow *window = zz::help::helpWindow();
        QCOMPARE(window->tabs()->currentIndex(), 1);
        QCOMPARE(window->tabs()->tabText(1), QStringLiteral("In&dex"));
        QTRY_VERIFY(window->engine()->indexModel()->rowCount() > 20);

        // Typing a keyword and pressing Enter shows its topic.
        auto *filter = window->findChild<QLineEdit *>(QStringLiteral("editIndexSuche"));
        QVERIFY(filter);
        QTest::keyClicks(filter, QStringLiteral("Sicherungs"));
        QTest::keyClick(filter, Qt::Key_Return);
        QTRY_COMPARE(window->browser()->documentTitle(), QStringLiteral("Kopieren und Speichern"));
    }

    void helpOnHelpOpensItsTopic()
    {
        zz::help::showHelpOnHelp(nullptr);
        QCOMPARE(zz::help::helpWindow()->browser()->documentTitle(), QStringLiteral("Benutzung der Hilfe"));
    }

    void contextNumbersOpenTheirTopics_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("title");
        QTest::newRow("15 bitbtnDurchsuchen") << 15 << QStringLiteral("Durchsuchen...");
        QTest::newRow("16 btnKeineDatei") << 16 << QStringLiteral("Keine Datei");
        QTest::newRow("17 cbxBackup") << 17 << QStringLiteral("Backupdatei erstellen");
        QTest::newRow("18 bitbtnOk") << 18 << QStringLiteral("OK");
        QTest::newRow("-1 without topic") << -1 << QStringLiteral("Zedezedidor auf einen Blick");
    }

    void contextNumbersOpenTheirTopics()
    {
        QFETCH(int, number);
        QFETCH(QString, title);
        zz::help::showContext(number, nullptr);
        QCOMPARE(zz::help::helpWindow()->browser()->documentTitle(), title);
        QVERIFY(zz::help::helpWindow()->isVisible());
    }

    void oneWindowForTheRun()
    {
        zz::help::showContents(nullptr);
        HelpWindow *first = zz::help::helpWindow();
        first->close();
        zz::help::showContext(17, nullptr);
        zz::help::showIndex(nullptr);
        QCOMPARE(zz::help::helpWindow(), first);
        const auto windows = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(windows.begin(), windows.end(),
                               [](QWidget *w) { return qobject_cast<HelpWindow *>(w) != nullptr; }),
                 1);
    }

    void linksAndHistoryWork()
    {
        zz::help::showContents(nullptr);
        auto *browser = zz::help::helpWindow()->browser();
        zz::help::helpWindow()->showTopic(HelpWindow::StartTopic);
        browser->setSource(QUrl(QStringLiteral("qthelp://org.example.zedezedidor/doc/html/optionen.html")));
        QCOMPARE(browser->documentTitle(), QStringLiteral("Die Optionen"));
        browser->backward();
        QCOMPARE(browser->documentTitle(), QStringLiteral("Zedezedidor auf einen Blick"));
    }

    void everyTopicLoads()
    {
        // Every page of the contents exists and carries the title the contents give it.
        zz::help::showContents(nullptr);
        HelpWindow *window = zz::help::helpWindow();
        QHelpContentModel *model = window->engine()->contentModel();
        QTRY_VERIFY(model->rowCount() > 0);
        QList<QModelIndex> pending{model->index(0, 0)};
        int pages = 0;
        while (!pending.isEmpty()) {
            const QModelIndex item = pending.takeFirst();
            for (int row = 0; row < model->rowCount(item); ++row)
                pending.append(model->index(row, 0, item));
            QHelpContentItem *content = model->contentItemAt(item);
            window->browser()->setSource(content->url());
            QCOMPARE(window->browser()->documentTitle(), content->title());
            ++pages;
        }
        QCOMPARE(pages, 13);
    }

    void usableBesideAModalDialog()
    {
        QDialog dialog;
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        QTRY_COMPARE(QApplication::activeModalWidget(), &dialog);
        zz::help::showContext(16, &dialog);
        HelpWindow *window = zz::help::helpWindow();
        // Only a window of the running modal dialog takes input.
        QCOMPARE(window->parentWidget(), &dialog);
        QVERIFY(window->isWindow());
        QCOMPARE(window->browser()->documentTitle(), QStringLiteral("Keine Datei"));
        dialog.close();
        QVERIFY(window->isVisible());

        zz::help::showContents(nullptr);
        QCOMPARE(zz::help::helpWindow(), window);
        QCOMPARE(window->parentWidget(), nullptr);
        QVERIFY(window->isVisible());
    }

    void collectionIsOnlyRead()
    {
        QTemporaryDir folder;
        QVERIFY(QFile::copy(builtHelpFile(), folder.filePath(QStringLiteral("Zedezedidor.qhc"))));
        QVERIFY(QFile::copy(QDir(binDir()).filePath(QStringLiteral("Zedezedidor.qch")),
                            folder.filePath(QStringLiteral("Zedezedidor.qch"))));
        const QByteArray before = fingerprint(folder.path());
        {
            HelpWindow window(folder.filePath(QStringLiteral("Zedezedidor.qhc")));
            QVERIFY(window.hasHelp());
            window.show();
            window.showIndex();
            QTRY_VERIFY(window.engine()->indexModel()->rowCount() > 0);
            QVERIFY(window.showTopic(HelpWindow::contextTopic(18)));
        }
        QCOMPARE(fingerprint(folder.path()), before);
    }

    void missingHelpIsExplained_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::newRow("no file") << QStringList();
        QTest::newRow("collection without help file") << QStringList{QStringLiteral("Zedezedidor.qhc")};
    }

    void missingHelpIsExplained()
    {
        QFETCH(QStringList, files);
        QTemporaryDir folder;
        for (const QString &name : files)
            QVERIFY(QFile::copy(QDir(binDir()).filePath(name), folder.filePath(name)));
        HelpWindow window(folder.filePath(QStringLiteral("Zedezedidor.qhc")));
        window.show();
        QVERIFY(!window.hasHelp());
        QCOMPARE(window.browser()->documentTitle(), QStringLiteral("Hilfe nicht verfügbar"));
        QVERIFY(window.browser()->toPlainText().contains(QStringLiteral("„Zedezedidor.qhc“")));
        window.showContents();
        window.showIndex();
        QVERIFY(!window.showTopic(HelpWindow::contextTopic(15)));
        QCOMPARE(window.browser()->documentTitle(), QStringLiteral("Hilfe nicht verfügbar"));
    }
};

QTEST_MAIN(TestHelpWindow)
#include "tst_helpwindow.moc"
