#pragma once
// Internal to the image engine: the nodes of the render graph behind CIImage
// and the passes that render them. Main thread only.
//
// Rendering contract: node.render(gl, region, detail) returns a texture
// covering at least region ∩ extent (it may cover more), with everything
// outside the covered area meaning transparent. `detail` (0..1] is how many
// texels per pixel the consumer needs; only sources and transforms use it,
// and only they return fewer texels than pixels.

#include "platform/image/CIImage.h"
#include "platform/image/CISampler.h"
#include "platform/image/GLEngine.h"

#include <QVariant>

#include <array>
#include <functional>
#include <memory>
#include <mutex>

class CIKernel;

namespace Engine {

struct Rendered {
    TexturePtr texture;
    QRectF area; // world rectangle the texture covers
    bool isEmpty() const { return !texture; }
    double densityX() const { return texture->width / area.width(); }
    double densityY() const { return texture->height / area.height(); }
};

class ImageNode {
public:
    explicit ImageNode(const QRectF& extent) : m_extent(extent) {}
    virtual ~ImageNode() = default;
    QRectF extent() const { return m_extent; }
    virtual CIFilterShape definition() const { return CIFilterShape::shapeWithRect(m_extent); }
    virtual Rendered render(GL& gl, const QRect& region, double detail) const = 0;
    // The region at full detail, encoded to premultiplied 8-bit sRGB by the
    // node's own last pass into a byte texture covering exactly the region;
    // empty when the node cannot (the caller then converts).
    virtual Rendered renderBytes(GL&, const QRect&) const { return {}; }
    // A rendering of the region that, read bilinearly, gives render()'s
    // pixels: a blur hands over its reduced copy instead of enlarging it.
    virtual Rendered renderSmooth(GL& gl, const QRect& region) const { return render(gl, region, 1.0); }
    // Calls `visit` with each input image (graph walks).
    virtual void forEachInput(const std::function<void(const CIImage&)>&) const {}

protected:
    QRectF m_extent;
};

// While one lives, a node that the recipe under `root` reaches along more
// than one path is rendered once per region and detail and reused; its
// textures are released with the scope. Scopes nest.
class RenderScope {
public:
    explicit RenderScope(const CIImage& root);
    ~RenderScope();
    RenderScope(const RenderScope&) = delete;
    RenderScope& operator=(const RenderScope&) = delete;
    struct Data;

private:
    std::unique_ptr<Data> m_data;
};

// Renders `image` for the region; empty for nil or outside its extent.
Rendered renderImage(GL& gl, const CIImage& image, const QRect& region, double detail = 1.0);
// `image` for exactly `rect` in premultiplied 8-bit sRGB (a byte texture),
// converted in the last pass when the top node can, else by a pass of its own.
Rendered renderBytes(GL& gl, const CIImage& image, const QRect& rect);
// A byte-texture pass's conversion, `vec4 _ci_encode8(vec4 workingColour)`.
extern const char* const kEncodeBytes;

// One sampler slot of a pass: what was rendered and how to read it.
struct PassSampler {
    Rendered rendered;
    QRectF imageExtent;  // for clamping and samplerExtent()
    bool clamp = false;
    bool nearest = false;
    // Reads go through this axis-aligned map (reader's world -> the rendered
    // image's world) and clamp to clampExtent (in the rendered image's world;
    // imageExtent when null). Lets a pass read a moved or clamped image
    // without a pass of its own.
    QTransform toInput;
    QRectF clampExtent;
    // Transparent outside this rectangle (the rendered image's world) when
    // not null: a crop read without a pass of its own.
    QRectF crop;
};

// What a pass needs to read `image` over `roi` (world), folding clamps and
// whole-pixel moves and flips into the read. With `smoothReads` (a pass that
// only reads bilinearly at world positions) a blur is handed over at its
// reduced resolution instead of being enlarged first, and a crop of it is
// read as a mask.
PassSampler samplerFor(GL& gl, const CIImage& image, const QRectF& roi, bool clamp, bool nearest,
                       bool smoothReads = false, double detail = 1.0);

// The GLSL uniforms and functions for `count` sampler slots
// (_ci_texel(i, texelCoord), _ci_toTexel(i, point), _ci_ext[i]) and the
// destination mapping (_ci_dest: point = xy + fragCoord * zw). Points are
// relative to the pass's origin (_ci_origin, a whole number near the area's
// corner; world = point + _ci_origin), so that they stay exact in floats far
// from the world's origin.
QString samplerDeclarations(int count);
// The origin passes are relative to for `area`.
QPointF passOrigin(const QRectF& area);
// Runs `program` into a new float texture of size (width, height) covering
// `area`, with the sampler slots bound; `setUniforms` sets the rest. Sampler
// reads are relative to `readOrigin` when given (a pass that maps its points
// into another world), else to the pass's origin.
Rendered runPass(GL& gl, GLuint program, const QRectF& area, int width, int height,
                 const std::vector<PassSampler>& samplers, const std::function<void(GLuint)>& setUniforms = {},
                 const QPointF* readOrigin = nullptr);
// A pass program from the prelude, `count` slots and the body text; 0 logged on failure.
GLuint passProgram(GL& gl, int count, const char* body);

// The region of an image of extent `extent` that clamping needs to cover `roi`.
QRect clampedRegion(const QRectF& roi, const QRectF& extent);

// --- Sources ---------------------------------------------------------------

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

// --- Geometry --------------------------------------------------------------

class TransformNode final : public ImageNode {
public:
    TransformNode(const CIImage& input, const QTransform& transform);
    void forEachInput(const std::function<void(const CIImage&)>& visit) const override { visit(input); }
    CIFilterShape definition() const override;
    Rendered render(GL& gl, const QRect& region, double detail) const override;
    CIImage input;
    QTransform transform;
};

class CropNode final : public ImageNode {
public:
    CropNode(const CIImage& input, const QRectF& rect);
    Rendered renderBytes(GL& gl, const QRect& region) const override;
    void forEachInput(const std::function<void(const CIImage&)>& visit) const override { visit(input); }
    Rendered render(GL& gl, const QRect& region, double detail) const override;
    CIImage input;
    QRect rect;
};

// The input extended without end by its edge pixels.
class ClampNode final : public ImageNode {
public:
    explicit ClampNode(const CIImage& input);
    void forEachInput(const std::function<void(const CIImage&)>& visit) const override { visit(input); }
    Rendered render(GL& gl, const QRect& region, double detail) const override;
    CIImage input;
};

// The input's extent repeated without end, then transformed.
class TileNode final : public ImageNode {
public:
    TileNode(const CIImage& input, const QTransform& transform);
    void forEachInput(const std::function<void(const CIImage&)>& visit) const override { visit(input); }
    Rendered render(GL& gl, const QRect& region, double detail) const override;
    CIImage input;
    QTransform transform;
};

// --- Kernels ---------------------------------------------------------------

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

private:
    Rendered run(GL& gl, const QRect& out, bool bytes) const;
    std::shared_ptr<const CIKernel> m_kernel;
    std::vector<CISampler> m_samplers;
    std::vector<std::array<float, 4>> m_values;
    CIFilterShape m_definition;
    ROIFunction m_roi;
    QVariant m_userInfo;
};

