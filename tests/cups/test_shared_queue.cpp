// A printer shared by another computer. A print server (a second private
// scheduler on a loopback port) shares a queue of a real driver description
// (Epson ESC/P-R: 360 dpi set by its MediaType code, no Resolution option,
// so the shared queue advertises another resolution), its driver stood in
// for by the capture; the tests' scheduler is the computer that prints
// through it, with a driverless queue made the way desktops make them
// (`lpadmin -m everywhere`), or no queue of its own (a thin client).
#include "CupsFixture.h"
#include "PageCheck.h"

#include "platform/picture/Picture.h"
#include "platform/print/SystemPrinters.h"
#include "printing/PrintJob.h"
#include "support/PixelCheck.h"
#include "support/ProgramRun.h"
#include "support/RasterReader.h"
#include "support/TrueGeometry.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <cups/cups.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace cupstest;

namespace {

const char kDriverPpd[] = "real/epson-l3050-escpr.ppd";

class SharedQueueTest : public CupsTest {
protected:
    void SetUp() override {
        CupsTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        QString error;
        ASSERT_TRUE(Server().Start(&error)) << error.toStdString();
    }
    static testcups::Scheduler& Server() { return testcups::Scheduler::PrintServer(); }

    // A queue `client` here made onto `resource` of the server as desktops make it.
    static void AddClient(const QString& client, const QString& resource) {
        QString out;
        const QString uri = QStringLiteral("ipp://127.0.0.1:%1%2").arg(Server().Port()).arg(resource);
        ASSERT_EQ(testcups::Scheduler::Instance().RunTool(
                      QStringLiteral("lpadmin"), {QStringLiteral("-p"), client, QStringLiteral("-v"), uri,
                                                  QStringLiteral("-m"), QStringLiteral("everywhere"), QStringLiteral("-E")},
                      &out),
                  0)
            << out.toStdString();
        // The scheduler writes the queue's description after lpadmin returns.
        const QString ppd = testcups::Scheduler::Instance().Folder() + QStringLiteral("/etc/ppd/%1.ppd").arg(client);
        QElapsedTimer timer;
        timer.start();
        while (!QFile::exists(ppd) && timer.elapsed() < 60000) QThread::msleep(50);
        ASSERT_TRUE(QFile::exists(ppd)) << testcups::Scheduler::Instance().ErrorLog().toStdString();
    }

    // The one page the server's driver was handed, once its queue is idle.
    static testcups::RasterPage DriversPage(const QString& shared) {
        if (!Server().WaitForJobs(shared)) throw std::runtime_error("the server's queue did not finish");
        const QVector<testcups::RasterPage> pages = testcups::ReadRasterFile(Server().OutputPath(shared));
        if (pages.size() != 1) throw std::runtime_error("not one page at the server's driver");
        return pages[0];
    }

    static testcups::TrueGeometry Truth() {
        return testcups::ComputeTrueGeometry(QStringLiteral(OMBRASTELE_TEST_DATA_DIR "/") + QLatin1String(kDriverPpd));
    }
};

}  // namespace

TEST_F(SharedQueueTest, DriverlessClientQueueHandsTheServersDriverEveryDot) {
    Server().AddRasterQueue(QStringLiteral("EscprShared"), QString::fromLatin1(kDriverPpd));
    AddClient(QStringLiteral("EscprClient"), QStringLiteral("/printers/EscprShared"));
    const testcups::TrueGeometry truth = Truth();
    ASSERT_TRUE(truth.ok) << truth.error.toStdString();
    platform::PrinterPtr printer;
    ASSERT_NO_THROW(printer = platform::MakeQueuePrinter(QStringLiteral("EscprClient")));
    const platform::Printer::DeviceFacts facts = printer->Facts();
    // The driver's own figures, not the 300 dpi the shared queue advertises.
    EXPECT_EQ(facts.source.toStdString(), "shared by 127.0.0.1");
    EXPECT_EQ(facts.pageFormat.toStdString(), "CUPS raster");
    EXPECT_EQ(QSize(facts.xdpi, facts.ydpi), QSize(truth.xdpi, truth.ydpi));
    const Grid grid{{0, 0}, {truth.width, truth.height}, 1, 1};
    EXPECT_EQ(facts.areaDots, grid.cells);

    const auto readPage = [&] {
        const testcups::RasterPage page = DriversPage(QStringLiteral("EscprShared"));
        EXPECT_EQ(QSize(page.xdpi, page.ydpi), QSize(truth.xdpi, truth.ydpi));
        return page.image;
    };
    // Odd sizes on half cells with guides to the edges; then a picture as
    // large as the area, whole.
    for (const QSize size : {QSize(grid.cells.width() / 3 | 1, grid.cells.height() / 5 | 1), grid.cells}) {
        SCOPED_TRACE(size.width());
        Server().ClearOutput(QStringLiteral("EscprShared"));
        PrintAndCheck(QStringLiteral("EscprClient"), *printer, grid, Picture(size.width(), size.height(), true, 5),
                      size != grid.cells, false, readPage);
        // The job is where the user looks: on the queue they chose.
        EXPECT_EQ(printer->LastOutcome().queue, QStringLiteral("EscprClient"));
    }
    const ProgramRun list = RunProgram({QStringLiteral("--list-printers")});
    EXPECT_TRUE(list.out.contains(QStringLiteral("%1 x %1 DPI (shared by 127.0.0.1)").arg(truth.xdpi)))
        << list.out.toStdString();
    Cups().DeleteQueue(QStringLiteral("EscprClient"));
}

