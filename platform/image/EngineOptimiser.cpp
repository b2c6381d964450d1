#include "platform/image/EngineOptimiser.h"

#include "platform/image/CIKernel.h"
#include "platform/image/EngineBlurs.h"
#include "platform/image/EngineCompositing.h"
#include "platform/image/EngineGeometry.h"
#include "platform/image/EngineKernels.h"
#include "platform/image/EngineReductions.h"
#include "platform/image/EngineSources.h"
#include "platform/image/EngineTrace.h"
#include "platform/image/KernelTranslation.h"

#include <QHash>
#include <QSet>

#include <cmath>
#include <cstdio>

namespace Engine {

namespace {

// SUNNYSIDE_FUSION=0 turns it off, to measure what it saves.
bool g_enabled = qEnvironmentVariable("SUNNYSIDE_FUSION") != QLatin1String("0");
// SUNNYSIDE_FUSED_PARTS=0 draws every fused pass by its general program.
double g_partShare = qEnvironmentVariable("SUNNYSIDE_FUSED_PARTS") == QLatin1String("0") ? INFINITY : 1.0 / 8;
// Sampler slots of one fused pass (OpenGL ES 3.0 guarantees 16).
constexpr int kMaxReads = 16;

const char* const kFusedHelpers = R"(
vec4 _ci_zero(vec2 p) { return vec4(0.0); }
bool _ci_inside(vec2 p, vec4 r) { return all(greaterThanEqual(p, r.xy)) && all(lessThanEqual(p, r.zw)); }
float _ci_erf(float x) {
    // Abramowitz and Stegun 7.1.26, within 1.5e-7.
    float t = 1.0 / (1.0 + 0.3275911 * abs(x));
    float y = ((((1.061405429 * t - 1.453152027) * t + 1.421413741) * t - 0.284496736) * t + 0.254829592) * t;
    return sign(x) * (1.0 - y * exp(-x * x));
}
// A Gaussian-blurred constant rectangle (corners r, 1 / (sigma sqrt 2) k).
vec4 _ci_blurredRect(vec2 p, vec4 color, vec4 r, float k) {
    vec2 a = (r.xy - p) * k;
    vec2 b = (r.zw - p) * k;
    return color * (0.25 * (_ci_erf(b.x) - _ci_erf(a.x)) * (_ci_erf(b.y) - _ci_erf(a.y)));
}
)";

bool axisAligned(const QTransform& t)
{
    return t.type() <= QTransform::TxScale && t.m11() != 0 && t.m22() != 0;
}

bool wholePixelMove(const QTransform& t)
{
    return t.type() <= QTransform::TxTranslate && t.dx() == std::round(t.dx()) && t.dy() == std::round(t.dy());
}

// A closed rectangle of the root's world (pixel centres are tested against
// it as the program's _ci_inside does); may be infinite or empty.
struct Box {
    double x0 = -INFINITY, y0 = -INFINITY, x1 = INFINITY, y1 = INFINITY;
    static Box of(const QRectF& r)
    {
        if (CIGeometry::isInfinite(r))
            return {};
        return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
    }
    static Box none() { return {INFINITY, INFINITY, -INFINITY, -INFINITY}; }
    bool isEmpty() const { return x0 > x1 || y0 > y1; }
    Box operator&(const Box& b) const { return {std::max(x0, b.x0), std::max(y0, b.y0), std::min(x1, b.x1), std::min(y1, b.y1)}; }
    Box operator|(const Box& b) const
    {
        if (isEmpty())
            return b;
        if (b.isEmpty())
            return *this;
        return {std::min(x0, b.x0), std::min(y0, b.y0), std::max(x1, b.x1), std::max(y1, b.y1)};
    }
    Box grown(double dx, double dy) const { return isEmpty() ? *this : Box{x0 - dx, y0 - dy, x1 + dx, y1 + dy}; }
    bool contains(const Box& c) const { return x0 <= c.x0 && c.x1 <= x1 && y0 <= c.y0 && c.y1 <= y1; }
    bool meets(const Box& c) const { return !isEmpty() && !(c.x1 < x0 || c.x0 > x1 || c.y1 < y0 || c.y0 > y1); }
    // Through an axis-aligned map.
    Box mapped(const QTransform& t) const
    {
        if (isEmpty())
            return *this;
        const double ax = t.m11() * x0 + t.dx(), bx = t.m11() * x1 + t.dx();
        const double ay = t.m22() * y0 + t.dy(), by = t.m22() * y1 + t.dy();
        Box b{std::min(ax, bx), std::min(ay, by), std::max(ax, bx), std::max(ay, by)};
        // 0 * infinity: an infinite box stays infinite.
        if (std::isnan(b.x0) || std::isnan(b.x1) || std::isnan(b.y0) || std::isnan(b.y1))
            return {};
        return b;
    }
};

// One function of the fused program, kept so that it can be written again
// for a part of the pass where some of the chain is known not to matter.
struct Fn {
    enum class Kind { Zero, Read, Crop, Value, Over, Kernel } kind;
    explicit Fn(Kind k) : kind(k) {}
    Box guard;         // zero outside (tested unless the part lies inside)
    QString guardName; // the guard's uniform
    QString code;      // the body after the guard; @0, @1 ... name the children
    std::vector<int> children;
    int slot = -1;     // Read: its sampler slot
    // Known once the inputs are rendered: where it may not be zero, where
    // it is opaque, where a read needs no edge handling.
    Box support, opaque = Box::none(), interior = Box::none();
    int mode = 0; // Read: the sampler's _ci_fetch mode
};

// One fused pass in the making: the chain is walked into functions; inputs
// are only noted, and rendered once the general program compiles.
class Plan {
public:
    Plan(GL& gl, const QRect& region) : m_gl(gl), m_region(region), m_origin(passOrigin(QRectF(region))) {}

