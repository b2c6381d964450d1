// What every filter of the kit owes its callers, whatever it computes:
// made by name with no defaults set it renders as with them, a copy renders
// the same, and rendering in tiles gives the pixels of rendering whole
// (a region-of-interest fault shows as a seam).

#include "filters/LXFilterConstructor.h"
#include "tests/filters/Render.h"

#include <gtest/gtest.h>

namespace {

// A 64 x 48 photo-like picture: hues across, light upwards, an alpha notch.
CIImage photo()
{
    QImage image(64, 48, QImage::Format_RGBA8888);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            image.setPixelColor(x, y, QColor::fromHsv((x * 11) % 360, 60 + y * 4, 40 + y * 4, x > 50 && y < 10 ? 90 : 255));
    return CIImage::imageWithQImage(image);
}

CIImage pattern()
{
    QImage image(5, 3, QImage::Format_RGBA8888);
    for (int i = 0; i < 15; ++i)
        image.setPixelColor(i % 5, i / 5, QColor::fromHsv(i * 24, 200, 230, i % 4 ? 255 : 40));
    return CIImage::imageWithQImage(image);
}

// The class names and the images each is given (the rest stays unset).
struct Row {
    const char* className;
    bool background; // takes inputBackgroundImage as well
};

const Row kRows[] = {
    {"LXDimmedBWFilter", false},   {"LXKeepColorFilter", false},    {"LXReplaceColorFilter", false},
    {"LXRotateColorFilter", false}, {"LXSRGBConversionFilter", false}, {"LXColorMultiplyFilter", false},
    {"LXGradientMapFilter", false}, {"LXGradientMultiplyFilter", false}, {"LXCombineFilter", true},
    {"LXCombineMaskFilter", true},  {"LXImageOverlayFilter", true},
};

std::shared_ptr<CIFilter> made(const Row& row, bool defaults)
{
    // As a plug-in list would declare it; then the engine makes it by name.
    LXFilterConstructor::registerFilterInDescription(
        {{"CIPlugInFilterList", QVariantMap{{row.className, QVariantMap{{"CIFilterClass", row.className}}}}}});
    auto filter = CIFilter::filterWithName(row.className);
    if (!filter)
        return nullptr;
    if (defaults)
        filter->setDefaults();
    if (row.background) {
        filter->setValue(QVariant::fromValue(photo()), kCIInputBackgroundImageKey);
        filter->setValue(QVariant::fromValue(pattern().imageByApplyingTransform(QTransform::fromTranslate(9, 7))),
                         kCIInputImageKey);
    } else {
        filter->setValue(QVariant::fromValue(photo()), kCIInputImageKey);
    }
    return filter;
}

void expectSame(const Rendered& a, const Rendered& b, const QRect& rect, const std::string& what)
{
    int differing = 0;
    for (int y = rect.y(); y < rect.y() + rect.height(); ++y)
        for (int x = rect.x(); x < rect.x() + rect.width(); ++x)
            for (size_t c = 0; c < 4; ++c)
                if (std::abs(a.at(x, y)[c] - b.at(x, y)[c]) > 2e-3f && differing++ < 3)
                    ADD_FAILURE() << what << ": pixel " << x << ", " << y << " channel " << c << " is " << a.at(x, y)[c]
                                  << ", expected " << b.at(x, y)[c];
}

} // namespace

TEST(EveryFilter, ByNameWithoutDefaultsAsACopyAndInTilesRendersTheSame)
{
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.className);
        auto withDefaults = made(row, true);
        auto bare = made(row, false);
        ASSERT_TRUE(withDefaults && bare);
        const CIImage whole = withDefaults->outputImage();
        ASSERT_FALSE(whole.isNull());
        const QRect rect = whole.extent().toAlignedRect();
        const Rendered reference(whole, rect);
        ASSERT_TRUE(reference.ok());

        expectSame(Rendered(bare->outputImage(), rect), reference, rect, "made bare");
        expectSame(Rendered(withDefaults->copy()->outputImage(), rect), reference, rect, "copy");

        // Uneven tiles, so no tile edge falls on a pixel pattern's period.
        const int cx = rect.x() + rect.width() * 3 / 7, cy = rect.y() + rect.height() * 2 / 5;
        for (const QRect& tile : {QRect(rect.x(), rect.y(), cx - rect.x(), cy - rect.y()),
                                  QRect(cx, rect.y(), rect.right() + 1 - cx, cy - rect.y()),
                                  QRect(rect.x(), cy, cx - rect.x(), rect.bottom() + 1 - cy),
                                  QRect(cx, cy, rect.right() + 1 - cx, rect.bottom() + 1 - cy)}) {
            const Rendered part(whole, tile);
            ASSERT_TRUE(part.ok());
            expectSame(part, reference, tile, "tile");
        }
    }
}
