// The options dialog through the real windows: its design, the pending
// values, OK and Cancel, and choosing a file through Save As.

#include "GuiTest.h"
#include "WindowDriver.h"

#include "help/Help.h"
#include "help/HelpWindow.h"
#include "ui/DataFileState.h"
#include "ui/FiveSixRingWindow.h"
#include "ui/FourRingWindow.h"
#include "ui/OptionsDialog.h"
#include "ui/Windows.h"

#include <QFile>
#include <QFileDialog>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSet>

using namespace zz::test;

namespace {

} // namespace

class TestOptions final : public QObject
{
    Q_OBJECT

    SettingsSandbox m_settings;
    QTemporaryDir m_dir;
    TfrmLurvan *w = nullptr;
    TfrmOptionen *o = nullptr;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QLabel *label(const char *name) const { return child<QLabel>(o, name); }
    QPushButton *button(const char *name) const { return child<QPushButton>(o, name); }
    QCheckBox *cbxBackup() const { return child<QCheckBox>(o, "cbxBackup"); }

    void setDataFile(const QString &file)
    {
        zz::ui::dataFile().setDateiPfad(file);
        frmZedezedidor2->setWindowTitle(w->windowTitle());
    }

    // Opens the dialog from the four-ring window's menu, runs `steps` while
    // it is open and ends with the given button unless steps closed it.
    void runDialog(const std::function<void()> &steps, const char *closeWith = nullptr)
    {
        bool ran = false;
        onNextModal([&, closeWith](QWidget *modal) {
            ran = modal == o;
            if (!ran) {
                modal->close();
                return;
            }
            steps();
            if (closeWith && o->isVisible())
                QTest::mouseClick(button(closeWith), Qt::LeftButton);
            // A failed step returns early; the dialog must not stay open.
            if (o->isVisible())
                o->reject();
        });
        w->mnuBearbeitenOptionenClick();
        QVERIFY(ran);
        QVERIFY(!o->isVisible());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // The help collection the build made, so context help has real topics.
        zz::help::setHelpFile(qEnvironmentVariable("ZZ_BIN_DIR") + "/Zedezedidor.qhc");
        zz::ui::createWindows();
        w = frmLurvan;
        o = frmOptionen;
    }

    void cleanupTestCase() { zz::ui::destroyWindows(); }

    void init()
    {
        setDataFile(path("alt.txt"));
        zz::ui::dataFile().setBackupErstellen(true);
    }

    void design()
    {
        QCOMPARE(o->windowTitle(), QString("Optionen"));
        QCOMPARE(o->size(), QSize(294, 165));
        QCOMPARE(o->minimumSize(), o->maximumSize());
        const Qt::WindowFlags flags = o->windowFlags();
        QVERIFY(flags & Qt::WindowContextHelpButtonHint);
        QVERIFY(flags & Qt::WindowSystemMenuHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));

        struct Control {
            const char *name;
            QRect geometry;
            QString text;
            int helpContext;
        };
        const Control controls[] = {
            {"bitbtnDurchsuchen", {167, 18, 105, 25}, "Durchsuchen...", 15},
            {"cbxBackup", {16, 87, 137, 17}, "Backupdatei erstellen", 17},
            {"btnKeineDatei", {181, 81, 89, 25}, "&Keine Datei", 16},
            {"bitbtnOk", {38, 126, 89, 25}, "&OK", 18},
            {"bitbtnAbbrechen", {166, 126, 89, 25}, "&Abbrechen", -1},
        };
        for (const Control &c : controls) {
            auto *b = child<QAbstractButton>(o, c.name);
            QCOMPARE(b->geometry(), c.geometry);
            QCOMPARE(b->text(), c.text);
            QCOMPARE(b->property("helpContext").toInt(), c.helpContext);
            QVERIFY2(!b->accessibleName().isEmpty(), c.name);
        }
        QCOMPARE(child<QWidget>(o, "Bevel1")->geometry(), QRect(7, 9, 277, 109));
        QCOMPARE(label("labDateiTxt")->text(), QString("Datei:"));
        QCOMPARE(label("labOrtTxt")->text(), QString("Ort:"));
        QCOMPARE(label("labDateiTxt")->pos(), QPoint(16, 22));
        QCOMPARE(label("labDatei")->pos(), QPoint(53, 22));
        QCOMPARE(label("labOrtTxt")->pos(), QPoint(16, 54));
        QCOMPARE(label("labOrt")->pos(), QPoint(53, 54));
        const QString fileTip = "Der Name der Datei, die zum Speichern der Daten verwendet wird.";
        const QString folderTip = "Der Ordner, in dem sich die Datei befindet.";
        QCOMPARE(label("labDateiTxt")->toolTip(), fileTip);
        QCOMPARE(label("labDatei")->toolTip(), fileTip);
        QCOMPARE(label("labOrtTxt")->toolTip(), folderTip);
        QCOMPARE(label("labOrt")->toolTip(), folderTip);
        QCOMPARE(button("bitbtnOk")->toolTip(), QString("Übernehmen und schließen"));
        QVERIFY(button("bitbtnOk")->isDefault());

