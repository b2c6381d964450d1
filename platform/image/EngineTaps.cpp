#include "platform/image/EngineTaps.h"

namespace Engine {

namespace {

const char* const kTapPass = R"(
uniform int _ci_tapCount;
uniform vec4 _ci_taps[128];
uniform vec2 _ci_dir;
uniform float _ci_divisor;
void main() {
    vec2 p = _ci_dest.xy + gl_FragCoord.xy * _ci_dest.zw;
    vec4 sum = vec4(0.0);
    for (int k = 0; k < _ci_tapCount; ++k)
        sum += _ci_taps[k].z * _ci_texel(0, _ci_toTexel(0, p + (_ci_dir * _ci_taps[k].x + vec2(0.0, _ci_taps[k].y))));
    _ci_out = sum / _ci_divisor;
}
)";

Rendered run(GL& gl, const PassSampler& source, const QRectF& area, int width, int height, const Taps& taps,
             const double* texelStep)
{
    const int count = int(taps.taps.size());
    if (count > Taps::kMax) {
        gl.noteFailure(QStringLiteral("an image engine pass has %1 taps, more than %2").arg(count).arg(Taps::kMax));
        return {};
    }
    static GLuint program = 0;
    if (!program)
        program = passProgram(gl, 1, kTapPass);
    if (!program)
        return {};
    return runPass(gl, program, area, width, height, {source}, [&](GLuint p) {
        if (texelStep) {
            // Identity reads: p is already a texel coordinate of the input.
            const float map[4] = {1.f, 1.f, 0.f, 0.f};
            glUniform4fv(gl.uniform(p, "_ci_map"), 1, map);
            glUniform4f(gl.uniform(p, "_ci_dest"), 0.f, 0.f, float(*texelStep), float(*texelStep));
        }
        glUniform1i(gl.uniform(p, "_ci_tapCount"), count);
        if (count > 0)
            glUniform4fv(gl.uniform(p, "_ci_taps"), count, taps.taps.front().data());
        glUniform2f(gl.uniform(p, "_ci_dir"), float(taps.dir.x()), float(taps.dir.y()));
        glUniform1f(gl.uniform(p, "_ci_divisor"), taps.divisor);
    });
}

} // namespace

Rendered runTaps(GL& gl, const PassSampler& source, const QRectF& area, int width, int height, const Taps& taps)
{
    return run(gl, source, area, width, height, taps, nullptr);
}

Rendered runTexelTaps(GL& gl, const Rendered& source, const QRectF& area, int width, int height, double texelStep,
                      const Taps& taps)
{
    const PassSampler s{source, source.area, false, false, QTransform(), QRectF(), QRectF()};
    return run(gl, s, area, width, height, taps, &texelStep);
}

} // namespace Engine
