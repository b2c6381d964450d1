#pragma once
// Internal to the image engine: the nodes that make pixels from nothing but
// their own data. Main thread only.

#include "platform/image/EnginePasses.h"

namespace Engine {

// Pixels from a bitmap or a file; RGBA 8-bit sRGB unpremultiplied in memory,
// converted to linear premultiplied floats on upload of the needed part.
class SourceNode final : public ImageNode {
public:
    static std::shared_ptr<SourceNode> fromImage(const QImage& image);
    static std::shared_ptr<SourceNode> fromFile(const QString& path); // nullptr logged
    Rendered render(GL& gl, const QRect& region, double detail) const override;
    // How many times a file was decoded and at which scale (tests, benchmarks).
    int decodeCount() const { return m_decodeCount; }
    QSize lastDecodedSize() const { return m_decoded.size(); }

private:
    using ImageNode::ImageNode;
    QImage decoded(double detail) const;
    QString m_path;
    QSize m_fileSize; // stored (unrotated) size of the file
    mutable QImage m_decoded;
    mutable int m_decodedDenominator = 0; // the reduction of m_decoded
    mutable int m_decodeCount = 0;
    mutable Rendered m_whole; // the whole decoded picture, converted
    mutable double m_wholeDetail = 0;
};

class ColorNode final : public ImageNode {
public:
    explicit ColorNode(const std::array<float, 4>& premultipliedLinear);
    Rendered render(GL& gl, const QRect& region, double detail) const override;
    std::array<float, 4> color;
};

// An already rendered texture (accumulators).
class TextureNode final : public ImageNode {
public:
    explicit TextureNode(const Rendered& rendered, const QRectF& extent);
    Rendered render(GL& gl, const QRect& region, double detail) const override;
    Rendered rendered;
};

} // namespace Engine
