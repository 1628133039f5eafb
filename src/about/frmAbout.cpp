#include "about/frmAbout.h"

#include "platform/base/Failure.h"
#include "platform/desktop/FormStrings.h"
#include "platform/desktop/Forms.h"
#include "platform/desktop/Launcher.h"
#include "platform/desktop/Registry.h"
#include "platform/base/Screen.h"
#include "platform/base/AppInfo.h"
#include "platform/desktop/Resources.h"

#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

namespace {

const char* const kSysInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const char* const kSysInfoPathValue = "PATH";
const char* const kSysInfoLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
const char* const kSysInfoLocationValue = "MSINFO";
const char* const kSysInfoProgram = "\\MSINFO32.EXE";
const char* const kUnavailable = "System Information Is Unavailable At This Time";

// Registry values are read into a buffer of this many bytes.
constexpr std::uint32_t kValueBufferBytes = 1024;

// Design geometry in twips.
constexpr double kClientWidth = 5865;
constexpr double kClientHeight = 3630;

QRect Twips(double left, double top, double width, double height) {
    return platform::TwipsToPixels(QRectF(left, top, width, height));
}

// A horizontal line from (x1, y) to (x2, y) in twips, one pixel high, in the
// given colour.
QFrame* MakeLine(QWidget* parent, const char* name, double x1, double x2, double y, QRgb rgb) {
    auto* line = new QFrame(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setFrameShape(QFrame::NoFrame);
    QRect r = Twips(x1, y, x2 - x1, 0);
    r.setHeight(1);
    line->setGeometry(r);
    QPalette pal = line->palette();
    pal.setColor(QPalette::Window, QColor(rgb));
    line->setPalette(pal);
    line->setAutoFillBackground(true);
    return line;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, const char* tag, QRect geometry) {
    auto* label = new QLabel(QString::fromLatin1(caption), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setProperty("Tag", QString::fromLatin1(tag));
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, const char* tag, QRect geometry) {
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setProperty("Tag", QString::fromLatin1(tag));
    button->setGeometry(geometry);
    return button;
}

// Closes an opened registry key when it goes out of scope, whichever way.
class KeyCloser {
public:
    KeyCloser(platform::Registry& registry, platform::RegKey key) : mRegistry(registry), mKey(key) {}
    ~KeyCloser() { mRegistry.CloseKey(mKey); }
    KeyCloser(const KeyCloser&) = delete;
    KeyCloser& operator=(const KeyCloser&) = delete;

private:
    platform::Registry& mRegistry;
    platform::RegKey mKey;
};

QPointer<frmAbout>& TheInstance() {
    static QPointer<frmAbout> instance;
    return instance;
}

}  // namespace

frmAbout* frmAbout::Instance(QWidget* owner) {
    QPointer<frmAbout>& instance = TheInstance();
    // An unloaded window may still await deletion; the next use gets a new one.
    if (!instance || instance->mUnloaded) instance = new frmAbout(owner);
    return instance;
}

frmAbout::frmAbout(QWidget* owner)
    : QDialog(owner), mRegistry(&platform::SystemRegistry()), mLauncher(&platform::SystemLauncher()) {
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);
    setWindowTitle(QStringLiteral("About Ombrastele"));
    setProperty("Tag", QStringLiteral("1012"));
    setFixedSize(Twips(0, 0, kClientWidth, kClientHeight).size());

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setGeometry(Twips(240, 240, 540, 540));
    picIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picIcon->setPixmap(AboutIcon());

    lblTitle = MakeLabel(this, "lblTitle", "Application Title", "1017", Twips(1050, 240, 4092, 480));
    lblVersion = MakeLabel(this, "lblVersion", "Version", "1016", Twips(1050, 780, 4092, 225));
    lblDescription = MakeLabel(this, "lblDescription", "App Description", "1018", Twips(1050, 1125, 4092, 1170));

    // The etched separator: grey with white one pixel (15 twips) below it.
    Line1[1] = MakeLine(this, "Line1_1", 225, 5657, 2430, 0x808080);
    Line1[0] = MakeLine(this, "Line1_0", 240, 5657, 2445, 0xFFFFFF);

    lblDisclaimer = MakeLabel(this, "lblDisclaimer", "Warning: ...", "1015", Twips(255, 2625, 3870, 825));
    cmdOK = MakeButton(this, "cmdOK", "OK", "1014", Twips(4245, 2625, 1467, 345));
    cmdOK->setDefault(true);
    cmdSysInfo = MakeButton(this, "cmdSysInfo", "&System Info...", "1013", Twips(4260, 3075, 1452, 345));

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdSysInfo, &QPushButton::clicked, this, [this] { cmdSysInfo_Click(); });
}

