#pragma once
// Additions to engine images, pictures and colours: images rendered to
// bitmaps (8-bit, premultiplied, sRGB), flattened copies, average colours,
// and colours as HSV and HSL. Main thread (rendering).

#include "graphics/ColorSpaces.h"
#include "platform/image/CIColor.h"
#include "platform/image/CIImage.h"
#include "platform/ui/Picture.h"

#include <QImage>

// The whole image as a bitmap of its extent's size (width and height
// truncated), the extent drawn into (0, 0, width, height). Null for an empty
// or infinite extent, or a null image.
QImage newCGImage(const CIImage& image);
// The same, made by the shared scratch context (kept for callers that name it).
QImage newCGImageUnrendered(const CIImage& image);
// The same, through a picture of the extent's size.
QImage newCGImageViaNSImage(const CIImage& image);
// A picture of the bitmap, sized as the extent. Null when there is no bitmap.
Picture nsImage(const CIImage& image);
// A flattened copy with the same extent that no longer depends on the filter
// chain that made it. null for an image with no bitmap.
CIImage fixedImage(const CIImage& image);
// The mean colour over the extent, unpremultiplied (alpha kept): an image
// that is half opaque red and half transparent is red at alpha 128/255.
CIColor averageColor(const CIImage& image);
// Contexts are handles of the process's one GL context; nothing to remake.
void createContext();

// Pictures as bitmaps and engine images.
QImage cgImage(const Picture& picture);
CIImage ciImage(const Picture& picture);

// Colours as HSV and HSL triples and back (alpha 1).
HSVTriple hsv(const CIColor& color);
HSLTriple hsl(const CIColor& color);
CIColor colorForHSV(const HSVTriple& triple);
CIColor colorForHSL(const HSLTriple& triple);
