#pragma once

#include "ui/DecoderCommands.h"
#include "ui/UiCommon.h"

#include <QMainWindow>

#include <array>
#include <string>
#include <vector>

class QEventLoop;
class QLabel;
class RingComboBox;
class RingPictures;
namespace Ui { class TfrmZedezedidor2; }
namespace zz::ui { class DataFileState; }

// The five/six-ring window. Shown modally while the four-ring window waits
// hidden; file, settings, help and about commands go to the four-ring window.
class TfrmZedezedidor2 final : public QMainWindow
{
    Q_OBJECT
public:
    // What this window takes from the four-ring window, which it does not
    // know otherwise.
    struct FourRing {
        QWidget &window;                      // the place is handed over on each switch
        const RingPictures &pictures;
        zz::ui::SharedCommands commands;
    };

    TfrmZedezedidor2(FourRing fourRing, zz::ui::DataFileState &dataFile, QWidget *parent = nullptr);
    ~TfrmZedezedidor2() override;

    static constexpr int kRings = 6;   // with the last ring present

    double Wert = zz::ui::kStartValue;
    // True when the user left with "5/6 Ringe" to go back to the four-ring window.
    bool Zurueck = false;

    // Shows the window and returns when it closes.
    void showModal();

    std::vector<std::string> report() const;

    // Sets rings 1-6 (list positions) and "Ring 6:" as the user picks them,
    // so the stripes, the evaluation and the labels follow. A ring 6 that is
    // switched off keeps its list's selection.
    void pickRings(const std::array<int, 6> &positions, bool ring6Present);

    void N56Ringe1Click();
    void BitBtnBeendenClick();
    void BitBtnKopierenClick();
    void mnuDatenClick();
    // Always saves this window's report, whichever control started it.
    void BitBtnSpeichernClick(QObject *sender = nullptr);
    void mnuDatenSpeichernunterClick();
    void mnuBearbeitenOptionenClick();
    void mnuBearbeitenFarbcodeSuchenClick();
    void mnuBearbeitenFarbcodeAusFotoClick();
    void mnuHilfeInhaltClick();
    void mnuHilfeIndexClick();
    void mnuHilfeReadmeClick();
    void mnuLizenztxtClick();
    void mnuHilfeUeberClick();

    void acRechnenExecute();
    void acToleranzAuswertenExecute();

    RingComboBox *ringList(int ring) const;   // 1..6
    QLabel *pictureRing(int ring) const;      // 1..6

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void FormShow();
    void showDataFile();
    void fillLists();
    void connectHandlers();
    void ringChanged(int ring);
    void cbxRing6Click();
    // The results as the ring lists' description; spoken after a change on screen.
    void describeResults();

    Ui::TfrmZedezedidor2 *ui;
    FourRing m_fourRing;
    zz::ui::DataFileState &m_dataFile;
    QEventLoop *m_modalLoop = nullptr;
};
