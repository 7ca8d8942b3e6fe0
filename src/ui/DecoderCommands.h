#pragma once

#include "ui/UiCommon.h"

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QPushButton>
#include <QShortcut>

#include <functional>

namespace zz::ui {

// The decoder window a command was chosen in: whose report a save writes,
// which window the code search and "Farbcode aus Foto" show over.
enum class DecoderWindow { FourRing, FiveSixRing };

// Where a save or Save As was asked for. A save writes the report of the
// window it was chosen in. Save As saves at once only when chosen from a
// window's "Speichern unter..." menu item (the five/six-ring window offers
// it nowhere else); from anywhere else ("&Speichern" finding no data file,
// the options dialog) it just chooses.
enum class SaveSender { FourRing, FourRingSaveAsMenu, FiveSixRing };

// The commands that do the same whichever decoder window they are chosen in.
// The four-ring window carries them out; the five/six-ring window gets them
// from it and so needs no file, options, help or about logic of its own.
struct SharedCommands {
    // Save and Save As with the five/six-ring window's report.
    std::function<void()> save;
    std::function<void()> saveAs;
    std::function<void()> options;
    // The code search over the five/six-ring window, starting at `rings`
    // (5 or 6) rings.
    std::function<void(int rings)> farbcodeSuchen;
    // Reading the rings from a photo, over the five/six-ring window.
    std::function<void()> farbcodeAusFoto;
    std::function<void()> helpContents;
    std::function<void()> helpIndex;
    std::function<void()> readme;
    std::function<void()> licence;
    std::function<void()> about;
    QAction *helpOnHelp = nullptr;
};

// Wires the buttons, menu items and actions that both decoder windows' forms
// carry under the same names to the window's handlers of the same names.
// The designs name two help items differently; they come as arguments.
template <typename Window, typename Form>
void connectCommands(Window &window, Form &ui, QAction &helpContentsItem,
                     void (Window::*helpContents)(), QAction &helpOnHelpItem,
                     QAction &helpOnHelp)
{
    QObject::connect(ui.acRechnen, &QAction::triggered, &window, &Window::acRechnenExecute);
    QObject::connect(ui.acToleranzAuswerten, &QAction::triggered, &window,
                     &Window::acToleranzAuswertenExecute);

    QObject::connect(ui.BitBtnBeenden, &QPushButton::clicked, &window, &Window::BitBtnBeendenClick);
    QObject::connect(ui.mnuDatenBeenden, &QAction::triggered, &window, &Window::BitBtnBeendenClick);
    QObject::connect(ui.acBeenden, &QAction::triggered, &window, [&ui] {
        if (!closeOpenPopup())
            ui.BitBtnBeenden->click();
    });
    QObject::connect(ui.BitBtnKopieren, &QPushButton::clicked, &window, &Window::BitBtnKopierenClick);
    QObject::connect(ui.mnuBearbeitenKopieren, &QAction::triggered, &window,
                     &Window::BitBtnKopierenClick);
    QObject::connect(ui.BitBtnSpeichern, &QPushButton::clicked, &window,
                     [&window, &ui] { window.BitBtnSpeichernClick(ui.BitBtnSpeichern); });
    QObject::connect(ui.mnuDatenSpeichern, &QAction::triggered, &window,
                     [&window, &ui] { window.BitBtnSpeichernClick(ui.mnuDatenSpeichern); });
    QObject::connect(ui.mnuDatenSpeichernunter, &QAction::triggered, &window,
                     &Window::mnuDatenSpeichernunterClick);
    QObject::connect(ui.N56Ringe1, &QAction::triggered, &window, &Window::N56Ringe1Click);
    QObject::connect(ui.mnuDaten, &QMenu::aboutToShow, &window, &Window::mnuDatenClick);

    QObject::connect(ui.mnuBearbeitenOptionen, &QAction::triggered, &window,
                     &Window::mnuBearbeitenOptionenClick);
    QObject::connect(ui.mnuBearbeitenFarbcodeSuchen, &QAction::triggered, &window,
                     &Window::mnuBearbeitenFarbcodeSuchenClick);
    QObject::connect(ui.mnuBearbeitenFarbcodeAusFoto, &QAction::triggered, &window,
                     &Window::mnuBearbeitenFarbcodeAusFotoClick);
    QObject::connect(&helpContentsItem, &QAction::triggered, &window, helpContents);
    // F1 shows the help, as it does in the options dialog and the code search.
    auto *f1 = new QShortcut(QKeySequence::HelpContents, &window);
    QObject::connect(f1, &QShortcut::activated, &window, helpContents);
    QObject::connect(ui.mnuHilfeIndex, &QAction::triggered, &window, &Window::mnuHilfeIndexClick);
    QObject::connect(&helpOnHelpItem, &QAction::triggered, &helpOnHelp, &QAction::trigger);
    QObject::connect(ui.mnuHilfeReadme, &QAction::triggered, &window, &Window::mnuHilfeReadmeClick);
    QObject::connect(ui.mnuLizenztxt, &QAction::triggered, &window, &Window::mnuLizenztxtClick);
    QObject::connect(ui.mnuHilfeUeber, &QAction::triggered, &window, &Window::mnuHilfeUeberClick);
}

} // namespace zz::ui
