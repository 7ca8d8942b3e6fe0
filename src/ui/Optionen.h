#pragma once

#include <QDialog>
#include <QString>

namespace Ui { class TfrmOptionen; }

// The options dialog: data file and backup switch. It edits pending copies
// and hands them to the four-ring window only on OK.
class TfrmOptionen final : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmOptionen(QWidget *parent = nullptr);
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
    QString m_fileTip;    // the design's tool tips; the path is added below them
    QString m_folderTip;
};
