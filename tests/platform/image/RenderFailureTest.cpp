// A render that cannot be completed fails as a whole: no partial picture.

#include "tests/support/Pixels.h"

#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

TEST(RenderFailure, APassBeyondTheSizeLimitFailsTheRender)
{
    LogCapture log;
    const CIImage strip = CIImage::imageWithColor(CIColor(1, 0, 0)).imageByCroppingToRect(QRectF(0, 0, 40000, 2));
    const CIContext context;
    EXPECT_TRUE(context.createCGImage(strip, strip.extent()).isNull());
    EXPECT_TRUE(context.lastError().contains("cannot render")) << context.lastError().toStdString();
    std::vector<float> floats(40000 * 2 * 4);
    EXPECT_FALSE(context.render(strip, floats.data(), 0, strip.extent()));

    // The same context renders what fits, and forgets the failure.
    EXPECT_FALSE(context.createCGImage(strip, QRectF(0, 0, 100, 2)).isNull());
    EXPECT_TRUE(context.lastError().isEmpty());
}