    // The function giving `image` at p (the root's world, relative to the
    // pass origin); `toNode` maps the root's world into the image's, `need`
    // is the root's region it is read over.
    int node(const CIImage& image, const QRectF& need, const QTransform& toNode, bool nearest = false,
             const KernelNode* reader = nullptr, int index = 0)
    {
        const ImageNode* n = image.node().get();
        if (!n || CIGeometry::isEmpty(need))
            return add(Fn(Fn::Kind::Zero));
        if (m_visits++ > 0 && sharedInRender(n))
            return read(image, need, toNode, false, nearest, reader, index);
        if (auto* k = dynamic_cast<const KernelNode*>(n))
            return kernel(*k, need, toNode);
        if (auto* o = dynamic_cast<const SourceOverNode*>(n))
            return sourceOver(*o, need, toNode);
        if (auto* c = dynamic_cast<const CropNode*>(n)) {
            ++m_saved;
            const QRectF r = rootRect(QRectF(c->rect), toNode);
            return crop(r, node(c->input, CIGeometry::intersect(need, r), toNode, nearest));
        }
        if (auto* c = dynamic_cast<const ColorNode*>(n)) {
            Fn f(Fn::Kind::Value);
            f.code = QStringLiteral("return %1;").arg(value("vec4", c->color, 4));
            return add(f);
        }
        if (auto* g = dynamic_cast<const GaussianBlurNode*>(n)) {
            std::array<float, 4> color{};
            QRect r;
            if (g->constantRect(&color, &r)) {
                ++m_saved;
                Fn f(Fn::Kind::Value);
                guard(f, rootRect(QRectF(toRect(g->extent())), toNode));
                f.code = QStringLiteral("return _ci_blurredRect(p, %1, %2, %3);")
                             .arg(value("vec4", color, 4), rect(rootRect(QRectF(r), toNode)),
                                  value("float", {float(1.0 / (g->sigma * std::sqrt(2.0)))}, 1));
                return add(f);
            }
        }
        if (auto* t = dynamic_cast<const TransformNode*>(n)) {
            if (wholePixelMove(t->transform))
                return node(t->input, need, toNode * t->transform.inverted(), nearest);
            if (axisAligned(t->transform) && !dynamic_cast<const ClampNode*>(t->input.node().get()))
                return scaled(*t, need, toNode);
        }
        return read(image, need, toNode, false, nearest, reader, index);
    }

    int saved() const { return m_saved; }
    bool full() const { return int(m_reads.size()) > kMaxReads; }

