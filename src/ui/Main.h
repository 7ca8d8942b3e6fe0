#pragma once

#include "ui/RingPictures.h"

#include <QMainWindow>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include <array>
#include <string>
#include <vector>

class QAction;
class QFileDialog;
class QLabel;
class RingComboBox;
namespace Ui { class TfrmLurvan; }

// The four-ring window: the main window. It owns the data-file state and the
// swatch and stripe pictures that both decoder windows use.
class TfrmLurvan final : public QMainWindow
{
    Q_OBJECT
public:
    explicit TfrmLurvan(QWidget *parent = nullptr);
    ~TfrmLurvan() override;

    double Wert = 470;
    bool BackupErstellen = true;
    QString DateiPfad;

    // Swatch of a colour (zz::decode::Colour) as the lists show it, and the
    // picture-ring stripe of that colour.
    const QPixmap &swatch(int colour) const;
    const QPixmap &stripe(int colour) const;
    const RingPictures &pictures() const { return m_pictures; }

    // Sets rings 1-4 (list positions) and "Ring 4:" as the user picks them,
    // so the stripes, the evaluation and the labels follow. A ring 4 that is
    // switched off keeps its list's selection.
    void pickRings(const std::array<int, 4> &positions, bool ring4Present);

    // The four-ring report, read from the labels as they stand.
    std::vector<std::string> report() const;
    QStringList reportLines() const;

    // "Zedezedidor" without a data file, else "Zedezedidor - [name]".
    void setDataFileCaption();

    // Entry points that the five/six-ring window and the options dialog call.
    void BitBtnSpeichernClick(QObject *sender);
    void acSpeichernunterExecute(QObject *sender);
    void mnuBearbeitenOptionenClick();
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

    void acRechnenExecute();
    void acToleranzAuswertenExecute();

    RingComboBox *ringList(int ring) const;   // 1..4
    QLabel *pictureRing(int ring) const;      // 1..4

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void FormCreate();
    void FormClose();
    // Start-up steps that the settings store and the data file fill in.
    void LoadSettings();
    void ValidateDataFile();
    void SaveSettings();
    // The save dialog, made on first use; it keeps its file name from one use to the next.
    QFileDialog *saveDialog();
    QFileDialog *m_saveDialog = nullptr;

    void checkIconFile();

public:
    // The application icon file, beside the executable.
    static QString iconFilePath();

private:
    void fillLists();
    void connectHandlers();
    void ringChanged(int ring);
    void cbxRing4Click();
    void mnuDatenSpeichernunterClick();

    Ui::TfrmLurvan *ui;
    RingPictures m_pictures;
};
