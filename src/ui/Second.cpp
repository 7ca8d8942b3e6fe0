#include "ui/Second.h"
#include "ui_Second.h"

#include "decode/Decode.h"
#include "output/Report.h"
#include "ui/FarbcodeSuchen.h"
#include "ui/Main.h"
#include "ui/RingComboBox.h"
#include "ui/UiCommon.h"

#include <QCloseEvent>
#include <QEventLoop>

#include <array>

namespace dc = zz::decode;

TfrmZedezedidor2::TfrmZedezedidor2(TfrmLurvan &lurvan, QWidget *parent)
    : QMainWindow(parent), ui(new Ui::TfrmZedezedidor2), m_lurvan(lurvan)
{
    ui->setupUi(this);
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
}

TfrmZedezedidor2::~TfrmZedezedidor2()
{
    delete ui;
}

void TfrmZedezedidor2::FormCreate()
{
    fillLists();
    const auto &start = dc::kFiveRingStart;
    for (int ring = 1; ring <= 6; ++ring) {
        ringList(ring)->setCurrentIndex(start[size_t(ring - 1)]);
        pictureRing(ring)->setPixmap(
            m_lurvan.stripe(ringList(ring)->colourAt(start[size_t(ring - 1)])));
    }
    Wert = 470;
}

void TfrmZedezedidor2::fillLists()
{
    ui->combFarbe->copyEntriesFrom(*m_lurvan.ringList(1));
    ui->combRing2->copyEntriesFrom(*ui->combFarbe);
    ui->combRing3->copyEntriesFrom(*ui->combFarbe);
    ui->combRing4->copyEntriesFrom(*m_lurvan.ringList(3));

    ui->combRing5->copyEntriesFrom(*ui->combFarbe);
    for (int pos : {9, 4, 3, 0})
        ui->combRing5->removeEntry(pos);
    for (dc::Colour c : {dc::Colour::Gold, dc::Colour::Silber})
        ui->combRing5->addEntry(QString::fromUtf8(dc::colourInfo(c).name),
                                m_lurvan.swatch(int(c)), int(c));

    ui->combRing6->copyEntriesFrom(*ui->combFarbe);
    for (int pos : {9, 8, 5})
        ui->combRing6->removeEntry(pos);
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
    for (int ring = 1; ring <= 6; ++ring)
        connect(ringList(ring), &QComboBox::activated, this, [this, ring] { ringChanged(ring); });
    connect(ui->cbxRing6, &QCheckBox::clicked, this, &TfrmZedezedidor2::cbxRing6Click);
    connect(ui->acRechnen, &QAction::triggered, this, &TfrmZedezedidor2::acRechnenExecute);
    connect(ui->acToleranzAuswerten, &QAction::triggered, this,
            &TfrmZedezedidor2::acToleranzAuswertenExecute);

    connect(ui->BitBtnBeenden, &QPushButton::clicked, this, &TfrmZedezedidor2::BitBtnBeendenClick);
    connect(ui->mnuDatenBeenden, &QAction::triggered, this, &TfrmZedezedidor2::BitBtnBeendenClick);
    connect(ui->acBeenden, &QAction::triggered, this, [this] {
        if (!zz::ui::closeOpenPopup())
            ui->BitBtnBeenden->click();
    });
    connect(ui->BitBtnKopieren, &QPushButton::clicked, this,
            &TfrmZedezedidor2::BitBtnKopierenClick);
    connect(ui->mnuBearbeitenKopieren, &QAction::triggered, this,
            &TfrmZedezedidor2::BitBtnKopierenClick);
    connect(ui->BitBtnSpeichern, &QPushButton::clicked, this,
            &TfrmZedezedidor2::BitBtnSpeichernClick);
    connect(ui->mnuDatenSpeichern, &QAction::triggered, this,
            &TfrmZedezedidor2::BitBtnSpeichernClick);
    connect(ui->mnuDatenSpeichernunter, &QAction::triggered, this,
            &TfrmZedezedidor2::mnuDatenSpeichernunterClick);
    connect(ui->N56Ringe1, &QAction::triggered, this, &TfrmZedezedidor2::N56Ringe1Click);
    connect(ui->mnuDaten, &QMenu::aboutToShow, this, &TfrmZedezedidor2::mnuDatenClick);

    connect(ui->mnuBearbeitenOptionen, &QAction::triggered, this,
            &TfrmZedezedidor2::mnuBearbeitenOptionenClick);
    connect(ui->mnuBearbeitenFarbcodeSuchen, &QAction::triggered, this,
            [this] { zz::ui::farbcodeSuchen(this); });
    connect(ui->mnuHilfeInhalt, &QAction::triggered, this,
            &TfrmZedezedidor2::mnuHilfeInhaltClick);
    connect(ui->mnuHilfeIndex, &QAction::triggered, this, &TfrmZedezedidor2::mnuHilfeIndexClick);
    connect(ui->mnuHilfeBenutzungderHilfe, &QAction::triggered, m_lurvan.HelpOnHelp1,
            &QAction::trigger);
    connect(ui->mnuHilfeReadme, &QAction::triggered, this,
            &TfrmZedezedidor2::mnuHilfeReadmeClick);
    connect(ui->mnuLizenztxt, &QAction::triggered, this, &TfrmZedezedidor2::mnuLizenztxtClick);
    connect(ui->mnuHilfeUeber, &QAction::triggered, this, &TfrmZedezedidor2::mnuHilfeUeberClick);
}

