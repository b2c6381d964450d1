#pragma once
// Internal to the image engine: the node base of the render graph behind
// CIImage and the machinery of the passes that render nodes. Main thread only.
//
// Rendering contract: node.render(gl, region, detail) returns a texture
// covering at least region ∩ extent (it may cover more), with everything
// outside the covered area meaning transparent. `detail` (0..1] is how many
// texels per pixel the consumer needs: a node may return fewer texels than
// pixels (about `detail` per pixel, or fewer where its result is smooth, as
// a blur's), which consumers read bilinearly.

#include "platform/image/CIImage.h"
#include "platform/image/CISampler.h"
#include "platform/image/GLEngine.h"

#include <QVariant>

#include <array>
#include <functional>
#include <memory>
#include <mutex>

namespace Engine {

struct Rendered {
    TexturePtr texture;
    QRectF area; // world rectangle the texture covers
    // Every texel in use has alpha 1 (an opaque picture); false when unknown.
    bool opaque = false;
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
    virtual Rendered renderSmooth(GL& gl, const QRect& region, double detail) const
    {
        return render(gl, region, detail);
    }
    // Calls `visit` with each input image (graph walks).
    virtual void forEachInput(const std::function<void(const CIImage&)>&) const {}
    // A rectangle of whole pixels inside which every pixel is known to have
    // alpha 1, from the recipe's sources; empty when nothing is known. Never
    // larger than the truth: readers copy and hide what lies under it.
    virtual QRectF opaqueArea() const { return {}; }
    // The detail of a render the node keeps that serves `detail` at no
    // cost; 0 when it keeps none. A scope then hands out that one rather
    // than a more detailed render of the node, which readers would reduce.
    virtual double keptDetailFor(double) const { return 0; }

protected:
    QRectF m_extent;
};

// While one lives, a node that the recipe under `root` reaches along more
// than one path is rendered once per region and detail and reused; its
// textures are released after as many requests as there are paths to it
// (a later request renders it again), at the latest with the scope.
// Scopes nest.
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

// While a render runs (a RenderScope lives): the result of a step that
// depends only on its input texture and `key` (a reduction), drawn once per
// render. `remember` keeps the result and the input (so that nobody blends
// onto it in place) until the outermost scope ends; outside a render it
// keeps nothing and `recalled` is empty. A null input: the step is known by
// its key alone (which then names what it depends on; a node named by its
// address must be kept alive by the outermost render's image).
Rendered recalled(const TexturePtr& input, const QString& key);
void remember(const TexturePtr& input, const QString& key, const Rendered& result);

// True while a render reaches `node` along several paths: it is then
// rendered once and reused, so a fused pass reads it instead of redoing it.
bool sharedInRender(const ImageNode* node);

// Renders `image` for the region; empty for null or outside its extent.
Rendered renderImage(GL& gl, const CIImage& image, const QRect& region, double detail = 1.0);

// Texels of an opaque 8-bit sRGB texture (an uploaded photo) that the last
// pass left undrawn because they are the result's bytes as they are:
// `from`'s texels starting at `fromTexel` go onto the result's texels `to`
// (both y up).
struct TexelCopy {
    TexturePtr from;
    QPoint fromTexel;
    QRect to;
};
// Texels of a pass that are a source's own, copied: what is known of them
// is known of the source (its reduced copy reads as their reduction).
struct CopiedPart {
    std::shared_ptr<const ImageNode> source;
    QRect rect;          // the pass's world
    QTransform toSource; // the pass's world -> the source's (axis-aligned)
};
// The copies' texels into `target` of the same format, as they are
// (nothing while rehearsing).
void copyTexels(GL& gl, const std::vector<TexelCopy>& copies, const Texture& target);

// The caller's bitmap for an 8-bit result: bottom-up rows of `rowPixels`
// RGBA pixels, the result's texel (0, 0) first. A last pass that can fills
// it itself and sets `filled`: drawn in bands into a small texture, each
// band read straight in (the picture is never held twice), and parts that
// are an uploaded photo read one texel a pixel copied from the photo's
// texture instead of drawn.
struct ByteRows {
    uchar* rows = nullptr;
    int rowPixels = 0;
    bool filled = false;
};

// `image` for exactly `rect` in premultiplied 8-bit sRGB (a byte texture),
// converted in the last pass when the top node can, else by a pass of its own.
// With `into`, the result may be in `into`'s rows instead (`filled`).
Rendered renderBytes(GL& gl, const CIImage& image, const QRect& rect, ByteRows* into = nullptr);
// Reads the copies' texels into `into`'s rows, in Qt's RGBA byte order
// whatever the photo's.
void readBackCopies(GL& gl, const std::vector<TexelCopy>& copies, const ByteRows& into);
// Whether `texture` keeps blue, green, red, alpha bytes read through a
// swizzle (an upload in Qt's byte order).
bool swappedBytes(const Texture& texture);
// SUNNYSIDE_PHOTO_COPY=0 (or false here, for tests) draws such parts instead.
void setTexelCopiesEnabled(bool enabled);
bool texelCopiesEnabled();
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
    // The image `rendered` is of (the one read, its moves and clamps folded in).
    std::shared_ptr<const ImageNode> node;
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

// The texels a node draws `region` on for `detail`: squares of a power of
// two pixels (the coarsest that keeps at least `detail` texels per pixel),
// laid from the world's origin so that a tile gets the same texels as the
// whole render. One texel per pixel over exactly the region at detail > 1/2.
struct DetailGrid {
    QRectF area;
    int width = 0, height = 0;
    int step = 1; // pixels per texel
};
DetailGrid detailGrid(const QRect& region, double detail);
// `r` grown outwards to whole cells of gx x gy pixels laid from the world's
// origin, so that a tile meets the same cells as the whole.
QRect outwardToGrid(const QRect& r, int gx, int gy);

// Texels drawn by all passes so far (tests and benchmarks compare work).
quint64 texelCount();

// The region of an image of extent `extent` that clamping needs to cover `roi`.
QRect clampedRegion(const QRectF& roi, const QRectF& extent);

// Runs `program` into `target` (covering `area`), only inside `viewport`
// (texels of the target), blending source-over when asked. Sampler reads are
// relative to `readOrigin` (the pass origin when null).
void drawPass(GL& gl, GLuint program, const Texture& target, const QRectF& area, const QRect& viewport, bool blend,
              const std::vector<PassSampler>& samplers, const std::function<void(GLuint)>& setUniforms,
              const QPointF* readOrigin = nullptr);

// One pass drawn in pieces: each viewport (texels of the target) by its own
// program, all with the same samplers and uniforms; counted as one pass.
struct PassPiece {
    GLuint program;
    QRect viewport;
};
// Points are relative to `origin` when given (a band of a larger pass),
// else to the area's own; `countPass` false for a band after the first.
void drawPieces(GL& gl, const Texture& target, const QRectF& area, const std::vector<PassPiece>& pieces,
                const std::vector<PassSampler>& samplers, const std::function<void(GLuint)>& setUniforms,
                const QPointF* origin = nullptr, bool countPass = true);

// Coordinates clamped to what a float uniform holds.
float limited(double v);
// The smallest whole-pixel rectangle holding `r` (CIGeometry::integral).
QRect toRect(const QRectF& r);
// `r` grown by `margin` on every side.
QRectF growRect(const QRect& r, double margin);
// Whole-pixel intersection of a region with an extent (rounded outwards).
QRect clip(const QRect& region, const QRectF& extent);

} // namespace Engine
