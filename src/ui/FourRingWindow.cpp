#include "ui/FourRingWindow.h"
#include "ui_FourRingWindow.h"

#include "decode/Decode.h"
#include "help/Help.h"
#include "output/DataFile.h"
#include "output/Report.h"
#include "settings/Settings.h"
#include "ui/AboutBox.h"
#include "ui/Accessibility.h"
#include "ui/DataFileState.h"
#include "ui/FarbcodeAusFoto.h"
#include "ui/FarbcodeSuchen.h"
#include "ui/FiveSixRingWindow.h"
#include "ui/OptionsDialog.h"
#include "ui/RingComboBox.h"
#include "ui/UiCommon.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

#include <optional>

namespace dc = zz::decode;

TfrmLurvan::TfrmLurvan(zz::ui::DataFileState &dataFile, QWidget *parent)
    : QMainWindow(parent), ui(new Ui::TfrmLurvan), m_dataFile(dataFile), m_chooser(*this)
{
    ui->setupUi(this);
    zz::ui::useDesignedFont(*this);
    zz::ui::fixWindowFrame(*this, *ui->ClientArea, {ui->Bevel1, ui->BitBtnBeenden,
                           ui->BitBtnKopieren, ui->BitBtnSpeichern});
    zz::ui::nameSeparators(*ui->mnuDaten, {"N1", "N3"});
    zz::ui::nameSeparators(*ui->mnuBearbeiten, {"N4"});
    zz::ui::nameSeparators(*ui->mnuHilfe, {"N5", "N2"});
    HelpOnHelp1 = ui->HelpOnHelp1;
    FormCreate();
    connectHandlers();
    connect(&m_dataFile, &zz::ui::DataFileState::changed, this, &TfrmLurvan::showDataFile);
    describeResults();
}

TfrmLurvan::~TfrmLurvan()
{
    delete ui;
}

void TfrmLurvan::FormCreate()
{
    checkIconFile();
    fillLists();
    const auto &start = dc::kFourRingStart;
    for (int ring = 1; ring <= kRings; ++ring) {
        ringList(ring)->setCurrentIndex(start[size_t(ring - 1)]);
        pictureRing(ring)->setPixmap(m_pictures.stripe(ringList(ring)->colourAt(start[size_t(ring - 1)])));
    }
    Wert = zz::ui::kStartValue;
    m_dataFile.setDateiPfad(QString());
    m_dataFile.setBackupErstellen(true);
    loadSettings();
    validateDataFile();
}

QString TfrmLurvan::iconFilePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Lurvan.ico");
}

void TfrmLurvan::checkIconFile()
{
    const QString path = iconFilePath();
    if (QFileInfo::exists(path)) {
        QApplication::setWindowIcon(QIcon(path));
        return;
    }
    QMessageBox::critical(nullptr, QStringLiteral("Fehler!"),
                          QStringLiteral("Datei \"Lurvan.ico\" ist nicht vorhanden!"));
}

void TfrmLurvan::fillLists()
{
    ui->combFarbe->fill(dc::baseList(), m_pictures);
    ui->combRing2->fill(dc::baseList(), m_pictures);
    ui->combRing3->fill(dc::multiplierList(), m_pictures);
    ui->combRing4->fill(dc::fourRingToleranceList(), m_pictures);
}

RingComboBox *TfrmLurvan::ringList(int ring) const
{
    const std::array<RingComboBox *, 4> lists{ui->combFarbe, ui->combRing2, ui->combRing3,
                                              ui->combRing4};
    return lists.at(size_t(ring - 1));
}

QLabel *TfrmLurvan::pictureRing(int ring) const
{
    const std::array<QLabel *, 4> rings{ui->imgRing1, ui->imgRing2, ui->imgRing3, ui->imgRing4};
    return rings.at(size_t(ring - 1));
}

void TfrmLurvan::connectHandlers()
{
    // activated, not currentIndexChanged: only the user's pick evaluates.
    for (int ring = 1; ring <= kRings; ++ring)
        connect(ringList(ring), &QComboBox::activated, this, [this, ring] { ringChanged(ring); });
    connect(ui->cbxRing4, &QCheckBox::clicked, this, &TfrmLurvan::cbxRing4Click);
    zz::ui::connectCommands(*this, *ui, *ui->mnuHilfeIhnalt, &TfrmLurvan::mnuHilfeIhnaltClick,
                            *ui->mnuHilfeBenutzung, *HelpOnHelp1);
    connect(ui->acSpeichernunter, &QAction::triggered, this,
            [this] { acSpeichernunterExecute(ui->acSpeichernunter); });
    connect(HelpOnHelp1, &QAction::triggered, this, [this] { zz::help::showHelpOnHelp(this); });
}

