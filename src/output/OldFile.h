#pragma once

#include "output/FileSafety.h"

#include <QFile>
#include <QString>

// Reading a save's old data file: opened without following a link, locked
// against other writers, and checked to be still the file under its name.
namespace zz::output::save {

// Opens `target` (an existing file) into `source` for reading and takes the
// writers' lock on it. False when another writer replaced the file
// meanwhile, and the save must begin again. Throws DataFileError.
bool openOld(QFile &source, const QString &dataPath, const safety::Target &target);

} // namespace zz::output::save
