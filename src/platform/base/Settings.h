#pragma once
// The per-user settings store, by application, section and key. Values are
// text. Backed by an INI file in the user's configuration folder
// (~/.config/<application>/<application>.ini); tests point QSettings at a
// temporary folder with QSettings::setPath or XDG_CONFIG_HOME.
#include <QString>

namespace platform {

// The stored text, or `defaultValue` when the key is absent (or the store
// cannot be read).
QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue);
// Stores the text, creating the section as needed. Throws Failure when the
// store cannot be written.
void SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value);

// Free text (a print queue's name) as a key: the store would read some of
// its characters as group separators or comments, so it is kept in
// hexadecimal.
QString KeyOfName(const QString& name);

}  // namespace platform
