#include "platform/image/EnginePasses.h"

#include "platform/image/EngineBlurs.h"
#include "platform/image/EngineGeometry.h"
#include "platform/image/EnginePrecision.h"
#include "platform/image/EngineTrace.h"
#include "platform/image/EngineReductions.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

namespace Engine {

namespace {
constexpr float kFloatLimit = 1e30f;
quint64 g_texels = 0;
} // namespace

quint64 texelCount()
{
    return g_texels;
}

DetailGrid detailGrid(const QRect& region, double detail)
{
    int step = 1;
    while (step < 256 && 0.5 / step >= detail * (1 - 1e-6))
        step *= 2;
    if (step == 1)
        return {QRectF(region), region.width(), region.height(), 1};
    const QRect cells = outwardToGrid(region, step, step);
    return {QRectF(cells), cells.width() / step, cells.height() / step, step};
}

QRect outwardToGrid(const QRect& r, int gx, int gy)
{
    const auto down = [](int v, int g) { return int(std::floor(double(v) / g)) * g; };
    const auto up = [](int v, int g) { return int(std::ceil(double(v) / g)) * g; };
    const int x0 = down(r.x(), gx), y0 = down(r.y(), gy);
    return QRect(x0, y0, up(r.x() + r.width(), gx) - x0, up(r.y() + r.height(), gy) - y0);
}

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

QRect clip(const QRect& region, const QRectF& extent)
{
    if (CIGeometry::isInfinite(extent))
        return region;
    return region.intersected(toRect(extent));
}

struct RenderScope::Data {
    Data* outer = nullptr;
    QSet<const ImageNode*> shared;
    // Paths from the root to each shared node: the requests the render will
    // make of it, each met by rendering or by the cache. After the last one
    // its textures go back to the pool for the passes still to come.
    QHash<const ImageNode*, quint64> requestsLeft;
    struct Entry {
        QRect region;
        double detail;
        Rendered rendered;
    };
    QHash<const ImageNode*, std::vector<Entry>> done;
    struct Step {
        TexturePtr input;
        QString key;
        Rendered result;
    };
    std::vector<Step> steps; // the outermost scope's only
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
    // Paths counted in an order that visits every node after all its
    // readers (reversed depth-first post-order).
    std::vector<const ImageNode*> order;
    QHash<const ImageNode*, std::vector<const ImageNode*>> inputs;
    std::function<void(const ImageNode*)> post = [&](const ImageNode* node) {
        if (inputs.contains(node))
            return;
        std::vector<const ImageNode*>& mine = inputs[node];
        node->forEachInput([&](const CIImage& input) {
            if (input.node())
                mine.push_back(input.node().get());
        });
        for (const ImageNode* input : mine)
            post(input);
        order.push_back(node);
    };
    if (root.node())
        post(root.node().get());
    QHash<const ImageNode*, quint64> paths;
    if (root.node())
        paths[root.node().get()] = 1;
    constexpr quint64 kMany = quint64(1) << 40; // a path count beyond any render's requests
    for (auto it = order.rbegin(); it != order.rend(); ++it)
        for (const ImageNode* input : inputs[*it])
            paths[input] = std::min(kMany, paths[input] + paths[*it]);
    for (const ImageNode* node : std::as_const(m_data->shared))
        m_data->requestsLeft[node] = paths.value(node);
    g_scope = m_data.get();
}

RenderScope::~RenderScope()
{
    g_scope = m_data->outer;
}

namespace {
RenderScope::Data* outermostScope()
{
    RenderScope::Data* scope = g_scope;
    while (scope && scope->outer)
        scope = scope->outer;
    return scope;
}
} // namespace

Rendered recalled(const TexturePtr& input, const QString& key)
{
    if (RenderScope::Data* scope = outermostScope())
        for (const RenderScope::Data::Step& step : scope->steps)
            if (step.input == input && step.key == key)
                return step.result;
    return {};
}

void remember(const TexturePtr& input, const QString& key, const Rendered& result)
{
    if (RenderScope::Data* scope = outermostScope(); scope && (input || !key.isEmpty()) && !result.isEmpty())
        scope->steps.push_back({input, key, result});
}

bool sharedInRender(const ImageNode* node)
{
    return g_scope && g_scope->shared.contains(node);
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
    const PassLabel label(node);
    if (!g_scope || !g_scope->shared.contains(node))
        return node->render(gl, r, d);
    // Reached along several paths: rendered once, reused (read only, since
    // the scope keeps a reference, nobody blends onto it in place).
    // The least detailed rendering that has enough: a photo drawn at two
    // scales is reduced once for each, never twice.
    RenderScope::Data* scope = g_scope;
    const RenderScope::Data::Entry* best = nullptr;
    for (const RenderScope::Data::Entry& e : scope->done[node])
        if (e.region.contains(r) && e.detail >= d && (!best || e.detail < best->detail))
            best = &e;
    if (const double kept = best ? node->keptDetailFor(d) : 0; kept > 0 && kept < best->detail)
        best = nullptr;
    Rendered result = best ? best->rendered : node->render(gl, r, d);
    if (!best && !result.isEmpty())
        scope->done[node].push_back({r, d, result});
    // The last request: nobody will ask again (a request beyond the count
    // renders anew).
    quint64& left = scope->requestsLeft[node];
    if (left > 0 && --left == 0)
        scope->done.remove(node);
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

namespace {
// Binds the samplers and sets the uniforms of one draw of `program`.
void setPassInputs(GL& gl, GLuint program, const Texture& target, const QRectF& area,
                   const std::vector<PassSampler>& samplers, const std::function<void(GLuint)>& setUniforms,
                   const QPointF* readOrigin, const QPointF* passOriginGiven = nullptr)
{
    const QPointF origin = passOriginGiven ? *passOriginGiven : passOrigin(area);
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
        char name[24];
        std::snprintf(name, sizeof name, "_ci_tex%d", i); // slots past 9 too: a fused pass reads up to 16
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
}
} // namespace

void drawPass(GL& gl, GLuint program, const Texture& target, const QRectF& area, const QRect& viewport, bool blend,
              const std::vector<PassSampler>& samplers, const std::function<void(GLuint)>& setUniforms,
              const QPointF* readOrigin)
{
    setPassInputs(gl, program, target, area, samplers, setUniforms, readOrigin);
    const int n = int(samplers.size());
    gl.bindTarget(target);
    glViewport(viewport.x(), viewport.y(), viewport.width(), viewport.height());
    if (blend) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    }
    gl.drawQuad();
    gl.countPass();
    tracePass(gl, target, viewport, program, n, blend);
    g_texels += quint64(viewport.width()) * quint64(viewport.height());
    if (blend)
        glDisable(GL_BLEND);
}

void drawPieces(GL& gl, const Texture& target, const QRectF& area, const std::vector<PassPiece>& pieces,
                const std::vector<PassSampler>& samplers, const std::function<void(GLuint)>& setUniforms,
                const QPointF* origin, bool countPass)
{
    if (pieces.empty())
        return;
    gl.bindTarget(target);
    quint64 texels = 0;
    for (const PassPiece& piece : pieces) {
        setPassInputs(gl, piece.program, target, area, samplers, setUniforms, origin, origin);
        glViewport(piece.viewport.x(), piece.viewport.y(), piece.viewport.width(), piece.viewport.height());
        gl.drawQuad();
        texels += quint64(piece.viewport.width()) * quint64(piece.viewport.height());
    }
    if (countPass)
        gl.countPass();
    tracePass(gl, target, QRect(0, 0, target.width, target.height), pieces.front().program, int(samplers.size()), false);
    g_texels += texels;
}

// A blit between equal formats is a plain copy (a texture copy is not).
void copyTexels(GL& gl, const std::vector<TexelCopy>& copies, const Texture& target)
{
    if (copies.empty() || gl.rehearsing())
        return;
    static GLuint from = 0;
    if (!from)
        glGenFramebuffers(1, &from);
    gl.bindTarget(target);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, from);
    for (const TexelCopy& c : copies) {
        glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, c.from->id, 0);
        const QPoint f = c.fromTexel;
        const QRect& t = c.to;
        glBlitFramebuffer(f.x(), f.y(), f.x() + t.width(), f.y() + t.height(), t.x(), t.y(), t.x() + t.width(),
                          t.y() + t.height(), GL_COLOR_BUFFER_BIT, GL_NEAREST);
    }
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    gl.bindTarget(target);
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
    std::optional<FullFloats> wide; // until the read is ready
    for (;;) {
        const ImageNode* node = inner.node().get();
        if (auto* f = dynamic_cast<const FullFloatNode*>(node)) {
            if (!wide)
                wide.emplace(gl);
            inner = f->input;
            continue;
        }
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
    const QRectF innerRoi = CIGeometry::outset(CIGeometry::transformed(roi, toInner), 1, 1);
    QRect need = s.clamp ? clampedRegion(innerRoi, inner.extent()) : toRect(innerRoi);
    // Inputs of a pass on a reduced grid are asked for the grid's own
    // detail: averages by whole powers of two, the same for every reader.
    const int step = detailGrid(need, detail).step;
    if (step > 1)
        detail = 1.0 / step;
    s.toInput = toInner;
    s.node = inner.node();
    s.clampExtent = inner.extent();
    if (smoothReads && !s.clamp && !s.nearest) {
        // A crop of a blur: the blur read reduced, the crop as a mask.
        if (auto* crop = dynamic_cast<const CropNode*>(inner.node().get());
            crop && crop->input.node()
            && (dynamic_cast<const GaussianBlurNode*>(crop->input.node().get())
                || dynamic_cast<const MotionBlurNode*>(crop->input.node().get()))) {
            s.crop = QRectF(crop->rect);
            need = need.intersected(crop->rect);
            inner = crop->input;
            s.node = inner.node();
        }
        const QRect r = clip(need, inner.extent());
        if (r.isEmpty())
            return s;
        need = r;
        // Shared nodes come from the render's cache.
        const PassLabel label(inner.node().get());
        s.rendered = g_scope && g_scope->shared.contains(inner.node().get()) ? renderImage(gl, inner, r, detail)
                                                                            : inner.node()->renderSmooth(gl, r, detail);
    } else {
        // At full detail a clamp repeats its edge texels, not their
        // averages; a consumer that asks for less detail reads the averages.
        s.rendered = renderImage(gl, inner, need, detail);
    }
    // A pass on a reduced grid reads at its texels' centres: finer inputs
    // are averaged to its grid first, so that nothing between is skipped.
    if (step > 1 && !s.nearest)
        s.rendered = reduceDensity(gl, s.rendered, 1.0 / step, 1.0 / step);
    return s;
}

} // namespace Engine
