#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "MessageBoxWatcher.h"
#include "GuiTest.h"
#include "ui/AboutBox.h"

// Stands in for the mail program and the browser.
class UrlRecorder final : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened.append(url); }
};

class TestAboutBox final : public QObject
{
    Q_OBJECT

private:
    template<typename T = QLabel>
    static T *child(const QWidget &box, const char *name)
    {
        T *widget = box.findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }

private slots:
    void showsTheDesignedTexts()
    {
        TfrmAboutBox box;
        QCOMPARE(box.objectName(), QStringLiteral("frmAboutBox"));
        QCOMPARE(box.windowTitle(), QStringLiteral("Info"));
        QCOMPARE(child(box, "ProductName")->text(), QStringLiteral("Zedezedidor"));
        QCOMPARE(child(box, "Version")->text(), QStringLiteral("Version " ZZ_PROJECT_VERSION));
        QCOMPARE(child(box, "Copyright")->text(), QStringLiteral("Copyright © 2026 Veltrup"));
        QCOMPARE(child(box, "Label2")->text(), QStringLiteral("E-Mail:"));
        QCOMPARE(child(box, "labCk")->text(), QStringLiteral("zedezedidor@example.org"));
        QCOMPARE(child(box, "Label1")->text(), QStringLiteral("Homepage:"));
        QCOMPARE(child(box, "labHP")->text(), QStringLiteral("www.example.org/zedezedidor"));

        const QFont name = child(box, "ProductName")->font();
        QVERIFY(name.bold());
        QCOMPARE(name.pixelSize(), 13);
        QCOMPARE(child(box, "Version")->font().pixelSize(), 11);

        box.show();
        auto *buttons = child<QDialogButtonBox>(box, "BitBtn1");
        QCOMPARE(buttons->standardButtons(), QDialogButtonBox::StandardButtons(QDialogButtonBox::Close));
    }