zz::ui::SharedCommands TfrmLurvan::sharedCommands()
{
    using zz::ui::DecoderWindow;
    using zz::ui::SaveSender;
    return {
        .save = [this] { save(SaveSender::FiveSixRing); },
        .saveAs = [this] { saveAs(SaveSender::FiveSixRing); },
        .options = [this] { mnuBearbeitenOptionenClick(); },
        .farbcodeSuchen = [this](int rings) { farbcodeSuchen(DecoderWindow::FiveSixRing, rings); },
        .farbcodeAusFoto = [this] { farbcodeAusFoto(DecoderWindow::FiveSixRing); },
        .helpContents = [this] { mnuHilfeIhnaltClick(); },
        .helpIndex = [this] { mnuHilfeIndexClick(); },
        .readme = [this] { mnuHilfeReadmeClick(); },
        .licence = [this] { mnuLizenztxtClick(); },
        .about = [this] { mnuHilfeUeberClick(); },
        .helpOnHelp = HelpOnHelp1,
    };
}

void TfrmLurvan::setShownWindows(const ShownWindows &windows)
{
    m_fiveSixRing = &windows.fiveSixRing;
    m_options = &windows.options;
    m_about = &windows.about;
}

QWidget &TfrmLurvan::window(zz::ui::DecoderWindow which)
{
    if (which == zz::ui::DecoderWindow::FiveSixRing)
        return *m_fiveSixRing;
    return *this;
}

void TfrmLurvan::ringChanged(int ring)
{
    RingComboBox *list = ringList(ring);
    const int colour = list->colourAt(list->currentIndex());
    if (colour >= 0)
        pictureRing(ring)->setPixmap(m_pictures.stripe(colour));
    if (ring <= 3)
        ui->acRechnen->trigger();
    else
        ui->acToleranzAuswerten->trigger();
}

void TfrmLurvan::pickRings(const std::array<int, 4> &positions, bool ring4Present)
{
    if (ui->cbxRing4->isChecked() != ring4Present) {
        ui->cbxRing4->setChecked(ring4Present);
        cbxRing4Click();
    }
    for (int ring = 1; ring <= (ring4Present ? kRings : kRings - 1); ++ring) {
        ringList(ring)->setCurrentIndex(positions[size_t(ring - 1)]);
        ringChanged(ring);
    }
}

void TfrmLurvan::cbxRing4Click()
{
    const bool present = ui->cbxRing4->isChecked();
    ui->imgRing4->setVisible(present);
    ui->combRing4->setEnabled(present);
    ui->acToleranzAuswerten->trigger();
}

void TfrmLurvan::acRechnenExecute()
{
    const dc::CodeResult r = dc::evaluateFourRing(ui->combFarbe->currentIndex(),
                                                  ui->combRing2->currentIndex(),
                                                  ui->combRing3->currentIndex(),
                                                  zz::ui::decimalSeparator());
    zz::ui::showHint(r, *ui->labNixGut1Txt, *ui->labNixGut2Txt, *ui->labStandTxt, *ui->labStand);
    ui->labCode->setText(QString::fromStdString(r.code));
    Wert = r.value;
    ui->labWert->setText(QString::fromStdString(r.valueText));
    ui->acToleranzAuswerten->trigger();
}

void TfrmLurvan::acToleranzAuswertenExecute()
{
    ui->labToleranz->setText(QString::fromStdString(
        dc::fourRingTolerance(Wert, ui->cbxRing4->isChecked(), ui->combRing4->currentIndex(),
                              zz::ui::decimalSeparator())));
    describeResults();
}

void TfrmLurvan::describeResults()
{
    const QString results = zz::ui::spokenResults({{ui->labCodeTxt, ui->labCode},
                                                   {ui->labWertTxt, ui->labWert},
                                                   {ui->labToleranzTxt, ui->labToleranz},
                                                   {ui->labNixGut1Txt, ui->labNixGut2Txt},
                                                   {ui->labStandTxt, ui->labStand}});
    zz::ui::describeResults({ui->combFarbe, ui->combRing2, ui->combRing3, ui->cbxRing4, ui->combRing4},
                            results);
    zz::ui::announce(*this, zz::ui::joinSpoken(zz::ui::spokenChange(focusWidget()), results));
}

