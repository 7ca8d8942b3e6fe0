#include "ui/FarbcodeAusFoto.h"
#include "ui_FarbcodeAusFoto.h"

#include "decode/Decode.h"
#include "help/Help.h"
#include "ui/PhotoEngine.h"
#include "ui/UiCommon.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeData>
#include <QPixmap>
#include <QShortcut>

#include <algorithm>
#include <array>
#include <cmath>

namespace dc = zz::decode;
namespace zp = zz::photo;
namespace zv = zz::value;

namespace {

constexpr int kMaxRings = 6;
// Below this the dialog calls the reading unsure and asks the user to check.
constexpr double kSureReading = 0.85;
// A ring whose best colour is below this is asked about ("Braun oder Rot?").
constexpr double kSureRing = 0.8;
// A colour's chance is shown beside it in the ring's list once it rounds to 1 %.
constexpr double kShownChance = 0.005;

const QString kStartText = QStringLiteral(
    "Öffnen Sie ein Foto, fügen Sie es mit Strg+V ein oder ziehen Sie es in dieses Fenster.");
const QString kDrawText = QStringLiteral(
    "Ziehen Sie im Foto eine Linie von einem Ende des Widerstands zum anderen.");

QString colourName(dc::Colour c)
{
    return QString::fromUtf8(dc::colourInfo(c).name);
}

QString percent(double p)
{
    return QStringLiteral("%1 %").arg(std::lround(std::clamp(p, 0.0, 1.0) * 100));
}

QString codeText(const std::vector<dc::Colour> &colours)
{
    QStringList names;
    for (dc::Colour c : colours)
        names << colourName(c);
    return names.join(QStringLiteral(" - "));
}

QPixmap swatch(dc::Colour c)
{
    const auto rgb = dc::colourInfo(c).rgb;
    QPixmap p(16, 12);
    p.fill(QColor(rgb.r, rgb.g, rgb.b));
    return p;
}

// Asked when the best colour is not clear; the other is the likeliest one not shown.
QString uncertainQuestion(const zp::FoundRing &found, dc::Colour colour)
{
    if (found.chances.empty() || found.chances.front().probability >= kSureRing)
        return QString();
    for (const zp::ColourChance &chance : found.chances)
        if (chance.colour != colour)
            return colourName(colour) + QStringLiteral(" oder ") + colourName(chance.colour) + QLatin1Char('?');
    return QString();
}

// Busy cursor while a photo is read; reading takes a noticeable moment.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

} // namespace

TfrmFarbcodeAusFoto::TfrmFarbcodeAusFoto(QWidget *parent)
    : QDialog(parent), ui(new Ui::TfrmFarbcodeAusFoto)
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    ui->labBericht->setMinimumWidth(ui->labBericht->fontMetrics().horizontalAdvance(
        QStringLiteral("Farbcode: Violett - Violett - Violett - Violett - Violett - Violett")));
    ui->labMeldung->setMinimumHeight(3 * ui->labMeldung->fontMetrics().lineSpacing());
    for (int ring = 0; ring < kMaxRings; ++ring) {
        QComboBox *list = ringList(ring);
        // Room for the longest entry with its chance, "Violett (100 %)".
        list->setMinimumContentsLength(15);
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        for (int c = 0; c < dc::kColourCount; ++c)
            list->addItem(swatch(dc::Colour(c)), colourName(dc::Colour(c)), c);
        connect(list, &QComboBox::activated, this, [this, ring] { ringPicked(ring); });
    }

    connect(ui->btnOeffnen, &QPushButton::clicked, this, &TfrmFarbcodeAusFoto::chooseFile);
    connect(ui->btnEinfuegen, &QPushButton::clicked, this, &TfrmFarbcodeAusFoto::paste);
    connect(ui->btnRichtung, &QPushButton::clicked, this, &TfrmFarbcodeAusFoto::swapDirection);
    connect(ui->btnLinie, &QPushButton::toggled, this, [this](bool on) {
        ui->imgFoto->setDrawing(on);
        if (on)
            ui->labMeldung->setText(kDrawText);
    });
    connect(ui->imgFoto, &PhotoView::lineDrawn, this, &TfrmFarbcodeAusFoto::readAlong);
    connect(ui->lstKandidaten, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0 || row == m_chosen || size_t(row) >= m_reading.candidates.size())
            return;
        m_chosen = row;
        showChosen();
    });
    connect(ui->btnUebernehmen, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->btnSchliessen, &QPushButton::clicked, this, &QDialog::reject);
    auto *pasteKey = new QShortcut(QKeySequence::Paste, this);
    connect(pasteKey, &QShortcut::activated, this, &TfrmFarbcodeAusFoto::paste);
    auto *f1 = new QShortcut(QKeySequence::HelpContents, this);
    connect(f1, &QShortcut::activated, this, [this] { zz::help::showTopic(QStringLiteral("zz.foto"), this); });

    showReading();
    ui->labMeldung->setText(kStartText);
    ui->btnOeffnen->setFocus();
}

