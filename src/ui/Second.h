#pragma once

#include <QMainWindow>
#include <QStringList>

#include <array>
#include <string>
#include <vector>

class QEventLoop;
class QLabel;
class RingComboBox;
class TfrmLurvan;
namespace Ui { class TfrmZedezedidor2; }

// The five/six-ring window. Shown modally while the four-ring window waits
// hidden; file, settings, help and about commands go to the four-ring window.
class TfrmZedezedidor2 final : public QMainWindow
{
    Q_OBJECT
public:
    explicit TfrmZedezedidor2(TfrmLurvan &lurvan, QWidget *parent = nullptr);
    ~TfrmZedezedidor2() override;

    double Wert = 470;
    // True when the user left with "5/6 Ringe" to go back to the four-ring window.
    bool Zurueck = false;

    // Shows the window and returns when it closes.
    void showModal();

    std::vector<std::string> report() const;
    QStringList reportLines() const;

    // Sets rings 1-6 (list positions) and "Ring 6:" as the user picks them,
    // so the stripes, the evaluation and the labels follow. A ring 6 that is
    // switched off keeps its list's selection.
    void pickRings(const std::array<int, 6> &positions, bool ring6Present);

    void N56Ringe1Click();
    void BitBtnBeendenClick();
    void BitBtnKopierenClick();
    void mnuDatenClick();
    void BitBtnSpeichernClick();
    void mnuDatenSpeichernunterClick();
    void mnuBearbeitenOptionenClick();
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
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void FormShow();
    void fillLists();
    void connectHandlers();
    void ringChanged(int ring);
    void cbxRing6Click();

    Ui::TfrmZedezedidor2 *ui;
    TfrmLurvan &m_lurvan;
    QEventLoop *m_modalLoop = nullptr;
};
