#include "ui/Windows.h"

#include "ui/AboutBox.h"
#include "ui/Main.h"
#include "ui/Optionen.h"
#include "ui/Second.h"

TfrmLurvan *frmLurvan = nullptr;
TfrmAboutBox *frmAboutBox = nullptr;
TfrmZedezedidor2 *frmZedezedidor2 = nullptr;
TfrmOptionen *frmOptionen = nullptr;

namespace zz::ui {

void createWindows()
{
    frmLurvan = new TfrmLurvan;
    frmAboutBox = new TfrmAboutBox;
    frmZedezedidor2 = new TfrmZedezedidor2(*frmLurvan);
    frmOptionen = new TfrmOptionen;
}

void destroyWindows()
{
    delete frmOptionen;
    frmOptionen = nullptr;
    delete frmZedezedidor2;
    frmZedezedidor2 = nullptr;
    delete frmAboutBox;
    frmAboutBox = nullptr;
    delete frmLurvan;
    frmLurvan = nullptr;
}

} // namespace zz::ui
