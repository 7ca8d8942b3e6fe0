// The Hilfe menu of both decoder windows: help, read-me, licence and about box.

#include "GuiTest.h"
#include "WindowDriver.h"

#include "help/DocumentOpener.h"
#include "help/Help.h"
#include "help/HelpWindow.h"
#include "ui/AboutBox.h"
#include "ui/FiveSixRingWindow.h"
#include "ui/FourRingWindow.h"
#include "ui/Windows.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace zz::test;
using zz::help::HelpWindow;

namespace {

QWidget *window(const QString &which)
{
    return which == QLatin1String("vier") ? static_cast<QWidget *>(frmLurvan)
                                          : static_cast<QWidget *>(frmZedezedidor2);
}

// A menu item by name, or "F1" pressed in the window.
void trigger(const QString &which, const QString &item)
{
    if (item == QLatin1String("F1")) {
        QApplication::setActiveWindow(window(which));
        QTest::keyClick(window(which), Qt::Key_F1);
        return;
    }
    child<QAction>(window(which), item.toLatin1().constData())->trigger();
}

// A stand-in xdg-open, first on PATH, that writes down its arguments.
class RecordingXdgOpen final
{
public:
    RecordingXdgOpen()
        : m_oldPath(qgetenv("PATH"))
    {
        QFile script(m_dir.filePath(QStringLiteral("xdg-open")));
        if (script.open(QIODevice::WriteOnly))
            script.write("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$ZZ_RECORD.tmp\" && mv \"$ZZ_RECORD.tmp\" \"$ZZ_RECORD\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", QFile::encodeName(m_dir.path()) + ':' + m_oldPath);
        qputenv("ZZ_RECORD", QFile::encodeName(m_dir.filePath(QStringLiteral("record"))));
    }
    ~RecordingXdgOpen() { qputenv("PATH", m_oldPath); }

    QString received() const
    {
        QFile file(m_dir.filePath(QStringLiteral("record")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldPath;
};

QString besideProgram(const QString &name)
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(name);
}

} // namespace

class TestHelpMenus final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        zz::help::setHelpFile(QDir(qEnvironmentVariable("ZZ_BIN_DIR")).filePath(QStringLiteral("Zedezedidor.qhc")));
        zz::ui::createWindows();
        frmLurvan->move(0, 0);
        frmLurvan->show();
    }
    void cleanupTestCase() { zz::ui::destroyWindows(); }