    // The program's text: general (`cell` null: every test kept, reads
    // through their uniform modes) or for the pixel centres of `cell`.
    QString source(int root, bool bytes, const Box* cell) const
    {
        QHash<int, QString> names;
        QString functions;
        const QString top = name(root, cell, names, functions);
        QString s = QStringLiteral("#version 300 es\nprecision highp float;\nprecision highp int;\nprecision highp sampler2D;\n")
            + QString::fromLatin1(kShaderPrelude) + samplerDeclarations(int(m_reads.size()))
            + KernelTranslation::builtins() + QString::fromLatin1(kFusedHelpers)
            + QStringLiteral("layout(location = 0) out vec4 _ci_out;\n") + m_uniforms;
        if (bytes)
            s += QString::fromLatin1(kEncodeBytes);
        for (const QString& h : m_helpers)
            s += h;
        s += m_routines + functions;
        const bool opaque = cell && m_fns[size_t(root)].opaque.contains(*cell);
        s += QStringLiteral("void main() {\n    vec2 p = _ci_dest.xy + gl_FragCoord.xy * _ci_dest.zw;\n    _ci_out = %1;\n}\n")
                 .arg(!bytes ? top + QStringLiteral("(p)")
                             : QStringLiteral("%1(%2(p))").arg(opaque ? QStringLiteral("_ci_encodeOpaque8") : QStringLiteral("_ci_encode8"), top));
        return s;
    }

    // Renders the inputs; false when one failed. Then knows where each
    // function may be non-zero or opaque.
    bool renderInputs(std::vector<PassSampler>& samplers)
    {
        const quint64 failures = m_gl.failureCount();
        for (const auto& r : m_reads)
            samplers.push_back(r());
        if (m_gl.failureCount() != failures)
            return false;
        for (Fn& f : m_fns)
            measure(f, samplers);
        return true;
    }

    // The pass in pieces: parts of the region where much of the chain is
    // zero, hidden or away from edges get a program of their own when they
    // are large enough to pay for it; the rest draws `general`.
    std::vector<PassPiece> pieces(int root, bool bytes, GLuint general) const
    {
        std::vector<int> xs{m_region.left(), m_region.left() + m_region.width()};
        std::vector<int> ys{m_region.top(), m_region.top() + m_region.height()};
        const auto cut = [&](const Box& b) {
            if (b.isEmpty())
                return;
            // Pixel x is inside when its centre is: x >= ceil(x0 - 1/2), x <= floor(x1 - 1/2).
            const auto at = [](std::vector<int>& v, double edge, int lo, int hi) {
                if (std::isfinite(edge))
                    v.push_back(int(std::clamp(edge, double(lo), double(hi))));
            };
            const int l = m_region.left(), r = l + m_region.width(), t = m_region.top(), u = t + m_region.height();
            at(xs, std::ceil(b.x0 - 0.5), l, r);
            at(xs, std::floor(b.x1 - 0.5) + 1, l, r);
            at(ys, std::ceil(b.y0 - 0.5), t, u);
            at(ys, std::floor(b.y1 - 0.5) + 1, t, u);
        };
        for (const Fn& f : m_fns) {
            cut(f.guard);
            cut(f.support);
            cut(f.opaque);
            cut(f.interior);
        }
        for (auto* v : {&xs, &ys}) {
            std::sort(v->begin(), v->end());
            v->erase(std::unique(v->begin(), v->end()), v->end());
        }
        // Each cell's text, by what the cell knows of each function.
        const int columns = int(xs.size()) - 1, rows = int(ys.size()) - 1;
        std::vector<int> kinds(size_t(columns * rows));
        QHash<QByteArray, int> bySignature;
        QStringList texts;
        std::vector<double> areas;
        for (int j = 0; j < rows; ++j)
            for (int i = 0; i < columns; ++i) {
                const Box c{xs[size_t(i)] + 0.5, ys[size_t(j)] + 0.5, xs[size_t(i) + 1] - 0.5, ys[size_t(j) + 1] - 0.5};
                QByteArray key = signature(c);
                key += bytes && m_fns[size_t(root)].opaque.contains(c) ? 'o' : '-';
                auto found = bySignature.find(key);
                if (found == bySignature.end()) {
                    const QString text = source(root, bytes, &c);
                    int k = int(texts.indexOf(text));
                    if (k < 0) {
                        k = int(texts.size());
                        texts.append(text);
                        areas.push_back(0);
                    }
                    found = bySignature.insert(key, k);
                }
                kinds[size_t(j * columns + i)] = found.value();
                areas[size_t(found.value())] += double(xs[size_t(i) + 1] - xs[size_t(i)]) * (ys[size_t(j) + 1] - ys[size_t(j)]);
            }
        // A program of its own for a large enough share of the pass (each
        // costs a compile on an empty shader cache).
        const double total = double(m_region.width()) * m_region.height();
        std::vector<GLuint> programs(texts.size(), general);
        for (int k = 0; k < int(texts.size()); ++k)
            if (areas[size_t(k)] >= g_partShare * total) {
                QString log;
                if (const GLuint p = m_gl.program(texts[k], &log))
                    programs[size_t(k)] = p;
                else if (tracingPasses())
                    std::fprintf(stderr, "fused part does not compile: %s\n", qPrintable(log.simplified()));
            }
        // Runs of a row, then runs of rows with the same columns.
        std::vector<PassPiece> out;
        struct Open {
            int x0, x1, y0, y1;
            GLuint program;
        };
        std::vector<Open> open, next;
        const auto close = [&](const Open& o) {
            out.push_back({o.program, QRect(o.x0 - m_region.left(), o.y0 - m_region.top(), o.x1 - o.x0, o.y1 - o.y0)});
        };
        for (int j = 0; j < rows; ++j) {
            next.clear();
            for (int i = 0; i < columns;) {
                const GLuint program = programs[size_t(kinds[size_t(j * columns + i)])];
                int e = i + 1;
                while (e < columns && programs[size_t(kinds[size_t(j * columns + e)])] == program)
                    ++e;
                Open run{xs[size_t(i)], xs[size_t(e)], ys[size_t(j)], ys[size_t(j) + 1], program};
                for (auto it = open.begin(); it != open.end(); ++it)
                    if (it->x0 == run.x0 && it->x1 == run.x1 && it->program == program) {
                        run.y0 = it->y0;
                        open.erase(it);
                        break;
                    }
                next.push_back(run);
                i = e;
            }
            for (const Open& o : open)
                close(o);
            open.swap(next);
        }
        for (const Open& o : open)
            close(o);
        return out;
    }

