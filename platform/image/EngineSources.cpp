#include "platform/image/EngineSources.h"

#include "platform/foundation/Log.h"
#include "platform/image/BitmapReduction.h"
#include "platform/image/CIImageFile.h"
#include "platform/image/EngineKeptBitmaps.h"
#include "platform/image/EngineReductions.h"
#include "platform/image/EngineTrace.h"
#include "platform/image/JpegDecode.h"

#include <QColorSpace>
#include <QImageReader>

#include <algorithm>
#include <cmath>
#include <utility>

namespace Engine {

namespace {

// Qt's own 32-bit formats, so that a decoded JPEG (RGB32) needs no copy:
// bytes B, G, R, A on little-endian machines, swizzled back by the texture.
QImage toWorkingBitmap(QImage image)
{
    if (image.colorSpace().isValid() && image.colorSpace() != QColorSpace(QColorSpace::SRgb))
        image.convertToColorSpace(QColorSpace(QColorSpace::SRgb));
    const bool alpha = image.hasAlphaChannel();
    const QImage::Format wanted = Q_BYTE_ORDER == Q_LITTLE_ENDIAN
                                      ? (alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32)
                                      : (alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
    if (image.format() != wanted)
        image = image.convertToFormat(wanted);
    return image;
}

// Premultiplied white of any coverage, as a mask is: every pixel's four
// bytes alike, so they read as linear light as they are, in either order.
bool whiteCoverage(const QImage& image)
{
    if (image.format() != QImage::Format_RGBA8888_Premultiplied && image.format() != QImage::Format_ARGB32_Premultiplied)
        return false;
    const int w = image.width(), h = image.height();
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x)
            if (line[x] != (line[x] & 0xffu) * 0x01010101u)
                return false;
    }
    return true;
}

bool bgraBytes(const QImage& image)
{
    return image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
}

// A bitmap in its stored orientation turned as the file says: mirrored,
// then turned a quarter clockwise (as Qt's reader applies it).
QImage upright(QImage image, QImageIOHandler::Transformations turn)
{
    if (turn & (QImageIOHandler::TransformationMirror | QImageIOHandler::TransformationFlip))
        image = image.mirrored(turn & QImageIOHandler::TransformationMirror, turn & QImageIOHandler::TransformationFlip);
    if (turn & QImageIOHandler::TransformationRotate90)
        image = image.transformed(QTransform().rotate(90));
    return image;
}

// A photo decoded for its drawn size is read at a fraction of it by every
// blur of the picture: halved here, on the decode's thread, those reads
// reduce a quarter of its pixels. Not worth it for small photos.
QImage halfOf(const QImage& image)
{
    return qint64(image.width()) * image.height() >= 512 * 512 ? halveOpaqueBitmap(image) : QImage();
}

// Runs on a worker thread as well: no OpenGL, no logging. With a `detail`
// (texels per pixel of the upright picture), an opaque picture that the
// decode's reduction leaves larger is averaged down to it, so that it is
// uploaded as renders read it instead of being reduced by a pass. A JPEG
// (`jpeg`, turned by `turn`) is decoded by libjpeg-turbo at exactly its
// reduced size and averaged as it decodes; other files by Qt's readers.
SourceNode::Decoded decodeFile(const QString& path, const QSize& stored, int denominator, double detail = 0,
                               bool jpeg = false, QImageIOHandler::Transformations turn = {}, QSize fitted = {})
{
    SourceNode::Decoded d;
    QSize uprightSize = stored;
    if (turn & QImageIOHandler::TransformationRotate90)
        uprightSize.transpose();
    // `fitted`, when given, is the size the picture is drawn at.
    const QSize wanted = !fitted.isEmpty() ? fitted
                                           : QSize(std::max(1, int(std::ceil(uprightSize.width() * detail - 1e-6))),
                                                   std::max(1, int(std::ceil(uprightSize.height() * detail - 1e-6))));
    if (jpeg) {
        const QSize storedWanted =
            detail <= 0 ? QSize() : (turn & QImageIOHandler::TransformationRotate90 ? wanted.transposed() : wanted);
        JpegDecode direct = decodeJpeg(path, denominator, storedWanted);
        if (!direct.declined) {
            if (direct.image.isNull()) {
                d.error = direct.error.isEmpty() ? QStringLiteral("the picture could not be decoded") : direct.error;
                return d;
            }
            d.image = upright(direct.image, turn);
            d.decodedSize = turn & QImageIOHandler::TransformationRotate90 ? direct.decodedSize.transposed()
                                                                            : direct.decodedSize;
            if (detail > 0)
                d.half = halfOf(d.image);
            return d;
        }
    }
    QImageReader reader(path);
    reader.setAutoTransform(true);
    if (denominator > 1)
        reader.setScaledSize(QSize((stored.width() + denominator - 1) / denominator,
                                   (stored.height() + denominator - 1) / denominator));
    const QImage image = reader.read();
    if (image.isNull()) {
        d.error = reader.errorString();
        return d;
    }
    d.image = toWorkingBitmap(image);
    d.decodedSize = d.image.size();
    if (detail > 0 && worthAveraging(d.image.size(), wanted)) {
        const QImage reduced = reduceOpaqueBitmap(d.image, wanted);
        if (!reduced.isNull())
            d.image = reduced;
    }
    if (detail > 0)
        d.half = halfOf(d.image);
    return d;
}

// Decoded pixels a texel, along each axis, that the decode's own reduction
// leaves to averaging in linear light.
constexpr double kLinearBoxes = 8;

// Largest converted picture a source keeps between renders.
constexpr double kWholeCacheBytes = 96.0 * 1024 * 1024;

} // namespace

