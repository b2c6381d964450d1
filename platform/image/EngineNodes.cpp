#include "platform/image/EngineNodes.h"

#include "platform/image/CIKernel.h"
#include "platform/foundation/Log.h"

#include <QColorSpace>
#include <QFileInfo>
#include <QImageReader>

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace Engine {

namespace {

constexpr float kFloatLimit = 1e30f;

float limited(double v)
{
    return float(std::clamp(v, double(-kFloatLimit), double(kFloatLimit)));
}

QRect toRect(const QRectF& r)
{
    return CIGeometry::integral(r);
}

QRectF growRect(const QRect& r, double margin)
{
    return QRectF(r).adjusted(-margin, -margin, margin, margin);
}

// Whole-pixel intersection of a region with an extent (rounded outwards).
QRect clip(const QRect& region, const QRectF& extent)
{
    if (CIGeometry::isInfinite(extent))
        return region;
    return region.intersected(toRect(extent));
}

} // namespace

struct RenderScope::Data {
    Data* outer = nullptr;
    QSet<const ImageNode*> shared;
    struct Entry {
        QRect region;
        double detail;
        Rendered rendered;
    };
    QHash<const ImageNode*, std::vector<Entry>> done;
};

namespace {
RenderScope::Data* g_scope = nullptr;
} // namespace

RenderScope::RenderScope(const CIImage& root) : m_data(std::make_unique<Data>())
{
    m_data->outer = g_scope;
    // Visits each node at most twice: enough to know that it is reached
    // along two paths, and its inputs with it.
    QHash<const ImageNode*, int> visits;
    std::function<void(const CIImage&)> walk = [&](const CIImage& image) {
        const ImageNode* node = image.node().get();
        if (!node)
            return;
        const int n = ++visits[node];
        if (n > 2)
            return;
        if (n == 2)
            m_data->shared.insert(node);
        node->forEachInput(walk);
    };
    walk(root);
    g_scope = m_data.get();
}

RenderScope::~RenderScope()
{
    g_scope = m_data->outer;
}

Rendered renderImage(GL& gl, const CIImage& image, const QRect& region, double detail)
{
    if (image.isNull() || region.isEmpty())
        return {};
    const QRect r = clip(region, image.extent());
    if (r.isEmpty())
        return {};
    const double d = std::clamp(detail, 1e-3, 1.0);
    const ImageNode* node = image.node().get();
    if (!g_scope || !g_scope->shared.contains(node))
        return node->render(gl, r, d);
    // Reached along several paths: rendered once, reused (read only, since
    // the scope keeps a reference, nobody blends onto it in place).
    // The least detailed rendering that has enough: a photo drawn at two
    // scales is reduced once for each, never twice.
    const RenderScope::Data::Entry* best = nullptr;
    for (const RenderScope::Data::Entry& e : g_scope->done[node])
        if (e.region.contains(r) && e.detail >= d && (!best || e.detail < best->detail))
            best = &e;
    if (best)
        return best->rendered;
    Rendered result = node->render(gl, r, d);
    if (!result.isEmpty())
        g_scope->done[node].push_back({r, d, result});
    return result;
}

QRect clampedRegion(const QRectF& roi, const QRectF& extent)
{
    const QRect e = toRect(extent);
    const QRect r = toRect(roi);
    if (e.isEmpty() || r.isEmpty())
        return {};
    // Bring each side inside the extent, keeping at least one pixel.
    const int x0 = std::clamp(r.x(), e.x(), e.x() + e.width() - 1);
    const int y0 = std::clamp(r.y(), e.y(), e.y() + e.height() - 1);
    const int x1 = std::clamp(r.x() + r.width(), x0 + 1, e.x() + e.width());
    const int y1 = std::clamp(r.y() + r.height(), y0 + 1, e.y() + e.height());
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

QString samplerDeclarations(int count)
{
    const int n = std::max(count, 1);
    QString s;
    for (int i = 0; i < count; ++i)
        s += QStringLiteral("uniform sampler2D _ci_tex%1;\n").arg(i);
    s += QStringLiteral("uniform vec4 _ci_map[%1];\nuniform vec2 _ci_size[%1];\nuniform vec2 _ci_scale[%1];\nuniform int _ci_mode[%1];\n"
                        "uniform vec4 _ci_box[%1];\nuniform vec4 _ci_ext[%1];\nuniform vec4 _ci_dest;\nuniform vec2 _ci_origin;\n"
                        "vec2 _ci_dc = vec2(0.0);\n")
             .arg(n);
    s += QStringLiteral("vec2 _ci_toTexel(int i, vec2 p) { return p * _ci_map[i].xy + _ci_map[i].zw; }\n");
    s += QStringLiteral("vec4 _ci_texel(int i, vec2 tc) {\n");
    for (int i = 0; i < count; ++i)
        s += QStringLiteral("    if (i == %1) return _ci_fetch(_ci_tex%1, tc, _ci_size[%1], _ci_scale[%1], _ci_mode[%1], _ci_box[%1]);\n").arg(i);
    s += QStringLiteral("    return vec4(0.0);\n}\n");
    return s;
}

GLuint passProgram(GL& gl, int count, const char* body)
{
    const QString source = QStringLiteral("#version 300 es\nprecision highp float;\nprecision highp int;\nprecision highp sampler2D;\n")
        + QString::fromLatin1(kShaderPrelude) + samplerDeclarations(count)
        + QStringLiteral("layout(location = 0) out vec4 _ci_out;\n") + QString::fromLatin1(body);
    QString log;
    const GLuint program = gl.program(source, &log);
    if (!program)
        gl.noteFailure(QStringLiteral("an image engine pass does not compile: %1").arg(log.replace(u'\n', u' ')));
    return program;
}

QPointF passOrigin(const QRectF& area)
{
    // A whole number a float holds exactly, near the area's corner.
    return QPointF(double(limited(std::floor(area.x()))), double(limited(std::floor(area.y()))));
}

// Runs `program` into `target` (covering `area`), only inside `viewport`
// (texels of the target), blending source-over when asked. Sampler reads are
// relative to `readOrigin` (the pass origin when null).
static void drawPass(GL& gl, GLuint program, const Texture& target, const QRectF& area, const QRect& viewport,
                     bool blend, const std::vector<PassSampler>& samplers,
                     const std::function<void(GLuint)>& setUniforms, const QPointF* readOrigin = nullptr)
{
    const QPointF origin = passOrigin(area);
    const QPointF read = readOrigin ? *readOrigin : origin;
    const int width = target.width, height = target.height;
    glUseProgram(program);
    const int n = int(samplers.size());
    std::vector<float> map(size_t(std::max(n, 1)) * 4, 0.f), size(size_t(std::max(n, 1)) * 2, 1.f),
        scale(size_t(std::max(n, 1)) * 2, 1.f),
        box(size_t(std::max(n, 1)) * 4, 0.f), ext(size_t(std::max(n, 1)) * 4, 0.f);
    std::vector<GLint> mode(size_t(std::max(n, 1)), 0);
    for (int i = 0; i < n; ++i) {
        const PassSampler& s = samplers[size_t(i)];
        const QRectF e = s.imageExtent;
        ext[size_t(i) * 4 + 0] = limited(e.x());
        ext[size_t(i) * 4 + 1] = limited(e.y());
        ext[size_t(i) * 4 + 2] = limited(e.width());
        ext[size_t(i) * 4 + 3] = limited(e.height());
        const char name[] = {'_', 'c', 'i', '_', 't', 'e', 'x', char('0' + i), 0};
        if (s.rendered.isEmpty()) {
            // Nothing there: every read falls far outside and weighs nothing.
            map[size_t(i) * 4 + 2] = map[size_t(i) * 4 + 3] = -1e6f;
            glUniform1i(gl.uniform(program, name), i);
            glActiveTexture(GLenum(GL_TEXTURE0 + i));
            glBindTexture(GL_TEXTURE_2D, 0);
            continue;
        }
        const Rendered& r = s.rendered;
        const double dx = r.densityX(), dy = r.densityY();
        const QTransform& t = s.toInput;
        map[size_t(i) * 4 + 0] = float(dx * t.m11());
        map[size_t(i) * 4 + 1] = float(dy * t.m22());
        // In doubles: far from the world's origin the terms are large, the
        // texel position is not.
        map[size_t(i) * 4 + 2] = float((read.x() * t.m11() + t.dx() - r.area.x()) * dx);
        map[size_t(i) * 4 + 3] = float((read.y() * t.m22() + t.dy() - r.area.y()) * dy);
        size[size_t(i) * 2 + 0] = float(r.texture->width);
        size[size_t(i) * 2 + 1] = float(r.texture->height);
        scale[size_t(i) * 2 + 0] = 1.f / float(r.texture->allocWidth);
        scale[size_t(i) * 2 + 1] = 1.f / float(r.texture->allocHeight);
        mode[size_t(i)] = (s.clamp ? 1 : 0) | (s.nearest ? 2 : 0) | (s.crop.isNull() ? 0 : 4);
        if (!s.crop.isNull()) {
            // Texel coordinates of the crop's edges: a read position inside
            // them is a pixel centre inside the crop.
            const QRectF& b = s.crop;
            box[size_t(i) * 4 + 0] = float((b.x() - r.area.x()) * dx);
            box[size_t(i) * 4 + 1] = float((b.y() - r.area.y()) * dy);
            box[size_t(i) * 4 + 2] = float((b.x() + b.width() - r.area.x()) * dx);
            box[size_t(i) * 4 + 3] = float((b.y() + b.height() - r.area.y()) * dy);
        } else if (s.clamp) {
            const QRectF inside = CIGeometry::intersect(s.clampExtent.isNull() ? e : s.clampExtent, r.area);
            const QRectF b = CIGeometry::isEmpty(inside) ? r.area : inside;
            box[size_t(i) * 4 + 0] = float((b.x() - r.area.x()) * dx + 0.5);
            box[size_t(i) * 4 + 1] = float((b.y() - r.area.y()) * dy + 0.5);
            box[size_t(i) * 4 + 2] = float(std::max((b.x() + b.width() - r.area.x()) * dx - 0.5, double(box[size_t(i) * 4 + 0])));
            box[size_t(i) * 4 + 3] = float(std::max((b.y() + b.height() - r.area.y()) * dy - 0.5, double(box[size_t(i) * 4 + 1])));
        }
        gl.bindTexture(i, *r.texture, !s.nearest);
        glUniform1i(gl.uniform(program, name), i);
    }
    glUniform4fv(gl.uniform(program, "_ci_map"), std::max(n, 1), map.data());
    glUniform2fv(gl.uniform(program, "_ci_size"), std::max(n, 1), size.data());
    glUniform2fv(gl.uniform(program, "_ci_scale"), std::max(n, 1), scale.data());
    glUniform1iv(gl.uniform(program, "_ci_mode"), std::max(n, 1), mode.data());
    glUniform4fv(gl.uniform(program, "_ci_box"), std::max(n, 1), box.data());
    glUniform4fv(gl.uniform(program, "_ci_ext"), std::max(n, 1), ext.data());
    glUniform4f(gl.uniform(program, "_ci_dest"), float(area.x() - origin.x()), float(area.y() - origin.y()),
                float(area.width() / width), float(area.height() / height));
    glUniform2f(gl.uniform(program, "_ci_origin"), float(origin.x()), float(origin.y()));
    if (setUniforms)
        setUniforms(program);
    gl.bindTarget(target);
    glViewport(viewport.x(), viewport.y(), viewport.width(), viewport.height());
    if (blend) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    }
    gl.drawQuad();
    gl.countPass();
    if (blend)
        glDisable(GL_BLEND);
}

Rendered runPass(GL& gl, GLuint program, const QRectF& area, int width, int height,
                 const std::vector<PassSampler>& samplers, const std::function<void(GLuint)>& setUniforms,
                 const QPointF* readOrigin)
{
    if (!program)
        return {};
    TexturePtr target = gl.floatTexture(width, height);
    if (!target)
        return {};
    drawPass(gl, program, *target, area, QRect(0, 0, width, height), false, samplers, setUniforms, readOrigin);
    return {target, area};
}

const char* const kEncodeBytes = R"(
// Premultiplied in sRGB like the bitmap, by the alpha byte that will be
// stored, so that a colour divided by its alpha byte comes back whole.
vec4 _ci_encode8(vec4 c) {
    float a = clamp(c.a, 0.0, 1.0);
    vec3 rgb = a > 0.0 ? _ci_toSRGB(c.rgb / c.a) : vec3(0.0);
    float stored = floor(a * 255.0 + 0.5) / 255.0;
    return vec4(rgb * stored, stored);
}
)";

