#pragma once

#include "output/FileSafety.h"

#include <QString>

// Committing a save: the new data file takes the old one's place.
namespace zz::output::save {

// Replaces the old data file (`target`) by the complete new one, or creates
// it when there was none. False when another writer replaced or created the
// file meanwhile, and the save must begin again. Throws DataFileError.
bool commitData(safety::TempFile &data, const QString &dataPath, const safety::Target &target);

} // namespace zz::output::save
