// Input an adversary would try, through the real program: layouts no one
// means, an output file that is the picture, names that are not UTF-8, a
// settings file damaged or out of range. Each ends with its status and one
// clear line, and destroys nothing.
#include "platform/base/FileNames.h"
#include "platform/base/Settings.h"
#include "support/ProgramRun.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <cerrno>
#include <functional>

namespace {

// A bash literal $'...' of the name's very bytes: QProcess would pass a name
// that is not UTF-8 changed.
QString BashLiteral(const QString& argument) {
    QString literal = QStringLiteral("$'");
    for (const char c : platform::FileNameBytes(argument)) {
        const uchar u = uchar(c);
        if (u >= 0x20 && u < 0x7F && c != '\'' && c != '\\') literal += QLatin1Char(c);
        else literal += QString::asprintf("\\x%02x", unsigned(u));
    }
    return literal + QLatin1Char('\'');
}

class BadInput : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mDir.isValid());
        ASSERT_TRUE(QDir().mkpath(ConfigDir()));
    }
    QString Path(const QString& name) const { return mDir.path() + QLatin1Char('/') + name; }
    QString ConfigDir() const { return Path(QStringLiteral("config/Ombrastele")); }
    QString IniPath() const { return ConfigDir() + QStringLiteral("/Ombrastele.ini"); }

    // A picture of w x h; `name` may hold bytes that are not UTF-8.
    QString Picture(const QString& name, int w, int h, QImage::Format format = QImage::Format_RGB32) const {
        QImage image(w, h, format);
        image.fill(0);
        QFile file;
        const QString path = Path(name);
        EXPECT_TRUE(platform::OpenFile(file, path, QIODevice::WriteOnly, nullptr));
        EXPECT_TRUE(image.save(&file, "PNG"));
        return path;
    }
    void WriteIni(const QByteArray& bytes) const {
        QFile f(IniPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

    ProgramRun Program(const QStringList& args) const {
        QStringList words;
        for (const QString& a : args) words << BashLiteral(a);
        QProcessEnvironment env;
        env.insert(QStringLiteral("CUPS_SERVER"), Path(QStringLiteral("no-scheduler.sock")));
        env.insert(QStringLiteral("HOME"), mDir.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), Path(QStringLiteral("config")));
        return RunThrough(QStringLiteral("/bin/bash"),
                          {QStringLiteral("-c"), "exec \"$0\" " + words.join(' '), QStringLiteral(OMBRASTELE_BINARY)},
                          env, 120000);
    }

    QTemporaryDir mDir;
};

QByteArray Bytes(const QString& path) {
    QFile f;
    if (!platform::OpenFile(f, path, QIODevice::ReadOnly, nullptr)) return {};
    return f.readAll();
}

}  // namespace