Rendered renderBytes(GL& gl, const CIImage& image, const QRect& rect)
{
    if (rect.isEmpty())
        return {};
    const RenderScope scope(image);
    if (!image.isNull() && clip(rect, image.extent()) == rect) {
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

namespace {
// Moves and flips by whole pixels only: reads map each axis on its own
// (_ci_map), so a shear or a turn must be drawn.
bool keepsPixelGrid(const QTransform& t)
{
    return t.m12() == 0 && t.m21() == 0 && std::abs(t.m11()) == 1 && std::abs(t.m22()) == 1
        && t.dx() == std::round(t.dx()) && t.dy() == std::round(t.dy());
}
} // namespace

PassSampler samplerFor(GL& gl, const CIImage& image, const QRectF& roi, bool clamp, bool nearest, bool smoothReads,
                       double detail)
{
    PassSampler s;
    s.imageExtent = image.extent();
    s.clamp = clamp;
    s.nearest = nearest;
    if (image.isNull() || CIGeometry::isEmpty(roi))
        return s;
    CIImage inner = image;
    QTransform toInner; // reader's world -> inner's world
    for (;;) {
        const ImageNode* node = inner.node().get();
        // A clamp of a whole-pixel extent repeats whole texels: read it
        // clamped. (At a fractional edge the clamp must be drawn.)
        auto* c = dynamic_cast<const ClampNode*>(node);
        if (c && QRectF(toRect(c->input.extent())) == c->input.extent()) {
            s.clamp = true;
            inner = c->input;
            continue;
        }
        // Whole-pixel moves and flips only: they map texels onto pixels, so
        // reading through them gives exactly what drawing them would.
        auto* t = dynamic_cast<const TransformNode*>(node);
        if (t && keepsPixelGrid(t->transform)) {
            toInner = toInner * t->transform.inverted();
            inner = t->input;
            continue;
        }
        break;
    }
    const QRectF innerRoi = CIGeometry::inset(CIGeometry::transformed(roi, toInner), 1, 1);
    QRect need = s.clamp ? clampedRegion(innerRoi, inner.extent()) : toRect(innerRoi);
    s.toInput = toInner;
    s.clampExtent = inner.extent();
    if (smoothReads && !s.clamp && !s.nearest) {
        // A crop of a blur: the blur read reduced, the crop as a mask.
        if (auto* crop = dynamic_cast<const CropNode*>(inner.node().get());
            crop && crop->input.node() && dynamic_cast<const GaussianBlurNode*>(crop->input.node().get())) {
            s.crop = QRectF(crop->rect);
            need = need.intersected(crop->rect);
            inner = crop->input;
        }
        const QRect r = clip(need, inner.extent());
        if (r.isEmpty())
            return s;
        // Shared nodes come from the render's cache, at full size.
        s.rendered = g_scope && g_scope->shared.contains(inner.node().get()) ? renderImage(gl, inner, r, 1.0)
                                                                            : inner.node()->renderSmooth(gl, r);
        return s;
    }
    // A clamp repeats its edge texels: they must not be averaged first.
    s.rendered = renderImage(gl, inner, need, s.clamp ? 1.0 : detail);
    return s;
}

// --- Reductions ----------------------------------------------------------------

namespace {

// Each output texel is the mean of the source texels under it (partly
// covered ones weighted by their share): a box of `ratio` texels. Two by two
// neighbours are one bilinear read placed by their weights, so a box of
// three texels costs four reads. An upload holds straight colours with rows
// top down; working textures hold premultiplied ones bottom up.
const char* const kBoxReducePass = R"(
uniform sampler2D _ci_src;
uniform vec2 _ci_ratio; // source texels per output texel
uniform vec2 _ci_have;  // source texels in use
uniform vec2 _ci_unit;  // one over the source texture's real size
uniform vec2 _ci_start; // source texels before the first box
uniform int _ci_upload;
float _ci_cover(float i, float a, float b) { return max(min(b, i + 1.0) - max(a, i), 0.0); }
void main() {
    vec2 a = floor(gl_FragCoord.xy) * _ci_ratio + _ci_start;
    vec2 b = a + _ci_ratio;
    vec2 i0 = floor(a);
    ivec2 n = ivec2(ceil(b) - i0);
    float upload = float(_ci_upload);
    vec4 sum = vec4(0.0);
    for (int y = 0; y < n.y; y += 2) {
        float j = i0.y + float(y);
        float w0 = _ci_cover(j, a.y, b.y), w1 = _ci_cover(j + 1.0, a.y, b.y);
        float wy = w0 + w1;
        float ty = j + 0.5 + w1 / max(wy, 1e-6);
        ty = mix(ty, _ci_have.y - ty, upload);
        for (int x = 0; x < n.x; x += 2) {
            float i = i0.x + float(x);
            float v0 = _ci_cover(i, a.x, b.x), v1 = _ci_cover(i + 1.0, a.x, b.x);
            float wx = v0 + v1;
            vec4 c = textureLod(_ci_src, vec2(i + 0.5 + v1 / max(wx, 1e-6), ty) * _ci_unit, 0.0);
            c.rgb *= mix(1.0, c.a, upload);
            sum += (wx * wy) * c;
        }
    }
    _ci_out = sum / (_ci_ratio.x * _ci_ratio.y);
}
)";

// `source` (its texels in use) averaged down to width x height texels over
// the same `area`, by boxes of at most four texels a step so that each
// output texel reads at most 3 x 3 times. With `boxes`, in one pass by
// boxes of that many source texels, the first beginning `start` texels in.
struct Boxes {
    QPointF size, start;
};
Rendered boxReduce(GL& gl, TexturePtr source, const QRectF& area, int width, int height, bool upload,
                   const Boxes* boxes = nullptr)
{
    static GLuint program = 0;
    if (!program)
        program = passProgram(gl, 0, kBoxReducePass);
    for (;;) {
        const int w = boxes ? width : std::max(width, (source->width + 3) / 4);
        const int h = boxes ? height : std::max(height, (source->height + 3) / 4);
        const TexturePtr from = source;
        const Rendered step = runPass(gl, program, area, w, h, {}, [&](GLuint p) {
            gl.bindTexture(0, *from, true);
            glUniform1i(gl.uniform(p, "_ci_src"), 0);
            const QPointF ratio = boxes ? boxes->size : QPointF(double(from->width) / w, double(from->height) / h);
            const QPointF start = boxes ? boxes->start : QPointF();
            glUniform2f(gl.uniform(p, "_ci_ratio"), float(ratio.x()), float(ratio.y()));
            glUniform2f(gl.uniform(p, "_ci_start"), float(start.x()), float(start.y()));
            glUniform2f(gl.uniform(p, "_ci_have"), float(from->width), float(from->height));
            glUniform2f(gl.uniform(p, "_ci_unit"), 1.f / float(from->allocWidth), 1.f / float(from->allocHeight));
            glUniform1i(gl.uniform(p, "_ci_upload"), upload ? 1 : 0);
        });
        if (step.isEmpty() || (w == width && h == height))
            return step;
        source = step.texture;
        upload = false;
    }
}

} // namespace

Rendered reduceDensity(GL& gl, const Rendered& source, double densityX, double densityY)
{
    if (source.isEmpty())
        return source;
    const int w = std::min(source.texture->width, std::max(1, int(std::ceil(source.area.width() * densityX - 1e-6))));
    const int h = std::min(source.texture->height, std::max(1, int(std::ceil(source.area.height() * densityY - 1e-6))));
    // A few percent more texels than pixels read bilinearly skip nothing.
    if (w * 1.05 >= source.texture->width && h * 1.05 >= source.texture->height)
        return source;
    return boxReduce(gl, source.texture, source.area, w, h, false);
}

namespace {

// Boxes of 1 / density pixels from the image's origin, for reads at
// `density` along each axis (whole pixels when density is about 1 or more).
struct Lattice {
    double stepX = 1, stepY = 1;
    bool reduces() const { return stepX > 1 || stepY > 1; }
    // The boxes that meet `region`.
    QRectF boxesOver(const QRectF& region) const
    {
        const double x0 = std::floor(region.x() / stepX + 1e-6), y0 = std::floor(region.y() / stepY + 1e-6);
        const double x1 = std::ceil((region.x() + region.width()) / stepX - 1e-6);
        const double y1 = std::ceil((region.y() + region.height()) / stepY - 1e-6);
        return QRectF(x0 * stepX, y0 * stepY, (x1 - x0) * stepX, (y1 - y0) * stepY);
    }
};

Lattice latticeFor(double densityX, double densityY)
{
    const auto step = [](double d) { return d * 1.05 >= 1 ? 1.0 : 1.0 / d; };
    return {step(densityX), step(densityY)};
}

// `source`, drawn one texel a pixel, averaged in the lattice's boxes; any
// other source by its own area.
Rendered reduceOnLattice(GL& gl, const Rendered& source, const Lattice& lattice)
{
    if (source.isEmpty() || !lattice.reduces())
        return source;
    const QRectF a = source.area;
    const bool oneToOne = a == QRectF(a.toRect()) && source.texture->width == int(a.width())
                          && source.texture->height == int(a.height());
    // The boxes must lie inside what was drawn.
    const QRectF inside = lattice.boxesOver(a.adjusted(lattice.stepX, lattice.stepY, -lattice.stepX, -lattice.stepY));
    if (!oneToOne || !a.contains(inside) || CIGeometry::isEmpty(inside))
        return reduceDensity(gl, source, 1.0 / lattice.stepX, 1.0 / lattice.stepY);
    const int w = int(std::lround(inside.width() / lattice.stepX)), h = int(std::lround(inside.height() / lattice.stepY));
    const Boxes b{{lattice.stepX, lattice.stepY}, inside.topLeft() - a.topLeft()};
    return boxReduce(gl, source.texture, inside, w, h, false, &b);
}

} // namespace

// --- Sources -----------------------------------------------------------------

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

// --- Geometry ------------------------------------------------------------------

namespace {

const char* const kResamplePass = R"(
uniform vec3 _ci_row0; // inverse transform, relative to the pass and read origins
uniform vec3 _ci_row1;
uniform int _ci_tile;
uniform vec4 _ci_tileRect;
void main() {
    vec2 p = _ci_dest.xy + gl_FragCoord.xy * _ci_dest.zw;
    vec2 q = vec2(dot(_ci_row0.xy, p) + _ci_row0.z, dot(_ci_row1.xy, p) + _ci_row1.z);
    if (_ci_tile == 1) q = _ci_tileRect.xy + mod(q - _ci_tileRect.xy, _ci_tileRect.zw);
    _ci_out = _ci_texel(0, _ci_toTexel(0, q));
}
)";

// Draws `source` into `area` (at one texel per pixel unless given), read
// through `inverse` (output world -> source world).
Rendered resample(GL& gl, const PassSampler& source, const QRectF& area, const QTransform& inverse, int width = 0,
                  int height = 0, const QRectF* tile = nullptr)
{
    static GLuint program = 0;
    if (!program)
        program = passProgram(gl, 1, kResamplePass);
    if (width <= 0 || height <= 0) {
        width = int(std::lround(area.width()));
        height = int(std::lround(area.height()));
    }
    // Both worlds relative to origins near the pixels at hand, the offsets
    // taken in doubles, so that coordinates stay small for floats.
    const QPointF at = inverse.map(passOrigin(area));
    QPointF read = passOrigin(QRectF(at, QSizeF(1, 1)));
    QPointF offset = at - read;
    if (tile) {
        // Tiles repeat: any whole number of tiles away reads the same.
        read = passOrigin(*tile);
        offset = at - read;
        const QPointF corner = tile->topLeft() - read;
        offset.setX(corner.x() + std::fmod(std::fmod(offset.x() - corner.x(), tile->width()) + tile->width(), tile->width()));
        offset.setY(corner.y() + std::fmod(std::fmod(offset.y() - corner.y(), tile->height()) + tile->height(), tile->height()));
    }
    return runPass(gl, program, area, width, height, {source}, [&](GLuint p) {
        glUniform3f(gl.uniform(p, "_ci_row0"), float(inverse.m11()), float(inverse.m21()), float(offset.x()));
        glUniform3f(gl.uniform(p, "_ci_row1"), float(inverse.m12()), float(inverse.m22()), float(offset.y()));
        glUniform1i(gl.uniform(p, "_ci_tile"), tile ? 1 : 0);
        if (tile)
            glUniform4f(gl.uniform(p, "_ci_tileRect"), float(tile->x() - read.x()), float(tile->y() - read.y()),
                        float(tile->width()), float(tile->height()));
    }, &read);
}

// Halving by the adjoint of a bilinear enlargement by two (weights
// 1 3 3 1 / 8 along each axis): a point keeps its centre through halvings
// and the enlargement back, where a box of two would move it onto the
// coarse grid.
const char* const kHalvePass = R"(
void main() {
    vec2 c = gl_FragCoord.xy * 2.0;
    _ci_out = 0.25 * (_ci_texel(0, c + vec2(-0.75, -0.75)) + _ci_texel(0, c + vec2(0.75, -0.75))
                      + _ci_texel(0, c + vec2(-0.75, 0.75)) + _ci_texel(0, c + vec2(0.75, 0.75)));
}
)";

