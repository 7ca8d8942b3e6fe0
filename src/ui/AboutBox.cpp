#include "ui/AboutBox.h"
#include "ui_AboutBox.h"

#include "ui/Accessibility.h"

#include <QFont>
#include <QDesktopServices>
#include <QPushButton>
#include <QMouseEvent>
#include <QScreen>

TfrmAboutBox::TfrmAboutBox(QWidget *parent)
    : QDialog(parent), ui(new Ui::TfrmAboutBox)
{
    ui->setupUi(this);
    // A fixed box with only the close button in its title bar.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(298, 196);
    // Designer forms know only point sizes; the name is drawn 13 pixels high.
    QFont productFont = ui->ProductName->font();
    productFont.setPixelSize(13);
    productFont.setBold(true);
    ui->ProductName->setFont(productFont);

    // The captions react like the addresses beside them.
    for (QLabel *label : {ui->labCk, ui->Label2, ui->labHP, ui->Label1})
        label->installEventFilter(this);
    connect(ui->BitBtn1, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Tab reaches the links too, and Enter or Space follows them.
    zz::ui::makeKeyboardLink(*ui->labCk, [this] { labCkClick(); });
    zz::ui::makeKeyboardLink(*ui->labHP, [this] { labHPClick(); });
}

TfrmAboutBox::~TfrmAboutBox()
{
    delete ui;
}

void TfrmAboutBox::labCkClick()
{
    // No mail program is no error worth a message.
    QDesktopServices::openUrl(MailLink);
}

void TfrmAboutBox::labHPClick()
{
    QDesktopServices::openUrl(HomepageLink);
}

bool TfrmAboutBox::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (watched == ui->labCk || watched == ui->Label2) {
            labCkClick();
            return true;
        }
        if (watched == ui->labHP || watched == ui->Label1) {
            labHPClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmAboutBox::showEvent(QShowEvent *event)
{
    // The standard Close button looks its picture up in the desktop's icon
    // theme, which costs more than building both decoder windows; the box is
    // created at start-up but gets the button only when it is first shown.
    if (ui->BitBtn1->buttons().isEmpty()) {
        ui->BitBtn1->setStandardButtons(QDialogButtonBox::Close);
        QWidget::setTabOrder(ui->BitBtn1->button(QDialogButtonBox::Close), ui->labCk);
        QWidget::setTabOrder(ui->labCk, ui->labHP);
    }
    // The box opens on its button, as before the links took the focus: Enter closes it.
    ui->BitBtn1->button(QDialogButtonBox::Close)->setFocus();
    // Centred on the screen each time, whoever opened it.
    const QScreen *screen = parentWidget() ? parentWidget()->screen() : this->screen();
    if (screen) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
}
