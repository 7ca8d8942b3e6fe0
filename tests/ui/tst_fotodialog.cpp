// "Farbcode aus Foto" driven through the real windows on photos the test
// renders: the photo from the file dialog, the clipboard or a drop; what the
// dialog shows is the reader's result and the decoder's report; corrections
// (a ring's colour, the direction, a drawn line) reach the reader; broken
// files leave nothing to take over; "Übernehmen" sets the rings in the window
// for the ring count; Esc closes only the dialog.

#include "GuiTest.h"
#include "PhotoFiles.h"
#include "ResistorRenderer.h"
#include "WindowDriver.h"

#include "help/Help.h"
#include "help/HelpWindow.h"
#include "ui/FarbcodeAusFoto.h"
#include "ui/FiveSixRingWindow.h"
#include "ui/FourRingWindow.h"
#include "ui/PhotoEngine.h"
#include "ui/PhotoView.h"
#include "ui/UiCommon.h"
#include "ui/Windows.h"
#include "value/Code.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>

#include <cmath>

using namespace zz::test;
using C = zz::decode::Colour;

namespace {

TfrmFarbcodeAusFoto *asDialog(QWidget *w)
{
    auto *d = qobject_cast<TfrmFarbcodeAusFoto *>(w);
    if (!d)
        QTest::qFail("the modal widget is not Farbcode aus Foto", __FILE__, __LINE__);
    return d;
}

QString text(const QWidget *w, const char *name)
{
    return child<QLabel>(w, name)->text();
}

QString colourName(C c)
{
    return QString::fromUtf8(zz::decode::colourInfo(c).name);
}

QString joined(const std::vector<C> &colours)
{
    QStringList names;
    for (C c : colours)
        names << colourName(c);
    return names.join(QStringLiteral(" - "));
}

QString reportOf(const zz::value::RingCode &code)
{
    QStringList lines;
    for (const std::string &l : zz::value::report(code, zz::ui::decimalSeparator()))
        lines << QString::fromStdString(l);
    return lines.join(QLatin1Char('\n'));
}

double distance(QPointF a, QPointF b)
{
    return std::hypot(a.x() - b.x(), a.y() - b.y());
}

// What the dialog shows is the chosen code of its reading, and only then can
// it be taken over.
void checkShowsReading(TfrmFarbcodeAusFoto *d)
{
    const auto &r = d->reading();
    QVERIFY2(r.found && !r.candidates.empty(), qPrintable(text(d, "labMeldung")));
    const auto &best = r.candidates[size_t(d->chosenCandidate())];
    QCOMPARE(d->code(), std::optional(best.code));
    QCOMPARE(text(d, "labBericht"), reportOf(best.code));
    QCOMPARE(child<QLabel>(d, "labBericht")->accessibleDescription(), text(d, "labBericht"));
    QVERIFY(text(d, "labSicherheit").startsWith(QStringLiteral("Sicherheit: ")));
    QVERIFY(child<QPushButton>(d, "btnUebernehmen")->isEnabled());
    QCOMPARE(child<QListWidget>(d, "lstKandidaten")->count(), int(r.candidates.size()));
    for (int ring = 0; ring < 6; ++ring) {
        auto *list = child<QComboBox>(d, qPrintable(QStringLiteral("combRing%1").arg(ring + 1)));
        QCOMPARE(list->isVisible(), size_t(ring) < r.rings.size());
        if (size_t(ring) < r.rings.size() && size_t(ring) < best.colours.size())
            QCOMPARE(list->currentData().toInt(), int(best.colours[size_t(ring)]));
    }
    const QString spoken = child<PhotoView>(d, "imgFoto")->accessibleDescription();
    QVERIFY2(spoken.contains(QStringLiteral("Ring 1 ") + colourName(best.colours.front())), qPrintable(spoken));
}

void checkNothingToTakeOver(TfrmFarbcodeAusFoto *d)
{
    QVERIFY(!d->code());
    QVERIFY(!child<QPushButton>(d, "btnUebernehmen")->isEnabled());
    QVERIFY(text(d, "labBericht").isEmpty());
    QCOMPARE(child<QListWidget>(d, "lstKandidaten")->count(), 0);
    QVERIFY(child<QComboBox>(d, "combRing1")->isHidden());
    // Messages stay in the dialog: no message box on top of it.
    QCOMPARE(QApplication::activeModalWidget(), static_cast<QWidget *>(d));
}

void sendDrop(QWidget *target, QMimeData *data)
{
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

} // namespace

class TestFotoDialog final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    RenderedResistor m_four;     // photographed for the drawn-line test

