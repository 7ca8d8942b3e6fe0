#pragma once

#include "photomodule/PhotoModule.h"

#include <QString>

// The photo reader for the "Farbcode aus Foto" dialog, loaded from its module
// beside the program the first time a photo is read.
namespace zz::ui {

// Where the module is looked for; by default beside the executable.
void setPhotoModulePath(const QString &path);

// The reader, or nullptr with a German one-sentence reason in `error` when
// the module is missing or does not fit this program.
const zz::photo::ModuleApi *photoEngine(QString *error = nullptr);

} // namespace zz::ui