Rendered halve(GL& gl, const Rendered& source)
{
    static GLuint program = 0;
    if (!program)
        program = passProgram(gl, 1, kHalvePass);
    const int w = (source.texture->width + 1) / 2, h = (source.texture->height + 1) / 2;
    // The halved texture covers the source area plus the odd texel's padding.
    const QRectF area(source.area.x(), source.area.y(), source.area.width() * (2.0 * w / source.texture->width),
                      source.area.height() * (2.0 * h / source.texture->height));
    PassSampler s{source, source.area, false, false, QTransform(), QRectF(), QRectF()};
    // Read in texel coordinates of the source: identity map.
    return runPass(gl, program, area, w, h, {s}, [&](GLuint p) {
        const float map[4] = {1.f, 1.f, 0.f, 0.f};
        glUniform4fv(gl.uniform(p, "_ci_map"), 1, map);
    });
}

// Largest scale factor of a transform along any axis, and the smallest.
double maxScale(const QTransform& t)
{
    return std::max(std::hypot(t.m11(), t.m12()), std::hypot(t.m21(), t.m22()));
}

bool isIntegerTranslation(const QTransform& t)
{
    return t.type() <= QTransform::TxTranslate && t.dx() == std::round(t.dx()) && t.dy() == std::round(t.dy());
}

} // namespace

