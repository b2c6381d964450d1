#include "platform/image/KernelTranslation.h"

#include "platform/image/EngineNodes.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

// The dialect's built-ins on top of the engine's sampler slots.
const char* const kBuiltins = R"(
struct _ciSampler { int i; };
vec4 _ci_sample(_ciSampler s, vec2 p) { return _ci_texel(s.i, p); }
vec2 samplerTransform(_ciSampler s, vec2 p) { return _ci_toTexel(s.i, p - _ci_origin); }
vec2 samplerCoord(_ciSampler s) { return _ci_toTexel(s.i, _ci_dc); }
vec4 samplerExtent(_ciSampler s) { return _ci_ext[s.i]; }
vec2 samplerOrigin(_ciSampler s) { return _ci_ext[s.i].xy; }
vec2 samplerSize(_ciSampler s) { return _ci_ext[s.i].zw; }
vec2 destCoord() { return _ci_dc + _ci_origin; }
vec4 premultiply(vec4 c) { return vec4(c.rgb * c.a, c.a); }
vec4 unpremultiply(vec4 c) { return c.a > 0.0 ? vec4(c.rgb / c.a, c.a) : vec4(0.0); }
float compare(float x, float a, float b) { return x < 0.0 ? a : b; }
vec2 compare(vec2 x, vec2 a, vec2 b) { return mix(b, a, vec2(lessThan(x, vec2(0.0)))); }
vec3 compare(vec3 x, vec3 a, vec3 b) { return mix(b, a, vec3(lessThan(x, vec3(0.0)))); }
vec4 compare(vec4 x, vec4 a, vec4 b) { return mix(b, a, vec4(lessThan(x, vec4(0.0)))); }
vec3 srgbEncode(vec3 c) {
    c = clamp(c, 0.0, 1.0);
    return mix(c * 12.92, 1.055 * pow(c, vec3(1.0 / 2.4)) - 0.055, step(vec3(0.0031308), c));
}
vec3 srgbDecode(vec3 c) {
    c = clamp(c, 0.0, 1.0);
    return mix(c / 12.92, pow((c + 0.055) / 1.055, vec3(2.4)), step(vec3(0.04045), c));
}
vec3 rgbToHsv(vec3 c) {
    float mx = max(c.r, max(c.g, c.b));
    float d = mx - min(c.r, min(c.g, c.b));
    float h = 0.0;
    if (d > 0.0) {
        if (mx == c.r)
            h = (c.g - c.b) / d;
        else if (mx == c.g)
            h = 2.0 + (c.b - c.r) / d;
        else
            h = 4.0 + (c.r - c.g) / d;
        h = fract(h / 6.0);
    }
    return vec3(h, mx > 0.0 ? d / mx : 0.0, mx);
}
vec3 hsvToRgb(vec3 c) {
    vec3 k = clamp(abs(fract(c.x + vec3(1.0, 2.0 / 3.0, 1.0 / 3.0)) * 6.0 - 3.0) - 1.0, 0.0, 1.0);
    return c.z * mix(vec3(1.0), k, c.y);
}
)";

// The text with comments blanked out (line breaks kept, so that compiler
// line numbers stay those of the text).
QString withoutComments(const QString& text)
{
    QString out = text;
    const qsizetype n = out.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (out[i] == u'/' && i + 1 < n && out[i + 1] == u'/') {
            while (i < n && out[i] != u'\n')
                out[i++] = u' ';
        } else if (out[i] == u'/' && i + 1 < n && out[i + 1] == u'*') {
            out[i] = out[i + 1] = u' ';
            i += 2;
            while (i < n && !(out[i] == u'*' && i + 1 < n && out[i + 1] == u'/')) {
                if (out[i] != u'\n')
                    out[i] = u' ';
                ++i;
            }
            if (i < n)
                out[i] = u' ';
            if (i + 1 < n)
                out[i + 1] = u' ';
            ++i;
        }
    }
    return out;
}

struct Span {
    QString name;
    QString parameterText;
    qsizetype start = 0;   // of "kernel"
    qsizetype keywordLength = 0;
    qsizetype end = 0;     // after the closing brace
};

