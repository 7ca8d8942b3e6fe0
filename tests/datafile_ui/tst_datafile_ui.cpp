// Saving, Save As, the start-up check of the stored data file and the
// settings, driven through the real windows and dialogs.

#include "GuiTest.h"
#include "TestFiles.h"
#include "WindowDriver.h"

#include "output/Cp1252.h"
#include "settings/Settings.h"
#include "ui/DataFileState.h"
#include "ui/FiveSixRingWindow.h"
#include "ui/FourRingWindow.h"
#include "ui/OptionsDialog.h"
#include "ui/Windows.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

using namespace zz::test;

namespace {

QByteArray crlf(const std::vector<std::string> &lines)
{
    QByteArray out;
    for (const auto &line : lines)
        out += zz::output::toCp1252(line) + "\r\n";
    return out;
}

} // namespace

class TestDataFileUi final : public QObject
{
    Q_OBJECT

    SettingsSandbox m_settings;
    QTemporaryDir m_dir;
    TfrmLurvan *w = nullptr;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QAction *action(QWidget *window, const char *name) const { return child<QAction>(window, name); }
    QPushButton *saveButton(QWidget *window) const { return child<QPushButton>(window, "BitBtnSpeichern"); }
    void setDataFile(const QString &file)
    {
        zz::ui::dataFile().setDateiPfad(file);
    }
    void restartWindows()
    {
        zz::ui::destroyWindows();
        zz::ui::createWindows();
        w = frmLurvan;
    }
    void writeStore(const QByteArray &content)
    {
        QVERIFY(QDir().mkpath(QFileInfo(zz::settings::storePath()).path()));
        writeFile(zz::settings::storePath(), content);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QFile::remove(zz::settings::storePath());
        zz::ui::createWindows();
        w = frmLurvan;
    }

    void cleanupTestCase() { zz::ui::destroyWindows(); }

    void init()
    {
        setDataFile(QString());
        zz::ui::dataFile().setBackupErstellen(true);
        frmZedezedidor2->setWindowTitle(w->windowTitle());
    }

