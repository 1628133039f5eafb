#include "shell/Module1.h"

// Skeleton: the string table lands with its own change.
namespace Module1 {
void ApplyFormStrings(QWidget*) {}
}  // namespace Module1
