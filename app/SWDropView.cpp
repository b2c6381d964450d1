#include "app/SWDropView.h"


#include "app/DropGeometry.h"
#include "app/PhotoCache.h"
#include "app/PreviewFade.h"
#include "platform/desktop/Alert.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/MainQueue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Timer.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/image/CIContext.h"
#include "platform/image/CIGeometry.h"
#include "platform/image/CIImageAccumulator.h"
#include "platform/image/CIImageFile.h"
#include "platform/ui/YUp.h"
#include "resources/BundleResources.h"
#include "ui/controls/LXImagePreviewer.h"
#include "util/LXCursorStack.h"

#include <QCursor>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QScreen>
#include <QWindow>

#include <cmath>
#include <utility>

namespace {

Q_LOGGING_CATEGORY(lcDrop, "sunnyside.drop")

const QString kScaleUp = QStringLiteral("scaleUp");
const QString kShowLogo = QStringLiteral("showLogo");
// The display's photo is kept at most this large: the drawn display is far smaller.
constexpr int kReducedSide = 1280;

// `photo` made no larger than `pixels` (its proportions kept): a look costs
// what the shown size costs, not what the photo's does.
CIImage reducedTo(const CIImage& photo, const QSizeF& pixels)
{
    const QRectF extent = photo.extent();
    if (photo.isNull() || extent.isEmpty() || pixels.isEmpty())
        return photo;
    const double s = std::min(pixels.width() / extent.width(), pixels.height() / extent.height());
    return s < 1 ? photo.imageByApplyingTransform(QTransform::fromScale(s, s)) : photo;
}

// `drawn` as a bitmap of `pixels` (scaled by less than a pixel's rounding at
// most), ready to paint; null, with `error` set, when it cannot be rendered.
QImage bitmapOf(const CIImage& drawn, QSize pixels, double ratio, QString* error)
{
    const QRectF extent = drawn.extent();
    if (drawn.isNull() || pixels.isEmpty() || extent.isEmpty())
        return {};
    const QTransform fit = QTransform::fromTranslate(-extent.x(), -extent.y())
                         * QTransform::fromScale(pixels.width() / extent.width(), pixels.height() / extent.height());
    const CIContext context;
    const CIImage shown = drawn.imageByApplyingTransform(fit);
    const QRectF rect(QPointF(0, 0), pixels);
    // The window's first display: with an empty shader cache (a first
    // launch) its programs compile on a second thread beside the render.
    static bool first = true;
    if (std::exchange(first, false))
        context.compileAhead(shown, rect);
    QImage bitmap = context.createCGImage(shown, rect);
    CIContext::compileAheadFinished();
    *error = context.lastError();
    // Converted once, in place: the painter then copies it without converting every paint (a fade's many).
    bitmap.convertTo(QImage::Format_ARGB32_Premultiplied);
    bitmap.setDevicePixelRatio(ratio);
    return bitmap;
}

// The view only copies: a source that offers move would delete its original.
Qt::DropAction dropActionFor(Qt::DropActions offered)
{
    if (offered & Qt::CopyAction)
        return Qt::CopyAction;
    return offered & Qt::LinkAction ? Qt::LinkAction : Qt::IgnoreAction;
}

// The busy cursor on the view's window while a photo is built and saved.
struct BusyCursor {
    explicit BusyCursor(QWidget* view) : window(view->window()), key(QVariant::fromValue<QObject*>(view))
    {
        LXCursorStack::pushCursor(QCursor(Qt::BusyCursor), key, window);
    }
    ~BusyCursor()
    {
        if (window)
            LXCursorStack::popCursorForKey(key, window);
    }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
    QPointer<QWidget> window;
    QVariant key;
};

// The light on the display's glass, a child above the preview so that it
// falls over the dragged picture too; it takes no events.
class GlareOverlay : public QWidget {
public:
    explicit GlareOverlay(SWDropView* view) : QWidget(view), m_view(view)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const DropLayout l = dropLayout(QSizeF(m_view->size()), m_view->currentScreen().size);
        const double h = m_view->height();
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath rounded;
        rounded.addRoundedRect(flippedRect(l.bezel, h), l.cornerRadius, l.cornerRadius);
        painter.setClipPath(rounded);
        QPolygonF glare;
        for (const QPointF& p : l.glare)
            glare << flippedPoint(p, h);
        QPainterPath glarePath;
        glarePath.addPolygon(glare);
        glarePath.closeSubpath();
        QLinearGradient light(flippedPoint(l.glareFrom, h), flippedPoint(l.glareTo, h));
        light.setColorAt(0, QColor::fromRgbF(1, 1, 1, 0.3));
        light.setColorAt(1, QColor::fromRgbF(1, 1, 1, 0));
        painter.setPen(Qt::NoPen);
        painter.fillPath(glarePath, light);
    }

private:
    SWDropView* m_view;
};

} // namespace

