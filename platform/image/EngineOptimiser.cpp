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

#include <cmath>
#include <cstdio>

namespace Engine {

namespace {

// SUNNYSIDE_FUSION=0 turns it off, to measure what it saves.
bool g_enabled = qEnvironmentVariable("SUNNYSIDE_FUSION") != QLatin1String("0");
// Sampler slots of one fused pass (OpenGL ES 3.0 guarantees 16).
constexpr int kMaxReads = 16;

const char* const kFusedHelpers = R"(
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

// One fused pass in the making: the program text grows while the chain is
// walked; inputs are only noted, and rendered once the program compiles.
class Plan {
public:
    Plan(GL& gl, const QRect& region) : m_gl(gl), m_origin(passOrigin(QRectF(region))) {}

    // The name of a function `vec4 f(vec2 p)` giving `image` at p (the
    // root's world, relative to the pass origin); `toNode` maps the root's
    // world into the image's, `need` is the root's region it is read over.
    QString node(const CIImage& image, const QRectF& need, const QTransform& toNode, bool nearest = false,
                 const KernelNode* reader = nullptr, int index = 0)
    {
        const ImageNode* n = image.node().get();
        if (!n || CIGeometry::isEmpty(need))
            return function(QStringLiteral("return vec4(0.0);"));
        if (m_visits++ > 0 && sharedInRender(n))
            return read(image, need, toNode, false, nearest, reader, index);
        if (auto* k = dynamic_cast<const KernelNode*>(n))
            return kernel(*k, need, toNode);
        if (auto* o = dynamic_cast<const SourceOverNode*>(n))
            return sourceOver(*o, need, toNode);
        if (auto* c = dynamic_cast<const CropNode*>(n)) {
            ++m_saved;
            const QRectF r = rootRect(QRectF(c->rect), toNode);
            const QString in = node(c->input, CIGeometry::intersect(need, r), toNode, nearest);
            return function(QStringLiteral("return _ci_inside(p, %1) ? %2(p) : vec4(0.0);").arg(rect(r), in));
        }
        if (auto* c = dynamic_cast<const ColorNode*>(n))
            return function(QStringLiteral("return %1;").arg(value("vec4", c->color, 4)));
        if (auto* g = dynamic_cast<const GaussianBlurNode*>(n)) {
            std::array<float, 4> color{};
            QRect r;
            if (g->constantRect(&color, &r)) {
                ++m_saved;
                const QRectF inside = rootRect(QRectF(toRect(g->extent())), toNode);
                return function(QStringLiteral("return _ci_inside(p, %1) ? _ci_blurredRect(p, %2, %3, %4) : vec4(0.0);")
                                    .arg(rect(inside), value("vec4", color, 4), rect(rootRect(QRectF(r), toNode)),
                                         value("float", {float(1.0 / (g->sigma * std::sqrt(2.0)))}, 1)));
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

    QString source(const QString& root, bool bytes) const
    {
        QString s = QStringLiteral("#version 300 es\nprecision highp float;\nprecision highp int;\nprecision highp sampler2D;\n")
            + QString::fromLatin1(kShaderPrelude) + samplerDeclarations(int(m_reads.size()))
            + KernelTranslation::builtins() + QString::fromLatin1(kFusedHelpers)
            + QStringLiteral("layout(location = 0) out vec4 _ci_out;\n") + m_uniforms;
        if (bytes)
            s += QString::fromLatin1(kEncodeBytes);
        for (const QString& h : m_helpers)
            s += h;
        s += m_routines + m_functions;
        s += QStringLiteral("void main() {\n    vec2 p = _ci_dest.xy + gl_FragCoord.xy * _ci_dest.zw;\n    _ci_out = %1;\n}\n")
                 .arg(bytes ? QStringLiteral("_ci_encode8(%1(p))").arg(root) : root + QStringLiteral("(p)"));
        return s;
    }

    // Renders the inputs; false when one failed.
    bool renderInputs(std::vector<PassSampler>& samplers)
    {
        const quint64 failures = m_gl.failureCount();
        for (const auto& r : m_reads)
            samplers.push_back(r());
        return m_gl.failureCount() == failures;
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

    QString function(const QString& body)
    {
        const QString name = QStringLiteral("_ci_f%1").arg(m_count++);
        m_functions += QStringLiteral("vec4 %1(vec2 p) {\n    %2\n}\n").arg(name, body);
        return name;
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
    QString read(const CIImage& image, const QRectF& need, const QTransform& toNode, bool clamp, bool nearest,
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
        const int i = int(m_reads.size()) - 1;
        return function(QStringLiteral("return _ci_texel(%1, _ci_toTexel(%1, p));").arg(i));
    }

    // A scaled move read straight from its (averaged) input: what its own
    // pass would draw, without drawing it.
    QString scaled(const TransformNode& t, const QRectF& need, const QTransform& toNode)
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
        const int i = int(m_reads.size()) - 1;
        const QRectF e = rootRect(QRectF(toRect(t.extent())), toNode);
        return function(QStringLiteral("return _ci_inside(p, %2) ? _ci_texel(%1, _ci_toTexel(%1, p)) : vec4(0.0);")
                            .arg(i)
                            .arg(rect(e)));
    }

    QString sourceOver(const SourceOverNode& o, const QRectF& need, const QTransform& toNode)
    {
        ++m_saved;
        const QRectF over = rootRect(QRectF(toRect(o.foreground.extent())), toNode);
        const QString f = node(o.foreground, CIGeometry::intersect(need, over), toNode);
        const QString b = node(o.background, need, toNode);
        // An opaque foreground hides the background: not evaluated there.
        return function(QStringLiteral("vec4 f = _ci_inside(p, %1) ? %2(p) : vec4(0.0);\n"
                                       "    if (f.a >= 1.0) return f;\n    return f + %3(p) * (1.0 - f.a);")
                            .arg(rect(over), f, b));
    }

    QString kernel(const KernelNode& k, const QRectF& need, const QTransform& toNode)
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
            const QString in = s.wrapMode() == CISampler::Wrap::Clamp
                                   ? read(s.image(), out, toNode, true, nearest, &k, samplerIndex)
                                   : node(s.image(), out, toNode, nearest, &k, samplerIndex);
            reads << QStringLiteral("vec4 s%1 = %2(p);").arg(samplerIndex).arg(in);
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
        return function(QStringLiteral("if (!_ci_inside(p, %1)) return vec4(0.0);\n    %2\n    %3return %4(%5);")
                            .arg(rect(inside), reads.join(QStringLiteral("\n    ")),
                                 routine.readsDestCoord() ? QStringLiteral("_ci_dc = p;\n    ") : QString(), name,
                                 arguments.join(QStringLiteral(", "))));
    }

    GL& m_gl;
    QPointF m_origin;
    int m_count = 0;
    int m_visits = 0;
    int m_saved = 0;
    QString m_uniforms, m_routines, m_functions;
    QStringList m_helpers;
    QHash<QString, QString> m_routineNames;
    std::vector<Uniform> m_values;
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

Rendered renderFused(GL& gl, const ImageNode& root, const QRect& region, bool bytes)
{
    if (!g_enabled || region.isEmpty())
        return {};
    Plan plan(gl, region);
    // The root as an image that does not own it: the walk only reads it.
    const CIImage image(std::shared_ptr<const ImageNode>(std::shared_ptr<const ImageNode>(), &root));
    const QString top = plan.node(image, QRectF(region), QTransform());
    if (plan.saved() < 2 || plan.full())
        return {};
    QString log;
    const GLuint program = gl.program(plan.source(top, bytes), &log);
    if (!program) {
        if (tracingPasses())
            std::fprintf(stderr, "fused program does not compile: %s\n", qPrintable(log.simplified()));
        return {};
    }
    std::vector<PassSampler> samplers;
    if (!plan.renderInputs(samplers))
        return {};
    const PassLabel label("fused");
    const auto uniforms = [&](GLuint p) { plan.setUniforms(p); };
    if (!bytes)
        return runPass(gl, program, QRectF(region), region.width(), region.height(), samplers, uniforms);
    TexturePtr target = gl.byteTexture(region.width(), region.height());
    if (!target)
        return {};
    drawPass(gl, program, *target, QRectF(region), QRect(0, 0, region.width(), region.height()), false, samplers,
             uniforms);
    return {target, QRectF(region)};
}

} // namespace Engine