Rendered copyToArea(GL& gl, const Rendered& source, const QRect& rect)
{
    const bool aligned = source.densityX() == 1.0 && source.densityY() == 1.0;
    return resample(gl, {source, source.area, false, aligned, QTransform(), QRectF(), QRectF()}, QRectF(rect), QTransform());
}

TransformNode::TransformNode(const CIImage& in, const QTransform& t)
    : ImageNode(CIGeometry::transformed(in.extent(), t)), input(in), transform(t)
{
}

CIFilterShape TransformNode::definition() const
{
    return input.definition().transformBy(transform);
}

Rendered TransformNode::render(GL& gl, const QRect& region, double detail) const
{
    if (isIntegerTranslation(transform)) {
        const int dx = int(transform.dx()), dy = int(transform.dy());
        Rendered r = renderImage(gl, input, region.translated(-dx, -dy), detail);
        r.area.translate(dx, dy);
        return r;
    }
    bool invertible = false;
    const QTransform inverse = transform.inverted(&invertible);
    if (!invertible)
        return {};
    const double scale = maxScale(transform);
    const QRectF needed = CIGeometry::transformed(QRectF(region), inverse);
    const double margin = 1.0 / std::max(scale, 1e-6) + 1;
    // A clamp under the transform is read clamped here, not drawn first.
    const auto* clamp = dynamic_cast<const ClampNode*>(input.node().get());
    if (clamp && QRectF(toRect(clamp->input.extent())) != clamp->input.extent())
        clamp = nullptr; // a fractional edge: the clamp draws itself
    const CIImage source = clamp ? clamp->input : input;
    // Minifying: averaged first so that no texel is skipped, in boxes of
    // whole pixels on a lattice fixed in the image, so that every region
    // (a tile or the whole) reads the same averages.
    const Lattice lattice = latticeFor(std::hypot(transform.m11(), transform.m12()) * detail,
                                       std::hypot(transform.m21(), transform.m22()) * detail);
    QRect inRegion = clamp ? clampedRegion(CIGeometry::inset(needed, margin, margin), source.extent())
                           : toRect(CIGeometry::inset(needed, margin, margin));
    if (!clamp && lattice.reduces())
        inRegion = toRect(lattice.boxesOver(QRectF(inRegion)));
    Rendered in = renderImage(gl, source, inRegion, std::min(1.0, detail * scale));
    if (in.isEmpty())
        return {};
    in = reduceOnLattice(gl, in, lattice);
    // Drawn at the detail asked for: a blur's input at its reduced scale.
    const int w = detail < 1 ? std::max(1, int(std::ceil(region.width() * detail - 1e-6))) : 0;
    const int h = detail < 1 ? std::max(1, int(std::ceil(region.height() * detail - 1e-6))) : 0;
    return resample(gl, {in, source.extent(), clamp != nullptr, false, QTransform(), QRectF(), QRectF()}, QRectF(region),
                    inverse, w, h);
}

CropNode::CropNode(const CIImage& in, const QRectF& r)
    : ImageNode(CIGeometry::intersect(in.extent(), QRectF(toRect(r)))), input(in), rect(toRect(r))
{
}

Rendered CropNode::render(GL& gl, const QRect& region, double detail) const
{
    const QRect r = region.intersected(rect);
    Rendered in = renderImage(gl, input, r, detail);
    if (in.isEmpty())
        return {};
    const QRectF inside = CIGeometry::intersect(in.area, QRectF(rect));
    if (inside == in.area)
        return in;
    if (CIGeometry::isEmpty(inside))
        return {};
    // Copy out the part inside the crop at the input's density.
    const int w = std::max(1, int(std::ceil(inside.width() * in.densityX() - 1e-6)));
    const int h = std::max(1, int(std::ceil(inside.height() * in.densityY() - 1e-6)));
    const QRectF area(inside.x(), inside.y(), w / in.densityX(), h / in.densityY());
    return resample(gl, {in, input.extent(), false, true, QTransform(), QRectF(), QRectF()}, area, QTransform(), w, h);
}

Rendered CropNode::renderBytes(GL& gl, const QRect& region) const
{
    if (!rect.contains(region) || clip(region, input.extent()) != region)
        return {};
    return input.node()->renderBytes(gl, region);
}

ClampNode::ClampNode(const CIImage& in) : ImageNode(CIGeometry::infiniteRect()), input(in) {}

Rendered ClampNode::render(GL& gl, const QRect& region, double detail) const
{
    const QRectF e = input.extent();
    if (CIGeometry::isEmpty(e))
        return {};
    // Wholly inside: nothing to extend.
    if (CIGeometry::isInfinite(e) || QRectF(region) == CIGeometry::intersect(QRectF(region), e))
        return renderImage(gl, input, region, detail);
    Rendered in = renderImage(gl, input, clampedRegion(QRectF(region), e), detail);
    if (in.isEmpty())
        return {};
    // At the input's density: a reduced source stays reduced.
    const int w = std::max(1, int(std::ceil(region.width() * std::min(1.0, in.densityX()) - 1e-6)));
    const int h = std::max(1, int(std::ceil(region.height() * std::min(1.0, in.densityY()) - 1e-6)));
    return resample(gl, {in, e, true, false, QTransform(), QRectF(), QRectF()}, QRectF(region), QTransform(), w, h);
}

TileNode::TileNode(const CIImage& in, const QTransform& t)
    : ImageNode(CIGeometry::infiniteRect()), input(in), transform(t)
{
}