TfrmFarbcodeAusFoto::~TfrmFarbcodeAusFoto()
{
    delete ui;
}

std::optional<zv::RingCode> TfrmFarbcodeAusFoto::code() const
{
    if (!m_reading.found || m_chosen < 0 || size_t(m_chosen) >= m_reading.candidates.size())
        return std::nullopt;
    return m_reading.candidates[size_t(m_chosen)].code;
}

QComboBox *TfrmFarbcodeAusFoto::ringList(int ring) const
{
    const std::array<QComboBox *, kMaxRings> lists{ui->combRing1, ui->combRing2, ui->combRing3,
                                                   ui->combRing4, ui->combRing5, ui->combRing6};
    return lists.at(size_t(ring));
}

QLabel *TfrmFarbcodeAusFoto::ringCaption(int ring) const
{
    const std::array<QLabel *, kMaxRings> labels{ui->labRing1Txt, ui->labRing2Txt, ui->labRing3Txt,
                                                 ui->labRing4Txt, ui->labRing5Txt, ui->labRing6Txt};
    return labels.at(size_t(ring));
}

QLabel *TfrmFarbcodeAusFoto::ringQuestion(int ring) const
{
    const std::array<QLabel *, kMaxRings> labels{ui->labFrage1, ui->labFrage2, ui->labFrage3,
                                                 ui->labFrage4, ui->labFrage5, ui->labFrage6};
    return labels.at(size_t(ring));
}

QFileDialog *TfrmFarbcodeAusFoto::fileDialog()
{
    if (!m_fileDialog) {
        m_fileDialog = new QFileDialog(this, QStringLiteral("Foto öffnen"));
        m_fileDialog->setObjectName(QStringLiteral("OpenPhotoDialog"));
        m_fileDialog->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::ReadOnly);
        m_fileDialog->setAcceptMode(QFileDialog::AcceptOpen);
        m_fileDialog->setFileMode(QFileDialog::ExistingFile);
        QStringList patterns;
        for (const QByteArray &suffix : QImageReader::supportedImageFormats())
            patterns << QStringLiteral("*.") + QString::fromLatin1(suffix);
        m_fileDialog->setNameFilters({QStringLiteral("Bilder (%1)").arg(patterns.join(QLatin1Char(' '))),
                                      QStringLiteral("Alle Dateien (*)")});
    }
    return m_fileDialog;
}

void TfrmFarbcodeAusFoto::chooseFile()
{
    QFileDialog *d = fileDialog();
    if (!zz::ui::runFileDialog(*d) || d->selectedFiles().isEmpty())
        return;
    openPath(d->selectedFiles().constFirst());
}

bool TfrmFarbcodeAusFoto::engineReady()
{
    QString error;
    if (zz::ui::photoEngine(&error))
        return true;
    showError(error);
    return false;
}

void TfrmFarbcodeAusFoto::openPath(const QString &path)
{
    if (!engineReady())
        return;
    const QString name = QFileInfo(path).fileName();
    zp::LoadedPhoto loaded;
    {
        WaitCursor wait;
        loaded = zz::ui::photoEngine()->loadFile(path);
    }
    if (loaded.image.isNull()) {
        showError(QStringLiteral("„%1“: %2").arg(name, loaded.error));
        return;
    }
    openImage(loaded.image, name);
}

void TfrmFarbcodeAusFoto::openImage(const QImage &image, const QString &name)
{
    if (!engineReady())
        return;
    if (image.isNull()) {
        showError(QStringLiteral("„%1“: kein lesbares Bild.").arg(name));
        return;
    }
    m_photo = image;
    m_photoName = name;
    ui->imgFoto->setPhoto(image);
    ui->imgFoto->setAccessibleName(QStringLiteral("Foto %1").arg(name));
    readAll();
}

