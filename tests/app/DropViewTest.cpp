#include "app/LookEditor.h"
#include "app/PhotoCache.h"
#include "app/PhotoCheck.h"
#include "app/PreviewFade.h"
#include "app/SWDropView.h"
#include "app/WallpaperMaker.h"
#include "effects/LXEffect.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/image/CIContext.h"
#include "platform/image/GLEngine.h"
#include "tests/app/Session.h"
#include "tests/support/Files.h"
#include "tests/support/Images.h"

#include <QBuffer>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QPropertyAnimation>

#include <functional>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

const QColor kBlue(90, 140, 200);

class DropView : public ::testing::Test {
protected:
    void SetUp() override
    {
        UserDefaults& d = UserDefaults::standardUserDefaults();
        d.registerDefaults({{"scaleUp", false}, {"showLogo", true}});
        d.removeObjectForKey("scaleUp");
        d.removeObjectForKey("showLogo");
    }
};

} // namespace

TEST_F(DropView, TheSwitchAndTheDefaultFollowEachOther)
{
    SWDropView view;
    LXButton button;
    button.setIsSwitchButton(true);
    view.setScaleUpButton(&button);
    view.awakeFromNib();
    int clicks = 0;
    QObject::connect(&button, &LXButton::clicked, [&] { ++clicks; });
    UserDefaults::standardUserDefaults().setBool(true, "scaleUp"); // the binding
    EXPECT_TRUE(view.scaleUp());
    EXPECT_EQ(button.state(), 1);
    EXPECT_EQ(clicks, 0);
    button.setState(0);
    view.toggleUpscale(&button);
    EXPECT_FALSE(UserDefaults::standardUserDefaults().boolForKey("scaleUp"));
}