Rendered TileNode::render(GL& gl, const QRect& region, double detail) const
{
    const QRectF tile = QRectF(toRect(input.extent()));
    if (CIGeometry::isEmpty(tile) || CIGeometry::isInfinite(input.extent()))
        return renderImage(gl, input.imageByApplyingTransform(transform), region, detail);
    bool invertible = false;
    const QTransform inverse = transform.inverted(&invertible);
    if (!invertible)
        return {};
    const double scale = maxScale(transform);
    Rendered in = renderImage(gl, input, toRect(tile), std::min(1.0, detail * scale));
    if (in.isEmpty())
        return {};
    in = reduceDensity(gl, in, std::hypot(transform.m11(), transform.m12()), std::hypot(transform.m21(), transform.m22()));
    return resample(gl, {in, tile, true, false, QTransform(), QRectF(), QRectF()}, QRectF(region), inverse, 0, 0, &tile);
}

// --- Kernels -------------------------------------------------------------------

KernelNode::KernelNode(std::shared_ptr<const CIKernel> kernel, std::vector<CISampler> samplers,
                       std::vector<std::array<float, 4>> values, const QRectF& extent,
                       const CIFilterShape& definition, ROIFunction roi, const QVariant& userInfo)
    : ImageNode(extent)
    , m_kernel(std::move(kernel))
    , m_samplers(std::move(samplers))
    , m_values(std::move(values))
    , m_definition(definition)
    , m_roi(std::move(roi))
    , m_userInfo(userInfo)
{
}

void KernelNode::forEachInput(const std::function<void(const CIImage&)>& visit) const
{
    for (const CISampler& s : m_samplers)
        visit(s.image());
}

Rendered KernelNode::render(GL& gl, const QRect& region, double) const
{
    QRect out = clip(region, m_extent);
    if (!m_definition.isNull())
        out = clip(out, m_definition.extent());
    if (out.isEmpty())
        return {};
    return run(gl, out, false);
}

Rendered KernelNode::renderBytes(GL& gl, const QRect& region) const
{
    QRect out = clip(region, m_extent);
    if (!m_definition.isNull())
        out = clip(out, m_definition.extent());
    if (out != region)
        return {};
    return run(gl, out, true);
}

Rendered KernelNode::run(GL& gl, const QRect& out, bool bytes) const
{
    GLuint program = m_kernel->programId();
    TexturePtr target;
    if (bytes) {
        // The routine's own program, its result encoded on the way out.
        QString source = m_kernel->shaderSource();
        const qsizetype at = source.lastIndexOf(QStringLiteral("\nvoid main() {"));
        const qsizetype call = source.lastIndexOf(QStringLiteral("_ci_out = "));
        const qsizetype end = source.lastIndexOf(QStringLiteral(";\n}"));
        if (!program || at < 0 || call < at || end < call)
            return {};
        source.insert(end, u')');
        source.insert(call + 10, QStringLiteral("_ci_encode8("));
        source.insert(at, QString::fromLatin1(kEncodeBytes));
        program = gl.program(source);
        target = program ? gl.byteTexture(out.width(), out.height()) : nullptr;
        if (!target)
            return {};
    }
    std::vector<PassSampler> passSamplers;
    for (size_t i = 0; i < m_samplers.size(); ++i) {
        const CISampler& s = m_samplers[i];
        const QRectF roi = m_roi ? m_roi(int(i), QRectF(out), m_userInfo) : QRectF(out);
        passSamplers.push_back(samplerFor(gl, s.image(), roi, s.wrapMode() == CISampler::Wrap::Clamp,
                                          s.filterMode() == CISampler::Filter::Nearest, true));
    }
    const QList<CIKernel::Parameter>& params = m_kernel->parameters();
    const auto setValues = [&](GLuint p) {
        size_t v = 0;
        for (int i = 0; i < params.size(); ++i) {
            if (params[i].type == CIKernel::ParameterType::Sampler)
                continue;
            const std::array<float, 4>& value = m_values[v++];
            const QByteArray name = "_ci_arg" + QByteArray::number(i);
            const GLint location = gl.uniform(p, name.constData());
            switch (params[i].type) {
            case CIKernel::ParameterType::Float: glUniform1f(location, value[0]); break;
            case CIKernel::ParameterType::Vec2: glUniform2fv(location, 1, value.data()); break;
            case CIKernel::ParameterType::Vec3: glUniform3fv(location, 1, value.data()); break;
            default: glUniform4fv(location, 1, value.data()); break;
            }
        }
    };
    if (!bytes)
        return runPass(gl, program, QRectF(out), out.width(), out.height(), passSamplers, setValues);
    drawPass(gl, program, *target, QRectF(out), QRect(0, 0, out.width(), out.height()), false, passSamplers, setValues);
    return {target, QRectF(out)};
}

namespace {

// A Gaussian-blurred constant rectangle at p (relative to the pass origin).
const char* const kShadowFunction = R"(
uniform vec4 _ci_shadowColor;
uniform vec4 _ci_shadowRect; // corners, relative to the pass origin
uniform float _ci_shadowScale; // 1 / (sigma * sqrt(2))
float _ci_erf(float x) {
    // Abramowitz and Stegun 7.1.26, within 1.5e-7.
    float t = 1.0 / (1.0 + 0.3275911 * abs(x));
    float y = ((((1.061405429 * t - 1.453152027) * t + 1.421413741) * t - 0.284496736) * t + 0.254829592) * t;
    return sign(x) * (1.0 - y * exp(-x * x));
}
vec4 _ci_shadow(vec2 p) {
    vec2 a = (_ci_shadowRect.xy - p) * _ci_shadowScale;
    vec2 b = (_ci_shadowRect.zw - p) * _ci_shadowScale;
    return _ci_shadowColor * (0.25 * (_ci_erf(b.x) - _ci_erf(a.x)) * (_ci_erf(b.y) - _ci_erf(a.y)));
}
void main() {
    _ci_out = _ci_shadow(_ci_dest.xy + gl_FragCoord.xy * _ci_dest.zw);
}
)";

GLuint shadowProgram(GL& gl)
{
    static GLuint program = 0;
    if (!program)
        program = passProgram(gl, 0, kShadowFunction);
    return program;
}

void setShadowUniforms(GL& gl, GLuint p, const std::array<float, 4>& color, const QRect& rect, double sigma,
                       const QRectF& area)
{
    const QPointF o = passOrigin(area);
    glUniform4fv(gl.uniform(p, "_ci_shadowColor"), 1, color.data());
    glUniform4f(gl.uniform(p, "_ci_shadowRect"), limited(rect.x() - o.x()), limited(rect.y() - o.y()),
                limited(rect.x() + double(rect.width()) - o.x()), limited(rect.y() + double(rect.height()) - o.y()));
    glUniform1f(gl.uniform(p, "_ci_shadowScale"), float(1.0 / (sigma * std::sqrt(2.0))));
}

} // namespace

SourceOverNode::SourceOverNode(const CIImage& fg, const CIImage& bg)
    : ImageNode(CIGeometry::unite(fg.extent(), bg.extent())), foreground(fg), background(bg)
{
}

CIFilterShape SourceOverNode::definition() const
{
    return foreground.definition().unionWith(background.definition());
}