std::vector<std::string> TfrmLurvan::report() const
{
    zz::output::FourRingView v;
    zz::ui::readResultLabels(*ui, v);
    v.ring4Present = ui->cbxRing4->isChecked();
    v.ring4Colour = ui->combRing4->currentText().toStdString();
    return zz::output::fourRingReport(v);
}

QStringList TfrmLurvan::reportLines() const
{
    return zz::ui::toStringList(report());
}

void TfrmLurvan::BitBtnKopierenClick()
{
    zz::ui::copyToClipboard(report());
}

// "&Speichern" and its Ctrl+S follow the data file at once, not only when
// the menu opens.
void TfrmLurvan::showDataFile()
{
    setWindowTitle(m_dataFile.caption());
    // Both decoder windows carry the same caption; the screen reader tells them apart.
    setAccessibleName(m_dataFile.caption() + QStringLiteral(" (4 Ringe)"));
    mnuDatenClick();
}

void TfrmLurvan::mnuDatenClick()
{
    ui->mnuDatenSpeichern->setEnabled(!m_dataFile.DateiPfad().isEmpty());
}

void TfrmLurvan::N56Ringe1Click()
{
    TfrmZedezedidor2 &second = *m_fiveSixRing;
    zz::ui::handOverPosition(*this, second);
    hide();
    second.showModal();
    zz::ui::handOverPosition(second, *this);
    if (second.Zurueck)
        show();
    else
        close();
}

void TfrmLurvan::BitBtnBeendenClick()
{
    close();
}

void TfrmLurvan::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
    // The main window's close ends the program, also when it was hidden.
    QCoreApplication::quit();
}

void TfrmLurvan::FormClose()
{
    saveSettings();
}

// Reads the stored data file, backup switch and window position; each only
// when it is stored, and the position as stored, even far off the screen.
void TfrmLurvan::loadSettings()
{
    const zz::settings::StoredSettings stored = zz::settings::load();
    if (stored.datei)
        m_dataFile.setDateiPfad(*stored.datei);
    if (stored.backup)
        m_dataFile.setBackupErstellen(*stored.backup);
    zz::ui::moveFrameWhenShown(*this, stored.left, stored.top);
}

// Drops a stored data file that is missing, read-only or reserved; sets the caption.
void TfrmLurvan::validateDataFile()
{
    const QString &stored = m_dataFile.DateiPfad();
    if (!stored.isEmpty() && zz::output::isReservedName(stored))
        m_chooser.forgetFileName();
    // Saving into it would wipe another data file's backup, and the next
    // backup of that file would wipe this one: said once the window is up.
    if (!stored.isEmpty() && zz::output::isBackupName(stored)) {
        QTimer::singleShot(0, this, [this] {
            QMessageBox::warning(zz::ui::messageParent(this), QStringLiteral("Warnung!"), zz::ui::backupNameWarning());
        });
    }
    if (!zz::output::isUsableDataFile(stored))
        m_dataFile.setDateiPfad(QString());
    showDataFile();
}

// Writes the data file, backup switch and window position, into an existing
// store only. A position the window system does not tell is not invented:
// the stored one stays.
void TfrmLurvan::saveSettings()
{
    std::optional<int> left;
    std::optional<int> top;
    if (zz::ui::positionsKnown()) {
        const QPoint frame = zz::ui::framePosition(*this);
        left = frame.x();
        top = frame.y();
    }
    zz::settings::save(m_dataFile.DateiPfad(), m_dataFile.BackupErstellen(), left, top);
}

zz::ui::SaveSender TfrmLurvan::saveSender(const QObject *sender) const
{
    if (sender == ui->mnuDatenSpeichernunter)
        return zz::ui::SaveSender::FourRingSaveAsMenu;
    return zz::ui::SaveSender::FourRing;
}

void TfrmLurvan::BitBtnSpeichernClick(QObject *sender)
{
    save(saveSender(sender));
}

void TfrmLurvan::acSpeichernunterExecute(QObject *sender)
{
    saveAs(saveSender(sender));
}