QList<Span> findRoutines(const QString& code)
{
    static const QRegularExpression header(
        QStringLiteral(R"(\bkernel\s+vec4\s+([A-Za-z_]\w*)\s*\(([^)]*)\)\s*\{)"));
    QList<Span> routines;
    auto it = header.globalMatch(code);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        Span r;
        r.name = m.captured(1);
        r.parameterText = m.captured(2);
        r.start = m.capturedStart(0);
        r.keywordLength = 6;
        qsizetype depth = 1;
        qsizetype i = m.capturedEnd(0);
        while (i < code.size() && depth > 0) {
            if (code[i] == u'{')
                ++depth;
            else if (code[i] == u'}')
                --depth;
            ++i;
        }
        r.end = i;
        routines.append(r);
    }
    return routines;
}

bool parseParameters(const QString& text, QList<CIKernel::Parameter>& out, QString& error)
{
    const QStringList parts = text.split(u',', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        QStringList words = part.simplified().split(u' ', Qt::SkipEmptyParts);
        words.removeAll(QStringLiteral("const"));
        words.removeAll(QStringLiteral("__table"));
        if (words.isEmpty())
            continue;
        if (words.size() != 2) {
            error = QStringLiteral("cannot read parameter '%1'").arg(part.simplified());
            return false;
        }
        const QString& type = words[0];
        CIKernel::ParameterType t;
        if (type == QLatin1String("sampler"))
            t = CIKernel::ParameterType::Sampler;
        else if (type == QLatin1String("float"))
            t = CIKernel::ParameterType::Float;
        else if (type == QLatin1String("vec2"))
            t = CIKernel::ParameterType::Vec2;
        else if (type == QLatin1String("vec3"))
            t = CIKernel::ParameterType::Vec3;
        else if (type == QLatin1String("vec4"))
            t = CIKernel::ParameterType::Vec4;
        else if (type == QLatin1String("__color"))
            t = CIKernel::ParameterType::Color;
        else {
            error = QStringLiteral("parameter '%1' has the unknown type '%2'").arg(words[1], type);
            return false;
        }
        out.append({t, words[1]});
    }
    return true;
}

QString glslType(CIKernel::ParameterType t)
{
    switch (t) {
    case CIKernel::ParameterType::Float: return QStringLiteral("float");
    case CIKernel::ParameterType::Vec2: return QStringLiteral("vec2");
    case CIKernel::ParameterType::Vec3: return QStringLiteral("vec3");
    case CIKernel::ParameterType::Sampler: return QStringLiteral("_ciSampler");
    default: return QStringLiteral("vec4");
    }
}

// Dialect words to GLSL, whole words only.
QString translateWords(QString code)
{
    static const QRegularExpression sampler(QStringLiteral(R"(\bsampler\b)"));
    static const QRegularExpression color(QStringLiteral(R"(\b__color\b|\b__sample\b)"));
    static const QRegularExpression table(QStringLiteral(R"(\b__table\b)"));
    static const QRegularExpression sample(QStringLiteral(R"(\bsample(\s*\())"));
    code.replace(sampler, QStringLiteral("_ciSampler"));
    code.replace(color, QStringLiteral("vec4"));
    code.replace(table, QString());
    code.replace(sample, QStringLiteral("_ci_sample\\1"));
    return code;
}

// `span` as a plain function for fused passes: a sampler used only as
// sample(s, samplerCoord(s)) becomes its colour at the pixel (a vec4), any
// other stays a sampler (conservative: any other mention keeps it one);
// `anywhere` says which stayed. Empty when the body cannot be found.
QString fusedFunction(const QString& code, const Span& span, const QList<CIKernel::Parameter>& parameters,
                      QList<bool>& anywhere)
{
    const qsizetype open = code.indexOf(u'{', span.start);
    if (open < 0 || open >= span.end)
        return {};
    QString body = code.mid(open, span.end - open);
    QStringList signature;
    for (const CIKernel::Parameter& p : parameters) {
        if (p.type != CIKernel::ParameterType::Sampler) {
            signature << glslType(p.type) + u' ' + p.name;
            continue;
        }
        const QString n = QRegularExpression::escape(p.name);
        const QRegularExpression read(QStringLiteral(R"(\bsample\s*\(\s*%1\s*,\s*samplerCoord\s*\(\s*%1\s*\)\s*\))").arg(n));
        const QRegularExpression mention(QStringLiteral(R"(\b%1\b)").arg(n));
        qsizetype reads = 0, mentions = 0;
        for (auto it = read.globalMatch(body); it.hasNext(); it.next())
            ++reads;
        for (auto it = mention.globalMatch(body); it.hasNext(); it.next())
            ++mentions;
        const bool pointwise = mentions == 2 * reads;
        anywhere.append(!pointwise);
        signature << (pointwise ? QStringLiteral("vec4 ") : QStringLiteral("_ciSampler ")) + p.name;
        if (pointwise)
            body.replace(read, p.name);
    }
    return QStringLiteral("vec4 _ci_routine(%1) ").arg(signature.join(QStringLiteral(", "))) + translateWords(body) + u'\n';
}

} // namespace