Rendered SourceOverNode::render(GL& gl, const QRect& region, double) const
{
    const QRect out = clip(region, m_extent);
    if (out.isEmpty())
        return {};
    TexturePtr target;
    {
        Rendered base = renderImage(gl, background, out, 1.0);
        if (!base.isEmpty() && base.area == QRectF(out) && base.texture->width == out.width()
            && base.texture->height == out.height() && base.texture.use_count() == 1)
            target = base.texture; // ours alone: blend onto it
        else if (!base.isEmpty())
            target = copyToArea(gl, base, out).texture;
    }
    if (!target) {
        target = gl.floatTexture(out.width(), out.height());
        if (!target)
            return {};
        const float clear[4] = {0, 0, 0, 0};
        gl.bindTarget(*target);
        glClearBufferfv(GL_COLOR, 0, clear);
    }
    const QRect over = clip(out, foreground.extent());
    std::array<float, 4> color{};
    QRect rect;
    const auto* shadow = dynamic_cast<const GaussianBlurNode*>(foreground.node().get());
    if (!over.isEmpty() && shadow && shadow->constantRect(&color, &rect)) {
        // Evaluated where it is blended: no texture, no blur passes.
        const GLuint program = shadowProgram(gl);
        if (!program)
            return {};
        drawPass(gl, program, *target, QRectF(out), over.translated(-out.x(), -out.y()), true, {},
                 [&](GLuint p) { setShadowUniforms(gl, p, color, rect, shadow->sigma, QRectF(out)); });
    } else if (!over.isEmpty()) {
        PassSampler s = samplerFor(gl, foreground, QRectF(over), false, false, true);
        if (!s.rendered.isEmpty()) {
            static GLuint program = 0;
            if (!program)
                program = passProgram(gl, 1, R"(
void main() {
    vec2 p = _ci_dest.xy + gl_FragCoord.xy * _ci_dest.zw;
    _ci_out = _ci_texel(0, _ci_toTexel(0, p));
}
)");
            if (!program)
                return {};
            drawPass(gl, program, *target, QRectF(out), over.translated(-out.x(), -out.y()), true, {s}, {});
        }
    }
    return {target, QRectF(out)};
}

Rendered SourceOverNode::renderBytes(GL& gl, const QRect& region) const
{
    if (clip(region, m_extent) != region)
        return {};
    if (auto* shadow = dynamic_cast<const GaussianBlurNode*>(foreground.node().get());
        shadow && shadow->constantRect(nullptr, nullptr))
        return {};
    // One pass: both read, blended and encoded.
    const QRect over = clip(region, foreground.extent());
    const PassSampler fg = samplerFor(gl, foreground, QRectF(over), false, false, true);
    const PassSampler bg = samplerFor(gl, background, QRectF(region), false, false, true);
    static GLuint program = 0;
    if (!program)
        program = passProgram(gl, 2, (QByteArray(kEncodeBytes) + R"(
uniform vec4 _ci_over; // the foreground's pixels, relative to the pass origin
void main() {
    vec2 p = _ci_dest.xy + gl_FragCoord.xy * _ci_dest.zw;
    vec2 inside = step(_ci_over.xy, p) * step(p, _ci_over.zw);
    vec4 f = _ci_texel(0, _ci_toTexel(0, p)) * (inside.x * inside.y);
    vec4 b = _ci_texel(1, _ci_toTexel(1, p));
    _ci_out = _ci_encode8(f + b * (1.0 - f.a));
}
)").constData());
    TexturePtr target = program ? gl.byteTexture(region.width(), region.height()) : nullptr;
    if (!target)
        return {};
    drawPass(gl, program, *target, QRectF(region), QRect(0, 0, region.width(), region.height()), false, {fg, bg},
             [&](GLuint p) {
                 const QPointF o = passOrigin(QRectF(region));
                 glUniform4f(gl.uniform(p, "_ci_over"), float(over.x() - o.x()), float(over.y() - o.y()),
                             float(over.x() + over.width() - o.x()), float(over.y() + over.height() - o.y()));
             });
    return {target, QRectF(region)};
}

// --- Blurs -----------------------------------------------------------------------

namespace {

const char* const kSeparablePass = R"(
uniform vec2 _ci_dir;
uniform int _ci_taps;
uniform float _ci_offsets[64];
uniform float _ci_weights[64];
void main() {
    vec2 tc = gl_FragCoord.xy;
    vec4 sum = vec4(0.0);
    for (int k = 0; k < _ci_taps; ++k)
        sum += _ci_weights[k] * _ci_texel(0, tc + _ci_dir * _ci_offsets[k]);
    _ci_out = sum;
}
)";

// A separable pass in texel space of `source` (same size out), with taps at
// offsets (texels, may be fractional) and weights.
Rendered separable(GL& gl, const Rendered& source, double dirX, double dirY, const std::vector<float>& offsets,
                   const std::vector<float>& weights)
{
    static GLuint program = 0;
    if (!program)
        program = passProgram(gl, 1, kSeparablePass);
    PassSampler s{source, source.area, false, false, QTransform(), QRectF(), QRectF()};
    return runPass(gl, program, source.area, source.texture->width, source.texture->height, {s}, [&](GLuint p) {
        const float map[4] = {1.f, 1.f, 0.f, 0.f};
        glUniform4fv(gl.uniform(p, "_ci_map"), 1, map);
        glUniform2f(gl.uniform(p, "_ci_dir"), float(dirX), float(dirY));
        glUniform1i(gl.uniform(p, "_ci_taps"), int(offsets.size()));
        glUniform1fv(gl.uniform(p, "_ci_offsets"), GLsizei(offsets.size()), offsets.data());
        glUniform1fv(gl.uniform(p, "_ci_weights"), GLsizei(weights.size()), weights.data());
    });
}

// The rendered input extended with transparent texels to cover `need`, so
// that a blur computed on it reaches beyond the input's own extent.
Rendered padded(GL& gl, const Rendered& in, const QRect& need)
{
    if (in.isEmpty() || in.area.contains(QRectF(need)))
        return in;
    const QRectF want = CIGeometry::unite(in.area, QRectF(need));
    const QRect rect = toRect(CIGeometry::intersect(want, QRectF(need)));
    return copyToArea(gl, in, rect);
}

// Gaussian taps of deviation sigma (texels) over +-3 sigma, neighbours paired
// into one bilinear read each.
void gaussianTaps(double sigma, std::vector<float>& offsets, std::vector<float>& weights)
{
    const int n = std::max(1, int(std::ceil(3.0 * sigma)));
    std::vector<double> w(size_t(n) + 1);
    double total = 0;
    for (int k = 0; k <= n; ++k) {
        w[size_t(k)] = std::exp(-0.5 * k * k / (sigma * sigma));
        total += k == 0 ? w[0] : 2 * w[size_t(k)];
    }
    offsets = {0.f};
    weights = {float(w[0] / total)};
    for (int k = 1; k <= n; k += 2) {
        const double a = w[size_t(k)], b = k + 1 <= n ? w[size_t(k) + 1] : 0.0;
        const double offset = (k * a + (k + 1) * b) / (a + b);
        for (double sign : {-1.0, 1.0}) {
            offsets.push_back(float(sign * offset));
            weights.push_back(float((a + b) / total));
        }
    }
}

// The power-of-two reduction at which a blur of deviation sigma still has
// at least two texels of deviation left to compute.
int reductionFor(double sigma)
{
    int factor = 1;
    while (factor < 256 && sigma / (2.0 * factor) >= 2.0)
        factor *= 2;
    return factor;
}

} // namespace

GaussianBlurNode::GaussianBlurNode(const CIImage& in, double s)
    : ImageNode(CIGeometry::inset(in.extent(), 3 * s, 3 * s)), input(in), sigma(s)
{
}

// Reduces `level` by the factors along x and y (powers of two) with box
// halvings read at texel corners; the result covers `area` (world), which
// lies on the level's texel grid, with transparency where `level` has nothing.
static Rendered reduce(GL& gl, const PassSampler& first, const QRectF& area, int fx, int fy)
{
    Rendered level = first.rendered;
    if (level.isEmpty())
        return level;
    // A source that is already coarse is only reduced further.
    int dx = 1, dy = 1;
    if (first.toInput.isIdentity()) {
        dx = std::max(1, int(std::lround(1.0 / level.densityX())));
        dy = std::max(1, int(std::lround(1.0 / level.densityY())));
    }
    bool firstPass = true;
    while (!level.isEmpty() && (dx < fx || dy < fy)) {
        const int sx = dx < fx ? 2 : 1, sy = dy < fy ? 2 : 1;
        dx *= sx;
        dy *= sy;
        const int w = std::max(1, int(std::ceil(area.width() / dx - 1e-9)));
        const int h = std::max(1, int(std::ceil(area.height() / dy - 1e-9)));
        const QRectF levelArea(area.x(), area.y(), double(w) * dx, double(h) * dy);
        level = resample(gl, firstPass ? first : PassSampler{level, level.area, false, false, QTransform(), QRectF(), QRectF()}, levelArea, QTransform(), w, h);
        firstPass = false;
    }
    return level;
}

