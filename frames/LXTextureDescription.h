#pragma once
// One texture picture of the application and the layout options its file
// name carries: "ALX-T#010#Wood-Light-Knots#S2#30-50-80$2.5.jpg" is a cut
// texture (S: may scale with the frame) of 2 sections, base colour
// hue 30 deg, saturation 50 %, value 80 %, 2.5 tiles across the texture width.
// Plain value; image() decodes the file on each call. Main thread.

#include "graphics/ColorSpaces.h"
#include "platform/image/CIImage.h"

#include <QString>

struct TextureOptions {
    quint64 sections = 1;     // 1 to 4
    HSVTriple baseColor{0, 1, 1}; // sRGB-encoded, each 0..1
    bool shouldScale = false;
    double baseScale = 4.0;
    bool repeating = false;

    // Reads the options text of a texture file name (never fails: text it
    // does not understand keeps the defaults above).
    static TextureOptions parse(const QString& options);
};

class LXTextureDescription {
public:
    LXTextureDescription() = default;
    LXTextureDescription(const QString& path, const TextureOptions& options) : m_path(path), m_options(options) {}

    QString path() const { return m_path; }
    quint64 sections() const { return m_options.sections; }
    HSVTriple baseColor() const { return m_options.baseColor; }
    bool shouldScale() const { return m_options.shouldScale; }
    double baseScale() const { return m_options.baseScale; }
    bool repeating() const { return m_options.repeating; }

    // The picture, decoded anew; null (logged by the engine) when unreadable.
    CIImage image() const;

private:
    QString m_path;
    TextureOptions m_options;
};
