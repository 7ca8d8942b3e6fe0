// The windows on a desktop set up as users set theirs up: a larger desktop
// font and a dark colour scheme, given through the qt6ct platform theme with
// its configuration in this test's own XDG_CONFIG_HOME, on an X server with
// openbox (tests/support/with-desktop). The designed windows keep their font
// and no text is cut; the help pages and the about box stay readable,
// measured on what is drawn.

#include "GuiTest.h"

#include "help/Colours.h"
#include "help/Help.h"
#include "help/HelpWindow.h"
#include "ui/FarbcodeSuchen.h"
#include "ui/FourRingWindow.h"
#include "ui/Windows.h"

#include <QAbstractButton>
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QHelpEngine>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <memory>

using namespace zz::test;

namespace {

const QString kDesktopFamily = QStringLiteral("DejaVu Sans");

// qt6ct as a user leaves it after choosing a font of 10 points and the dark
// colour scheme that comes with it.
void configureQt6ct(const QString &configHome)
{
    QDir().mkpath(configHome + QStringLiteral("/qt6ct"));
    QFile conf(configHome + QStringLiteral("/qt6ct/qt6ct.conf"));
    if (!conf.open(QIODevice::WriteOnly))
        qFatal("cannot write qt6ct.conf");
    conf.write("[Appearance]\n"
               "style=Fusion\n"
               "custom_palette=true\n"
               "color_scheme_path=/usr/share/qt6ct/colors/darker.conf\n"
               "\n[Fonts]\n"
               "general=\"DejaVu Sans,10,-1,5,400,0,0,0,0,0,0,0,0,0,0,1\"\n"
               "fixed=\"DejaVu Sans Mono,10,-1,5,400,0,0,0,0,0,0,0,0,0,0,1\"\n");
}

QWidget *topLevel(const char *name)
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String(name))
            return w;
    }
    qFatal("no window %s", name);
}

QString shownText(QString text)
{
    return text.replace(QLatin1String("&&"), QLatin1String("\x01")).remove(QLatin1Char('&'))
        .replace(QLatin1Char('\x01'), QLatin1Char('&'));
}

// Every label's text in the label's own font against the label's room; a
// check box's or button's text beside its indicator or icon likewise.
QStringList cutTexts(const QWidget *window)
{
    QStringList cut;
    for (const QLabel *label : window->findChildren<QLabel *>()) {
        if (label->text().isEmpty())
            continue;
        const QRect room = label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(),
                                                          -label->margin());
        if (label->wordWrap()) {
            if (label->heightForWidth(label->width()) > label->height())
                cut << QStringLiteral("%1 \"%2\": %3 px high, room %4").arg(label->objectName(), label->text())
                           .arg(label->heightForWidth(label->width())).arg(label->height());
            continue;
        }
        const int needed = QFontMetrics(label->font()).horizontalAdvance(shownText(label->text()));
        if (needed > room.width())
            cut << QStringLiteral("%1 \"%2\": %3 px wide, room %4").arg(label->objectName(), label->text())
                       .arg(needed).arg(room.width());
    }
    for (const QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        if (button->text().isEmpty()
            || (!qobject_cast<const QPushButton *>(button) && !qobject_cast<const QCheckBox *>(button)))
            continue;
        const QStyle *style = button->style();
        int beside = 0;
        if (qobject_cast<const QCheckBox *>(button))
            beside = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, button)
                   + style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, button);
        else if (!button->icon().isNull())
            beside = button->iconSize().width() + 4;
        const int frame = qobject_cast<const QPushButton *>(button)
                              ? 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button) : 0;
        const int needed = QFontMetrics(button->font()).horizontalAdvance(shownText(button->text())) + beside + frame;
        if (needed > button->width())
            cut << QStringLiteral("%1 \"%2\": %3 px wide, room %4").arg(button->objectName(), button->text())
                       .arg(needed).arg(button->width());
    }
    return cut;
}

// Contrast of a text drawn in `area` of `shot`: the commonest colour there is
// the background, the one that stands out most from it the text's.
struct Contrast {
    double ratio = 21;
    QColor text;
    QColor background;
};

