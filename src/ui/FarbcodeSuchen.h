#pragma once

#include "value/Code.h"
#include "value/Decimal.h"

#include <QDialog>
#include <QString>
#include <QTimer>

#include <optional>
#include <string>
#include <vector>

class RingPictures;
namespace Ui { class TfrmFarbcodeSuchen; }

// "Farbcode suchen": from a typed value to its colour rings, live, with the
// tolerance range, the E-series of the value and the nearest standard values.
// "Übernehmen" accepts the dialog; the caller sets the rings in its window.
class TfrmFarbcodeSuchen final : public QDialog
{
    Q_OBJECT
public:
    // rings: the ring count chosen at first (4, 5 or 6).
    TfrmFarbcodeSuchen(const RingPictures &pictures, int rings, QWidget *parent = nullptr);
    ~TfrmFarbcodeSuchen() override;

    // The code for the value as it stands; none while it cannot be shown.
    const std::optional<zz::value::RingCode> &code() const { return m_code; }

private:
    void fillTolerances();
    void combRingeChange();
    void showResult();
    // The value as read, its E-series and the nearest standard values.
    void showValue(const zz::value::Decimal &value, const std::string &sep);
    zz::value::EncodeRequest encodeRequest(const zz::value::Decimal &value, const std::string &sep) const;
    void showCode(const zz::value::RingCode &code, const std::string &sep);
    void clearResult();
    void describeResults();
    void speakResults();

    Ui::TfrmFarbcodeSuchen *ui;
    const RingPictures &m_pictures;
    std::vector<zz::value::Decimal> m_tolerances;   // of combToleranz, in list order
    bool m_toleranceChosen = false;                 // the user picked one; keep it if offered
    std::optional<zz::value::RingCode> m_code;
    // Results are spoken once typing pauses, not after every key.
    static constexpr int kTypingPause = 600;   // ms
    static constexpr int kFewestRings = 4;
    static constexpr int kRingsWithTempco = 6;   // also the most
    // The tolerance offered first, until the user picks one.
    static constexpr int kFourRingStandardPercent = 5;
    static constexpr int kFiveRingStandardPercent = 1;
    QTimer m_speakTimer;
    QString m_spoken;
};