SWDropView::SWDropView(QWidget* parent) : QWidget(parent)
{
    // The filters were made with m_maker; then the sample, the stand, the preview.
    const QUrl url = Bundle::mainBundle().urlForResource(QStringLiteral("Sample"), QStringLiteral("jpg"));
    if (!url.isEmpty())
        sample = CIImage::imageWithContentsOfURL(url);
    foot = imageNamedPrefer2X(Bundle::mainBundle(), QStringLiteral("DisplayFoot"), true); // sharp at ratio 2, fine below
    imageView = new LXImageView(this);
    imageView->setGeometry(rect());
    imageView->setGravity(Gravity::Fill);
    imageView->setNoHitTesting(true); // clicks and drops reach the view
    imageView->setAcceptDrops(false);
    m_fade = new PreviewFade(imageView);
    m_glare = new GlareOverlay(this);
    m_glare->setGeometry(rect());
    // A fade raises the preview it shows; the glass stays above it.
    connect(m_fade, &PreviewFade::stateChanged, m_glare, [this] { m_glare->raise(); });
    showWatermark = UserDefaults::standardUserDefaults().boolForKey(kShowLogo);
    m_scaleUp = UserDefaults::standardUserDefaults().boolForKey(kScaleUp);
    setMinimumSize(200, 180);
}

SWDropView::~SWDropView()
{
    removeWindowObservers();
    if (m_binding)
        UserDefaults::standardUserDefaults().removeKeyObserver(m_binding);
    if (m_renderTimer)
        m_renderTimer->invalidate();
}

void SWDropView::awakeFromNib()
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    setScaleUp(defaults.boolForKey(kScaleUp));
    if (m_scaleUpButton)
        m_scaleUpButton->setState(m_scaleUp ? 1 : 0);
    // The binding: a change made anywhere reaches the view.
    if (!m_binding)
        m_binding = defaults.addKeyObserver(kScaleUp, [this](const QVariant& value) {
            if (value.toBool() != m_scaleUp)
                setScaleUp(value.toBool());
        });
    setAcceptDrops(true);
    updateSample();
}

void SWDropView::setScaleUpButton(LXButton* button)
{
    if (m_scaleUpButton)
        disconnect(m_scaleUpButton, nullptr, this, nullptr);
    m_scaleUpButton = button;
    if (button)
        connect(button, &LXButton::clicked, this, [this, button] { toggleUpscale(button); });
}

WallpaperScreen SWDropView::currentScreen() const
{
    QScreen* here = screen();
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (!here)
        return {QSizeF(0, 0), false, QString(), 1};
    return {QSizeF(here->geometry().size()), !screens.isEmpty() && screens.first() == here, here->name(),
            here->devicePixelRatio()};
}

void SWDropView::setSampleImage(const CIImage& image)
{
    m_sampleImage = image;
    scheduleSampleRender(0);
    update();
    emit sampleImageChanged();
}

CIImage SWDropView::enhancedImageFor(const CIImage& photo)
{
    return m_maker.enhancedImageFor(photo, currentScreen(), m_scaleUp, showWatermark, chain(false));
}

const LookChain* SWDropView::chain(bool shown) const
{
    if (!m_look)
        return nullptr;
    return shown ? &m_look->shownChain() : &m_look->chain();
}

void SWDropView::setLookEditor(LookEditor* editor)
{
    if (m_lookConnection)
        disconnect(m_lookConnection);
    m_look = editor;
    if (editor)
        m_lookConnection = connect(editor, &LookEditor::shownLookChanged, this, &SWDropView::lookChanged);
    lookChanged();
}

