#include "support/CupsScheduler.h"

#include <cups/cups.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testcups {
namespace {

const char* const kCupsd = "/usr/sbin/cupsd";

QString DataFile(const QString& name) {
    return QStringLiteral(OMBRASTELE_TEST_DATA_DIR "/") + name;
}

void WriteFile(const QString& path, const QString& text) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write " + path.toStdString());
    f.write(text.toUtf8());
}

}  // namespace

int FreeLoopbackPort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) return 0;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    close(s);
    return port;
}

// Drivers' last filters that the tests read the input of (see MakeServerBin).
const QStringList kCapturedFilters{QStringLiteral("rastertoptch")};

Scheduler& Scheduler::Instance() {
    static Scheduler instance;
    static const bool registered = [] {
        // Whatever way the process ends normally, no scheduler is left behind.
        std::atexit([] { Scheduler::Instance().Shutdown(); });
        return true;
    }();
    (void)registered;
    return instance;
}

Scheduler& Scheduler::PrintServer() {
    static Scheduler server(true);
    static const bool registered = [] {
        std::atexit([] { Scheduler::PrintServer().Shutdown(); });
        return true;
    }();
    (void)registered;
    return server;
}

Scheduler::~Scheduler() { Shutdown(); }

bool Scheduler::Available() { return QFileInfo(QString::fromLatin1(kCupsd)).isExecutable(); }

void Scheduler::MakeFolder() {
    if (!mDir.isEmpty()) return;
    QByteArray tmpl = QDir::tempPath().toLocal8Bit() + "/ombrastele-cups-XXXXXX";
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    mDir = QString::fromLocal8Bit(tmpl);
    // Filters run as the unprivileged user lp and read the PPD and spool
    // below this folder; the temporary folder is shared like /tmp.
    chmod(tmpl.constData(), 0755);
    for (const char* sub : {"etc", "spool", "cache", "state", "log", "out", "tmp"})
        QDir(mDir).mkpath(QString::fromLatin1(sub));
    chmod((tmpl + "/tmp").constData(), 01777);
    chmod((tmpl + "/out").constData(), 01777);
    if (mServer) mPort = FreeLoopbackPort();
    MakeServerBin();
    WriteConfiguration();
}

void Scheduler::MakeServerBin() {
    // The machine's filters, backends and drivers, linked one by one, with
    // the last filter of a driver stood in for by a capture: what that
    // filter would read goes to the queue's device unchanged.
    const QString bin = mDir + QStringLiteral("/lib");
    const QDir system(QStringLiteral("/usr/lib/cups"));
    QDir(mDir).mkpath(QStringLiteral("lib/filter"));
    for (const QFileInfo& entry : system.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot))
        if (entry.fileName() != QLatin1String("filter"))
            QFile::link(entry.absoluteFilePath(), bin + QLatin1Char('/') + entry.fileName());
    for (const QFileInfo& filter : QDir(system.filePath(QStringLiteral("filter"))).entryInfoList(QDir::Files))
        if (!kCapturedFilters.contains(filter.fileName()))
            QFile::link(filter.absoluteFilePath(), bin + QStringLiteral("/filter/") + filter.fileName());
    for (const QString& name : kCapturedFilters) {
        const QString path = bin + QStringLiteral("/filter/") + name;
        WriteFile(path, QStringLiteral("#!/bin/sh\nexec cat\n"));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                        QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    }
}