TEST_F(BadInput, EachEndsWithItsStatusAndOneClearLine) {
    // The built-in PDF printer on A4 or Letter at 600 dpi: a poster's tile is
    // the area less a quarter inch (150 dots) on each side.
    const QString small = Picture(QStringLiteral("small.png"), 20, 10);
    const QString wide = Picture(QStringLiteral("wide.png"), 9000, 200);
    const QString sheet = Picture(QStringLiteral("sheet.png"), 4000, 4000);
    const QString huge = Picture(QStringLiteral("huge.png"), 32767, 32767, QImage::Format_Mono);
    const QString sprite = Picture(QStringLiteral("sprite.png"), 2047, 2047, QImage::Format_Mono);
    const QString odd = Picture(QStringLiteral("odd") + platform::FileNameFromBytes("\xff\xfe") + ".png", 20, 10);
    const QString oddPdf = Path(platform::FileNameFromBytes("out\xff.pdf"));
    const QString missing = Path(platform::FileNameFromBytes("gone\xff\n.png"));
    QFile::link(small, Path(QStringLiteral("link.png")));
    QFile::link(Path(QStringLiteral("loop-b")), Path(QStringLiteral("loop-a")));
    QFile::link(Path(QStringLiteral("loop-a")), Path(QStringLiteral("loop-b")));
    const QString tooLong = Path(QString(300, QLatin1Char('n')) + QStringLiteral(".png"));
    // Cut pictures: the decoders would fill the rest and say so on stderr.
    QImage photo(300, 200, QImage::Format_RGB32);
    photo.fill(Qt::darkCyan);
    for (const char* format : {"PNG", "JPEG", "BMP"}) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        photo.save(&buffer, format);
        QFile cut(Path(QStringLiteral("cut.") + QLatin1String(format)));
        ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
        cut.write(bytes.left(bytes.size() * 2 / 3));
    }
    WriteIni("[Settings]\nMainLeft=1000\n");
    const QByteArray smallBytes = Bytes(small);

    const struct {
        const char* name;
        QStringList args;
        int status;
        QString message;                // the line after "ombrastele: ", or its start
        bool warning = false;           // exit 0 with this line on stderr, the run goes on
        std::function<void()> after = {};
    } cases[] = {
        // Tiles 4661 x 6716 dots on A4, 4800 x 6300 on Letter: wider than
        // the tile, yet shorter than it.
        {"overlap wider than the tile", {"--print", wide, "--poster", "--overlap", "5000", "--pdf", Path("o.pdf")},
         2, "an overlap of 5000 dots is not smaller than the poster's tile of "},
        {"overlap larger than the tile", {"--info", wide, "--poster", "--overlap", "99999"}, 2,
         "an overlap of 99999 dots is not smaller than the poster's tile"},
        {"overlap smaller", {"--info", wide, "--poster", "--overlap", "4600"}, 0, {}},
        {"more sheets than the limit", {"--print", sheet, "--copies-on-sheet", "101", "--pdf", Path("o.pdf")}, 2,
         "this job takes 101 sheets, more than 100; give --yes to print them"},
        // A step of one dot across: hundreds of thousands of pages, counted
        // and refused (or told) before any is laid out.
        {"a poster counted, not laid out",
         {"--print", sprite, "--scale", "16", "--poster", "--overlap", "4660", "--pdf", Path("o.pdf")}, 2,
         "this job takes "},
        {"a poster's pages told", {"--info", sprite, "--scale", "16", "--poster", "--overlap", "4660"}, 0, {}},
        {"too large once magnified", {"--print", wide, "--scale", "4", "--pdf", Path("o.pdf")}, 6,
         "picture too large at 4 dots per pixel: 36000 x 800 dots, at most 32767 in each direction: " + wide},
        {"--yes alone", {"--info", sheet, "--yes"}, 2, "--yes goes with --print; see --help"},
        {"output is the picture", {"--print", small, "--pdf", small}, 2, "--pdf would write over the picture: "},
        {"output is a link to the picture", {"--print", small, "--pdf", Path("link.png")}, 2,
         "--pdf would write over the picture: "},
        {"output is the settings file", {"--test-page", "--pdf", IniPath()}, 2,
         "--pdf would write over the settings file: "},
        {"picture cut off", {"--print", wide, "--pdf", Path("cut.pdf")}, 0,
         "the picture, 9000 x 200 dots, is larger than the printable area, ", true},
        {"too large to decode", {"--print", huge}, 6,
         "picture too large: 32767 x 32767 pixels need 4096 MiB decoded, more than the 1024 MiB allowed: "},
        {"missing name that is not UTF-8", {"--print", missing}, 3,
         "no such file: " + platform::ShownFileName(missing)},
        {"cut png", {"--print", Path("cut.PNG"), "--pdf", Path("o.pdf")}, 4, "damaged picture: " + Path("cut.PNG") + ": "},
        {"cut jpeg", {"--info", Path("cut.JPEG")}, 4, "damaged picture: " + Path("cut.JPEG") + ": "},
        {"cut bmp", {"--info", Path("cut.BMP")}, 4, "damaged picture: " + Path("cut.BMP") + ": "},
        {"loop of links", {"--info", Path("loop-a")}, 3,
         "cannot read file: " + Path("loop-a") + ": " + platform::SystemReason(ELOOP)},
        {"name too long", {"--info", tooLong}, 3, "cannot read file: " + tooLong + ": " + platform::SystemReason(ENAMETOOLONG)},
        {"names that are not UTF-8", {"--print", odd, "--pdf", oddPdf}, 0, {}, false,
         [&] { EXPECT_TRUE(Bytes(oddPdf).startsWith("%PDF-")); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ProgramRun run = Program(c.args);
        EXPECT_EQ(run.status, c.status) << run.err.toStdString();
        if (c.message.isEmpty()) {
            EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
        } else {
            EXPECT_TRUE(run.err.startsWith(QStringLiteral("ombrastele: ") + c.message)) << run.err.toStdString();
            EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << run.err.toStdString();
            if (c.warning) EXPECT_TRUE(run.err.contains(QStringLiteral("--poster"))) << run.err.toStdString();
            else EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        }
        if (c.after) c.after();
    }
    EXPECT_EQ(Bytes(small), smallBytes) << "the picture was written over";
    // Qt cannot remove what it cannot name.
    platform::RemoveFile(odd);
    platform::RemoveFile(oddPdf);
    EXPECT_FALSE(QFile::exists(Path("o.pdf")));
}

TEST_F(BadInput, ADamagedSettingsFileIsReplacedOnceAndWhatIsReadIsRangeChecked) {
    const QString picture = Picture(QStringLiteral("p.png"), 20, 10);
    const QString warnReplaced = QStringLiteral("ombrastele: the settings file %1 could not be read and has been "
                                                "replaced; the damaged one is kept as %1.damaged\n")
                                     .arg(IniPath());
    const struct {
        const char* name;
        QByteArray ini;  // empty: none
        QStringList args;
        int status;
        QString err;     // the whole of stderr
        QString out = {};  // the start of stdout, when it matters
    } cases[] = {
        {"cut short", "[Settings]\nMainLeft=1\n[Nud", {"--nudge", "2,2"}, 0, warnReplaced, "PDF: 2 right, 2 down"},
        {"garbled", "\xff\xfe[x\n=\n[Settings]\nMainLeft=5\n", {"--nudge", "2,2"}, 0, warnReplaced},
        {"sound after the replacement", {}, {"--nudge", "3,3"}, 0, {}, "PDF: 3 right, 3 down"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.ini.isEmpty()) WriteIni(c.ini);
        const ProgramRun run = Program(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.err, c.err);
        EXPECT_TRUE(run.out.startsWith(c.out)) << run.out.toStdString();
    }
    // Stored, and the replaced file kept.
    EXPECT_TRUE(Bytes(IniPath()).contains("\"3,3\""));
    EXPECT_TRUE(QFile::exists(IniPath() + QStringLiteral(".damaged")));

    // The built-in PDF printer's nudge key is its name in hexadecimal.
    for (const char* stored : {"abc,def", "3,4,5", "2147483647,2147483647", "1e308,nan", "2401,0"}) {
        SCOPED_TRACE(stored);
        WriteIni(QByteArray("[Nudge]\n504446=") + stored + "\n");
        const ProgramRun run = Program({"--info", picture});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, QStringLiteral("ombrastele: the stored nudge of PDF, \"%1\", is not X,Y in whole dots "
                                          "from -2400 to 2400; no nudge is used\n")
                               .arg(QLatin1String(stored)));
        EXPECT_FALSE(run.out.contains(QStringLiteral("Nudge"))) << run.out.toStdString();
    }

    // A store that cannot be written says so, and only then.
    QFile::remove(IniPath());
    ASSERT_TRUE(QDir().mkpath(IniPath()));
    const ProgramRun unwritable = Program({"--nudge", "2,2"});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_TRUE(unwritable.err.startsWith("ombrastele: cannot store the nudge: Cannot write the settings file"))
        << unwritable.err.toStdString();
}