void SWDropView::lookChanged()
{
    // The bitmap is made anew in a queued call: a slider's many moves make one render each turn.
    ++m_lookRevision;
    scheduleSampleRender(0);
}

void SWDropView::keepPhoto(const CIImage& photo, const QString& name)
{
    if (photo.isNull())
        return;
    m_lastPhoto = photo;
    m_lastName = name;
    const CIImage reduced = reducedTo(photo, QSizeF(kReducedSide, kReducedSide));
    const QRectF extent = reduced.extent();
    const CIContext context;
    const QImage bitmap = context.createCGImage(
        reduced.imageByApplyingTransform(QTransform::fromTranslate(-extent.x(), -extent.y())),
        QRectF(QPointF(0, 0), extent.size().toSize()));
    m_lastReduced = bitmap.isNull() ? reduced : CIImage::imageWithQImage(bitmap);
    updateSample();
}

QRectF SWDropView::drawnScreenRect() const
{
    return flippedRect(dropLayout(QSizeF(size()), currentScreen().size).picture, height());
}

QImage SWDropView::shownPhotoBitmap(int side) const
{
    const CIImage photo = reducedTo(m_lastReduced.isNull() ? sample : m_lastReduced, QSizeF(side, side));
    const QRectF extent = photo.extent();
    if (photo.isNull() || extent.isEmpty())
        return {};
    return CIContext().createCGImage(photo.imageByApplyingTransform(QTransform::fromTranslate(-extent.x(), -extent.y())),
                                     QRectF(QPointF(0, 0), extent.size().toSize()));
}

WallpaperMaker::SaveResult SWDropView::setAsWallpaper()
{
    const BusyCursor busy(this);
    m_processedImage = enhancedImageFor(shownPhoto());
    emit processedImageChanged();
    return saveAsBackground(m_lastPhoto.isNull() ? QStringLiteral("Sample") : m_lastName.isEmpty() ? QStringLiteral("Unnamed Background") : m_lastName);
}

void SWDropView::updateSample()
{
    layoutPreview();
    setSampleImage(sampleFor(currentScreen()));
}

CIImage SWDropView::sampleFor(const WallpaperScreen& screen)
{
    if (!m_lastReduced.isNull()) // the photo last used, as its wallpaper looks
        return previewOf(m_lastReduced, m_lastPhoto.extent().size(), screen, chain(true));
    if (m_scaleUp)
        return m_maker.enhancedImageFor(sample, screen, m_scaleUp, showWatermark, chain(true));
    // The sample shows at 80 % of the screen's height, the extension around it.
    const double H = screen.pixelSize().height();
    const double h = sample.isNull() ? 0 : sample.extent().height();
    const double s = h > 0 ? H / h * 0.8 : 0;
    const LookChain* look = chain(true);
    const CIImage scaled = s > 0 ? shownAt(sample, s, {}, look && !look->isPlain()) : CIImage();
    return m_maker.enhancedImageFor(scaled, screen, m_scaleUp, showWatermark, look);
}

WallpaperScreen SWDropView::drawnScreen(QSize pixels) const
{
    // The same picture laid out for the screen, made only as large as it is drawn.
    WallpaperScreen drawn = currentScreen();
    drawn.display = true;
    if (drawn.size.width() > 0 && pixels.width() > 0)
        drawn.scale = pixels.width() / drawn.size.width();
    return drawn;
}

QSize SWDropView::drawnPixels() const
{
    const DropLayout l = dropLayout(QSizeF(size()), currentScreen().size);
    const double ratio = devicePixelRatioF();
    return {int(std::lround(l.picture.width() * ratio)), int(std::lround(l.picture.height() * ratio))};
}

bool SWDropView::applyImageAt(const QUrl& url)
{
    const BusyCursor busy(this);
    // A crop needs more of the photo than the screen shows.
    const CIImage photo = WallpaperMaker::loadPhoto(url, WallpaperMaker::decodeSizeFor(currentScreen().pixelSize(), chain(false),
                                                                                       WallpaperMaker::uprightSizeAt(url.toLocalFile())));
    if (photo.isNull())
        return false;
    DragPhoto opened;
    opened.photo = photo;
    buildPreview(opened);
    m_fade->flash();
    const QString name = QFileInfo(url.toLocalFile()).completeBaseName();
    saveShown(name);
    keepPhoto(photo, name);
    return true;
}

