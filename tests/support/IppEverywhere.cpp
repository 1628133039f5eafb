#include "support/IppEverywhere.h"

#include <cups/ppd.h>

#include "support/CupsScheduler.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// cupsGetPPD2 is deprecated with the PPD interface, which CUPS still uses.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace testcups {
namespace {

std::vector<IppEverywhere*>& Live() {
    static std::vector<IppEverywhere*> live;
    static const bool registered = [] {
        std::atexit([] {
            const std::vector<IppEverywhere*> all = Live();
            for (IppEverywhere* p : all) p->Stop();
        });
        return true;
    }();
    (void)registered;
    return live;
}

bool Listening(int port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(uint16_t(port));
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(s);
    return ok;
}

// Starts `argv` with `env` added, output to `log`; the child dies with us.
pid_t Spawn(const QStringList& argv, const QByteArray& env, const QString& log) {
    std::vector<QByteArray> args;
    for (const QString& a : argv) args.push_back(a.toLocal8Bit());
    std::vector<char*> ptrs;
    for (QByteArray& a : args) ptrs.push_back(a.data());
    ptrs.push_back(nullptr);
    const QByteArray logPath = log.toLocal8Bit();
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int fd = open(logPath.constData(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
        }
        if (!env.isEmpty()) putenv(const_cast<char*>(env.constData()));
        execvp(ptrs[0], ptrs.data());
        _exit(127);
    }
    return pid;
}

void End(pid_t& pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid, &status, WNOHANG) != 0) {
            pid = -1;
            return;
        }
        QThread::msleep(20);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    pid = -1;
}

bool Alive(pid_t pid) {
    int status = 0;
    return pid > 0 && waitpid(pid, &status, WNOHANG) == 0;
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QString ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// What the printer says it is, as ipptool ATTR lines for `ippeveprinter -a`
// (which then takes no -f or -s: the file says all). The figures are those
// ippeveprinter advertises by itself with `-s 60,60`, letter only, plus:
//  - pwg-raster-document-resolution-supported a second time as keywords.
//    CUPS 2.4.10 (Debian 13) looks that attribute up with the keyword type
//    when it decides whether a printer takes PWG raster, finds no
//    resolution-typed one, and refuses a printer that takes only PWG raster
//    ("Printer does not support required IPP attributes or document
//    formats"); later releases look it up with the resolution type. A name
//    is found by its type, so each release finds the value it asks for;
//    the resolution-typed one comes first for those that take any type.
//  - print-color-mode-default color: with "auto" CUPS 2.4.2 makes the
//    queue's default colour model RGB and 2.4.10 FastGray (one bit); with
//    "color" both make it RGB, so the pages sent are the same on both.
QByteArray PrinterAttributes(const QStringList& formats) {
    const char* letter =
        "{ MEMBER collection media-size { MEMBER integer x-dimension 21590 MEMBER integer y-dimension 27940 }\n"
        "  MEMBER keyword media-size-name na_letter_8.5x11in\n"
        "  MEMBER integer media-bottom-margin 1168 MEMBER integer media-left-margin 635\n"
        "  MEMBER integer media-right-margin 635 MEMBER integer media-top-margin 102\n"
        "  MEMBER keyword media-source main MEMBER keyword media-type stationery }\n";
    QByteArray a;
    a += "ATTR mimeMediaType document-format-supported " + formats.join(QLatin1Char(',')).toLatin1() + "\n";
    a += "ATTR resolution pwg-raster-document-resolution-supported 300dpi,600dpi\n"
         "ATTR keyword pwg-raster-document-resolution-supported 300dpi,600dpi\n"
         "ATTR keyword pwg-raster-document-type-supported black_1,sgray_8,srgb_8,srgb_16\n"
         "ATTR keyword pwg-raster-document-sheet-back normal\n"
         "ATTR text printer-make-and-model \"Example Printer\"\n"
         "ATTR text printer-device-id \"MFG:Example;MDL:Printer;CMD:PWG;\"\n"
         "ATTR boolean color-supported true\n"
         "ATTR integer pages-per-minute 60\n"
         "ATTR integer pages-per-minute-color 60\n"
         "ATTR keyword print-color-mode-default color\n"
         "ATTR keyword print-color-mode-supported auto,color,monochrome\n"
         "ATTR enum print-quality-default 4\n"          // normal
         "ATTR enum print-quality-supported 3,4,5\n"    // draft, normal, high
         "ATTR resolution printer-resolution-default 600dpi\n"
         "ATTR resolution printer-resolution-supported 600dpi\n"
         "ATTR keyword sides-default one-sided\n"
         "ATTR keyword sides-supported one-sided\n"
         "ATTR keyword media-default na_letter_8.5x11in\n"
         "ATTR keyword media-supported na_letter_8.5x11in\n"
         "ATTR keyword media-ready na_letter_8.5x11in\n"
         "ATTR integer media-bottom-margin-supported 635\n"
         "ATTR integer media-top-margin-supported 635\n"
         "ATTR integer media-left-margin-supported 0,340,635\n"
         "ATTR integer media-right-margin-supported 0,340,635\n"
         "ATTR keyword media-source-supported auto,main\n"
         "ATTR keyword media-type-supported auto,stationery\n"
         "ATTR collection media-size-supported\n"
         "  { MEMBER integer x-dimension 21590 MEMBER integer y-dimension 27940 }\n";
    for (const char* name : {"media-col-default", "media-col-ready", "media-col-database"})
        a += QByteArray("ATTR collection ") + name + " " + letter;
    return a;
}

}  // namespace

