#include "ui/AboutBox.h"
#include "ui_AboutBox.h"

#include "help/Colours.h"
#include "ui/Accessibility.h"
#include "ui/UiCommon.h"

#include <QFont>
#include <QDesktopServices>
#include <QPushButton>
#include <QMouseEvent>
#include <QScreen>

TfrmAboutBox::TfrmAboutBox(QWidget *parent)
    : QDialog(parent), ui(new Ui::TfrmAboutBox)
{
    ui->setupUi(this);
    ui->Version->setText(QStringLiteral("Version " ZZ_VERSION));
    // A fixed box with only the close button in its title bar.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(298, 196);
    zz::ui::useDesignedFont(*this);
    // The links' colour is chosen against the palette when the box is shown,
    // not by the form's style sheet, which also cut them off from the box's font.
    QFont linkFont = font();
    linkFont.setUnderline(true);
    for (QLabel *label : {ui->labCk, ui->labHP}) {
        label->setStyleSheet(QString());
        label->setFont(linkFont);
    }
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
    // The links' designed blue, unless the desktop's colour scheme gives a
    // background it cannot be read on.
    const QColor link = zz::help::readableOn(QColor(Qt::blue), palette().color(QPalette::Window),
                                             palette().color(QPalette::WindowText));
    for (QLabel *label : {ui->labCk, ui->labHP}) {
        QPalette colours = label->palette();
        colours.setColor(QPalette::WindowText, link);
        label->setPalette(colours);
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
