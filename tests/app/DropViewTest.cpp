#include "app/SWDropView.h"
#include "platform/desktop/Alert.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/app/Session.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>

#include <gtest/gtest.h>

namespace {

struct Alerts {
    QStringList titles;
    Alert::ScopedPresenter presenter{[this](const QString& t, const QString&) { titles << t; }};
};

QImage picture(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(90, 140, 200));
    return image;
}

class DropView : public ::testing::Test {
protected:
    void SetUp() override
    {
        UserDefaults& d = UserDefaults::standardUserDefaults();
        d.registerDefaults({{"scaleUp", false}, {"showLogo", true}});
        d.removeObjectForKey("scaleUp");
        d.removeObjectForKey("showLogo");
    }
    QSizeF screenSize() const { return QSizeF(QGuiApplication::primaryScreen()->geometry().size()); }
};

} // namespace

TEST_F(DropView, TheScreenComesFromTheWidget)
{
    SWDropView view;
    const SWScreen screen = view.currentScreen();
    EXPECT_EQ(screen.size, screenSize());
    EXPECT_TRUE(screen.isMain);
    EXPECT_EQ(screen.name, QGuiApplication::primaryScreen()->name());
}

TEST_F(DropView, TheSampleShowsAtEightyPercentOfTheScreenHeight)
{
    SWDropView view;
    ASSERT_FALSE(view.sample.isNull());
    view.updateSample();
    EXPECT_EQ(view.sampleImage().extent(), QRectF(QPointF(0, 0), screenSize()));
    // 80 % of the screen's height, then shrunk to fit when that is too wide.
    const QSizeF sample = view.sample.extent().size();
    const QSizeF scaled = sample * (screenSize().height() * 0.8 / sample.height());
    const double fit = std::min(1.0, screenSize().width() / scaled.width());
    EXPECT_NEAR(CIFilter::imageValue(view.artistic().inputImage).extent().height(), scaled.height() * fit, 1e-6);

    view.setScaleUp(true);
    EXPECT_TRUE(UserDefaults::standardUserDefaults().boolForKey("scaleUp"));
    const QRectF fitted = CIFilter::imageValue(view.artistic().inputImage).extent();
    EXPECT_TRUE(qFuzzyCompare(fitted.width(), screenSize().width()) || qFuzzyCompare(fitted.height(), screenSize().height()));
}

TEST_F(DropView, DefaultsChangedElsewhereReachTheView)
{
    SWDropView view;
    int rebuilt = 0;
    QObject::connect(&view, &SWDropView::sampleImageChanged, [&] { ++rebuilt; });
    UserDefaults::standardUserDefaults().setBool(true, "scaleUp"); // the binding
    EXPECT_TRUE(view.scaleUp());
    EXPECT_GE(rebuilt, 1);

    rebuilt = 0;
    UserDefaults::standardUserDefaults().setBool(false, "showLogo");
    EXPECT_FALSE(view.showWatermark);
    EXPECT_EQ(rebuilt, 1);
    view.userDefaultsChanged(); // nothing changed: no rebuild
    EXPECT_EQ(rebuilt, 1);
}

TEST_F(DropView, ADraggedPictureIsFittedBuiltAndSavedOnDrop)
{
    DesktopSession session;
    session.sway();
    Alerts alerts;
    SWDropView view;
    EXPECT_FALSE(view.performDrop("", {}, "")); // nothing built yet
    EXPECT_FALSE(view.draggingEnteredWithImage(QImage()));

    const QSizeF screen = screenSize();
    ASSERT_TRUE(view.draggingEnteredWithImage(picture(int(screen.width()) * 2, int(screen.height()))));
    EXPECT_TRUE(view.userImage);
    // Twice as wide as the screen: redrawn at the screen's width, half its height.
    EXPECT_EQ(CIFilter::imageValue(view.artistic().inputImage).extent().size(), QSizeF(screen.width(), screen.height() / 2));
    EXPECT_EQ(view.processedImage().extent().size(), screen);

    EXPECT_TRUE(view.performDrop("", {}, ""));
    EXPECT_FALSE(view.userImage);
    EXPECT_EQ(session.saved(), QStringList{"Unnamed Background.jpg"});

    ASSERT_TRUE(view.draggingEnteredWithImage(picture(100, 80)));
    EXPECT_TRUE(view.performDrop("file:///photos/Beach%20Day.png", {"/x/Other.png"}, "text"));
    ASSERT_TRUE(view.draggingEnteredWithImage(picture(100, 80)));
    EXPECT_TRUE(view.performDrop("", {"/x/First.png", "/x/Last.tiff"}, "text"));
    EXPECT_EQ(session.saved(), (QStringList{"Beach Day.jpg", "Last.jpg", "Unnamed Background.jpg"}));
    EXPECT_TRUE(alerts.titles.isEmpty());
}

TEST_F(DropView, OpeningTheSameFileTwiceNumbersTheSecond)
{
    DesktopSession session;
    session.sway();
    QTemporaryDir dir;
    ASSERT_TRUE(picture(120, 90).save(dir.filePath("Beach.png")));
    SWDropView view;
    EXPECT_TRUE(view.applyImageAt(QUrl::fromLocalFile(dir.filePath("Beach.png"))));
    EXPECT_TRUE(view.applyImageAt(QUrl::fromLocalFile(dir.filePath("Beach.png"))));
    EXPECT_EQ(session.saved(), (QStringList{"Beach 1.jpg", "Beach.jpg"}));

    Alerts alerts;
    EXPECT_FALSE(view.applyImageAt(QUrl::fromLocalFile(dir.filePath("Missing.png"))));
    EXPECT_EQ(alerts.titles, QStringList{"Problem creating Wallpaper"});
    EXPECT_EQ(session.saved().size(), 2);
}