void TfrmLurvan::save(zz::ui::SaveSender from)
{
    using zz::ui::SaveSender;
    if (m_dataFile.DateiPfad().isEmpty()) {
        saveAs(SaveSender::FourRing);
        if (m_dataFile.DateiPfad().isEmpty())
            return;
    }
    while (QFileInfo::exists(m_dataFile.DateiPfad()) && zz::output::isReadOnly(m_dataFile.DateiPfad())) {
        m_dataFile.setDateiPfad(QString());
        const auto answer = QMessageBox::question(
            zz::ui::messageParent(this), QStringLiteral("Datei schreibgeschützt!"),
            QStringLiteral("Warnung! Diese Datei ist schreibgeschützt!\nMöchten Sie eine andere Datei auswählen?"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        if (answer != QMessageBox::Yes)
            return;
        saveAs(SaveSender::FourRing);
        if (m_dataFile.DateiPfad().isEmpty())
            return;
    }
    try {
        zz::output::appendEntry(m_dataFile.DateiPfad(), m_dataFile.BackupErstellen(),
                                from == SaveSender::FiveSixRing ? m_fiveSixRing->report() : report());
    } catch (const zz::output::DataFileError &e) {
        // Reported here, as the error report would, instead of unwinding
        // through Qt's event code, which is not built for exceptions.
        QMessageBox::critical(zz::ui::messageParent(this), QStringLiteral("Zedezedidor"), e.message());
    }
}

void TfrmLurvan::saveAs(zz::ui::SaveSender from)
{
    using Outcome = zz::ui::DataFileChoice::Outcome;
    const zz::ui::DataFileChoice choice = m_chooser.choose(m_dataFile.DateiPfad());
    if (choice.outcome == Outcome::Cancelled)
        return;
    if (choice.outcome == Outcome::Refused) {
        m_dataFile.setDateiPfad(QString());
        m_chooser.warnRefused();
        return;
    }
    m_dataFile.setDateiPfad(choice.path);
    // Only the two menu commands save at once; the button and the options
    // dialog just choose.
    if (from != zz::ui::SaveSender::FourRing)
        save(from);
}

void TfrmLurvan::mnuDatenSpeichernunterClick()
{
    saveAs(zz::ui::SaveSender::FourRingSaveAsMenu);
}

void TfrmLurvan::mnuBearbeitenOptionenClick()
{
    m_options->exec();
}

void TfrmLurvan::mnuBearbeitenFarbcodeSuchenClick()
{
    farbcodeSuchen(zz::ui::DecoderWindow::FourRing, 4);
}

void TfrmLurvan::farbcodeSuchen(zz::ui::DecoderWindow from, int rings)
{
    std::optional<zz::value::RingCode> code;
    {
        TfrmFarbcodeSuchen dialog(m_pictures, rings, &window(from));
        if (dialog.exec() == QDialog::Accepted)
            code = dialog.code();
    }
    if (code)
        takeOverCode(*code, from);
}

void TfrmLurvan::mnuBearbeitenFarbcodeAusFotoClick()
{
    farbcodeAusFoto(zz::ui::DecoderWindow::FourRing);
}

void TfrmLurvan::farbcodeAusFoto(zz::ui::DecoderWindow from)
{
    std::optional<zz::value::RingCode> code;
    {
        TfrmFarbcodeAusFoto dialog(&window(from));
        if (dialog.exec() == QDialog::Accepted)
            code = dialog.code();
    }
    if (code)
        takeOverCode(*code, from);
}

void TfrmLurvan::takeOverCode(const zz::value::RingCode &code, zz::ui::DecoderWindow from)
{
    const bool fromSecond = from == zz::ui::DecoderWindow::FiveSixRing;
    const auto &p = code.positions;
    if (code.window == zz::value::Window::FourRing) {
        pickRings({p[0], p[1], p[2], p[3]}, code.lastRingPresent);
        if (fromSecond)
            m_fiveSixRing->N56Ringe1Click();
    } else {
        m_fiveSixRing->pickRings(p, code.lastRingPresent);
        if (!fromSecond)
            N56Ringe1Click();
    }
}

void TfrmLurvan::mnuHilfeIhnaltClick()
{
    zz::help::showContents(this);
}

void TfrmLurvan::mnuHilfeIndexClick()
{
    zz::help::showIndex(this);
}

void TfrmLurvan::mnuHilfeReadmeClick()
{
    zz::help::openProgramDocument(QStringLiteral("Readme.txt"), this);
}

void TfrmLurvan::mnuLizenztxtClick()
{
    zz::help::openProgramDocument(QStringLiteral("Lizenz.txt"), this);
}

void TfrmLurvan::mnuHilfeUeberClick()
{
    m_about->exec();
}