// A separable pass in world coordinates: taps at p + step * offset.
static Rendered worldSeparable(GL& gl, const PassSampler& source, const QRectF& area, int width, int height, QPointF step,
                        const std::vector<float>& offsets, const std::vector<float>& weights)
{
    static GLuint program = 0;
    if (!program)
        program = passProgram(gl, 1, R"(
uniform vec2 _ci_dir;
uniform int _ci_taps;
uniform float _ci_offsets[64];
uniform float _ci_weights[64];
void main() {
    vec2 p = _ci_dest.xy + gl_FragCoord.xy * _ci_dest.zw;
    vec4 sum = vec4(0.0);
    for (int k = 0; k < _ci_taps; ++k)
        sum += _ci_weights[k] * _ci_texel(0, _ci_toTexel(0, p + _ci_dir * _ci_offsets[k]));
    _ci_out = sum;
}
)");
    return runPass(gl, program, area, width, height, {source}, [&](GLuint p) {
        glUniform2f(gl.uniform(p, "_ci_dir"), float(step.x()), float(step.y()));
        glUniform1i(gl.uniform(p, "_ci_taps"), int(offsets.size()));
        glUniform1fv(gl.uniform(p, "_ci_offsets"), GLsizei(offsets.size()), offsets.data());
        glUniform1fv(gl.uniform(p, "_ci_weights"), GLsizei(weights.size()), weights.data());
    });
}

bool GaussianBlurNode::constantRect(std::array<float, 4>* color, QRect* rect) const
{
    const auto* crop = dynamic_cast<const CropNode*>(input.node().get());
    const auto* fill = crop ? dynamic_cast<const ColorNode*>(crop->input.node().get()) : nullptr;
    if (!fill || crop->rect.isEmpty() || sigma <= 0)
        return false;
    if (color)
        *color = fill->color;
    if (rect)
        *rect = crop->rect;
    return true;
}

Rendered GaussianBlurNode::render(GL& gl, const QRect& region, double) const
{
    std::array<float, 4> color{};
    QRect rect;
    if (constantRect(&color, &rect))
        return runPass(gl, shadowProgram(gl), QRectF(region), region.width(), region.height(), {},
                       [&](GLuint p) { setShadowUniforms(gl, p, color, rect, sigma, QRectF(region)); });
    const Rendered level = renderReduced(gl, region);
    if (level.isEmpty() || (level.area == QRectF(region) && level.densityX() == 1.0 && level.densityY() == 1.0))
        return level;
    return resample(gl, {level, level.area, false, false, QTransform(), QRectF(), QRectF()}, QRectF(region), QTransform());
}

Rendered GaussianBlurNode::renderSmooth(GL& gl, const QRect& region) const
{
    return constantRect(nullptr, nullptr) ? render(gl, region, 1.0) : renderReduced(gl, region);
}

Rendered GaussianBlurNode::renderReduced(GL& gl, const QRect& region) const
{
    if (region.isEmpty())
        return {};
    const int factor = reductionFor(sigma);
    const double margin = std::ceil(3 * sigma) + 2 * factor;
    const QRect need = toRect(growRect(region, margin));
    // A drawn transform is drawn at the first halving's detail: nothing
    // finer is read. (Other inputs keep their grid, so tiles agree.)
    const bool drawn = dynamic_cast<const TransformNode*>(input.node().get());
    const PassSampler in = samplerFor(gl, input, QRectF(need), false, false, false,
                                      drawn && factor > 2 ? 2.0 / factor : 1.0);
    if (in.rendered.isEmpty())
        return {};
    if (factor == 1) {
        // Rows first over the needed height, then columns over the region:
        // reads outside the input are transparent, no padding is needed.
        std::vector<float> offsets, weights;
        gaussianTaps(sigma, offsets, weights);
        if (offsets.size() > 64)
            return {};
        const QRect rows(region.x(), need.y(), region.width(), need.height());
        const Rendered h = worldSeparable(gl, in, QRectF(rows), rows.width(), rows.height(), {1, 0}, offsets, weights);
        if (h.isEmpty())
            return {};
        return worldSeparable(gl, {h, h.area, false, false, QTransform(), QRectF(), QRectF()}, QRectF(region), region.width(), region.height(), {0, 1},
                              offsets, weights);
    }
    Rendered level = reduce(gl, in, QRectF(need), factor, factor);
    if (level.isEmpty())
        return {};
    // What the halvings (box of two per level) and the bilinear enlargement
    // (a tent) already blur is taken off the deviation computed here.
    const double f2 = double(factor) * factor;
    const double done = (f2 - 1) / 12.0 + f2 / 6.0;
    const double s = std::sqrt(std::max(sigma * sigma - done, 0.09)) / factor;
    std::vector<float> offsets, weights;
    gaussianTaps(s, offsets, weights);
    if (offsets.size() > 64)
        return {};
    level = separable(gl, level, 1, 0, offsets, weights);
    return separable(gl, level, 0, 1, offsets, weights);
}

MotionBlurNode::MotionBlurNode(const CIImage& in, double r, double a)
    : ImageNode(CIGeometry::inset(in.extent(), std::abs(r * std::cos(a)), std::abs(r * std::sin(a))))
    , input(in)
    , radius(r)
    , angle(a)
{
}

Rendered MotionBlurNode::render(GL& gl, const QRect& region, double) const
{
    const Rendered level = renderSmooth(gl, region);
    if (level.isEmpty() || (level.area == QRectF(region) && level.densityX() == 1.0 && level.densityY() == 1.0))
        return level;
    return resample(gl, {level, level.area, false, false, QTransform(), QRectF(), QRectF()}, QRectF(region), QTransform());
}

Rendered MotionBlurNode::renderSmooth(GL& gl, const QRect& region) const
{
    const double length = 2 * radius;
    const double cx = std::cos(angle), cy = std::sin(angle);
    // Reduced along each axis in proportion to the line's length there: a
    // long horizontal blur is computed on a copy narrowed 16 or 32 times.
    auto factorFor = [](double extent) {
        int f = 1;
        while (f < 32 && extent / (2.0 * f) >= 32.0)
            f *= 2;
        return f;
    };
    int fx = factorFor(length * std::abs(cx)), fy = factorFor(length * std::abs(cy));
    const double reach = radius + 2.0 * std::max(fx, fy) + 1;
    const QRect need = toRect(QRectF(region).adjusted(-reach * std::abs(cx) - fx, -reach * std::abs(cy) - fy,
                                                      reach * std::abs(cx) + fx, reach * std::abs(cy) + fy));
    PassSampler source = samplerFor(gl, input, QRectF(need), false, false, true);
    if (source.rendered.isEmpty())
        return {};
    Rendered level = source.rendered;
    if (source.toInput.isIdentity()) {
        // A blurred input handed over coarse: work on at least as coarse a grid.
        fx = std::max(fx, int(std::lround(1.0 / level.densityX())));
        fy = std::max(fy, int(std::lround(1.0 / level.densityY())));
    }
    if (fx > 1 || fy > 1) {
        level = reduce(gl, source, QRectF(need), fx, fy);
        source = {level, level.area, false, false, QTransform(), QRectF(), QRectF()};
    }
    // A box of length 2r: one comb of up to 24 taps, or a cascade of 8-tap
    // combs with spacings s, 8s, 64s... so that the cost grows with log(r).
    const double texels = length * std::hypot(cx / fx, cy / fy);
    int passes = 1, taps = 8;
    if (texels <= 24) {
        taps = std::max(2, int(std::ceil(texels)) + 1);
    } else {
        while (std::pow(8.0, passes) < texels)
            ++passes;
    }
    const double spacing = length / std::pow(double(taps), passes);
    static GLuint program = 0;
    if (!program)
        program = passProgram(gl, 1, R"(
uniform vec2 _ci_step;
uniform int _ci_count;
void main() {
    vec2 p = _ci_dest.xy + gl_FragCoord.xy * _ci_dest.zw;
    vec4 sum = vec4(0.0);
    float middle = 0.5 * float(_ci_count - 1);
    for (int j = 0; j < _ci_count; ++j)
        sum += _ci_texel(0, _ci_toTexel(0, p + _ci_step * (float(j) - middle)));
    _ci_out = sum / float(_ci_count);
}
)");
    for (int k = 0; k < passes && !level.isEmpty(); ++k) {
        // Pass k covers what the later passes still read, on the level's grid.
        double later = 0;
        for (int j = k + 1; j < passes; ++j)
            later += 0.5 * (taps - 1) * spacing * std::pow(double(taps), j);
        const QRectF want = QRectF(region).adjusted(-later * std::abs(cx) - fx, -later * std::abs(cy) - fy,
                                                    later * std::abs(cx) + fx, later * std::abs(cy) + fy);
        const double x0 = need.x() + std::floor((want.x() - need.x()) / fx) * fx;
        const double y0 = need.y() + std::floor((want.y() - need.y()) / fy) * fy;
        const int w = std::max(1, int(std::ceil((want.x() + want.width() - x0) / fx)));
        const int h = std::max(1, int(std::ceil((want.y() + want.height() - y0) / fy)));
        const double step = spacing * std::pow(double(taps), k);
        level = runPass(gl, program, QRectF(x0, y0, double(w) * fx, double(h) * fy), w, h, {source}, [&](GLuint p) {
                            glUniform2f(gl.uniform(p, "_ci_step"), float(step * cx), float(step * cy));
                            glUniform1i(gl.uniform(p, "_ci_count"), taps);
                        });
        source = {level, level.area, false, false, QTransform(), QRectF(), QRectF()};
    }
    return level;
}

