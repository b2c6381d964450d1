#include "platform/image/EngineOptimiser.h"

#include "platform/image/CIKernel.h"
#include "platform/image/EngineBlurs.h"
#include "platform/image/EngineCompositing.h"
#include "platform/image/EngineFusedPieces.h"
#include "platform/image/EngineGeometry.h"
#include "platform/image/EngineKernels.h"
#include "platform/image/EngineReductions.h"
#include "platform/image/EngineSources.h"
#include "platform/image/EngineTrace.h"
#include "platform/image/KernelTranslation.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace Engine {

namespace {

// SUNNYSIDE_FUSION=0 turns it off, to measure what it saves.
bool g_enabled = qEnvironmentVariable("SUNNYSIDE_FUSION") != QLatin1String("0");
// SUNNYSIDE_FUSED_PARTS=0 draws every fused pass by its general program;
// =N gives parts from 1/N of the pass a program of their own.
double partShareFromEnvironment()
{
    const QString value = qEnvironmentVariable("SUNNYSIDE_FUSED_PARTS");
    if (value.isEmpty())
        return 1.0 / 16;
    bool ok = false;
    const double n = value.toDouble(&ok);
    return !ok || n <= 0 ? INFINITY : 1.0 / n;
}
double g_partShare = partShareFromEnvironment();
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
    // Read: where the recipe read is known to be opaque (the root's world),
    // for a texture that is only partly so.
    Box knownOpaque = Box::none();
    // Read: an uploaded opaque photo one texel a pixel on whole pixels, so
    // its bytes are the encoded result (texel = pass texel + copyOffset).
    bool copyable = false;
    QPoint copyOffset;
    // Read: one texel a pixel on whole texels, so its interior reads are
    // single texels (exact, whatever the texture's real size).
    bool oneTexel = false;
};

// One fused pass in the making: the chain is walked into functions; inputs
// are only noted, and rendered once the general program compiles.
class Plan {
public:
    // `detail`: what the pass's texels need of its inputs (below 1 on a
    // coarse grid).
    Plan(GL& gl, const QRect& region, double detail = 1.0)
        : m_gl(gl), m_region(region), m_origin(passOrigin(QRectF(region))), m_detail(detail)
    {
    }

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
    const QRect& region() const { return m_region; }
    // Every box whose edges may change what a cell's text can leave out.
    std::vector<Box> edges() const
    {
        std::vector<Box> out;
        for (const Fn& f : m_fns)
            out.insert(out.end(), {f.guard, f.support, f.opaque, f.interior});
        return out;
    }
    bool opaqueOver(int root, const Box& cell) const { return m_fns[size_t(root)].opaque.contains(cell); }

    // The function whose text the cell's text of function `i` is (name()'s
    // reductions), -1 where it is zero.
    int resolved(int i, const Box& cell) const
    {
        const Fn& f = m_fns[size_t(i)];
        if (f.kind == Fn::Kind::Zero || !f.support.meets(cell))
            return -1;
        if (f.kind == Fn::Kind::Crop && f.guard.contains(cell))
            return resolved(f.children[0], cell);
        if (f.kind == Fn::Kind::Over) {
            const int a = resolved(f.children[0], cell), b = resolved(f.children[1], cell);
            if (a < 0)
                return b;
            if (b < 0 || m_fns[size_t(f.children[0])].opaque.contains(cell))
                return a;
        }
        return i;
    }

    // The read whose bytes a cell's 8-bit result is, or null.
    const Fn* copiedRead(int root, const Box& cell) const
    {
        const int i = resolved(root, cell);
        const Fn* f = i < 0 ? nullptr : &m_fns[size_t(i)];
        return f && f->kind == Fn::Kind::Read && f->copyable && f->interior.contains(cell) && f->opaque.contains(cell)
                   ? f
                   : nullptr;
    }

    // Whether the photos copied are kept with red and blue swapped (Qt's
    // byte order, read through a swizzle): then a pass that copies them
    // into its own texture writes its drawn pixels swapped too.
    bool copiesSwapped(const std::vector<PassSampler>& samplers) const
    {
        for (const Fn& f : m_fns)
            if (f.kind == Fn::Kind::Read && f.copyable)
                return swappedBytes(*samplers[size_t(f.slot)].rendered.texture);
        return false;
    }

