#pragma once
// A private CUPS scheduler for the tests that print for real: its own
// configuration, spool and socket in a temporary folder, queues whose device
// is a file (CUPS raster from a test PPD), started once per process and
// stopped at exit. Its filters are the machine's, except that a real
// driver's last filter (rastertoptch) writes what it reads to the device. Clients of this process reach it through CUPS_SERVER,
// which Start() sets before any CUPS call is made.
#include <QString>
#include <QStringList>
#include <QVector>
#include <sys/types.h>

namespace testcups {

struct JobInfo {
    int id = 0;
    QString queue;
    int state = 0;  // ipp_jstate_t: 3 pending ... 7 cancelled, 8 aborted, 9 completed
    QString title;
};

// A port nobody listens on now, on loopback; the kernel picks it.
int FreeLoopbackPort();

class Scheduler {
public:
    static Scheduler& Instance();
    // A second scheduler, a print server for the first: it also listens on
    // a free loopback port (Port()), its queues are shared, and it is no
    // client's default (CUPS_SERVER stays the first's). Its policy
    // "guarded" asks for a password before it gives a queue's description
    // (CUPS-Get-PPD).
    static Scheduler& PrintServer();
    int Port() const { return mPort; }

    // Whether a scheduler binary is installed at all (the only reason to skip).
    static bool Available();

    // Starts cupsd (no-op when running). Returns false and fills `error`
    // (with the scheduler's error log) when it does not come up.
    bool Start(QString* error = nullptr);
    // Stops cupsd; queues and their configuration stay for the next Start.
    void Stop();
    bool Running() const;
    // Stops the scheduler's process where it is (SIGSTOP): it keeps its
    // socket, takes connections and answers nothing until thawed (SIGCONT).
    void Freeze();
    void Thaw();

    // Stops the scheduler and removes every file it made.
    void Shutdown();

    QString SocketPath() const { return mDir + QStringLiteral("/cups.sock"); }
    QString Folder() const { return mDir; }

    // Adds (or replaces) a queue from a PPD in the tests' data folder whose
    // device writes to a file; returns that file's path. Throws
    // std::runtime_error when lpadmin fails.
    QString AddRasterQueue(const QString& name, const QString& ppdFileInTestsData);
    // A queue on an arbitrary device URI (for example file:///dev/full).
    void AddQueue(const QString& name, const QString& ppdFileInTestsData, const QString& deviceUri);
    // A queue on failing-filter.ppd whose driver is failing-filter.sh: every
    // job fails in the filter, which CUPS reports as job-state stopped with
    // job-completed-with-errors and the filter's message; the queue itself
    // stays enabled. Its device is a raster file (never written).
    void AddFailingQueue(const QString& name);
    void DeleteQueue(const QString& name);
    void DisableQueue(const QString& name);  // cupsdisable: stops printing
    void EnableQueue(const QString& name);   // cupsenable + cupsaccept
    void RejectJobs(const QString& name);    // cupsreject: refuses new jobs
    void SetDefaultQueue(const QString& name);

    QString OutputPath(const QString& queue) const;
    // Removes the queue's output file so the next job's output stands alone.
    void ClearOutput(const QString& queue);

    // Every job the scheduler knows of on `queue` (all states), oldest first.
    QVector<JobInfo> Jobs(const QString& queue) const;
    // Waits until `queue` has no pending, held or processing job and its
    // output file has stopped growing. False on timeout.
    bool WaitForJobs(const QString& queue, int timeoutMs = 120000);

    // The scheduler's error log (for failure messages).
    QString ErrorLog() const;

    // Runs a CUPS command-line tool against this scheduler; returns its exit
    // code and puts stdout+stderr in `output`.
    int RunTool(const QString& program, const QStringList& args, QString* output = nullptr) const;

    ~Scheduler();

private:
    explicit Scheduler(bool server = false) : mServer(server) {}
    void MakeFolder();
    void MakeServerBin();
    void WriteConfiguration();

    QString mDir;
    pid_t mPid = -1;
    bool mServer = false;
    int mPort = 0;
};

}  // namespace testcups
