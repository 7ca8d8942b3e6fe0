#include "ui/FiveSixRingWindow.h"
#include "ui_FiveSixRingWindow.h"

#include "decode/Decode.h"
#include "output/Report.h"
#include "ui/Accessibility.h"
#include "ui/DataFileState.h"
#include "ui/RingComboBox.h"
#include "ui/RingPictures.h"
#include "ui/UiCommon.h"

#include <QCloseEvent>
#include <QEventLoop>

#include <array>
#include <utility>

namespace dc = zz::decode;

TfrmZedezedidor2::TfrmZedezedidor2(FourRing fourRing, zz::ui::DataFileState &dataFile, QWidget *parent)
    : QMainWindow(parent), ui(new Ui::TfrmZedezedidor2), m_fourRing(std::move(fourRing)),
      m_dataFile(dataFile)
{
    ui->setupUi(this);
    zz::ui::useDesignedFont(*this);
    zz::ui::fixWindowFrame(*this, *ui->ClientArea, {});
    zz::ui::nameSeparators(*ui->mnuDaten, {"N1", "N3"});
    zz::ui::nameSeparators(*ui->mnuBearbeiten, {"N4"});
    zz::ui::nameSeparators(*ui->mnuHilfe, {"N5", "N2"});
    // The buttons carry their tooltips, but this window does not show them.
    for (QWidget *w : {static_cast<QWidget *>(ui->BitBtnBeenden),
                       static_cast<QWidget *>(ui->BitBtnKopieren),
                       static_cast<QWidget *>(ui->BitBtnSpeichern)})
        w->installEventFilter(this);
    FormCreate();
    connectHandlers();
    connect(&m_dataFile, &zz::ui::DataFileState::changed, this, &TfrmZedezedidor2::showDataFile);
    describeResults();
}

TfrmZedezedidor2::~TfrmZedezedidor2()
{
    delete ui;
}

void TfrmZedezedidor2::FormCreate()
{
    fillLists();
    const auto &start = dc::kFiveRingStart;
    for (int ring = 1; ring <= kRings; ++ring) {
        ringList(ring)->setCurrentIndex(start[size_t(ring - 1)]);
        pictureRing(ring)->setPixmap(
            m_fourRing.pictures.stripe(ringList(ring)->colourAt(start[size_t(ring - 1)])));
    }
    Wert = zz::ui::kStartValue;
}

void TfrmZedezedidor2::fillLists()
{
    const RingPictures &pictures = m_fourRing.pictures;
    ui->combFarbe->fill(dc::baseList(), pictures);
    ui->combRing2->fill(dc::baseList(), pictures);
    ui->combRing3->fill(dc::baseList(), pictures);
    ui->combRing4->fill(dc::multiplierList(), pictures);
    ui->combRing5->fill(dc::fiveRingToleranceList(), pictures);
    ui->combRing6->fill(dc::temperatureList(), pictures);
}

RingComboBox *TfrmZedezedidor2::ringList(int ring) const
{
    const std::array<RingComboBox *, 6> lists{ui->combFarbe, ui->combRing2, ui->combRing3,
                                              ui->combRing4, ui->combRing5, ui->combRing6};
    return lists.at(size_t(ring - 1));
}

QLabel *TfrmZedezedidor2::pictureRing(int ring) const
{
    const std::array<QLabel *, 6> rings{ui->imgRing1, ui->imgRing2, ui->imgRing3,
                                        ui->imgRing4, ui->imgRing5, ui->imgRing6};
    return rings.at(size_t(ring - 1));
}

void TfrmZedezedidor2::connectHandlers()
{
    for (int ring = 1; ring <= kRings; ++ring)
        connect(ringList(ring), &QComboBox::activated, this, [this, ring] { ringChanged(ring); });
    connect(ui->cbxRing6, &QCheckBox::clicked, this, &TfrmZedezedidor2::cbxRing6Click);
    zz::ui::connectCommands(*this, *ui, *ui->mnuHilfeInhalt, &TfrmZedezedidor2::mnuHilfeInhaltClick,
                            *ui->mnuHilfeBenutzungderHilfe, *m_fourRing.commands.helpOnHelp);
}

void TfrmZedezedidor2::ringChanged(int ring)
{
    RingComboBox *list = ringList(ring);
    const int colour = list->colourAt(list->currentIndex());
    if (colour >= 0)
        pictureRing(ring)->setPixmap(m_fourRing.pictures.stripe(colour));
    ui->acRechnen->trigger();
}

void TfrmZedezedidor2::pickRings(const std::array<int, 6> &positions, bool ring6Present)
{
    if (ui->cbxRing6->isChecked() != ring6Present) {
        ui->cbxRing6->setChecked(ring6Present);
        cbxRing6Click();
    }
    for (int ring = 1; ring <= (ring6Present ? kRings : kRings - 1); ++ring) {
        ringList(ring)->setCurrentIndex(positions[size_t(ring - 1)]);
        ringChanged(ring);
    }
}

void TfrmZedezedidor2::cbxRing6Click()
{
    const bool present = ui->cbxRing6->isChecked();
    ui->imgRing6->setVisible(present);
    ui->combRing6->setEnabled(present);
    ui->labTempKoeffTxt->setVisible(present);
    ui->labTTol->setVisible(present);
    ui->acToleranzAuswerten->trigger();
}

