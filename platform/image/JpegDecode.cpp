#include "platform/image/JpegDecode.h"

#include "platform/image/BitmapReduction.h"

#include <QColorSpace>
#include <QFile>

#include <condition_variable>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include <jpeglib.h>

namespace Engine {

namespace {

// libjpeg reports fatal errors by calling error_exit, which must not return:
// it jumps back into the guarded call that is running. The guarded calls
// below hold nothing but plain values, so the jump skips no destructor.
struct ErrorManager {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void errorExit(j_common_ptr info)
{
    auto* error = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, error->message);
    std::longjmp(error->jump, 1);
}

// Warnings (damaged data decoded as far as it goes) are not failures.
void noMessage(j_common_ptr) {}

// The header, and the embedded colour profile (malloc'ed, or null).
bool readHeader(jpeg_decompress_struct* info, ErrorManager* error, JOCTET** profile, unsigned* profileSize)
{
    if (setjmp(error->jump))
        return false;
    jpeg_save_markers(info, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(info, TRUE);
    if (!jpeg_read_icc_profile(info, profile, profileSize))
        *profile = nullptr;
    return true;
}

// At `eighths` / 8 of the stored size.
bool start(jpeg_decompress_struct* info, ErrorManager* error, int eighths)
{
    if (setjmp(error->jump))
        return false;
    info->out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRA : JCS_EXT_ARGB; // Format_RGB32's bytes
    info->scale_num = unsigned(eighths);
    info->scale_denom = 8;
    jpeg_start_decompress(info);
    return true;
}

// The next `count` rows (fewer at the end); -1 after a fatal error.
int readRows(jpeg_decompress_struct* info, ErrorManager* error, JSAMPROW* rows, int count)
{
    if (setjmp(error->jump))
        return -1;
    int read = 0;
    while (read < count && info->output_scanline < info->output_height) {
        const JDIMENSION got = jpeg_read_scanlines(info, rows + read, JDIMENSION(count - read));
        if (got == 0)
            break;
        read += int(got);
    }
    return read;
}

// Reads what follows the last row up to the end marker: data damaged past
// recovery shows only here (the rows came out grey).
bool finish(jpeg_decompress_struct* info, ErrorManager* error)
{
    if (setjmp(error->jump))
        return false;
    jpeg_finish_decompress(info);
    return true;
}

// Bands of decoded rows handed from the decoder to the averaging thread.
class BandPipe {
public:
    BandPipe(int bands, qsizetype bandBytes) : m_buffers(size_t(bands), std::vector<uchar>(size_t(bandBytes)))
    {
        for (int i = 0; i < bands; ++i)
            m_free.push_back(i);
    }
    // A band to fill (waits for one).
    int take()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return !m_free.empty(); });
        const int band = m_free.front();
        m_free.pop_front();
        return band;
    }
    uchar* bytes(int band) { return m_buffers[size_t(band)].data(); }
    // `rows` rows of `band` filled; 0 rows: the end.
    void deliver(int band, int rows)
    {
        const std::lock_guard lock(m_mutex);
        m_ready.push_back({band, rows});
        m_changed.notify_all();
    }
    // The next filled band (waits for one).
    std::pair<int, int> next()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return !m_ready.empty(); });
        const auto band = m_ready.front();
        m_ready.pop_front();
        return band;
    }
    void giveBack(int band)
    {
        const std::lock_guard lock(m_mutex);
        m_free.push_back(band);
        m_changed.notify_all();
    }

private:
    std::vector<std::vector<uchar>> m_buffers;
    std::deque<int> m_free;
    std::deque<std::pair<int, int>> m_ready;
    std::mutex m_mutex;
    std::condition_variable m_changed;
};

// Rows a band holds: large enough that handing one over costs nothing,
// small enough to stay in the cache.
constexpr int kBandRows = 16;

// The smallest of libjpeg's scales (in eighths) whose picture covers
// `covering` on both sides; whole for an empty size.
int eighthsCovering(const QSize& stored, const QSize& covering)
{
    int eighths = 1;
    if (covering.isEmpty())
        return 8;
    const auto scaled = [](int side, int m) { return (side * m + 7) / 8; };
    while (eighths < 8 && (scaled(stored.width(), eighths) < covering.width()
                           || scaled(stored.height(), eighths) < covering.height()))
        ++eighths;
    return eighths;
}

