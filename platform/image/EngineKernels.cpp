#include "platform/image/EngineKernels.h"

#include "platform/image/CIKernel.h"
#include "platform/image/EngineOptimiser.h"

namespace Engine {

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

QRectF KernelNode::opaqueArea() const
{
    if (m_alphaOf < 0)
        return {};
    const CIImage& input = m_samplers[size_t(m_alphaOf)].image();
    if (!input.node())
        return {};
    QRectF known = CIGeometry::intersect(input.node()->opaqueArea(), m_extent);
    if (!m_definition.isNull())
        known = CIGeometry::intersect(known, m_definition.extent());
    return CIGeometry::wholePixelsInside(known);
}

void KernelNode::forEachInput(const std::function<void(const CIImage&)>& visit) const
{
    for (const CISampler& s : m_samplers)
        visit(s.image());
}

Rendered KernelNode::render(GL& gl, const QRect& region, double detail) const
{
    QRect out = clip(region, m_extent);
    if (!m_definition.isNull())
        out = clip(out, m_definition.extent());
    if (out.isEmpty())
        return {};
    // Fused chains draw at full detail; a routine that reads only at its own
    // point runs on the reduced grid; one that reads elsewhere (an ROI) reads
    // by sampler texels, so it keeps one texel a pixel.
    if (Rendered fused = detail >= 1.0 ? renderFused(gl, *this, out, false) : Rendered{}; !fused.isEmpty())
        return fused;
    return run(gl, out, false, m_roi ? 1.0 : detail);
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

Rendered KernelNode::run(GL& gl, const QRect& out, bool bytes, double detail) const
{
    const DetailGrid grid = detailGrid(out, detail);
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
        const QRectF roi = m_roi ? m_roi(int(i), QRectF(out), m_userInfo) : grid.area;
        passSamplers.push_back(samplerFor(gl, s.image(), roi, s.wrapMode() == CISampler::Wrap::Clamp,
                                          s.filterMode() == CISampler::Filter::Nearest, true, detail));
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
        return runPass(gl, program, grid.area, grid.width, grid.height, passSamplers, setValues);
    drawPass(gl, program, *target, QRectF(out), QRect(0, 0, out.width(), out.height()), false, passSamplers, setValues);
    return {target, QRectF(out)};
}

} // namespace Engine