std::shared_ptr<SourceNode> SourceNode::fromImage(const QImage& image)
{
    auto node = std::shared_ptr<SourceNode>(new SourceNode(QRectF(0, 0, image.width(), image.height())));
    node->m_bitmapKey = image.cacheKey();
    // A coverage bitmap is kept as it is: no copy, and read without a conversion pass.
    node->m_coverage = (!image.colorSpace().isValid() || image.colorSpace() == QColorSpace(QColorSpace::SRgb))
                    && whiteCoverage(image);
    node->m_decoded = node->m_coverage ? image : toWorkingBitmap(image);
    node->m_decodedSize = node->m_decoded.size();
    node->m_opaque = !node->m_decoded.hasAlphaChannel();
    return node;
}

std::shared_ptr<SourceNode> SourceNode::fromFile(const QString& path, const QSizeF& drawnSize, bool centredFit)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    if (!reader.canRead() || !stored.isValid()) {
        Log::line(lcImage, QStringLiteral("Error: cannot read image file '%1': %2").arg(path, reader.errorString()));
        return nullptr;
    }
    QSize upright = stored;
    if (reader.transformation() & QImageIOHandler::TransformationRotate90)
        upright.transpose();
    auto node = std::shared_ptr<SourceNode>(new SourceNode(QRectF(0, 0, upright.width(), upright.height())));
    node->m_path = path;
    node->m_fileSize = stored;
    // Other formats' reduced reads decode whole and scale in gamma space.
    node->m_reducibleDecode = reader.format() == "jpeg";
    node->m_turn = reader.transformation();
    // Known before decoding: a JPEG never has alpha.
    node->m_opaque = node->m_reducibleDecode;
    // Decoded while the caller goes on (OpenGL starting, programs compiling).
    const double fx = drawnSize.width() / upright.width(), fy = drawnSize.height() / upright.height();
    // Averaged down to what a drawing that fits the size reads: a photo
    // shown whole is then uploaded as it is drawn, one texel a pixel. What
    // is stretched over the whole size is blurred and reads less, so the
    // fitted size serves it unless the proportions differ by more than a
    // quarter (a landscape photo on a portrait screen), where a second
    // decode would cost more: then what the whole size reads.
    const double detail = std::min(1.0, std::max(fx, fy)), fit = std::min(1.0, std::min(fx, fy));
    const double averaged = fit >= 0.75 * detail ? fit : detail;
    // A shrunk photo shown whole is drawn at its centred fit on whole pixels.
    QSize fitted;
    if (centredFit && averaged == fit && fit < 1) {
        const QSizeF f = centredFitSize(QSizeF(upright), drawnSize);
        if (f.width() == std::round(f.width()) && f.height() == std::round(f.height()))
            fitted = QSize(int(f.width()), int(f.height()));
    }
    if (averaged > 0)
        node->m_pending = std::async(std::launch::async, decodeFile, path, stored, node->denominatorFor(averaged),
                                     averaged, node->m_reducibleDecode, node->m_turn, fitted);
    return node;
}