TEST_F(DropView, Drags)
{
    QTemporaryDir dir;
    ASSERT_TRUE(filled(120, 90, kBlue).save(dir.filePath("Beach.jpg")));
    writeFile(dir.filePath("Turned.jpg"), jpegWithOrientation(filled(160, 90, kBlue), 6));
    ASSERT_TRUE(filled(8000, 6000, kBlue).save(dir.filePath("Large.jpg"), "JPEG", 50));
    ASSERT_EQ(mkfifo(dir.filePath("Pipe.jpg").toLocal8Bit().constData(), 0600), 0);
    QByteArray tiff;
    QBuffer buffer(&tiff);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && filled(64, 48, kBlue).save(&buffer, "TIFF"));
    const QByteArray beach = readFile(dir.filePath("Beach.jpg"));
    writeFile(dir.filePath("Cut.jpg"), beach.left(beach.size() / 2));
    const auto file = [&](const char* name) { return QUrl::fromLocalFile(dir.filePath(name)); };

    // answer: IgnoreAction when refused; leave: the drag leaves before the drop;
    // problem: accepted from its header, then found unusable: what the drop's alert says.
    struct Row { const char* name; QList<QUrl> urls; QString text; QByteArray tiff; Qt::DropActions offered;
                 Qt::DropAction answer; QStringList saved; bool upright = false, leave = false;
                 const char* problem = nullptr; } rows[] = {
        {"file URL", {file("Beach.jpg")}, {}, {}, Qt::CopyAction | Qt::MoveAction, Qt::CopyAction, {"Beach.jpg"}},
        {"only link offered", {file("Beach.jpg")}, {}, {}, Qt::LinkAction, Qt::LinkAction, {"Beach.jpg"}},
        {"TIFF data", {}, "Harbour", tiff, Qt::CopyAction, Qt::CopyAction, {"Harbour.jpg"}},
        {"text with a file URL", {}, file("Beach.jpg").toString(), {}, Qt::CopyAction, Qt::CopyAction, {"Beach.jpg"}},
        {"text naming no image", {}, "a few words", {}, Qt::CopyAction, Qt::IgnoreAction, {}},
        {"remote URL", {QUrl("https://example.com/a.jpg")}, {}, {}, Qt::CopyAction, Qt::IgnoreAction, {}},
        {"EXIF-6 photo", {file("Turned.jpg")}, {}, {}, Qt::CopyAction, Qt::CopyAction, {"Turned.jpg"}, true},
        {"8000 x 6000 JPEG", {file("Large.jpg")}, {}, {}, Qt::CopyAction, Qt::CopyAction, {"Large.jpg"}},
        {"FIFO", {file("Pipe.jpg")}, {}, {}, Qt::CopyAction, Qt::IgnoreAction, {}},
        {"entering and leaving", {file("Beach.jpg")}, {}, {}, Qt::CopyAction, Qt::CopyAction, {}, false, true},
        {"truncated file", {file("Cut.jpg")}, {}, {}, Qt::CopyAction, Qt::CopyAction, {}, false, false, "the file is incomplete"},
        {"undecodable data", {}, {}, "not a TIFF", Qt::CopyAction, Qt::CopyAction, {}, false, false, "could not be read"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DesktopSession session;
        session.sway();
        Alerts alerts;
        SWDropView view;
        view.awakeFromNib();
        QMimeData data;
        if (!row.urls.isEmpty())
            data.setUrls(row.urls);
        if (!row.text.isEmpty())
            data.setText(row.text);
        if (!row.tiff.isEmpty())
            data.setData("image/tiff", row.tiff);
        QDragEnterEvent enter(QPoint(200, 150), row.offered, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &enter);
        EXPECT_EQ(enter.isAccepted(), row.answer != Qt::IgnoreAction);
        if (!enter.isAccepted())
            continue;
        EXPECT_EQ(enter.dropAction(), row.answer);
        QCoreApplication::processEvents(); // the queued build
        QDragMoveEvent move(QPoint(210, 150), row.offered, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &move);
        EXPECT_EQ(move.isAccepted(), !row.problem);
        EXPECT_EQ(bool(view.userImage), !row.problem);
        if (!row.problem) {
            EXPECT_EQ(view.previewFade().state(), PreviewFade::State::FadingIn);
            const QRectF photo = CIFilter::imageValue(view.artistic().inputImage).extent();
            EXPECT_EQ(photo.height() > photo.width(), row.upright);
        }
        if (row.leave) {
            QDragLeaveEvent leave;
            QCoreApplication::sendEvent(&view, &leave);
        }
        QDropEvent drop(QPointF(200, 150), row.offered, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &drop);
        EXPECT_EQ(drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction,
                  row.leave || row.problem ? Qt::IgnoreAction : row.answer);
        EXPECT_EQ(session.saved(), row.saved);
        EXPECT_EQ(view.previewFade().state(), PreviewFade::State::Hidden); // no time passed: nothing to fade
        QCoreApplication::processEvents(); // a refused drop's alert comes after the answer
        EXPECT_EQ(alerts.texts.size(), row.problem ? 1 : 0);
        EXPECT_TRUE(!row.problem || alerts.texts.value(0).contains(row.problem)) << alerts.texts.join('\n').toStdString();
    }
}

TEST_F(DropView, PastingAndOpeningSaveLikeADrop)
{
    DesktopSession session;
    session.sway();
    Alerts alerts;
    QTemporaryDir dir;
    ASSERT_TRUE(filled(120, 90, kBlue).save(dir.filePath("Beach.png")));
    SWDropView view;
    QStringList announced;
    QObject::connect(&view, &SWDropView::wallpaperSaved, [&](const QString& path) { announced << path; });
    QMimeData words;
    words.setText("no picture here");
    EXPECT_FALSE(view.takeMimeData(&words));
    QMimeData image;
    image.setImageData(filled(50, 40, kBlue));
    EXPECT_TRUE(view.takeMimeData(&image));
    EXPECT_TRUE(view.applyImageAt(QUrl::fromLocalFile(dir.filePath("Beach.png"))));
    EXPECT_FALSE(view.applyImageAt(QUrl::fromLocalFile(dir.filePath("Missing.png"))));
    EXPECT_EQ(session.saved(), (QStringList{"Beach.jpg", "Unnamed Background.jpg"}));
    EXPECT_EQ(announced.size(), 2);
    EXPECT_EQ(alerts.titles, (QStringList{"Problem creating Wallpaper", "Problem creating Wallpaper"}));
}