void Scheduler::WriteConfiguration() {
    const QString d = mDir;
    WriteFile(d + QStringLiteral("/etc/cupsd.conf"),
              QStringLiteral("LogLevel info\n"
                             "Listen %1/cups.sock\n%2"
                             "Browsing No\n"
                             "WebInterface No\n"
                             "DefaultAuthType None\n"
                             "PreserveJobHistory Yes\n"
                             "MaxJobs 0\n"
                             "JobRetryLimit 0\n"
                             "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                             "<Policy default>\n"
                             "  JobPrivateAccess all\n  JobPrivateValues none\n"
                             "  SubscriptionPrivateAccess all\n  SubscriptionPrivateValues none\n"
                             "  <Limit All>\n    Order deny,allow\n  </Limit>\n"
                             "</Policy>\n"
                             "<Policy guarded>\n"
                             "  <Limit CUPS-Get-PPD>\n    AuthType Basic\n    Require valid-user\n  </Limit>\n"
                             "  <Limit All>\n    Order deny,allow\n  </Limit>\n"
                             "</Policy>\n")
                  .arg(d, mPort > 0 ? QStringLiteral("Listen 127.0.0.1:%1\n").arg(mPort) : QString()));
    WriteFile(d + QStringLiteral("/etc/cups-files.conf"),
              QStringLiteral("ServerRoot %1/etc\n"
                             "RequestRoot %1/spool\n"
                             "CacheDir %1/cache\n"
                             "StateDir %1/state\n"
                             "TempDir %1/tmp\n"
                             "ServerBin %1/lib\n"
                             "DataDir /usr/share/cups\n"
                             "AccessLog %1/log/access_log\n"
                             "ErrorLog %1/log/error_log\n"
                             "PageLog %1/log/page_log\n"
                             "FileDevice Yes\n"
                             "SystemGroup root\n")
                  .arg(d));
}

bool Scheduler::Running() const {
    if (mPid <= 0) return false;
    int status = 0;
    return waitpid(mPid, &status, WNOHANG) == 0;
}

bool Scheduler::Start(QString* error) {
    if (Running()) return true;
    mPid = -1;
    if (!Available()) {
        if (error) *error = QStringLiteral("%1 is not installed").arg(QString::fromLatin1(kCupsd));
        return false;
    }
    MakeFolder();
    // Every CUPS client of this process, and every tool it starts, talks to
    // the private scheduler. libcups keeps the server per thread once read,
    // so it is also told directly.
    const QByteArray sock = SocketPath().toLocal8Bit();
    if (!mServer) {
        qputenv("CUPS_SERVER", sock);
        cupsSetServer(sock.constData());
    }
    QFile::remove(SocketPath());

    const QByteArray conf = (mDir + QStringLiteral("/etc/cupsd.conf")).toLocal8Bit();
    const QByteArray files = (mDir + QStringLiteral("/etc/cups-files.conf")).toLocal8Bit();
    const QByteArray log = (mDir + QStringLiteral("/log/cupsd.out")).toLocal8Bit();
    const pid_t pid = fork();
    if (pid < 0) {
        if (error) *error = QStringLiteral("fork failed");
        return false;
    }
    if (pid == 0) {
        // The scheduler dies with the test process, even when it crashes.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int fd = open(log.constData(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
        }
        execl(kCupsd, kCupsd, "-f", "-c", conf.constData(), "-s", files.constData(), (char*)nullptr);
        _exit(127);
    }
    mPid = pid;

    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 20000) {
        if (!Running()) break;
        if (QFileInfo::exists(SocketPath())) {
            http_t* http = httpConnect2(sock.constData(), ippPort(), nullptr, AF_UNSPEC,
                                        HTTP_ENCRYPTION_NEVER, 1, 1000, nullptr);
            if (http) {
                httpClose(http);
                return true;
            }
        }
        QThread::msleep(50);
    }
    if (error) {
        QFile out(QString::fromLocal8Bit(log));
        out.open(QIODevice::ReadOnly);
        *error = QStringLiteral("the private scheduler did not come up\n") + QString::fromUtf8(out.readAll()) +
                 ErrorLog();
    }
    Stop();
    return false;
}

void Scheduler::Freeze() {
    if (mPid > 0) kill(mPid, SIGSTOP);
}

void Scheduler::Thaw() {
    if (mPid > 0) kill(mPid, SIGCONT);
}

void Scheduler::Stop() {
    if (mPid <= 0) return;
    kill(mPid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 200; ++i) {
        const pid_t r = waitpid(mPid, &status, WNOHANG);
        if (r == mPid || r < 0) {
            mPid = -1;
            break;
        }
        QThread::msleep(25);
    }
    if (mPid > 0) {
        kill(mPid, SIGKILL);
        waitpid(mPid, &status, 0);
        mPid = -1;
    }
    QFile::remove(SocketPath());
}

