#include "ui/FarbcodeSuchen.h"
#include "ui_FarbcodeSuchen.h"

#include "decode/Decode.h"
#include "help/Help.h"
#include "ui/Accessibility.h"
#include "ui/RingPictures.h"
#include "ui/UiCommon.h"
#include "value/ESeries.h"

#include <QLocale>
#include <QScopeGuard>
#include <QShortcut>

#include <algorithm>

namespace dc = zz::decode;
namespace zv = zz::value;

namespace {

QString qs(const std::string &s)
{
    return QString::fromStdString(s);
}

QString colourName(dc::Colour c)
{
    return QString::fromUtf8(dc::colourInfo(c).name);
}

// "2,7 kOhm (-8,51 %) und 3 kOhm (+3,45 %)", or membership.
QString nearestText(const zv::Decimal &value, zv::Series series, const std::string &sep)
{
    const std::optional<zv::Nearest> n = zv::nearest(value, series);
    const QString name = QString::fromLatin1(zv::seriesName(series).data(),
                                             qsizetype(zv::seriesName(series).size()));
    if (!n || zv::farOutside(value))
        return QStringLiteral("keine");
    if (n->member)
        return qs(zv::ohmText(value, sep)) + QStringLiteral(" ist ein Wert der ") + name;
    return qs(zv::ohmText(n->below, sep)) + QStringLiteral(" (-") + qs(zv::fixedText(n->belowPercent, 2, sep))
         + QStringLiteral(" %) und ") + qs(zv::ohmText(n->above, sep)) + QStringLiteral(" (+")
         + qs(zv::fixedText(n->abovePercent, 2, sep)) + QStringLiteral(" %)");
}

// Why a value has no code, with the nearest values that have one.
QString refusalText(const zv::EncodeResult &r, const std::string &sep)
{
    QString why = qs(r.reason) + QLatin1Char('.');
    QStringList nearest;
    for (const auto &d : {r.nearestBelow, r.nearestAbove})
        if (d)
            nearest << qs(zv::ohmText(*d, sep));
    if (!nearest.isEmpty())
        why += QStringLiteral(" Möglich: ") + nearest.join(QStringLiteral(" oder ")) + QLatin1Char('.');
    return why;
}

// The hint under a code that is unusual or does not exist; empty otherwise.
QString hintNote(const zv::CodeFacts &f)
{
    if (f.hint == dc::Hint::NonExistent)
        return QString::fromUtf8(dc::kNonExistentText);
    if (f.hint != dc::Hint::Unusual)
        return QString();
    QString note = QString::fromUtf8(dc::kUnusualText);
    if (!f.standardCode.empty()) {
        QStringList standard;
        for (const std::string &s : f.standardCode)
            standard << qs(s);
        note += QStringLiteral(" Standardcode: ") + standard.join(QStringLiteral(" - "));
    }
    return note;
}

} // namespace