SourceNode::~SourceNode()
{
    if (m_pending.valid())
        m_pending.wait();
}

int SourceNode::denominatorFor(double detail) const
{
    if (!m_reducibleDecode)
        return 1;
    // Power-of-two reductions are what JPEG decodes at almost no cost, but
    // they average blocks in gamma space and darken fine bright detail (a
    // one-pixel star at 1/2 keeps a fifth of its light). Taken only as far
    // as leaves 8 x 8 decoded pixels a texel, averaged in linear light after:
    // the photos then differ from a full decode by a few levels at most.
    int denominator = 1;
    while (denominator < 8 && 1.0 / (denominator * 2) >= detail * kLinearBoxes * 0.9)
        denominator *= 2;
    return denominator;
}

void SourceNode::settle() const
{
    if (!m_pending.valid())
        return;
    Decoded d = m_pending.get();
    ++m_decodeCount;
    m_hinted = d.image;
    m_hintedSize = d.image.size();
    m_hintedHalf = d.half;
    if (!d.half.isNull())
        m_halfDetail = std::min(d.half.width() / m_extent.width(), d.half.height() / m_extent.height());
    m_hintedError = d.error;
    if (!d.image.isNull())
        m_decodedSize = d.decodedSize;
}

bool SourceNode::hintServes(double detail) const
{
    // As the decode's reductions allow: a few percent fewer texels than
    // pixels go unseen.
    return !m_hintedSize.isEmpty()
           && std::min(m_hintedSize.width() / m_extent.width(), m_hintedSize.height() / m_extent.height())
                  >= detail * 0.9 - 1e-9;
}

bool SourceNode::halfServes(double detail) const
{
    return m_halfDetail > 0 && m_halfDetail >= detail - 1e-9;
}

double SourceNode::keptDetailFor(double detail) const
{
    settle();
    return halfServes(detail) ? m_halfDetail : 0;
}

QImage SourceNode::decodedAtHand(double detail) const
{
    if (m_path.isEmpty())
        return m_decoded;
    settle();
    if (!m_hinted.isNull() && hintServes(detail))
        return m_hinted;
    // Decoded for this detail; a decode at another reduction is not reused,
    // so that the pixels never depend on the order of renders.
    return m_decodedDenominator == denominatorFor(detail) ? m_decoded : QImage();
}

QImage SourceNode::decoded(double detail) const
{
    if (QImage image = decodedAtHand(detail); !image.isNull() || m_path.isEmpty())
        return image;
    const int denominator = denominatorFor(detail);
    // A worker's failure is the first render's; a later one decodes again.
    QString error = std::exchange(m_hintedError, QString());
    if (error.isEmpty()) {
        traceNote(QStringLiteral("decoding %1 again at 1/%2").arg(m_path).arg(denominator));
        Decoded d = decodeFile(m_path, m_fileSize, denominator, 0, m_reducibleDecode, m_turn);
        ++m_decodeCount;
        if (!d.image.isNull()) {
            m_decoded = d.image;
            m_decodedDenominator = denominator;
            m_decodedSize = d.decodedSize;
            return m_decoded;
        }
        error = d.error;
    }
    // Decoded on demand, so this is the first moment a damaged file shows.
    GL* gl = GL::instance();
    const QString reason = QStringLiteral("cannot decode image file '%1': %2").arg(m_path, error);
    if (gl)
        gl->noteFailure(reason);
    else
        Log::line(lcImage, QStringLiteral("Error: ") + reason);
    return {};
}