QString IppEverywhere::Uri() const { return QStringLiteral("ipp://127.0.0.1:%1/ipp/print").arg(mPort); }

bool IppEverywhere::Start(const QString& name, QString* error, const QStringList& formats) {
    return StartDescribed(name, QStringLiteral("-a"), PrinterAttributes(formats), error);
}

bool IppEverywhere::StartAs(const QString& name, const std::string& lines, QString* error) {
    return StartDescribed(name, QStringLiteral("-a"), QByteArray::fromStdString(lines), error);
}

bool IppEverywhere::StartFromPpd(const QString& name, const QString& ppd, QString* error) {
    QFile file(ppd);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("cannot read ") + ppd;
        return false;
    }
    return StartDescribed(name, QStringLiteral("-P"), file.readAll(), error);
}

bool IppEverywhere::StartDescribed(const QString& name, const QString& flag, const QByteArray& description,
                                   QString* error) {
    Stop();
    QByteArray tmpl = QDir::tempPath().toLocal8Bit() + "/ombrastele-ippattr-XXXXXX";
    if (!mkdtemp(tmpl.data())) return false;
    mAttributesDir = QString::fromLocal8Bit(tmpl);
    // The print command keeps each job's attributes; ippeveprinter keeps the
    // document itself (-k).
    const QString described = mAttributesDir + (flag == QLatin1String("-P") ? QStringLiteral("/printer.ppd")
                                                                             : QStringLiteral("/printer.conf"));
    const QString command = mAttributesDir + QStringLiteral("/job.sh");
    const bool written =
        WriteAll(described, description) &&
        WriteAll(command, QStringLiteral("#!/bin/sh\nenv | grep '^IPP_' > '%1/job.env'\n").arg(mAttributesDir).toUtf8()) &&
        QFile::setPermissions(command, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!written) {
        if (error) *error = QStringLiteral("cannot write the printer's description");
        Stop();
        return false;
    }
    // -a and -P cannot go with -f or -s: the description says the formats and colour.
    return Launch(name, {flag, described, QStringLiteral("-c"), command}, error);
}

QString IppEverywhere::LastJobAttributes() const {
    return mAttributesDir.isEmpty() ? QString() : ReadAll(mAttributesDir + QStringLiteral("/job.env"));
}