// The preview is the wallpaper made small (a photo smaller than the screen
// keeps its share of it), and a photo dragged again shows the one kept from
// before unless anything it shows has changed.
TEST_F(DropView, APreviewIsItsWallpaperMadeSmallAndKeptWhileNothingItShowsChanged)
{
    PhotoCache::shared().clear();
    QTemporaryDir dir;
    // Smaller than the screen, larger than the drawn display.
    QImage ramp(480, 300, QImage::Format_RGB32);
    for (int x = 0; x < 480; ++x)
        for (int y = 0; y < 300; ++y)
            ramp.setPixel(x, y, qRgb(x / 2, 60 + x / 4, 255 - x / 2));
    ASSERT_TRUE(ramp.save(dir.filePath("Ramp.jpg"), "JPEG", 95));
    SWDropView view;
    view.awakeFromNib();
    LookEditor editor;
    view.setLookEditor(&editor);
    const Look grey{{QVariantMap{{"name", "BlackAndWhite"}}}};
    const struct { const char* name; std::function<void()> change; bool kept; } rows[] = {
        {"first drag", [] {}, false},
        {"the same again", [] {}, true},
        {"the logo turned off", [&] { UserDefaults::standardUserDefaults().setBool(false, "showLogo"); view.userDefaultsChanged(); }, false},
        {"scale-up turned on", [&] { view.setScaleUp(true); }, false},
        {"another look", [&] { ASSERT_TRUE(editor.changeLook(grey, QString())); }, false},
        {"that look again", [] {}, true},
    };
    const auto meanGreyDifference = [](const QImage& a, const QImage& b) {
        double sum = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                sum += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
        return sum / (a.width() * a.height());
    };
    qint64 before = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        row.change();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(dir.filePath("Ramp.jpg"))});
        QDragEnterEvent enter(QPoint(200, 150), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &enter);
        QCoreApplication::processEvents(); // the queued build
        const QImage shown = view.imageView->image().toImage();
        EXPECT_EQ(shown.cacheKey() == before, row.kept);
        before = shown.cacheKey();
        const QImage wallpaper = WallpaperMaker::renderPicture(view.processedImage())
                                     .scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_LT(meanGreyDifference(shown, wallpaper), 3.0);
    }
    // Dropped, the display shows the wallpaper made small, not the photo fitted to it
    // (nor, styled grey, with the colours of the photo under it at its edges).
    view.setScaleUp(false);
    ASSERT_TRUE(view.applyImageAt(QUrl::fromLocalFile(dir.filePath("Ramp.jpg"))));
    view.renderPendingBitmaps();
    const QImage sample = view.sampleBitmap();
    const QImage wallpaper = WallpaperMaker::renderPicture(view.processedImage())
                                 .scaled(sample.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_LT(meanGreyDifference(sample, wallpaper), 3.0);
}

// A slider move of the second effect renders from it on, once for the
// moves of a turn: the display's photo (the sample, or one shown at its
// share) and the first effect are kept, and the display then shows the
// last value, as a fresh one would.
TEST_F(DropView, TheSampleOrASmallPhotoScaledAnewRedidEveryEffectOnEachMove)
{
    QTemporaryDir dir;
    ASSERT_TRUE(filled(480, 300, kBlue).save(dir.filePath("Small.jpg")));
    const Look look{{QVariantMap{{"name", "HueShift"}}, QVariantMap{{"name", "BlackAndWhite"}}}};
    const auto shown = [](SWDropView& view) {
        for (int turn = 0; turn < 3; ++turn)
            QCoreApplication::processEvents();
        view.renderPendingBitmaps();
        return view.sampleBitmap();
    };
    for (const bool photo : {false, true}) { // the sample, a photo shown at its share
        SWDropView view, fresh;
        LookEditor editor, freshEditor;
        for (auto [v, e] : {std::pair{&view, &editor}, std::pair{&fresh, &freshEditor}}) {
            v->setLookEditor(e);
            ASSERT_TRUE((!photo || v->applyImageAt(QUrl::fromLocalFile(dir.filePath("Small.jpg")))) && e->changeLook(look, {}));
        }
        shown(view);
        LXEffect& second = *editor.chain().effects()[1];
        const CIImage firstsPicture = second.inputImage();
        const quint64 passes = Engine::GL::instance()->passCount();
        second.setValue(0.2, "inputBrightness");
        second.setValue(0.9, "inputBrightness");
        EXPECT_EQ(Engine::GL::instance()->passCount(), passes) << photo; // both moves drawn once, when shown
        editor.noteEdit();
        const QImage moved = shown(view);
        EXPECT_TRUE(second.inputImage() == firstsPicture) << photo;
        ASSERT_TRUE(freshEditor.changeLook(editor.look(), {}));
        // Within a level: how a picture is rounded may depend on what earlier renders left kept.
        const QImage a = moved.convertToFormat(QImage::Format_RGBA8888), b = shown(fresh).convertToFormat(QImage::Format_RGBA8888);
        ASSERT_EQ(a.size(), b.size()) << photo;
        int worst = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width() * 4; ++x)
                worst = std::max(worst, std::abs(a.constScanLine(y)[x] - b.constScanLine(y)[x]));
        EXPECT_LE(worst, 1) << photo;
    }
}