bool SWDropView::takeMimeData(const QMimeData* data)
{
    const BusyCursor busy(this);
    const DragPhoto photo = photoFromOffer(DragOffer::fullOf(data), {currentScreen().pixelSize()});
    if (photo.isNull()) {
        Alert::showLocalized(QStringLiteral("Problem creating Wallpaper"), QStringLiteral("The pasted data cannot be used: %@."),
                             {Bundle::mainBundle().localizedString(photo.reason, photo.reason)});
        return false;
    }
    buildPreview(photo);
    m_fade->flash();
    saveShown(photo.name);
    keepPhoto(m_dragSource, photo.name);
    return true;
}

WallpaperMaker::SaveResult SWDropView::saveAsBackground(const QString& name)
{
    QString path;
    const auto result = m_maker.saveAsBackground(m_processedImage, name, currentScreen().name, &path);
    if (!path.isEmpty())
        emit wallpaperSaved(path, result == WallpaperMaker::SaveResult::Installed);
    return result;
}

void SWDropView::saveShown(const QString& name)
{
    saveAsBackground(name.isEmpty() ? QStringLiteral("Unnamed Background") : name);
}

void SWDropView::setScaleUp(bool scaleUp)
{
    m_scaleUp = scaleUp;
    // The switch follows without sending its action again.
    if (m_scaleUpButton && m_scaleUpButton->state() != (scaleUp ? 1 : 0))
        m_scaleUpButton->setState(scaleUp ? 1 : 0);
    UserDefaults::standardUserDefaults().setBool(scaleUp, kScaleUp);
    updateSample();
}

void SWDropView::toggleUpscale(QObject* sender)
{
    const auto* button = qobject_cast<LXButton*>(sender);
    setScaleUp(button && button->state() == 1);
}

void SWDropView::userDefaultsChanged()
{
    const bool show = UserDefaults::standardUserDefaults().boolForKey(kShowLogo);
    if (show == showWatermark)
        return;
    showWatermark = show;
    updateSample();
}

// ---- drawing

void SWDropView::layoutPreview()
{
    const DropLayout l = dropLayout(QSizeF(size()), currentScreen().size);
    imageView->setGeometry(flippedRect(l.picture, height()).toAlignedRect());
    m_glare->setGeometry(rect());
}

void SWDropView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutPreview();
    // Live resizing repaints from the bitmap it has; the new one follows.
    scheduleSampleRender(m_sampleBitmap.pixels.isNull() ? 0 : 0.15);
}

void SWDropView::scheduleSampleRender(double seconds)
{
    if (!isVisible())
        return; // showing schedules it
    if (m_renderTimer && m_renderTimer->isValid()) {
        if (seconds == 0 && m_renderTimer->interval() > 0)
            m_renderTimer->invalidate(); // sooner
        else
            return;
    }
    QPointer<SWDropView> self(this);
    m_renderTimer = Timer::scheduled(seconds, false, [self](Timer&) {
        if (self)
            self->renderPendingBitmaps();
    });
}

void SWDropView::renderPendingBitmaps()
{
    if (m_renderTimer)
        m_renderTimer->invalidate();
    const QSize pixels = drawnPixels();
    if (m_sampleBitmap.image == m_sampleImage && m_sampleBitmap.size == pixels && m_sampleBitmap.look == m_lookRevision
        && !m_sampleBitmap.pixels.isNull())
        return;
    // Until the new one is made the old bitmap stays: a look change never flashes an empty display.
    const QImage old = m_sampleBitmap.pixels;
    m_sampleBitmap = {m_sampleImage, pixels, m_lookRevision, old};
    const CIImage drawn = sampleFor(drawnScreen(pixels));
    QString error;
    const QImage bitmap = bitmapOf(drawn, pixels, devicePixelRatioF(), &error);
    if (bitmap.isNull() && !error.isEmpty()) {
        Log::line(lcDrop, QStringLiteral("Warning: the sample could not be drawn: %1").arg(error));
        return;
    }
    if (!bitmap.isNull())
        m_sampleBitmap.pixels = bitmap;
    update();
}

