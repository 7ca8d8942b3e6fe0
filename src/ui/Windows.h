#pragma once

class TfrmAboutBox;
class TfrmLurvan;
class TfrmOptionen;
class TfrmZedezedidor2;

// The program's four windows, valid from their creation until the end of the run.
extern TfrmLurvan *frmLurvan;
extern TfrmAboutBox *frmAboutBox;
extern TfrmZedezedidor2 *frmZedezedidor2;
extern TfrmOptionen *frmOptionen;

namespace zz::ui {

class DataFileState;

// Creates the four windows in their fixed order; the five/six-ring window
// takes the four-ring window's ring pictures and commands, so the order
// matters. None is shown.
void createWindows();
// Destroys them in reverse order and clears the references.
void destroyWindows();

// The data file and backup switch the windows share; made before the
// windows and destroyed after them.
DataFileState &dataFile();

} // namespace zz::ui
