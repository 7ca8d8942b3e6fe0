#pragma once

#include <QDialog>

namespace Ui { class TfrmOptionen; }

// The options dialog: data file and backup switch.
class TfrmOptionen final : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmOptionen(QWidget *parent = nullptr);
    ~TfrmOptionen() override;

private:
    Ui::TfrmOptionen *ui;
};