bool TfrmFarbcodeAusFoto::openMimeData(const QMimeData &data)
{
    // An image wins over its address: a browser offers both, and the
    // address may lie on the net, where photos are never fetched from.
    if (data.hasImage()) {
        openImage(qvariant_cast<QImage>(data.imageData()), QStringLiteral("Bild aus der Zwischenablage"));
        return true;
    }
    if (data.hasUrls() && !data.urls().isEmpty()) {
        const QUrl url = data.urls().constFirst();
        if (!url.isLocalFile()) {
            showError(QStringLiteral("„%1“ liegt nicht auf diesem Rechner; Fotos werden nur von hier gelesen.")
                          .arg(url.toDisplayString()));
            return true;
        }
        openPath(url.toLocalFile());
        return true;
    }
    return false;
}

void TfrmFarbcodeAusFoto::paste()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    if (!data || !openMimeData(*data))
        showError(QStringLiteral("Die Zwischenablage enthält kein Bild und keine Bilddatei."));
}

void TfrmFarbcodeAusFoto::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasImage() || event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TfrmFarbcodeAusFoto::dropEvent(QDropEvent *event)
{
    if (openMimeData(*event->mimeData()))
        event->acceptProposedAction();
}

void TfrmFarbcodeAusFoto::readAll()
{
    zp::Reading reading;
    {
        WaitCursor wait;
        reading = zz::ui::photoEngine()->readPhoto(m_photo);
    }
    setReading(reading);
}

void TfrmFarbcodeAusFoto::readAlong(QPointF from, QPointF to)
{
    if (m_photo.isNull() || !engineReady())
        return;
    ui->btnLinie->setChecked(false);
    zp::Reading reading;
    {
        WaitCursor wait;
        reading = zz::ui::photoEngine()->readAlongLine(m_photo, from, to);
    }
    setReading(reading);
}

void TfrmFarbcodeAusFoto::swapDirection()
{
    if (m_reading.found && engineReady())
        setReading(zz::ui::photoEngine()->reversed(m_reading));
}

void TfrmFarbcodeAusFoto::ringPicked(int ring)
{
    if (!m_reading.found || size_t(ring) >= m_reading.rings.size() || !engineReady())
        return;
    const auto colour = dc::Colour(ringList(ring)->currentData().toInt());
    setReading(zz::ui::photoEngine()->withRingColour(m_reading, ring, colour));
}

void TfrmFarbcodeAusFoto::setReading(const zp::Reading &reading)
{
    m_reading = reading;
    m_chosen = 0;
    showReading();
}

void TfrmFarbcodeAusFoto::showError(const QString &message)
{
    m_photo = QImage();
    m_photoName.clear();
    ui->imgFoto->setPhoto(QImage());
    ui->imgFoto->setAccessibleName(QStringLiteral("Foto"));
    ui->btnLinie->setChecked(false);
    m_reading = zp::Reading();
    m_chosen = 0;
    showReading();
    ui->labMeldung->setText(message);
    ui->labMeldung->setAccessibleDescription(message);
}

// Everything that follows from the reading; the chosen code's parts in showChosen.
void TfrmFarbcodeAusFoto::showReading()
{
    const bool found = m_reading.found && !m_reading.candidates.empty();
    const bool photo = !m_photo.isNull();
    ui->btnLinie->setEnabled(photo);
    ui->btnRichtung->setEnabled(found);
    ui->lstKandidaten->setEnabled(found);
    ui->labKandidatenTxt->setEnabled(found);

    // Drawing is what is left to do when nothing was found, so it is ready
    // at once; a photo that was read needs no line.
    ui->btnLinie->setChecked(photo && !found);
    QString message;
    if (found) {
        message = QStringLiteral("Widerstand mit %1 Ringen gefunden; Ring 1 ist gelb markiert.")
                      .arg(m_reading.rings.size());
    } else if (photo) {
        message = (m_reading.error.isEmpty() ? QStringLiteral("Auf dem Foto wurde kein Widerstand gefunden.")
                                             : m_reading.error)
                  + QLatin1Char(' ') + kDrawText;
    } else {
        message = kStartText;
    }
    ui->labMeldung->setText(message);
    ui->labMeldung->setAccessibleDescription(message);

    {
        const QSignalBlocker block(ui->lstKandidaten);
        ui->lstKandidaten->clear();
        if (found) {
            for (const zp::Candidate &c : m_reading.candidates)
                ui->lstKandidaten->addItem(codeText(c.colours) + QStringLiteral(" (") + percent(c.confidence)
                                           + QLatin1Char(')'));
            ui->lstKandidaten->setCurrentRow(m_chosen);
        }
    }
    showChosen();
}