void frmAbout::SetSystemServices(platform::Registry* registry, platform::Launcher* launcher) {
    mRegistry = registry ? registry : &platform::SystemRegistry();
    mLauncher = launcher ? launcher : &platform::SystemLauncher();
}

void frmAbout::Load() {
    if (mLoaded) return;
    mLoaded = true;
    Form_Load();
    platform::RegisterForm(this);
}

void frmAbout::ShowModal() {
    Load();
    exec();
}

void frmAbout::Form_Load() {
    platform::ApplyFormStrings(this);
    lblVersion->setText(
        QStringLiteral("Version %1.%2.%3").arg(AppMajor()).arg(AppMinor()).arg(AppRevision()));
    lblTitle->setText(AppTitle());
}

void frmAbout::done(int result) {
    mUnloaded = true;
    platform::UnregisterForm(this);
    QPointer<frmAbout> guard(this);
    QDialog::done(result);
    // Closing deletes the window already; hiding it (Escape) may not.
    if (guard) guard->deleteLater();
}

void frmAbout::cmdOK_Click() { close(); }

void frmAbout::cmdSysInfo_Click() { StartSysInfo(); }

void frmAbout::StartSysInfo() {
    try {
        QString path;
        if (!GetKeyValue(platform::kHKeyLocalMachine, QString::fromLatin1(kSysInfoKey),
                         QString::fromLatin1(kSysInfoPathValue), path)) {
            QString folder;
            if (!GetKeyValue(platform::kHKeyLocalMachine, QString::fromLatin1(kSysInfoLocationKey),
                             QString::fromLatin1(kSysInfoLocationValue), folder))
                platform::Fail(QString::fromLatin1(kUnavailable));
            const QString candidate = folder + QString::fromLatin1(kSysInfoProgram);
            if (!mLauncher->FileExists(candidate)) platform::Fail(QString::fromLatin1(kUnavailable));
            path = candidate;
        }
        // A path from the first lookup is started unchecked; a missing file
        // fails here.
        mLauncher->Start(path);
        return;
    } catch (const std::exception&) {
    }
    platform::ShowMessage(QString::fromLatin1(kUnavailable));
}

bool frmAbout::GetKeyValue(std::int32_t KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                           QString& KeyVal) {
    platform::RegKey key = 0;
    if (mRegistry->OpenKey(KeyRoot, KeyName.toLocal8Bit(), platform::kKeyAllAccessButDelete, key) !=
        platform::kErrorSuccess) {
        KeyVal.clear();
        return false;
    }
    const KeyCloser closer(*mRegistry, key);

    QByteArray buffer(int(kValueBufferBytes), '\0');
    std::uint32_t type = 0;
    std::uint32_t size = kValueBufferBytes;
    if (mRegistry->QueryValue(key, SubKeyRef.toLocal8Bit(), type,
                              reinterpret_cast<unsigned char*>(buffer.data()), size) != platform::kErrorSuccess) {
        KeyVal.clear();
        return false;
    }

    const qsizetype end = buffer.indexOf('\0');
    if (end < 0) platform::Fail(QStringLiteral("Invalid procedure call or argument"));
    const QString text = QString::fromLocal8Bit(buffer.left(end));

    switch (type) {
    case platform::kRegSz:
        KeyVal = text;
        break;
    case platform::kRegDword: {
        // The number itself, little-endian in the first four bytes.
        const auto* b = reinterpret_cast<const unsigned char*>(buffer.constData());
        const std::uint32_t value = std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
                                    std::uint32_t(b[3]) << 24;
        KeyVal = QStringLiteral("&h") + QString::number(value, 16).toUpper();
        break;
    }
    default:
        break;  // other types leave KeyVal as it came
    }
    return true;
}
