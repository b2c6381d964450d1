#pragma once
// How a kernel routine reads an image: the image, what lies outside its
// extent (transparent, or its edge pixels repeated), and the filtering.
// A sampler of a null image reads transparent everywhere. Value type.

#include "platform/image/CIImage.h"

#include <QVariantMap>

// Option keys and values of samplerWithImage(image, options).
inline const QString kCISamplerWrapMode = QStringLiteral("wrap_mode");
inline const QString kCISamplerFilterMode = QStringLiteral("filter_mode");
inline const QString kCISamplerWrapBlack = QStringLiteral("black");
inline const QString kCISamplerWrapClamp = QStringLiteral("clamp");
inline const QString kCISamplerFilterLinear = QStringLiteral("linear");
inline const QString kCISamplerFilterNearest = QStringLiteral("nearest");

class CISampler {
public:
    enum class Wrap { None, Clamp };
    enum class Filter { Linear, Nearest };

    CISampler() = default;
    explicit CISampler(const CIImage& image, Wrap wrap = Wrap::None, Filter filter = Filter::Linear)
        : m_image(image), m_wrap(wrap), m_filter(filter) {}
    static CISampler samplerWithImage(const CIImage& image) { return CISampler(image); }
    // Options: kCISamplerWrapMode (black or clamp), kCISamplerFilterMode
    // (linear or nearest); unknown values keep the defaults.
    static CISampler samplerWithImage(const CIImage& image, const QVariantMap& options);

    const CIImage& image() const { return m_image; }
    Wrap wrapMode() const { return m_wrap; }
    Filter filterMode() const { return m_filter; }
    // The image's extent, infinite when clamping.
    QRectF extent() const;
    CIFilterShape definition() const;

private:
    CIImage m_image;
    Wrap m_wrap = Wrap::None;
    Filter m_filter = Filter::Linear;
};

Q_DECLARE_METATYPE(CISampler)