    // The program's text: general (`cell` null: every test kept, reads
    // through their uniform modes) or for the pixel centres of `cell`;
    // `swapped` writes blue, green, red, alpha.
    QString source(int root, bool bytes, const Box* cell, bool swapped = false) const
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
        s += QStringLiteral("void main() {\n    vec2 p = _ci_dest.xy + gl_FragCoord.xy * _ci_dest.zw;\n    _ci_out = %1%2;\n}\n")
                 .arg(!bytes ? top + QStringLiteral("(p)")
                             : QStringLiteral("%1(%2(p))").arg(opaque ? QStringLiteral("_ci_encodeOpaque8") : QStringLiteral("_ci_encode8"), top),
                      swapped ? QStringLiteral(".bgra") : QString());
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
                // One texel a pixel when the read's scale undoes the
                // density; pass texel x then reads texel x + ox.
                const QTransform& t = s.toInput;
                const double dx = s.rendered.densityX(), dy = s.rendered.densityY();
                const double ox = (m_region.x() * t.m11() + t.dx() - s.rendered.area.x()) * dx;
                const double oy = (m_region.y() * t.m22() + t.dy() - s.rendered.area.y()) * dy;
                const auto whole = [](double v) { return std::abs(v - std::round(v)) < 1e-6; };
                f.oneTexel = t.type() <= QTransform::TxScale && std::abs(t.m11() * dx - 1) < 1e-9
                          && std::abs(t.m22() * dy - 1) < 1e-9 && whole(ox) && whole(oy);
                // Read at texel centres, the known opaque pixels are opaque texels;
                // read between them (a picture of odd sides centred on even ones),
                // the points whose four texels lie inside. Only texels that are the
                // picture's pixels: a coarser texel of layers laid side by side
                // blends their edges and may be partly clear at the seam.
                const bool pixelTexels = std::abs(dx - 1) < 1e-9 && std::abs(dy - 1) < 1e-9;
                if (!s.rendered.opaque && f.oneTexel && !f.knownOpaque.isEmpty())
                    f.opaque = f.knownOpaque.grown(-0.5, -0.5) & f.guard;
                else if (!s.rendered.opaque && pixelTexels && !f.knownOpaque.isEmpty()
                         && t.type() <= QTransform::TxScale && t.m11() != 0 && t.m22() != 0)
                    f.opaque = f.knownOpaque.grown(-1.5 * tx / std::abs(t.m11()), -1.5 * ty / std::abs(t.m22()))
                             & f.guard;
                f.copyable = f.oneTexel && !f.opaque.isEmpty() && s.rendered.texture->format == GL_SRGB8_ALPHA8;
                f.copyOffset = QPoint(int(std::round(ox)), int(std::round(oy)));
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
                    else if (f.interior.contains(*cell) && f.oneTexel)
                        code = QStringLiteral("return texelFetch(_ci_tex%1, ivec2(_ci_toTexel(%1, p)), 0);").arg(k);
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
        Fn f(Fn::Kind::Read);
        f.slot = slot(image, need, toNode, clamp, nearest, !nearest, kernel, index);
        if (const QRectF known = image.node()->opaqueArea(); !known.isEmpty() && toNode.type() <= QTransform::TxScale)
            f.knownOpaque = Box::of(known).mapped(toNode.inverted());
        return add(f);
    }

    // The texture slot `image` is drawn into when the pass is, as read().
    int slot(const CIImage& image, const QRectF& need, const QTransform& toNode, bool clamp, bool nearest,
             bool smooth, const KernelNode* kernel, int index)
    {
        GL* gl = &m_gl;
        const CIImage kept = image;
        const QRectF region = CIGeometry::transformed(need, toNode);
        const double detail = m_detail;
        m_reads.push_back([gl, kept, region, toNode, clamp, nearest, smooth, kernel, index, detail] {
            const QRectF roi = kernel ? kernel->inputRegion(index, region) : region;
            PassSampler s = samplerFor(*gl, kept, roi, clamp, nearest, smooth, detail);
            s.toInput = toNode * s.toInput;
            return s;
        });
        return int(m_reads.size()) - 1;
    }

    // A scaled move read straight from its (averaged) input: what its own
    // pass would draw, without drawing it.
    int scaled(const TransformNode& t, const QRectF& need, const QTransform& toNode)
    {
        ++m_saved;
        GL* gl = &m_gl;
        const TransformNode* move = &t; // the recipe outlives the render
        const QRectF region = CIGeometry::transformed(need, toNode);
        const double detail = m_detail;
        m_reads.push_back([gl, move, region, toNode, detail] {
            PassSampler s;
            s.imageExtent = move->input.extent();
            s.rendered = move->averagedInput(*gl, QRectF(toRect(region)), detail, move->input, false);
            s.node = move->input.node();
            s.toInput = toNode * move->transform.inverted();
            return s;
        });
        Fn f(Fn::Kind::Read);
        f.slot = int(m_reads.size()) - 1;
        if (const QRectF known = t.opaqueArea(); !known.isEmpty() && toNode.type() <= QTransform::TxScale)
            f.knownOpaque = Box::of(known).mapped(toNode.inverted());
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
        const QList<bool>& anywhere = routine.samplerReadsAnywhere();
        // Samplers read elsewhere than at the pixel are read by their texels
        // in the kernel's own world, one texel a pixel, as its own pass does.
        const int sampled = int(std::count(anywhere.cbegin(), anywhere.cend(), true));
        const bool ownWorld = routine.readsDestCoord() || sampled > 0;
        if (routine.fusedSource().isEmpty() || (ownWorld && !toNode.isIdentity())
            || (sampled > 0 && (m_detail < 1.0 || int(m_reads.size()) + sampled > kMaxReads)))
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
            const CISampler& s = k.samplers()[size_t(samplerIndex)];
            const bool nearest = s.filterMode() == CISampler::Filter::Nearest;
            const bool clamp = s.wrapMode() == CISampler::Wrap::Clamp;
            if (anywhere.value(samplerIndex)) {
                arguments << QStringLiteral("_ciSampler(%1)").arg(slot(s.image(), out, toNode, clamp, nearest, true, &k, samplerIndex));
                ++samplerIndex;
                continue;
            }
            // Fused inputs are read only at the pixel itself.
            const int child = int(fn.children.size());
            fn.children.push_back(clamp ? read(s.image(), out, toNode, true, nearest, &k, samplerIndex)
                                        : node(s.image(), out, toNode, nearest, &k, samplerIndex));
            reads << QStringLiteral("vec4 s%1 = @%2@(p);").arg(samplerIndex).arg(child);
            arguments << QStringLiteral("s%1").arg(samplerIndex);
            ++samplerIndex;
        }
        if (!m_helpers.contains(routine.helperSource()))
            m_helpers.append(routine.helperSource());
        QString& name = m_routineNames[routine.fusedSource()];
        if (name.isEmpty()) {
            name = QStringLiteral("_ci_routine%1").arg(m_routineNames.size());
            m_routines += QString(routine.fusedSource()).replace(QStringLiteral("_ci_routine("), name + u'(');
        }
        guard(fn, inside);
        fn.code = QStringLiteral("%1\n    %2return %3(%4);")
                      .arg(reads.join(QStringLiteral("\n    ")), ownWorld ? QStringLiteral("_ci_dc = p;\n    ") : QString(),
                           name, arguments.join(QStringLiteral(", ")));
        return add(fn);
    }

    GL& m_gl;
    QRect m_region;
    QPointF m_origin;
    double m_detail;
    int m_visits = 0;
    int m_saved = 0;
    QString m_uniforms, m_routines;
    QStringList m_helpers;
    QHash<QString, QString> m_routineNames;
    std::vector<Uniform> m_values;
    std::vector<Fn> m_fns;
    std::vector<std::function<PassSampler()>> m_reads;
};