void TfrmFarbcodeAusFoto::showChosen()
{
    const std::optional<zv::RingCode> chosen = code();
    ui->btnUebernehmen->setEnabled(chosen.has_value());
    const std::vector<dc::Colour> colours =
        chosen ? m_reading.candidates[size_t(m_chosen)].colours : std::vector<dc::Colour>{};
    showReport(chosen);

    std::vector<PhotoView::RingMark> marks;
    QStringList spoken;
    for (int ring = 0; ring < kMaxRings; ++ring) {
        const bool shown = chosen && size_t(ring) < m_reading.rings.size();
        ringCaption(ring)->setVisible(shown);
        ringList(ring)->setVisible(shown);
        ringQuestion(ring)->setVisible(shown);
        if (!shown)
            continue;
        const zp::FoundRing &found = m_reading.rings[size_t(ring)];
        const dc::Colour colour = size_t(ring) < colours.size() ? colours[size_t(ring)]
                                  : !found.chances.empty()      ? found.chances.front().colour
                                                                : dc::Colour::Schwarz;
        const QString question = showRing(ring, found, colour);
        const QString name = colourName(colour);
        marks.push_back({found.centre, QStringLiteral("%1 %2").arg(ring + 1).arg(name), !question.isEmpty()});
        spoken << QStringLiteral("Ring %1 %2").arg(ring + 1).arg(name) + (question.isEmpty() ? QString() : QStringLiteral(" (unsicher)"));
    }
    if (chosen)
        ui->imgFoto->setMarks(m_reading.body, m_reading.axisStart, m_reading.axisEnd, std::move(marks));
    else
        ui->imgFoto->clearMarks();
    ui->imgFoto->setAccessibleDescription(spoken.isEmpty() ? QString()
                                          : QStringLiteral("Gefundene Ringe: ") + spoken.join(QStringLiteral(", ")));
}

void TfrmFarbcodeAusFoto::showReport(const std::optional<zv::RingCode> &chosen)
{
    QString report, sureness;
    if (chosen) {
        QStringList lines;
        for (const std::string &line : zv::report(*chosen, zz::ui::decimalSeparator()))
            lines << QString::fromStdString(line);
        report = lines.join(QLatin1Char('\n'));
        const double confidence = m_reading.candidates[size_t(m_chosen)].confidence;
        sureness = QStringLiteral("Sicherheit: ") + percent(confidence);
        if (confidence < kSureReading)
            sureness += QStringLiteral(" – unsicher: Prüfen Sie die rot markierten Ringe oder wählen Sie "
                                       "einen anderen Code.");
    }
    ui->labBericht->setText(report);
    ui->labBericht->setAccessibleDescription(report);
    ui->labSicherheit->setText(sureness);
    ui->labSicherheit->setAccessibleDescription(sureness);
}

QString TfrmFarbcodeAusFoto::showRing(int ring, const zp::FoundRing &found, dc::Colour colour)
{
    QComboBox *list = ringList(ring);
    for (int c = 0; c < dc::kColourCount; ++c) {
        QString item = colourName(dc::Colour(c));
        for (const zp::ColourChance &chance : found.chances)
            if (int(chance.colour) == c && chance.probability >= kShownChance)
                item += QStringLiteral(" (") + percent(chance.probability) + QLatin1Char(')');
        list->setItemText(c, item);
    }
    list->setCurrentIndex(int(colour));

    QString question = uncertainQuestion(found, colour);
    ringQuestion(ring)->setText(question);
    ringQuestion(ring)->setAccessibleDescription(question);
    const QString name = colourName(colour);
    list->setAccessibleDescription(question.isEmpty() ? name : name + QStringLiteral(", unsicher: ") + question);
    return question;
}
