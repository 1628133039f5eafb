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
// Only a regular file is read or written: anything else in its place (a
// FIFO, a folder) is told once through Warn, reads give the defaults and
// writes fail.
// Stores the text, creating the section as needed. Throws Failure when the
// store cannot be written, and only then. A store that cannot be read in
// full is replaced by one holding what could be read, the damaged file kept
// beside it as "<name>.damaged" (what stands in the way of that is named in
// the failure); the first replacement in a run is told through Warn.
void SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value);

// Says that a stored value cannot be used, the one way every stored value
// out of range is said: `the stored <what>, "<text>", is not <expected>;
// <instead>` (the text cut to 40 characters, on one line).
void WarnStoredValue(const QString& what, const QString& text, const QString& expected, const QString& instead);

// Free text (a print queue's name) as a key: the store would read some of
// its characters as group separators or comments, so it is kept in
// hexadecimal.
QString KeyOfName(const QString& name);

// A value kept per print queue, under KeyOfName(queue). CUPS compares queue
// names without regard to ASCII case, so a value stored for "a4" is the one
// of "A4": the exact spelling is read first, then any other; storing
// replaces every other spelling.
QString GetQueueSetting(const QString& application, const QString& section, const QString& queue,
                        const QString& defaultValue);
void SaveQueueSetting(const QString& application, const QString& section, const QString& queue,
                      const QString& value);

// The pictures opened last, newest first, kept per user: section "Recent",
// keys "Picture1" to "Picture8", each an absolute path (an empty key is none).
// A name is kept as its very bytes (FileNames.h): each reads back exactly.
inline constexpr int kMaxRecentPictures = 8;
// `list` with `path` first: an earlier entry of the same file (by absolute
// path) dropped, empty entries dropped, at most `max` kept.
QStringList WithRecent(const QStringList& list, const QString& path, int max = kMaxRecentPictures);
// The stored list, missing files included, at most kMaxRecentPictures and
// each once. Anything else in the section (more entries, duplicates, keys
// written by hand) is pruned from the store as it is read.
QStringList StoredRecentPictures(const QString& application);
// The stored list, without the files that no longer exist.
QStringList RecentPictures(const QString& application);
// Stores `path` (made absolute) first in the list, and leaves out the files
// that no longer exist. Throws Failure when the store cannot be written.
void RememberPicture(const QString& application, const QString& path);

}  // namespace platform
