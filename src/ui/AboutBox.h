#pragma once

#include <QDialog>
#include <QUrl>

namespace Ui { class TfrmAboutBox; }

// The about box: product name, version, copyright and the maker's links.
class TfrmAboutBox final : public QDialog
{
    Q_OBJECT
public:
    // Link targets, apart from the texts shown for them.
    static inline const QUrl MailLink{QStringLiteral("mailto:zedezedidor@example.org?subject=Zedezedidor")};
    static inline const QUrl HomepageLink{QStringLiteral("http://www.example.org/zedezedidor/index.html")};

    explicit TfrmAboutBox(QWidget *parent = nullptr);
    ~TfrmAboutBox() override;

    void labCkClick();
    void labHPClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    Ui::TfrmAboutBox *ui;
};
