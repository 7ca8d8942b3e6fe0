#include "ui/OptionsDialog.h"
#include "ui_OptionsDialog.h"

#include "help/Help.h"
#include "output/DataFile.h"
#include "ui/DataFileChooser.h"
#include "ui/DataFileState.h"
#include "ui/UiCommon.h"

#include <QEvent>
#include <QShowEvent>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QShortcut>

namespace {

// The pictures are drawn on a 16-unit grid, so they stay sharp at any size.
QIcon drawnIcon(void (*draw)(QPainter &))
{
    QIcon icon;
    for (const int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        draw(p);
        icon.addPixmap(pixmap);
    }
    return icon;
}

void drawFolder(QPainter &p, qreal x, qreal y)
{
    QPainterPath folder;
    folder.moveTo(x, y + 1);
    folder.lineTo(x + 2.5, y + 1);
    folder.lineTo(x + 3.5, y);
    folder.lineTo(x + 6, y);
    folder.lineTo(x + 6, y + 5);
    folder.lineTo(x, y + 5);
    folder.closeSubpath();
    p.setPen(QPen(QColor(0x80, 0x60, 0x00), 0.8));
    p.setBrush(QColor(0xFF, 0xD7, 0x3C));
    p.drawPath(folder);
    p.setPen(QPen(QColor(0xFF, 0xF2, 0xA8), 0.6));
    p.drawLine(QPointF(x + 0.6, y + 2), QPointF(x + 5.4, y + 2));
}

// A small tree of yellow folders.
void drawFolderTree(QPainter &p)
{
    p.setPen(QPen(QColor(0x50, 0x50, 0x50), 0.9));
    p.drawLine(QPointF(3, 5.5), QPointF(3, 13.5));
    p.drawLine(QPointF(3, 8), QPointF(8.5, 8));
    p.drawLine(QPointF(3, 13.5), QPointF(8.5, 13.5));
    drawFolder(p, 0.5, 0.5);
    drawFolder(p, 9.5, 5.5);
    drawFolder(p, 9.5, 11);
}

// A red cross over a black exclamation mark.
void drawNoFile(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRect(QRectF(6.5, 1, 3, 9.5));
    p.drawRect(QRectF(6.5, 12, 3, 3));
    p.setPen(QPen(QColor(0xE0, 0x10, 0x10), 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(2, 2.5), QPointF(14, 13.5));
    p.drawLine(QPointF(14, 2.5), QPointF(2, 13.5));
}

// A long file name gives way before its extension, so the type stays readable.
QString elidedFileName(const QString &name, const QFontMetrics &metrics, int width)
{
    if (metrics.horizontalAdvance(name) <= width)
        return name;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    const int extensionWidth = metrics.horizontalAdvance(extension);
    if (extension.isEmpty() || extensionWidth > width / 2)
        return metrics.elidedText(name, Qt::ElideMiddle, width);
    return metrics.elidedText(name.left(dot), Qt::ElideRight, width - extensionWidth) + extension;
}

// Shows `text` shortened to the label with "…", the whole of `full` in its tool tip.
void showElided(QLabel *label, const QString &text, const QString &full, const QString &designTip, bool isFolder)
{
    const QFontMetrics metrics(label->font());
    const int width = label->contentsRect().width();
    label->setText(isFolder ? metrics.elidedText(text, Qt::ElideLeft, width)
                            : elidedFileName(text, metrics, width));
    label->setToolTip(full.isEmpty() ? designTip : designTip + QLatin1Char('\n') + full);
    // A screen reader gets the whole text; Qt would give it the designed name.
    label->setAccessibleName(text);
}

int helpContext(const QWidget *control)
{
    for (; control; control = control->parentWidget()) {
        const QVariant context = control->property("helpContext");
        if (context.isValid())
            return context.toInt();
    }
    return -1;
}

} // namespace

TfrmOptionen::TfrmOptionen(zz::ui::DataFileState &dataFile, zz::ui::DataFileChooser &chooser,
                           QWidget *parent)
    : QDialog(parent), ui(new Ui::TfrmOptionen), m_dataFile(dataFile), m_chooser(chooser)
{
    ui->setupUi(this);
    zz::ui::useDesignedFont(*this);
    m_fileTip = ui->labDatei->toolTip();
    m_folderTip = ui->labOrt->toolTip();
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    ui->bitbtnDurchsuchen->setIcon(drawnIcon(drawFolderTree));
    ui->btnKeineDatei->setIcon(drawnIcon(drawNoFile));

    connect(ui->cbxBackup, &QCheckBox::toggled, this, &TfrmOptionen::cbxBackupClick);
    connect(ui->bitbtnDurchsuchen, &QPushButton::clicked, this, &TfrmOptionen::bitbtnDurchsuchenClick);
    connect(ui->btnKeineDatei, &QPushButton::clicked, this, &TfrmOptionen::btnKeineDateiClick);
    connect(ui->bitbtnOk, &QPushButton::clicked, this, [this] {
        bitbtnOkClick();
        accept();
    });
    connect(ui->bitbtnAbbrechen, &QPushButton::clicked, this, &QDialog::reject);

    // Context help: F1 on the focused control, or the title bar's help button
    // followed by a click on a control.
    auto *f1 = new QShortcut(QKeySequence::HelpContents, this);
    connect(f1, &QShortcut::activated, this, [this] { showHelpFor(focusWidget()); });
    for (QWidget *control : {static_cast<QWidget *>(ui->bitbtnDurchsuchen), static_cast<QWidget *>(ui->cbxBackup),
                             static_cast<QWidget *>(ui->btnKeineDatei), static_cast<QWidget *>(ui->bitbtnOk),
                             static_cast<QWidget *>(ui->bitbtnAbbrechen)})
        control->installEventFilter(this);
}

TfrmOptionen::~TfrmOptionen()
{
    delete ui;
}

void TfrmOptionen::setVisible(bool visible)
{
    // Centred on the screen, not over the window that opened it.
    if (visible && !isVisible()) {
        const QWidget *owner = parentWidget() ? parentWidget() : &m_chooser.owner();
        const QScreen *screen = owner ? owner->screen() : this->screen();
        if (screen) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QDialog::setVisible(visible);
}

void TfrmOptionen::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

bool TfrmOptionen::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::QueryWhatsThis) {
        event->accept();
        return true;
    }
    if (event->type() == QEvent::WhatsThis) {
        showHelpFor(qobject_cast<QWidget *>(watched));
        event->accept();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// Abbrechen has context -1; the help shows its start page for it.
void TfrmOptionen::showHelpFor(const QWidget *control)
{
    zz::help::showContext(helpContext(control), this, control);
}

void TfrmOptionen::FormShow()
{
    NeuesBackup = m_dataFile.BackupErstellen();
    ui->cbxBackup->setChecked(NeuesBackup);
    NeuerDateiPfad = m_dataFile.DateiPfad();
    showPendingFile();
}

void TfrmOptionen::showPendingFile()
{
    const bool none = NeuerDateiPfad.isEmpty();
    showElided(ui->labDatei, none ? QStringLiteral("(keine Datei)") : zz::output::fileNamePart(NeuerDateiPfad),
               NeuerDateiPfad, m_fileTip, false);
    showElided(ui->labOrt, none ? QStringLiteral("?") : zz::output::folderPart(NeuerDateiPfad),
               none ? QString() : zz::output::folderPart(NeuerDateiPfad), m_folderTip, true);
}

void TfrmOptionen::cbxBackupClick()
{
    NeuesBackup = ui->cbxBackup->isChecked();
}

void TfrmOptionen::btnKeineDateiClick()
{
    NeuerDateiPfad.clear();
    showPendingFile();
}

// Only the pending path changes; cancelling the file dialog takes back the
// current data file, as choosing it again would.
void TfrmOptionen::bitbtnDurchsuchenClick()
{
    using Outcome = zz::ui::DataFileChoice::Outcome;
    const zz::ui::DataFileChoice choice = m_chooser.choose(m_dataFile.DateiPfad());
    if (choice.outcome == Outcome::Refused) {
        m_chooser.warnRefused();
        return;
    }
    const QString path = choice.outcome == Outcome::Chosen ? choice.path : m_dataFile.DateiPfad();
    if (!path.isEmpty()) {
        NeuerDateiPfad = path;
        showPendingFile();
    }
}

void TfrmOptionen::bitbtnOkClick()
{
    m_dataFile.setDateiPfad(NeuerDateiPfad);
    m_dataFile.setBackupErstellen(NeuesBackup);
}