    QString path(const QString &name) const { return m_dir.filePath(name); }

    static void showMain()
    {
        if (frmZedezedidor2->isVisible())
            child<QAction>(frmZedezedidor2, "N56Ringe1")->trigger();
        frmLurvan->move(60, 70);
        frmLurvan->show();
        frmLurvan->activateWindow();
        QVERIFY(waitForActive(frmLurvan));
    }

    // Opens the dialog with Ctrl+O in `window` and hands it to `action`.
    static void withDialog(QWidget *window, std::function<void(TfrmFarbcodeAusFoto *)> action)
    {
        bool seen = false;
        onNextModal([&](QWidget *w) {
            seen = true;
            TfrmFarbcodeAusFoto *d = asDialog(w);
            if (!d) {
                w->close();
                return;
            }
            QVERIFY(waitForActive(d));
            action(d);
            if (d->isVisible())
                d->reject();
        });
        window->activateWindow();
        QVERIFY(waitForActive(window));
        QTest::keyClick(window, Qt::Key_O, Qt::ControlModifier);
        QVERIFY(seen);
    }

    // The photo through "Foto öffnen..." and the file dialog, as a user does.
    static void openByDialog(TfrmFarbcodeAusFoto *d, const QString &file)
    {
        answerFileDialog(file);
        QTest::mouseClick(child<QPushButton>(d, "btnOeffnen"), Qt::LeftButton);
        d->activateWindow();
        QVERIFY(waitForActive(d));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        zz::help::setHelpFile(QDir(qEnvironmentVariable("ZZ_BIN_DIR")).filePath(QStringLiteral("Zedezedidor.qhc")));
        m_four = renderResistor(studioScene({C::Gelb, C::Violett, C::Rot, C::Gold}, 0));
        QVERIFY(writeBytes(path(QStringLiteral("vier.png")), encoded(m_four.image, "PNG")));
        QVERIFY(writeBytes(path(QStringLiteral("fünf.jpg")),
                           encoded(renderResistor(studioScene({C::Braun, C::Schwarz, C::Schwarz, C::Rot, C::Braun}, 35,
                                                              BodyColour::Blue)).image, "JPEG")));
        QVERIFY(writeBytes(path(QStringLiteral("text.jpg")), "Kein Bild.\n"));
        QVERIFY(writeBytes(path(QStringLiteral("leer.png")), {}));
        const QByteArray jpeg = encoded(m_four.image, "JPEG");
        QVERIFY(writeBytes(path(QStringLiteral("halb.jpg")), jpeg.left(jpeg.size() / 3)));
        QVERIFY(writeBytes(path(QStringLiteral("riesig.png")), hugePngHeader(30000, 30000)));
        ResistorScene empty = studioScene({}, 0);
        empty.background = Background::Grid;
        QVERIFY(writeBytes(path(QStringLiteral("ohne.png")), encoded(renderEmptyScene(empty), "PNG")));
        zz::ui::createWindows();
        showMain();
    }

    void cleanupTestCase()
    {
        if (auto *help = zz::help::helpWindow())
            delete help;
        zz::ui::destroyWindows();
    }

    // Before anything loads the reader: a program without its module says
    // so in the dialog instead of failing silently or crashing.
    void missingModuleSaysSo()
    {
        zz::ui::setPhotoModulePath(path(QStringLiteral("zedezedidor-photo.so")));
        withDialog(frmLurvan, [this](TfrmFarbcodeAusFoto *d) {
            d->openPath(path(QStringLiteral("vier.png")));
            QVERIFY2(text(d, "labMeldung").contains(QStringLiteral("zedezedidor-photo.so")), qPrintable(text(d, "labMeldung")));
            checkNothingToTakeOver(d);
        });
        zz::ui::setPhotoModulePath(QDir(qEnvironmentVariable("ZZ_BIN_DIR")).filePath(QStringLiteral("zedezedidor-photo.so")));
        QVERIFY(zz::ui::photoEngine());
    }