        // Tab order, starting at OK and coming round again.
        QStringList order;
        QWidget *next = button("bitbtnOk");
        do {
            if (next->focusPolicy() & Qt::TabFocus)
                order << next->objectName();
            next = next->nextInFocusChain();
        } while (next != button("bitbtnOk"));
        QCOMPARE(order, QStringList({"bitbtnOk", "bitbtnAbbrechen", "bitbtnDurchsuchen", "cbxBackup",
                                     "btnKeineDatei"}));

        // The two pictures, each with a greyed variant of its own.
        for (const char *name : {"bitbtnDurchsuchen", "btnKeineDatei"}) {
            const QIcon icon = button(name)->icon();
            QVERIFY2(!icon.isNull(), name);
            const QImage normal = icon.pixmap(16, 16).toImage();
            const QImage disabled = icon.pixmap(16, 16, QIcon::Disabled).toImage();
            QVERIFY2(normal != disabled, name);
        }
    }

    void openAndCancel()
    {
        runDialog([&] {
            QCOMPARE(label("labDatei")->text(), QString("alt.txt"));
            QCOMPARE(label("labOrt")->text(), m_dir.path() + "/");
            QVERIFY(cbxBackup()->isChecked());
            // Centred on the screen.
            const QPoint centre = o->screen()->availableGeometry().center();
            QVERIFY((o->frameGeometry().center() - centre).manhattanLength() <= 4);
            setChecked(cbxBackup(), false);
            QTest::mouseClick(button("btnKeineDatei"), Qt::LeftButton);
            QTest::keyClick(o, Qt::Key_Escape);
        });
        QCOMPARE(zz::ui::dataFile().DateiPfad(), path("alt.txt"));
        QVERIFY(zz::ui::dataFile().BackupErstellen());
        QCOMPARE(w->windowTitle(), QString("Zedezedidor - [alt.txt]"));
    }

    void noDataFileLabels()
    {
        setDataFile(QString());
        runDialog([&] {
            QCOMPARE(label("labDatei")->text(), QString("(keine Datei)"));
            QCOMPARE(label("labOrt")->text(), QString("?"));
        }, "bitbtnAbbrechen");
    }

    void keineDateiThenOk()
    {
        runDialog([&] {
            QTest::mouseClick(button("btnKeineDatei"), Qt::LeftButton);
            QCOMPARE(label("labDatei")->text(), QString("(keine Datei)"));
            QCOMPARE(label("labOrt")->text(), QString("?"));
            QVERIFY(cbxBackup()->isChecked());
        }, "bitbtnOk");
        QVERIFY(zz::ui::dataFile().DateiPfad().isEmpty());
        QVERIFY(zz::ui::dataFile().BackupErstellen());
        QCOMPARE(w->windowTitle(), QString("Zedezedidor"));
        QCOMPARE(frmZedezedidor2->windowTitle(), QString("Zedezedidor"));
    }

    void keineDateiThenDurchsuchenCancelled()
    {
        // Cancelling the file dialog takes the current data file back as pending.
        runDialog([&] {
            QTest::mouseClick(button("btnKeineDatei"), Qt::LeftButton);
            answerFileDialog(QString());
            QTest::mouseClick(button("bitbtnDurchsuchen"), Qt::LeftButton);
            QCOMPARE(label("labDatei")->text(), QString("alt.txt"));
        }, "bitbtnOk");
        QCOMPARE(zz::ui::dataFile().DateiPfad(), path("alt.txt"));
    }

    void durchsuchen_data()
    {
        QTest::addColumn<QString>("closeWith");
        QTest::newRow("then Abbrechen") << "bitbtnAbbrechen";
        QTest::newRow("then OK") << "bitbtnOk";
    }

    void durchsuchen()
    {
        QFETCH(QString, closeWith);
        const bool ok = closeWith == "bitbtnOk";
        const QString chosen = path(ok ? "neu-ok.txt" : "neu-abbrechen.txt");
        runDialog([&] {
            answerFileDialog(chosen);
            QTest::mouseClick(button("bitbtnDurchsuchen"), Qt::LeftButton);
            QCOMPARE(label("labDatei")->text(), QFileInfo(chosen).fileName());
            QCOMPARE(label("labOrt")->text(), m_dir.path() + "/");
            // While the dialog is open, the window still has its old data file.
            QCOMPARE(zz::ui::dataFile().DateiPfad(), path("alt.txt"));
            QCOMPARE(w->windowTitle(), QString("Zedezedidor - [alt.txt]"));
            QCOMPARE(frmZedezedidor2->windowTitle(), QString("Zedezedidor - [alt.txt]"));
        }, qPrintable(closeWith));

        QCOMPARE(zz::ui::dataFile().DateiPfad(), ok ? chosen : path("alt.txt"));
        const QString title = ok ? "Zedezedidor - [neu-ok.txt]" : "Zedezedidor - [alt.txt]";
        QCOMPARE(w->windowTitle(), title);
        QCOMPARE(frmZedezedidor2->windowTitle(), title);
        // Choosing writes nothing; the file comes with the next save.
        QVERIFY(!QFile::exists(chosen));

        if (!ok) {
            // Only the Save As dialog's proposal is the new name.
            setDataFile(QString());
            QString proposed;
            answerFileDialog(QString(), [&proposed](QFileDialog *dialog) {
                proposed = child<QLineEdit>(dialog, "fileNameEdit")->text();
            });
            w->acSpeichernunterExecute(o);
            QCOMPARE(QFileInfo(proposed).fileName(), QFileInfo(chosen).fileName());
        }
    }

    void durchsuchenReservedName()
    {
        runDialog([&] {
            MessageBoxSeen seen;
            onNextModal([&seen](QWidget *dialog) {
                answerNextMessageBox(QMessageBox::Ok, &seen);
                chooseFile(qobject_cast<QFileDialog *>(dialog), QDir::tempPath() + "/README.txt");
            });
            QTest::mouseClick(button("bitbtnDurchsuchen"), Qt::LeftButton);
            QVERIFY(seen.seen);
            QCOMPARE(seen.caption, QString("Warnung!"));
            QCOMPARE(label("labDatei")->text(), QString("alt.txt"));
            QCOMPARE(zz::ui::dataFile().DateiPfad(), path("alt.txt"));
            QCOMPARE(w->windowTitle(), QString("Zedezedidor - [alt.txt]"));
        }, "bitbtnOk");
        QCOMPARE(zz::ui::dataFile().DateiPfad(), path("alt.txt"));
    }

    void backupSwitch_data()
    {
        QTest::addColumn<QString>("closeWith");
        QTest::addColumn<bool>("after");
        QTest::newRow("off, Abbrechen") << "bitbtnAbbrechen" << true;
        QTest::newRow("off, OK") << "bitbtnOk" << false;
    }

    void backupSwitch()
    {
        QFETCH(QString, closeWith);
        QFETCH(bool, after);
        runDialog([&] { setChecked(cbxBackup(), false); }, qPrintable(closeWith));
        QCOMPARE(zz::ui::dataFile().BackupErstellen(), after);
        QCOMPARE(zz::ui::dataFile().DateiPfad(), path("alt.txt"));
        // The next showing starts from the window's values again.
        runDialog([&] { QCOMPARE(cbxBackup()->isChecked(), after); }, "bitbtnAbbrechen");
    }

    void fromTheFiveSixRingWindow()
    {
        bool ran = false;
        onNextModal([&](QWidget *modal) {
            ran = modal == o;
            QTest::mouseClick(button("btnKeineDatei"), Qt::LeftButton);
            QTest::mouseClick(button("bitbtnOk"), Qt::LeftButton);
        });
        frmZedezedidor2->mnuBearbeitenOptionenClick();
        QVERIFY(ran);
        QVERIFY(zz::ui::dataFile().DateiPfad().isEmpty());
        QCOMPARE(frmZedezedidor2->windowTitle(), QString("Zedezedidor"));
    }

    // Long names are shortened with "…" where they give way least, and the
    // tool tip holds the whole path.
    void longNamesElide_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("fileCut");
        QTest::addColumn<bool>("folderCut");
        QTest::newRow("short") << "/tmp/" << "alt.txt" << false << false;
        QTest::newRow("long file name") << "/tmp/" << "Widerstandsmessungen aus dem Labor 2026.txt" << true << false;
        QTest::newRow("long folder")
            << "/home/benutzerin/Dokumente/Elektronik/Unterlagen/Messungen/" << "alt.txt" << false << true;
        QTest::newRow("both, no extension")
            << "/home/benutzerin/Dokumente/Elektronik/Unterlagen/Messungen/" << "WiderstandsmessungenOhneEndung"
            << true << true;
    }

    void longNamesElide()
    {
        QFETCH(QString, folder);
        QFETCH(QString, file);
        QFETCH(bool, fileCut);
        QFETCH(bool, folderCut);
        setDataFile(folder + file);
        runDialog([&] {
            const QString ellipsis = QStringLiteral("…");
            QLabel *name = label("labDatei");
            QLabel *place = label("labOrt");
            for (QLabel *l : {name, place})
                QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->contentsRect().width(),
                         qPrintable(l->text()));
            QCOMPARE(name->text().contains(ellipsis), fileCut);
            QCOMPARE(place->text().contains(ellipsis), folderCut);
            if (!fileCut)
                QCOMPARE(name->text(), file);
            else if (file.endsWith(".txt"))
                QVERIFY(name->text().endsWith(ellipsis + ".txt"));
            if (!folderCut)
                QCOMPARE(place->text(), folder);
            else
                QVERIFY(place->text().startsWith(ellipsis) && place->text().endsWith("/Messungen/"));
            QVERIFY(name->toolTip().endsWith("\n" + folder + file));
            QVERIFY(place->toolTip().endsWith("\n" + folder));
            QTest::mouseClick(button("btnKeineDatei"), Qt::LeftButton);
            QCOMPARE(name->toolTip(), "Der Name der Datei, die zum Speichern der Daten verwendet wird.");
            QCOMPARE(place->toolTip(), "Der Ordner, in dem sich die Datei befindet.");
        }, "bitbtnAbbrechen");
    }

    void contextHelp()
    {
        // The topic each control asks for, by F1 or by the title bar's help button.
        auto topicShown = [] {
            zz::help::HelpWindow *help = zz::help::helpWindow();
            return help ? help->browser()->source() : QUrl();
        };
        QMap<int, QUrl> direct;
        for (int context : {15, 16, 17, 18})
            direct[context] = (zz::help::showContext(context, nullptr), topicShown());
        QVERIFY(zz::help::helpWindow()->hasHelp());
        QCOMPARE(QSet<QUrl>(direct.begin(), direct.end()).size(), 4);

        runDialog([&] {
            const std::pair<const char *, int> controls[] = {
                {"bitbtnDurchsuchen", 15}, {"btnKeineDatei", 16}, {"cbxBackup", 17}, {"bitbtnOk", 18}};
            for (const auto &[name, context] : controls) {
                auto *control = child<QWidget>(o, name);
                zz::help::showContext(context == 15 ? 16 : 15, nullptr);
                // Left lying over the dialog, the help has to make way.
                zz::help::helpWindow()->move(o->frameGeometry().topLeft());
                // F1 belongs to the dialog's window, so the dialog has to be the active one again.
                o->activateWindow();
                QVERIFY(waitForActive(o));
                control->setFocus();
                QTest::keyClick(control, Qt::Key_F1);
                QCOMPARE(topicShown(), direct[context]);
                const QRect asked(control->mapToGlobal(QPoint(0, 0)), control->size());
                const QRect help = zz::help::helpWindow()->frameGeometry();
                QVERIFY2(!help.intersects(asked), name);
                QVERIFY2(o->screen()->availableGeometry().contains(help), name);

                zz::help::showContext(context == 15 ? 16 : 15, nullptr);
                QHelpEvent whatsThis(QEvent::WhatsThis, QPoint(2, 2), control->mapToGlobal(QPoint(2, 2)));
                QApplication::sendEvent(control, &whatsThis);
                QCOMPARE(topicShown(), direct[context]);
            }
        }, "bitbtnAbbrechen");
        if (zz::help::helpWindow())
            zz::help::helpWindow()->close();
    }
};

ZZ_GUI_TEST_MAIN(TestOptions)
#include "tst_options.moc"
