#pragma once

#include "ui/DataFileChooser.h"
#include "ui/DecoderCommands.h"

#include <QMainWindow>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include <array>
#include <string>
#include <vector>

class QAction;
class QLabel;
class RingComboBox;
namespace Ui { class TfrmLurvan; }
namespace zz::ui { class DataFileState; }

// The four-ring window: the main window. It carries out every save and Save
// As, and owns the save dialog and the swatch and stripe pictures that both
// decoder windows use.
class TfrmLurvan final : public QMainWindow
{
    Q_OBJECT
public:
    explicit TfrmLurvan(zz::ui::DataFileState &dataFile, QWidget *parent = nullptr);
    ~TfrmLurvan() override;

    double Wert = 470;

    // Swatch of a colour (zz::decode::Colour) as the lists show it, and the
    // picture-ring stripe of that colour.
    const QPixmap &swatch(int colour) const;
    const QPixmap &stripe(int colour) const;

    // The four-ring report, read from the labels as they stand.
    std::vector<std::string> report() const;
    QStringList reportLines() const;

    // The save dialog, which the options dialog's "Durchsuchen..." uses too.
    zz::ui::DataFileChooser &fileChooser() { return m_chooser; }

    // The commands the five/six-ring window takes over from this window.
    zz::ui::SharedCommands sharedCommands();

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
    void checkIconFile();
    void makePictures();
    void fillLists();
    void connectHandlers();
    void ringChanged(int ring);
    void cbxRing4Click();

    Ui::TfrmLurvan *ui;
    zz::ui::DataFileState &m_dataFile;
    zz::ui::DataFileChooser m_chooser;
    std::array<QPixmap, 12> m_swatches;
    std::array<QPixmap, 12> m_stripes;
};
