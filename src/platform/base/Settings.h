#pragma once
// The per-user settings store, by application, section and key. Values are
// text. Backed by an INI file in the user's configuration folder
// (~/.config/<application>/<application>.ini); tests point QSettings at a
// temporary folder with QSettings::setPath or XDG_CONFIG_HOME.
#include <QString>
#include <QStringList>

namespace platform {

// The file the store lives in (for the program's own application name).
QString SettingsFileName();

// The stored text, or `defaultValue` when the key is absent (or the store
// cannot be read).
QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue);
// Stores the text, creating the section as needed. Throws Failure when the
// store cannot be written, and only then. A store that cannot be read in
// full is replaced by one holding what could be read, the damaged file kept
// beside it as "<name>.damaged"; the first replacement in a run is told
// through Warn.
void SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value);

// Free text (a print queue's name) as a key: the store would read some of
// its characters as group separators or comments, so it is kept in
// hexadecimal.
QString KeyOfName(const QString& name);

// The pictures opened last, newest first, kept per user: section "Recent",
// keys "Picture1" to "Picture8", each an absolute path (an empty key is none).
inline constexpr int kMaxRecentPictures = 8;
// `list` with `path` first: an earlier entry of the same file (by absolute
// path) dropped, empty entries dropped, at most `max` kept.
QStringList WithRecent(const QStringList& list, const QString& path, int max = kMaxRecentPictures);
// The stored list, without the files that no longer exist.
QStringList RecentPictures(const QString& application);
// Stores `path` (made absolute) first in the list, and leaves out the files
// that no longer exist. Throws Failure when the store cannot be written.
void RememberPicture(const QString& application, const QString& path);

}  // namespace platform
