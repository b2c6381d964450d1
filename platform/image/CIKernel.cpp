#include "platform/image/CIKernel.h"

#include "platform/image/CIColor.h"
#include "platform/image/CISampler.h"
#include "platform/image/CIVector.h"
#include "platform/image/EngineNodes.h"
#include "platform/image/SRGB.h"
#include "platform/image/KernelTranslation.h"
#include "platform/foundation/Log.h"


namespace {

bool toNumber(const QVariant& v, double& out)
{
    if (!v.isValid())
        return false;
    const int id = v.metaType().id();
    if (id == QMetaType::Double || id == QMetaType::Float || id == QMetaType::Int || id == QMetaType::UInt
        || id == QMetaType::LongLong || id == QMetaType::ULongLong || id == QMetaType::Bool
        || id == QMetaType::Long || id == QMetaType::Short) {
        out = v.toDouble();
        return true;
    }
    return false;
}

bool toVector(const QVariant& v, std::array<float, 4>& out)
{
    out = {0, 0, 0, 0};
    if (v.metaType() == QMetaType::fromType<CIVector>()) {
        const CIVector vec = v.value<CIVector>();
        if (vec.isNull())
            return false;
        for (int i = 0; i < 4; ++i)
            out[size_t(i)] = float(vec.valueAtIndex(i));
        return true;
    }
    if (v.metaType() == QMetaType::fromType<CIColor>()) {
        const CIColor c = v.value<CIColor>();
        if (c.isNull())
            return false;
        out = {float(c.red()), float(c.green()), float(c.blue()), float(c.alpha())};
        return true;
    }
    if (v.metaType() == QMetaType::fromType<QPointF>() || v.metaType() == QMetaType::fromType<QPoint>()) {
        const QPointF p = v.toPointF();
        out = {float(p.x()), float(p.y()), 0, 0};
        return true;
    }
    if (v.metaType() == QMetaType::fromType<QRectF>()) {
        const QRectF r = v.toRectF();
        out = {float(r.x()), float(r.y()), float(r.width()), float(r.height())};
        return true;
    }
    if (v.metaType() == QMetaType::fromType<QVariantList>()) {
        const QVariantList list = v.toList();
        if (list.isEmpty() || list.size() > 4)
            return false;
        for (int i = 0; i < list.size(); ++i) {
            double d = 0;
            if (!toNumber(list[i], d))
                return false;
            out[size_t(i)] = float(d);
        }
        return true;
    }
    return false;
}

bool toRect(const QVariant& v, QRectF& out)
{
    std::array<float, 4> a{};
    if (v.metaType() == QMetaType::fromType<QVariantList>()) {
        const QVariantList list = v.toList();
        if (list.size() != 4)
            return false;
        double d[4];
        for (int i = 0; i < 4; ++i)
            if (!toNumber(list[i], d[i]))
                return false;
        out = QRectF(d[0], d[1], d[2], d[3]);
        return true;
    }
    if (v.metaType() == QMetaType::fromType<CIVector>()) {
        out = v.value<CIVector>().CGRectValue();
        return true;
    }
    if (v.metaType() == QMetaType::fromType<QRectF>() || v.metaType() == QMetaType::fromType<QRect>()) {
        out = v.toRectF();
        return true;
    }
    (void)a;
    return false;
}

} // namespace

QList<std::shared_ptr<CIKernel>> CIKernel::kernelsWithString(const QString& text)
{
    QList<std::shared_ptr<CIKernel>> result;
    Engine::GL* gl = Engine::GL::instance();
    if (!gl)
        return result;
    // A file's routines checked in one compile when they all compile (each
    // is a compile on an empty shader cache, and a file holds many); else
    // each on its own, so that only those that fail are left out.
    const QString whole = KernelTranslation::wholeText(text);
    const bool allCompile = !whole.isEmpty() && gl->compiles(whole);
    for (const KernelTranslation::Routine& routine : KernelTranslation::translate(text)) {
        if (!routine.error.isEmpty()) {
            Log::line(lcImage, QStringLiteral("Error: kernel routine '%1' does not compile: %2").arg(routine.name, routine.error));
            continue;
        }
        auto kernel = std::make_shared<CIKernel>();
        kernel->m_name = routine.name;
        kernel->m_parameters = routine.parameters;
        QString log;
        const bool compiles = allCompile || gl->compiles(routine.source, &log);
        kernel->m_source = routine.source;
        kernel->m_fused = routine.fused;
        kernel->m_readsAnywhere = routine.readsAnywhere;
        kernel->m_helpers = routine.helpers;
        kernel->m_readsDestCoord = routine.readsDestCoord;
        if (!compiles) {
            Log::line(lcImage, QStringLiteral("Error: kernel routine '%1' does not compile: %2")
                                   .arg(routine.name, log.simplified()));
            continue;
        }
        result.append(kernel);
    }
    return result;
}