    void itemsAreEnabled_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("item");
        for (const char *item : {"mnuHilfeIhnalt", "mnuHilfeIndex", "mnuHilfeBenutzung", "HelpOnHelp1",
                                 "mnuHilfeReadme", "mnuLizenztxt", "mnuHilfeUeber"})
            QTest::addRow("vier %s", item) << QStringLiteral("vier") << QString::fromLatin1(item);
        for (const char *item : {"mnuHilfeInhalt", "mnuHilfeIndex", "mnuHilfeBenutzungderHilfe",
                                 "mnuHilfeReadme", "mnuLizenztxt", "mnuHilfeUeber"})
            QTest::addRow("fünf/sechs %s", item) << QStringLiteral("fünf/sechs") << QString::fromLatin1(item);
    }

    void itemsAreEnabled()
    {
        QFETCH(QString, which);
        QFETCH(QString, item);
        QVERIFY(child<QAction>(window(which), item.toLatin1().constData())->isEnabled());
    }

    void helpEntries_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("title");
        const QString start = QStringLiteral("Zedezedidor auf einen Blick");
        const QString onHelp = QStringLiteral("Benutzung der Hilfe");
        QTest::newRow("vier Inhalt") << "vier" << "mnuHilfeIhnalt" << 0 << start;
        QTest::newRow("vier Index") << "vier" << "mnuHilfeIndex" << 1 << QString();
        QTest::newRow("vier Benutzung") << "vier" << "mnuHilfeBenutzung" << 0 << onHelp;
        QTest::newRow("vier F1") << "vier" << "F1" << 0 << start;
        QTest::newRow("fünf/sechs Inhalt") << "fünf/sechs" << "mnuHilfeInhalt" << 0 << start;
        QTest::newRow("fünf/sechs Index") << "fünf/sechs" << "mnuHilfeIndex" << 1 << QString();
        QTest::newRow("fünf/sechs Benutzung") << "fünf/sechs" << "mnuHilfeBenutzungderHilfe" << 0 << onHelp;
    }

    void helpEntries()
    {
        QFETCH(QString, which);
        QFETCH(QString, item);
        QFETCH(int, tab);
        QFETCH(QString, title);
        // Start from another page, so the entry has to move the window.
        zz::help::showContext(17, frmLurvan);
        HelpWindow *help = zz::help::helpWindow();
        help->close();

        trigger(which, item);
        QCOMPARE(zz::help::helpWindow(), help);
        QVERIFY(help->isVisible());
        QCOMPARE(help->tabs()->currentIndex(), tab);
        // Placed over the four-ring window in the corner, yet wholly on the screen.
        QVERIFY(help->screen()->availableGeometry().contains(help->frameGeometry()));
        if (!title.isEmpty())
            QCOMPARE(help->browser()->documentTitle(), title);
    }

    // Opened before the switch or from the five/six-ring window, the help
    // window takes keys from the window system while that modal window runs.
    void helpBesideTheModalFiveSixRingWindow()
    {
        bool checked = false;
        trigger(QStringLiteral("vier"), QStringLiteral("mnuHilfeIhnalt"));
        QPointer<HelpWindow> help = zz::help::helpWindow();
        onNextModal([&](QWidget *modal) {
            QCOMPARE(modal, static_cast<QWidget *>(frmZedezedidor2));
            QVERIFY(help && help->isVisible());
            // Through the window system, which Qt blocks for windows outside the
            // modal one; the help joins it just after it opened, so Esc may need a repeat.
            QTRY_VERIFY2((QTest::keyClick(help->windowHandle(), Qt::Key_Escape), !help->isVisible()),
                         "the help opened before the switch took no keys");
            trigger(QStringLiteral("fünf/sechs"), QStringLiteral("mnuHilfeIndex"));
            QCOMPARE(zz::help::helpWindow(), help.data());
            QVERIFY(help->isVisible());
            QTest::keyClick(help->windowHandle(), Qt::Key_Escape);
            QTRY_VERIFY2(!help->isVisible(), "the help opened from the five/six-ring window took no keys");
            checked = true;
            trigger(QStringLiteral("fünf/sechs"), QStringLiteral("N56Ringe1"));
        });
        trigger(QStringLiteral("vier"), QStringLiteral("N56Ringe1"));
        QVERIFY(checked);
        QVERIFY(frmLurvan->isVisible());
    }

    void contextHelpInTheOptionsDialog_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("title");
        QTest::newRow("15") << "bitbtnDurchsuchen" << "Durchsuchen...";
        QTest::newRow("16") << "btnKeineDatei" << "Keine Datei";
        QTest::newRow("17") << "cbxBackup" << "Backupdatei erstellen";
        QTest::newRow("18") << "bitbtnOk" << "OK";
    }

    void contextHelpInTheOptionsDialog()
    {
        QFETCH(QString, control);
        QFETCH(QString, title);
        bool asked = false;
        onNextModal([&](QWidget *modal) {
            QWidget *widget = child<QWidget>(modal, control.toLatin1().constData());
            QApplication::setActiveWindow(modal);
            widget->setFocus();
            QTest::keyClick(widget, Qt::Key_F1);
            HelpWindow *help = zz::help::helpWindow();
            asked = help && help->isVisible() && help->browser()->documentTitle() == title;
            modal->close();
        });
        trigger(QStringLiteral("vier"), QStringLiteral("mnuBearbeitenOptionen"));
        QVERIFY(asked);
    }

    void documents_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("name");
        QTest::newRow("vier Readme") << "vier" << "mnuHilfeReadme" << "Readme.txt";
        QTest::newRow("vier Lizenz") << "vier" << "mnuLizenztxt" << "Lizenz.txt";
        QTest::newRow("fünf/sechs Readme") << "fünf/sechs" << "mnuHilfeReadme" << "Readme.txt";
        QTest::newRow("fünf/sechs Lizenz") << "fünf/sechs" << "mnuLizenztxt" << "Lizenz.txt";
    }

    void documents()
    {
        QFETCH(QString, which);
        QFETCH(QString, item);
        QFETCH(QString, name);
        RecordingXdgOpen xdgOpen;
        const QString path = besideProgram(name);
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        trigger(which, item);
        QTRY_COMPARE(xdgOpen.received(), path);
        QVERIFY(QFile::remove(path));
    }

    void missingDocuments_data() { documents_data(); }

    void missingDocuments()
    {
        QFETCH(QString, which);
        QFETCH(QString, item);
        QFETCH(QString, name);
        QVERIFY(!QFile::exists(besideProgram(name)));
        RecordingXdgOpen xdgOpen;
        MessageBoxSeen seen;
        answerNextMessageBox(QMessageBox::Ok, &seen);
        const auto openersBefore = qApp->findChildren<zz::help::DocumentOpener *>();
        trigger(which, item);
        QTRY_VERIFY(seen.seen);
        QCOMPARE(seen.text, QStringLiteral("Datei \"%1\" ist nicht vorhanden!").arg(name));
        QCOMPARE(seen.caption, QStringLiteral("Fehler!"));
        QCOMPARE(seen.icon, QMessageBox::Critical);
        // Nothing was started for the missing file.
        for (auto *opener : qApp->findChildren<zz::help::DocumentOpener *>())
            QVERIFY(openersBefore.contains(opener));
        QVERIFY(xdgOpen.received().isEmpty());
    }

    void aboutBox_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("item");
        QTest::newRow("vier") << "vier" << "mnuHilfeUeber";
        QTest::newRow("fünf/sechs") << "fünf/sechs" << "mnuHilfeUeber";
    }

    void aboutBox()
    {
        QFETCH(QString, which);
        QFETCH(QString, item);
        QWidget *shown = nullptr;
        onNextModal([&](QWidget *modal) {
            shown = modal;
            modal->close();
        });
        trigger(which, item);
        QCOMPARE(shown, static_cast<QWidget *>(frmAboutBox));
        QCOMPARE(shown->windowTitle(), QStringLiteral("Info"));
        QVERIFY(!frmAboutBox->isVisible());
    }
};

ZZ_GUI_TEST_MAIN(TestHelpMenus)
#include "tst_helpmenus.moc"
