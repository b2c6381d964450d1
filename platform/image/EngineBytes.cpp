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

Rendered renderBytes(GL& gl, const CIImage& image, const QRect& rect)
{
    if (rect.isEmpty())
        return {};
    const RenderScope scope(image);
    if (!image.isNull() && clip(rect, image.extent()) == rect) {
        if (Rendered fused = renderFused(gl, *image.node(), rect, true); !fused.isEmpty())
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
