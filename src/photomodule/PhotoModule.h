#pragma once

// The photo reader as a module of its own (zedezedidor-photo.so), which the
// program loads only when a photo is to be read: the image libraries behind
// it would otherwise be loaded at every start.

#include "photo/PhotoReader.h"

namespace zz::photo {

// Bumped whenever a signature here or in PhotoReader.h's types changes, so a
// stale module beside a newer program is refused instead of called.
inline constexpr int kModuleVersion = 1;

struct ModuleApi {
    int version = kModuleVersion;
    LoadedPhoto (*loadFile)(const QString &path);
    LoadedPhoto (*loadData)(const QByteArray &data);
    Reading (*readPhoto)(const QImage &photo);
    Reading (*readAlongLine)(const QImage &photo, QPointF from, QPointF to);
    Reading (*reversed)(const Reading &reading);
    Reading (*withRingColour)(const Reading &reading, int ring, decode::Colour colour);
    // Load and read in one, for users without QtGui (the command-line tool):
    // a file that cannot be loaded gives a Reading with its error.
    Reading (*readFile)(const QString &path);
};

// The module's one exported symbol.
inline constexpr char kModuleEntry[] = "zz_photo_module_api";
using ModuleEntry = const ModuleApi *(*)();

} // namespace zz::photo