// A command refused after its options were read stores none of them; one
// that runs keeps them. A stored resolution out of range is said as a nudge is.
TEST_F(BadInput, ARefusedCommandStoresNothing) {
    const QString wide = Picture(QStringLiteral("wide.png"), 9000, 200);
    const QString sheet = Picture(QStringLiteral("sheet.png"), 4000, 4000);
    const struct {
        const char* name;
        QStringList args;
        int status;
        bool stored;
    } cases[] = {
        {"too many sheets", {"--print", sheet, "--copies-on-sheet", "101", "--pdf", Path("o.pdf"), "--resolution", "600",
                             "--nudge", "2,2"}, 2, false},
        {"overlap too wide", {"--info", wide, "--poster", "--overlap", "99999", "--resolution", "600", "--nudge", "2,2"},
         2, false},
        {"missing picture", {"--info", Path("gone.png"), "--resolution", "600"}, 3, false},
        {"accepted", {"--info", wide, "--resolution", "600", "--nudge", "2,2"}, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteIni("[Settings]\nMainLeft=1000\n");
        const ProgramRun run = Program(c.args);
        EXPECT_EQ(run.status, c.status) << run.err.toStdString();
        const QByteArray ini = Bytes(IniPath());
        EXPECT_EQ(ini.contains("[Resolution]"), c.stored) << ini.toStdString();
        EXPECT_EQ(ini.contains("[Nudge]"), c.stored && c.args.contains("--nudge")) << ini.toStdString();
    }
    WriteIni("[Resolution]\n504446=99999\n");
    const ProgramRun run = Program({"--info", wide});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, QStringLiteral("ombrastele: the stored resolution of PDF, \"99999\", is not DPI or XxY in whole "
                                      "dots per inch from 1 to 9600; the printer's default is used\n"));
}