// Phones append a video to the JPEG of a motion photo: the photo ends at its
// own end marker, wherever the file ends; a cut is found in the photo itself.
TEST(PhotoCheck, AJpegFollowedByAVideoIsNotIncomplete)
{
    QTemporaryDir dir;
    QImage photo = filled(200, 150, kBlue);
    for (int y = 0; y < photo.height(); ++y) // detail, so that the scan is long
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixelColor(x, y, QColor((x * 7 + y * 13) % 256, (x * y) % 256, (x ^ y) % 256));
    QByteArray jpeg, png;
    QBuffer j(&jpeg), p(&png);
    ASSERT_TRUE(j.open(QIODevice::WriteOnly) && photo.save(&j, "JPEG", 90));
    ASSERT_TRUE(p.open(QIODevice::WriteOnly) && photo.save(&p, "PNG"));
    const QByteArray video = "\0\0\0\x18" "ftypmp42" + QByteArray(300 * 1024, '\x11');
    // A segment right after the start holding a thumbnail, whose end marker a
    // cut photo's last bytes then contain.
    QByteArray thumbnail;
    QBuffer t(&thumbnail);
    ASSERT_TRUE(t.open(QIODevice::WriteOnly) && filled(16, 12, kBlue).save(&t, "JPEG"));
    const qsizetype length = thumbnail.size() + 2;
    const QByteArray withThumbnail = jpeg.left(2) + QByteArray("\xFF\xEF") + char(length >> 8) + char(length & 0xFF)
                                   + thumbnail + jpeg.mid(2);
    const struct { const char* name; QByteArray bytes; QString problem; } rows[] = {
        {"JPEG and a video", jpeg + video, {}},
        {"PNG and more", png + video, {}},
        {"JPEG cut after its thumbnail", withThumbnail.left(withThumbnail.size() - 100), "the file is incomplete"},
        {"PNG cut", png.left(png.size() - 100), "the file is incomplete"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(photoProblem(writeFile(dir.filePath(QString(row.name) + ".photo"), row.bytes)), row.problem) << row.name;
}

// A copied or dragged image is shown no larger than the screen: it is
// decoded at that size, not whole and then shrunk.
TEST(DragPhoto, ImageDataIsDecodedAtTheScreensSizeNotWhole)
{
    QByteArray wide;
    QBuffer buffer(&wide);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && filled(3000, 2000, kBlue).save(&buffer, "JPEG", 80));
    const struct { const char* name; QByteArray bytes; QSizeF screen; QSize decoded; } rows[] = {
        {"larger than the screen", wide, {600, 500}, {600, 400}},
        {"turned a quarter", jpegWithOrientation(filled(3000, 2000, kBlue), 6), {600, 500}, {333, 500}},
        {"no screen", wide, {}, {3000, 2000}},
        {"smaller than the screen", wide, {4000, 4000}, {3000, 2000}},
    };
    for (const auto& row : rows) {
        DragOffer offer;
        offer.imageType = "image/jpeg";
        offer.imageData = row.bytes;
        EXPECT_EQ(photoFromOffer(offer, {row.screen}).bitmap.size(), row.decoded) << row.name;
    }
}

TEST(PhotoCache, AFileChangedOnDiskIsDecodedAfresh)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Photo.jpg");
    // Two photos of one byte length (padding after the end is allowed).
    const auto jpeg = [](const QColor& c) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        filled(64, 48, c).save(&buffer, "JPEG", 90);
        return bytes;
    };
    QByteArray red = jpeg(Qt::red), blue = jpeg(Qt::blue);
    red.append(QByteArray(std::max<qsizetype>(0, blue.size() - red.size()), '\0'));
    blue.append(QByteArray(std::max<qsizetype>(0, red.size() - blue.size()), '\0'));
    writeFile(path, red);
    const auto setModified = [&](const QDateTime& time) {
        QFile file(path);
        return file.open(QIODevice::ReadWrite) && file.setFileTime(time, QFileDevice::FileModificationTime);
    };
    const QDateTime firstTime = QFileInfo(path).lastModified();
    // previewKept: the finished preview kept with the photo before is still there.
    const struct { const char* name; std::function<void()> change; QSizeF drawn; bool fresh; QRgb colour; bool previewKept; } rows[] = {
        {"first drag", [] {}, QSizeF(32, 24), true, qRgb(255, 0, 0), false},
        {"same file again", [] {}, QSizeF(32, 24), false, qRgb(255, 0, 0), true},
        {"a smaller preview", [] {}, QSizeF(16, 12), false, qRgb(255, 0, 0), true},
        {"a larger preview", [] {}, QSizeF(64, 48), true, qRgb(255, 0, 0), false},
        {"rewritten, its time put back", [&] { writeFile(path, blue); setModified(firstTime); }, QSizeF(64, 48), true,
         qRgb(0, 0, 255), false},
        {"only touched", [&] { setModified(firstTime.addSecs(60)); }, QSizeF(64, 48), true, qRgb(0, 0, 255), false},
    };
    const PhotoCache::PreviewKey key{QSize(8, 6), QSizeF(8, 6)};
    PhotoCache cache;
    CIImage previous;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        row.change();
        QString reason;
        const CIImage photo = cache.photoFor(path, row.drawn, &reason);
        ASSERT_FALSE(photo.isNull()) << reason.toStdString();
        EXPECT_EQ(photo.node() != previous.node(), row.fresh);
        EXPECT_GE(photo.extent().width(), row.drawn.width()); // never shown from a smaller decode
        const QImage pixel = CIContext().createCGImage(photo, QRectF(photo.extent().center(), QSizeF(1, 1)));
        const QRgb got = pixel.pixel(0, 0);
        EXPECT_NEAR(qRed(got), qRed(row.colour), 8);
        EXPECT_NEAR(qBlue(got), qBlue(row.colour), 8);
        EXPECT_EQ(!cache.previewFor(path, key).isNull(), row.previewKept);
        cache.keepPreview(path, key, pixel);
        previous = photo;
    }
    EXPECT_EQ(cache.count(), 1);
    QString reason;
    EXPECT_TRUE(cache.photoFor(dir.filePath("missing.jpg"), QSizeF(8, 8), &reason).isNull());
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_EQ(cache.count(), 1);
}