TEST_F(SharedQueueTest, ThinClientPrintsOnTheServersQueueDotForDot) {
    Server().AddRasterQueue(QStringLiteral("EscprThin"), QString::fromLatin1(kDriverPpd));
    const testcups::TrueGeometry truth = Truth();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("noise.png"));
    const QImage noise = testcups::MakeNoise(301, 177, 3);
    ASSERT_TRUE(noise.save(path, "PNG"));
    // No scheduler of its own: the program talks to the server over loopback.
    QProcessEnvironment env;
    env.insert(QStringLiteral("CUPS_SERVER"), QStringLiteral("127.0.0.1:%1").arg(Server().Port()));
    const ProgramRun info = RunProgram({QStringLiteral("--info"), path, QStringLiteral("--printer"),
                                        QStringLiteral("EscprThin")}, env);
    ASSERT_EQ(info.status, 0) << info.err.toStdString();
    EXPECT_TRUE(info.out.contains(QStringLiteral("%1 x %2 DPI (PPD)").arg(truth.xdpi).arg(truth.ydpi)))
        << info.out.toStdString();

    Server().ClearOutput(QStringLiteral("EscprThin"));
    const ProgramRun run = RunProgram({QStringLiteral("--print"), path, QStringLiteral("--printer"),
                                       QStringLiteral("EscprThin"), QStringLiteral("--wait")}, env);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const testcups::RasterPage page = DriversPage(QStringLiteral("EscprThin"));
    EXPECT_EQ(QSize(page.xdpi, page.ydpi), QSize(truth.xdpi, truth.ydpi));
    EXPECT_EQ(QSize(page.width, page.height), QSize(truth.width, truth.height));
    const QPoint at = ExpectedTopLeft(page.width, page.height, noise.width(), noise.height());
    EXPECT_EQ(testcups::CompareAt(page.image, noise, at).toStdString(), "");
}

TEST_F(SharedQueueTest, ServerThatRefusesOrIsSilentLeavesTheQueuesOwnWayAndSaysWhy) {
    // The server asks for a password before it gives the description.
    Server().AddRasterQueue(QStringLiteral("EscprGuarded"), QString::fromLatin1(kDriverPpd));
    ASSERT_EQ(Server().RunTool(QStringLiteral("lpadmin"), {QStringLiteral("-p"), QStringLiteral("EscprGuarded"),
                                                           QStringLiteral("-o"), QStringLiteral("printer-op-policy=guarded")}),
              0);
    AddClient(QStringLiteral("GuardedClient"), QStringLiteral("/printers/EscprGuarded"));
    // The same driverless description on a server that takes the connection
    // and never answers, and on one that is gone.
    QTemporaryDir dir;
    const QString everywhere = dir.filePath(QStringLiteral("everywhere.ppd"));
    ASSERT_TRUE(QFile::copy(Cups().Folder() + QStringLiteral("/etc/ppd/GuardedClient.ppd"), everywhere));
    const int silent = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(listen(silent, 8), 0);
    ASSERT_EQ(getsockname(silent, reinterpret_cast<sockaddr*>(&a), &len), 0);
    const struct {
        const char* client;
        int port;  // 0: made above
        const char* reason;
    } rows[] = {
        {"GuardedClient", 0, "the server asks for a password"},
        {"SilentClient", ntohs(a.sin_port), "the server does not answer"},
        {"GoneClient", testcups::FreeLoopbackPort(), "the server does not answer"},
    };
    const QString path = dir.filePath(QStringLiteral("p.png"));
    ASSERT_TRUE(testcups::MakeNoise(64, 48, 1).save(path, "PNG"));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.client);
        const QString client = QString::fromLatin1(row.client);
        if (row.port > 0)
            ASSERT_EQ(Cups().RunTool(QStringLiteral("lpadmin"),
                                     {QStringLiteral("-p"), client, QStringLiteral("-v"),
                                      QStringLiteral("ipp://127.0.0.1:%1/printers/EscprGuarded").arg(row.port),
                                      QStringLiteral("-P"), everywhere, QStringLiteral("-E")}),
                      0);
        QElapsedTimer timer;
        timer.start();
        platform::PrinterPtr printer;
        ASSERT_NO_THROW(printer = platform::MakeQueuePrinter(client));
        // One deadline for the server, never a stall (the bound is generous).
        EXPECT_LT(timer.elapsed(), 15000);
        const platform::Printer::DeviceFacts facts = printer->Facts();
        // Today's way: the driverless queue's own raster.
        EXPECT_EQ(facts.pageFormat.toStdString(), "Apple raster");
        const QString why = QStringLiteral("not the driver shared by 127.0.0.1: ") + QLatin1String(row.reason);
        EXPECT_TRUE(facts.source.contains(why)) << facts.source.toStdString();
        const ProgramRun info = RunProgram({QStringLiteral("--info"), path, QStringLiteral("--printer"), client});
        ASSERT_EQ(info.status, 0) << info.err.toStdString();
        EXPECT_TRUE(info.out.contains(why)) << info.out.toStdString();
    }
    close(silent);
    for (const auto& row : rows) Cups().DeleteQueue(QString::fromLatin1(row.client));
}