    // A free shortcut: no other item of the window answers Ctrl+O.
    void menuItemInBothWindows()
    {
        for (QWidget *w : {static_cast<QWidget *>(frmLurvan), static_cast<QWidget *>(frmZedezedidor2)}) {
            QAction *a = child<QAction>(w, "mnuBearbeitenFarbcodeAusFoto");
            QCOMPARE(a->text(), QStringLiteral("Farbcode aus &Foto..."));
            QCOMPARE(a->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
            QVERIFY(child<QMenu>(w, "mnuBearbeiten")->actions().contains(a));
            QStringList shortcuts;
            for (QAction *other : w->findChildren<QAction *>())
                if (!other->shortcut().isEmpty())
                    shortcuts << other->shortcut().toString();
            QCOMPARE(shortcuts.count(QStringLiteral("Ctrl+O")), 1);
        }
    }

    void openThroughFileDialog()
    {
        withDialog(frmLurvan, [this](TfrmFarbcodeAusFoto *d) {
            QVERIFY(!child<QPushButton>(d, "btnUebernehmen")->isEnabled());
            openByDialog(d, path(QStringLiteral("vier.png")));
            checkShowsReading(d);
            QCOMPARE(d->reading().rings.size(), size_t(4));
        });
    }

    // Files without a code say why in the dialog and leave nothing to take
    // over, also when a good photo was shown before.
    void badFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("says");
        QTest::newRow("not an image") << "text.jpg" << "„text.jpg“: ";
        QTest::newRow("0 bytes") << "leer.png" << "„leer.png“: ";
        QTest::newRow("truncated JPEG") << "halb.jpg" << "";
        QTest::newRow("30000 x 30000 header") << "riesig.png" << "";
        QTest::newRow("no resistor") << "ohne.png" << "Ziehen Sie im Foto eine Linie";
        QTest::newRow("missing") << "fehlt.png" << "„fehlt.png“: ";
    }

    void badFiles()
    {
        QFETCH(QString, file);
        QFETCH(QString, says);
        withDialog(frmLurvan, [&](TfrmFarbcodeAusFoto *d) {
            d->openPath(path(QStringLiteral("vier.png")));
            QVERIFY(d->code());
            d->openPath(path(file));
            const QString message = text(d, "labMeldung");
            QVERIFY2(!message.isEmpty() && message.contains(says), qPrintable(message));
            QCOMPARE(child<QLabel>(d, "labMeldung")->accessibleDescription(), message);
            checkNothingToTakeOver(d);
            // Only a photo can be drawn on.
            QCOMPARE(child<QPushButton>(d, "btnLinie")->isChecked(), file == QLatin1String("ohne.png"));
        });
    }

    // Ctrl+V takes what the real clipboard holds: a picture, or a copied
    // file; a remote address is never fetched.
    void pasteFromClipboard_data()
    {
        QTest::addColumn<int>("kind");   // 0 picture, 1 local file, 2 remote file, 3 text
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("says");
        QTest::newRow("picture") << 0 << true << "";
        QTest::newRow("copied file") << 1 << true << "";
        QTest::newRow("remote address") << 2 << false << "nicht auf diesem Rechner";
        QTest::newRow("text") << 3 << false << "kein Bild und keine Bilddatei";
    }

    void pasteFromClipboard()
    {
        QFETCH(int, kind);
        QFETCH(bool, found);
        QFETCH(QString, says);
        auto *data = new QMimeData;
        if (kind == 0)
            data->setImageData(m_four.image);
        else if (kind == 1)
            data->setUrls({QUrl::fromLocalFile(path(QStringLiteral("fünf.jpg")))});
        else if (kind == 2)
            data->setUrls({QUrl(QStringLiteral("https://example.org/widerstand.jpg"))});
        else
            data->setText(QStringLiteral("Gelb Violett Rot Gold"));
        QGuiApplication::clipboard()->setMimeData(data);
        withDialog(frmLurvan, [&](TfrmFarbcodeAusFoto *d) {
            QTest::keyClick(d, Qt::Key_V, Qt::ControlModifier);
            if (found) {
                checkShowsReading(d);
                QCOMPARE(d->reading().rings.size(), size_t(kind == 0 ? 4 : 5));
            } else {
                QVERIFY2(text(d, "labMeldung").contains(says), qPrintable(text(d, "labMeldung")));
                checkNothingToTakeOver(d);
            }
        });
        QGuiApplication::clipboard()->clear();
    }

