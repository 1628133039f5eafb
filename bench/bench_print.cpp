// The print job with a 30-megapixel picture filling an A4 page at 600 dpi
// (4658 x 6417 pixels): File > Print's job from its start to the job handed
// to the scheduler (RunPrintJob returned on a CUPS queue) and to a PDF file
// written, next to `img2pdf --imgsize 600dpi` on the same picture saved as
// PNG and as BMP, in the same run. Also each path's peak memory, measured in
// a process of its own and compared to the decoded picture (4 bytes a pixel).
//
// The queue cases need a scheduler and a queue named in
// OMBRASTELE_BENCH_QUEUE (bench/run-print-bench.sh sets both up); without it
// they are skipped.
#include "platform/picture/Picture.h"
#include "platform/print/SystemPrinters.h"
#include "printing/PrintJob.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QString>
#include <QTemporaryDir>

#include <cups/cups.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

// A4 at 600 dpi less a few millimetres of margin: 30 megapixels.
constexpr int kWidth = 4658;
constexpr int kHeight = 6417;
constexpr double kDecodedBytes = double(kWidth) * kHeight * 4;  // 32-bit pixels as decoded
constexpr double kMiB = 1024.0 * 1024.0;

// Set in the one-print child process: "<queue|pdf>\n<picture>\n<result file>".
const char* const kChildVariable = "OMBRASTELE_BENCH_PRINT_CHILD";