Rendered SourceNode::convert(GL& gl, const QImage& image, const QRect& texels, const QRectF& area, bool asIs, int ow,
                             int oh, bool upload)
{
    const int x0 = texels.x(), y0 = texels.y(), w = texels.width(), h = texels.height();
    // White coverage (premultiplied) is linear light as it is; anything else is sRGB.
    const bool coverage = image.format() == QImage::Format_RGBA8888_Premultiplied
                       || image.format() == QImage::Format_ARGB32_Premultiplied;
    TexturePtr texture = coverage ? gl.byteTexture(w, h) : gl.srgbTexture(w, h);
    if (!texture)
        return {};
    glBindTexture(GL_TEXTURE_2D, texture->id);
    const bool bgra = bgraBytes(image);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_R, bgra ? GL_BLUE : GL_RED);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_B, bgra ? GL_RED : GL_BLUE);
    // Row by row, bottom up: the texture then has the engine's orientation
    // and an opaque picture can be read as it is.
    for (int t = 0; t < h && upload; ++t)
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, t, w, 1, GL_RGBA, GL_UNSIGNED_BYTE,
                        image.constScanLine(image.height() - 1 - (y0 + t)) + qsizetype(x0) * 4);
    if (asIs)
        return {texture, area};
    // Every output texel averages what it covers; one texel each when as
    // many (the reductions' program, not one more to compile).
    return boxReduce(gl, texture, area, ow, oh, !coverage);
}

Rendered SourceNode::render(GL& gl, const QRect& region, double detail) const
{
    const QRect limit(0, 0, int(m_extent.width()), int(m_extent.height()));
    settle();
    // Below full detail, every render the photo decoded for its drawn size
    // serves reads it as it was uploaded once, or its half (the drawing
    // reduces it further): the same texels whatever was rendered before.
    if (halfServes(detail))
        return renderHalf(gl);
    const bool hinted = !m_path.isEmpty() && detail < 1 && hintServes(detail);
    if (hinted && !m_shown.isEmpty())
        return m_shown;
    // The whole picture converted once is kept for the next renders.
    if (!m_whole.isEmpty() && (hinted ? m_wholeAsked == detail : m_wholeDetail >= detail))
        return m_whole;
    // Reduced reads average the whole picture, so that every region reads
    // the same averages (kept below for the next regions); one too large to
    // keep is averaged by region.
    // Coverage is kept whole at full detail too: its bytes as they are.
    const bool whole = (detail < 1 && 16.0 * limit.width() * limit.height() * detail * detail <= kWholeCacheBytes)
                    || (m_coverage && detail >= 1 && 4.0 * limit.width() * limit.height() <= kWholeCacheBytes);
    const QRect span = whole ? limit : region;
    // Whole-picture reads beyond the texture limit are read at a reduced scale.
    const double need = std::min(detail, double(gl.maxTextureSize()) / std::max(span.width(), span.height()));
    // A rehearsal takes only what is decoded already.
    const bool rehearsal = gl.rehearsing();
    const QImage image = rehearsal ? decodedAtHand(need) : decoded(need);
    if (image.isNull())
        return {};
    const QRect r = span.intersected(limit);
    if (r.isEmpty())
        return {};
    const double sx = image.width() / m_extent.width();
    const double sy = image.height() / m_extent.height();
    // The bitmap pixels under the region, in bitmap columns and in y-up rows.
    const int x0 = std::clamp(int(std::floor(r.x() * sx)), 0, image.width());
    const int x1 = std::clamp(int(std::ceil((r.x() + r.width()) * sx)), x0, image.width());
    const int y0 = std::clamp(int(std::floor(r.y() * sy)), 0, image.height());
    const int y1 = std::clamp(int(std::ceil((r.y() + r.height()) * sy)), y0, image.height());
    if (x1 <= x0 || y1 <= y0)
        return {};
    const int w = x1 - x0, h = y1 - y0;
    // Converted at the detail asked for when that is less than decoded:
    // the float copy is never larger than the render needs.
    const double keep = std::clamp(detail / std::min(sx, sy), 0.0, 1.0);
    const int ow = keep < 0.999 ? std::max(1, int(std::ceil(w * keep - 1e-6))) : w;
    const int oh = keep < 0.999 ? std::max(1, int(std::ceil(h * keep - 1e-6))) : h;
    const QRectF area(x0 / sx, y0 / sy, w / sx, h / sy);
    const bool wholeImage = w == image.width() && h == image.height();
    // An opaque picture is already premultiplied linear light when read
    // through its sRGB texture, and read at no more than a tenth fewer texels
    // than it holds it skips nothing: kept as it is (8 bits a channel, no
    // pass), as is the photo decoded for its drawn size for every detail it
    // serves. Only when kept, so that nobody blends onto it in place.
    const bool asIs = (!image.hasAlphaChannel() || m_coverage) && (keep >= 0.9 || hinted) && wholeImage
                   && 4.0 * w * h <= kWholeCacheBytes;
    // A bitmap converted whole before, by this image or another made of it.
    const KeptBitmaps::Key kept{wholeImage && m_path.isEmpty() ? m_bitmapKey : 0, ow, oh,
                                asIs ? GLenum(m_coverage ? GL_RGBA8 : GL_SRGB8_ALPHA8) : gl.floatFormat()};
    Rendered result = kept.bitmap ? KeptBitmaps::shared().find(kept) : Rendered();
    if (result.isEmpty()) {
        result = convert(gl, image, QRect(x0, y0, w, h), area, asIs, ow, oh, !rehearsal);
        if (kept.bitmap && !rehearsal)
            KeptBitmaps::shared().keep(kept, result);
    }
    result.opaque = !image.hasAlphaChannel();
    // A rehearsal's texels are not the picture's: nothing of it is kept.
    if (rehearsal && hinted && asIs)
        m_rehearsedShown = result;
    if (result.isEmpty() || rehearsal)
        return result;
    const double bytes = (asIs ? 4.0 : 16.0) * result.texture->width * result.texture->height;
    if (hinted && asIs) {
        m_shown = result;
        // Kept for the full-detail renders it serves.
        if (!hintServes(1))
            m_hinted = QImage();
    } else if (wholeImage && bytes <= kWholeCacheBytes) {
        m_whole = result;
        m_wholeDetail = std::min(sx, sy) * std::min(double(result.texture->width) / w, double(result.texture->height) / h);
        m_wholeAsked = detail;
        // A file is decoded again if a later render needs more detail than
        // this; no second full-size copy is kept meanwhile.
        if (!m_path.isEmpty() && !hinted)
            m_decoded = QImage();
    }
    return result;
}