// The plan as piece cutting sees it, for one root and output format.
class PlanCells : public FusedCells {
public:
    PlanCells(const Plan& plan, int root, bool bytes, bool copies, bool swapped)
        : m_plan(plan), m_root(root), m_bytes(bytes), m_copies(copies), m_swapped(swapped)
    {
    }
    QRect region() const override { return m_plan.region(); }
    std::vector<Box> edges() const override { return m_plan.edges(); }
    QByteArray signature(const Box& cell) const override
    {
        return m_plan.signature(cell) + (m_bytes && m_plan.opaqueOver(m_root, cell) ? 'o' : '-');
    }
    QString source(const Box& cell) const override { return m_plan.source(m_root, m_bytes, &cell, m_swapped); }
    bool copied(const Box& cell) const override { return m_copies && m_plan.copiedRead(m_root, cell); }

private:
    const Plan& m_plan;
    int m_root;
    bool m_bytes;
    bool m_copies;
    bool m_swapped;
};

} // namespace

void setFusionEnabled(bool enabled)
{
    g_enabled = enabled;
}

void setFusedPartShare(double share)
{
    g_partShare = share;
}

Rendered renderFusedCoarse(GL& gl, const ImageNode& root, const QRectF& area, int width, int height)
{
    if (!g_enabled || area.isEmpty() || width <= 0 || height <= 0)
        return {};
    const double detail = std::min(1.0, std::min(width / area.width(), height / area.height()));
    Plan plan(gl, toRect(area), detail);
    const CIImage image(std::shared_ptr<const ImageNode>(std::shared_ptr<const ImageNode>(), &root));
    const int top = plan.node(image, QRectF(toRect(area)), QTransform());
    if (plan.saved() < 2 || plan.full())
        return {};
    // One program: a pass this small does not pay for the compiles of
    // parts. The general text is only checked (a program drawn is compiled
    // again for the machine).
    QString log;
    if (!gl.compiles(plan.source(top, false, nullptr), &log)) {
        traceNote(QStringLiteral("fused program does not compile: ") + log.simplified());
        return {};
    }
    std::vector<PassSampler> samplers;
    if (!plan.renderInputs(samplers))
        return {};
    // The text for all its texel centres: what holds over the whole pass
    // (reads inside their texels, tests that always pass) is left out.
    const double sx = area.width() / width, sy = area.height() / height;
    const Box centres{area.x() + sx / 2, area.y() + sy / 2, area.x() + area.width() - sx / 2,
                      area.y() + area.height() - sy / 2};
    GLuint program = gl.program(plan.source(top, false, &centres));
    if (!program)
        program = gl.program(plan.source(top, false, nullptr));
    const PassLabel label("fused");
    TexturePtr target = program ? gl.floatTexture(width, height) : nullptr;
    if (!target)
        return {};
    drawPieces(gl, *target, area, {{program, QRect(0, 0, width, height)}}, samplers,
               [&](GLuint p) { plan.setUniforms(p); });
    return {target, area};
}

