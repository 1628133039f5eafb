// A printer shared by another computer. A print server (a second private
// scheduler on a loopback port) shares a queue of a real driver description
// (Epson ESC/P-R: 360 dpi set by its MediaType code, no Resolution option,
// so the shared queue advertises 300 dpi), its driver stood in for by the
// capture. The tests' scheduler prints through it with a driverless queue
// made as desktops make them (`lpadmin -m everywhere`); a thin client has
// no queue of its own.
#include "CupsFixture.h"
#include "PageCheck.h"

#include "platform/print/SystemPrinters.h"
#include "support/PixelCheck.h"
#include "support/ProgramRun.h"
#include "support/RasterReader.h"
#include "support/TrueGeometry.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <arpa/inet.h>
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
        truth = testcups::ComputeTrueGeometry(QStringLiteral(OMBRASTELE_TEST_DATA_DIR "/") + QLatin1String(kDriverPpd));
        ASSERT_TRUE(truth.ok) << truth.error.toStdString();
    }
    static testcups::Scheduler& Server() { return testcups::Scheduler::PrintServer(); }

    // A queue here made onto `resource` of the server as desktops make it;
    // its description is written after lpadmin returns.
    void AddClient(const QString& client, const QString& resource) {
        const QString uri = QStringLiteral("ipp://127.0.0.1:%1%2").arg(Server().Port()).arg(resource);
        ASSERT_EQ(Cups().RunTool(QStringLiteral("lpadmin"), {QStringLiteral("-p"), client, QStringLiteral("-v"), uri,
                                                             QStringLiteral("-m"), QStringLiteral("everywhere"),
                                                             QStringLiteral("-E")}),
                  0);
        const QString ppd = Cups().Folder() + QStringLiteral("/etc/ppd/%1.ppd").arg(client);
        QElapsedTimer t;
        t.start();
        while (!QFile::exists(ppd) && t.elapsed() < 60000) QThread::msleep(50);
        ASSERT_TRUE(QFile::exists(ppd)) << Cups().ErrorLog().toStdString();
    }

    // The one page the server's driver was handed, at the driver's resolution.
    QImage DriversPage(const QString& shared) {
        if (!Server().WaitForJobs(shared)) throw std::runtime_error("the server's queue did not finish");
        const QVector<testcups::RasterPage> pages = testcups::ReadRasterFile(Server().OutputPath(shared));
        if (pages.size() != 1) throw std::runtime_error("not one page at the server's driver");
        EXPECT_EQ(QSize(pages[0].xdpi, pages[0].ydpi), QSize(truth.xdpi, truth.ydpi));
        return pages[0].image;
    }

    testcups::TrueGeometry truth;
};

}  // namespace

TEST_F(SharedQueueTest, DriverlessClientQueueHandsTheServersDriverEveryDot) {
    Server().AddRasterQueue(QStringLiteral("EscprShared"), QString::fromLatin1(kDriverPpd));
    AddClient(QStringLiteral("EscprClient"), QStringLiteral("/printers/EscprShared"));
    platform::PrinterPtr printer;
    ASSERT_NO_THROW(printer = platform::MakeQueuePrinter(QStringLiteral("EscprClient")));
    const platform::Printer::DeviceFacts facts = printer->Facts();
    EXPECT_EQ(facts.source.toStdString(), "shared by 127.0.0.1");
    EXPECT_EQ(facts.pageFormat.toStdString(), "CUPS raster");
    const Grid grid{{0, 0}, {truth.width, truth.height}, 1, 1};
    EXPECT_EQ(facts.areaDots, grid.cells);
    // Odd sizes on half cells with guides to the edges; a picture as large
    // as the area, whole.
    for (const QSize size : {QSize(grid.cells.width() / 3 | 1, grid.cells.height() / 5 | 1), grid.cells}) {
        Server().ClearOutput(QStringLiteral("EscprShared"));
        PrintAndCheck(QStringLiteral("EscprClient"), *printer, grid, Picture(size.width(), size.height(), true, 5),
                      size != grid.cells, false, [&] { return DriversPage(QStringLiteral("EscprShared")); });
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
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("noise.png"));
    const QImage noise = testcups::MakeNoise(301, 177, 3);
    ASSERT_TRUE(noise.save(path, "PNG"));
    // No scheduler of its own: the program talks to the server over loopback.
    QProcessEnvironment env;
    env.insert(QStringLiteral("CUPS_SERVER"), QStringLiteral("127.0.0.1:%1").arg(Server().Port()));
    Server().ClearOutput(QStringLiteral("EscprThin"));
    const ProgramRun run = RunProgram(
        {QStringLiteral("--print"), path, QStringLiteral("--printer"), QStringLiteral("EscprThin"), QStringLiteral("--wait")},
        env);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QImage page = DriversPage(QStringLiteral("EscprThin"));
    EXPECT_EQ(page.size(), QSize(truth.width, truth.height));
    const QPoint at = ExpectedTopLeft(page.width(), page.height(), noise.width(), noise.height());
    EXPECT_EQ(testcups::CompareAt(page, noise, at).toStdString(), "");
}

