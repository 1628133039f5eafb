#include "platform/desktop/Launcher.h"

#include "platform/base/Failure.h"

#include <QFileInfo>
#include <QProcess>

namespace platform {
namespace {

class ProcessLauncher final : public Launcher {
public:
    bool FileExists(const QString& path) override {
        const QFileInfo info(path);
        return info.exists() && !info.isDir();
    }
    void Start(const QString& program) override {
        if (!QProcess::startDetached(program, {})) Fail(QStringLiteral("File not found"));
    }
};

}  // namespace

Launcher& SystemLauncher() {
    static ProcessLauncher launcher;
    return launcher;
}

}  // namespace platform
