#pragma once
// A kernel routine compiled from text in the engine's kernel language (a
// small dialect of GLSL, documented in docs/kernel-language.md). A text may
// define several routines `kernel vec4 name(sampler a, float x, ...)` and any
// helper functions. Kernels are shared (std::shared_ptr); they are immutable
// except for the region-of-interest callback. Main thread only.

#include "platform/image/CIImage.h"

#include <QList>
#include <QMetaType>
#include <QVariant>

#include <functional>
#include <memory>

// Option keys of apply().
inline const QString kCIApplyOptionDefinition = QStringLiteral("definition");
inline const QString kCIApplyOptionExtent = QStringLiteral("extent");
inline const QString kCIApplyOptionUserInfo = QStringLiteral("user_info");
// The index of a sampler (among the samplers, 0-based) whose alpha the routine
// returns unchanged at each point: the output is then known opaque where that
// input is, as a photo is, so that nothing under it needs drawing.
inline const QString kCIApplyOptionAlphaOf = QStringLiteral("alpha_of");

class CIKernel : public std::enable_shared_from_this<CIKernel> {
public:
    // Which rectangle of sampler `samplerIndex` (0-based, in the order of the
    // samplers among the routine's parameters) the destination rectangle
    // needs; userInfo is what kCIApplyOptionUserInfo carried.
    using ROICallback = std::function<QRectF(int samplerIndex, const QRectF& destRect, const QVariant& userInfo)>;

    enum class ParameterType { Sampler, Float, Vec2, Vec3, Vec4, Color };
    struct Parameter {
        ParameterType type;
        QString name;
    };

    // Every routine of the text that compiles, in the order of the text. A
    // routine that does not compile is left out after one "Error: " line
    // with its name and the compiler's log. Empty (logged) without EGL.
    static QList<std::shared_ptr<CIKernel>> kernelsWithString(const QString& text);
    // The first routine of the text, or nullptr.
    static std::shared_ptr<CIKernel> kernelWithString(const QString& text);

    QString name() const { return m_name; }
    const QList<Parameter>& parameters() const { return m_parameters; }

    // The platform's setROISelector:. Without one, each sampler is read in
    // the destination rectangle itself.
    void setROICallback(ROICallback callback) { m_roi = std::move(callback); }

    // Applies the routine. `arguments` follow the routine's parameters:
    // sampler <- CISampler or CIImage (null reads transparent); float <- any
    // number; vec2/vec3/vec4 <- CIVector (vec4 also CIColor's components,
    // vec2 QPointF); __color <- CIColor (converted to linear premultiplied).
    // Options: kCIApplyOptionExtent (four numbers x y w h as a QVariantList,
    // a CIVector or a QRectF), kCIApplyOptionDefinition (CIFilterShape or
    // CIImage), kCIApplyOptionUserInfo (any value for the ROI callback),
    // kCIApplyOptionAlphaOf (a sampler index; out of range is ignored).
    // Without an extent the definition's rectangle is used; without a
    // definition, the first sampler's (infinite when there is none).
    // null (one "Error: " line) on a wrong argument count or type.
    CIImage apply(const QVariantList& arguments, const QVariantMap& options = {}) const;
    // The same with an explicit extent and ROI callback (the kernel's own is not used).
    CIImage applyWithExtent(const QRectF& extent, ROICallback roi, const QVariantList& arguments,
                            const QVariantMap& options = {}) const;

    // Engine side: the linked GL program and its fragment shader text. The
    // text is checked when the kernel is made and linked on the first call
    // here, so that routines never drawn cost no link; 0 (logged, and the
    // render recorded as failed) when it does not link.
    unsigned programId() const;
    const QString& shaderSource() const { return m_source; }
    // For fused passes (see KernelTranslation::Routine): the routine as a
    // function (empty: not fusable), which samplers it reads elsewhere than
    // at their own point, the text's helpers, and whether the text reads
    // destCoord().
    const QString& fusedSource() const { return m_fused; }
    const QList<bool>& samplerReadsAnywhere() const { return m_readsAnywhere; }
    const QString& helperSource() const { return m_helpers; }
    bool readsDestCoord() const { return m_readsDestCoord; }

private:
    CIImage applyInternal(const QRectF* extent, const ROICallback& roi, const QVariantList& arguments,
                          const QVariantMap& options) const;
    QString m_name;
    QList<Parameter> m_parameters;
    ROICallback m_roi;
    mutable unsigned m_program = 0;
    QString m_source;
    QString m_fused;
    QList<bool> m_readsAnywhere;
    QString m_helpers;
    bool m_readsDestCoord = false;
};

using CIKernelPtr = std::shared_ptr<CIKernel>;
Q_DECLARE_METATYPE(CIKernelPtr)
