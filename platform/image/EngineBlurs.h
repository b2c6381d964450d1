#pragma once
// Internal to the image engine: the blur nodes (Gaussian, motion, disc).
// Main thread only.

#include "platform/image/EnginePasses.h"

namespace Engine {

// Gaussian of standard deviation `sigma`, computed on a reduced copy for
// large sigmas so that the cost does not grow with the radius.
class GaussianBlurNode final : public ImageNode {
public:
    GaussianBlurNode(const CIImage& input, double sigma);
    void forEachInput(const std::function<void(const CIImage&)>& visit) const override { visit(input); }
    Rendered render(GL& gl, const QRect& region, double detail) const override;
    // The blurred copy before its enlargement (possibly fewer texels than
    // pixels, at most about `detail` per pixel); bilinear reads of it are
    // what render() draws.
    Rendered renderReduced(GL& gl, const QRect& region, double detail) const;
    Rendered renderSmooth(GL& gl, const QRect& region, double detail) const override;
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
    Rendered renderSmooth(GL& gl, const QRect& region, double detail) const override;
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

// The closed form of a Gaussian-blurred constant rectangle, for a pass that
// draws or blends it: the program (0 logged on failure), and its uniforms for
// a pass over `area`.
GLuint shadowProgram(GL& gl);
void setShadowUniforms(GL& gl, GLuint program, const std::array<float, 4>& color, const QRect& rect, double sigma,
                       const QRectF& area);

} // namespace Engine
