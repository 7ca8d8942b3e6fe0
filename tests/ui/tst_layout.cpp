// Every text a label can ever show fits inside its label and the window, in
// the program's own font. The candidates come from the decoder, over all codes.

#include "GuiTest.h"
#include "WindowDriver.h"

#include "decode/Decode.h"
#include "ui/FiveSixRingWindow.h"
#include "ui/FourRingWindow.h"
#include "ui/RingComboBox.h"
#include "ui/Windows.h"

#include <QStyleOptionComboBox>

#include <map>
#include <tuple>

using namespace zz::test;
namespace dc = zz::decode;

namespace {

// Widest candidate per label name.
using Widest = std::map<QString, QString>;

void offer(Widest &widest, const QFontMetrics &fm, const char *label, const std::string &text)
{
    const QString t = QString::fromStdString(text);
    QString &best = widest[QString::fromLatin1(label)];
    if (fm.horizontalAdvance(t) > fm.horizontalAdvance(best))
        best = t;
}

Widest fourRingCandidates(const QFontMetrics &fm)
{
    Widest w;
    for (int r1 = 0; r1 < 10; ++r1)
        for (int r2 = 0; r2 < 10; ++r2)
            for (int r3 = 0; r3 < 9; ++r3) {
                const dc::CodeResult r = dc::evaluateFourRing(r1, r2, r3, ",");
                offer(w, fm, "labCode", r.code);
                offer(w, fm, "labWert", r.valueText);
                offer(w, fm, "labStand", r.standardCode);
                offer(w, fm, "labToleranz", dc::fourRingTolerance(r.value, false, 0, ","));
                for (int r4 = 0; r4 < 4; ++r4)
                    offer(w, fm, "labToleranz", dc::fourRingTolerance(r.value, true, r4, ","));
            }
    return w;
}

Widest fiveRingCandidates(const QFontMetrics &fm)
{
    Widest w;
    for (int r1 = 0; r1 < 10; ++r1)
        for (int r2 = 0; r2 < 10; ++r2)
            for (int r3 = 0; r3 < 10; ++r3)
                for (int m = 0; m < 9; ++m) {
                    const dc::CodeResult r = dc::evaluateFiveRing(r1, r2, r3, m, ",");
                    offer(w, fm, "labCode", r.code);
                    offer(w, fm, "labWert", r.valueText);
                    offer(w, fm, "labStand", r.standardCode);
                    for (int r5 = 0; r5 < 8; ++r5)
                        offer(w, fm, "labToleranz", dc::fiveRingTolerance(r.value, r5, ","));
                    for (int r6 = 0; r6 < 7; ++r6)
                        offer(w, fm, "labTTol", dc::temperatureLine(r.value, r6, ","));
                }
    return w;
}

void addFixedTexts(Widest &w, const QFontMetrics &fm, const QWidget *window)
{
    offer(w, fm, "labNixGut2Txt", std::string(dc::kUnusualText));
    offer(w, fm, "labNixGut2Txt", std::string(dc::kNonExistentText));
    for (const QLabel *l : window->findChildren<QLabel *>())
        if (l->objectName().endsWith(QLatin1String("Txt")) || l->objectName().startsWith("Label"))
            offer(w, fm, qPrintable(l->objectName()), l->text().toStdString());
}

} // namespace

class TestLayout final : public QObject
{
    Q_OBJECT

    static void checkWindow(const QWidget *window, const Widest &widest)
    {
        for (const auto &[name, text] : widest) {
            const QLabel *label = child<QLabel>(window, qPrintable(name));
            const QFontMetrics fm = label->fontMetrics();
            const int width = fm.horizontalAdvance(text);
            QVERIFY2(width <= label->width() && label->x() + width <= 461,
                     qPrintable(QStringLiteral("%1 cut: \"%2\" needs %3 px, has %4")
                                    .arg(name, text).arg(width).arg(label->width())));
            QVERIFY2(fm.height() <= label->height(), qPrintable(name));
        }
    }

    // The longest colour name beside the widest swatch fits the closed list.
    static void checkLists(const QWidget *window)
    {
        for (RingComboBox *list : window->findChildren<RingComboBox *>()) {
            QStyleOptionComboBox opt;
            opt.initFrom(list);
            const QRect field = list->style()->subControlRect(QStyle::CC_ComboBox, &opt,
                                                              QStyle::SC_ComboBoxEditField, list);
            for (int i = 0; i < list->count(); ++i) {
                const int need = 2 + list->swatchAt(i).width() + 1
                                 + list->fontMetrics().horizontalAdvance(list->itemText(i));
                QVERIFY2(need <= field.width(), qPrintable(list->objectName() + list->itemText(i)));
            }
        }
    }

    static void checkPlaces(const QWidget *window, const QList<std::tuple<const char *, int, int>> &places)
    {
        for (const auto &[name, x, y] : places)
            QCOMPARE(child<QWidget>(window, name)->pos(), QPoint(x, y));
    }

private slots:
    void initTestCase() { zz::ui::createWindows(); }

    void designedPlaces()
    {
        checkPlaces(frmLurvan, {{"Label1", 33, 15}, {"combFarbe", 77, 10}, {"combRing3", 77, 104},
                                {"cbxRing4", 14, 154}, {"combRing4", 77, 151}, {"Image12", 207, 16},
                                {"imgRing1", 266, 25}, {"imgRing4", 360, 25}, {"labStand", 295, 168},
                                {"BitBtnBeenden", 13, 201}, {"BitBtnSpeichern", 358, 201}});
        checkPlaces(frmZedezedidor2, {{"Label5", 26, 156}, {"combRing6", 72, 187}, {"cbxRing6", 9, 190},
                                      {"Image12", 204, 16}, {"imgRing5", 354, 25}, {"imgRing6", 370, 25},
                                      {"labTTol", 260, 158}, {"BitBtnKopieren", 182, 242}});
        QCOMPARE(child<QWidget>(frmLurvan, "Image12")->size(), QSize(225, 65));
        // Captions end a few pixels before their values, colons in one column.
        for (const char *name : {"labCodeTxt", "labWertTxt", "labToleranzTxt", "labNixGut1Txt", "labStandTxt"})
            QCOMPARE(child<QLabel>(frmLurvan, name)->geometry().right(), 290);
        for (const char *name : {"labCodeTxt", "labTempKoeffTxt", "labStandTxt"})
            QCOMPARE(child<QLabel>(frmZedezedidor2, name)->geometry().right(), 255);
        QCOMPARE(child<QWidget>(frmLurvan, "combFarbe")->size(), QSize(97, 22));
    }

    void cleanupTestCase() { zz::ui::destroyWindows(); }

    void fourRingTextsFit()
    {
        Widest w = fourRingCandidates(frmLurvan->fontMetrics());
        addFixedTexts(w, frmLurvan->fontMetrics(), frmLurvan);
        QCOMPARE(w.size(), size_t(13));
        checkWindow(frmLurvan, w);
        checkLists(frmLurvan);
    }

    void fiveRingTextsFit()
    {
        Widest w = fiveRingCandidates(frmZedezedidor2->fontMetrics());
        addFixedTexts(w, frmZedezedidor2->fontMetrics(), frmZedezedidor2);
        QCOMPARE(w.size(), size_t(17));
        checkWindow(frmZedezedidor2, w);
        checkLists(frmZedezedidor2);
    }
};

ZZ_GUI_TEST_MAIN(TestLayout)
#include "tst_layout.moc"
