#include "platform/image/CIContext.h"

#include "platform/image/EngineAhead.h"
#include "platform/image/EngineNodes.h"
#include "platform/foundation/LargePages.h"
#include "platform/foundation/Log.h"

#include <QColorSpace>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// The rehearsal's compiling and linking time above which the driver's cache
// is taken to be empty (warm: 2 ms for a wallpaper; empty: 35-55 ms here).
constexpr double kCompiledMilliseconds = 8;

// Bottom-up rows (OpenGL's) top down, in place.
void flipRows(uchar* rows, size_t rowBytes, int height)
{
    for (int y = 0; y < height / 2; ++y)
        std::swap_ranges(rows + size_t(y) * rowBytes, rows + size_t(y + 1) * rowBytes,
                         rows + size_t(height - 1 - y) * rowBytes);
}

// The rendered texture covering exactly `rect` at one texel per pixel.
Engine::Rendered renderExactly(Engine::GL& gl, const CIImage& image, const QRect& rect)
{
    const Engine::RenderScope scope(image);
    Engine::Rendered r = Engine::renderImage(gl, image, rect, 1.0);
    // A source may hand out its 8-bit texture: copied, to be read as floats.
    if (!r.isEmpty() && r.area == QRectF(rect) && r.texture->width == rect.width()
        && r.texture->height == rect.height() && gl.isWorkingFormat(r.texture->format))
        return r;
    if (r.isEmpty()) {
        static const std::array<float, 4> clear{0, 0, 0, 0};
        return Engine::ColorNode(clear).render(gl, rect, 1.0);
    }
    // Bring what was rendered to exactly the rectangle.
    return Engine::copyToArea(gl, r, rect);
}

// A 32-bit bitmap whose memory the kernel may back with huge pages: a new
// screen-sized picture otherwise takes thousands of page faults, each dear
// in a virtual machine. Small ones are plain QImages.
QImage largeBitmap(int width, int height, QImage::Format format)
{
    const size_t bytes = size_t(width) * 4 * size_t(height);
    if (bytes < 2 * LargePages::kHugePage || size_t(width) * 4 > size_t(std::numeric_limits<qsizetype>::max()))
        return QImage(width, height, format);
    void* memory = LargePages::allocate(bytes);
    if (!memory)
        return {};
    return QImage(static_cast<uchar*>(memory), width, height, qsizetype(width) * 4, format,
                  [](void* p) { std::free(p); }, memory);
}

} // namespace

bool CIContext::begin(quint64* failuresBefore) const
{
    m_lastError.clear();
    Engine::GL* gl = Engine::GL::instance();
    if (!gl) {
        m_lastError = QStringLiteral("the image engine could not start");
        return false;
    }
    *failuresBefore = gl->failureCount();
    return true;
}

bool CIContext::succeeded(quint64 failuresBefore) const
{
    Engine::GL* gl = Engine::GL::instance();
    if (gl->failureCount() == failuresBefore)
        return true;
    m_lastError = gl->lastFailure();
    return false;
}

bool CIContext::render(const CIImage& image, float* buffer, qsizetype rowFloats, const QRectF& rectF) const
{
    const QRect rect = CIGeometry::integral(rectF);
    quint64 failures = 0;
    if (!begin(&failures))
        return false;
    if (rect.isEmpty() || !buffer) {
        m_lastError = QStringLiteral("there is nothing to render");
        return false;
    }
    Engine::GL* gl = Engine::GL::instance();
    if (rowFloats <= 0)
        rowFloats = qsizetype(rect.width()) * 4;
    Engine::Rendered r = renderExactly(*gl, image, rect);
    if (!succeeded(failures))
        return false;
    if (r.isEmpty()) {
        m_lastError = QStringLiteral("the image engine rendered nothing");
        return false;
    }
    gl->bindTarget(*r.texture);
    const size_t rowSize = size_t(rect.width()) * 4;
    if (rowFloats == qsizetype(rowSize)) {
        // Straight into the caller's rows, turned over in place: no copy.
        glReadPixels(0, 0, rect.width(), rect.height(), GL_RGBA, GL_FLOAT, buffer);
        flipRows(reinterpret_cast<uchar*>(buffer), rowSize * sizeof(float), rect.height());
        return true;
    }
    std::vector<float> rows(rowSize * size_t(rect.height()));
    glReadPixels(0, 0, rect.width(), rect.height(), GL_RGBA, GL_FLOAT, rows.data());
    for (int y = 0; y < rect.height(); ++y)
        std::memcpy(buffer + qsizetype(y) * rowFloats, rows.data() + size_t(rect.height() - 1 - y) * rowSize,
                    rowSize * sizeof(float));
    return true;
}

std::vector<float> CIContext::renderToFloats(const CIImage& image, const QRectF& rectF) const
{
    const QRect rect = CIGeometry::integral(rectF);
    std::vector<float> out(size_t(std::max(rect.width(), 0)) * size_t(std::max(rect.height(), 0)) * 4);
    if (out.empty() || !render(image, out.data(), 0, rectF))
        return {};
    return out;
}