TEST_F(SharedQueueTest, ServerThatRefusesOrIsSilentLeavesTheQueuesOwnWayAndSaysWhy) {
    // Guarded: a password before the description.
    Server().AddRasterQueue(QStringLiteral("EscprGuarded"), QString::fromLatin1(kDriverPpd));
    ASSERT_EQ(Server().RunTool(QStringLiteral("lpadmin"), {QStringLiteral("-p"), QStringLiteral("EscprGuarded"),
                                                           QStringLiteral("-o"), QStringLiteral("printer-op-policy=guarded")}),
              0);
    AddClient(QStringLiteral("GuardedClient"), QStringLiteral("/printers/EscprGuarded"));
    // Its driverless description again: onto a server whose queue is
    // driverless too, onto one that takes the connection and never
    // answers, and onto one that is gone.
    QTemporaryDir dir;
    const QString everywhere = dir.filePath(QStringLiteral("everywhere.ppd"));
    ASSERT_TRUE(QFile::copy(Cups().Folder() + QStringLiteral("/etc/ppd/GuardedClient.ppd"), everywhere));
    ASSERT_EQ(Server().RunTool(QStringLiteral("lpadmin"),
                               {QStringLiteral("-p"), QStringLiteral("DriverlessShared"), QStringLiteral("-v"),
                                QStringLiteral("file:///dev/null"), QStringLiteral("-P"), everywhere, QStringLiteral("-E")}),
              0);
    const int silent = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t len = sizeof a;
    ASSERT_TRUE(bind(silent, reinterpret_cast<sockaddr*>(&a), len) == 0 && listen(silent, 8) == 0 &&
                getsockname(silent, reinterpret_cast<sockaddr*>(&a), &len) == 0);
    const struct {
        const char* client;
        int port;  // 0: made above
        const char* reason;
        const char* queue = "EscprGuarded";
    } rows[] = {{"GuardedClient", 0, "the server asks for a password"},
                {"DriverlessServerClient", Server().Port(), "its queue is driverless too", "DriverlessShared"},
                {"SilentClient", ntohs(a.sin_port), "the server does not answer"},
                {"GoneClient", testcups::FreeLoopbackPort(), "the server does not answer"}};
    const QString path = dir.filePath(QStringLiteral("p.png"));
    ASSERT_TRUE(testcups::MakeNoise(64, 48, 1).save(path, "PNG"));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.client);
        const QString client = QString::fromLatin1(row.client);
        const QString uri = QStringLiteral("ipp://127.0.0.1:%1/printers/%2").arg(row.port).arg(row.queue);
        if (row.port > 0)
            ASSERT_EQ(Cups().RunTool(QStringLiteral("lpadmin"), {QStringLiteral("-p"), client, QStringLiteral("-v"), uri,
                                                                 QStringLiteral("-P"), everywhere, QStringLiteral("-E")}),
                      0);
        QElapsedTimer timer;
        timer.start();
        platform::PrinterPtr printer;
        ASSERT_NO_THROW(printer = platform::MakeQueuePrinter(client));
        EXPECT_LT(timer.elapsed(), 15000) << "one short deadline for the server, never a stall";
        // Today's way: the driverless queue's own raster; the figures say why.
        EXPECT_EQ(printer->Facts().pageFormat.toStdString(), "Apple raster");
        const QString why = QStringLiteral("not the driver shared by 127.0.0.1: ") + QLatin1String(row.reason);
        EXPECT_TRUE(printer->Facts().source.contains(why)) << printer->Facts().source.toStdString();
        const ProgramRun info = RunProgram({QStringLiteral("--info"), path, QStringLiteral("--printer"), client});
        EXPECT_TRUE(info.status == 0 && info.out.contains(why)) << info.out.toStdString() << info.err.toStdString();
    }
    close(silent);
    for (const auto& row : rows) Cups().DeleteQueue(QString::fromLatin1(row.client));
}