    void dropOntoDialog()
    {
        withDialog(frmLurvan, [this](TfrmFarbcodeAusFoto *d) {
            QMimeData file;
            file.setUrls({QUrl::fromLocalFile(path(QStringLiteral("vier.png")))});
            sendDrop(d, &file);
            checkShowsReading(d);

            QMimeData remote;
            remote.setUrls({QUrl(QStringLiteral("http://example.org/r.png"))});
            sendDrop(d, &remote);
            QVERIFY(text(d, "labMeldung").contains(QStringLiteral("nicht auf diesem Rechner")));
            checkNothingToTakeOver(d);

            QMimeData picture;
            picture.setImageData(m_four.image);
            sendDrop(d, &picture);
            checkShowsReading(d);
        });
    }

    // Another colour for a ring goes to the reader, which keeps it; the
    // report follows. Taken over, the window shows that code.
    void correctARing()
    {
        showMain();
        QString shown;
        withDialog(frmLurvan, [&](TfrmFarbcodeAusFoto *d) {
            d->openPath(path(QStringLiteral("vier.png")));
            checkShowsReading(d);
            auto *ring2 = child<QComboBox>(d, "combRing2");
            const C other = ring2->currentData().toInt() == int(C::Orange) ? C::Gruen : C::Orange;
            pickByKeyboard(ring2, int(other));
            checkShowsReading(d);
            QCOMPARE(d->reading().candidates.front().colours.at(1), other);
            QCOMPARE(ring2->currentData().toInt(), int(other));
            QVERIFY(text(d, "labBericht").contains(colourName(other)));
            shown = joined(d->reading().candidates.front().colours);
            QTest::mouseClick(child<QPushButton>(d, "btnUebernehmen"), Qt::LeftButton);
        });
        QCOMPARE(text(frmLurvan, "labCode") + (child<QCheckBox>(frmLurvan, "cbxRing4")->isChecked()
                     ? QStringLiteral(" - ") + child<QComboBox>(frmLurvan, "combRing4")->currentText() : QString()),
                 shown);
    }

    // The direction swaps ring 1's end and back again.
    void swapDirection()
    {
        withDialog(frmLurvan, [this](TfrmFarbcodeAusFoto *d) {
            d->openPath(path(QStringLiteral("vier.png")));
            checkShowsReading(d);
            const auto before = d->reading();
            auto *swap = child<QPushButton>(d, "btnRichtung");
            QTest::mouseClick(swap, Qt::LeftButton);
            checkShowsReading(d);
            QVERIFY(distance(d->reading().axisStart, before.axisEnd) < 1);
            QVERIFY(distance(d->reading().axisEnd, before.axisStart) < 1);
            QCOMPARE(d->reading().rings.front().centre, before.rings.back().centre);
            QTest::mouseClick(swap, Qt::LeftButton);
            QCOMPARE(d->reading().candidates.front().colours, before.candidates.front().colours);
            QCOMPARE(text(d, "labBericht"), reportOf(before.candidates.front().code));
        });
    }

    // A line dragged along the body reads along it, ring 1 at the line's
    // start; a click is no line.
    void drawTheAxis()
    {
        withDialog(frmLurvan, [this](TfrmFarbcodeAusFoto *d) {
            d->openPath(path(QStringLiteral("ohne.png")));
            QVERIFY(child<QPushButton>(d, "btnLinie")->isChecked());
            d->openPath(path(QStringLiteral("vier.png")));
            auto *view = child<PhotoView>(d, "imgFoto");
            QTest::mouseClick(child<QPushButton>(d, "btnLinie"), Qt::LeftButton);
            QVERIFY(view->drawing());
            const QPoint click = view->toWidget(m_four.ring1End).toPoint();
            QTest::mouseClick(view, Qt::LeftButton, {}, click);
            QVERIFY(view->drawing());

            const QPoint from = view->toWidget(m_four.ring1End).toPoint();
            const QPoint to = view->toWidget(m_four.farEnd).toPoint();
            QTest::mousePress(view, Qt::LeftButton, {}, from);
            QTest::mouseMove(view, (from + to) / 2);
            QTest::mouseRelease(view, Qt::LeftButton, {}, to);
            QVERIFY(!view->drawing());
            QVERIFY(!child<QPushButton>(d, "btnLinie")->isChecked());
            checkShowsReading(d);
            const double length = distance(m_four.ring1End, m_four.farEnd);
            QVERIFY2(distance(d->reading().axisStart, m_four.ring1End) < length * 0.2,
                     qPrintable(QStringLiteral("axis starts at %1,%2").arg(d->reading().axisStart.x()).arg(d->reading().axisStart.y())));
        });
    }