void TfrmZedezedidor2::ringChanged(int ring)
{
    RingComboBox *list = ringList(ring);
    const int colour = list->colourAt(list->currentIndex());
    if (colour >= 0)
        pictureRing(ring)->setPixmap(m_lurvan.stripe(colour));
    ui->acRechnen->trigger();
}

void TfrmZedezedidor2::pickRings(const std::array<int, 6> &positions, bool ring6Present)
{
    if (ui->cbxRing6->isChecked() != ring6Present) {
        ui->cbxRing6->setChecked(ring6Present);
        cbxRing6Click();
    }
    for (int ring = 1; ring <= (ring6Present ? 6 : 5); ++ring) {
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

QStringList TfrmZedezedidor2::reportLines() const
{
    return zz::ui::toStringList(report());
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
    setWindowTitle(m_lurvan.windowTitle());
}

void TfrmZedezedidor2::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (m_modalLoop)
        m_modalLoop->quit();
}

// As in the four-ring window: "&Speichern" follows the data file.
void TfrmZedezedidor2::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::WindowTitleChange)
        mnuDatenClick();
    QMainWindow::changeEvent(event);
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
    zz::ui::handOverPosition(*this, m_lurvan);
    Zurueck = true;
    close();
}

void TfrmZedezedidor2::BitBtnBeendenClick()
{
    close();
}

void TfrmZedezedidor2::mnuDatenClick()
{
    ui->mnuDatenSpeichern->setEnabled(!m_lurvan.DateiPfad.isEmpty());
}

void TfrmZedezedidor2::BitBtnSpeichernClick()
{
    m_lurvan.BitBtnSpeichernClick(this);
    setWindowTitle(m_lurvan.windowTitle());
}

void TfrmZedezedidor2::mnuDatenSpeichernunterClick()
{
    m_lurvan.acSpeichernunterExecute(this);
    setWindowTitle(m_lurvan.windowTitle());
}

void TfrmZedezedidor2::mnuBearbeitenOptionenClick()
{
    m_lurvan.mnuBearbeitenOptionenClick();
}

void TfrmZedezedidor2::mnuHilfeInhaltClick()
{
    m_lurvan.mnuHilfeIhnaltClick();
}

void TfrmZedezedidor2::mnuHilfeIndexClick()
{
    m_lurvan.mnuHilfeIndexClick();
}

void TfrmZedezedidor2::mnuHilfeReadmeClick()
{
    m_lurvan.mnuHilfeReadmeClick();
}

void TfrmZedezedidor2::mnuLizenztxtClick()
{
    m_lurvan.mnuLizenztxtClick();
}

void TfrmZedezedidor2::mnuHilfeUeberClick()
{
    m_lurvan.mnuHilfeUeberClick();
}
