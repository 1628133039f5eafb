// The install tree: `cmake --install` into a temporary prefix holds the
// program, a valid desktop entry, valid AppStream metadata naming it, the
// icons in the hicolor theme, the manual page and the licence.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {
struct Tool {
    int status = -1;
    QString output;
};
Tool RunTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    Tool t;
    if (!p.waitForFinished(300000)) return t;
    t.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    t.output = QString::fromUtf8(p.readAll());
    return t;
}
}  // namespace

TEST(InstallTree, ProgramDesktopEntryMetadataIconsAndManualPage) {
    const QString cmake = QStandardPaths::findExecutable(QStringLiteral("cmake"));
    ASSERT_FALSE(cmake.isEmpty());
    QTemporaryDir prefix;
    const Tool install = RunTool(cmake, {QStringLiteral("--install"), QStringLiteral(OMBRASTELE_BUILD_DIR),
                                         QStringLiteral("--prefix"), prefix.path()});
    ASSERT_EQ(install.status, 0) << install.output.toStdString();
    const QDir root(prefix.path());

    const QFileInfo program(root.filePath(QStringLiteral("bin/ombrastele")));
    EXPECT_TRUE(program.isFile() && program.isExecutable());
    const Tool version = RunTool(program.filePath(), {QStringLiteral("--version")});
    EXPECT_EQ(version.status, 0) << version.output.toStdString();

    const QString desktop = root.filePath(QStringLiteral("share/applications/org.example.Ombrastele.desktop"));
    QFile entry(desktop);
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(entry.readAll()).split(QLatin1Char('\n'));
    // The file manager hands the picture over, and offers the program for
    // the four formats.
    EXPECT_TRUE(lines.contains(QStringLiteral("Exec=ombrastele %f")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Icon=ombrastele")));
    for (const char* type : {"image/gif;", "image/jpeg;", "image/bmp;", "image/png;"}) {
        const auto mime = std::find_if(lines.begin(), lines.end(),
                                       [](const QString& l) { return l.startsWith(QStringLiteral("MimeType=")); });
        ASSERT_NE(mime, lines.end());
        EXPECT_TRUE(mime->contains(QString::fromLatin1(type))) << type;
    }
    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (!validator.isEmpty()) {
        const Tool valid = RunTool(validator, {desktop});
        EXPECT_EQ(valid.status, 0) << valid.output.toStdString();
        EXPECT_TRUE(valid.output.trimmed().isEmpty()) << valid.output.toStdString();
    } else {
        ADD_FAILURE() << "desktop-file-validate (desktop-file-utils) is not installed";
    }

    // The metadata: valid (offline: its screenshots are on the website),
    // launching the desktop entry installed beside it, for the same types.
    const QString metainfo = root.filePath(QStringLiteral("share/metainfo/org.example.Ombrastele.metainfo.xml"));
    QFile meta(metainfo);
    ASSERT_TRUE(meta.open(QIODevice::ReadOnly | QIODevice::Text)) << metainfo.toStdString();
    const QString metaText = QString::fromUtf8(meta.readAll());
    EXPECT_TRUE(metaText.contains(QStringLiteral(
        "<launchable type=\"desktop-id\">org.example.Ombrastele.desktop</launchable>")));
    EXPECT_FALSE(metaText.contains(QLatin1Char('@'))) << "a placeholder left unfilled";
    for (const char* type : {"image/gif", "image/jpeg", "image/bmp", "image/png"})
        EXPECT_TRUE(metaText.contains(QStringLiteral("<mediatype>%1</mediatype>").arg(QLatin1String(type)))) << type;
    EXPECT_TRUE(metaText.contains(QStringLiteral("<project_license>Apache-2.0</project_license>")));
    // The package's licence where Debian looks for it, in its machine-readable form.
    QFile copyright(root.filePath(QStringLiteral("share/doc/ombrastele/copyright")));
    ASSERT_TRUE(copyright.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString copyrightText = QString::fromUtf8(copyright.readAll());
    EXPECT_TRUE(copyrightText.startsWith(QStringLiteral("Format: "))) << copyrightText.toStdString();
    EXPECT_TRUE(copyrightText.contains(QStringLiteral("\nLicense: Apache-2.0\n")));
    EXPECT_FALSE(copyrightText.contains(QStringLiteral("@OMBRASTELE"))) << "a placeholder left unfilled";
    const QString appstream = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
    if (!appstream.isEmpty()) {
        const Tool valid = RunTool(appstream, {QStringLiteral("validate"), QStringLiteral("--no-net"), metainfo});
        EXPECT_EQ(valid.status, 0) << valid.output.toStdString();
    } else {
        ADD_FAILURE() << "appstreamcli (appstream) is not installed";
    }

    // Each icon where the theme looks for it, as big as its folder says.
    int icons = 0;
    for (int size : {16, 24, 32, 48}) {
        const QString path =
            root.filePath(QStringLiteral("share/icons/hicolor/%1x%1/apps/ombrastele.png").arg(size));
        const QImage icon(path);
        EXPECT_EQ(icon.size(), QSize(size, size)) << path.toStdString();
        icons += !icon.isNull();
    }
    EXPECT_EQ(icons, 4);

    const QString manual = root.filePath(QStringLiteral("share/man/man1/ombrastele.1.gz"));
    const QString plainManual = root.filePath(QStringLiteral("share/man/man1/ombrastele.1"));
    ASSERT_TRUE(QFileInfo::exists(manual) || QFileInfo::exists(plainManual));
    const QString man = QStandardPaths::findExecutable(QStringLiteral("man"));
    if (!man.isEmpty()) {
        const Tool page = RunTool(man, {QStringLiteral("-l"), QFileInfo::exists(manual) ? manual : plainManual});
        EXPECT_EQ(page.status, 0) << page.output.toStdString();
        for (const char* option : {"--print", "--printer", "--pdf", "--cut-guides", "--info", "--list-printers",
                                   "--test-page", "--verbose", "EXIT STATUS"})
            EXPECT_TRUE(page.output.contains(QString::fromLatin1(option))) << option;
    }
}