    void setUniforms(GLuint program) const
    {
        for (const Uniform& u : m_values) {
            const GLint at = m_gl.uniform(program, u.name.constData());
            switch (u.count) {
            case 1: glUniform1fv(at, 1, u.value.data()); break;
            case 2: glUniform2fv(at, 1, u.value.data()); break;
            case 3: glUniform3fv(at, 1, u.value.data()); break;
            default: glUniform4fv(at, 1, u.value.data()); break;
            }
        }
    }

private:
    struct Uniform {
        QByteArray name;
        int count;
        std::array<float, 4> value;
    };

    int add(const Fn& f)
    {
        m_fns.push_back(f);
        return int(m_fns.size()) - 1;
    }

    void guard(Fn& f, const QRectF& r)
    {
        f.guard = Box::of(r);
        f.guardName = rect(r);
    }

    int crop(const QRectF& r, int in)
    {
        Fn f(Fn::Kind::Crop);
        guard(f, r);
        f.code = QStringLiteral("return @0@(p);");
        f.children = {in};
        return add(f);
    }

    // Where the function may be non-zero, is opaque, reads inside its
    // texels; children come before their parents.
    void measure(Fn& f, const std::vector<PassSampler>& samplers) const
    {
        const auto child = [&](int k) -> const Fn& { return m_fns[size_t(f.children[size_t(k)])]; };
        switch (f.kind) {
        case Fn::Kind::Zero:
            f.support = Box::none();
            return;
        case Fn::Kind::Read: {
            const PassSampler& s = samplers[size_t(f.slot)];
            f.mode = (s.clamp ? 1 : 0) | (s.nearest ? 2 : 0) | (s.crop.isNull() ? 0 : 4);
            if (s.rendered.isEmpty()) {
                f.support = Box::none();
                return;
            }
            const QTransform back = s.toInput.inverted();
            const double tx = 1 / s.rendered.densityX(), ty = 1 / s.rendered.densityY();
            const Box area = Box::of(s.rendered.area);
            // Bilinear reads weigh nothing half a texel beyond the texels.
            Box support = s.clamp ? Box() : area.grown(tx, ty);
            if (!s.crop.isNull())
                support = support & Box::of(s.crop);
            f.support = support.mapped(back) & f.guard;
            // Inside these, reads are plain texture reads (a crop's mask
            // then holds everywhere).
            if (f.mode == 0 || f.mode == 4)
                f.interior = (area.grown(-tx / 2, -ty / 2) & (f.mode == 4 ? Box::of(s.crop) : Box())).mapped(back);
            if (f.mode == 0) {
                if (s.rendered.opaque)
                    f.opaque = area.grown(-tx, -ty).mapped(back) & f.guard;
            }
            return;
        }
        case Fn::Kind::Crop:
            f.support = child(0).support & f.guard;
            f.opaque = child(0).opaque & f.guard;
            return;
        case Fn::Kind::Over:
            f.support = child(0).support | child(1).support;
            f.opaque = child(0).opaque;
            return;
        case Fn::Kind::Value:
        case Fn::Kind::Kernel:
            f.support = f.guard;
            return;
        }
    }

