#pragma once

#include <QString>

#include <optional>

// The settings store: organisation "Veltrup", application "Zedezedidor", in
// the platform's native per-user format (on Linux the file
// $XDG_CONFIG_HOME/Veltrup/Zedezedidor.conf). The program never creates the
// store: without it nothing is loaded and nothing is saved.
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

// Writes all four values ("Backup" as 1 or 0) into the existing store, also
// into one that could not be parsed; an empty position value is left as it
// is stored, or missing. Returns false, creating nothing, when the store is
// missing.
bool save(const QString &datei, bool backup, std::optional<int> left, std::optional<int> top);

} // namespace zz::settings
