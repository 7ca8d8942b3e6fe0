#include "ui/Windows.h"

#include "ui/AboutBox.h"
#include "ui/Accessibility.h"
#include "ui/DataFileState.h"
#include "ui/FiveSixRingWindow.h"
#include "ui/FourRingWindow.h"
#include "ui/OptionsDialog.h"

TfrmLurvan *frmLurvan = nullptr;
TfrmAboutBox *frmAboutBox = nullptr;
TfrmZedezedidor2 *frmZedezedidor2 = nullptr;
TfrmOptionen *frmOptionen = nullptr;

namespace zz::ui {

namespace {

DataFileState *g_dataFile = nullptr;

} // namespace

void createWindows()
{
    installAccessibility();
    g_dataFile = new DataFileState;
    frmLurvan = new TfrmLurvan(*g_dataFile);
    frmAboutBox = new TfrmAboutBox;
    frmZedezedidor2 = new TfrmZedezedidor2(
        {*frmLurvan, frmLurvan->pictures(), frmLurvan->sharedCommands()},
        *g_dataFile);
    frmOptionen = new TfrmOptionen(*g_dataFile, frmLurvan->fileChooser());
    frmLurvan->setShownWindows({*frmZedezedidor2, *frmOptionen, *frmAboutBox});
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
    delete g_dataFile;
    g_dataFile = nullptr;
}

DataFileState &dataFile()
{
    return *g_dataFile;
}

} // namespace zz::ui