DiscBlurNode::DiscBlurNode(const CIImage& in, double r)
    : ImageNode(CIGeometry::inset(in.extent(), r, r)), input(in), radius(r)
{
}

Rendered DiscBlurNode::render(GL& gl, const QRect& region, double) const
{
    // Computed on a copy halved until fewer than 8 texels of radius remain,
    // so that every texel of the disc is read (at most about 200).
    int factor = 1;
    while (factor < (1 << 20) && radius / (2.0 * factor) >= 4.0)
        factor *= 2;
    const QRect need = toRect(growRect(region, std::ceil(radius) + 4 * factor));
    Rendered level = padded(gl, renderImage(gl, input, need, 1.0), need);
    if (level.isEmpty())
        return {};
    for (int f = factor; f > 1; f /= 2)
        level = halve(gl, level);
    const double r = radius / factor;
    // Row by row, neighbours paired into one bilinear read at their shared
    // edge, mirrored about the centre so that the disc stays symmetric.
    constexpr int kMaxTaps = 128;
    std::vector<float> taps; // x, y, weight, unused
    const int n = int(std::ceil(r));
    for (int y = -n; y <= n; ++y) {
        const double h = r * r + 1e-9 - double(y) * y;
        if (h < 0)
            continue;
        const int w = int(std::floor(std::sqrt(h)));
        auto tap = [&](double x, double weight) {
            taps.insert(taps.end(), {float(x), float(y), float(weight), 0.f});
        };
        tap(0, 1);
        for (int x = 1; x <= w; x += 2) {
            const bool pair = x + 1 <= w;
            for (double sign : {-1.0, 1.0})
                tap(sign * (pair ? x + 0.5 : x), pair ? 2 : 1);
        }
    }
    if (int(taps.size() / 4) > kMaxTaps) {
        Log::line(lcImage, QStringLiteral("Error: image engine disc blur of radius %1 has too many taps").arg(radius));
        return {};
    }
    double total = 0;
    for (size_t k = 2; k < taps.size(); k += 4)
        total += taps[k];
    static GLuint program = 0;
    if (!program)
        program = passProgram(gl, 1, R"(
uniform int _ci_taps;
uniform vec4 _ci_offsets[128];
uniform float _ci_total;
void main() {
    vec4 sum = vec4(0.0);
    for (int k = 0; k < _ci_taps; ++k)
        sum += _ci_offsets[k].z * _ci_texel(0, gl_FragCoord.xy + _ci_offsets[k].xy);
    _ci_out = sum / _ci_total;
}
)");
    level = runPass(gl, program, level.area, level.texture->width, level.texture->height,
                    {{level, level.area, false, false, QTransform(), QRectF(), QRectF()}}, [&](GLuint p) {
                        const float map[4] = {1.f, 1.f, 0.f, 0.f};
                        glUniform4fv(gl.uniform(p, "_ci_map"), 1, map);
                        glUniform1i(gl.uniform(p, "_ci_taps"), GLint(taps.size() / 4));
                        glUniform4fv(gl.uniform(p, "_ci_offsets"), GLsizei(taps.size() / 4), taps.data());
                        glUniform1f(gl.uniform(p, "_ci_total"), float(total));
                    });
    if (factor == 1)
        return level;
    return resample(gl, {level, level.area, false, false, QTransform(), QRectF(), QRectF()}, QRectF(region), QTransform());
}

AreaAverageNode::AreaAverageNode(const CIImage& in, const QRectF& r)
    : ImageNode(QRectF(0, 0, 1, 1)), input(in), rect(toRect(r))
{
}

Rendered AreaAverageNode::render(GL& gl, const QRect&, double) const
{
    const std::array<float, 4> clear{0, 0, 0, 0};
    Rendered level = renderImage(gl, input, rect, 1.0);
    if (level.isEmpty() || rect.isEmpty())
        return ColorNode(clear).render(gl, QRect(0, 0, 1, 1), 1.0);
    // The rendered part may be smaller than the rectangle (transparent
    // around it): bring it to exactly the rectangle first.
    if (level.area != QRectF(rect) || level.densityX() != 1.0 || level.densityY() != 1.0)
        level = resample(gl, {level, input.extent(), false, true, QTransform(), QRectF(), QRectF()}, QRectF(rect), QTransform());
    static GLuint program = 0;
    if (!program)
        program = passProgram(gl, 1, R"(
uniform ivec2 _ci_limit;
uniform float _ci_block;
uniform sampler2D _ci_src;
void main() {
    // The mean of a block of up to 4 x 4, texels beyond the source counting
    // as zero.
    ivec2 base = ivec2(gl_FragCoord.xy) * 4;
    vec4 sum = vec4(0.0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            ivec2 q = base + ivec2(x, y);
            if (q.x < _ci_limit.x && q.y < _ci_limit.y) sum += texelFetch(_ci_src, q, 0);
        }
    _ci_out = sum / _ci_block;
}
)");
    double scale = 1.0; // how much the zero padding diluted the mean
    while (level.texture->width > 1 || level.texture->height > 1) {
        const int w = (level.texture->width + 3) / 4, h = (level.texture->height + 3) / 4;
        // Divided only by the texels a block can hold: a strip one texel
        // high would otherwise lose a factor of four a step (to zero in
        // half floats).
        const int block = std::min(level.texture->width, 4) * std::min(level.texture->height, 4);
        scale *= block;
        const Rendered source = level;
        level = runPass(gl, program, QRectF(0, 0, 1, 1), w, h, {}, [&](GLuint p) {
            gl.bindTexture(0, *source.texture, false);
            glUniform1i(gl.uniform(p, "_ci_src"), 0);
            glUniform2i(gl.uniform(p, "_ci_limit"), source.texture->width, source.texture->height);
            glUniform1f(gl.uniform(p, "_ci_block"), float(block));
        });
        if (level.isEmpty())
            return {};
    }
    const double factor = scale / (double(rect.width()) * rect.height());
    static GLuint scaleProgram = 0;
    if (!scaleProgram)
        scaleProgram = passProgram(gl, 1, R"(
uniform float _ci_factor;
void main() { _ci_out = _ci_texel(0, vec2(0.5)) * _ci_factor; }
)");
    return runPass(gl, scaleProgram, QRectF(0, 0, 1, 1), 1, 1, {{level, QRectF(0, 0, 1, 1), true, true, QTransform(), QRectF(), QRectF()}},
                   [&](GLuint p) {
                       const float map[4] = {1.f, 1.f, 0.f, 0.f};
                       glUniform4fv(gl.uniform(p, "_ci_map"), 1, map);
                       glUniform1f(gl.uniform(p, "_ci_factor"), float(factor));
                   });
}

} // namespace Engine