Rendered renderFused(GL& gl, const ImageNode& root, const QRect& region, bool bytes, ByteRows* into, bool srgb,
                     std::vector<CopiedPart>* copiedParts)
{
    if (!g_enabled || region.isEmpty())
        return {};
    Plan plan(gl, region);
    // The root as an image that does not own it: the walk only reads it.
    const CIImage image(std::shared_ptr<const ImageNode>(std::shared_ptr<const ImageNode>(), &root));
    const int top = plan.node(image, QRectF(region), QTransform());
    if (plan.saved() < 2 || plan.full())
        return {};
    // The general text checked first: one that does not compile leaves the
    // chain to render node by node before any input is drawn. It is linked
    // only if drawn (each program drawn is compiled again for the machine).
    QString log;
    QString generalText = plan.source(top, bytes, nullptr);
    if (!gl.compiles(generalText, &log)) {
        traceNote(QStringLiteral("fused program does not compile: ") + log.simplified());
        return {};
    }
    constexpr GLuint general = ~0u; // until the cells left to it are known
    std::vector<PassSampler> samplers;
    if (!plan.renderInputs(samplers))
        return {};
    const bool filling = bytes && into;
    // Kept in 8-bit sRGB, a photo's part is its bytes as they are: copied
    // into the texture (in the photo's byte order, the drawn parts too).
    const bool keeping = srgb && !bytes;
    const bool swapped = keeping && plan.copiesSwapped(samplers);
    if (swapped)
        generalText = plan.source(top, bytes, nullptr, true);
    const PlanCells cells(plan, top, bytes, (filling || keeping) && texelCopiesEnabled(), swapped);
    std::vector<PassPiece> pieces = cutPieces(gl, cells, general, g_partShare);
    const PassLabel label("fused");
    // Filling the caller's rows: bands of about 4 MB.
    const int bandRows = filling ? std::clamp((4 << 20) / (4 * region.width()), 1, region.height()) : region.height();
    TexturePtr target = bytes  ? gl.byteTexture(region.width(), bandRows)
                      : srgb ? gl.srgbTexture(region.width(), region.height())
                             : gl.floatTexture(region.width(), region.height());
    if (!target)
        return {};
    if (keeping) {
        // Read as its bytes are kept (a pooled one may have been swapped).
        glBindTexture(GL_TEXTURE_2D, target->id);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_R, swapped ? GL_BLUE : GL_RED);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_B, swapped ? GL_RED : GL_BLUE);
    }
    std::vector<TexelCopy> copies;
    // Copied pieces are the read-back's (merged runs of two photos' cells
    // are drawn after all).
    for (PassPiece& piece : pieces) {
        if (piece.program != kCopiedPiece)
            continue;
        const QRect& v = piece.viewport;
        const Box centre{region.x() + v.x() + 0.5, region.y() + v.y() + 0.5, region.x() + v.right() + 0.5,
                         region.y() + v.bottom() + 0.5};
        const Fn* read = plan.copiedRead(top, centre);
        const PassSampler* s = read ? &samplers[size_t(read->slot)] : nullptr;
        const TexturePtr from = s ? s->rendered.texture : nullptr;
        if (from && (!keeping || swappedBytes(*from) == swapped)) {
            copies.push_back({from, v.topLeft() + read->copyOffset, v});
            if (copiedParts && s->node)
                copiedParts->push_back({s->node, v.translated(region.topLeft()), s->toInput});
        } else
            piece.program = general;
    }
    const auto copied = std::stable_partition(pieces.begin(), pieces.end(),
                                              [](const PassPiece& p) { return p.program != kCopiedPiece; });
    if (tracingPasses() && copied != pieces.end())
        traceNote(QStringLiteral("fused pass %1: %2 pieces copied by the read-back").arg(gl.passCount() + 1).arg(pieces.end() - copied));
    pieces.erase(copied, pieces.end());
    // The cells left to the general text get the text for the box around
    // them: reads by their measured modes, tests that hold there left out.
    Box rest = Box::none();
    for (const PassPiece& piece : pieces)
        if (piece.program == general) {
            const QRect& v = piece.viewport;
            rest = rest | Box{region.x() + v.x() + 0.5, region.y() + v.y() + 0.5, region.x() + v.right() + 0.5,
                              region.y() + v.bottom() + 0.5};
        }
    if (!rest.isEmpty()) {
        GLuint around = gl.program(plan.source(top, bytes, &rest, swapped));
        if (!around)
            around = gl.program(generalText);
        if (!around)
            return {};
        for (PassPiece& piece : pieces)
            if (piece.program == general)
                piece.program = around;
    }
    const auto uniforms = [&](GLuint p) { plan.setUniforms(p); };
    if (!filling) {
        drawPieces(gl, *target, QRectF(region), pieces, samplers, uniforms);
        copyTexels(gl, copies, *target);
    } else {
        // Each band relative to the pass's origin (the plan's uniforms are),
        // drawn and read straight into the caller's rows.
        const QPointF origin = passOrigin(QRectF(region));
        glPixelStorei(GL_PACK_ROW_LENGTH, into->rowPixels);
        for (int y0 = 0; y0 < region.height(); y0 += bandRows) {
            const int rows = std::min(bandRows, region.height() - y0);
            std::vector<PassPiece> band;
            for (const PassPiece& piece : pieces)
                if (const QRect v = piece.viewport & QRect(0, y0, region.width(), rows); !v.isEmpty())
                    band.push_back({piece.program, v.translated(0, -y0)});
            drawPieces(gl, *target, QRectF(region.x(), region.y() + y0, region.width(), bandRows), band, samplers,
                       uniforms, &origin, y0 == 0);
            gl.bindTarget(*target);
            if (!gl.rehearsing())
                glReadPixels(0, 0, region.width(), rows, GL_RGBA, GL_UNSIGNED_BYTE,
                             into->rows + qsizetype(y0) * into->rowPixels * 4);
        }
        glPixelStorei(GL_PACK_ROW_LENGTH, 0);
        readBackCopies(gl, copies, *into);
        into->filled = true;
    }
    if (tracingPasses()) {
        QSet<GLuint> programs;
        for (const PassPiece& piece : pieces)
            programs.insert(piece.program);
        traceNote(QStringLiteral("fused pass %1: %2 pieces, %3 programs").arg(gl.passCount()).arg(pieces.size()).arg(programs.size()));
    }
    return {target, QRectF(region)};
}

} // namespace Engine