// `foreground` over `background` (premultiplied source over). The background
// is drawn and the foreground blended onto it only where it has pixels, in
// place when the background's pixels belong to nobody else.
class SourceOverNode final : public ImageNode {
public:
    SourceOverNode(const CIImage& foreground, const CIImage& background);
    void forEachInput(const std::function<void(const CIImage&)>& visit) const override
    {
        visit(foreground);
        visit(background);
    }
    Rendered renderBytes(GL& gl, const QRect& region) const override;
    CIFilterShape definition() const override;
    Rendered render(GL& gl, const QRect& region, double detail) const override;
    CIImage foreground;
    CIImage background;
};

// --- Blurs and reductions --------------------------------------------------

// Gaussian of standard deviation `sigma`, computed on a reduced copy for
// large sigmas so that the cost does not grow with the radius.
class GaussianBlurNode final : public ImageNode {
public:
    GaussianBlurNode(const CIImage& input, double sigma);
    void forEachInput(const std::function<void(const CIImage&)>& visit) const override { visit(input); }
    Rendered render(GL& gl, const QRect& region, double detail) const override;
    // The blurred copy before its enlargement (possibly fewer texels than
    // pixels); bilinear reads of it are what render() draws.
    Rendered renderReduced(GL& gl, const QRect& region) const;
    Rendered renderSmooth(GL& gl, const QRect& region) const override;
    // A blurred constant-colour rectangle (a shadow) has a closed form:
    // the colour times two error-function differences. Its colour and
    // rectangle, when this is one.
    bool constantRect(std::array<float, 4>* color, QRect* rect) const;
    CIImage input;
    double sigma;
};

// Uniform average along a line of length 2 * radius through each pixel.
class MotionBlurNode final : public ImageNode {
public:
    MotionBlurNode(const CIImage& input, double radius, double angle);
    void forEachInput(const std::function<void(const CIImage&)>& visit) const override { visit(input); }
    Rendered render(GL& gl, const QRect& region, double detail) const override;
    Rendered renderSmooth(GL& gl, const QRect& region) const override;
    CIImage input;
    double radius;
    double angle;
};

// Uniform average over a disc.
class DiscBlurNode final : public ImageNode {
public:
    DiscBlurNode(const CIImage& input, double radius);
    void forEachInput(const std::function<void(const CIImage&)>& visit) const override { visit(input); }
    Rendered render(GL& gl, const QRect& region, double detail) const override;
    CIImage input;
    double radius;
};

// One pixel at (0, 0): the mean of the input over `rect` (premultiplied).
class AreaAverageNode final : public ImageNode {
public:
    AreaAverageNode(const CIImage& input, const QRectF& rect);
    void forEachInput(const std::function<void(const CIImage&)>& visit) const override { visit(input); }
    Rendered render(GL& gl, const QRect& region, double detail) const override;
    CIImage input;
    QRect rect;
};

// `source` redrawn to cover exactly `rect` at one texel per pixel.
Rendered copyToArea(GL& gl, const Rendered& source, const QRect& rect);

// `source` averaged (boxes) down to at most about the given texels per
// pixel along x and y; unchanged when it has hardly more.
Rendered reduceDensity(GL& gl, const Rendered& source, double densityX, double densityY);

} // namespace Engine
