// The four-ring window driven through its real controls.

#include <QScrollBar>
#include "GuiTest.h"
#include "WindowDriver.h"

#include "ui/DataFileState.h"
#include "ui/FourRingWindow.h"
#include "ui/RingComboBox.h"
#include "ui/Windows.h"

#include <QAction>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>

using namespace zz::test;

class TestFourRing final : public QObject
{
    Q_OBJECT

    TfrmLurvan *w = nullptr;
    QLabel *label(const char *name) const { return child<QLabel>(w, name); }
    RingComboBox *list(const char *name) const { return child<RingComboBox>(w, name); }
    QAction *action(const char *name) const { return child<QAction>(w, name); }
    QCheckBox *cbxRing4() const { return child<QCheckBox>(w, "cbxRing4"); }

    void pickRings(int r1, int r2, int r3)
    {
        pickByKeyboard(list("combFarbe"), r1);
        pickByKeyboard(list("combRing2"), r2);
        pickByKeyboard(list("combRing3"), r3);
    }
    QString clipboardText() const { return QGuiApplication::clipboard()->text(); }

private slots:
    void initTestCase()
    {
        zz::ui::createWindows();
        w = frmLurvan;
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }

    void cleanupTestCase() { zz::ui::destroyWindows(); }

    // Runs first: nothing has been evaluated yet.
    void startShowsDesignedTexts()
    {
        QCOMPARE(w->windowTitle(), QStringLiteral("Zedezedidor"));
        QVERIFY(!w->windowIcon().isNull());
        QCOMPARE(QApplication::windowIcon().availableSizes(),
                 QList<QSize>({{16, 16}, {32, 32}, {48, 48}}));
        QCOMPARE(w->Wert, 470.0);
        QVERIFY(zz::ui::dataFile().BackupErstellen());
        QVERIFY(zz::ui::dataFile().DateiPfad().isEmpty());
        QCOMPARE(list("combFarbe")->currentText(), QStringLiteral("Gelb"));
        QCOMPARE(list("combRing2")->currentText(), QStringLiteral("Violett"));
        QCOMPARE(list("combRing3")->currentText(), QStringLiteral("Braun"));
        QCOMPARE(list("combRing4")->currentText(), QStringLiteral("Gold"));
        QVERIFY(cbxRing4()->isChecked());
        QCOMPARE(label("labCode")->text(), QStringLiteral("Gelb - Violett - Braun"));
        QCOMPARE(label("labWert")->text(), QStringLiteral("470 Ohm"));
        QCOMPARE(label("labToleranz")->text(), QStringLiteral("± 23,5 Ohm (= 5%)"));
        for (const char *hidden : {"labNixGut1Txt", "labNixGut2Txt", "labStandTxt", "labStand"})
            QVERIFY2(label(hidden)->isHidden(), hidden);

        QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboardText(), QStringLiteral("Farbcode: Gelb - Violett - Braun\r\n"
                                                 "Wert: 470 Ohm\r\n"
                                                 "Toleranz: ± 23,5 Ohm (= 5%)\r\n"
                                                 "(4.Ring hat die Farbe: Gold)\r\n"));
        QCOMPARE(QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("text/plain")),
                 QByteArray("Farbcode: Gelb - Violett - Braun\r\nWert: 470 Ohm\r\n"
                            "Toleranz: \xC2\xB1 23,5 Ohm (= 5%)\r\n(4.Ring hat die Farbe: Gold)\r\n"));
    }

    void frameAndMenu()
    {
        QCOMPARE(w->centralWidget()->size(), QSize(461, 231));
        QCOMPARE(w->minimumSize(), w->maximumSize());
        QVERIFY(!(w->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(w->windowFlags() & Qt::WindowMinimizeButtonHint);

        QStringList menus;
        for (QAction *m : w->menuBar()->actions()) {
            QStringList items;
            for (QAction *a : m->menu()->actions())
                items << (a->isSeparator() ? QStringLiteral("-")
                                           : a->text() + QLatin1Char('|')
                                                 + a->shortcut().toString());
            menus << m->text() + QLatin1Char(':') + items.join(QLatin1Char(','));
        }
        QCOMPARE(menus, QStringList({
            QStringLiteral("&Daten:&Speichern|Ctrl+S,Speichern &unter...|,-,5/6 Ringe|Ctrl+U,-,&Beenden|"),
            QStringLiteral("&Bearbeiten:&Kopieren|Ctrl+C,Farbcode &suchen...|Ctrl+F,Farbcode aus &Foto...|Ctrl+O,-,&Optionen...|"),
            QStringLiteral("&Hilfe:I&nhalt|,In&dex|,&Benutzung der Hilfe|,-,&Readme.txt|,&Lizenz.txt|,-,Üb&er...|"),
        }));
        QVERIFY(!action("N56Ringe1")->isChecked());
        QCOMPARE(child<QPushButton>(w, "BitBtnBeenden")->toolTip(), QStringLiteral("Programm beenden"));
        QCOMPARE(child<QPushButton>(w, "BitBtnKopieren")->toolTip(),
                 QStringLiteral("Werte in Zwischenablage kopieren"));

        QStringList order;
        QWidget *f = list("combFarbe");
        while (order.size() < 8) {
            if (f->focusPolicy() & Qt::TabFocus)
                order << f->objectName();
            f = f->nextInFocusChain();
        }
        QCOMPARE(order, QStringList({"combFarbe", "combRing2", "combRing3", "cbxRing4", "combRing4",
                                     "BitBtnBeenden", "BitBtnKopieren", "BitBtnSpeichern"}));
        for (const char *name : {"combFarbe", "combRing2", "combRing3", "combRing4", "cbxRing4"})
            QVERIFY2(!child<QWidget>(w, name)->accessibleName().isEmpty(), name);
    }

    void listsHoldTheirColours()
    {
        const auto texts = [](QComboBox *c) {
            QStringList t;
            for (int i = 0; i < c->count(); ++i)
                t << c->itemText(i);
            return t;
        };
        const QStringList base{"Schwarz", "Braun", "Rot", "Orange", "Gelb",
                               "Grün", "Blau", "Violett", "Grau", "Weiß"};
        QCOMPARE(texts(list("combFarbe")), base);
        QCOMPARE(texts(list("combRing2")), base);
        QCOMPARE(texts(list("combRing3")), QStringList({"Schwarz", "Braun", "Rot", "Orange", "Gelb",
                                                        "Grün", "Blau", "Gold", "Silber"}));
        QCOMPARE(texts(list("combRing4")), QStringList({"Braun", "Rot", "Gold", "Silber"}));
        RingComboBox *c = list("combFarbe");
        QCOMPARE(c->maxVisibleItems(), 5);
        c->showPopup();
        QCOMPARE(c->view()->sizeHintForRow(0), 16);
        QVERIFY2(c->view()->height() >= 5 * 16 && c->view()->height() < 6 * 16,
                 qPrintable(QString::number(c->view()->height())));
        // More entries than rows: a scroll bar tells that there are more.
        QTRY_VERIFY(c->view()->verticalScrollBar()->isVisible());
        c->hidePopup();
        // Opened by the mouse as the first thing the list does.
        RingComboBox *second = list("combRing2");
        QTest::mouseClick(second, Qt::LeftButton);
        QTRY_VERIFY(second->view()->isVisible());
        QTRY_VERIFY(second->view()->verticalScrollBar()->isVisible());
        second->hidePopup();
        RingComboBox *shortList = list("combRing4");
        shortList->showPopup();
        QTRY_VERIFY(shortList->view()->isVisible());
        QVERIFY(!shortList->view()->verticalScrollBar()->isVisible());
        shortList->hidePopup();
        QCOMPARE(c->swatchAt(0).size(), QSize(24, 12));
        QCOMPARE(c->swatchAt(9).size(), QSize(28, 14));
        QCOMPARE(c->swatchAt(9).toImage().pixelColor(1, 1), QColor(Qt::black));
        QCOMPARE(c->swatchAt(9).toImage().pixelColor(2, 2), QColor(Qt::white));
    }

    // One entry as the list draws it: swatch at +2/+2, name one pixel after it, white edge.
    void entryDrawing()
    {
        QImage img(97, 16, QImage::Format_RGB32);
        img.fill(Qt::magenta);
        QPainter p(&img);
        p.setFont(w->font());
        RingComboBox *c = list("combFarbe");
        RingComboBox::drawEntry(p, img.rect(), c->swatchAt(0), QStringLiteral("Schwarz"), false,
                                true, c->palette());
        p.end();
        QCOMPARE(img.pixelColor(0, 0), QColor(Qt::white));
        QCOMPARE(img.pixelColor(96, 15), QColor(Qt::white));
        QCOMPARE(img.pixelColor(2, 2), QColor(Qt::black));
        QCOMPARE(img.pixelColor(25, 13), QColor(Qt::black));
        QCOMPARE(img.pixelColor(26, 8), QColor(Qt::white));  // the blank column before the name
        bool textSeen = false;
        for (int x = 27; x < 60 && !textSeen; ++x)
            for (int y = 3; y < 14; ++y)
                textSeen = textSeen || img.pixelColor(x, y).lightness() < 128;
        QVERIFY(textSeen);
    }

    void edgeRows_data()
    {
        QTest::addColumn<QList<int>>("rings");   // r1, r2, r3, r4; r4 = -1: no fourth ring
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("wert");
        QTest::addColumn<QString>("toleranz");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QString>("standard");
        QTest::newRow("start code evaluated") << QList{4, 7, 1, 2} << "Gelb - Violett - Braun"
            << "470 Ohm" << "± 23,5 Ohm  (= 5%)" << "" << "";
        QTest::newRow("no ring 4") << QList{4, 7, 1, -1} << "Gelb - Violett - Braun"
            << "470 Ohm" << "± 94 Ohm  (= 20%)" << "" << "";
        QTest::newRow("kOhm") << QList{1, 0, 3, 3} << "Braun - Schwarz - Orange" << "10 kOhm"
            << "± 1 kOhm  (= 10%)" << "" << "";
        QTest::newRow("MOhm") << QList{9, 9, 6, 1} << "Weiß - Weiß - Blau" << "99 MOhm"
            << "± 1,98 MOhm  (= 2%)" << "" << "";
        QTest::newRow("mOhm gold") << QList{2, 2, 7, 2} << "Rot - Rot - Gold" << "2,2 Ohm"
            << "± 110 mOhm  (= 5%)" << "" << "";
        QTest::newRow("unusual") << QList{0, 4, 2, 2} << "Schwarz - Gelb - Rot" << "400 Ohm"
            << "± 20 Ohm  (= 5%)" << "Dieser Code ist unüblich!" << "Gelb - Schwarz - Braun";
        QTest::newRow("unusual gold") << QList{0, 4, 7, 2} << "Schwarz - Gelb - Gold" << "0,4 Ohm"
            << "± 20 mOhm  (= 5%)" << "Dieser Code ist unüblich!" << "Gelb - Schwarz - Silber";
        QTest::newRow("silver no hint") << QList{0, 1, 8, 0} << "Schwarz - Braun - Silber"
            << "0,01 Ohm" << "± 0,1 mOhm  (= 1%)" << "" << "";
        QTest::newRow("does not exist") << QList{0, 0, 5, 2} << "Schwarz - Schwarz - Grün"
            << "0 Ohm" << "± 0 Ohm  (= 5%)" << "Diesen Code gibt es nicht!" << "";
        QTest::newRow("back to normal") << QList{1, 0, 2, 2} << "Braun - Schwarz - Rot" << "1 kOhm"
            << "± 50 Ohm  (= 5%)" << "" << "";
    }

    void edgeRows()
    {
        QFETCH(QList<int>, rings);
        setChecked(cbxRing4(), rings[3] >= 0);
        if (rings[3] >= 0)
            pickByKeyboard(list("combRing4"), rings[3]);
        pickRings(rings[0], rings[1], rings[2]);
        QTEST(label("labCode")->text(), "code");
        QTEST(label("labWert")->text(), "wert");
        QTEST(label("labToleranz")->text(), "toleranz");
        QFETCH(QString, hint);
        QFETCH(QString, standard);
        QCOMPARE(!label("labNixGut1Txt")->isHidden(), !hint.isEmpty());
        QCOMPARE(!label("labNixGut2Txt")->isHidden(), !hint.isEmpty());
        if (!hint.isEmpty())
            QCOMPARE(label("labNixGut2Txt")->text(), hint);
        QCOMPARE(!label("labStandTxt")->isHidden(), !standard.isEmpty());
        QCOMPARE(!label("labStand")->isHidden(), !standard.isEmpty());
        if (!standard.isEmpty())
            QCOMPARE(label("labStand")->text(), standard);
    }

    void mousePickEvaluates()
    {
        pickRings(4, 7, 1);
        pickByMouse(list("combRing3"), 3);
        QCOMPARE(list("combRing3")->currentText(), QStringLiteral("Orange"));
        QCOMPARE(label("labWert")->text(), QStringLiteral("47 kOhm"));
        QCOMPARE(w->Wert, 47000.0);
    }

    // Ring 4 and its check box touch the tolerance only; an unusual-code hint stays.
    void ring4TouchesOnlyTolerance()
    {
        setChecked(cbxRing4(), true);
        pickRings(0, 4, 2);
        pickByKeyboard(list("combRing4"), 0);
        QCOMPARE(label("labToleranz")->text(), QStringLiteral("± 4 Ohm  (= 1%)"));
        QVERIFY(!label("labStand")->isHidden());
        QCOMPARE(label("labCode")->text(), QStringLiteral("Schwarz - Gelb - Rot"));

        setChecked(cbxRing4(), false);
        QVERIFY(label("imgRing4")->isHidden());
        QVERIFY(!list("combRing4")->isEnabled());
        QCOMPARE(label("labToleranz")->text(), QStringLiteral("± 80 Ohm  (= 20%)"));
        QVERIFY(!label("labStand")->isHidden());
        QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
        QVERIFY(clipboardText().contains(QStringLiteral("(4.Ring ist nicht vorhanden)\r\n"
                                                        "Hinweis: Dieser Code ist unüblich!\r\n"
                                                        "Standardcode: Gelb - Schwarz - Braun\r\n")));
        QVERIFY(!clipboardText().contains(QStringLiteral("Farbe: Braun")));

        setChecked(cbxRing4(), true);
        QVERIFY(!label("imgRing4")->isHidden());
        QCOMPARE(list("combRing4")->currentText(), QStringLiteral("Braun"));
        QCOMPARE(label("labToleranz")->text(), QStringLiteral("± 4 Ohm  (= 1%)"));
    }

    void pictureRings_data()
    {
        QTest::addColumn<QString>("listName");
        QTest::addColumn<QString>("ringName");
        QTest::addColumn<int>("position");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("ring 1 Rot") << "combFarbe" << "imgRing1" << 2 << QColor(0xFF, 0, 0);
        QTest::newRow("ring 2 Grün") << "combRing2" << "imgRing2" << 5 << QColor(0, 0x7F, 0);
        QTest::newRow("multiplier Gold") << "combRing3" << "imgRing3" << 7 << QColor(0xBA, 0x9D, 0x3A);
        QTest::newRow("multiplier Silber") << "combRing3" << "imgRing3" << 8 << QColor(0xBF, 0xBF, 0xBF);
        QTest::newRow("tolerance Rot") << "combRing4" << "imgRing4" << 1 << QColor(0xFF, 0, 0);
    }

    void pictureRings()
    {
        QFETCH(QString, listName);
        QFETCH(QString, ringName);
        QFETCH(int, position);
        QFETCH(QColor, colour);
        setChecked(cbxRing4(), true);
        pickByKeyboard(list(qPrintable(listName)), position);
        QLabel *ring = label(qPrintable(ringName));
        QCOMPARE(ring->size(), QSize(7, 44));
        QCOMPARE(pixel(ring, 0, 0), colour);
        QCOMPARE(pixel(ring, 3, 22), colour);
        QCOMPARE(pixel(ring, 6, 43), colour);
    }

    void whiteStripeHasOutline()
    {
        pickByKeyboard(list("combFarbe"), 9);
        QLabel *ring = label("imgRing1");
        QCOMPARE(pixel(ring, 0, 10), QColor(Qt::black));
        QCOMPARE(pixel(ring, 6, 10), QColor(Qt::black));
        QCOMPARE(pixel(ring, 3, 0), QColor(Qt::black));
        QCOMPARE(pixel(ring, 1, 1), QColor(Qt::white));
        QCOMPARE(pixel(ring, 3, 22), QColor(Qt::white));
    }

    void copyButtonAndRepeatedCopy()
    {
        setChecked(cbxRing4(), true);
        pickByKeyboard(list("combRing4"), 2);
        pickRings(0, 0, 3);
        QGuiApplication::clipboard()->setText(QStringLiteral("alt"));
        QTest::mouseClick(child<QPushButton>(w, "BitBtnKopieren"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(w, "BitBtnKopieren"), Qt::LeftButton);
        QCOMPARE(clipboardText(), QStringLiteral("Farbcode: Schwarz - Schwarz - Orange\r\n"
                                                 "Wert: 0 Ohm\r\n"
                                                 "Toleranz: ± 0 Ohm  (= 5%)\r\n"
                                                 "(4.Ring hat die Farbe: Gold)\r\n"
                                                 "Hinweis: Diesen Code gibt es nicht!\r\n"));
        QCOMPARE(w->reportLines().size(), 5);
    }

    // Save is enabled in the menu exactly while a data file is set.
    void speichernFollowsDataFile()
    {
        QMenu *daten = child<QMenu>(w, "mnuDaten");
        QAction *speichern = action("mnuDatenSpeichern");
        zz::ui::dataFile().setDateiPfad(QString());
        emit daten->aboutToShow();
        QVERIFY(!speichern->isEnabled());
        zz::ui::dataFile().setDateiPfad(QStringLiteral("/tmp/Ringe.txt"));
        emit daten->aboutToShow();
        QVERIFY(speichern->isEnabled());
        zz::ui::dataFile().setDateiPfad(QString());
        emit daten->aboutToShow();
        QVERIFY(!speichern->isEnabled());
    }
};

ZZ_GUI_TEST_MAIN(TestFourRing)
#include "tst_fourring.moc"
