#pragma once
// The per-user settings store (the registry of the current user on Windows).
//
// Keys are registry paths such as "Software\\Nconfig", "Software\\Nconfig\\MainComport"
// and "Software\\Amassor" (a leading backslash is ignored). On Windows they live
// under HKEY_CURRENT_USER; elsewhere each top key ("Nconfig", "Amassor") is an INI
// file in the user's configuration folder and a subkey is a group in that file.
//
// "Open without creating" is the rule of the readers and of write(..., create=false):
// when the key does not exist nothing is read or written. Every failure is
// swallowed and reported only by the boolean result.

#include <QString>
#include <QVariant>
#include <optional>

namespace SettingsStore {

// Folder that holds the INI files (not used on Windows unless a folder is set).
// Tests point it at a temporary folder; NCONFIG_SETTINGS_DIR sets it for a whole process.
void setFolder(const QString& folder);
QString folder();

bool keyExists(const QString& key);

// The value, or nothing when the key or the value does not exist.
std::optional<QString> readString(const QString& key, const QString& name);
std::optional<bool> readBool(const QString& key, const QString& name);

// Writes a value. With create=false nothing happens when the key does not exist.
// Returns true when the value was written.
bool writeString(const QString& key, const QString& name, const QString& value, bool create);
bool writeBool(const QString& key, const QString& name, bool value, bool create);

} // namespace SettingsStore