void SWDropView::paintEvent(QPaintEvent*)
{
    const DropLayout l = dropLayout(QSizeF(size()), currentScreen().size);
    const double h = height();
    QPainter painter(this);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);

    if (!foot.isNull()) {
        foot.draw(painter, flippedRect(l.stand, h));
        // The artwork's top rows hold only the column.
        if (!l.neck.isEmpty())
            foot.draw(painter, flippedRect(l.neck, h), QRectF(0, 0, foot.size().width(), 2));
    }
    const QRectF picture = flippedRect(l.picture, h);
    const QRectF bezel = flippedRect(l.bezel, h);
    if (!m_sampleBitmap.pixels.isNull() && !picture.isEmpty())
        painter.drawImage(picture, m_sampleBitmap.pixels);

    QPainterPath rounded;
    rounded.addRoundedRect(bezel, l.cornerRadius, l.cornerRadius);
    QPainterPath screenPath;
    screenPath.addRect(picture);
    QPainterPath ring = rounded;
    ring.addPath(screenPath);
    ring.setFillRule(Qt::OddEvenFill);
    painter.fillPath(ring, Qt::black);

    painter.setPen(QPen(QColor::fromRgbF(0.25, 0.25, 0.25, 1.0), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(screenPath);
    painter.drawPath(rounded);
    // The glare is painted by m_glare, above the preview.
}

// ---- drags

CIImage SWDropView::fittedToScreen(const QImage& image)
{
    const QSizeF screen = currentScreen().pixelSize();
    const double W = screen.width(), H = screen.height();
    const double w = image.width(), h = image.height();
    if (w <= W && h <= H)
        return CIImage::imageWithQImage(image);
    // The largest size of the same aspect that fits the screen.
    const QSize size = W / H > w / h ? QSize(std::max(1, int(std::lround(H / h * w))), int(H))
                                     : QSize(int(W), std::max(1, int(std::lround(W / w * h))));
    if (size.isEmpty())
        return {};
    QImage fitted(size, QImage::Format_ARGB32_Premultiplied);
    fitted.fill(Qt::transparent);
    QPainter painter(&fitted);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(QPoint(0, 0), size), image);
    painter.end();
    return CIImage::imageWithQImage(fitted);
}

bool SWDropView::buildPreview(const DragPhoto& photo)
{
    const CIImage source = !photo.photo.isNull() ? photo.photo : fittedToScreen(photo.bitmap);
    m_dragSource = source;
    // The preview is the same picture made at the size it is shown; the
    // screen-sized one is rendered only when saved.
    layoutPreview();
    if (!photo.preview.isNull())
        showPreview(photo.preview, source.extent().size(), photo.previewFile);
    else
        imageView->setCIImage(previewOf(source, source.extent().size(), drawnScreen(drawnPixels()), chain(true)));
    m_processedImage = enhancedImageFor(source);
    if (LXImagePreviewer::enabledForDevelopers()) {
        LXImagePreviewer::showCIImage(source, QStringLiteral("Photo"));
        LXImagePreviewer::showCIImage(m_processedImage, QStringLiteral("Wallpaper"));
    }
    emit processedImageChanged();
    return !m_processedImage.isNull();
}

CIImage SWDropView::previewOf(const CIImage& photo, const QSizeF& size, const WallpaperScreen& drawn, const LookChain* look)
{
    // The wallpaper made small: a photo that the screen shows at its own
    // size is made small too, so that it keeps its share of the display
    // instead of being fitted to it. A larger one is fitted either way, from
    // its reduced decode as it is (a scale more costs the engine passes).
    const WallpaperScreen screen = currentScreen();
    const QSizeF whole = screen.pixelSize(), decoded = photo.extent().size();
    const double k = screen.scale > 0 ? drawn.scale / screen.scale : 1;
    const bool ownSize = !m_scaleUp && size.width() <= whole.width() && size.height() <= whole.height();
    const double s = decoded.width() > 0 ? size.width() * k / decoded.width() : 1;
    const CIImage shown = shownAt(photo, ownSize && s > 0 ? s : 1, WallpaperMaker::decodeSizeFor(drawn.pixelSize(), look),
                                  look && !look->isPlain());
    return m_maker.enhancedImageFor(shown, drawn, m_scaleUp, showWatermark, look);
}

