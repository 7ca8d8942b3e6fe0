// The five/six-ring window driven through its real controls (shown on its own,
// without the modal switch, which tst_switch covers).

#include "GuiTest.h"
#include "WindowDriver.h"

#include "ui/DataFileState.h"
#include "ui/FiveSixRingWindow.h"
#include "ui/FourRingWindow.h"
#include "ui/RingComboBox.h"
#include "ui/Windows.h"

#include <QAction>
#include <QClipboard>
#include <QMenu>
#include <QPushButton>
#include <QToolTip>

using namespace zz::test;

class TestFiveRing final : public QObject
{
    Q_OBJECT

    TfrmZedezedidor2 *w = nullptr;
    QLabel *label(const char *name) const { return child<QLabel>(w, name); }
    RingComboBox *list(const char *name) const { return child<RingComboBox>(w, name); }
    QCheckBox *cbxRing6() const { return child<QCheckBox>(w, "cbxRing6"); }
    QString copied()
    {
        QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
        return QGuiApplication::clipboard()->text();
    }
    static QStringList texts(QComboBox *c)
    {
        QStringList t;
        for (int i = 0; i < c->count(); ++i)
            t << c->itemText(i);
        return t;
    }

private slots:
    void initTestCase()
    {
        zz::ui::createWindows();
        w = frmZedezedidor2;
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }

    void cleanupTestCase() { zz::ui::destroyWindows(); }

    void startShowsDesignedTexts()
    {
        QCOMPARE(w->centralWidget()->size(), QSize(461, 276));
        QCOMPARE(w->Wert, 470.0);
        QVERIFY(child<QAction>(w, "N56Ringe1")->isChecked());
        QVERIFY(!cbxRing6()->isChecked());
        QVERIFY(!list("combRing6")->isEnabled());
        QVERIFY(label("imgRing6")->isHidden());
        QCOMPARE(label("labCode")->text(), QStringLiteral("Gelb - Violett - Schwarz - Schwarz"));
        for (const char *hidden : {"labTempKoeffTxt", "labTTol", "labNixGut1Txt", "labStand"})
            QVERIFY2(label(hidden)->isHidden(), hidden);
        QCOMPARE(copied(), QStringLiteral("Farbcode: Gelb - Violett - Schwarz - Schwarz\r\n"
                                          "Wert: 470 Ohm\r\n"
                                          "Toleranz: ± 23,5 Ohm (= 5%)\r\n"
                                          "(5.Ring hat die Farbe: Gold)\r\n"
                                          "(6.Ring ist nicht vorhanden)\r\n"));
        QCOMPARE(pixel(label("imgRing4"), 3, 22), QColor(Qt::black));
        QCOMPARE(pixel(label("imgRing5"), 3, 22), QColor(0xBA, 0x9D, 0x3A));
    }

    // Copied from the four-ring lists, then cut down and extended.
    void listsHoldTheirColours()
    {
        const QStringList base{"Schwarz", "Braun", "Rot", "Orange", "Gelb",
                               "Grün", "Blau", "Violett", "Grau", "Weiß"};
        for (const char *name : {"combFarbe", "combRing2", "combRing3"})
            QCOMPARE(texts(list(name)), base);
        QCOMPARE(texts(list("combRing4")), QStringList({"Schwarz", "Braun", "Rot", "Orange", "Gelb",
                                                        "Grün", "Blau", "Gold", "Silber"}));
        QCOMPARE(texts(list("combRing5")), QStringList({"Braun", "Rot", "Grün", "Blau", "Violett",
                                                        "Grau", "Gold", "Silber"}));
        QCOMPARE(texts(list("combRing6")), QStringList({"Schwarz", "Braun", "Rot", "Orange", "Gelb",
                                                        "Blau", "Violett"}));
        QCOMPARE(list("combRing5")->swatchAt(6).toImage().pixelColor(5, 5), QColor(0xBA, 0x9D, 0x3A));
        QCOMPARE(list("combRing6")->swatchAt(5).toImage().pixelColor(5, 5), QColor(0, 0, 0xFF));
    }

