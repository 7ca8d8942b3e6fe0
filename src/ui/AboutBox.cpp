#include "ui/AboutBox.h"
#include "ui_AboutBox.h"

TfrmAboutBox::TfrmAboutBox(QWidget *parent)
    : QDialog(parent), ui(new Ui::TfrmAboutBox)
{
    ui->setupUi(this);
}

TfrmAboutBox::~TfrmAboutBox()
{
    delete ui;
}