// CRC-32 of PNG chunks (ISO 3309, reflected 0xedb88320).
quint32 Crc32(const QByteArray& bytes) {
    quint32 crc = 0xffffffffu;
    for (const char ch : bytes) {
        crc ^= quint8(ch);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// The same PNG with its compressed data in one IDAT chunk instead of Qt's
// many small ones: img2pdf copies a PNG's IDAT data into the PDF unchanged,
// but gathers the chunks by appending to a growing byte string, which costs
// time in the square of their number. This file is its best case.
QString OneChunkPng(const QString& png, const QString& out) {
    QFile in(png);
    if (!in.open(QIODevice::ReadOnly)) std::abort();
    const QByteArray all = in.readAll();
    QByteArray head = all.left(8), data, tail;
    for (qsizetype i = 8; i + 12 <= all.size();) {
        const quint32 n = (quint32(quint8(all[i])) << 24) | (quint32(quint8(all[i + 1])) << 16) |
                          (quint32(quint8(all[i + 2])) << 8) | quint32(quint8(all[i + 3]));
        const QByteArray type = all.mid(i + 4, 4);
        if (type == "IDAT") data += all.mid(i + 8, n);
        else (data.isEmpty() ? head : tail) += all.mid(i, 12 + qsizetype(n));
        i += 12 + qsizetype(n);
    }
    QByteArray chunk("IDAT");
    chunk += data;
    const auto be32 = [](quint32 v) {
        const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        return QByteArray(b, 4);
    };
    QFile f(out);
    if (!f.open(QIODevice::WriteOnly)) std::abort();
    f.write(head + be32(quint32(data.size())) + chunk + be32(Crc32(chunk)) + tail);
    return out;
}

struct Files {
    QTemporaryDir dir;
    QString png;
    QString pngOneChunk;
    QString bmp;
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

// A gradient with noise over it, photo-like: neither trivial to compress nor
// a worst case. Made once per run, saved as PNG (8-bit RGB) and BMP (24-bit).
const Files& Pictures() {
    static Files files = [] {
        Files f;
        QImage img(kWidth, kHeight, QImage::Format_RGB32);
        QRandomGenerator rng(11);
        for (int y = 0; y < img.height(); ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                const quint32 n = rng.generate();
                line[x] = qRgb((x * 255 / img.width() + (n & 15)) & 255,
                               (y * 255 / img.height() + ((n >> 8) & 15)) & 255,
                               ((x + y) * 255 / (img.width() + img.height()) + ((n >> 16) & 15)) & 255);
            }
        }
        f.png = f.Path("picture.png");
        f.bmp = f.Path("picture.bmp");
        if (!img.save(f.png, "PNG") || !img.save(f.bmp, "BMP")) std::abort();
        f.pngOneChunk = OneChunkPng(f.png, f.Path("picture-one-idat.png"));
        return f;
    }();
    return files;
}

const platform::PicturePtr& DecodedPicture() {
    static const platform::PicturePtr picture = platform::LoadPicture(Pictures().png);
    return picture;
}

QString QueueName() { return qEnvironmentVariable("OMBRASTELE_BENCH_QUEUE"); }

double ResidentBytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toDouble() * 1024.0;
    return 0;
}

// Runs a program to its end under /usr/bin/time; returns its exit status
// and its peak resident size in KiB. Linux carries a process's peak across
// exec, and posix_spawn starts the child in this process's memory, so the
// child's own ru_maxrss would never read below this (large) process's peak:
// time, a small process, starts it instead and reports the child's alone.
int RunChild(std::vector<std::string> argv, const std::vector<std::string>& extraEnv, long* peakKiB) {
    const std::string peakFile = Pictures().Path("child-peak.txt").toStdString();
    argv.insert(argv.begin(), {"/usr/bin/time", "-f", "%M", "-o", peakFile});
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> envStore(extraEnv);
    std::vector<char*> env;
    for (char** e = environ; *e; ++e) env.push_back(*e);
    for (std::string& e : envStore) env.push_back(e.data());
    env.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The child's chatter (its own benchmark table, img2pdf's notes) is not ours.
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    QFile peak(QString::fromStdString(peakFile));
    if (!peak.open(QIODevice::ReadOnly)) return -1;
    const QList<QByteArray> lines = peak.readAll().trimmed().split('\n');
    *peakKiB = lines.last().trimmed().toLong();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Removes the queue's jobs so held jobs do not pile up in the spool.
void PurgeJobs(const QString& queue) {
    cupsCancelJob2(CUPS_HTTP_DEFAULT, queue.toUtf8().constData(), CUPS_JOBID_ALL, 1);
}

platform::PrinterPtr MakeTarget(const QString& target, const QString& pdfPath) {
    return target == QLatin1String("pdf") ? platform::MakePdfPrinter(pdfPath) : platform::MakeQueuePrinter(target);
}

void PrintOnce(platform::Printer& printer, const platform::Picture& picture) {
    printing::RunPrintJob(printer, picture, int16_t(picture.Image().width()), int16_t(picture.Image().height()),
                          false);
}

// ---- our path, time ------------------------------------------------------

// The picture is open and the printer chosen before the command, as in the
// window; the time is the job's alone.
void BM_PrintToQueue(benchmark::State& state) {
    const QString queue = QueueName();
    if (queue.isEmpty()) {
        state.SkipWithError("OMBRASTELE_BENCH_QUEUE not set (run bench/run-print-bench.sh)");
        return;
    }
    const platform::PicturePtr& picture = DecodedPicture();
    const platform::PrinterPtr printer = platform::MakeQueuePrinter(queue);
    for (auto _ : state) {
        PrintOnce(*printer, *picture);
        state.PauseTiming();
        PurgeJobs(queue);
        state.ResumeTiming();
    }
    state.counters["MPixels"] = kWidth * double(kHeight) / 1e6;
}
BENCHMARK(BM_PrintToQueue)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);

void BM_PrintToPdf(benchmark::State& state) {
    const platform::PicturePtr& picture = DecodedPicture();
    const QString out = Pictures().Path("ours.pdf");
    const platform::PrinterPtr printer = platform::MakePdfPrinter(out);
    for (auto _ : state) PrintOnce(*printer, *picture);
    state.counters["PdfMB"] = QFile(out).size() / kMiB;
}
BENCHMARK(BM_PrintToPdf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);

// What opening the picture costs before the command (not part of the job).
void BM_LoadPicture(benchmark::State& state) {
    const QString path = state.range(0) == 0 ? Pictures().png : Pictures().bmp;
    state.SetLabel(state.range(0) == 0 ? "png" : "bmp");
    for (auto _ : state) benchmark::DoNotOptimize(platform::LoadPicture(path));
}
BENCHMARK(BM_LoadPicture)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);

// ---- img2pdf, time and peak memory ---------------------------------------