void Scheduler::Shutdown() {
    Stop();
    if (!mDir.isEmpty()) {
        QDir(mDir).removeRecursively();
        mDir.clear();
    }
}

int Scheduler::RunTool(const QString& program, const QStringList& args, QString* output) const {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CUPS_SERVER"), SocketPath());
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted(10000)) {
        if (output) *output = program + QStringLiteral(": did not start");
        return -1;
    }
    p.waitForFinished(60000);
    if (output) *output = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

void Scheduler::AddQueue(const QString& name, const QString& ppdFileInTestsData, const QString& deviceUri) {
    // A driver that reads CUPS raster is stood in for by a capture filter
    // that passes on exactly what the driver would read: the raster the
    // program wrote, or the one cups-filters rendered from its PDF. (With no
    // filter at all the scheduler would hand a raster job to no one.)
    const QString capture = mDir + QStringLiteral("/etc/capture-filter");
    if (!QFileInfo::exists(capture)) {
        WriteFile(capture, QStringLiteral("#!/bin/sh\nif [ -n \"$6\" ]; then exec cat \"$6\"; else exec cat; fi\n"));
        QFile::setPermissions(capture, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                           QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    }
    QFile in(DataFile(ppdFileInTestsData));
    if (!in.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read " + ppdFileInTestsData.toStdString());
    QByteArray text = in.readAll();
    text.replace("\"application/vnd.cups-raster 0 -\"",
                 "\"application/vnd.cups-raster 0 " + capture.toLocal8Bit() + "\"");
    const QString ppd = mDir + QStringLiteral("/etc/queue-%1.ppd").arg(name);
    QFile outFile(ppd);
    if (!outFile.open(QIODevice::WriteOnly) || outFile.write(text) != text.size())
        throw std::runtime_error("cannot write " + ppd.toStdString());
    outFile.close();
    QString out;
    QStringList args{QStringLiteral("-p"), name, QStringLiteral("-v"), deviceUri, QStringLiteral("-P"), ppd,
                     QStringLiteral("-E")};
    if (mServer) args << QStringLiteral("-o") << QStringLiteral("printer-is-shared=true");
    const int rc = RunTool(QStringLiteral("lpadmin"), args, &out);
    if (rc != 0)
        throw std::runtime_error(QStringLiteral("lpadmin -p %1 failed (%2): %3\n%4")
                                     .arg(name)
                                     .arg(rc)
                                     .arg(out, ErrorLog())
                                     .toStdString());
}

QString Scheduler::AddRasterQueue(const QString& name, const QString& ppdFileInTestsData) {
    const QString path = OutputPath(name);
    QFile::remove(path);
    AddQueue(name, ppdFileInTestsData, QStringLiteral("file://") + path);
    return path;
}

void Scheduler::AddFailingQueue(const QString& name) {
    // The PPD names its filter by absolute path; the scheduler runs only
    // filters that others cannot write, so both live in its own folder.
    const QString filter = mDir + QStringLiteral("/etc/failing-filter.sh");
    QFile::remove(filter);
    if (!QFile::copy(DataFile(QStringLiteral("failing-filter.sh")), filter))
        throw std::runtime_error("cannot copy failing-filter.sh");
    QFile::setPermissions(filter, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                      QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    QFile in(DataFile(QStringLiteral("failing-filter.ppd")));
    if (!in.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read failing-filter.ppd");
    const QString ppd = mDir + QStringLiteral("/etc/failing-filter.ppd");
    WriteFile(ppd, QString::fromLatin1(in.readAll()).replace(QStringLiteral("@FILTER@"), filter));
    QString out;
    const int rc = RunTool(QStringLiteral("lpadmin"),
                           {QStringLiteral("-p"), name, QStringLiteral("-v"), QStringLiteral("file://") + OutputPath(name),
                            QStringLiteral("-P"), ppd, QStringLiteral("-E")},
                           &out);
    if (rc != 0)
        throw std::runtime_error(
            QStringLiteral("lpadmin -p %1 failed (%2): %3\n%4").arg(name).arg(rc).arg(out, ErrorLog()).toStdString());
}

namespace {
void MustRun(const Scheduler& s, const QString& tool, const QStringList& args) {
    QString out;
    const int rc = s.RunTool(tool, args, &out);
    if (rc != 0)
        throw std::runtime_error(
            QStringLiteral("%1 %2 failed (%3): %4").arg(tool, args.join(QLatin1Char(' '))).arg(rc).arg(out).toStdString());
}
}  // namespace

void Scheduler::DeleteQueue(const QString& name) { MustRun(*this, QStringLiteral("lpadmin"), {QStringLiteral("-x"), name}); }
void Scheduler::DisableQueue(const QString& name) { MustRun(*this, QStringLiteral("cupsdisable"), {name}); }
void Scheduler::EnableQueue(const QString& name) {
    MustRun(*this, QStringLiteral("cupsenable"), {name});
    MustRun(*this, QStringLiteral("cupsaccept"), {name});
}
void Scheduler::RejectJobs(const QString& name) { MustRun(*this, QStringLiteral("cupsreject"), {name}); }
void Scheduler::SetDefaultQueue(const QString& name) { MustRun(*this, QStringLiteral("lpadmin"), {QStringLiteral("-d"), name}); }

QString Scheduler::OutputPath(const QString& queue) const {
    return mDir + QStringLiteral("/out/") + queue + QStringLiteral(".ras");
}

void Scheduler::ClearOutput(const QString& queue) { QFile::remove(OutputPath(queue)); }

namespace {
// A connection to this scheduler itself, whichever is the process's default.
struct Own {
    http_t* http;
    explicit Own(const QString& socket)
        : http(httpConnect2(socket.toLocal8Bit().constData(), ippPort(), nullptr, AF_UNSPEC, HTTP_ENCRYPTION_NEVER, 1,
                            10000, nullptr)) {}
    ~Own() { if (http) httpClose(http); }
};
}  // namespace

QVector<JobInfo> Scheduler::Jobs(const QString& queue) const {
    QVector<JobInfo> result;
    cups_job_t* jobs = nullptr;
    const QByteArray q = queue.toUtf8();
    const Own own(SocketPath());
    const int n = cupsGetJobs2(own.http, &jobs, q.constData(), 0, CUPS_WHICHJOBS_ALL);
    for (int i = 0; i < n; ++i) {
        JobInfo j;
        j.id = jobs[i].id;
        j.queue = QString::fromUtf8(jobs[i].dest);
        j.state = int(jobs[i].state);
        j.title = QString::fromUtf8(jobs[i].title);
        result.append(j);
    }
    if (n > 0) cupsFreeJobs(n, jobs);
    std::sort(result.begin(), result.end(), [](const JobInfo& a, const JobInfo& b) { return a.id < b.id; });
    return result;
}

bool Scheduler::WaitForJobs(const QString& queue, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    const QByteArray q = queue.toUtf8();
    const Own own(SocketPath());
    for (;;) {
        cups_job_t* jobs = nullptr;
        const int n = cupsGetJobs2(own.http, &jobs, q.constData(), 0, CUPS_WHICHJOBS_ACTIVE);
        if (n > 0) cupsFreeJobs(n, jobs);
        if (n == 0) break;
        if (n < 0 && cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND) break;  // no such queue: nothing to wait for
        if (timer.elapsed() > timeoutMs) return false;
        QThread::msleep(100);
    }
    // The file device is closed when the job completes; make sure nothing
    // still grows it.
    qint64 last = -1;
    while (timer.elapsed() <= timeoutMs) {
        const qint64 size = QFileInfo(OutputPath(queue)).size();
        if (size == last) return true;
        last = size;
        QThread::msleep(100);
    }
    return false;
}

QString Scheduler::ErrorLog() const {
    QFile f(mDir + QStringLiteral("/log/error_log"));
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("(no error_log)");
    const QByteArray all = f.readAll();
    // The tail is what explains a failure.
    return QStringLiteral("--- cupsd error_log (tail) ---\n") + QString::fromUtf8(all.right(6000));
}

}  // namespace testcups
