#include "app/SWDropView.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace {

QString baseNameOf(const QString& text)
{
    const QString last = text.section(QLatin1Char('/'), -1, -1, QString::SectionSkipEmpty);
    const qsizetype dot = last.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? last.left(dot) : last;
}

} // namespace

SWDropView::SWDropView(QWidget* parent) : QWidget(parent)
{
    const QUrl url = Bundle::mainBundle().urlForResource(QStringLiteral("Sample"), QStringLiteral("jpg"));
    if (!url.isEmpty())
        sample = CIImage::imageWithContentsOfURL(url);
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    showWatermark = defaults.boolForKey(QStringLiteral("showLogo"));
    m_scaleUp = defaults.boolForKey(QStringLiteral("scaleUp"));
    // The binding of "scaleUp": a change made anywhere reaches the view.
    m_defaultsObserver = defaults.addKeyObserver(QStringLiteral("scaleUp"), [this](const QVariant& value) {
        if (value.toBool() != m_scaleUp)
            setScaleUp(value.toBool());
    });
    NotificationCenter::defaultCenter().addObserver(this, UserDefaults::didChangeNotification(), &defaults,
                                                    [this](const Notification&) { userDefaultsChanged(); });
}

SWDropView::~SWDropView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    UserDefaults::standardUserDefaults().removeKeyObserver(m_defaultsObserver);
}

SWScreen SWDropView::currentScreen() const
{
    QScreen* here = screen();
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (!here)
        return {QSizeF(0, 0), false, QString()};
    return {QSizeF(here->geometry().size()), !screens.isEmpty() && screens.first() == here, here->name()};
}

void SWDropView::setSampleImage(const CIImage& image)
{
    m_sampleImage = image;
    update();
    emit sampleImageChanged();
}

CIImage SWDropView::enhancedImageFor(const CIImage& photo)
{
    return m_maker.enhancedImageFor(photo, currentScreen(), m_scaleUp, showWatermark);
}

void SWDropView::updateSample()
{
    if (m_scaleUp) {
        setSampleImage(enhancedImageFor(sample));
        return;
    }
    // The sample shows at 80 % of the screen's height, the extension around it.
    const double H = currentScreen().size.height();
    const double h = sample.isNull() ? 0 : sample.extent().height();
    const double s = h > 0 ? H / h * 0.8 : 0;
    const CIImage scaled = s > 0 ? sample.imageByApplyingTransform(QTransform::fromScale(s, s)) : CIImage();
    setSampleImage(enhancedImageFor(scaled));
}

bool SWDropView::applyImageAt(const QUrl& url)
{
    const CIImage photo = SWWallpaperMaker::loadPhoto(url);
    if (photo.isNull())
        return false;
    m_processedImage = enhancedImageFor(photo);
    emit processedImageChanged();
    saveAsBackground(baseNameOf(url.toLocalFile()));
    return true;
}

SWWallpaperMaker::SaveResult SWDropView::saveAsBackground(const QString& name)
{
    return m_maker.saveAsBackground(m_processedImage, name, currentScreen().name);
}

void SWDropView::setScaleUp(bool scaleUp)
{
    m_scaleUp = scaleUp;
    UserDefaults::standardUserDefaults().setBool(scaleUp, QStringLiteral("scaleUp"));
    updateSample();
}

void SWDropView::userDefaultsChanged()
{
    const bool show = UserDefaults::standardUserDefaults().boolForKey(QStringLiteral("showLogo"));
    if (show == showWatermark)
        return;
    showWatermark = show;
    updateSample();
}

bool SWDropView::draggingEnteredWithImage(const QImage& image)
{
    if (image.isNull())
        return false;
    const QSizeF screenSize = currentScreen().size;
    const double W = screenSize.width(), H = screenSize.height();
    const double w = image.width(), h = image.height();
    QImage fitted = image;
    if (w > W || h > H) {
        // The largest size of the same aspect that fits the screen.
        const QSize size = W / H > w / h ? QSize(qRound(H / h * w), int(H)) : QSize(int(W), qRound(W / w * h));
        if (size.isEmpty())
            return false;
        fitted = QImage(size, QImage::Format_ARGB32_Premultiplied);
        fitted.fill(Qt::transparent);
        QPainter painter(&fitted);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(QPoint(0, 0), size), image);
    }
    m_processedImage = enhancedImageFor(CIImage::imageWithQImage(fitted));
    emit processedImageChanged();
    userImage = true;
    return true;
}

bool SWDropView::performDrop(const QString& url, const QStringList& fileNames, const QString& text)
{
    if (!userImage)
        return false;
    QString source;
    if (!url.isEmpty())
        source = QUrl(url).isLocalFile() ? QUrl(url).toLocalFile() : QUrl(url).path();
    else if (!fileNames.isEmpty())
        source = fileNames.last();
    else
        source = text;
    QString name = baseNameOf(source);
    if (name.isEmpty())
        name = QStringLiteral("Unnamed Background");
    saveAsBackground(name);
    userImage = false;
    return true;
}
