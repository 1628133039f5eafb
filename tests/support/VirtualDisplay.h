#pragma once
// A private X server (Xvfb) for tests that must see a real window, and the
// few X tools the tests drive it with.
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

namespace testx {

class VirtualDisplay {
public:
    // Starts Xvfb on a free display number; isRunning() tells whether it came up.
    VirtualDisplay(int width = 1280, int height = 900);
    ~VirtualDisplay();
    bool isRunning() const { return mRunning; }
    QString display() const { return mDisplay; }

    // Runs an X client (xdotool, import, xwininfo) against this display;
    // returns its standard output, trimmed. exitCode receives its status.
    QString Run(const QString& program, const QStringList& args, int* exitCode = nullptr,
                int timeoutMs = 20000) const;
    // Saves a screenshot of the whole screen as PNG.
    bool Screenshot(const QString& path) const;

private:
    std::unique_ptr<QProcess> mServer;
    QString mDisplay;
    bool mRunning = false;
};

}  // namespace testx
