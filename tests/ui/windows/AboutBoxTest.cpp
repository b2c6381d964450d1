#include "platform/ui/InterfaceFile.h"
#include "ui/localization/LXLocalizeHelper.h"
#include "ui/windows/LXAboutBoxController.h"
#include "ui/windows/LXFadeoutMaskLayer.h"
#include "tests/support/EventLoop.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct MaskRow { const char* row; double height, top, bottom; std::array<double, 4> stops; };

class FadeoutMask : public ::testing::TestWithParam<MaskRow> {};

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

} // namespace

// The stops stay in order and finite for any height; the drawn mask has them.
TEST_P(FadeoutMask, StopsInOrderAndDrawn)
{
    const MaskRow& r = GetParam();
    EXPECT_EQ(LXFadeoutMaskLayer::stops(r.height, r.top, r.bottom), r.stops);

    const int h = std::max(0, int(r.height));
    auto mask = LXFadeoutMaskLayer::create();
    mask->bounds = QRectF(0, 0, 4, r.height);
    mask->topFadeout = r.top;
    mask->bottomFadeout = r.bottom;
    QImage image(4, std::max(1, h), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.translate(0, h);
    painter.scale(1, -1); // the host's one flip
    mask->renderInContext(painter);
    painter.end();
    if (h == 0)
        return;
    // Row y (top down) is opaque where it lies between the opaque stops.
    for (int y = 0; y < h; ++y) {
        const double at = (y + 0.5) / h;
        const int alpha = qAlpha(image.pixel(1, y));
        const bool opaque = at > r.stops[1] + 0.02 && at < r.stops[2] - 0.02;
        const bool faded = (y == 0 && r.stops[1] > 0) || (y == h - 1 && r.stops[2] < 1);
        EXPECT_TRUE((!opaque || alpha == 255) && (!faded || alpha < 20)) << "row " << y << ": " << alpha;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Heights, FadeoutMask,
    ::testing::Values(MaskRow{"Uneven", 100, 10, 40, {0, 0.1, 0.6, 1}},
                      MaskRow{"ShorterThanBothFades", 40, 30, 20, {0, 0.6, 0.6, 1}},
                      MaskRow{"ZeroHeight", 0, 30, 30, {0, 0, 0, 0}},
                      MaskRow{"NegativeAndNaNFades", 50, -5, std::nan(""), {0, 0, 1, 1}}),
    [](const auto& info) { return std::string(info.param.row); });

TEST(AboutBox, ReloadsAfterClosingAndOpensItsLinks)
{
    registerLocalizationClasses();
    LXAboutBoxController* box = LXAboutBoxController::sharedAboutBox();
    box->setNibName("SWAboutBox");
    box->showWindow();
    QPointer<QWidget> first = box->loadedWindow();
    ASSERT_TRUE(first);
    ASSERT_TRUE(box->textView() && box->versionTF());
    EXPECT_EQ(box->versionTF()->text(), "0.1.0");
    EXPECT_TRUE(box->textView()->toPlainText().contains("Clemens Engelhardt"));
    EXPECT_TRUE(box->textView()->viewport()->graphicsEffect());

    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    QTest::mouseClick(first->findChild<QPushButton*>("appWebsiteButton"), Qt::LeftButton);
    QTest::mouseClick(first->findChild<QPushButton*>("makerWebsiteButton"), Qt::LeftButton);
    box->setAppName("Sunny Side/2?");
    EXPECT_EQ(box->appLink(), "help/Sunny%20Side%2F2%3F.html");
    box->setAppName(QString());
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(catcher.urls.size(), 2);
    EXPECT_TRUE(catcher.urls[0].toLocalFile().endsWith("/help/Sunnyside.html"));
    EXPECT_TRUE(QFileInfo::exists(catcher.urls[0].toLocalFile()));
    EXPECT_TRUE(QFileInfo::exists(catcher.urls[1].toLocalFile()));

    first->close();
    EXPECT_TRUE(spinUntil([&] { return first.isNull(); })); // deleted after the close
    EXPECT_FALSE(box->loadedWindow());
    box->showWindow();
    ASSERT_TRUE(box->loadedWindow());
    EXPECT_TRUE(box->textView()->toPlainText().contains("Clemens Engelhardt"));
    box->loadedWindow()->close();
    EXPECT_TRUE(spinUntil([&] { return !box->loadedWindow(); }));
}

#include "AboutBoxTest.moc"