    // What a cell knows of each function: a character each.
    QByteArray signature(const Box& c) const
    {
        QByteArray s(qsizetype(m_fns.size()), '-');
        for (size_t i = 0; i < m_fns.size(); ++i) {
            const Fn& f = m_fns[i];
            if (f.kind == Fn::Kind::Zero || !f.support.meets(c))
                s[qsizetype(i)] = 'z';
            else if (f.kind == Fn::Kind::Over && m_fns[size_t(f.children[0])].opaque.contains(c))
                s[qsizetype(i)] = 'f';
            else
                s[qsizetype(i)] = char('a' + (f.guard.contains(c) ? 1 : 0) + (f.interior.contains(c) ? 2 : 0));
        }
        return s;
    }

    // The name of function `i`'s text for the cell (written into
    // `functions` once), an alias where it reduces to a child, or _ci_zero.
    QString name(int i, const Box* cell, QHash<int, QString>& names, QString& functions) const
    {
        if (auto found = names.constFind(i); found != names.constEnd())
            return found.value();
        const Fn& f = m_fns[size_t(i)];
        const QString zero = QStringLiteral("_ci_zero");
        QString result;
        const bool test = !f.guardName.isEmpty() && !(cell && f.guard.contains(*cell));
        if (f.kind == Fn::Kind::Zero || (cell && !f.support.meets(*cell))) {
            result = zero;
        } else {
            QStringList children;
            for (int c : f.children)
                children << name(c, cell, names, functions);
            if (cell && f.kind == Fn::Kind::Crop && !test) {
                result = children[0];
            } else if (cell && f.kind == Fn::Kind::Over
                       && (children[0] == zero || children[1] == zero
                           || m_fns[size_t(f.children[0])].opaque.contains(*cell))) {
                // Nothing over it, nothing under it, or hidden.
                result = children[0] == zero ? children[1] : children[0];
            } else {
                QString code = f.code;
                if (f.kind == Fn::Kind::Read) {
                    const int k = f.slot;
                    if (!cell)
                        code = QStringLiteral("return _ci_texel(%1, _ci_toTexel(%1, p));").arg(k);
                    else if (f.interior.contains(*cell))
                        code = QStringLiteral("return textureLod(_ci_tex%1, _ci_toTexel(%1, p) * _ci_scale[%1], 0.0);").arg(k);
                    else
                        code = QStringLiteral("return _ci_fetch(_ci_tex%1, _ci_toTexel(%1, p), _ci_size[%1], _ci_scale[%1], %2, _ci_box[%1]);")
                                   .arg(k)
                                   .arg(f.mode);
                }
                for (int c = 0; c < int(children.size()); ++c)
                    code.replace(QStringLiteral("@%1@").arg(c), children[c]);
                result = QStringLiteral("_ci_f%1").arg(i);
                functions += QStringLiteral("vec4 %1(vec2 p) {\n    %2%3\n}\n")
                                 .arg(result,
                                      test ? QStringLiteral("if (!_ci_inside(p, %1)) return vec4(0.0);\n    ").arg(f.guardName)
                                           : QString(),
                                      code);
            }
        }
        names.insert(i, result);
        return result;
    }

    QString value(const char* type, const std::array<float, 4>& v, int count)
    {
        const QByteArray name = "_ci_u" + QByteArray::number(int(m_values.size()));
        m_uniforms += QStringLiteral("uniform %1 %2;\n").arg(QLatin1String(type), QLatin1String(name));
        m_values.push_back({name, count, v});
        return QString::fromLatin1(name);
    }

