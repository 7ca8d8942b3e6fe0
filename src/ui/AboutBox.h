#pragma once

#include <QDialog>

namespace Ui { class TfrmAboutBox; }

// The about box: product name, version, copyright and the maker's links.
class TfrmAboutBox final : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmAboutBox(QWidget *parent = nullptr);
    ~TfrmAboutBox() override;

private:
    Ui::TfrmAboutBox *ui;
};
