#pragma once
// Windows are designed with string ids where their texts go; this puts the
// texts of the string table in. Used by every window of the program.
class QWidget;

namespace platform {

// Replaces the string ids a window was designed with by the texts of the
// string table. Never fails towards its caller.
void ApplyFormStrings(QWidget* form);

}  // namespace platform
