#include "platform/image/EnginePasses.h"

#include "platform/image/EngineOptimiser.h"
#include "platform/image/EngineTrace.h"

namespace Engine {

const char* const kEncodeBytes = R"(
// Premultiplied in sRGB like the bitmap, by the alpha byte that will be
// stored, so that a colour divided by its alpha byte comes back whole.
vec4 _ci_encode8(vec4 c) {
    float a = clamp(c.a, 0.0, 1.0);
    vec3 rgb = a > 0.0 ? _ci_toSRGB(c.rgb / c.a) : vec3(0.0);
    float stored = floor(a * 255.0 + 0.5) / 255.0;
    return vec4(rgb * stored, stored);
}
// The same for a colour known to be opaque.
vec4 _ci_encodeOpaque8(vec4 c) {
    return vec4(_ci_toSRGB(c.rgb), 1.0);
}
)";

namespace {
// SUNNYSIDE_PHOTO_COPY=0 draws the photo's texels instead of copying them.
bool g_copies = qEnvironmentVariable("SUNNYSIDE_PHOTO_COPY") != QLatin1String("0");
} // namespace

void setTexelCopiesEnabled(bool enabled)
{
    g_copies = enabled;
}

bool texelCopiesEnabled()
{
    return g_copies;
}

bool swappedBytes(const Texture& texture)
{
    GLint red = GL_RED;
    glBindTexture(GL_TEXTURE_2D, texture.id);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_R, &red);
    return red == GL_BLUE;
}

void readBackCopies(GL& gl, const std::vector<TexelCopy>& copies, const ByteRows& into)
{
    if (copies.empty() || gl.rehearsing())
        return;
    uchar* const rows = into.rows;
    const int rowPixels = into.rowPixels;
    glPixelStorei(GL_PACK_ROW_LENGTH, rowPixels);
    for (const TexelCopy& c : copies) {
        gl.bindTarget(*c.from);
        uchar* first = rows + (qsizetype(c.to.y()) * rowPixels + c.to.x()) * 4;
        glReadPixels(c.fromTexel.x(), c.fromTexel.y(), c.to.width(), c.to.height(), GL_RGBA, GL_UNSIGNED_BYTE, first);
        // A texture of Qt's B, G, R, A bytes reads red and blue swapped
        // (the swizzle serves sampling only).
        if (!swappedBytes(*c.from))
            continue;
        // Bytes 0 and 2 of each pixel trade places, whole pixels at a time
        // (rows of RGBA pixels are word-aligned): a loop that vectorises.
        const auto swapped = [](quint32 v) {
            if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN)
                return (v & 0xff00ff00u) | ((v >> 16) & 0xffu) | ((v & 0xffu) << 16);
            else
                return (v & 0x00ff00ffu) | ((v >> 16) & 0xff00u) | ((v & 0xff00u) << 16);
        };
        for (int y = 0; y < c.to.height(); ++y) {
            auto* p = reinterpret_cast<quint32*>(first + qsizetype(y) * rowPixels * 4);
            for (int x = 0; x < c.to.width(); ++x)
                p[x] = swapped(p[x]);
        }
    }
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
}

Rendered renderBytes(GL& gl, const CIImage& image, const QRect& rect, ByteRows* into)
{
    if (rect.isEmpty())
        return {};
    const RenderScope scope(image);
    if (!image.isNull() && clip(rect, image.extent()) == rect) {
        if (Rendered fused = renderFused(gl, *image.node(), rect, true, into); !fused.isEmpty())
            return fused;
        const PassLabel label(image.node().get());
        Rendered bytes = image.node()->renderBytes(gl, rect);
        if (!bytes.isEmpty())
            return bytes;
    }
    const Rendered r = renderImage(gl, image, rect, 1.0);
    static GLuint program = 0;
    if (!program)
        program = passProgram(gl, 1, (QByteArray(kEncodeBytes) + R"(
void main() {
    vec2 p = _ci_dest.xy + gl_FragCoord.xy * _ci_dest.zw;
    _ci_out = _ci_encode8(_ci_texel(0, _ci_toTexel(0, p)));
}
)").constData());
    TexturePtr target = gl.byteTexture(rect.width(), rect.height());
    if (!program || !target)
        return {};
    const bool aligned = !r.isEmpty() && r.densityX() == 1.0 && r.densityY() == 1.0;
    drawPass(gl, program, *target, QRectF(rect), QRect(0, 0, rect.width(), rect.height()), false,
             {{r, r.area, false, aligned, QTransform(), QRectF(), QRectF()}}, {});
    return {target, QRectF(rect)};
}

} // namespace Engine
