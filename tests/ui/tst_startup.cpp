// Start-up without the icon file beside the program, the error report, and
// Qt's own translations. This test runs from a folder without Lurvan.ico.

#include "GuiTest.h"
#include "WindowDriver.h"

#include "app/Application.h"
#include "ui/AboutBox.h"
#include "ui/FiveSixRingWindow.h"
#include "ui/FourRingWindow.h"
#include "ui/OptionsDialog.h"
#include "ui/RingComboBox.h"
#include "ui/Windows.h"

#include <QAbstractButton>
#include <QFileInfo>

#include <stdexcept>

using namespace zz::test;

namespace {
class Throwing final : public QObject
{
public:
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::User)
            throw std::runtime_error("Zugriff verweigert");
        return QObject::event(e);
    }
};
} // namespace

class TestStartup final : public QObject
{
    Q_OBJECT

private slots:
    void missingIconIsReportedBeforeTheWindows()
    {
        QVERIFY(!QFileInfo::exists(QCoreApplication::applicationDirPath() + "/Lurvan.ico"));
        MessageBoxSeen box;
        bool windowsExistedAtBox = true;
        onNextModal([&](QWidget *w) {
            windowsExistedAtBox = frmZedezedidor2 != nullptr;
            auto *m = qobject_cast<QMessageBox *>(w);
            QVERIFY(m);
            box.seen = true;
            box.caption = m->windowTitle();
            box.text = m->text();
            box.icon = m->icon();
            box.buttons = m->standardButtons();
            m->button(QMessageBox::Ok)->click();
        });
        zz::ui::createWindows();
        QVERIFY(box.seen);
        QVERIFY(!windowsExistedAtBox);
        QCOMPARE(box.caption, QStringLiteral("Fehler!"));
        QCOMPARE(box.text, QStringLiteral("Datei \"Lurvan.ico\" ist nicht vorhanden!"));
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

        // Start-up went on: all four windows, the five/six-ring one with copied lists.
        QVERIFY(frmLurvan && frmAboutBox && frmZedezedidor2 && frmOptionen);
        QCOMPARE(child<RingComboBox>(frmZedezedidor2, "combRing5")->count(), 8);
        QCOMPARE(child<QLabel>(frmLurvan, "labCode")->text(), QStringLiteral("Gelb - Violett - Braun"));
        QVERIFY(frmLurvan->isHidden() && frmZedezedidor2->isHidden());
        zz::ui::destroyWindows();
        QVERIFY(!frmLurvan && !frmZedezedidor2);
    }

    void errorInHandlerIsReportedAndProgramGoesOn()
    {
        Throwing target;
        for (int round = 0; round < 2; ++round) {
            MessageBoxSeen box;
            answerNextMessageBox(QMessageBox::Ok, &box);
            QEvent e(QEvent::User);
            QCoreApplication::sendEvent(&target, &e);
            QVERIFY(box.seen);
            QCOMPARE(box.caption, QStringLiteral("Zedezedidor"));
            QCOMPARE(box.text, QStringLiteral("Zugriff verweigert"));
        }
    }

    void applicationIdentity()
    {
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Zedezedidor"));
        QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("Veltrup"));
        // The designed windows carry their font; the application's is the desktop's.
        TfrmAboutBox box;
        QCOMPARE(box.font().family(), QStringLiteral("Liberation Sans"));
        QCOMPARE(box.font().pixelSize(), 11);
    }

    // A German desktop gets German standard buttons.
    void qtTranslationsFollowTheLocale()
    {
        QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("t"),
                        QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), QStringLiteral("Ja"));
        QCOMPARE(box.button(QMessageBox::No)->text().remove(QLatin1Char('&')), QStringLiteral("Nein"));
    }
};

ZZ_GUI_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