void TfrmZedezedidor2::acRechnenExecute()
{
    const dc::CodeResult r = dc::evaluateFiveRing(
        ui->combFarbe->currentIndex(), ui->combRing2->currentIndex(),
        ui->combRing3->currentIndex(), ui->combRing4->currentIndex(), zz::ui::decimalSeparator());
    zz::ui::showHint(r, *ui->labNixGut1Txt, *ui->labNixGut2Txt, *ui->labStandTxt, *ui->labStand);
    ui->labCode->setText(QString::fromStdString(r.code));
    Wert = r.value;
    ui->labWert->setText(QString::fromStdString(r.valueText));
    ui->acToleranzAuswerten->trigger();
}

void TfrmZedezedidor2::acToleranzAuswertenExecute()
{
    const std::string sep = zz::ui::decimalSeparator();
    ui->labToleranz->setText(QString::fromStdString(
        dc::fiveRingTolerance(Wert, ui->combRing5->currentIndex(), sep)));
    const bool present = ui->cbxRing6->isChecked();
    ui->labTTol->setVisible(present);
    ui->labTempKoeffTxt->setVisible(present);
    if (present)
        ui->labTTol->setText(QString::fromStdString(
            dc::temperatureLine(Wert, ui->combRing6->currentIndex(), sep)));
    describeResults();
}

void TfrmZedezedidor2::describeResults()
{
    const QString results = zz::ui::spokenResults({{ui->labCodeTxt, ui->labCode},
                                                   {ui->labWertTxt, ui->labWert},
                                                   {ui->labToleranzTxt, ui->labToleranz},
                                                   {ui->labTempKoeffTxt, ui->labTTol},
                                                   {ui->labNixGut1Txt, ui->labNixGut2Txt},
                                                   {ui->labStandTxt, ui->labStand}});
    zz::ui::describeResults({ui->combFarbe, ui->combRing2, ui->combRing3, ui->combRing4,
                             ui->combRing5, ui->cbxRing6, ui->combRing6},
                            results);
    zz::ui::announce(*this, zz::ui::joinSpoken(zz::ui::spokenChange(focusWidget()), results));
}

std::vector<std::string> TfrmZedezedidor2::report() const
{
    zz::output::FiveRingView v;
    zz::ui::readResultLabels(*ui, v);
    v.ring6Present = ui->cbxRing6->isChecked();
    v.tempCaption = zz::ui::text(*ui->labTempKoeffTxt);
    v.temp = zz::ui::text(*ui->labTTol);
    v.ring5Colour = ui->combRing5->currentText().toStdString();
    v.ring6Colour = ui->combRing6->currentText().toStdString();
    return zz::output::fiveRingReport(v);
}

void TfrmZedezedidor2::BitBtnKopierenClick()
{
    zz::ui::copyToClipboard(report());
}

void TfrmZedezedidor2::showModal()
{
    setWindowModality(Qt::ApplicationModal);
    show();
    QEventLoop loop;
    m_modalLoop = &loop;
    loop.exec(QEventLoop::DialogExec);
    m_modalLoop = nullptr;
}

void TfrmZedezedidor2::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        FormShow();
    QMainWindow::showEvent(event);
}

void TfrmZedezedidor2::FormShow()
{
    Zurueck = false;
    setWindowTitle(m_dataFile.caption());
    setAccessibleName(m_dataFile.caption() + QStringLiteral(" (5/6 Ringe)"));
}

// As in the four-ring window: "&Speichern" follows the data file at once.
void TfrmZedezedidor2::showDataFile()
{
    setWindowTitle(m_dataFile.caption());
    setAccessibleName(m_dataFile.caption() + QStringLiteral(" (5/6 Ringe)"));
    mnuDatenClick();
}

void TfrmZedezedidor2::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (m_modalLoop)
        m_modalLoop->quit();
}

bool TfrmZedezedidor2::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ToolTip)
        return true;
    return QMainWindow::eventFilter(watched, event);
}

void TfrmZedezedidor2::N56Ringe1Click()
{
    // A checkable item flips its mark when chosen; this one always shows it.
    ui->N56Ringe1->setChecked(true);
    zz::ui::handOverPosition(*this, m_fourRing.window);
    Zurueck = true;
    close();
}

void TfrmZedezedidor2::BitBtnBeendenClick()
{
    close();
}

void TfrmZedezedidor2::mnuDatenClick()
{
    ui->mnuDatenSpeichern->setEnabled(!m_dataFile.DateiPfad().isEmpty());
}

void TfrmZedezedidor2::BitBtnSpeichernClick(QObject *)
{
    m_fourRing.commands.save();
}

void TfrmZedezedidor2::mnuDatenSpeichernunterClick()
{
    m_fourRing.commands.saveAs();
}

void TfrmZedezedidor2::mnuBearbeitenOptionenClick()
{
    m_fourRing.commands.options();
}

void TfrmZedezedidor2::mnuBearbeitenFarbcodeSuchenClick()
{
    m_fourRing.commands.farbcodeSuchen(ui->cbxRing6->isChecked() ? 6 : 5);
}

void TfrmZedezedidor2::mnuBearbeitenFarbcodeAusFotoClick()
{
    m_fourRing.commands.farbcodeAusFoto();
}

void TfrmZedezedidor2::mnuHilfeInhaltClick()
{
    m_fourRing.commands.helpContents();
}

void TfrmZedezedidor2::mnuHilfeIndexClick()
{
    m_fourRing.commands.helpIndex();
}

void TfrmZedezedidor2::mnuHilfeReadmeClick()
{
    m_fourRing.commands.readme();
}

void TfrmZedezedidor2::mnuLizenztxtClick()
{
    m_fourRing.commands.licence();
}

void TfrmZedezedidor2::mnuHilfeUeberClick()
{
    m_fourRing.commands.about();
}
