#pragma once

#include "photo/PhotoReader.h"
#include "value/Code.h"

#include <QDialog>
#include <QImage>

#include <optional>

class QComboBox;
class QFileDialog;
class QLabel;
class QMimeData;
namespace Ui { class TfrmFarbcodeAusFoto; }

// "Farbcode aus Foto": reads the rings of a resistor from a photo (a file,
// the clipboard or a drop), shows what it found and how sure it is, and lets
// the user settle what it is unsure about: another colour for a ring, the
// other reading direction, or a line drawn along the body to read along.
// "Übernehmen" accepts the dialog; the caller sets the rings in its window.
// Photos are read on this machine only: remote addresses are refused.
class TfrmFarbcodeAusFoto final : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmFarbcodeAusFoto(QWidget *parent = nullptr);
    ~TfrmFarbcodeAusFoto() override;

    // The code as it stands; none while nothing was read.
    std::optional<zz::value::RingCode> code() const;

    // What the dialog shows, for its caller and tests.
    const zz::photo::Reading &reading() const { return m_reading; }
    int chosenCandidate() const { return m_chosen; }

    // The photo from a file, from memory or from the clipboard's or a drop's
    // contents; each reads it at once. `name` is shown in messages.
    void openPath(const QString &path);
    void openImage(const QImage &image, const QString &name);
    bool openMimeData(const QMimeData &data);

    // The open dialog, made on first use (Qt's own, so tests can drive it).
    QFileDialog *fileDialog();

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void chooseFile();
    void paste();
    void readAll();
    void readAlong(QPointF from, QPointF to);
    void setReading(const zz::photo::Reading &reading);
    void showReading();
    void showChosen();
    // The chosen code's report and how sure the reading is; empty without one.
    void showReport(const std::optional<zz::value::RingCode> &chosen);
    // A ring's list with each colour's chance, set to `colour`, and the
    // question asked when its best colour is unsure; returns the question.
    QString showRing(int ring, const zz::photo::FoundRing &found, zz::decode::Colour colour);
    void ringPicked(int ring);
    void swapDirection();
    void showError(const QString &message);
    void showWaiting();
    bool engineReady();
    QComboBox *ringList(int ring) const;   // 0-based, reading order
    QLabel *ringCaption(int ring) const;
    QLabel *ringQuestion(int ring) const;

    Ui::TfrmFarbcodeAusFoto *ui;
    QFileDialog *m_fileDialog = nullptr;
    QImage m_photo;
    QString m_photoName;
    zz::photo::Reading m_reading;
    int m_chosen = 0;    // index into m_reading.candidates
};