    // Five rings from the four-ring window switch to the five/six-ring
    // window; four rings from there switch back.
    void takeOverIntoEitherWindow()
    {
        showMain();
        QString five, fiveTaken, four;
        withDialog(frmLurvan, [&](TfrmFarbcodeAusFoto *d) {
            d->openPath(path(QStringLiteral("fünf.jpg")));
            checkShowsReading(d);
            QCOMPARE(d->code()->window, zz::value::Window::FiveRing);
            five = text(d, "labBericht").section(QLatin1Char('\n'), 0, 0);
            onNextModal([&](QWidget *second) {
                QCOMPARE(second, static_cast<QWidget *>(frmZedezedidor2));
                QVERIFY(frmLurvan->isHidden());
                fiveTaken = text(second, "labCode");
                withDialog(second, [&](TfrmFarbcodeAusFoto *d4) {
                    d4->openPath(path(QStringLiteral("vier.png")));
                    checkShowsReading(d4);
                    four = text(d4, "labBericht").section(QLatin1Char('\n'), 0, 0);
                    QTest::keyClick(child<QPushButton>(d4, "btnUebernehmen"), Qt::Key_Return);
                });
            });
            QTest::mouseClick(child<QPushButton>(d, "btnUebernehmen"), Qt::LeftButton);
        });
        QTRY_VERIFY(frmLurvan->isVisible());
        QVERIFY(frmZedezedidor2->isHidden());
        QCOMPARE(QStringLiteral("Farbcode: ") + fiveTaken, five);
        QCOMPARE(QStringLiteral("Farbcode: ") + text(frmLurvan, "labCode"), four);
    }

    // Esc and "Schließen" close only the dialog; the window keeps its rings.
    void escClosesOnlyTheDialog()
    {
        showMain();
        const QString before = text(frmLurvan, "labCode");
        withDialog(frmLurvan, [this](TfrmFarbcodeAusFoto *d) {
            d->openPath(path(QStringLiteral("vier.png")));
            QTest::keyClick(child<QComboBox>(d, "combRing1"), Qt::Key_Escape);
            QVERIFY(d->isHidden());
        });
        withDialog(frmLurvan, [this](TfrmFarbcodeAusFoto *d) {
            d->openPath(path(QStringLiteral("fünf.jpg")));
            QTest::mouseClick(child<QPushButton>(d, "btnSchliessen"), Qt::LeftButton);
            QVERIFY(d->isHidden());
        });
        QVERIFY(frmLurvan->isVisible());
        QCOMPARE(text(frmLurvan, "labCode"), before);
    }

    void accessibleNamesAndHelp()
    {
        withDialog(frmLurvan, [this](TfrmFarbcodeAusFoto *d) {
            d->openPath(path(QStringLiteral("vier.png")));
            for (QWidget *w : d->findChildren<QWidget *>()) {
                const bool control = qobject_cast<QComboBox *>(w) || qobject_cast<QPushButton *>(w)
                                     || qobject_cast<QListWidget *>(w) || qobject_cast<PhotoView *>(w)
                                     || (qobject_cast<QLabel *>(w) && !w->objectName().endsWith(QLatin1String("Txt")));
                if (control && !w->objectName().startsWith(QLatin1String("qt_")))
                    QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
            }
            QTest::keyClick(child<QComboBox>(d, "combRing1"), Qt::Key_F1);
            zz::help::HelpWindow *help = zz::help::helpWindow();
            QVERIFY(help);
            QTRY_VERIFY2(help->browser()->source().toString().endsWith(QLatin1String("farbcode-aus-foto.html")),
                         qPrintable(help->browser()->source().toString()));
            help->close();
            QVERIFY(d->isVisible());
        });
    }
};

ZZ_GUI_TEST_MAIN(TestFotoDialog)
#include "tst_fotodialog.moc"
