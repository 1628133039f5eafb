#pragma once
// Finding and starting another program, for the About box's System Info
// button. Tests put a scripted launcher in place of the real one.
#include <QString>

namespace platform {

class Launcher {
public:
    virtual ~Launcher() = default;
    // Whether a file (not a folder) exists at the path.
    virtual bool FileExists(const QString& path) = 0;
    // Starts the program as a separate process with a normal, focused window
    // and returns without waiting. Throws Failure when it cannot be started.
    virtual void Start(const QString& program) = 0;
};

Launcher& SystemLauncher();

}  // namespace platform