    // Whoever changes the data file, both windows follow at once: caption and "&Speichern".
    void windowsFollowTheState_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::newRow("none") << QString() << "Zedezedidor";
        QTest::newRow("file") << "Ringe.txt" << "Zedezedidor - [Ringe.txt]";
    }
    void windowsFollowTheState()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        const QString file = name.isEmpty() ? QString() : path(name);
        zz::ui::DataFileState &state = zz::ui::dataFile();
        state.setDateiPfad(path("vorher.txt"));
        QSignalSpy changed(&state, &zz::ui::DataFileState::changed);
        state.setDateiPfad(file);
        state.setDateiPfad(file);
        QCOMPARE(changed.count(), 1);
        for (QWidget *window : {static_cast<QWidget *>(w), static_cast<QWidget *>(frmZedezedidor2)}) {
            QCOMPARE(window->windowTitle(), caption);
            QCOMPARE(action(window, "mnuDatenSpeichern")->isEnabled(), !file.isEmpty());
        }
    }

    void saveDialogAndCancel()
    {
        // No data file: the button leads to the dialog; cancelling changes nothing.
        QFileDialog *seen = nullptr;
        answerFileDialog(QString(), [&seen](QFileDialog *dialog) { seen = dialog; });
        QTest::mouseClick(saveButton(w), Qt::LeftButton);
        QVERIFY(seen);
        QCOMPARE(seen->objectName(), QString("SaveDialog"));
        QCOMPARE(seen->parent(), w);
        QCOMPARE(seen->windowTitle(), QString("Speichern unter..."));
        QCOMPARE(seen->nameFilters(), QStringList{"Textdatei (*.txt)"});
        QCOMPARE(seen->defaultSuffix(), QString("txt"));
        QCOMPARE(seen->acceptMode(), QFileDialog::AcceptSave);
        QVERIFY(seen->testOption(QFileDialog::DontConfirmOverwrite));
        QVERIFY(seen->testOption(QFileDialog::DontUseNativeDialog));
        QVERIFY(zz::ui::dataFile().DateiPfad().isEmpty());
        QCOMPARE(w->windowTitle(), QString("Zedezedidor"));
        QVERIFY(QDir(m_dir.path()).entryList(QDir::Files).isEmpty());
    }

    void firstAndSecondSave()
    {
        // Typed without extension: the dialog adds ".txt".
        answerFileDialog(path("werte"));
        QTest::mouseClick(saveButton(w), Qt::LeftButton);
        const QString file = path("werte.txt");
        QCOMPARE(zz::ui::dataFile().DateiPfad(), file);
        const QByteArray first = crlf(w->report());
        QCOMPARE(readAll(file), first);
        QVERIFY(!QFile::exists(path("werte.~txt")));
        QCOMPARE(w->windowTitle(), QString("Zedezedidor - [werte.txt]"));
        QCOMPARE(frmZedezedidor2->windowTitle(), QString("Zedezedidor - [werte.txt]"));

        // The second save, from the menu, goes to the same file without asking;
        // the item (and Ctrl+S) came alive with the file, before the menu opened.
        QVERIFY(action(w, "mnuDatenSpeichern")->isEnabled());
        QVERIFY(action(frmZedezedidor2, "mnuDatenSpeichern")->isEnabled());
        action(w, "mnuDatenSpeichern")->trigger();
        QCOMPARE(readAll(file), first + "\r\n" + first);
        QCOMPARE(readAll(path("werte.~txt")), first);

        // Without backup the old backup stays.
        zz::ui::dataFile().setBackupErstellen(false);
        QTest::mouseClick(saveButton(w), Qt::LeftButton);
        QCOMPARE(readAll(file), first + "\r\n" + first + "\r\n" + first);
        QCOMPARE(readAll(path("werte.~txt")), first);
    }

    void saveAsBySender_data()
    {
        QTest::addColumn<QString>("sender");
        QTest::newRow("four-ring menu") << "menu";
        QTest::newRow("five/six-ring window") << "second";
        QTest::newRow("options dialog") << "options";
    }

    void saveAsBySender()
    {
        QFETCH(QString, sender);
        const QString file = path("als-" + sender + ".txt");
        answerFileDialog(file);
        if (sender == "menu")
            action(w, "mnuDatenSpeichernunter")->trigger();
        else if (sender == "second")
            frmZedezedidor2->mnuDatenSpeichernunterClick();
        else
            w->acSpeichernunterExecute(frmOptionen);

        QCOMPARE(zz::ui::dataFile().DateiPfad(), file);
        QCOMPARE(w->windowTitle(), "Zedezedidor - [als-" + sender + ".txt]");
        if (sender == "menu")
            QCOMPARE(readAll(file), crlf(w->report()));
        else if (sender == "second") {
            QCOMPARE(readAll(file), crlf(frmZedezedidor2->report()));
            QCOMPARE(frmZedezedidor2->windowTitle(), w->windowTitle());
        } else {
            QVERIFY(!QFile::exists(file));
        }
    }

    void saveFromSecondWindow()
    {
        const QString file = path("sechs.txt");
        setDataFile(file);
        frmZedezedidor2->BitBtnSpeichernClick();
        QCOMPARE(readAll(file), crlf(frmZedezedidor2->report()));
        QVERIFY(frmZedezedidor2->report() != w->report());
        QCOMPARE(frmZedezedidor2->windowTitle(), QString("Zedezedidor - [sechs.txt]"));
    }

    void readOnlyDataFile_data()
    {
        QTest::addColumn<bool>("chooseOther");
        QTest::newRow("No") << false;
        QTest::newRow("Yes, new file") << true;
    }

    void readOnlyDataFile()
    {
        QFETCH(bool, chooseOther);
        const QString locked = path(chooseOther ? "gesperrt-ja.txt" : "gesperrt-nein.txt");
        writeFile(locked, "alt\r\n");
        QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ReadGroup));
        setDataFile(locked);

        MessageBoxSeen seen;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        const QString other = path("statt-gesperrt.txt");
        onNextModal([&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            if (!box) {
                modal->close();
                return;
            }
            seen = {true, box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
            defaultButton = box->standardButton(box->defaultButton());
            if (chooseOther)
                answerFileDialog(other);
            box->button(chooseOther ? QMessageBox::Yes : QMessageBox::No)->click();
        });
        QTest::mouseClick(saveButton(w), Qt::LeftButton);

        QVERIFY(seen.seen);
        QCOMPARE(seen.caption, QString("Datei schreibgeschützt!"));
        QCOMPARE(seen.text, QString("Warnung! Diese Datei ist schreibgeschützt!\nMöchten Sie eine andere Datei auswählen?"));
        QCOMPARE(seen.icon, QMessageBox::Question);
        QCOMPARE(defaultButton, QMessageBox::Yes);
        QCOMPARE(readAll(locked), QByteArray("alt\r\n"));
        QVERIFY(!QFile::exists(path(chooseOther ? "gesperrt-ja.~txt" : "gesperrt-nein.~txt")));
        if (chooseOther) {
            QCOMPARE(zz::ui::dataFile().DateiPfad(), other);
            QCOMPARE(readAll(other), crlf(w->report()));
            QCOMPARE(w->windowTitle(), QString("Zedezedidor - [statt-gesperrt.txt]"));
        } else {
            QVERIFY(zz::ui::dataFile().DateiPfad().isEmpty());
            QCOMPARE(w->windowTitle(), QString("Zedezedidor"));
            QVERIFY(!action(w, "mnuDatenSpeichern")->isEnabled());
        }
    }

    void reservedNamesRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("warning");
        const QString plain = "Diese Datei kann nicht verwendet werden!";
        const QString backup = plain + "\nUnter diesem Namen legt das Programm die Sicherungskopie einer anderen "
                                       "Datei ab.";
        QTest::newRow("README.TXT") << "README.TXT" << plain;
        QTest::newRow("Lizenz.txt") << "Lizenz.txt" << plain;
        QTest::newRow("liesmich.txt") << "liesmich.txt" << plain;
        // The backup of messung.txt would wipe it.
        QTest::newRow("messung.~txt") << "messung.~txt" << backup;
    }

    void reservedNamesRefused()
    {
        QFETCH(QString, name);
        QFETCH(QString, warning);
        QVERIFY(QDir(m_dir.path()).mkpath("ordner"));
        const QString reserved = path("ordner/" + name);
        setDataFile(path("vorher.txt"));

        MessageBoxSeen seen;
        answerFileDialog(reserved, [&seen](QFileDialog *) { answerNextMessageBox(QMessageBox::Ok, &seen); });
        action(w, "mnuDatenSpeichernunter")->trigger();
        QVERIFY(seen.seen);
        QCOMPARE(seen.caption, QString("Warnung!"));
        QCOMPARE(seen.text, warning);
        QCOMPARE(seen.icon, QMessageBox::Warning);
        QVERIFY(zz::ui::dataFile().DateiPfad().isEmpty());
        QCOMPARE(w->windowTitle(), QString("Zedezedidor"));
        QVERIFY(!QFile::exists(reserved));
        QVERIFY(!QFile::exists(path("vorher.txt")));

        // The dialog forgot the refused name.
        QString proposed = "<not shown>";
        answerFileDialog(QString(), [&proposed](QFileDialog *dialog) {
            proposed = child<QLineEdit>(dialog, "fileNameEdit")->text();
        });
        action(w, "mnuDatenSpeichernunter")->trigger();
        QCOMPARE(proposed, QString());
    }

    void saveFailureIsReported()
    {
        // A data file in a folder that is gone: the save stops with the error
        // report and changes neither the data file nor the captions.
        const QString file = path("weg/werte.txt");
        setDataFile(file);
        MessageBoxSeen seen;
        answerNextMessageBox(QMessageBox::Ok, &seen);
        QTest::mouseClick(saveButton(w), Qt::LeftButton);
        QVERIFY(seen.seen);
        QCOMPARE(seen.caption, QString("Zedezedidor"));
        QCOMPARE(seen.icon, QMessageBox::Critical);
        // One sentence that names the file once and ends with a full stop.
        QVERIFY2(seen.text.count(QDir::toNativeSeparators(file)) == 1 && seen.text.endsWith('.'),
                 qPrintable(seen.text));
        QCOMPARE(zz::ui::dataFile().DateiPfad(), file);
        QCOMPARE(w->windowTitle(), QString("Zedezedidor - [werte.txt]"));
    }

    void startUpCheck_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("kept");
        QTest::newRow("usable") << "gut.txt" << true;
        QTest::newRow("readme.txt.bak") << "readme.txt.bak" << true;
        QTest::newRow("meinreadme.txt") << "meinreadme.txt" << true;
        QTest::newRow("missing") << "fehlt.txt" << false;
        QTest::newRow("read-only") << "nurlesen.txt" << false;
        QTest::newRow("folder") << "ordner.txt" << false;
        QTest::newRow("README.TXT") << "README.TXT" << false;
        QTest::newRow("Lizenz.txt") << "Lizenz.txt" << false;
    }

    void startUpCheck()
    {
        QFETCH(QString, stored);
        QFETCH(bool, kept);
        for (const char *name : {"gut.txt", "readme.txt.bak", "meinreadme.txt", "nurlesen.txt", "README.TXT",
                                 "Lizenz.txt"})
            writeFile(path(name), "x\r\n");
        QVERIFY(QFile::setPermissions(path("nurlesen.txt"), QFile::ReadOwner));
        QVERIFY(QDir(m_dir.path()).mkpath("ordner.txt"));

        const QString file = path(stored);
        writeStore("[General]\nDatei=" + file.toUtf8() + "\n");
        restartWindows();
        QCOMPARE(zz::ui::dataFile().DateiPfad(), kept ? file : QString());
        QCOMPARE(w->windowTitle(), kept ? "Zedezedidor - [" + stored + "]" : QString("Zedezedidor"));
        QCOMPARE(watchdogClosures(), 0);
        QFile::remove(zz::settings::storePath());
    }

    // The five/six-ring window is made after the stored file was loaded, so
    // it learns of that file only when it is shown.
    void secondWindowShowsTheFileLoadedAtStart()
    {
        const QString file = path("beim-start.txt");
        writeFile(file, "x\r\n");
        writeStore("[General]\nDatei=" + file.toUtf8() + "\n");
        restartWindows();
        QString shown;
        onNextModal([&shown](QWidget *) {
            shown = frmZedezedidor2->windowTitle();
            child<QAction>(frmZedezedidor2, "N56Ringe1")->trigger();
        });
        child<QAction>(w, "N56Ringe1")->trigger();
        QCOMPARE(shown, QString("Zedezedidor - [beim-start.txt]"));
        QFile::remove(zz::settings::storePath());
    }

    void storedBackupNameRefused()
    {
        // A stored data file with a backup name is dropped, and said so.
        const QString file = path("messung.~txt");
        writeFile(file, "x\r\n");
        writeFile(path("messung.txt"), "y\r\n");
        writeStore("[General]\nDatei=" + file.toUtf8() + "\n");
        MessageBoxSeen seen;
        answerNextMessageBox(QMessageBox::Ok, &seen);
        restartWindows();
        QTRY_VERIFY(seen.seen);
        QCOMPARE(seen.caption, QString("Warnung!"));
        QVERIFY2(seen.text.contains("Sicherungskopie einer anderen Datei"), qPrintable(seen.text));
        QCOMPARE(zz::ui::dataFile().DateiPfad(), QString());
        QCOMPARE(w->windowTitle(), QString("Zedezedidor"));
        QCOMPARE(readAll(file), QByteArray("x\r\n"));
        QFile::remove(zz::settings::storePath());
    }

    void settingsThroughTheWindow()
    {
        const QString file = path("einstellung.txt");
        writeFile(file, "");
        writeStore("[General]\nDatei=" + file.toUtf8() + "\nBackup=0\nLeft=-3000\nTop=77\n");
        restartWindows();
        QCOMPARE(zz::ui::dataFile().DateiPfad(), file);
        QVERIFY(!zz::ui::dataFile().BackupErstellen());
        QCOMPARE(w->pos(), QPoint(-3000, 77));

        // Only Top stored: only the vertical position changes.
        writeStore("[General]\nTop=55\n");
        restartWindows();
        // The window system places the window first; Top is applied then.
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QTRY_COMPARE(w->pos().y(), 55);
        const int left = w->pos().x();
        QVERIFY(zz::ui::dataFile().BackupErstellen());
        QVERIFY(zz::ui::dataFile().DateiPfad().isEmpty());
        QCOMPARE(w->pos().x(), left);

        // The close writes all four values.
        zz::ui::dataFile().setDateiPfad(file);
        zz::ui::dataFile().setBackupErstellen(true);
        w->move(40, 60);
        w->close();
        const zz::settings::StoredSettings s = zz::settings::load();
        QCOMPARE(s.datei.value_or("<none>"), file);
        QCOMPARE(s.backup, std::optional<bool>(true));
        QCOMPARE(s.left, std::optional<int>(40));
        QCOMPARE(s.top, std::optional<int>(60));

        // Without a store the close creates it, with the same four values.
        QFile::remove(zz::settings::storePath());
        restartWindows();
        zz::ui::dataFile().setDateiPfad(file);
        zz::ui::dataFile().setBackupErstellen(false);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        w->move(50, 70);
        w->close();
        const zz::settings::StoredSettings created = zz::settings::load();
        QCOMPARE(created.datei.value_or("<none>"), file);
        QCOMPARE(created.backup, std::optional<bool>(false));
        QCOMPARE(created.left, std::optional<int>(50));
        QCOMPARE(created.top, std::optional<int>(70));
    }
};

ZZ_GUI_TEST_MAIN(TestDataFileUi)
#include "tst_datafile_ui.moc"
