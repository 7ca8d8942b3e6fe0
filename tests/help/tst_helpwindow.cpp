#include <QCryptographicHash>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexModel>
#include <QListView>
#include <QScrollBar>
#include <QTextBlock>
#include <QWheelEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "help/Help.h"
#include "help/HelpWindow.h"

using zz::help::HelpWindow;

namespace {

// A topic below the start page, found by its title so new topics may come in between.
QModelIndex contentsEntry(const QAbstractItemModel *model, const QString &title)
{
    const QModelIndex top = model->index(0, 0);
    for (int row = 0; row < model->rowCount(top); ++row) {
        const QModelIndex entry = model->index(row, 0, top);
        if (entry.data().toString() == title)
            return entry;
    }
    return {};
}

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

// Colour of the page's first main heading; black unless the stylesheet was read.
QColor headingColour(const QTextDocument *page)
{
    for (QTextBlock block = page->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 1)
            return block.begin().fragment().charFormat().foreground().color();
    }
    return {};
}

// A click on a contents entry as the window system delivers it; Qt drops it
// while a modal window blocks the help window.
void clickEntry(HelpWindow *window, const QString &title)
{
    auto *tree = window->engine()->contentWidget();
    QHelpContentModel *model = window->engine()->contentModel();
    QTRY_VERIFY(model->rowCount() > 0 && tree->isExpanded(model->index(0, 0)));
    const QModelIndex entry = contentsEntry(model, title);
    QVERIFY(entry.isValid());
    QVERIFY(window->browser()->documentTitle() != title);
    const QPoint at = tree->viewport()->mapTo(window, tree->visualRect(entry).center());
    // The help joins a dialog just after it opened: the user may have to click twice.
    QTRY_COMPARE((QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, at),
                  window->browser()->documentTitle()), title);
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

        // An unpacked package: the help in the data folder of the program's own tree comes first.
        QTemporaryDir tree;
        const QString programFolder = tree.filePath(QStringLiteral("usr/lib/zedezedidor"));
        const QString own = QDir::cleanPath(programFolder + QStringLiteral("/" ZZ_HELP_FROM_PROGRAM));
        QVERIFY(own.startsWith(tree.path() + QStringLiteral("/usr/")));
        QVERIFY(QDir().mkpath(programFolder) && QDir().mkpath(QFileInfo(own).path()));
        QVERIFY(QFile::copy(builtHelpFile(), programFolder + QStringLiteral("/Zedezedidor.qhc")));
        QCOMPARE(zz::help::findHelpFile(builtIn, programFolder), programFolder + QStringLiteral("/Zedezedidor.qhc"));
        QVERIFY(QFile::copy(builtHelpFile(), own));
        QCOMPARE(zz::help::findHelpFile(builtIn, programFolder), own);
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
        QCOMPARE(model->rowCount(top), 9);
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
            QCOMPARE(headingColour(window->browser()->document()), QColor(0x1f, 0x3f, 0x7f));
            ++pages;
        }
        QCOMPARE(pages, 14);
    }

    // Whenever the help was opened and however many modal dialogs run, the
    // help window takes clicks and keys; a dialog that ends (the Farbcode
    // dialog lives on the stack) takes nothing of the help window with it.
    void usableBesideModalDialogs_data()
    {
        QTest::addColumn<bool>("openedBefore"); // else asked for from the dialog
        QTest::addColumn<bool>("nested");       // a second dialog over the first, as the file dialog over the options
        QTest::newRow("asked from the dialog") << false << false;
        QTest::newRow("open before the dialog") << true << false;
        QTest::newRow("asked from the dialog, nested") << false << true;
        QTest::newRow("open before the dialog, nested") << true << true;
    }

    void usableBesideModalDialogs()
    {
        QFETCH(bool, openedBefore);
        QFETCH(bool, nested);
        if (openedBefore)
            zz::help::showContents(nullptr);
        QPointer<HelpWindow> window;
        {
            auto dialog = std::make_unique<QDialog>();
            dialog->setWindowModality(Qt::ApplicationModal);
            dialog->show();
            QTRY_COMPARE(QApplication::activeModalWidget(), dialog.get());
            if (!openedBefore)
                zz::help::showContext(16, dialog.get());
            window = zz::help::helpWindow();
            QVERIFY(window && window->isVisible());

            std::unique_ptr<QDialog> inner;
            if (nested) {
                inner = std::make_unique<QDialog>(dialog.get());
                inner->setWindowModality(Qt::ApplicationModal);
                inner->show();
                QTRY_COMPARE(QApplication::activeModalWidget(), inner.get());
                clickEntry(window, QStringLiteral("Die Optionen"));
                inner.reset();
                QTRY_COMPARE(QApplication::activeModalWidget(), dialog.get());
            }
            clickEntry(window, QStringLiteral("Kopieren und Speichern"));
        }
        QVERIFY(window);
        QCOMPARE(zz::help::helpWindow(), window.data());
        QVERIFY(window->isVisible());
        QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
        QTRY_VERIFY(!window->isVisible());
    }

    // Ctrl+Plus/Minus and Ctrl+wheel change the text size of the page.
    void zoomChangesTheText_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("wheel");
        QTest::addColumn<bool>("larger");
        QTest::newRow("Strg+Plus") << int(Qt::Key_Plus) << 0 << true;
        QTest::newRow("Strg+Minus") << int(Qt::Key_Minus) << 0 << false;
        QTest::newRow("Strg+Rad vor") << 0 << 120 << true;
        QTest::newRow("Strg+Rad zurück") << 0 << -120 << false;
    }

    void zoomChangesTheText()
    {
        QFETCH(int, key);
        QFETCH(int, wheel);
        QFETCH(bool, larger);
        HelpWindow window(builtHelpFile());
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.showTopic(HelpWindow::HelpOnHelpTopic);
        QTextDocument *page = window.browser()->document();
        const auto textHeight = [page] { return QFontMetricsF(page->defaultFont()).height(); };
        const qreal before = textHeight();
        const qreal pageBefore = page->size().height();
        if (key) {
            QTest::keyClick(&window, Qt::Key(key), Qt::ControlModifier);
        } else {
            QWidget *viewport = window.browser()->viewport();
            const QPointF at = viewport->rect().center();
            QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, wheel), Qt::NoButton,
                              Qt::ControlModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(viewport, &event);
        }
        QCOMPARE(textHeight() > before, larger);
        QCOMPARE(page->size().height() > pageBefore, larger);
        // The size stays when the reader moves on to another topic.
        const qreal zoomed = textHeight();
        window.showTopic(HelpWindow::StartTopic);
        QCOMPARE(textHeight(), zoomed);
    }

    // The pages' stylesheet: coloured headings, shaded tip boxes.
    void stylesheetShows()
    {
        HelpWindow window(builtHelpFile());
        window.show();
        window.showTopic(HelpWindow::contextTopic(15));
        window.browser()->setSource(QUrl(QStringLiteral("optionen.html")));
        QCOMPARE(window.browser()->documentTitle(), QStringLiteral("Die Optionen"));
        QColor tip;
        for (QTextBlock block = window.browser()->document()->begin(); block.isValid(); block = block.next()) {
            if (block.text().startsWith(QStringLiteral("Tipp:")))
                tip = block.blockFormat().background().color();
        }
        QCOMPARE(headingColour(window.browser()->document()), QColor(0x1f, 0x3f, 0x7f));
        QCOMPARE(tip, QColor(0xee, 0xf4, 0xff));
    }

    void oneClickInTheContentsShowsTheTopic()
    {
        zz::help::showContents(nullptr);
        HelpWindow *window = zz::help::helpWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        auto *tree = window->engine()->contentWidget();
        QHelpContentModel *model = window->engine()->contentModel();
        QTRY_VERIFY(model->rowCount() > 0 && tree->isExpanded(model->index(0, 0)));
        const QModelIndex options = contentsEntry(model, QStringLiteral("Die Optionen"));
        QVERIFY(options.isValid());
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(options).center());
        QTRY_COMPARE(window->browser()->documentTitle(), QStringLiteral("Die Optionen"));
    }

    // Every title fits the contents pane at the window's first size.
    void contentsShowWholeTitles()
    {
        HelpWindow window(builtHelpFile());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.size(), QSize(760, 520));
        auto *tree = window.engine()->contentWidget();
        QHelpContentModel *model = window.engine()->contentModel();
        QTRY_VERIFY(model->rowCount() > 0 && tree->isExpanded(model->index(0, 0)));
        QTRY_VERIFY(tree->horizontalScrollBar()->maximum() == 0);
        const QModelIndex top = model->index(0, 0);
        const QModelIndex longest = contentsEntry(model, QStringLiteral("Wo die Einstellungen gespeichert werden"));
        QVERIFY(longest.isValid());
        for (const QModelIndex &item : {top, longest}) {
            QStyleOptionViewItem option;
            option.initFrom(tree);
            const int textEnd = tree->visualRect(item).left() + tree->itemDelegate()->sizeHint(option, item).width();
            QVERIFY2(textEnd <= tree->viewport()->width(), qPrintable(item.data().toString()));
        }
    }

    // German dictionary order: umlauts with their vowel, not after Z.
    void indexInGermanOrder()
    {
        zz::help::showIndex(nullptr);
        HelpWindow *window = zz::help::helpWindow();
        QAbstractItemModel *list = window->indexList()->model();
        auto *filter = window->findChild<QLineEdit *>(QStringLiteral("editIndexSuche"));
        filter->clear();
        QTRY_VERIFY(list->rowCount() > 40);
        const auto keywords = [list] {
            QStringList out;
            for (int row = 0; row < list->rowCount(); ++row)
                out << list->index(row, 0).data().toString();
            return out;
        };
        const auto checkOrder = [](const QStringList &shown) {
            const QStringList expected{QStringLiteral("5/6 Ringe"), QStringLiteral("Änderung je 1°C"),
                                       QStringLiteral("Backupdatei erstellen"), QStringLiteral("Schreibgeschützte Datei"),
                                       QStringLiteral("Schriftgröße"), QStringLiteral("Sechs Ringe"),
                                       QStringLiteral("Toleranz"), QStringLiteral("Über..."),
                                       QStringLiteral("Überblick"), QStringLiteral("Unüblicher Code"),
                                       QStringLiteral("Vier Ringe"), QStringLiteral("Zwischenablage")};
            qsizetype last = -1;
            for (const QString &keyword : expected) {
                const qsizetype at = shown.indexOf(keyword);
                if (at <= last)
                    return keyword;
                last = at;
            }
            return shown.last() == expected.last() ? QString() : shown.last();
        };
        QCOMPARE(checkOrder(keywords()), QString());

        // Typing narrows the list and marks the best match; emptied, the list is whole and in order again.
        QTest::keyClicks(filter, QStringLiteral("Über"));
        QCOMPARE(window->indexList()->currentIndex().data().toString(), QStringLiteral("Über..."));
        filter->clear();
        QCOMPARE(checkOrder(keywords()), QString());
        // Enter on a keyword in the list shows its topic.
        window->indexList()->setCurrentIndex(list->index(keywords().indexOf(QStringLiteral("Schriftgröße")), 0));
        QTest::keyClick(window->indexList(), Qt::Key_Return);
        QTRY_COMPARE(window->browser()->documentTitle(), QStringLiteral("Benutzung der Hilfe"));
    }

    // Context help goes beside the dialog, or at least off the control asked about.
    void contextHelpBesideTheDialog_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("dialog");
        QTest::addColumn<QRect>("control");
        QTest::addColumn<QRect>("expected");
        const QSize help(760, 520);
        QTest::newRow("room on the right") << QRect(0, 0, 1920, 1080) << QRect(813, 457, 294, 165)
                                           << QRect(829, 544, 137, 17) << QRect(QPoint(1115, 457), help);
        QTest::newRow("room on the left only") << QRect(0, 0, 1920, 1080) << QRect(1500, 100, 294, 165)
                                               << QRect(1516, 187, 137, 17) << QRect(QPoint(732, 100), help);
        QTest::newRow("room below only") << QRect(0, 0, 1024, 768) << QRect(365, 40, 294, 165)
                                         << QRect(381, 127, 137, 17) << QRect(QPoint(264, 213), help);
        QTest::newRow("kept on the screen") << QRect(0, 0, 1920, 1080) << QRect(813, 900, 294, 165)
                                            << QRect(829, 987, 137, 17) << QRect(QPoint(1115, 560), help);
        // 800 × 600: nothing fits beside the dialog; the widest free strip
        // beside the control takes a narrower window.
        QTest::newRow("small screen") << QRect(0, 0, 800, 600) << QRect(253, 217, 294, 165)
                                      << QRect(269, 304, 137, 17) << QRect(20, 0, 760, 296);
    }

    void contextHelpBesideTheDialog()
    {
        QFETCH(QRect, screen);
        QFETCH(QRect, dialog);
        QFETCH(QRect, control);
        QFETCH(QRect, expected);
        const QRect placed = zz::help::placeBeside(dialog, control, QSize(760, 520), screen);
        QCOMPARE(placed, expected);
        QVERIFY(screen.contains(placed));
        QVERIFY(!placed.intersects(control));
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