Rendered SourceNode::renderHalf(GL& gl) const
{
    if (!gl.rehearsing())
        ++m_halfReads;
    if (!m_shownHalf.isEmpty())
        return m_shownHalf;
    const QImage& half = m_hintedHalf;
    TexturePtr texture = gl.halfFloatTexture(half.width(), half.height());
    if (!texture)
        return {};
    glBindTexture(GL_TEXTURE_2D, texture->id);
    // Bottom up, as convert() uploads.
    for (int t = 0; t < half.height() && !gl.rehearsing(); ++t)
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, t, half.width(), 1, GL_RGBA, GL_HALF_FLOAT, half.constScanLine(half.height() - 1 - t));
    Rendered result{texture, m_extent};
    result.opaque = true;
    if (gl.rehearsing()) {
        m_rehearsedHalf = result;
        return result;
    }
    m_shownHalf = result;
    m_hintedHalf = QImage();
    return result;
}

ColorNode::ColorNode(const std::array<float, 4>& premultipliedLinear)
    : ImageNode(CIGeometry::infiniteRect()), color(premultipliedLinear)
{
}

Rendered ColorNode::render(GL& gl, const QRect& region, double) const
{
    TexturePtr target = gl.floatTexture(region.width(), region.height());
    if (!target)
        return {};
    gl.bindTarget(*target);
    glClearBufferfv(GL_COLOR, 0, color.data());
    return {target, QRectF(region)};
}

TextureNode::TextureNode(const Rendered& r, const QRectF& extent, const QRectF& opaque, const CopiedPart& copied)
    : ImageNode(extent), rendered(r), m_opaque(opaque), m_copied(copied)
{
}

QRectF TextureNode::opaqueArea() const
{
    const QRectF known = rendered.opaque ? rendered.area : m_opaque;
    return CIGeometry::wholePixelsInside(CIGeometry::intersect(known, m_extent));
}

Rendered TextureNode::render(GL& gl, const QRect&, double detail) const
{
    if (detail < 1)
        if (Rendered halved = halvedFromCopy(gl, detail); !halved.isEmpty())
            return halved;
    return rendered;
}

double TextureNode::halfKept(const CopiedPart& part)
{
    const QTransform& t = part.toSource;
    if (!part.source || t.type() > QTransform::TxScale || !(t.m11() > 0) || !(t.m22() > 0))
        return 0;
    const double detail = 0.5 / std::max(t.m11(), t.m22());
    return part.source->keptDetailFor(detail) > 0 ? detail : 0;
}