    void tooltipsExistButAreNotShown()
    {
        auto *button = child<QPushButton>(w, "BitBtnBeenden");
        QCOMPARE(button->toolTip(), QStringLiteral("Programm beenden"));
        QHelpEvent tip(QEvent::ToolTip, QPoint(5, 5), button->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(button, &tip);
        QVERIFY(!QToolTip::isVisible());

        auto *mainButton = child<QPushButton>(frmLurvan, "BitBtnBeenden");
        frmLurvan->show();
        QHelpEvent mainTip(QEvent::ToolTip, QPoint(5, 5), mainButton->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(mainButton, &mainTip);
        QVERIFY(QToolTip::isVisible());
        QToolTip::hideText();
        frmLurvan->hide();
    }

    void edgeRows_data()
    {
        QTest::addColumn<QList<int>>("rings");   // r1..r4, r5, r6 (-1: no sixth ring)
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("wert");
        QTest::addColumn<QString>("toleranz");
        QTest::addColumn<QString>("ttol");
        QTest::addColumn<QString>("standard");   // "-": hint without standard code
        QTest::newRow("start evaluated") << QList{4, 7, 0, 0, 6, 5}
            << "Gelb - Violett - Schwarz - Schwarz" << "470 Ohm" << "± 23,5 Ohm (= 5%)"
            << "± 4,7 mOhm (= 10 ppm/K)" << "";
        QTest::newRow("largest") << QList{9, 9, 9, 6, 1, 0} << "Weiß - Weiß - Weiß - Blau"
            << "999 MOhm" << "± 19,98 MOhm (= 2%)" << "± 199,8 kOhm (= 200 ppm/K)" << "";
        QTest::newRow("0.1 percent") << QList{1, 0, 0, 1, 4, 1} << "Braun - Schwarz - Schwarz - Braun"
            << "1 kOhm" << "± 1 Ohm (= 0,1%)" << "± 100 mOhm (= 100 ppm/K)" << "";
        QTest::newRow("two black rings") << QList{0, 0, 4, 2, 6, -1}
            << "Schwarz - Schwarz - Gelb - Rot" << "400 Ohm" << "± 20 Ohm (= 5%)" << ""
            << "Gelb - Schwarz - Schwarz - Schwarz";
        QTest::newRow("exponent form") << QList{0, 0, 1, 8, 5, 6}
            << "Schwarz - Schwarz - Braun - Silber" << "0,01 Ohm" << "± 5E-6 Ohm (= 0,05%)"
            << "± 50 nOhm (= 5 ppm/K)" << "";
        QTest::newRow("does not exist") << QList{0, 0, 0, 3, 6, 5}
            << "Schwarz - Schwarz - Schwarz - Orange" << "0 Ohm" << "± 0 Ohm (= 5%)"
            << "± 0 nOhm (= 10 ppm/K)" << "-";
    }

    void edgeRows()
    {
        QFETCH(QList<int>, rings);
        setChecked(cbxRing6(), rings[5] >= 0);
        if (rings[5] >= 0)
            pickByKeyboard(list("combRing6"), rings[5]);
        pickByKeyboard(list("combRing5"), rings[4]);
        const char *names[] = {"combFarbe", "combRing2", "combRing3", "combRing4"};
        for (int i = 0; i < 4; ++i)
            pickByKeyboard(list(names[i]), rings[i]);
        QTEST(label("labCode")->text(), "code");
        QTEST(label("labWert")->text(), "wert");
        QTEST(label("labToleranz")->text(), "toleranz");
        QFETCH(QString, ttol);
        QCOMPARE(!label("labTTol")->isHidden(), rings[5] >= 0);
        QCOMPARE(!label("labTempKoeffTxt")->isHidden(), rings[5] >= 0);
        if (rings[5] >= 0)
            QCOMPARE(label("labTTol")->text(), ttol);
        QFETCH(QString, standard);
        QCOMPARE(!label("labNixGut1Txt")->isHidden(), !standard.isEmpty());
        QCOMPARE(!label("labStand")->isHidden(), !standard.isEmpty() && standard != "-");
        if (!standard.isEmpty() && standard != "-")
            QCOMPARE(label("labStand")->text(), standard);
    }

    void ring6SwitchAndReport()
    {
        const QList<int> start{4, 7, 0, 0, 6};
        const char *names[] = {"combFarbe", "combRing2", "combRing3", "combRing4", "combRing5"};
        for (int i = 0; i < 5; ++i)
            pickByKeyboard(list(names[i]), start[i]);
        setChecked(cbxRing6(), false);
        pickByKeyboard(list("combFarbe"), 0);   // Schwarz - Violett - ...: unusual
        const QString code = label("labCode")->text();

        setChecked(cbxRing6(), true);
        QVERIFY(!label("imgRing6")->isHidden());
        QVERIFY(list("combRing6")->isEnabled());
        QCOMPARE(label("labCode")->text(), code);
        QCOMPARE(copied(), QStringLiteral("Farbcode: Schwarz - Violett - Schwarz - Schwarz\r\n"
                                          "Wert: 70 Ohm\r\n"
                                          "Toleranz: ± 3,5 Ohm (= 5%)\r\n"
                                          "Änderung je 1°C: ± 700 µOhm (= 10 ppm/K)\r\n"
                                          "(5.Ring hat die Farbe: Gold)\r\n"
                                          "(6.Ring hat die Farbe: Blau)\r\n"
                                          "Hinweis: Dieser Code ist unüblich!\r\n"
                                          "Standardcode: Violett - Schwarz - Schwarz - Gold\r\n"));

        setChecked(cbxRing6(), false);
        QVERIFY(label("imgRing6")->isHidden());
        QVERIFY(label("labTTol")->isHidden());
        QVERIFY(!label("labStand")->isHidden());
        QVERIFY(copied().contains(QStringLiteral("(5.Ring hat die Farbe: Gold)\r\n"
                                                 "(6.Ring ist nicht vorhanden)\r\nHinweis:")));
        QVERIFY(!copied().contains(QStringLiteral("Änderung")));
    }

    void speichernFollowsDataFile()
    {
        QMenu *daten = child<QMenu>(w, "mnuDaten");
        QAction *speichern = child<QAction>(w, "mnuDatenSpeichern");
        zz::ui::dataFile().setDateiPfad(QStringLiteral("/tmp/Ringe.txt"));
        emit daten->aboutToShow();
        QVERIFY(speichern->isEnabled());
        zz::ui::dataFile().setDateiPfad(QString());
        emit daten->aboutToShow();
        QVERIFY(!speichern->isEnabled());
    }
};

ZZ_GUI_TEST_MAIN(TestFiveRing)
#include "tst_fivering.moc"