    void everyTextFitsItsLabel()
    {
        TfrmAboutBox box;
        box.show();
        const auto labels = box.findChildren<QLabel *>();
        for (const QLabel *label : labels) {
            if (label->text().isEmpty())
                continue;
            QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(label->objectName()));
            QVERIFY2(box.rect().contains(label->mapTo(&box, label->rect().bottomRight())),
                     qPrintable(label->objectName()));
        }
    }

    void fixedFrameWithOnlyACloseButton()
    {
        TfrmAboutBox box;
        box.show();
        QCOMPARE(box.size(), QSize(298, 196));
        QCOMPARE(box.minimumSize(), box.maximumSize());
        const Qt::WindowFlags flags = box.windowFlags();
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint
                           | Qt::WindowContextHelpButtonHint)));
    }

    void centredOnTheScreen()
    {
        QWidget owner;
        owner.setGeometry(10, 10, 200, 100);
        owner.show();
        TfrmAboutBox box(&owner);
        box.show();
        const QPoint centre = box.screen()->availableGeometry().center();
        QVERIFY((box.frameGeometry().center() - centre).manhattanLength() <= 2);
    }

    void resistorPicture()
    {
        TfrmAboutBox box;
        const QPixmap shown = child(box, "Image1")->pixmap();
        QCOMPARE(shown.size(), QSize(120, 37));

        // Stored as 8-bit RGB without alpha: colour type 2 in the PNG header.
        QFile file(QStringLiteral(":/about/Widerstand.png"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray png = file.readAll();
        QCOMPARE(png.mid(12, 4), QByteArray("IHDR"));
        QCOMPARE(int(png.at(24)), 8);
        QCOMPARE(int(png.at(25)), 2);

        const QImage image = shown.toImage();
        const QPoint middle(0, 18);
        QCOMPARE(image.pixelColor(middle + QPoint(26, 0)), QColor(0xFF, 0xFF, 0x00));  // Gelb
        QCOMPARE(image.pixelColor(middle + QPoint(45, 0)), QColor(0x7F, 0x00, 0x7F));  // Violett
        QCOMPARE(image.pixelColor(middle + QPoint(58, 0)), QColor(0x80, 0x40, 0x00));  // Braun
        QCOMPARE(image.pixelColor(middle + QPoint(93, 0)), QColor(0xBA, 0x9D, 0x3A));  // Gold
        QCOMPARE(image.pixelColor(middle + QPoint(72, 0)), QColor(0xB4, 0xB4, 0xB4));  // body
        QCOMPARE(image.pixelColor(middle + QPoint(4, 0)), QColor(Qt::black));          // leads
        QCOMPARE(image.pixelColor(middle + QPoint(116, 0)), QColor(Qt::black));
        QCOMPARE(image.pixelColor(72, 8), QColor(Qt::black));                           // outline
    }

    void linksLookLikeLinks()
    {
        TfrmAboutBox box;
        box.show();
        for (const char *name : {"labCk", "labHP"}) {
            QLabel *link = child(box, name);
            QCOMPARE(link->palette().color(QPalette::WindowText), QColor(Qt::blue));
            QVERIFY(link->font().underline());
            QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        }
        for (const char *name : {"Label1", "Label2", "Copyright"}) {
            QLabel *label = child(box, name);
            QVERIFY(!label->font().underline());
            QCOMPARE(label->cursor().shape(), Qt::ArrowCursor);
        }
    }

    void clicksOpenTheLinks_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QUrl>("url");
        const QUrl mail(QStringLiteral("mailto:zedezedidor@example.org?subject=Zedezedidor"));
        const QUrl home(QStringLiteral("http://www.example.org/zedezedidor/index.html"));
        QTest::newRow("address labCk") << QStringLiteral("labCk") << mail;
        QTest::newRow("caption E-Mail:") << QStringLiteral("Label2") << mail;
        QTest::newRow("address labHP") << QStringLiteral("labHP") << home;
        QTest::newRow("caption Homepage:") << QStringLiteral("Label1") << home;
    }

    void clicksOpenTheLinks()
    {
        QFETCH(QString, control);
        QFETCH(QUrl, url);
        UrlRecorder recorder;
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &recorder, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &recorder, "open");
        TfrmAboutBox box;
        box.show();
        QTest::mouseClick(child(box, control.toLatin1().constData()), Qt::LeftButton);
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QCOMPARE(recorder.opened, QList<QUrl>{url});
        QVERIFY(box.isVisible());
        // A right click or the version label opens nothing.
        QTest::mouseClick(child(box, control.toLatin1().constData()), Qt::RightButton);
        QTest::mouseClick(child(box, "Version"), Qt::LeftButton);
        QCOMPARE(recorder.opened.size(), 1);
    }

    void keysFollowTheLinks_data()
    {
        QTest::addColumn<int>("tabs");
        QTest::addColumn<int>("key");
        QTest::addColumn<QUrl>("url");
        const QUrl mail(QStringLiteral("mailto:zedezedidor@example.org?subject=Zedezedidor"));
        const QUrl home(QStringLiteral("http://www.example.org/zedezedidor/index.html"));
        QTest::newRow("Tab, Enter") << 1 << int(Qt::Key_Return) << mail;
        QTest::newRow("Tab, Space") << 1 << int(Qt::Key_Space) << mail;
        QTest::newRow("Tab twice, Enter") << 2 << int(Qt::Key_Return) << home;
    }

    // The box opens on its Close button; Tab goes on to the two links.
    void keysFollowTheLinks()
    {
        QFETCH(int, tabs);
        QFETCH(int, key);
        QFETCH(QUrl, url);
        UrlRecorder recorder;
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &recorder, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &recorder, "open");
        TfrmAboutBox box;
        box.show();
        box.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&box));
        QPushButton *close = child<QDialogButtonBox>(box, "BitBtn1")->button(QDialogButtonBox::Close);
        QCOMPARE(QApplication::focusWidget(), close);
        for (int i = 0; i < tabs; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QCOMPARE(recorder.opened, QList<QUrl>{url});
        QVERIFY(box.isVisible());
    }

    void enterOnOpeningCloses()
    {
        TfrmAboutBox box;
        box.show();
        box.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&box));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(!box.isVisible());
    }

    void noMailProgramShowsNothing()
    {
        // Without a handler the platform is asked; on the test platform that fails.
        MessageBoxWatcher watcher;
        TfrmAboutBox box;
        box.show();
        QTest::mouseClick(child(box, "labCk"), Qt::LeftButton);
        QTest::mouseClick(child(box, "labHP"), Qt::LeftButton);
        // Opening a link is synchronous: a box about it would be up by now.
        watcher.lookNow();
        QVERIFY(watcher.boxes.isEmpty());
        QVERIFY(box.isVisible());
    }

    void closeButtonAndEscClose()
    {
        TfrmAboutBox box;
        box.show();
        QPushButton *close = child<QDialogButtonBox>(box, "BitBtn1")->button(QDialogButtonBox::Close);
        QVERIFY(close);
        QTest::mouseClick(close, Qt::LeftButton);
        QVERIFY(!box.isVisible());
        QCOMPARE(box.result(), int(QDialog::Rejected));

        box.show();
        QTest::keyClick(&box, Qt::Key_Escape);
        QVERIFY(!box.isVisible());
    }
};

// With the program's application object, for the font the box is laid out for.
ZZ_GUI_TEST_MAIN(TestAboutBox)

#include "tst_aboutbox.moc"