std::shared_ptr<CIKernel> CIKernel::kernelWithString(const QString& text)
{
    const auto all = kernelsWithString(text);
    return all.isEmpty() ? nullptr : all.first();
}

unsigned CIKernel::programId() const
{
    if (m_program)
        return m_program;
    Engine::GL* gl = Engine::GL::instance();
    if (!gl)
        return 0;
    QString log;
    m_program = gl->program(m_source, &log);
    if (!m_program) // (the driver is asked once; each render asking fails)
        gl->noteFailure(QStringLiteral("kernel routine '%1' does not link: %2").arg(m_name, log.simplified()));
    return m_program;
}

CIImage CIKernel::apply(const QVariantList& arguments, const QVariantMap& options) const
{
    return applyInternal(nullptr, m_roi, arguments, options);
}

CIImage CIKernel::applyWithExtent(const QRectF& extent, ROICallback roi, const QVariantList& arguments,
                                  const QVariantMap& options) const
{
    return applyInternal(&extent, roi, arguments, options);
}

CIImage CIKernel::applyInternal(const QRectF* extentArgument, const ROICallback& roi, const QVariantList& arguments,
                                const QVariantMap& options) const
{
    if (arguments.size() != m_parameters.size()) {
        Log::line(lcImage, QStringLiteral("Error: kernel '%1' takes %2 arguments, not %3")
                               .arg(m_name).arg(m_parameters.size()).arg(arguments.size()));
        return {};
    }
    std::vector<CISampler> samplers;
    std::vector<std::array<float, 4>> values;
    for (int i = 0; i < m_parameters.size(); ++i) {
        const Parameter& p = m_parameters[i];
        const QVariant& a = arguments[i];
        auto wrong = [&](const char* what) {
            Log::line(lcImage, QStringLiteral("Error: kernel '%1' argument '%2' is not %3")
                                   .arg(m_name, p.name, QLatin1String(what)));
            return CIImage();
        };
        std::array<float, 4> value{0, 0, 0, 0};
        double number = 0;
        switch (p.type) {
        case ParameterType::Sampler:
            if (a.metaType() == QMetaType::fromType<CISampler>())
                samplers.push_back(a.value<CISampler>());
            else if (a.metaType() == QMetaType::fromType<CIImage>())
                samplers.push_back(CISampler(a.value<CIImage>()));
            else if (!a.isValid())
                samplers.push_back(CISampler());
            else
                return wrong("a sampler or an image");
            continue;
        case ParameterType::Float:
            if (!toNumber(a, number))
                return wrong("a number");
            value[0] = float(number);
            break;
        case ParameterType::Color:
            if (a.metaType() == QMetaType::fromType<CIColor>() && !a.value<CIColor>().isNull()) {
                const CIColor c = a.value<CIColor>();
                value = Engine::premultipliedLinear(c.red(), c.green(), c.blue(), c.alpha());
            } else {
                return wrong("a colour");
            }
            break;
        default:
            if (!toVector(a, value))
                return wrong("a vector");
            break;
        }
        values.push_back(value);
    }
    CIFilterShape definition;
    const QVariant d = options.value(kCIApplyOptionDefinition);
    if (d.metaType() == QMetaType::fromType<CIFilterShape>())
        definition = d.value<CIFilterShape>();
    else if (d.metaType() == QMetaType::fromType<CIImage>())
        definition = d.value<CIImage>().definition();
    const bool definitionGiven = !definition.isNull();
    if (!definitionGiven) {
        // Where any sampler is defined (without samplers: everywhere).
        definition = CIFilterShape::shapeWithRect(samplers.empty() ? CIGeometry::infiniteRect() : QRectF());
        for (const CISampler& s : samplers)
            definition = definition.unionWith(s.definition());
    }
    QRectF extent = definition.extent();
    if (extentArgument) {
        extent = *extentArgument;
    } else if (options.contains(kCIApplyOptionExtent)) {
        if (!toRect(options.value(kCIApplyOptionExtent), extent)) {
            Log::line(lcImage, QStringLiteral("Error: kernel '%1' was given an extent that is no rectangle").arg(m_name));
            return {};
        }
    }
    if (CIGeometry::isEmpty(extent))
        extent = QRectF();
    bool alphaGiven = false;
    const int alphaOf = options.value(kCIApplyOptionAlphaOf).toInt(&alphaGiven);
    auto node = std::make_shared<Engine::KernelNode>(shared_from_this(), std::move(samplers), std::move(values), extent,
                                                     definitionGiven ? definition : CIFilterShape(), roi,
                                                     options.value(kCIApplyOptionUserInfo));
    if (alphaGiven)
        node->setAlphaOf(alphaOf);
    return CIImage(std::move(node));
}