CIImage SWDropView::shownAt(const CIImage& photo, double scale, const QSizeF& box, bool styled)
{
    if (photo.isNull())
        return photo;
    if (m_shownAt.photo == photo && m_shownAt.scale == scale && m_shownAt.box == box && m_shownAt.styled == styled)
        return m_shownAt.image;
    const CIImage scaled = scale != 1 ? photo.imageByApplyingTransform(QTransform::fromScale(scale, scale)) : photo;
    CIImage shown = scaled;
    const QSizeF size = shown.extent().size();
    if (!box.isEmpty() && (size.width() > box.width() || size.height() > box.height())) {
        // As the wallpaper fits it, centred on whole pixels.
        const QSizeF fit = centredFitSize(size, box);
        shown = shown.imageByApplyingTransform(QTransform::fromScale(fit.width() / size.width(), fit.height() / size.height()));
    }
    // Kept on whole pixels: a look cuts its photo to them anyway (a
    // part-covered edge would be half transparent); a plain photo only
    // when it lies on them (a scale's rounding aside).
    const QRectF e = shown.extent();
    const QRectF inner = CIGeometry::wholePixelsInside(e);
    const bool onWhole = std::abs(inner.width() - e.width()) + std::abs(inner.height() - e.height()) < 1e-6;
    if (shown != photo && !inner.isEmpty() && (styled || onWhole)) {
        const CIImage kept = CIImageAccumulator::flatten(shown.imageByCroppingToRect(inner), inner);
        if (!kept.isNull())
            shown = kept;
    } else {
        shown = scaled; // the wallpaper's own fit reads the photo at once
    }
    m_shownAt = {photo, scale, box, styled, shown};
    return shown;
}

QSizeF SWDropView::previewDecodePixels() const
{
    return WallpaperMaker::decodeSizeFor(QSizeF(drawnPixels()), chain(true));
}

void SWDropView::showPreview(const CIImage& photo, const QSizeF& size, const QString& file)
{
    // Everything the picture depends on besides the file, which the cache checks.
    const QSize pixels = drawnPixels();
    const WallpaperScreen screen = currentScreen();
    const LookChain* look = chain(true);
    const PhotoCache::PreviewKey key{pixels, screen.size, screen.isMain, m_scaleUp, showWatermark, look ? look->look() : Look()};
    PhotoCache& cache = PhotoCache::shared();
    QImage bitmap = cache.previewFor(file, key);
    if (bitmap.isNull()) {
        QString error;
        bitmap = bitmapOf(previewOf(photo, size, drawnScreen(pixels), look), pixels, devicePixelRatioF(), &error);
        if (bitmap.isNull())
            Log::line(lcDrop, QStringLiteral("Warning: the preview could not be drawn: %1").arg(error));
        cache.keepPreview(file, key, bitmap);
    }
    imageView->setImage(Picture(bitmap));
}

void SWDropView::dragEnterEvent(QDragEnterEvent* event)
{
    const DragOffer offer = DragOffer::headerOf(event->mimeData());
    const Qt::DropAction action = dropActionFor(event->possibleActions());
    if (action == Qt::IgnoreAction || !offer.mayHoldPhoto()) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
    // Image bytes are copied now: an X11 drag hands out its data only inside
    // its events (later reads give nothing). Files are read by the build.
    m_dragOffer = offer.imageType.isEmpty() ? offer : DragOffer::fullOf(event->mimeData());
    // A file's preview decode starts now, on a worker, while the build waits its turn.
    if (const QStringList files = offer.urlFiles(); !files.isEmpty())
        PhotoCache::shared().prepare(files.first(), previewDecodePixels());
    m_dragProblem.clear();
    m_dragPending = true;
    const int generation = ++m_dragGeneration;
    QPointer<SWDropView> self(this);
    MainQueue::async([self, generation] {
        if (self && self->m_dragPending && self->m_dragGeneration == generation)
            self->buildPendingDrag();
    });
}

