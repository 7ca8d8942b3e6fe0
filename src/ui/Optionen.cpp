#include "ui/Optionen.h"
#include "ui_Optionen.h"

TfrmOptionen::TfrmOptionen(QWidget *parent)
    : QDialog(parent), ui(new Ui::TfrmOptionen)
{
    ui->setupUi(this);
}

TfrmOptionen::~TfrmOptionen()
{
    delete ui;
}
