#pragma once

#include <QString>

#include <optional>

// The settings store: organisation "Veltrup", application "Zedezedidor", in
// the platform's native per-user format (on Linux the file
// $XDG_CONFIG_HOME/Veltrup/Zedezedidor.conf). Without it nothing is loaded,
// and the first save creates it.
namespace zz::settings {

// What the store holds; a value that is missing, of another type or outside
// the 32-bit range stays empty.
struct StoredSettings {
    std::optional<QString> datei;
    std::optional<bool> backup;
    std::optional<int> left;
    std::optional<int> top;
};

QString storePath();
bool storeExists();

// Empty when the store is missing or cannot be parsed.
StoredSettings load();

// Writes all four values ("Backup" as 1 or 0) into the store, also into one
// that could not be parsed; a missing store is created with its folder. An
// empty position value is left as it is stored, or missing. Returns false,
// writing nothing, when something other than a readable plain file stands at
// the store's place (a folder, a FIFO, an unreadable file).
bool save(const QString &datei, bool backup, std::optional<int> left, std::optional<int> top);

} // namespace zz::settings
