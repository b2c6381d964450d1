#include "platform/image/EngineSources.h"

#include "platform/foundation/Log.h"
#include "platform/image/EngineReductions.h"

#include <QColorSpace>
#include <QImageReader>

#include <algorithm>
#include <cmath>

namespace Engine {

namespace {

QImage toWorkingBitmap(QImage image)
{
    if (image.colorSpace().isValid() && image.colorSpace() != QColorSpace(QColorSpace::SRgb))
        image.convertToColorSpace(QColorSpace(QColorSpace::SRgb));
    if (image.format() != QImage::Format_RGBA8888)
        image = image.convertToFormat(QImage::Format_RGBA8888);
    return image;
}

// Largest converted picture a source keeps between renders.
constexpr double kWholeCacheBytes = 96.0 * 1024 * 1024;

const char* const kUploadPass = R"(
uniform sampler2D _ci_src;
void main() {
    // Bitmap rows run top down, ours bottom up. An sRGB texture: reads are
    // already linear light.
    vec2 uv = gl_FragCoord.xy / vec2(textureSize(_ci_src, 0));
    vec4 c = textureLod(_ci_src, vec2(uv.x, 1.0 - uv.y), 0.0);
    _ci_out = vec4(c.rgb * c.a, c.a);
}
)";

} // namespace

std::shared_ptr<SourceNode> SourceNode::fromImage(const QImage& image)
{
    auto node = std::shared_ptr<SourceNode>(new SourceNode(QRectF(0, 0, image.width(), image.height())));
    node->m_decoded = toWorkingBitmap(image);
    return node;
}

std::shared_ptr<SourceNode> SourceNode::fromFile(const QString& path)
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
    return node;
}

QImage SourceNode::decoded(double detail) const
{
    if (m_path.isEmpty())
        return m_decoded;
    // Power-of-two reductions are what JPEG decodes at almost no cost.
    int denominator = 1;
    // A few percent fewer texels than pixels go unseen; a whole step more
    // decoding does not.
    while (denominator < 8 && 1.0 / (denominator * 2) >= detail * 0.9)
        denominator *= 2;
    const QSize wanted((m_fileSize.width() + denominator - 1) / denominator,
                       (m_fileSize.height() + denominator - 1) / denominator);
    if (!m_decoded.isNull() && m_decodedDenominator <= denominator)
        return m_decoded;
    QImageReader reader(m_path);
    reader.setAutoTransform(true);
    if (denominator > 1)
        reader.setScaledSize(wanted);
    QImage image = reader.read();
    if (image.isNull()) {
        // Decoded on demand, so this is the first moment a damaged file shows.
        GL* gl = GL::instance();
        const QString reason = QStringLiteral("cannot decode image file '%1': %2").arg(m_path, reader.errorString());
        if (gl)
            gl->noteFailure(reason);
        else
            Log::line(lcImage, QStringLiteral("Error: ") + reason);
        return {};
    }
    m_decoded = toWorkingBitmap(image);
    m_decodedDenominator = denominator;
    ++m_decodeCount;
    return m_decoded;
}

Rendered SourceNode::render(GL& gl, const QRect& region, double detail) const
{
    const QRect limit(0, 0, int(m_extent.width()), int(m_extent.height()));
    // The whole picture converted once is kept for the next renders.
    if (!m_whole.isEmpty() && m_wholeDetail >= detail)
        return m_whole;
    // Reduced reads average the whole picture, so that every region reads
    // the same averages (kept below for the next regions); one too large to
    // keep is averaged by region.
    const bool whole = detail < 1 && 16.0 * limit.width() * limit.height() * detail * detail <= kWholeCacheBytes;
    const QRect span = whole ? limit : region;
    // Whole-picture reads beyond the texture limit are read at a reduced scale.
    const double need = std::min(detail, double(gl.maxTextureSize()) / std::max(span.width(), span.height()));
    const QImage image = decoded(need);
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
    TexturePtr upload = gl.srgbTexture(w, h);
    if (!upload)
        return {};
    glBindTexture(GL_TEXTURE_2D, upload->id);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, int(image.bytesPerLine() / 4));
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, x0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, image.height() - y1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, image.constBits());
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    static GLuint program = 0;
    if (!program)
        program = passProgram(gl, 0, kUploadPass);
    // Converted at the detail asked for when that is less than decoded:
    // the float copy is never larger than the render needs.
    const double keep = std::clamp(detail / std::min(sx, sy), 0.0, 1.0);
    const int ow = keep < 0.999 ? std::max(1, int(std::ceil(w * keep))) : w;
    const int oh = keep < 0.999 ? std::max(1, int(std::ceil(h * keep))) : h;
    const QRectF area(x0 / sx, y0 / sy, w / sx, h / sy);
    // Fewer texels than decoded: every output texel averages what it covers.
    Rendered result = ow < w || oh < h ? boxReduce(gl, upload, area, ow, oh, true)
                                       : runPass(gl, program, area, ow, oh, {}, [&](GLuint p) {
                                             gl.bindTexture(0, *upload, true);
                                             glUniform1i(gl.uniform(p, "_ci_src"), 0);
                                         });
    const double bytes = 16.0 * ow * oh;
    if (!result.isEmpty() && w == image.width() && h == image.height() && bytes <= kWholeCacheBytes) {
        m_whole = result;
        m_wholeDetail = std::min(sx, sy) * std::min(double(ow) / w, double(oh) / h);
    }
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

TextureNode::TextureNode(const Rendered& r, const QRectF& extent) : ImageNode(extent), rendered(r) {}

Rendered TextureNode::render(GL&, const QRect&, double) const
{
    return rendered;
}

} // namespace Engine