TfrmFarbcodeSuchen::TfrmFarbcodeSuchen(const RingPictures &pictures, int rings, QWidget *parent)
    : QDialog(parent), ui(new Ui::TfrmFarbcodeSuchen), m_pictures(pictures)
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    for (int n = kFewestRings; n <= kRingsWithTempco; ++n)
        ui->combRinge->addItem(QString::number(n), n);
    ui->combRinge->setCurrentIndex(std::clamp(rings, kFewestRings, kRingsWithTempco) - kFewestRings);
    const auto temperatures = dc::temperatureList();
    for (int i = 0; i < int(temperatures.size()); ++i)
        ui->combTempKoeff->addItem(QStringLiteral("%1 ppm/K (%2)")
                                       .arg(dc::temperatureCoefficient(i))
                                       .arg(colourName(temperatures[size_t(i)])));
    // Braun, 100 ppm/K: what six rings mostly carry.
    ui->combTempKoeff->setCurrentIndex(dc::positionIn(temperatures, dc::Colour::Braun).value_or(0));
    for (zv::Series s : zv::kAllSeries)
        ui->combReihe->addItem(QString::fromLatin1(zv::seriesName(s).data(),
                                                   qsizetype(zv::seriesName(s).size())));
    ui->combReihe->setCurrentIndex(int(zv::Series::E24));
    fillTolerances();

    // Room for a refusal of three lines, so the dialog does not jump while typing.
    ui->labMeldung->setMinimumHeight(3 * ui->labMeldung->fontMetrics().lineSpacing());
    ui->labCode->setMinimumWidth(ui->labCode->fontMetrics().horizontalAdvance(
        QStringLiteral("Violett - Violett - Violett - Violett - Violett - Violett")));

    connect(ui->edtWert, &QLineEdit::textChanged, this, &TfrmFarbcodeSuchen::showResult);
    connect(ui->combRinge, &QComboBox::activated, this, &TfrmFarbcodeSuchen::combRingeChange);
    connect(ui->combToleranz, &QComboBox::activated, this, [this] {
        m_toleranceChosen = true;
        showResult();
    });
    connect(ui->combTempKoeff, &QComboBox::activated, this, &TfrmFarbcodeSuchen::showResult);
    connect(ui->combReihe, &QComboBox::activated, this, &TfrmFarbcodeSuchen::showResult);
    connect(ui->btnUebernehmen, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->btnSchliessen, &QPushButton::clicked, this, &QDialog::reject);
    m_speakTimer.setSingleShot(true);
    m_speakTimer.setInterval(kTypingPause);
    connect(&m_speakTimer, &QTimer::timeout, this, &TfrmFarbcodeSuchen::speakResults);
    auto *f1 = new QShortcut(QKeySequence::HelpContents, this);
    connect(f1, &QShortcut::activated, this,
            [this] { zz::help::showTopic(QStringLiteral("zz.farbcode"), this, this); });

    showResult();
    ui->edtWert->setFocus();
}

TfrmFarbcodeSuchen::~TfrmFarbcodeSuchen()
{
    delete ui;
}

// The tolerance list of the ring count, as the window's tolerance ring offers
// it; four rings add 20 % for a resistor without a fourth ring.
void TfrmFarbcodeSuchen::fillTolerances()
{
    const bool four = ui->combRinge->currentData().toInt() == kFewestRings;
    std::optional<zv::Decimal> kept;
    if (m_toleranceChosen && ui->combToleranz->currentIndex() >= 0)
        kept = m_tolerances[size_t(ui->combToleranz->currentIndex())];
    m_tolerances = four ? zv::fourRingTolerances() : zv::fiveRingTolerances();
    const auto colours = four ? dc::fourRingToleranceList() : dc::fiveRingToleranceList();
    const std::string sep = zz::ui::decimalSeparator();
    ui->combToleranz->clear();
    for (size_t i = 0; i < m_tolerances.size(); ++i) {
        const QString what = i < colours.size() ? colourName(colours[i])
                                                : QStringLiteral("ohne 4. Ring");
        ui->combToleranz->addItem(qs(zv::numberText(m_tolerances[i], sep)) + QStringLiteral(" % (")
                                  + what + QLatin1Char(')'));
    }
    const zv::Decimal standard = zv::Decimal::of(four ? kFourRingStandardPercent : kFiveRingStandardPercent);
    auto at = std::find(m_tolerances.begin(), m_tolerances.end(), kept.value_or(standard));
    if (at == m_tolerances.end())
        at = std::find(m_tolerances.begin(), m_tolerances.end(), standard);
    ui->combToleranz->setCurrentIndex(int(at - m_tolerances.begin()));
    ui->combTempKoeff->setEnabled(ui->combRinge->currentData().toInt() == kRingsWithTempco);
}

void TfrmFarbcodeSuchen::combRingeChange()
{
    fillTolerances();
    showResult();
}

// Whichever input the user changes, the screen reader reads what came of it;
// while typing, once the user pauses.
void TfrmFarbcodeSuchen::describeResults()
{
    const QString results = zz::ui::spokenResults({{ui->labCodeTxt, ui->labCode},
                                                   {ui->labWertTxt, ui->labWert},
                                                   {ui->labBereichTxt, ui->labBereich},
                                                   {ui->labReihenTxt, ui->labReihen},
                                                   {ui->labReiheTxt, ui->labNaechste},
                                                   {nullptr, ui->labMeldung}});
    zz::ui::describeResults(
        {ui->edtWert, ui->combRinge, ui->combToleranz, ui->combTempKoeff, ui->combReihe}, results);
    m_spoken = zz::ui::joinSpoken(zz::ui::spokenChange(focusWidget()), results);
    if (focusWidget() == ui->edtWert)
        m_speakTimer.start();
    else
        speakResults();
}

