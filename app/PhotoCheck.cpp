#include "app/PhotoCheck.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <cstring>

namespace {

// Reads a file forward in blocks; seeks skip what is not looked at.
class Stream {
public:
    explicit Stream(QFile& file) : m_file(file) {}
    // The next byte, or -1 at the end.
    int next()
    {
        if (m_at == m_buffer.size()) {
            m_buffer = m_file.read(256 * 1024);
            m_at = 0;
            if (m_buffer.isEmpty())
                return -1;
        }
        return uchar(m_buffer[m_at++]);
    }
    // Skips `count` bytes; false when the file ends first.
    bool skip(qint64 count)
    {
        const qint64 buffered = m_buffer.size() - m_at;
        if (count <= buffered) {
            m_at += count;
            return true;
        }
        const qint64 target = m_file.pos() + count - buffered;
        m_buffer.clear();
        m_at = 0;
        return target <= m_file.size() && m_file.seek(target);
    }
    // Moves to the next 0xFF byte; false at the end.
    bool toNextFF()
    {
        for (;;) {
            const char* from = m_buffer.constData() + m_at;
            if (const void* ff = std::memchr(from, 0xFF, size_t(m_buffer.size() - m_at))) {
                m_at += static_cast<const char*>(ff) - from;
                return true;
            }
            m_at = m_buffer.size();
            if (next() < 0)
                return false;
            --m_at; // the byte just read is looked at again
        }
    }

private:
    QFile& m_file;
    QByteArray m_buffer;
    qsizetype m_at = 0;
};

// Whether the JPEG's own segments and entropy-coded data reach its end of
// image marker: data after it (the video of a motion photo) is no sign of
// a cut, and a thumbnail's marker inside a segment does not count. Bytes
// between markers are passed over, as decoders do.
bool jpegComplete(QFile& file)
{
    Stream in(file);
    if (in.next() != 0xFF || in.next() != 0xD8)
        return false;
    bool scanned = false; // a scan has begun: what follows is mostly coded data
    for (;;) {
        if (!in.toNextFF())
            return false;
        in.next(); // the 0xFF found
        int marker;
        while ((marker = in.next()) == 0xFF) {} // fill bytes
        if (marker < 0)
            return false;
        if (marker == 0xD9)
            return true;
        // Stuffed zeros, restart markers and TEM stand alone, without a length.
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        // Among coded data only the segments between scans count (tables,
        // a scan, comments, application data): damaged data is for the
        // decoder to find, not a cut.
        const bool betweenScans = marker == 0xC4 || marker == 0xCC || (marker >= 0xDA && marker <= 0xDD)
                               || (marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE;
        if (scanned && !betweenScans)
            continue;
        const int high = in.next(), low = in.next();
        const int length = high << 8 | low;
        if (high < 0 || low < 0 || length < 2 || !in.skip(length - 2))
            return false;
        scanned = scanned || marker == 0xDA;
    }
}

// Whether the PNG's chunks reach its end chunk.
bool pngComplete(QFile& file)
{
    Stream in(file);
    if (!in.skip(8))
        return false;
    for (;;) {
        uchar head[8];
        for (uchar& b : head) {
            const int c = in.next();
            if (c < 0)
                return false;
            b = uchar(c);
        }
        const quint32 length = quint32(head[0]) << 24 | quint32(head[1]) << 16 | quint32(head[2]) << 8 | head[3];
        if (std::memcmp(head + 4, "IEND", 4) == 0)
            return true;
        if (!in.skip(qint64(length) + 4))
            return false;
    }
}

// A download cut short lacks the format's closing bytes.
bool looksTruncated(const QString& path, const QByteArray& format)
{
    if (format != "jpeg" && format != "png")
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return true;
    return format == "jpeg" ? !jpegComplete(file) : !pngComplete(file);
}

} // namespace

QString photoProblem(const QString& path)
{
    // Checked before any reader opens it: opening a pipe waits for a writer.
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile()) {
        if (info.isDir())
            return QStringLiteral("it is a folder, not a photo");
        if (info.exists())
            return QStringLiteral("it is not a regular file but a pipe, socket or device");
        if (path.contains(QChar::ReplacementCharacter))
            // Qt cannot name a file whose name is not UTF-8: its bytes became U+FFFD.
            return QStringLiteral("there is no such file, and its name has bytes that are not UTF-8 text (shown as %1); "
                                  "if the photo is there, give it a name of plain text")
                .arg(QChar(QChar::ReplacementCharacter));
        return QStringLiteral("there is no such file");
    }
    // Qt refuses images above 256 MB by default; ours stop at 268 megapixels.
    const int limitMB = int(kMaxPhotoPixels * 4 / (1024 * 1024)) + 1;
    if (QImageReader::allocationLimit() != 0 && QImageReader::allocationLimit() < limitMB)
        QImageReader::setAllocationLimit(limitMB);
    QImageReader reader(path);
    if (!reader.canRead())
        return QStringLiteral("it could not be read as an image");
    const QByteArray format = reader.format(); // before a header that fails to read makes it forget
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxPhotoPixels)
        return QStringLiteral("it is too large (%1 x %2 pixels)").arg(size.width()).arg(size.height());
    if (looksTruncated(path, format))
        return QStringLiteral("the file is incomplete");
    return {};
}
