#pragma once
// The application object: title and version numbers.
#include <QString>

inline QString AppTitle() { return QStringLiteral("Ombrastele"); }
inline int AppMajor() { return OMBRASTELE_VERSION_MAJOR; }
inline int AppMinor() { return OMBRASTELE_VERSION_MINOR; }
inline int AppRevision() { return OMBRASTELE_VERSION_PATCH; }