void TfrmFarbcodeSuchen::speakResults()
{
    m_speakTimer.stop();
    zz::ui::announce(*this, m_spoken);
}

void TfrmFarbcodeSuchen::clearResult()
{
    m_code.reset();
    ui->btnUebernehmen->setEnabled(false);
    ui->imgWiderstand->setPixmap(m_pictures.drawing({}));
    for (QLabel *l : {ui->labCode, ui->labWert, ui->labBereich, ui->labReihen, ui->labNaechste})
        l->clear();
}

void TfrmFarbcodeSuchen::showResult()
{
    const auto describe = qScopeGuard([this] { describeResults(); });
    clearResult();
    const QString typed = ui->edtWert->text();
    if (typed.trimmed().isEmpty()) {
        ui->labMeldung->setText(QStringLiteral("Geben Sie einen Wert ein, zum Beispiel 4k7, 4,7 kOhm oder 470."));
        return;
    }
    const std::string sep = zz::ui::decimalSeparator();
    const zv::ParsedValue parsed = zv::parseValue(typed.toStdString(), sep);
    if (!parsed.value) {
        // An ambiguous value names itself and both readings.
        ui->labMeldung->setText(parsed.ambiguous ? qs(parsed.error) : QStringLiteral("Kein Wert: ") + qs(parsed.error));
        return;
    }
    const zv::Decimal value = *parsed.value;
    showValue(value, sep);
    const zv::EncodeResult r = zv::encode(encodeRequest(value, sep));
    if (!r.code) {
        ui->labMeldung->setText(refusalText(r, sep));
        return;
    }
    m_code = r.code;
    showCode(*r.code, sep);
    ui->btnUebernehmen->setEnabled(true);
}

void TfrmFarbcodeSuchen::showValue(const zv::Decimal &value, const std::string &sep)
{
    ui->labWert->setText(qs(zv::ohmText(value, sep)));
    QStringList names;
    for (zv::Series s : zv::seriesOf(value))
        names << QString::fromLatin1(zv::seriesName(s).data(), qsizetype(zv::seriesName(s).size()));
    ui->labReihen->setText(names.isEmpty() ? QStringLiteral("keine") : names.join(QStringLiteral(", ")));
    ui->labNaechste->setText(nearestText(value, zv::Series(ui->combReihe->currentIndex()), sep));
}

zv::EncodeRequest TfrmFarbcodeSuchen::encodeRequest(const zv::Decimal &value, const std::string &sep) const
{
    zv::EncodeRequest request;
    request.ohm = value;
    request.decimalSeparator = sep;
    request.rings = ui->combRinge->currentData().toInt();
    request.tolerancePercent = m_tolerances[size_t(ui->combToleranz->currentIndex())];
    if (request.rings == kRingsWithTempco)
        request.tempcoPpm = dc::temperatureCoefficient(ui->combTempKoeff->currentIndex());
    return request;
}

void TfrmFarbcodeSuchen::showCode(const zv::RingCode &code, const std::string &sep)
{
    const std::vector<dc::Colour> colours = code.colours();
    QStringList names;
    for (dc::Colour c : colours)
        names << colourName(c);
    ui->labCode->setText(names.join(QStringLiteral(" - ")));
    ui->imgWiderstand->setPixmap(m_pictures.drawing(colours));
    const zv::CodeFacts f = zv::facts(code);
    ui->labBereich->setText(qs(zv::ohmText(f.minOhm, sep)) + QStringLiteral(" bis ")
                            + qs(zv::ohmText(f.maxOhm, sep)) + QStringLiteral(" (± ")
                            + qs(zv::numberText(f.tolerancePercent, sep)) + QStringLiteral(" %)"));
    ui->labMeldung->setText(hintNote(f));
}
