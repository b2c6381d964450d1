#include "app/DropGeometry.h"
#include "app/PreviewFade.h"
#include "app/SWAppDelegate.h"
#include "app/SWDropView.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/image/CIContext.h"
#include "platform/ui/YUp.h"
#include "tests/support/EventLoop.h"
#include "tests/support/Pixels.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPropertyAnimation>
#include <QScreen>
#include <QDir>
#include <QLabel>
#include <QWindow>

#include <gtest/gtest.h>

// Before main() makes the application: two screens, the second at ratio 2.
static const bool screensConfigured = qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" SCREENS_CONFIG);

namespace {

QScreen* screenNamed(const QString& name)
{
    for (QScreen* s : QGuiApplication::screens())
        if (s->name() == name)
            return s;
    return nullptr;
}

// A shown view on `screen`, its sample rendered.
std::unique_ptr<SWDropView> shownOn(QScreen* screen, QSize size = {400, 358})
{
    auto view = std::make_unique<SWDropView>();
    view->resize(size);
    view->winId();
    view->windowHandle()->setScreen(screen);
    view->awakeFromNib();
    view->show();
    view->renderPendingBitmaps();
    return view;
}

} // namespace

TEST(DropViewScreens, Layout)
{
    const double kWide = 181.78125 / 398 * 1.6;
    struct Row { const char* name; QSizeF view, screen; QRectF picture, bezel, stand; } rows[] = {
        {"16:10 screen", {400, 358}, {1440, 900}, {13, 91.125, 374, 233.75}, {1, 79.125, 398, 257.75}, {139, 0, 122, 59}},
        {"wide screen narrows the stand", {400, 358}, {2560, 1080}, {13, 129.109375, 374, 157.78125},
         {1, 117.109375, 398, 181.78125}, {200 - 61 * kWide, 0, 122 * kWide, 59}}, // about 89 wide
        {"no screen", {400, 358}, {0, 0}, {200, 208, 0, 0}, {188, 196, 24, 24}, {139, 0, 122, 59}},
        {"small view: the stand shrinks with the display", {20, 30}, {1440, 900}, {1.6, 11.2, 16.8, 10.5},
         {1, 10.6, 18, 11.7}, {6.95, 0, 6.1, 2.95}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const DropLayout l = dropLayout(row.view, row.screen);
        for (auto [got, want] : {std::pair{l.picture, row.picture}, {l.bezel, row.bezel}, {l.stand, row.stand}})
            for (auto side : {&QRectF::x, &QRectF::y, &QRectF::width, &QRectF::height})
                EXPECT_NEAR((got.*side)(), (want.*side)(), 1e-3);
        EXPECT_GE(l.area.height(), 0);
        EXPECT_GE(l.neck.height(), 0);
    }
}

TEST(DropViewScreens, DrawsTheDisplayAtEachPixelRatio)
{
    UserDefaults::standardUserDefaults().registerDefaults({{"scaleUp", false}, {"showLogo", true}});
    for (const char* name : {"DP-1", "HDMI-1"}) {
        SCOPED_TRACE(name);
        QScreen* screen = screenNamed(name);
        ASSERT_TRUE(screen);
        const auto view = shownOn(screen);
        ASSERT_FALSE(view->foot.isNull()) << "the stand's picture";
        const double r = screen->devicePixelRatio();
        // The wallpaper has the screen's device pixels.
        EXPECT_EQ(view->sampleImage().extent().size(), QSizeF(screen->geometry().size()) * r);
        const QImage shot = view->grab().toImage();
        ASSERT_EQ(shot.size(), view->size() * r);
        const DropLayout l = dropLayout(QSizeF(view->size()), QSizeF(screen->geometry().size()));
        const QRectF P = flippedRect(l.picture, view->height()), R = flippedRect(l.bezel, view->height());
        const auto at = [&](double x, double y) { return shot.pixel(int(x * r), int(y * r)); };
        const double u = view->width() / 100.0, midY = R.center().y();
        EXPECT_LT(qGray(at(R.left() + 1.5 * u, midY)), 8) << "black ring";
        EXPECT_GT(qGray(at(R.right() - 1.5 * u, midY)), 20) << "glare over the ring";
        const int edge = qGray(shot.pixel(int(std::ceil(R.left() * r)), int(midY * r)));
        EXPECT_TRUE(edge > 20 && edge < 90) << "grey stroke: " << edge;
        // The sample inside P: the colour the engine gives its middle.
        const QRectF extent = view->sampleImage().extent();
        const QImage middle = CIContext().createCGImage(view->sampleImage(), QRectF(extent.center(), QSizeF(1, 1)));
        const QRgb want = middle.pixel(0, 0), got = at(P.center().x() - 0.5, P.center().y() - 0.5);
        EXPECT_LE(std::max({std::abs(qRed(got) - qRed(want)), std::abs(qGreen(got) - qGreen(want)),
                            std::abs(qBlue(got) - qBlue(want))}), 24) << QColor(got).name().toStdString();
        // The glare falls over a shown preview too: a black picture is lit at P's right edge.
        view->imageView->setCIImage(solid(CIColor(0, 0, 0, 1), QRectF(0, 0, 64, 40)));
        view->previewFade().fadeIn();
        view->previewFade().animation()->setCurrentTime(PreviewFade::kDurationMs);
        const QImage lit = view->grab().toImage();
        EXPECT_GT(qGray(lit.pixel(int((P.right() - 2) * r), int(midY * r))), 10) << "glare over the preview";
    }
}

TEST(DropViewScreens, MovingToAnotherScreenRebuildsTheSample)
{
    const auto view = shownOn(screenNamed("DP-1"));
    int rebuilt = 0;
    QObject::connect(view.get(), &SWDropView::sampleImageChanged, [&] { ++rebuilt; });
    const QImage before = view->sampleBitmap();
    view->windowHandle()->setScreen(screenNamed("HDMI-1"));
    EXPECT_GE(rebuilt, 1);
    EXPECT_EQ(view->currentScreen().name, "HDMI-1");
    EXPECT_EQ(view->sampleImage().extent().size(), QSizeF(3840, 2160)); // 4K at scale 2
    ASSERT_TRUE(spinUntil([&] { return view->sampleBitmap().cacheKey() != before.cacheKey() && !view->sampleBitmap().isNull(); }));
    EXPECT_EQ(view->sampleBitmap().devicePixelRatio(), 2);
}

// The window was taller than a 1600 x 900 screen at scale 2 (and a 1366 x 768
// one at 125 %), and so was its least size; at that size the switch ran over
// the display's stand; the corner buttons covered the status line's corners;
// and the layout jumped when the status line first showed.
TEST(MainWindowScreens, TallerThanSmallScreensOverlappingAndJumping)
{
    SWAppDelegate::registerClasses();
    for (const char* name : {"DP-1", "NETBOOK", "HD-125", "HDPLUS-200"}) {
        SCOPED_TRACE(name);
        QScreen* screen = screenNamed(name);
        ASSERT_TRUE(screen);
        SWAppDelegate delegate;
        ASSERT_TRUE(delegate.loadMainWindow());
        QWidget* window = delegate.window();
        window->winId();
        window->windowHandle()->setScreen(screen);
        window->move(screen->availableGeometry().topLeft());
        window->show();
        delegate.applicationDidFinishLaunching();
        const QSize room = screen->availableGeometry().size() - QSize(16, 48); // frame and title bar
        EXPECT_TRUE(QString(name) != "DP-1" || window->size() == QSize(560, 660)) << "the designed size where it fits";
        for (const QSize size : {window->size(), window->minimumSize()}) {
            SCOPED_TRACE(QString("%1 x %2").arg(size.width()).arg(size.height()).toStdString());
            EXPECT_TRUE(size.width() <= room.width() && size.height() <= room.height())
                << size.width() << " x " << size.height();
            window->resize(size);
            QApplication::processEvents();
            // Top to bottom, each below the one above, every text whole.
            QWidget* column[] = {delegate.topInfoText(), delegate.dropView(), delegate.scaleUpButton(),
                                 delegate.technologyText(), delegate.statusBar()};
            for (size_t i = 0; i + 1 < std::size(column); ++i)
                EXPECT_LE(column[i]->geometry().bottom(), column[i + 1]->geometry().top()) << i;
            for (QLabel* text : {delegate.topInfoText(), delegate.technologyText()})
                EXPECT_GE(text->height(), text->heightForWidth(text->width())) << text->objectName().toStdString();
            EXPECT_LE(delegate.statusBar()->geometry().bottom(), delegate.statusBar()->parentWidget()->height());
            // The display is drawn whole, stand and all, inside its view.
            const DropLayout l = dropLayout(QSizeF(delegate.dropView()->size()), QSizeF(screen->geometry().size()));
            const QRectF view(QPointF(0, 0), QSizeF(delegate.dropView()->size()));
            EXPECT_TRUE(view.contains(l.bezel) && view.contains(l.stand) && l.stand.bottom() <= l.bezel.top() + 1);
            // Each corner button, resting in its corner, leaves the status line whole.
            const QWidget* content = delegate.leftButton()->parentWidget();
            const QRectF status = flippedRect(QRectF(delegate.statusBar()->geometry()), content->height());
            for (CornerButton* b : {delegate.leftButton(), delegate.rightButton()}) {
                const double w = content->width();
                const QPointF centre = b == delegate.leftButton() ? QPointF(22, 22) : QPointF(w - 22, 22);
                const QPolygonF band = CornerButton::turnedShape(SWAppDelegate::offsetOf(b, centre), b->buttonSize(),
                                                                   b->frameRotation());
                EXPECT_TRUE(band.intersected(QPolygonF(status)).boundingRect().isEmpty());
            }
        }
        // The first wallpaper's line moves nothing.
        const QRect before = delegate.dropView()->geometry();
        delegate.wallpaperSaved(QDir::homePath() + "/Pictures/Sunnyside/Beach.jpg");
        QApplication::processEvents();
        EXPECT_EQ(delegate.dropView()->geometry(), before);
        EXPECT_TRUE(delegate.statusBar()->isVisible());
    }
}
