#pragma once

#include "ui/DataFileChooser.h"
#include "ui/DecoderCommands.h"
#include "ui/UiCommon.h"
#include "ui/RingPictures.h"
#include "value/Code.h"

#include <QMainWindow>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include <array>
#include <string>
#include <vector>

class QAction;
class QDialog;
class QLabel;
class RingComboBox;
class TfrmZedezedidor2;
namespace Ui { class TfrmLurvan; }
namespace zz::ui { class DataFileState; }

// The four-ring window: the main window. It carries out every save and Save
// As and the code search's "Übernehmen", and owns the save dialog and the
// ring pictures that both decoder windows use.
class TfrmLurvan final : public QMainWindow
{
    Q_OBJECT
public:
    explicit TfrmLurvan(zz::ui::DataFileState &dataFile, QWidget *parent = nullptr);
    ~TfrmLurvan() override;

    static constexpr int kRings = 4;   // with the last ring present

    double Wert = zz::ui::kStartValue;

    const RingPictures &pictures() const { return m_pictures; }

    // Sets rings 1-4 (list positions) and "Ring 4:" as the user picks them,
    // so the stripes, the evaluation and the labels follow. A ring 4 that is
    // switched off keeps its list's selection.
    void pickRings(const std::array<int, 4> &positions, bool ring4Present);

    // The four-ring report, read from the labels as they stand.
    std::vector<std::string> report() const;
    QStringList reportLines() const;

    // The save dialog, which the options dialog's "Durchsuchen..." uses too.
    zz::ui::DataFileChooser &fileChooser() { return m_chooser; }

    // The commands the five/six-ring window takes over from this window.
    zz::ui::SharedCommands sharedCommands();

    // The windows this one shows. They are made after it (they take its
    // pictures, commands and save dialog), so they are handed over once
    // they exist, before any is shown.
    struct ShownWindows {
        TfrmZedezedidor2 &fiveSixRing;
        QDialog &options;
        QDialog &about;
    };
    void setShownWindows(const ShownWindows &windows);

    // The designed handlers; the sender is told apart once, as a
    // zz::ui::SaveSender: this window's "Speichern unter..." item or any
    // other control of this window or the options dialog.
    void BitBtnSpeichernClick(QObject *sender);
    void acSpeichernunterExecute(QObject *sender);
    void mnuBearbeitenOptionenClick();
    void mnuBearbeitenFarbcodeSuchenClick();
    void mnuBearbeitenFarbcodeAusFotoClick();
    void mnuHilfeIhnaltClick();
    void mnuHilfeIndexClick();
    void mnuHilfeReadmeClick();
    void mnuLizenztxtClick();
    void mnuHilfeUeberClick();
    QAction *HelpOnHelp1 = nullptr;

    void N56Ringe1Click();
    void BitBtnBeendenClick();
    void BitBtnKopierenClick();
    void mnuDatenClick();
    void mnuDatenSpeichernunterClick();

    void acRechnenExecute();
    void acToleranzAuswertenExecute();

    RingComboBox *ringList(int ring) const;   // 1..4
    QLabel *pictureRing(int ring) const;      // 1..4

    // The application icon file, beside the executable.
    static QString iconFilePath();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    void FormClose();
    // Start-up steps that the settings store and the data file fill in.
    void loadSettings();
    void validateDataFile();
    void saveSettings();
    // Caption and "&Speichern" follow the data file.
    void showDataFile();
    zz::ui::SaveSender saveSender(const QObject *sender) const;
    // Appends the report of the sender's window to the data file.
    void save(zz::ui::SaveSender from);
    // Lets the user choose the data file; the sender decides whether a save follows.
    void saveAs(zz::ui::SaveSender from);
    QWidget &window(zz::ui::DecoderWindow which);
    // Shows the code search over the decoder window `from`, starting at
    // `rings` rings. On "Übernehmen" the rings go into the window for that
    // ring count as if picked there; when that is the other window, the
    // program switches to it as "5/6 Ringe" does.
    void farbcodeSuchen(zz::ui::DecoderWindow from, int rings);
    // Shows "Farbcode aus Foto" over the decoder window `from`; "Übernehmen"
    // sets the rings as the code search does.
    void farbcodeAusFoto(zz::ui::DecoderWindow from);
    // The rings of a code into the window for its ring count, as if picked
    // there, switching from `from` to that window when it is the other one.
    void takeOverCode(const zz::value::RingCode &code, zz::ui::DecoderWindow from);
    void checkIconFile();
    void fillLists();
    void connectHandlers();
    void ringChanged(int ring);
    void cbxRing4Click();
    // The results as the ring lists' description; spoken after a change on screen.
    void describeResults();

    Ui::TfrmLurvan *ui;
    zz::ui::DataFileState &m_dataFile;
    zz::ui::DataFileChooser m_chooser;
    RingPictures m_pictures;
    TfrmZedezedidor2 *m_fiveSixRing = nullptr;
    QDialog *m_options = nullptr;
    QDialog *m_about = nullptr;
};