namespace KernelTranslation {

QString builtins()
{
    return QString::fromLatin1(kBuiltins);
}

QList<Routine> translate(const QString& text)
{
    QList<Routine> result;
    const QString code = withoutComments(text);
    const QList<Span> spans = findRoutines(code);
    QString helpers = code;
    for (const Span& span : spans)
        for (qsizetype i = span.start; i < span.end; ++i)
            if (helpers[i] != u'\n')
                helpers[i] = u' ';
    helpers = translateWords(helpers);
    static const QRegularExpression destCoord(QStringLiteral(R"(\bdestCoord\b)"));
    const bool readsDestCoord = code.contains(destCoord);
    for (const Span& span : spans) {
        Routine routine;
        routine.name = span.name;
        if (!parseParameters(span.parameterText, routine.parameters, routine.error)) {
            result.append(routine);
            continue;
        }
        // This routine's program keeps the helpers and blanks the other routines.
        QString body = code;
        for (const Span& other : spans) {
            const qsizetype from = other.start;
            const qsizetype length = (&other == &span) ? other.keywordLength : other.end - other.start;
            for (qsizetype i = from; i < from + length; ++i)
                if (body[i] != u'\n')
                    body[i] = u' ';
        }
        QString uniforms, call;
        for (int i = 0; i < routine.parameters.size(); ++i) {
            const CIKernel::Parameter& p = routine.parameters[i];
            if (!call.isEmpty())
                call += QStringLiteral(", ");
            if (p.type == CIKernel::ParameterType::Sampler) {
                call += QStringLiteral("_ciSampler(%1)").arg(routine.samplerCount++);
            } else {
                uniforms += QStringLiteral("uniform %1 _ci_arg%2;\n").arg(glslType(p.type)).arg(i);
                call += QStringLiteral("_ci_arg%1").arg(i);
            }
        }
        routine.source = QStringLiteral("#version 300 es\nprecision highp float;\nprecision highp int;\nprecision highp sampler2D;\n")
            + QString::fromLatin1(Engine::kShaderPrelude) + Engine::samplerDeclarations(routine.samplerCount)
            + QString::fromLatin1(kBuiltins) + uniforms
            + QStringLiteral("layout(location = 0) out vec4 _ci_out;\n#line 1\n") + translateWords(body)
            + QStringLiteral("\nvoid main() {\n    _ci_dc = _ci_dest.xy + gl_FragCoord.xy * _ci_dest.zw;\n"
                             "    _ci_out = %1(%2);\n}\n")
                  .arg(routine.name, call);
        routine.fused = fusedFunction(code, span, routine.parameters, routine.readsAnywhere);
        routine.helpers = helpers;
        routine.readsDestCoord = readsDestCoord;
        result.append(routine);
    }
    return result;
}

QString wholeText(const QString& text)
{
    const QString code = withoutComments(text);
    const QList<Span> spans = findRoutines(code);
    if (spans.size() < 2)
        return {};
    QString body = code;
    int samplers = 0;
    for (const Span& span : spans) {
        QList<CIKernel::Parameter> parameters;
        QString error;
        if (!parseParameters(span.parameterText, parameters, error))
            return {};
        samplers = std::max(samplers, int(std::count_if(parameters.cbegin(), parameters.cend(), [](const CIKernel::Parameter& p) {
                                          return p.type == CIKernel::ParameterType::Sampler;
                                      })));
        // A routine that names another compiles only beside it.
        const QRegularExpression named(QStringLiteral(R"(\b%1\b)").arg(QRegularExpression::escape(span.name)));
        for (const Span& other : spans)
            if (&other != &span && code.mid(other.start, other.end - other.start).contains(named))
                return {};
        for (qsizetype i = span.start; i < span.start + span.keywordLength; ++i)
            body[i] = u' ';
    }
    return QStringLiteral("#version 300 es\nprecision highp float;\nprecision highp int;\nprecision highp sampler2D;\n")
        + QString::fromLatin1(Engine::kShaderPrelude) + Engine::samplerDeclarations(samplers)
        + QString::fromLatin1(kBuiltins) + QStringLiteral("layout(location = 0) out vec4 _ci_out;\n#line 1\n")
        + translateWords(body);
}

} // namespace KernelTranslation