Contrast measure(const QImage &shot, const QRectF &area)
{
    const qreal dpr = shot.devicePixelRatio();
    const QRect pixels = QRectF(area.topLeft() * dpr, area.size() * dpr).toAlignedRect() & shot.rect();
    QHash<QRgb, int> counts;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y)
        for (int x = pixels.left(); x <= pixels.right(); ++x)
            ++counts[shot.pixel(x, y) | 0xff000000u];
    Contrast result;
    if (counts.isEmpty())
        return result;
    QRgb background = counts.begin().key();
    for (auto it = counts.begin(); it != counts.end(); ++it)
        if (it.value() > counts.value(background))
            background = it.key();
    result.background = QColor(background);
    result.ratio = 1;
    result.text = result.background;
    for (auto it = counts.begin(); it != counts.end(); ++it) {
        const double r = zz::help::contrastRatio(QColor(it.key()), result.background);
        if (r > result.ratio) {
            result.ratio = r;
            result.text = QColor(it.key());
        }
    }
    return result;
}

QString describe(const QString &what, const Contrast &c)
{
    return QStringLiteral("%1: %2 on %3, %4:1").arg(what, c.text.name(), c.background.name())
        .arg(c.ratio, 0, 'f', 2);
}

// Every piece of text of the page shown, each line of it, as drawn in the
// browser: scrolled through, so that each line is measured whole on screen.
QStringList unreadablePieces(QTextBrowser *browser)
{
    struct Piece {
        QRectF rect;
        QString text;
        bool measured = false;
    };
    QTextDocument *doc = browser->document();
    QScrollBar *bar = browser->verticalScrollBar();
    bar->setValue(0);
    (void)browser->viewport()->grab();
    doc->documentLayout()->documentSize();
    std::vector<Piece> pieces;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QTextLayout *layout = block.layout();
        const QRectF blockRect = doc->documentLayout()->blockBoundingRect(block);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.text().trimmed().isEmpty())
                continue;
            const int start = fragment.position() - block.position();
            const int end = start + fragment.length();
            for (int i = 0; i < layout->lineCount(); ++i) {
                const QTextLine line = layout->lineAt(i);
                const int from = qMax(start, line.textStart());
                const int to = qMin(end, line.textStart() + line.textLength());
                if (from >= to || fragment.text().mid(from - start, to - from).trimmed().isEmpty())
                    continue;
                const qreal x1 = line.cursorToX(from);
                const qreal x2 = line.cursorToX(to);
                pieces.push_back({QRectF(blockRect.left() + qMin(x1, x2), blockRect.top() + line.y(),
                                         qAbs(x2 - x1), line.height()),
                                  fragment.text().mid(from - start, to - from)});
            }
        }
    }
    QStringList bad;
    const int step = qMax(1, browser->viewport()->height() / 2);
    for (int y = 0;; y += step) {
        bar->setValue(y);
        const int offset = bar->value();
        const QImage shot = browser->viewport()->grab().toImage();
        const QRectF shown(QPointF(0, 0), QSizeF(browser->viewport()->size()));
        for (Piece &piece : pieces) {
            const QRectF at = piece.rect.translated(-browser->horizontalScrollBar()->value(), -offset);
            if (piece.measured || !shown.contains(at))
                continue;
            piece.measured = true;
            const Contrast c = measure(shot, at);
            if (c.ratio < zz::help::kReadableContrast)
                bad << describe(browser->documentTitle() + QStringLiteral(" \"") + piece.text + QLatin1Char('"'), c);
        }
        if (offset >= bar->maximum())
            break;
    }
    for (const Piece &piece : pieces) {
        if (!piece.measured)
            bad << QStringLiteral("%1 \"%2\": never whole in sight").arg(browser->documentTitle(), piece.text);
    }
    return bad;
}

} // namespace

class TestDesktops final : public QObject
{
    Q_OBJECT

    std::unique_ptr<TfrmFarbcodeSuchen> m_farbcode;