void SWDropView::buildPendingDrag()
{
    m_dragPending = false;
    const BusyCursor busy(this);
    // The preview needs far less of a file than the screen: decoded as it renders.
    const DragPhoto photo = photoFromOffer(m_dragOffer, {currentScreen().pixelSize(), false, previewDecodePixels()});
    m_dragOffer = {}; // the bytes are not needed again
    if (photo.isNull()) {
        Log::line(lcDrop, QStringLiteral("Warning: the dragged data gives no photo: %1").arg(photo.reason));
        m_dragProblem = photo.reason;
        userImage = false;
        return;
    }
    userImage = buildPreview(photo);
    m_dropName = photo.name;
    if (userImage)
        m_fade->fadeIn();
    else
        m_dragProblem = QStringLiteral("no picture could be made of it");
}

void SWDropView::dragMoveEvent(QDragMoveEvent* event)
{
    // Once the photo is known to be unusable the source is told so (and shows it).
    if (!m_dragProblem.isEmpty()) {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        return;
    }
    event->setDropAction(dropActionFor(event->possibleActions()));
    event->accept();
}

void SWDropView::dragLeaveEvent(QDragLeaveEvent* event)
{
    // A refused drag released over the view ends in a leave, not a drop
    // (X11 sources send no drop to a target that refused): the pointer still
    // over the view tells the two apart from a drag taken elsewhere.
    if (rect().contains(mapFromGlobal(QCursor::pos())))
        tellWhyRefused();
    m_dragPending = false;
    m_dragOffer = {};
    m_dragProblem.clear();
    userImage = false;
    m_fade->fadeOut();
    event->accept();
}

void SWDropView::dropEvent(QDropEvent* event)
{
    if (m_dragPending)
        buildPendingDrag(); // dropped before the queued build ran
    const Qt::DropAction action = dropActionFor(event->possibleActions());
    if (!userImage || action == Qt::IgnoreAction) {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        tellWhyRefused();
        return;
    }
    event->setDropAction(action);
    event->accept();
    {
        const BusyCursor busy(this);
        saveShown(m_dropName);
        keepPhoto(m_dragSource, m_dropName);
    }
    userImage = false;
    m_fade->fadeOut();
}

void SWDropView::tellWhyRefused()
{
    const QString problem = std::exchange(m_dragProblem, QString());
    if (problem.isEmpty())
        return;
    // After the drop has been answered: the source is not kept waiting on an alert.
    MainQueue::async([problem] {
        Alert::showLocalized(QStringLiteral("Problem creating Wallpaper"), QStringLiteral("The dropped item cannot be used: %@."),
                             {Bundle::mainBundle().localizedString(problem, problem)});
    });
}

// ---- observers

bool SWDropView::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Show:
        installWindowObservers();
        updateSample();
        break;
    case QEvent::Hide:
    case QEvent::ParentAboutToChange:
        removeWindowObservers();
        break;
    case QEvent::ParentChange:
        if (isVisible())
            installWindowObservers();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void SWDropView::installWindowObservers()
{
    QWindow* handle = window()->windowHandle();
    if (handle == m_window && handle)
        return;
    removeWindowObservers();
    if (!handle)
        return;
    m_window = handle;
    m_windowConnections << connect(handle, &QWindow::screenChanged, this, &SWDropView::screenChanged);
    watchScreen(handle->screen());
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    NotificationCenter::defaultCenter().addObserver(this, kUserDefaultsDidChangeNotification, &defaults,
                                                    [this](const Notification&) { userDefaultsChanged(); });
}

void SWDropView::removeWindowObservers()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    for (const auto& c : std::as_const(m_windowConnections))
        disconnect(c);
    m_windowConnections.clear();
    watchScreen(nullptr);
    m_window = nullptr;
}

void SWDropView::watchScreen(QScreen* screen)
{
    for (const auto& c : std::as_const(m_screenConnections))
        disconnect(c);
    m_screenConnections.clear();
    m_screen = screen;
    if (!screen)
        return;
    // Its size, turn or scale changes the picture the sample is made for.
    m_screenConnections << connect(screen, &QScreen::geometryChanged, this, &SWDropView::updateSample)
                        << connect(screen, &QScreen::logicalDotsPerInchChanged, this, &SWDropView::updateSample)
                        << connect(screen, &QScreen::physicalDotsPerInchChanged, this, &SWDropView::updateSample)
                        << connect(screen, &QScreen::orientationChanged, this, &SWDropView::updateSample);
}

void SWDropView::screenChanged()
{
    watchScreen(m_window ? m_window->screen() : nullptr);
    updateSample();
}