    // A rectangle of the root's world as corners relative to the origin;
    // an infinite one holds every point.
    QString rect(const QRectF& r)
    {
        if (CIGeometry::isInfinite(r))
            return value("vec4", {-1e30f, -1e30f, 1e30f, 1e30f}, 4);
        return value("vec4",
                     {limited(r.x() - m_origin.x()), limited(r.y() - m_origin.y()),
                      limited(r.x() + r.width() - m_origin.x()), limited(r.y() + r.height() - m_origin.y())},
                     4);
    }

    static QRectF rootRect(const QRectF& r, const QTransform& toNode)
    {
        return CIGeometry::isInfinite(r) ? r : CIGeometry::transformed(r, toNode.inverted());
    }

    // An input drawn as usual, read through its mapping; a kernel's input
    // over what the kernel's region-of-interest callback asks (called only
    // once the pass is sure to be drawn).
    int read(const CIImage& image, const QRectF& need, const QTransform& toNode, bool clamp, bool nearest,
             const KernelNode* kernel = nullptr, int index = 0)
    {
        GL* gl = &m_gl;
        const CIImage kept = image;
        const QRectF region = CIGeometry::transformed(need, toNode);
        m_reads.push_back([gl, kept, region, toNode, clamp, nearest, kernel, index] {
            const QRectF roi = kernel ? kernel->inputRegion(index, region) : region;
            PassSampler s = samplerFor(*gl, kept, roi, clamp, nearest, !nearest);
            s.toInput = toNode * s.toInput;
            return s;
        });
        Fn f(Fn::Kind::Read);
        f.slot = int(m_reads.size()) - 1;
        return add(f);
    }

    // A scaled move read straight from its (averaged) input: what its own
    // pass would draw, without drawing it.
    int scaled(const TransformNode& t, const QRectF& need, const QTransform& toNode)
    {
        ++m_saved;
        GL* gl = &m_gl;
        const TransformNode* move = &t; // the recipe outlives the render
        const QRectF region = CIGeometry::transformed(need, toNode);
        m_reads.push_back([gl, move, region, toNode] {
            PassSampler s;
            s.imageExtent = move->input.extent();
            s.rendered = move->averagedInput(*gl, QRectF(toRect(region)), 1.0, move->input, false);
            s.toInput = toNode * move->transform.inverted();
            return s;
        });
        Fn f(Fn::Kind::Read);
        f.slot = int(m_reads.size()) - 1;
        guard(f, rootRect(QRectF(toRect(t.extent())), toNode));
        return add(f);
    }

    int sourceOver(const SourceOverNode& o, const QRectF& need, const QTransform& toNode)
    {
        ++m_saved;
        const QRectF over = rootRect(QRectF(toRect(o.foreground.extent())), toNode);
        const int f = crop(over, node(o.foreground, CIGeometry::intersect(need, over), toNode));
        const int b = node(o.background, need, toNode);
        // An opaque foreground hides the background.
        Fn fn(Fn::Kind::Over);
        fn.code = QStringLiteral("vec4 f = @0@(p);\n    if (f.a >= 1.0) return f;\n    return f + @1@(p) * (1.0 - f.a);");
        fn.children = {f, b};
        return add(fn);
    }

