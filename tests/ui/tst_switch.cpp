// Switching between the decoder windows, and the ways the program ends.

#include "GuiTest.h"
#include "WindowDriver.h"

#include "ui/DataFileState.h"
#include "ui/FiveSixRingWindow.h"
#include "ui/FourRingWindow.h"
#include "ui/RingComboBox.h"
#include "ui/Windows.h"

#include <QAction>
#include <QPushButton>
#include <QTimer>

using namespace zz::test;

class TestSwitch final : public QObject
{
    Q_OBJECT

    // Runs the program's message loop until the four-ring window ends it;
    // false when it did not end within a few seconds.
    static bool runUntilProgramEnds(int *exitCode)
    {
        bool timedOut = false;
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, qApp, [&] {
            timedOut = true;
            QCoreApplication::exit(99);
        });
        guard.start(5000);
        *exitCode = QCoreApplication::exec();
        return !timedOut;
    }

    static void showMainAt(QPoint p)
    {
        frmLurvan->move(p);
        frmLurvan->show();
        QVERIFY(QTest::qWaitForWindowExposed(frmLurvan));
    }

private slots:
    void initTestCase() { zz::ui::createWindows(); }
    void cleanupTestCase() { zz::ui::destroyWindows(); }

    void roundTripKeepsSelectionsAndPlace()
    {
        showMainAt({100, 120});
        pickByKeyboard(child<RingComboBox>(frmLurvan, "combFarbe"), 2);
        const QString code4 = child<QLabel>(frmLurvan, "labCode")->text();

        bool sawSecond = false;
        onNextModal([&](QWidget *modal) {
            sawSecond = modal == frmZedezedidor2;
            QVERIFY(frmLurvan->isHidden());
            QCOMPARE(frmZedezedidor2->pos(), QPoint(100, 120));
            QCOMPARE(frmZedezedidor2->windowTitle(), QStringLiteral("Zedezedidor"));
            pickByKeyboard(child<RingComboBox>(frmZedezedidor2, "combRing3"), 5);
            frmZedezedidor2->move(150, 160);
            // Ctrl+U is a shortcut of the active window; under load activation comes late.
            QVERIFY(waitForActive(frmZedezedidor2));
            QTest::keyClick(frmZedezedidor2, Qt::Key_U, Qt::ControlModifier);
        });
        QTest::keyClick(frmLurvan, Qt::Key_U, Qt::ControlModifier);

        QVERIFY(sawSecond);
        QVERIFY(frmZedezedidor2->Zurueck);
        QVERIFY(frmZedezedidor2->isHidden());
        QVERIFY(!frmLurvan->isHidden());
        QCOMPARE(frmLurvan->pos(), QPoint(150, 160));
        QCOMPARE(child<QLabel>(frmLurvan, "labCode")->text(), code4);
        QVERIFY(child<QAction>(frmZedezedidor2, "N56Ringe1")->isChecked());
        QVERIFY(!child<QAction>(frmLurvan, "N56Ringe1")->isChecked());

        // Back again: the five/six-ring window opens where the four-ring one now is,
        // with the selection made before and the current caption.
        zz::ui::dataFile().setDateiPfad(QStringLiteral("/daten/Ringe.txt"));
        QString code6, title6;
        QPoint pos6;
        onNextModal([&](QWidget *) {
            code6 = child<QLabel>(frmZedezedidor2, "labCode")->text();
            title6 = frmZedezedidor2->windowTitle();
            pos6 = frmZedezedidor2->pos();
            QVERIFY(!frmZedezedidor2->Zurueck);
            child<QAction>(frmZedezedidor2, "N56Ringe1")->trigger();
        });
        child<QAction>(frmLurvan, "N56Ringe1")->trigger();
        QCOMPARE(code6, QStringLiteral("Gelb - Violett - Grün - Schwarz"));
        QCOMPARE(title6, QStringLiteral("Zedezedidor - [Ringe.txt]"));
        QCOMPARE(pos6, QPoint(150, 160));
        // The check mark stays where it is, whatever the switching.
        QVERIFY(child<QAction>(frmZedezedidor2, "N56Ringe1")->isChecked());
        QVERIFY(!child<QAction>(frmLurvan, "N56Ringe1")->isChecked());
        zz::ui::dataFile().setDateiPfad(QString());
    }

    // Every way out of the five/six-ring window but "5/6 Ringe" ends the program,
    // and the four-ring window takes that window's last place first.
    void quittingFromSecondEndsProgram_data()
    {
        QTest::addColumn<int>("way");
        QTest::newRow("Esc") << 0;
        QTest::newRow("button Beenden") << 1;
        QTest::newRow("menu Beenden") << 2;
        QTest::newRow("title-bar close") << 3;
    }

    void quittingFromSecondEndsProgram()
    {
        QFETCH(int, way);
        showMainAt({40, 50});
        onNextModal([way](QWidget *) {
            frmZedezedidor2->move(70, 80);
            switch (way) {
            case 0: QTest::keyClick(frmZedezedidor2, Qt::Key_Escape); break;
            case 1: QTest::mouseClick(child<QPushButton>(frmZedezedidor2, "BitBtnBeenden"),
                                      Qt::LeftButton); break;
            case 2: child<QAction>(frmZedezedidor2, "mnuDatenBeenden")->trigger(); break;
            default: frmZedezedidor2->close(); break;
            }
        });
        QTimer::singleShot(0, frmLurvan, [] {
            QTest::keyClick(frmLurvan, Qt::Key_U, Qt::ControlModifier);
        });
        int exitCode = -1;
        QVERIFY(runUntilProgramEnds(&exitCode));
        QCOMPARE(exitCode, 0);
        QVERIFY(!frmZedezedidor2->Zurueck);
        QVERIFY(frmLurvan->isHidden());
        QVERIFY(frmZedezedidor2->isHidden());
        QCOMPARE(frmLurvan->pos(), QPoint(70, 80));
    }

    void quittingFromMainEndsProgram_data()
    {
        QTest::addColumn<int>("way");
        QTest::newRow("Esc") << 0;
        QTest::newRow("menu Beenden") << 1;
        QTest::newRow("title-bar close") << 2;
    }

    void quittingFromMainEndsProgram()
    {
        QFETCH(int, way);
        showMainAt({40, 50});
        QTimer::singleShot(0, frmLurvan, [way] {
            if (way == 0)
                QTest::keyClick(frmLurvan, Qt::Key_Escape);
            else if (way == 1)
                child<QAction>(frmLurvan, "mnuDatenBeenden")->trigger();
            else
                frmLurvan->close();
        });
        int exitCode = -1;
        QVERIFY(runUntilProgramEnds(&exitCode));
        QCOMPARE(exitCode, 0);
        QVERIFY(frmLurvan->isHidden());
    }
};

ZZ_GUI_TEST_MAIN(TestSwitch)
#include "tst_switch.moc"