Rendered TextureNode::halvedFromCopy(GL& gl, double detail) const
{
    const double sourceDetail = halfKept(m_copied);
    const QRect whole = toRect(rendered.area);
    if (sourceDetail <= 0 || detail > 0.5 || rendered.isEmpty() || rendered.texture->format != GL_SRGB8_ALPHA8
        || QRectF(whole) != rendered.area || rendered.texture->width != whole.width()
        || rendered.texture->height != whole.height() || whole.width() % 2 != 0 || whole.height() % 2 != 0)
        return {};
    // The half texels wholly inside the copied part, and where they lie in
    // the source's half: on its texels, or not at all.
    const QRect c = m_copied.rect.intersected(whole).translated(-whole.topLeft());
    const QRect inner(QPoint((c.left() + 1) / 2, (c.top() + 1) / 2), QPoint((c.right() + 1) / 2 - 1, (c.bottom() + 1) / 2 - 1));
    if (c.isEmpty() || inner.isEmpty())
        return {};
    // The half's texels are two pixels from the source's corner on.
    const QRectF part(whole.topLeft() + 2 * inner.topLeft(), 2 * QSizeF(inner.size()));
    const QTransform& t = m_copied.toSource;
    const QRectF e = m_copied.source->extent();
    const QPointF from = (part.topLeft() - QPointF((e.x() - t.dx()) / t.m11(), (e.y() - t.dy()) / t.m22())) / 2;
    const QPoint texel = from.toPoint();
    const auto near = [](double a, double b) { return std::abs(a - b) < 1e-6; };
    if (!near(texel.x(), from.x()) || !near(texel.y(), from.y()))
        return {};
    const Rendered half = renderImage(gl, CIImage(m_copied.source), t.mapRect(part).toAlignedRect(), sourceDetail);
    if (half.isEmpty() || half.texture->format != gl.floatFormat() || half.area != e
        || !near(t.m11() * half.densityX(), 0.5) || !near(t.m22() * half.densityY(), 0.5)
        || !QRect(0, 0, half.texture->width, half.texture->height).contains(QRect(texel, inner.size())))
        return {};
    const int w = whole.width() / 2, h = whole.height() / 2;
    TexturePtr target = gl.floatTexture(w, h);
    if (!target)
        return {};
    std::vector<TexelCopy> copies{{half.texture, texel, inner}};
    std::vector<Rendered> strips; // held until copied
    for (const QRect& strip : CIGeometry::stripsAround(QRect(0, 0, w, h), inner)) {
        if (strip.isEmpty())
            continue;
        const Boxes boxes{QPointF(2, 2), QPointF(), strip.topLeft()};
        const QRectF area(whole.x() + 2 * strip.x(), whole.y() + 2 * strip.y(), 2 * strip.width(), 2 * strip.height());
        strips.push_back(boxReduce(gl, rendered.texture, area, strip.width(), strip.height(), false, &boxes));
        if (strips.back().isEmpty() || strips.back().texture->format != target->format)
            return {};
        copies.push_back({strips.back().texture, QPoint(), strip});
    }
    copyTexels(gl, copies, *target);
    return {target, rendered.area, rendered.opaque};
}

} // namespace Engine

QImage decodedImageCovering(const QString& path, const QSizeF& drawnSize, QString* error)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    const QImageIOHandler::Transformations turn = reader.transformation();
    if (reader.format() == "jpeg" && stored.isValid()) {
        const QSize upright = turn & QImageIOHandler::TransformationRotate90 ? stored.transposed() : stored;
        const double fit = drawnSize.isEmpty() ? 1.0
                                               : std::min({1.0, drawnSize.width() / upright.width(),
                                                           drawnSize.height() / upright.height()});
        const QSize covering(int(std::ceil(stored.width() * fit - 1e-6)), int(std::ceil(stored.height() * fit - 1e-6)));
        const Engine::JpegDecode direct = Engine::decodeJpegCovering(path, covering);
        if (!direct.declined) {
            if (direct.image.isNull())
                *error = direct.error.isEmpty() ? QStringLiteral("the picture could not be decoded") : direct.error;
            return direct.image.isNull() ? QImage() : Engine::upright(direct.image, turn);
        }
    }
    const QImage image = reader.read();
    if (image.isNull())
        *error = reader.errorString();
    return image.isNull() ? image : Engine::toWorkingBitmap(image);
}
