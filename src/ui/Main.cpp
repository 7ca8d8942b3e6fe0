#include "ui/Main.h"
#include "ui_Main.h"

#include "decode/Decode.h"
#include "help/Help.h"
#include "output/DataFile.h"
#include "output/Report.h"
#include "settings/Settings.h"
#include "ui/AboutBox.h"
#include "ui/FarbcodeSuchen.h"
#include "ui/Optionen.h"
#include "ui/RingComboBox.h"
#include "ui/Second.h"
#include "ui/UiCommon.h"
#include "ui/Windows.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>

namespace dc = zz::decode;

TfrmLurvan::TfrmLurvan(QWidget *parent)
    : QMainWindow(parent), ui(new Ui::TfrmLurvan)
{
    ui->setupUi(this);
    zz::ui::fixWindowFrame(*this, *ui->ClientArea, {ui->Bevel1, ui->BitBtnBeenden,
                           ui->BitBtnKopieren, ui->BitBtnSpeichern});
    zz::ui::nameSeparators(*ui->mnuDaten, {"N1", "N3"});
    zz::ui::nameSeparators(*ui->mnuBearbeiten, {"N4"});
    zz::ui::nameSeparators(*ui->mnuHilfe, {"N5", "N2"});
    HelpOnHelp1 = ui->HelpOnHelp1;
    FormCreate();
    connectHandlers();
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
    for (int ring = 1; ring <= 4; ++ring) {
        ringList(ring)->setCurrentIndex(start[size_t(ring - 1)]);
        pictureRing(ring)->setPixmap(stripe(ringList(ring)->colourAt(start[size_t(ring - 1)])));
    }
    Wert = 470;
    DateiPfad.clear();
    BackupErstellen = true;
    LoadSettings();
    ValidateDataFile();
    mnuDatenClick();
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

const QPixmap &TfrmLurvan::swatch(int colour) const
{
    return m_pictures.swatch(colour);
}

const QPixmap &TfrmLurvan::stripe(int colour) const
{
    return m_pictures.stripe(colour);
}

void TfrmLurvan::fillLists()
{
    const auto add = [this](RingComboBox *list, std::span<const dc::Colour> colours) {
        for (dc::Colour c : colours)
            list->addEntry(QString::fromUtf8(dc::colourInfo(c).name), swatch(int(c)), int(c));
    };
    add(ui->combFarbe, dc::baseList());
    ui->combRing2->copyEntriesFrom(*ui->combFarbe);
    add(ui->combRing3, dc::multiplierList());
    add(ui->combRing4, dc::fourRingToleranceList());
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
    for (int ring = 1; ring <= 4; ++ring)
        connect(ringList(ring), &QComboBox::activated, this, [this, ring] { ringChanged(ring); });
    connect(ui->cbxRing4, &QCheckBox::clicked, this, &TfrmLurvan::cbxRing4Click);
    connect(ui->acRechnen, &QAction::triggered, this, &TfrmLurvan::acRechnenExecute);
    connect(ui->acToleranzAuswerten, &QAction::triggered, this,
            &TfrmLurvan::acToleranzAuswertenExecute);

    connect(ui->BitBtnBeenden, &QPushButton::clicked, this, &TfrmLurvan::BitBtnBeendenClick);
    connect(ui->mnuDatenBeenden, &QAction::triggered, this, &TfrmLurvan::BitBtnBeendenClick);
    connect(ui->acBeenden, &QAction::triggered, this, [this] {
        if (!zz::ui::closeOpenPopup())
            ui->BitBtnBeenden->click();
    });
    connect(ui->BitBtnKopieren, &QPushButton::clicked, this, &TfrmLurvan::BitBtnKopierenClick);
    connect(ui->mnuBearbeitenKopieren, &QAction::triggered, this,
            &TfrmLurvan::BitBtnKopierenClick);
    connect(ui->BitBtnSpeichern, &QPushButton::clicked, this,
            [this] { BitBtnSpeichernClick(ui->BitBtnSpeichern); });
    connect(ui->mnuDatenSpeichern, &QAction::triggered, this,
            [this] { BitBtnSpeichernClick(ui->mnuDatenSpeichern); });
    connect(ui->mnuDatenSpeichernunter, &QAction::triggered, this,
            &TfrmLurvan::mnuDatenSpeichernunterClick);
    connect(ui->acSpeichernunter, &QAction::triggered, this,
            [this] { acSpeichernunterExecute(ui->acSpeichernunter); });
    connect(ui->N56Ringe1, &QAction::triggered, this, &TfrmLurvan::N56Ringe1Click);
    connect(ui->mnuDaten, &QMenu::aboutToShow, this, &TfrmLurvan::mnuDatenClick);

    connect(ui->mnuBearbeitenOptionen, &QAction::triggered, this,
            &TfrmLurvan::mnuBearbeitenOptionenClick);
    connect(ui->mnuBearbeitenFarbcodeSuchen, &QAction::triggered, this,
            [this] { zz::ui::farbcodeSuchen(this); });
    connect(ui->mnuHilfeIhnalt, &QAction::triggered, this, &TfrmLurvan::mnuHilfeIhnaltClick);
    connect(ui->mnuHilfeIndex, &QAction::triggered, this, &TfrmLurvan::mnuHilfeIndexClick);
    connect(ui->mnuHilfeBenutzung, &QAction::triggered, HelpOnHelp1, &QAction::trigger);
    connect(HelpOnHelp1, &QAction::triggered, this, [this] { zz::help::showHelpOnHelp(this); });
    connect(ui->mnuHilfeReadme, &QAction::triggered, this, &TfrmLurvan::mnuHilfeReadmeClick);
    connect(ui->mnuLizenztxt, &QAction::triggered, this, &TfrmLurvan::mnuLizenztxtClick);
    connect(ui->mnuHilfeUeber, &QAction::triggered, this, &TfrmLurvan::mnuHilfeUeberClick);
}

void TfrmLurvan::ringChanged(int ring)
{
    RingComboBox *list = ringList(ring);
    const int colour = list->colourAt(list->currentIndex());
    if (colour >= 0)
        pictureRing(ring)->setPixmap(stripe(colour));
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
    for (int ring = 1; ring <= (ring4Present ? 4 : 3); ++ring) {
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

void TfrmLurvan::setDataFileCaption()
{
    setWindowTitle(zz::output::dataFileCaption(DateiPfad));
}

void TfrmLurvan::mnuDatenClick()
{
    ui->mnuDatenSpeichern->setEnabled(!DateiPfad.isEmpty());
}

void TfrmLurvan::N56Ringe1Click()
{
    TfrmZedezedidor2 *second = frmZedezedidor2;
    zz::ui::handOverPosition(*this, *second);
    hide();
    second->showModal();
    zz::ui::handOverPosition(*second, *this);
    if (second->Zurueck)
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

// The caption changes whenever the data file comes or goes, so "&Speichern"
// and its Ctrl+S follow the data file at once, not only when the menu opens.
void TfrmLurvan::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::WindowTitleChange)
        mnuDatenClick();
    QMainWindow::changeEvent(event);
}

void TfrmLurvan::FormClose()
{
    SaveSettings();
}

namespace {

// QFileDialog ignores an empty selectFile(), so its name field and the list
// selection (which would win over the name) are cleared directly.
void clearFileName(QFileDialog *dialog)
{
    if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
        name->clear();
    for (auto *view : dialog->findChildren<QAbstractItemView *>()) {
        if (view->selectionModel())
            view->selectionModel()->clearSelection();
    }
}

} // namespace

// Reads the stored data file, backup switch and window position; each only
// when it is stored, and the position as stored, even far off the screen.
void TfrmLurvan::LoadSettings()
{
    const zz::settings::StoredSettings stored = zz::settings::load();
    if (stored.datei)
        DateiPfad = *stored.datei;
    if (stored.backup)
        BackupErstellen = *stored.backup;
    zz::ui::moveFrameWhenShown(*this, stored.left, stored.top);
}

// Drops a stored data file that is missing, read-only or reserved; sets the caption.
void TfrmLurvan::ValidateDataFile()
{
    if (!DateiPfad.isEmpty() && zz::output::isReservedName(DateiPfad))
        clearFileName(saveDialog());
    if (!zz::output::isUsableDataFile(DateiPfad))
        DateiPfad.clear();
    setDataFileCaption();
}

// Writes the data file, backup switch and window position, into an existing store only.
void TfrmLurvan::SaveSettings()
{
    const QPoint frame = zz::ui::framePosition(*this);
    zz::settings::save(DateiPfad, BackupErstellen, frame.x(), frame.y());
}

QFileDialog *TfrmLurvan::saveDialog()
{
    if (!m_saveDialog) {
        // Qt's own dialog, so it looks the same everywhere and keeps its state.
        m_saveDialog = new QFileDialog(this, QStringLiteral("Speichern unter..."));
        m_saveDialog->setObjectName(QStringLiteral("SaveDialog"));
        m_saveDialog->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
        m_saveDialog->setAcceptMode(QFileDialog::AcceptSave);
        m_saveDialog->setFileMode(QFileDialog::AnyFile);
        m_saveDialog->setNameFilter(QStringLiteral("Textdatei (*.txt)"));
        m_saveDialog->setDefaultSuffix(QStringLiteral("txt"));
    }
    return m_saveDialog;
}

namespace {

// Message boxes belong to the decoder window on screen; the four-ring window
// may be hidden behind the five/six-ring window.
QWidget *messageParent(QWidget *fallback)
{
    if (QWidget *active = QApplication::activeWindow())
        return active;
    return fallback;
}

} // namespace

// Appends the report of the sender's window to the data file.
void TfrmLurvan::BitBtnSpeichernClick(QObject *sender)
{
    if (DateiPfad.isEmpty()) {
        acSpeichernunterExecute(ui->BitBtnSpeichern);
        if (DateiPfad.isEmpty())
            return;
    }
    while (QFileInfo::exists(DateiPfad) && zz::output::isReadOnly(DateiPfad)) {
        DateiPfad.clear();
        setWindowTitle(QStringLiteral("Zedezedidor"));
        const auto answer = QMessageBox::question(
            messageParent(this), QStringLiteral("Datei schreibgeschützt!"),
            QStringLiteral("Warnung! Diese Datei ist schreibgeschützt!\nMöchten Sie eine andere Datei auswählen?"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        if (answer != QMessageBox::Yes)
            return;
        acSpeichernunterExecute(ui->BitBtnSpeichern);
        if (DateiPfad.isEmpty())
            return;
    }
    const bool second = frmZedezedidor2 && sender == frmZedezedidor2;
    try {
        zz::output::appendEntry(DateiPfad, BackupErstellen, second ? frmZedezedidor2->report() : report());
    } catch (const zz::output::DataFileError &e) {
        // Reported here, as the error report would, instead of unwinding
        // through Qt's event code, which is not built for exceptions.
        QMessageBox::critical(messageParent(this), QStringLiteral("Zedezedidor"), e.message());
        return;
    }
    setDataFileCaption();
    if (frmZedezedidor2)
        frmZedezedidor2->setWindowTitle(windowTitle());
}

// Lets the user choose the data file; the sender decides whether a save follows.
void TfrmLurvan::acSpeichernunterExecute(QObject *sender)
{
    QFileDialog *dialog = saveDialog();
    if (!DateiPfad.isEmpty())
        dialog->selectFile(DateiPfad);
    if (dialog->exec() != QDialog::Accepted)
        return;
    const QString chosen = dialog->selectedFiles().value(0);
    if (chosen.isEmpty())
        return;

    if (zz::output::isReservedName(chosen)) {
        DateiPfad.clear();
        clearFileName(dialog);
        setWindowTitle(QStringLiteral("Zedezedidor"));
        QMessageBox::warning(messageParent(this), QStringLiteral("Warnung!"),
                             QStringLiteral("Diese Datei kann nicht verwendet werden!"));
        return;
    }
    DateiPfad = chosen;
    setDataFileCaption();
    // Only the two menu commands save at once; the button and the options
    // dialog just choose.
    if (sender == ui->mnuDatenSpeichernunter || (frmZedezedidor2 && sender == frmZedezedidor2))
        BitBtnSpeichernClick(sender);
}

void TfrmLurvan::mnuDatenSpeichernunterClick()
{
    acSpeichernunterExecute(ui->mnuDatenSpeichernunter);
}

// Shows the options dialog.
void TfrmLurvan::mnuBearbeitenOptionenClick()
{
    frmOptionen->exec();
}

// Opens the help on its contents page.
void TfrmLurvan::mnuHilfeIhnaltClick()
{
    zz::help::showContents(this);
}

// Opens the help on its index.
void TfrmLurvan::mnuHilfeIndexClick()
{
    zz::help::showIndex(this);
}

// Opens Readme.txt beside the program.
void TfrmLurvan::mnuHilfeReadmeClick()
{
    zz::help::openProgramDocument(QStringLiteral("Readme.txt"), this);
}

// Opens Lizenz.txt beside the program.
void TfrmLurvan::mnuLizenztxtClick()
{
    zz::help::openProgramDocument(QStringLiteral("Lizenz.txt"), this);
}

// Shows the about box.
void TfrmLurvan::mnuHilfeUeberClick()
{
    frmAboutBox->exec();
}