JpegDecode decode(const QString& path, int denominator, const QSize& covering, const QSize& averaged)
{
    JpegDecode result;
    // Read as decoded, never mapped: a file cut short meanwhile must not
    // fault the process.
    FILE* file = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!file) {
        result.error = QStringLiteral("the file could not be opened");
        return result;
    }
    struct Close {
        FILE* file;
        ~Close() { std::fclose(file); }
    } close{file};

    jpeg_decompress_struct info;
    ErrorManager error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = errorExit;
    error.manager.emit_message = [](j_common_ptr, int) {};
    error.manager.output_message = noMessage;
    error.message[0] = 0;
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    struct Destroy {
        jpeg_decompress_struct* info;
        ~Destroy() { jpeg_destroy_decompress(info); }
    } destroy{&info};

    JOCTET* profile = nullptr;
    unsigned profileSize = 0;
    if (!readHeader(&info, &error, &profile, &profileSize)) {
        result.error = QString::fromLocal8Bit(error.message);
        return result;
    }
    QColorSpace colorSpace;
    if (profile) {
        colorSpace = QColorSpace::fromIccProfile(QByteArray(reinterpret_cast<const char*>(profile), int(profileSize)));
        std::free(profile);
    }
    // Ink (converted by Qt's reader) and other colour spaces are another
    // reader's work; a profile that is not sRGB is converted after decoding.
    const bool plain = info.jpeg_color_space == JCS_YCbCr || info.jpeg_color_space == JCS_RGB
                       || info.jpeg_color_space == JCS_GRAYSCALE;
    if (!plain || (colorSpace.isValid() && colorSpace != QColorSpace(QColorSpace::SRgb))) {
        result.declined = true;
        return result;
    }
    const int eighths = denominator > 0 ? 8 / denominator
                                        : eighthsCovering(QSize(int(info.image_width), int(info.image_height)), covering);
    if (!start(&info, &error, eighths)) {
        result.error = QString::fromLocal8Bit(error.message);
        return result;
    }
    const QSize decoded(int(info.output_width), int(info.output_height));
    result.decodedSize = decoded;

    const auto failed = [&] {
        result.error = QString::fromLocal8Bit(error.message);
        result.image = QImage();
        return result;
    };
    if (!worthAveraging(decoded, averaged)) {
        // Decoded straight into the picture kept.
        QImage image(decoded, QImage::Format_RGB32);
        if (image.isNull()) {
            result.error = QStringLiteral("out of memory");
            return result;
        }
        for (int y = 0; y < decoded.height();) {
            JSAMPROW rows[kBandRows];
            const int count = std::min(kBandRows, decoded.height() - y);
            for (int i = 0; i < count; ++i)
                rows[i] = image.scanLine(y + i);
            const int got = readRows(&info, &error, rows, count);
            if (got < 0)
                return failed();
            if (got == 0)
                break;
            y += got;
        }
        result.image = image;
    } else {
        // Decoding on this thread, averaging on another, a band apart.
        RowReduction reduction(decoded, averaged);
        if (reduction.isNull()) {
            result.error = QStringLiteral("out of memory");
            return result;
        }
        const qsizetype stride = qsizetype(decoded.width()) * 4;
        BandPipe pipe(3, stride * kBandRows);
        const auto average = [&] {
            for (;;) {
                const auto [band, rows] = pipe.next();
                if (rows == 0)
                    return;
                reduction.addRows(pipe.bytes(band), stride, rows);
                pipe.giveBack(band);
            }
        };
        std::thread averaging;
        try {
            averaging = std::thread(average);
        } catch (const std::system_error&) {
            // No second thread to be had: averaged band by band here.
        }
        int got = 0;
        do {
            const int band = pipe.take();
            JSAMPROW rows[kBandRows];
            for (int i = 0; i < kBandRows; ++i)
                rows[i] = pipe.bytes(band) + stride * i;
            got = readRows(&info, &error, rows, kBandRows);
            pipe.deliver(band, std::max(got, 0)); // no rows: the end
            if (!averaging.joinable() && got > 0) {
                const auto [next, count] = pipe.next();
                reduction.addRows(pipe.bytes(next), stride, count);
                pipe.giveBack(next);
            }
        } while (got > 0);
        if (averaging.joinable())
            averaging.join();
        if (got < 0)
            return failed();
        result.image = reduction.result();
        if (result.image.isNull()) {
            result.error = QStringLiteral("the picture ended early");
            return result;
        }
    }
    if (!finish(&info, &error))
        return failed();
    if (colorSpace.isValid())
        result.image.setColorSpace(colorSpace);
    return result;
}

} // namespace

JpegDecode decodeJpeg(const QString& path, int denominator, const QSize& averaged)
{
    return decode(path, denominator, {}, averaged);
}

JpegDecode decodeJpegCovering(const QString& path, const QSize& covering)
{
    return decode(path, 0, covering, {});
}

} // namespace Engine
