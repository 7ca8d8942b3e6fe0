#pragma once

#include <QDialog>
#include <QString>

namespace Ui { class TfrmOptionen; }
namespace zz::ui {
class DataFileChooser;
class DataFileState;
}

// The options dialog: data file and backup switch. It edits pending copies
// and hands them to the data-file state only on OK.
class TfrmOptionen final : public QDialog
{
    Q_OBJECT
public:
    TfrmOptionen(zz::ui::DataFileState &dataFile, zz::ui::DataFileChooser &chooser,
                 QWidget *parent = nullptr);
    ~TfrmOptionen() override;

    QString NeuerDateiPfad;
    bool NeuesBackup = false;

    void cbxBackupClick();
    void bitbtnDurchsuchenClick();
    void btnKeineDateiClick();
    void bitbtnOkClick();

    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormShow();
    void showPendingFile();
    void showHelpFor(const QWidget *control);

    Ui::TfrmOptionen *ui;
    zz::ui::DataFileState &m_dataFile;
    zz::ui::DataFileChooser &m_chooser;
    QString m_fileTip;    // the design's tool tips; the path is added below them
    QString m_folderTip;
};