TEST(PreviewFadeStates, NewestFadeWins)
{
    QWidget parent, &widget = *new QWidget(&parent);
    PreviewFade fade(&widget);
    using S = PreviewFade::State;
    const auto toEnd = [&] { fade.animation()->setCurrentTime(fade.animation()->duration()); };
    const auto half = [&] { fade.animation()->setCurrentTime(fade.animation()->duration() / 2); };
    const std::function<void()> in = [&] { fade.fadeIn(); }, out = [&] { fade.fadeOut(); }, flash = [&] { fade.flash(); };
    struct Step { const char* name; std::function<void()> act; S state; bool visible; };
    const Step steps[] = {
        {"fading out a hidden preview does nothing", out, S::Hidden, false},
        {"an opened file fades in", flash, S::FadingIn, true},
        {"and out once in", toEnd, S::FadingOut, true},
        {"a drag entering takes over", in, S::Shown, true},
        {"and is not chained out", toEnd, S::Shown, true},
        {"a leave fades out", out, S::FadingOut, true},
        {"half way", half, S::FadingOut, true},
        {"a new drag turns it back", in, S::FadingIn, true},
        {"in the rest of the time", toEnd, S::Shown, true},
        {"an open during a drag's preview", flash, S::FadingOut, true},
        {"fades out and hides", toEnd, S::Hidden, false},
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_EQ(fade.state(), step.state) << step.name;
        EXPECT_EQ(!widget.isHidden(), step.visible) << step.name;
    }
}
