#include "platform/picture/JpegRows.h"

#include "platform/base/Failure.h"
#include "platform/picture/Picture.h"

#include <QIODevice>
#include <QtEndian>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <jerror.h>
#include <jpeglib.h>

namespace platform {

// libjpeg's state with what its callbacks need: the jump point an error
// returns to, the first thing it said, and the source's buffer.
struct JpegRowReader::State {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    jpeg_source_mgr source{};
    std::jmp_buf jump{};
    QIODevice* device = nullptr;
    std::array<JOCTET, 64 * 1024> buffer{};
    QString said;
    bool created = false;
    bool started = false;
    JDIMENSION rowsRead = 0;

    State() = default;
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    // Here, not in the reader's destructor: a constructor that throws runs
    // only its members' destructors.
    ~State() {
        if (created) jpeg_destroy_decompress(&info);
    }

    void Say() {
        if (!said.isEmpty()) return;
        char text[JMSG_LENGTH_MAX] = {};
        (*errors.format_message)(reinterpret_cast<j_common_ptr>(&info), text);
        said = QString::fromLatin1(text).simplified().left(300);
    }
};

namespace {

using State = JpegRowReader::State;

State& Of(j_common_ptr info) { return *static_cast<State*>(info->client_data); }

[[noreturn]] void OnError(j_common_ptr info) {
    Of(info).Say();
    std::longjmp(Of(info).jump, 1);
}

// Level -1 is a warning (corrupt data, a file that ends early): the picture
// was not read whole. Levels from 0 up are trace lines, not said.
void OnMessage(j_common_ptr info, int level) {
    if (level < 0) Of(info).Say();
}

void OnInit(j_decompress_ptr) {}
void OnTerm(j_decompress_ptr) {}

boolean OnFill(j_decompress_ptr info) {
    State& s = Of(reinterpret_cast<j_common_ptr>(info));
    const qint64 got = s.device->read(reinterpret_cast<char*>(s.buffer.data()), qint64(s.buffer.size()));
    if (got <= 0) {
        // libjpeg warns of the early end itself, then reads an end marker.
        static const JOCTET kEnd[] = {0xff, JPEG_EOI};
        WARNMS(info, JWRN_JPEG_EOF);
        info->src->next_input_byte = kEnd;
        info->src->bytes_in_buffer = 2;
        return TRUE;
    }
    info->src->next_input_byte = s.buffer.data();
    info->src->bytes_in_buffer = size_t(got);
    return TRUE;
}

void OnSkip(j_decompress_ptr info, long count) {
    if (count <= 0) return;
    jpeg_source_mgr& src = *info->src;
    while (size_t(count) > src.bytes_in_buffer) {
        count -= long(src.bytes_in_buffer);
        OnFill(info);
    }
    src.next_input_byte += count;
    src.bytes_in_buffer -= size_t(count);
}

// The EXIF orientation in an APP1 marker: 1 (upright) when there is none.
int ExifOrientation(const jpeg_saved_marker_ptr markers) {
    for (jpeg_saved_marker_ptr m = markers; m; m = m->next) {
        if (m->marker != JPEG_APP0 + 1 || m->data_length < 14) continue;
        const QByteArray d(reinterpret_cast<const char*>(m->data), int(m->data_length));
        if (!d.startsWith(QByteArray("Exif\0\0", 6))) continue;
        const bool little = d.mid(6, 2) == "II";
        const auto u16 = [&](qsizetype at) {
            if (at + 2 > d.size()) return -1;
            const auto* p = reinterpret_cast<const uchar*>(d.constData() + at);
            return int(little ? qFromLittleEndian<quint16>(p) : qFromBigEndian<quint16>(p));
        };
        const auto* p = reinterpret_cast<const uchar*>(d.constData() + 10);
        const quint32 first = little ? qFromLittleEndian<quint32>(p) : qFromBigEndian<quint32>(p);
        const qsizetype dir = 6 + qsizetype(first);
        const int entries = u16(dir);
        for (int i = 0; i < entries; ++i) {
            const qsizetype at = dir + 2 + qsizetype(i) * 12;
            if (u16(at) == 0x0112) return u16(at + 8);
        }
        return 1;
    }
    return 1;
}

}  // namespace

bool IsJpeg(QIODevice& device) { return device.peek(3) == QByteArray("\xff\xd8\xff", 3); }

JpegRowReader::JpegRowReader(QIODevice& device, const QString& name) : mState(std::make_unique<State>()), mName(name) {
    State& s = *mState;
    s.device = &device;
    s.info.err = jpeg_std_error(&s.errors);
    s.errors.error_exit = OnError;
    s.errors.emit_message = OnMessage;
    s.info.client_data = &s;
    if (setjmp(s.jump) != 0) throw DamagedPicture(mName, s.said);
    jpeg_create_decompress(&s.info);
    s.created = true;
    s.source.init_source = OnInit;
    s.source.fill_input_buffer = OnFill;
    s.source.skip_input_data = OnSkip;
    s.source.resync_to_restart = jpeg_resync_to_restart;
    s.source.term_source = OnTerm;
    s.info.src = &s.source;
    jpeg_save_markers(&s.info, JPEG_APP0 + 1, 0xffff);
    jpeg_read_header(&s.info, TRUE);
    if (!s.said.isEmpty()) throw DamagedPicture(mName, s.said);
    if (TooLargeToDecode(Size())) Fail(QStringLiteral("Picture too large: %1").arg(TooLargeToDecodeText(Size())));
}

JpegRowReader::~JpegRowReader() = default;

QSize JpegRowReader::Size() const { return QSize(int(mState->info.image_width), int(mState->info.image_height)); }

bool JpegRowReader::ReadsAsIs() const {
    const J_COLOR_SPACE space = mState->info.jpeg_color_space;
    return (space == JCS_GRAYSCALE || space == JCS_YCbCr || space == JCS_RGB) &&
           ExifOrientation(mState->info.marker_list) == 1;
}

void JpegRowReader::Read(QRgb* row) {
    State& s = *mState;
    if (setjmp(s.jump) != 0) throw DamagedPicture(mName, s.said);
    if (!s.started) {
        // 0xAARRGGBB words, alpha set to 0xff by libjpeg-turbo.
        s.info.out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRA : JCS_EXT_ARGB;
        jpeg_start_decompress(&s.info);
        s.started = true;
    }
    JSAMPROW rows[1] = {reinterpret_cast<JSAMPROW>(row)};
    if (jpeg_read_scanlines(&s.info, rows, 1) != 1) ERREXIT(&s.info, JERR_BAD_STATE);
    if (!s.said.isEmpty()) throw DamagedPicture(mName, s.said);
}

void JpegRowReader::End() {
    State& s = *mState;
    if (setjmp(s.jump) != 0) throw DamagedPicture(mName, s.said);
    jpeg_finish_decompress(&s.info);
    if (!s.said.isEmpty()) throw DamagedPicture(mName, s.said);
}

}  // namespace platform
