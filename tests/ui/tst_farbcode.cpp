// "Farbcode suchen" driven through the real windows: typing gives the live
// result, refusals stay in the dialog, "Übernehmen" sets the rings in the
// window for the ring count (switching windows when needed), Esc closes only
// the dialog.

#include "GuiTest.h"
#include "WindowDriver.h"

#include "help/Help.h"
#include "help/HelpWindow.h"
#include "ui/FarbcodeSuchen.h"
#include "ui/FiveSixRingWindow.h"
#include "ui/FourRingWindow.h"
#include "ui/RingComboBox.h"
#include "ui/Windows.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>

using namespace zz::test;

namespace {

TfrmFarbcodeSuchen *asDialog(QWidget *w)
{
    auto *d = qobject_cast<TfrmFarbcodeSuchen *>(w);
    if (!d)
        QTest::qFail("the modal widget is not the code search", __FILE__, __LINE__);
    return d;
}

QString text(const QWidget *w, const char *name)
{
    return child<QLabel>(w, name)->text();
}

// Types the value and picks ring count and tolerance as a user does.
void fill(TfrmFarbcodeSuchen *d, const QString &value, int rings, int tolerance = -1)
{
    pickByKeyboard(child<QComboBox>(d, "combRinge"), rings - 4);
    if (tolerance >= 0)
        pickByKeyboard(child<QComboBox>(d, "combToleranz"), tolerance);
    QLineEdit *edit = child<QLineEdit>(d, "edtWert");
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    // keyClicks takes ASCII only; "Ω" comes as a key with its text, as an input method sends it.
    for (const QChar ch : value) {
        if (ch.unicode() < 128)
            QTest::keyClick(edit, ch.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
    QCOMPARE(edit->text(), value);
}

QString codeText(const QWidget *window)
{
    return text(window, "labCode");
}

} // namespace

class TestFarbcode final : public QObject
{
    Q_OBJECT

    static void showMain()
    {
        frmLurvan->move(60, 70);
        frmLurvan->show();
        frmLurvan->activateWindow();
        QVERIFY(waitForActive(frmLurvan));
    }

    // Opens the dialog with Ctrl+F in `window` and hands it to `action`.
    static void withDialog(QWidget *window, std::function<void(TfrmFarbcodeSuchen *)> action)
    {
        bool seen = false;
        onNextModal([&](QWidget *w) {
            seen = true;
            TfrmFarbcodeSuchen *d = asDialog(w);
            if (!d) {
                w->close();
                return;
            }
            QVERIFY(waitForActive(d));
            action(d);
        });
        // Shortcuts reach the active window only; a closed dialog may leave none active.
        window->activateWindow();
        QVERIFY(waitForActive(window));
        QTest::keyClick(window, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(seen);
    }

private slots:
    void initTestCase()
    {
        zz::help::setHelpFile(QDir(qEnvironmentVariable("ZZ_BIN_DIR")).filePath(QStringLiteral("Zedezedidor.qhc")));
        zz::ui::createWindows();
        showMain();
    }

    void cleanupTestCase()
    {
        if (auto *help = zz::help::helpWindow())
            delete help;
        zz::ui::destroyWindows();
    }

    void menuItemInBothWindows()
    {
        for (QWidget *w : {static_cast<QWidget *>(frmLurvan), static_cast<QWidget *>(frmZedezedidor2)}) {
            QAction *a = child<QAction>(w, "mnuBearbeitenFarbcodeSuchen");
            QCOMPARE(a->text(), QStringLiteral("Farbcode &suchen..."));
            QCOMPARE(a->shortcut(), QKeySequence(QStringLiteral("Ctrl+F")));
        }
    }

    void liveResult_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("rings");
        QTest::addColumn<int>("tolerance");   // list position, -1: the default
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("wert");
        QTest::addColumn<QString>("range");
        QTest::addColumn<QString>("series");
        QTest::addColumn<QString>("nearest");

        QTest::newRow("4k7, four rings, Gold") << "4k7" << 4 << -1 << "Gelb - Violett - Rot - Gold"
            << "4,7 kOhm" << "4,465 kOhm bis 4,935 kOhm (± 5 %)" << "E3, E6, E12, E24, E192"
            << "4,7 kOhm ist ein Wert der E24";
        QTest::newRow("no fourth ring") << "470" << 4 << 4 << "Gelb - Violett - Braun"
            << "470 Ohm" << "376 Ohm bis 564 Ohm (± 20 %)" << "E3, E6, E12, E24, E192"
            << "470 Ohm ist ein Wert der E24";
        QTest::newRow("German comma, unit") << " 4,75 kOhm " << 5 << -1
            << "Gelb - Violett - Grün - Braun - Braun" << "4,75 kOhm"
            << "4,7025 kOhm bis 4,7975 kOhm (± 1 %)" << "E96, E192"
            << "4,7 kOhm (-1,05 %) und 5,1 kOhm (+7,37 %)";
        QTest::newRow("six rings, Braun 100 ppm") << "2,2 MΩ" << 6 << -1
            << "Rot - Rot - Schwarz - Gelb - Braun - Braun" << "2,2 MOhm"
            << "2,178 MOhm bis 2,222 MOhm (± 1 %)" << "E3, E6, E12, E24" << "2,2 MOhm ist ein Wert der E24";
        QTest::newRow("across a decade") << "R99" << 5 << 6
            << "Schwarz - Weiß - Weiß - Silber - Gold" << "0,99 Ohm"
            << "0,9405 Ohm bis 1,0395 Ohm (± 5 %)" << "keine" << "0,91 Ohm (-8,08 %) und 1 Ohm (+1,01 %)";
        // The regional comma before three digits is a decimal comma.
        QTest::newRow("4,700") << "4,700" << 4 << -1 << "Gelb - Violett - Gold - Gold"
            << "4,7 Ohm" << "4,465 Ohm bis 4,935 Ohm (± 5 %)" << "E3, E6, E12, E24, E192"
            << "4,7 Ohm ist ein Wert der E24";
        QTest::newRow("a prefix settles the dot") << "4.700 k" << 4 << -1 << "Gelb - Violett - Rot - Gold"
            << "4,7 kOhm" << "4,465 kOhm bis 4,935 kOhm (± 5 %)" << "E3, E6, E12, E24, E192"
            << "4,7 kOhm ist ein Wert der E24";
        // Pasted text: no-break spaces, white space of any kind around the value.
        QTest::newRow("no-break space") << QString::fromUtf8("4,7\u00A0kOhm") << 4 << -1
            << "Gelb - Violett - Rot - Gold" << "4,7 kOhm" << "4,465 kOhm bis 4,935 kOhm (± 5 %)"
            << "E3, E6, E12, E24, E192" << "4,7 kOhm ist ein Wert der E24";
        QTest::newRow("narrow no-break spaces around") << QString::fromUtf8("\u202F2,2\u202FM\u00A0") << 5 << -1
            << "Rot - Rot - Schwarz - Gelb - Braun" << "2,2 MOhm" << "2,178 MOhm bis 2,222 MOhm (± 1 %)"
            << "E3, E6, E12, E24" << "2,2 MOhm ist ein Wert der E24";
        // An exact tie rounds away from zero.
        QTest::newRow("3,2, a tie") << "3,2" << 4 << -1 << "Orange - Rot - Gold - Gold"
            << "3,2 Ohm" << "3,04 Ohm bis 3,36 Ohm (± 5 %)" << "E192" << "3 Ohm (-6,25 %) und 3,3 Ohm (+3,13 %)";
    }

    void liveResult()
    {
        QFETCH(QString, value);
        QFETCH(int, rings);
        QFETCH(int, tolerance);
        QFETCH(QString, code);
        QFETCH(QString, wert);
        QFETCH(QString, range);
        QFETCH(QString, series);
        QFETCH(QString, nearest);
        withDialog(frmLurvan, [&](TfrmFarbcodeSuchen *d) {
            fill(d, value, rings, tolerance);
            QCOMPARE(text(d, "labCode"), code);
            QCOMPARE(text(d, "labBereich"), range);
            QCOMPARE(text(d, "labReihen"), series);
            QCOMPARE(text(d, "labWert"), wert);
            QCOMPARE(text(d, "labNaechste"), nearest);
            QVERIFY(child<QPushButton>(d, "btnUebernehmen")->isEnabled());
            QVERIFY(d->code().has_value());
            d->reject();
        });
    }

    // The picture in the dialog has the window's stripes at the window's places.
    void pictureMatchesWindow()
    {
        withDialog(frmLurvan, [](TfrmFarbcodeSuchen *d) {
            fill(d, QStringLiteral("91"), 4, 3);   // Weiß - Braun - Schwarz - Silber
            const QImage img = child<QLabel>(d, "imgWiderstand")->pixmap().toImage();
            QCOMPARE(img.size(), QSize(225, 65));
            const QList<std::pair<int, QColor>> rings{{59, Qt::black}, {59 + 3, Qt::white},
                                                      {79 + 3, QColor(0x80, 0x40, 0x00)},
                                                      {99 + 3, Qt::black}, {153 + 3, QColor(0xBF, 0xBF, 0xBF)}};
            for (const auto &[x, colour] : rings)
                QCOMPARE(img.pixelColor(x, 30), colour);
            d->reject();
        });
    }

    // A value the rings cannot show says why in the dialog; no message box,
    // nothing to take over, and the nearest values that can be shown.
    void refusalsInTheDialog_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("rings");
        QTest::addColumn<QString>("says");
        QTest::newRow("not a value") << "abc" << 4 << "erlaubt sind";
        QTest::newRow("two marks") << "4,7,1" << 4 << "mehr als ein Komma";
        QTest::newRow("exponent") << "1e3" << 5 << "erlaubt sind";
        QTest::newRow("too many digits") << "4k75" << 4 << "Möglich: 4,7 kOhm oder 4,8 kOhm.";
        QTest::newRow("too large") << "1G" << 5 << "999 MOhm";
        QTest::newRow("too small") << "0,001" << 4 << "0,01 Ohm";
        QTest::newRow("zero") << "0" << 6 << "0 Ohm hat keinen Farbcode";
        QTest::newRow("empty") << "   " << 4 << "Geben Sie einen Wert ein";
        QTest::newRow("thousands dot") << "4.700" << 4
            << "4.700 ist mehrdeutig: 4,7 Ohm oder 4,7 kOhm? Schreiben Sie 4,7 für 4,7 Ohm und 4700 oder 4,7k für 4,7 kOhm.";
        QTest::newRow("thousands dot and unit") << QString::fromUtf8("1.000\u00A0Ohm") << 5
            << "1.000 ist mehrdeutig: 1 Ohm oder 1 kOhm?";
        QTest::newRow("gigaohms") << "99G" << 5 << "99 GOhm ist größer als 999 MOhm";
        QTest::newRow("far above") << "4700000000000000000000" << 5
            << "Der Wert liegt weit außerhalb des Bereichs, über 999 GOhm";
    }

    void refusalsInTheDialog()
    {
        QFETCH(QString, value);
        QFETCH(int, rings);
        QFETCH(QString, says);
        withDialog(frmLurvan, [&](TfrmFarbcodeSuchen *d) {
            fill(d, value, rings);
            QVERIFY2(text(d, "labMeldung").contains(says), qPrintable(text(d, "labMeldung")));
            QVERIFY(text(d, "labCode").isEmpty());
            QVERIFY(!child<QPushButton>(d, "btnUebernehmen")->isEnabled());
            QVERIFY(!d->code());
            // Enter on a refused value does nothing, and nothing else is modal.
            QTest::keyClick(child<QLineEdit>(d, "edtWert"), Qt::Key_Return);
            QCOMPARE(QApplication::activeModalWidget(), d);
            QVERIFY(d->isVisible());
            d->reject();
        });
    }

    // Four rings from the four-ring window: the rings are set as if picked,
    // with ring 4 switched off and on as the tolerance asks.
    void takeOverIntoFourRingWindow()
    {
        withDialog(frmLurvan, [](TfrmFarbcodeSuchen *d) {
            fill(d, QStringLiteral("0,05"), 4, 4);
            QCOMPARE(text(d, "labCode"), QStringLiteral("Schwarz - Grün - Silber"));
            QTest::mouseClick(child<QPushButton>(d, "btnUebernehmen"), Qt::LeftButton);
        });
        QVERIFY(frmLurvan->isVisible());
        QCOMPARE(codeText(frmLurvan), QStringLiteral("Schwarz - Grün - Silber"));
        QCOMPARE(text(frmLurvan, "labWert"), QStringLiteral("0,05 Ohm"));
        QVERIFY(!child<QCheckBox>(frmLurvan, "cbxRing4")->isChecked());
        QVERIFY(child<QLabel>(frmLurvan, "imgRing4")->isHidden());
        QCOMPARE(pixel(child<QLabel>(frmLurvan, "imgRing3"), 3, 20), QColor(0xBF, 0xBF, 0xBF));
        // The report follows the labels: the designed hint of a leading Schwarz.
        QCOMPARE(frmLurvan->reportLines().join(QLatin1Char('|')).contains(QStringLiteral("unüblich")),
                 !child<QLabel>(frmLurvan, "labNixGut1Txt")->isHidden());

        withDialog(frmLurvan, [](TfrmFarbcodeSuchen *d) {
            fill(d, QStringLiteral("68k"), 4, 3);
            QTest::keyClick(child<QLineEdit>(d, "edtWert"), Qt::Key_Return);
        });
        QCOMPARE(codeText(frmLurvan), QStringLiteral("Blau - Grau - Orange"));
        QVERIFY(child<QCheckBox>(frmLurvan, "cbxRing4")->isChecked());
        QCOMPARE(child<QComboBox>(frmLurvan, "combRing4")->currentText(), QStringLiteral("Silber"));
        QCOMPARE(text(frmLurvan, "labToleranz"), QStringLiteral("± 6,8 kOhm  (= 10%)"));
        QVERIFY(frmLurvan->reportLines().contains(QStringLiteral("(4.Ring hat die Farbe: Silber)")));
    }

    // Five rings from the four-ring window switch to the five/six-ring window
    // at the same place; "5/6 Ringe" goes back as usual.
    void takeOverSwitchesToFiveRingWindow()
    {
        showMain();
        QString code, tolerance;
        QPoint place;
        bool ring6 = true;
        withDialog(frmLurvan, [&](TfrmFarbcodeSuchen *d) {
            fill(d, QStringLiteral("4k75"), 5);
            onNextModal([&](QWidget *w) {
                QCOMPARE(w, static_cast<QWidget *>(frmZedezedidor2));
                QVERIFY(frmLurvan->isHidden());
                code = codeText(frmZedezedidor2);
                tolerance = text(frmZedezedidor2, "labToleranz");
                place = frmZedezedidor2->pos();
                ring6 = child<QCheckBox>(frmZedezedidor2, "cbxRing6")->isChecked();
                child<QAction>(frmZedezedidor2, "N56Ringe1")->trigger();
            });
            QTest::mouseClick(child<QPushButton>(d, "btnUebernehmen"), Qt::LeftButton);
        });
        QCOMPARE(code, QStringLiteral("Gelb - Violett - Grün - Braun"));
        QCOMPARE(tolerance, QStringLiteral("± 47,5 Ohm (= 1%)"));
        QVERIFY(!ring6);
        QCOMPARE(place, frmLurvan->pos());
        QVERIFY(frmLurvan->isVisible());
    }

    // From the five/six-ring window: six rings stay there and tick "Ring 6:";
    // four rings switch back to the four-ring window.
    void takeOverFromFiveRingWindow()
    {
        showMain();
        QString six, sixTemp, dialogRings;
        bool ticked = false;
        onNextModal([&](QWidget *second) {
            QVERIFY(waitForActive(second));
            withDialog(second, [&](TfrmFarbcodeSuchen *d) {
                dialogRings = child<QComboBox>(d, "combRinge")->currentText();
                fill(d, QStringLiteral("2,2 MΩ"), 6);
                pickByKeyboard(child<QComboBox>(d, "combTempKoeff"), 2);   // Rot, 50 ppm/K
                QTest::keyClick(child<QComboBox>(d, "combTempKoeff"), Qt::Key_Return);
            });
            QVERIFY(second->isVisible());
            six = codeText(second);
            sixTemp = text(second, "labTTol");
            ticked = child<QCheckBox>(second, "cbxRing6")->isChecked() && child<QLabel>(second, "labTTol")->isVisible();
            second->move(90, 100);
            withDialog(second, [&](TfrmFarbcodeSuchen *d) {
                QCOMPARE(child<QComboBox>(d, "combRinge")->currentText(), QStringLiteral("6"));
                fill(d, QStringLiteral("1M5"), 4, 1);
                QTest::mouseClick(child<QPushButton>(d, "btnUebernehmen"), Qt::LeftButton);
            });
        });
        frmLurvan->activateWindow();
        QVERIFY(waitForActive(frmLurvan));
        QTest::keyClick(frmLurvan, Qt::Key_U, Qt::ControlModifier);

        QCOMPARE(dialogRings, QStringLiteral("5"));
        QCOMPARE(six, QStringLiteral("Rot - Rot - Schwarz - Gelb"));
        QCOMPARE(sixTemp, QStringLiteral("± 110 Ohm (= 50 ppm/K)"));
        QVERIFY(ticked);
        QVERIFY(frmZedezedidor2->Zurueck);
        QVERIFY(frmZedezedidor2->isHidden());
        QVERIFY(frmLurvan->isVisible());
        QCOMPARE(frmLurvan->pos(), QPoint(90, 100));
        QCOMPARE(codeText(frmLurvan), QStringLiteral("Braun - Grün - Grün"));
        QCOMPARE(child<QComboBox>(frmLurvan, "combRing4")->currentText(), QStringLiteral("Rot"));
    }

    // Esc and "Schließen" close the dialog only: the window, its rings and the
    // program stay, in both windows.
    void escClosesOnlyTheDialog()
    {
        showMain();
        const QString before = codeText(frmLurvan);
        withDialog(frmLurvan, [](TfrmFarbcodeSuchen *d) {
            fill(d, QStringLiteral("100"), 4);
            QTest::keyClick(child<QLineEdit>(d, "edtWert"), Qt::Key_Escape);
            QVERIFY(d->isHidden());
        });
        QVERIFY(frmLurvan->isVisible());
        QCOMPARE(codeText(frmLurvan), before);

        bool secondStayed = false;
        onNextModal([&](QWidget *second) {
            QVERIFY(waitForActive(second));
            const QString code = codeText(second);
            withDialog(second, [](TfrmFarbcodeSuchen *d) {
                fill(d, QStringLiteral("100"), 5);
                QTest::keyClick(d, Qt::Key_Escape);
            });
            withDialog(second, [](TfrmFarbcodeSuchen *d) {
                QTest::mouseClick(child<QPushButton>(d, "btnSchliessen"), Qt::LeftButton);
            });
            secondStayed = second->isVisible() && codeText(second) == code;
            child<QAction>(second, "N56Ringe1")->trigger();
        });
        frmLurvan->activateWindow();
        QVERIFY(waitForActive(frmLurvan));
        QTest::keyClick(frmLurvan, Qt::Key_U, Qt::ControlModifier);
        QVERIFY(secondStayed);
        QVERIFY(frmLurvan->isVisible());
    }

    void accessibleNamesAndHelp()
    {
        withDialog(frmLurvan, [](TfrmFarbcodeSuchen *d) {
            // Not the result labels: a fixed name would hide their text from a screen reader.
            for (QWidget *w : d->findChildren<QWidget *>()) {
                const bool control = qobject_cast<QComboBox *>(w) || qobject_cast<QLineEdit *>(w)
                                     || qobject_cast<QPushButton *>(w);
                if (control && !w->objectName().startsWith(QLatin1String("qt_")))
                    QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
            }
            QTest::keyClick(child<QLineEdit>(d, "edtWert"), Qt::Key_F1);
            zz::help::HelpWindow *help = zz::help::helpWindow();
            QVERIFY(help);
            QTRY_VERIFY2(help->browser()->source().toString().endsWith(QLatin1String("farbcode-suchen.html")),
                         qPrintable(help->browser()->source().toString()));
            help->close();
            QVERIFY(d->isVisible());
            d->reject();
        });
    }
};

ZZ_GUI_TEST_MAIN(TestFarbcode)
#include "tst_farbcode.moc"