    int kernel(const KernelNode& k, const QRectF& need, const QTransform& toNode)
    {
        const CIKernel& routine = k.kernel();
        if (routine.pointwiseSource().isEmpty() || (routine.readsDestCoord() && !toNode.isIdentity()))
            return read(CIImage(std::shared_ptr<const ImageNode>(std::shared_ptr<const ImageNode>(), &k)), need,
                        toNode, false, false);
        ++m_saved;
        QRectF bounds = CIGeometry::isInfinite(k.extent()) ? k.extent() : QRectF(toRect(k.extent()));
        if (!CIGeometry::isInfinite(k.definition().extent()))
            bounds = CIGeometry::intersect(bounds, QRectF(toRect(k.definition().extent())));
        const QRectF inside = rootRect(bounds, toNode);
        const QRectF out = CIGeometry::intersect(need, inside);
        Fn fn(Fn::Kind::Kernel);
        QStringList reads, arguments;
        int samplerIndex = 0;
        size_t valueIndex = 0;
        for (const CIKernel::Parameter& p : routine.parameters()) {
            if (p.type != CIKernel::ParameterType::Sampler) {
                static const char* const types[] = {"float", "vec2", "vec3", "vec4"};
                const int count = p.type == CIKernel::ParameterType::Float  ? 1
                                : p.type == CIKernel::ParameterType::Vec2 ? 2
                                : p.type == CIKernel::ParameterType::Vec3 ? 3
                                                                          : 4;
                arguments << value(types[count - 1], k.values()[valueIndex++], count);
                continue;
            }
            // Fused inputs are read only at the pixel itself.
            const CISampler& s = k.samplers()[size_t(samplerIndex)];
            const bool nearest = s.filterMode() == CISampler::Filter::Nearest;
            fn.children.push_back(s.wrapMode() == CISampler::Wrap::Clamp
                                      ? read(s.image(), out, toNode, true, nearest, &k, samplerIndex)
                                      : node(s.image(), out, toNode, nearest, &k, samplerIndex));
            reads << QStringLiteral("vec4 s%1 = @%1@(p);").arg(samplerIndex);
            arguments << QStringLiteral("s%1").arg(samplerIndex);
            ++samplerIndex;
        }
        if (!m_helpers.contains(routine.helperSource()))
            m_helpers.append(routine.helperSource());
        QString& name = m_routineNames[routine.pointwiseSource()];
        if (name.isEmpty()) {
            name = QStringLiteral("_ci_routine%1").arg(m_routineNames.size());
            m_routines += QString(routine.pointwiseSource()).replace(QStringLiteral("_ci_routine("), name + u'(');
        }
        guard(fn, inside);
        fn.code = QStringLiteral("%1\n    %2return %3(%4);")
                      .arg(reads.join(QStringLiteral("\n    ")),
                           routine.readsDestCoord() ? QStringLiteral("_ci_dc = p;\n    ") : QString(), name,
                           arguments.join(QStringLiteral(", ")));
        return add(fn);
    }

    GL& m_gl;
    QRect m_region;
    QPointF m_origin;
    int m_visits = 0;
    int m_saved = 0;
    QString m_uniforms, m_routines;
    QStringList m_helpers;
    QHash<QString, QString> m_routineNames;
    std::vector<Uniform> m_values;
    std::vector<Fn> m_fns;
    std::vector<std::function<PassSampler()>> m_reads;
};

} // namespace

void setFusionEnabled(bool enabled)
{
    g_enabled = enabled;
}

bool fusionEnabled()
{
    return g_enabled;
}

void setFusedPartShare(double share)
{
    g_partShare = share;
}

Rendered renderFused(GL& gl, const ImageNode& root, const QRect& region, bool bytes)
{
    if (!g_enabled || region.isEmpty())
        return {};
    Plan plan(gl, region);
    // The root as an image that does not own it: the walk only reads it.
    const CIImage image(std::shared_ptr<const ImageNode>(std::shared_ptr<const ImageNode>(), &root));
    const int top = plan.node(image, QRectF(region), QTransform());
    if (plan.saved() < 2 || plan.full())
        return {};
    // The general program first: one that does not compile leaves the chain
    // to render node by node before any input is drawn.
    QString log;
    const GLuint general = gl.program(plan.source(top, bytes, nullptr), &log);
    if (!general) {
        if (tracingPasses())
            std::fprintf(stderr, "fused program does not compile: %s\n", qPrintable(log.simplified()));
        return {};
    }
    std::vector<PassSampler> samplers;
    if (!plan.renderInputs(samplers))
        return {};
    const std::vector<PassPiece> pieces = plan.pieces(top, bytes, general);
    const PassLabel label("fused");
    TexturePtr target = bytes ? gl.byteTexture(region.width(), region.height())
                              : gl.floatTexture(region.width(), region.height());
    if (!target)
        return {};
    drawPieces(gl, *target, QRectF(region), pieces, samplers, [&](GLuint p) { plan.setUniforms(p); });
    if (tracingPasses()) {
        QSet<GLuint> programs;
        for (const PassPiece& piece : pieces)
            programs.insert(piece.program);
        std::fprintf(stderr, "fused pass %llu: %d pieces, %d programs\n", static_cast<unsigned long long>(gl.passCount()),
                     int(pieces.size()), int(programs.size()));
    }
    return {target, QRectF(region)};
}

} // namespace Engine
