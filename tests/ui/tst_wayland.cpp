// The program in a Wayland session of its own (weston's headless backend,
// tests/support/with-wayland), where a window neither learns nor chooses its
// place: the switch and "Übernehmen" work there, and the close that ends the
// program stores no invented position and keeps a stored one.

#include "GuiTest.h"
#include "WindowDriver.h"

#include "settings/Settings.h"
#include "ui/FarbcodeSuchen.h"
#include "ui/FiveSixRingWindow.h"
#include "ui/FourRingWindow.h"
#include "ui/Windows.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

using namespace zz::test;

namespace {

// The next modal window once it is on screen; without a keyboard it never
// becomes the active one, which onNextModal() waits for.
void onNextModalWindow(std::function<void(QWidget *)> action)
{
    const QPointer<QWidget> open = QApplication::activeModalWidget();
    auto *timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, qApp, [timer, open, action] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == open)
            return;
        timer->stop();
        timer->deleteLater();
        if (!QTest::qWaitForWindowExposed(modal, 15000))
            QTest::qFail("the modal window did not come up", __FILE__, __LINE__);
        action(modal);
    });
    timer->start();
}

} // namespace

class TestWayland final : public QObject
{
    Q_OBJECT

    SettingsSandbox m_settings;

    // The headless compositor has no keyboard, so no window becomes active
    // and takes keys: the action that Ctrl+U starts is triggered instead.
    static void ctrlU(QWidget *window)
    {
        QAction *action = child<QAction>(window, "N56Ringe1");
        QCOMPARE(action->shortcut(), QKeySequence(QStringLiteral("Ctrl+U")));
        action->trigger();
    }

private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("wayland"));
        QDir().mkpath(QFileInfo(zz::settings::storePath()).path());
    }

    void positionNotInvented_data()
    {
        QTest::addColumn<QByteArray>("store");
        QTest::addColumn<QVariant>("left");
        QTest::addColumn<QVariant>("top");
        QTest::newRow("nothing stored") << QByteArray() << QVariant() << QVariant();
        QTest::newRow("stored under X11") << QByteArray("[General]\nLeft=200\nTop=-3\n") << QVariant(200)
                                          << QVariant(-3);
        QTest::newRow("only Top stored") << QByteArray("[General]\nTop=140\n") << QVariant() << QVariant(140);
    }

    // Through both windows and back, with the keys and with "Übernehmen",
    // then the normal close.
    void positionNotInvented()
    {
        QFETCH(QByteArray, store);
        QFETCH(QVariant, left);
        QFETCH(QVariant, top);
        QFile file(zz::settings::storePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(store);
        file.close();

        zz::ui::createWindows();
        frmLurvan->show();
        QVERIFY(QTest::qWaitForWindowExposed(frmLurvan, 15000));

        bool switched = false;
        onNextModalWindow([&](QWidget *modal) {
            switched = modal == frmZedezedidor2;
            // From the five/six-ring window a four-ring code takes the program back.
            onNextModalWindow([](QWidget *search) {
                auto *d = qobject_cast<TfrmFarbcodeSuchen *>(search);
                QVERIFY(d);
                pickByKeyboard(child<QComboBox>(d, "combRinge"), 0);
                child<QLineEdit>(d, "edtWert")->setText(QStringLiteral("4k7"));
                QTest::mouseClick(child<QPushButton>(d, "btnUebernehmen"), Qt::LeftButton);
            });
            child<QAction>(frmZedezedidor2, "mnuBearbeitenFarbcodeSuchen")->trigger();
        });
        ctrlU(frmLurvan);
        QVERIFY(switched);
        QVERIFY(frmZedezedidor2->isHidden());
        QVERIFY(QTest::qWaitForWindowExposed(frmLurvan, 15000));
        QCOMPARE(child<QLabel>(frmLurvan, "labCode")->text(), QStringLiteral("Gelb - Violett - Rot"));

        // And once more there and back by the keys alone.
        bool back = false;
        onNextModalWindow([&](QWidget *modal) {
            back = modal == frmZedezedidor2;
            ctrlU(frmZedezedidor2);
        });
        ctrlU(frmLurvan);
        QVERIFY(back);
        QVERIFY(QTest::qWaitForWindowExposed(frmLurvan, 15000));

        frmLurvan->close();
        zz::ui::destroyWindows();
        QSettings stored(zz::settings::storePath(), QSettings::IniFormat);
        QCOMPARE(stored.value(QStringLiteral("Backup")).toString(), QStringLiteral("1"));
        QCOMPARE(stored.value(QStringLiteral("Left")), left.isValid() ? QVariant(left.toString()) : QVariant());
        QCOMPARE(stored.value(QStringLiteral("Top")), top.isValid() ? QVariant(top.toString()) : QVariant());
        QCOMPARE(watchdogClosures(), 0);
    }
};

ZZ_GUI_TEST_MAIN(TestWayland)
#include "tst_wayland.moc"
