#pragma once
// Internal to the image engine: the node that runs a kernel routine.
// Main thread only.

#include "platform/image/EnginePasses.h"

#include <QVariant>

class CIKernel;

namespace Engine {

using ROIFunction = std::function<QRectF(int, const QRectF&, const QVariant&)>;

class KernelNode final : public ImageNode {
public:
    KernelNode(std::shared_ptr<const CIKernel> kernel, std::vector<CISampler> samplers,
               std::vector<std::array<float, 4>> values, const QRectF& extent, const CIFilterShape& definition,
               ROIFunction roi, const QVariant& userInfo);
    CIFilterShape definition() const override
    {
        return m_definition.isNull() ? CIFilterShape::shapeWithRect(m_extent) : m_definition;
    }
    Rendered render(GL& gl, const QRect& region, double detail) const override;
    Rendered renderBytes(GL& gl, const QRect& region) const override;
    void forEachInput(const std::function<void(const CIImage&)>& visit) const override;
    // For the optimiser: the routine, its samplers and other values (in
    // the order of its parameters), and what sampler `i` needs for `out`.
    const CIKernel& kernel() const { return *m_kernel; }
    const std::vector<CISampler>& samplers() const { return m_samplers; }
    const std::vector<std::array<float, 4>>& values() const { return m_values; }
    QRectF inputRegion(int i, const QRectF& out) const { return m_roi ? m_roi(i, out, m_userInfo) : out; }
    // Sampler `i`'s alpha is the output's (kCIApplyOptionAlphaOf); -1: unknown.
    void setAlphaOf(int i) { m_alphaOf = i >= 0 && size_t(i) < m_samplers.size() ? i : -1; }
    QRectF opaqueArea() const override;

private:
    Rendered run(GL& gl, const QRect& out, bool bytes, double detail = 1.0) const;
    std::shared_ptr<const CIKernel> m_kernel;
    std::vector<CISampler> m_samplers;
    std::vector<std::array<float, 4>> m_values;
    CIFilterShape m_definition;
    ROIFunction m_roi;
    QVariant m_userInfo;
    int m_alphaOf = -1;
};

} // namespace Engine