void BM_Img2pdf(benchmark::State& state) {
    const int kind = int(state.range(0));
    const QString in = kind == 0 ? Pictures().png : kind == 1 ? Pictures().bmp : Pictures().pngOneChunk;
    const QString out = Pictures().Path("img2pdf.pdf");
    state.SetLabel(kind == 0 ? "png (as Qt saves it)" : kind == 1 ? "bmp" : "png, one IDAT chunk");
    long peakKiB = 0;
    for (auto _ : state) {
        long childPeakKiB = 0;
        const int rc = RunChild({"/usr/bin/img2pdf", "--imgsize", "600dpi", in.toStdString(), "-o", out.toStdString()},
                                {}, &childPeakKiB);
        if (rc != 0) {
            state.SkipWithError("img2pdf failed (is it installed?)");
            return;
        }
        peakKiB = std::max(peakKiB, childPeakKiB);
    }
    // The whole process (interpreter included): there is no baseline to take off.
    state.counters["PeakMB"] = peakKiB * 1024.0 / kMiB;
    state.counters["xDecoded"] = peakKiB * 1024.0 / kDecodedBytes;
    state.counters["PdfMB"] = QFile(out).size() / kMiB;
}
// One run each: the PNG as Qt saves it takes img2pdf minutes on a loaded machine.
BENCHMARK(BM_Img2pdf)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// ---- our path, peak memory -----------------------------------------------

// One print in a fresh process (this program again, running only the hidden
// child case below): its peak resident size less what it held before the
// picture was loaded, against the decoded picture's bytes.
void BM_PrintPeakMemory(benchmark::State& state) {
    const bool toPdf = state.range(0) == 1;
    const QString target = toPdf ? QStringLiteral("pdf") : QueueName();
    state.SetLabel(toPdf ? "pdf" : "queue");
    if (target.isEmpty()) {
        state.SkipWithError("OMBRASTELE_BENCH_QUEUE not set (run bench/run-print-bench.sh)");
        return;
    }
    const QString result = Pictures().Path("child-result.txt");
    double baseline = 0, peak = 0;
    for (auto _ : state) {
        QFile::remove(result);
        const std::string variable = std::string(kChildVariable) + "=" +
                                     (target + QLatin1Char('\n') + Pictures().png + QLatin1Char('\n') + result)
                                         .toStdString();
        long childPeakKiB = 0;
        const int rc = RunChild({QCoreApplication::applicationFilePath().toStdString(),
                                 "--benchmark_filter=^BM_PrintChild"},
                                {variable}, &childPeakKiB);
        QFile f(result);
        if (rc != 0 || !f.open(QIODevice::ReadOnly)) {
            state.SkipWithError("the one-print child failed");
            return;
        }
        const QList<QByteArray> figures = f.readAll().trimmed().split(' ');
        if (figures.size() != 2) {
            state.SkipWithError("the one-print child wrote no figures");
            return;
        }
        baseline = figures[0].toDouble();
        peak = figures[1].toDouble();
        if (!toPdf) PurgeJobs(target);
    }
    state.counters["BaselineMB"] = baseline / kMiB;
    state.counters["PeakMB"] = peak / kMiB;
    state.counters["xDecoded"] = (peak - baseline) / kDecodedBytes;
}
BENCHMARK(BM_PrintPeakMemory)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// The child's one print: the printer made first (it exists before the
// command in the window), then the baseline, then load and print. Writes
// "<baseline bytes> <peak bytes>" to the result file.
void BM_PrintChild(benchmark::State& state) {
    const QList<QByteArray> parts = qgetenv(kChildVariable).split('\n');
    if (parts.size() != 3) {
        state.SkipWithError("bad child arguments");
        return;
    }
    const QString target = QString::fromUtf8(parts[0]);
    const QString result = QString::fromUtf8(parts[2]);
    const QTemporaryDir scratch;
    const platform::PrinterPtr printer = MakeTarget(target, scratch.filePath(QStringLiteral("out.pdf")));
    for (auto _ : state) {
        const double baseline = ResidentBytes();
        {
            const platform::PicturePtr picture = platform::LoadPicture(QString::fromUtf8(parts[1]));
            PrintOnce(*printer, *picture);
        }
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        QFile f(result);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
        f.write(QByteArray::number(baseline, 'f', 0) + ' ' + QByteArray::number(usage.ru_maxrss * 1024.0, 'f', 0));
    }
}

// Registered only in the child, so an ordinary run never lists it.
const bool kChildRegistered = [] {
    if (qEnvironmentVariableIsSet(kChildVariable))
        benchmark::RegisterBenchmark("BM_PrintChild", BM_PrintChild)->Iterations(1);
    return true;
}();

}  // namespace