bool IppEverywhere::Launch(const QString& name, const QStringList& printerArguments, QString* error) {
    const auto fail = [&](const QString& why) {
        if (error) *error = why;
        Stop();
        return false;
    };
    QByteArray tmpl = QDir::tempPath().toLocal8Bit() + "/ombrastele-ipp-XXXXXX";
    if (!mkdtemp(tmpl.data())) return fail(QStringLiteral("mkdtemp failed"));
    mDir = QString::fromLocal8Bit(tmpl);
    Live().push_back(this);  // also removes the attributes' folder at exit
    QDir(mDir).mkpath(QStringLiteral("spool"));

    // A bus of our own: ippeveprinter's Avahi client finds no daemon there
    // and the test never registers anything on the machine's network.
    const QString bus = mDir + QStringLiteral("/bus");
    QFile conf(mDir + QStringLiteral("/dbus.conf"));
    if (!conf.open(QIODevice::WriteOnly)) return fail(QStringLiteral("cannot write dbus.conf"));
    conf.write(QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                              " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                              "<busconfig>\n  <type>system</type>\n  <listen>unix:path=%1</listen>\n"
                              "  <auth>EXTERNAL</auth>\n  <policy context=\"default\">\n"
                              "    <allow user=\"*\"/>\n    <allow own=\"*\"/>\n"
                              "    <allow send_destination=\"*\"/>\n    <allow receive_sender=\"*\"/>\n"
                              "  </policy>\n</busconfig>\n")
                   .arg(bus)
                   .toUtf8());
    conf.close();
    mBusPid = Spawn({QStringLiteral("dbus-daemon"), QStringLiteral("--nofork"),
                     QStringLiteral("--config-file=") + conf.fileName()},
                    {}, mDir + QStringLiteral("/dbus.log"));
    QElapsedTimer timer;
    timer.start();
    while (!QFileInfo::exists(bus) && Alive(mBusPid) && timer.elapsed() < 10000) QThread::msleep(20);
    if (!QFileInfo::exists(bus))
        return fail(QStringLiteral("dbus-daemon did not start: ") + ReadAll(mDir + QStringLiteral("/dbus.log")));

    // -n localhost makes both listeners loopback only (127.0.0.1 and ::1);
    // -r off: no DNS-SD registration; -k keeps documents.
    mPort = FreeLoopbackPort();
    if (mPort == 0) return fail(QStringLiteral("no free port"));
    const QString log = mDir + QStringLiteral("/ippeveprinter.log");
    const QStringList arguments = QStringList{QStringLiteral("ippeveprinter"), QStringLiteral("-n"),
                                              QStringLiteral("localhost"), QStringLiteral("-p"), QString::number(mPort),
                                              QStringLiteral("-r"), QStringLiteral("off"), QStringLiteral("-d"),
                                              SpoolFolder(), QStringLiteral("-k")} +
                                  printerArguments + QStringList{name};
    mPrinterPid = Spawn(arguments,
                        "DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + bus.toLocal8Bit(), log);
    timer.restart();
    while (!Listening(mPort) && Alive(mPrinterPid) && timer.elapsed() < 10000) QThread::msleep(50);
    if (!Listening(mPort)) return fail(QStringLiteral("ippeveprinter did not start: ") + ReadAll(log));

    QString out;
    const int rc = Scheduler::Instance().RunTool(
        QStringLiteral("lpadmin"),
        {QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"), Uri(), QStringLiteral("-m"),
         QStringLiteral("everywhere")},
        &out);
    if (rc != 0) return fail(QStringLiteral("lpadmin -m everywhere failed (%1): %2").arg(rc).arg(out));
    mQueue = name;
    // The scheduler writes the queue's PPD from the printer's attributes
    // after lpadmin returns; wait for it, as a user's first job would.
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (const char* ppd = cupsGetPPD2(CUPS_HTTP_DEFAULT, name.toUtf8().constData())) {
            ::unlink(ppd);
            return true;
        }
        if (waited.elapsed() > 60000) return fail(QStringLiteral("the queue's PPD was never made"));
        QThread::msleep(200);
    }
}

void IppEverywhere::Sleep() {
    if (mPrinterPid > 0) kill(mPrinterPid, SIGSTOP);
}

void IppEverywhere::Stop() {
    if (mPrinterPid > 0) kill(mPrinterPid, SIGCONT);
    if (!mQueue.isEmpty()) {
        if (Scheduler::Instance().Running())
            Scheduler::Instance().RunTool(QStringLiteral("lpadmin"), {QStringLiteral("-x"), mQueue});
        mQueue.clear();
    }
    End(mPrinterPid);
    End(mBusPid);
    mPort = 0;
    for (QString* dir : {&mDir, &mAttributesDir}) {
        if (!dir->isEmpty()) QDir(*dir).removeRecursively();
        dir->clear();
    }
    auto& live = Live();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

QString IppEverywhere::LatestDocument() const {
    if (mDir.isEmpty()) return {};
    // Newest first; a print command's empty output (.prn) is no document.
    for (const QFileInfo& f : QDir(SpoolFolder()).entryInfoList(QDir::Files, QDir::Time))
        if (f.size() > 0 && f.suffix() != QLatin1String("prn")) return f.absoluteFilePath();
    return {};
}

}  // namespace testcups