QImage CIContext::createCGImage(const CIImage& image, const QRectF& rectF) const
{
    const QRect rect = CIGeometry::integral(rectF);
    quint64 failures = 0;
    if (!begin(&failures))
        return {};
    if (image.isNull() || rect.isEmpty()) {
        m_lastError = QStringLiteral("there is nothing to render");
        return {};
    }
    Engine::GL* gl = Engine::GL::instance();
    QImage out = largeBitmap(rect.width(), rect.height(), QImage::Format_RGBA8888_Premultiplied);
    if (out.isNull()) {
        m_lastError = QStringLiteral("cannot allocate a %1 x %2 bitmap").arg(rect.width()).arg(rect.height());
        Log::line(lcImage, QStringLiteral("Error: ") + m_lastError);
        return {};
    }
    // Encoded to 8 bits by the last pass: no float copy of the picture. The
    // bitmap's rows are packed: read straight into them (by the pass itself
    // where it can) and turned over in place.
    Engine::ByteRows into{out.bits(), rect.width()};
    const Engine::Rendered r = Engine::renderBytes(*gl, image, rect, &into);
    if (!succeeded(failures))
        return {};
    if (r.isEmpty() && !into.filled) {
        m_lastError = QStringLiteral("the image engine rendered nothing");
        return {};
    }
    if (!into.filled) {
        gl->bindTarget(*r.texture);
        glReadPixels(0, 0, rect.width(), rect.height(), GL_RGBA, GL_UNSIGNED_BYTE, out.bits());
    }
    flipRows(out.bits(), size_t(out.bytesPerLine()), rect.height());
    out.setColorSpace(QColorSpace(QColorSpace::SRgb));
    return out;
}

QList<QImage> CIContext::createCGImages(const CIImage& image, const QList<QRectF>& rects) const
{
    const Engine::RenderScope scope(image);
    QList<QImage> out;
    for (const QRectF& rect : rects)
        out.append(createCGImage(image, rect));
    return out;
}

void CIContext::compileAhead(const CIImage& image, const QRectF& rectF) const
{
    const QRect rect = CIGeometry::integral(rectF);
    Engine::GL* gl = Engine::GL::instance();
    if (!gl || image.isNull() || rect.isEmpty())
        return;
    std::vector<Engine::DrawState> draws;
    const double compiling = gl->compileMilliseconds();
    gl->setRehearsal(&draws);
    // The same call as createCGImage's: the same programs.
    Engine::ByteRows into{nullptr, rect.width()};
    Engine::renderBytes(*gl, image, rect, &into);
    gl->setRehearsal(nullptr);
    // Programs the driver had in its disk cache link in a millisecond or
    // two, those it compiles in tens: then it has their machine code too.
    Engine::CompileAhead::start(*gl, draws, gl->compileMilliseconds() - compiling >= kCompiledMilliseconds);
}

void CIContext::compileAheadFinished()
{
    Engine::CompileAhead::finish();
}

void CIContext::drawImage(const CIImage& image, QPainter* painter, const QRectF& inRect, const QRectF& fromRect) const
{
    if (image.isNull() || !painter || CIGeometry::isEmpty(inRect) || CIGeometry::isEmpty(fromRect))
        return;
    // The destination's size in device pixels.
    const QRectF device = painter->deviceTransform().mapRect(inRect);
    const int w = std::max(1, int(std::lround(device.width())));
    const int h = std::max(1, int(std::lround(device.height())));
    QTransform fit = QTransform::fromTranslate(-fromRect.x(), -fromRect.y());
    fit *= QTransform::fromScale(w / fromRect.width(), h / fromRect.height());
    // Scaled with its edge pixels repeated, then cut back: crisp edges
    // instead of a half-pixel fade into transparency.
    CIImage scaled = image.imageByApplyingTransform(fit);
    if (!CIGeometry::isInfinite(image.extent()))
        scaled = image.imageByClampingToExtent().imageByApplyingTransform(fit).imageByCroppingToRect(scaled.extent());
    const QImage bitmap = createCGImage(scaled, QRectF(0, 0, w, h));
    if (!bitmap.isNull())
        painter->drawImage(inRect, bitmap);
}

void CIContext::releaseWorkingMemory()
{
    if (Engine::GL* gl = Engine::GL::instance())
        gl->emptyPool();
}

double CIContext::startupMilliseconds()
{
    Engine::GL* gl = Engine::GL::instance();
    return gl ? gl->startupMilliseconds() : 0.0;
}

QString CIContext::rendererName()
{
    Engine::GL* gl = Engine::GL::instance();
    return gl ? gl->renderer() : QString();
}

QString CIContext::rendererVersion()
{
    Engine::GL* gl = Engine::GL::instance();
    return gl ? gl->version() : QString();
}