    QList<QWidget *> windows()
    {
        return {topLevel("frmLurvan"), topLevel("frmZedezedidor2"), topLevel("frmOptionen"),
                topLevel("frmAboutBox"), m_farbcode.get(), zz::help::helpWindow()};
    }

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QFAIL("needs an X server with a window manager (tests/support/with-desktop)");
        // The theme puts its font and colours in once the event loop runs.
        QTRY_COMPARE(QApplication::font().family(), kDesktopFamily);
        QVERIFY(QApplication::palette().color(QPalette::Window).lightness() < 80);
        zz::help::setHelpFile(QDir(qEnvironmentVariable("ZZ_BIN_DIR")).filePath(QStringLiteral("Zedezedidor.qhc")));
        zz::ui::createWindows();
        m_farbcode = std::make_unique<TfrmFarbcodeSuchen>(frmLurvan->pictures(), 4);
        zz::help::showContents(nullptr);
        QVERIFY(zz::help::helpWindow() && zz::help::helpWindow()->hasHelp());
        int x = 0;
        for (QWidget *w : windows()) {
            w->move(x, 20);
            w->show();
            x += 20;
            QVERIFY(QTest::qWaitForWindowExposed(w, 15000));
        }
    }

    void cleanupTestCase()
    {
        m_farbcode.reset();
        delete zz::help::helpWindow();
        zz::ui::destroyWindows();
    }

    // The designed windows keep their designed font; the program's own
    // dialogs take the desktop's, and grow with it.
    void designedWindowsKeepTheirFont()
    {
        for (const char *name : {"frmLurvan", "frmZedezedidor2", "frmOptionen", "frmAboutBox"}) {
            for (const QLabel *label : topLevel(name)->findChildren<QLabel *>()) {
                QVERIFY2(label->font().family() == QStringLiteral("Liberation Sans"),
                         qPrintable(label->objectName() + QLatin1Char(' ') + label->font().family()));
                if (label->objectName() != QLatin1String("ProductName"))
                    QCOMPARE(label->font().pixelSize(), 11);
            }
        }
        QCOMPARE(m_farbcode->font().family(), kDesktopFamily);
        QCOMPARE(zz::help::helpWindow()->font().family(), kDesktopFamily);
    }

    // No text of any window is cut: with the desktop's font from qt6ct, and
    // after the user picks a smaller or a larger one while the program runs.
    void noTextIsCut_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("pointSize");
        QTest::newRow("qt6ct, DejaVu Sans 10 pt") << QString() << 0;
        QTest::newRow("DejaVu Sans 9 pt") << kDesktopFamily << 9;
        QTest::newRow("DejaVu Sans 14 pt") << kDesktopFamily << 14;
    }

    void noTextIsCut()
    {
        QFETCH(QString, family);
        QFETCH(int, pointSize);
        const QFont desktop = QApplication::font();
        if (!family.isEmpty())
            QApplication::setFont(QFont(family, pointSize));
        for (QWidget *w : windows()) {
            if (w->layout())
                w->layout()->activate();
            const QStringList cut = cutTexts(w);
            QVERIFY2(cut.isEmpty(), qPrintable(w->objectName() + QStringLiteral(": ") + cut.join(QStringLiteral("; "))));
        }
        QApplication::setFont(desktop);
    }

    // Every text of every help page and of the about box stands out from its
    // background by at least 4.5:1, under the dark scheme and the light one.
    void helpAndAboutReadable_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("qt6ct, dark") << true;
        QTest::newRow("light") << false;
    }

    void helpAndAboutReadable()
    {
        QFETCH(bool, dark);
        zz::help::HelpWindow *help = zz::help::helpWindow();
        QWidget *about = topLevel("frmAboutBox");
        // A light scheme in place of the desktop's dark one, for these two windows.
        if (!dark) {
            help->setPalette(QApplication::style()->standardPalette());
            about->setPalette(QApplication::style()->standardPalette());
        }
        QHelpEngine *engine = help->engine();
        const QList<QUrl> pages = engine->files(engine->registeredDocumentations().value(0), QString(),
                                                QStringLiteral("html"));
        QVERIFY(pages.size() >= 10);
        QStringList bad;
        for (const QUrl &page : pages) {
            help->browser()->setSource(page);
            bad << unreadablePieces(help->browser());
        }

        about->hide();
        about->show();
        QVERIFY(QTest::qWaitForWindowExposed(about, 15000));
        const QImage shot = about->grab().toImage();
        QList<QWidget *> texts;
        for (QLabel *label : about->findChildren<QLabel *>())
            if (!label->text().isEmpty())
                texts << label;
        for (QAbstractButton *button : about->findChildren<QAbstractButton *>())
            texts << button;
        QVERIFY(texts.size() >= 8);
        for (QWidget *w : texts) {
            const Contrast c = measure(shot, QRect(w->mapTo(about, QPoint(0, 0)), w->size()));
            if (c.ratio < zz::help::kReadableContrast)
                bad << describe(QStringLiteral("Info ") + w->objectName(), c);
        }
        help->setPalette(QPalette());
        about->setPalette(QPalette());
        QVERIFY2(bad.isEmpty(), qPrintable(bad.join(QLatin1Char('\n'))));
    }
};

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORMTHEME", "qt6ct");
    // Before the application object: the theme reads its configuration as it starts.
    return zz::test::runGuiTest(
        argc, argv,
        [](int c, char **v) {
            TestDesktops tc;
            return QTest::qExec(&tc, c, v);
        },
        configureQt6ct);
}

#include "tst_desktops.moc"
