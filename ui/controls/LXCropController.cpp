#include "ui/controls/LXCropController.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "ui/controls/LXCropView.h"
#include "ui/controls/LXImageView.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

LXCropController::LXCropController(QObject* parent) : LXWindowController(parent) {}

LXCropController::~LXCropController() = default;

bool LXCropController::loaded() const
{
    return loadedWindow() && m_cropView && m_imageView;
}

Picture LXCropController::image() const
{
    if (m_image)
        return *m_image;
    return m_imageView ? m_imageView->image() : Picture();
}

void LXCropController::setImage(const Picture& image)
{
    m_image = image;
    apply();
}

double LXCropController::cropRatio() const
{
    if (m_cropRatio)
        return *m_cropRatio;
    return m_cropView ? m_cropView->cropRatio() : 1.0;
}

void LXCropController::setCropRatio(double ratio)
{
    m_cropRatio = ratio;
    apply();
}

QRectF LXCropController::cropRect() const
{
    if (m_cropRect)
        return *m_cropRect;
    return m_cropView ? m_cropView->cropRect() : QRectF(0, 0, 1, 1);
}

void LXCropController::setCropRect(const QRectF& rect)
{
    m_cropRect = rect;
    apply();
}

void LXCropController::setDescriptionFile(const QString& nameOrPath)
{
    m_descriptionFile = nameOrPath;
    apply();
}

void LXCropController::windowDidLoad()
{
    if (m_imageView) {
        m_imageView->setGravity(Gravity::Centred);
        m_imageView->setAspectFit(true);
    }
    apply();
}

void LXCropController::apply()
{
    if (!loaded())
        return;
    if (m_image) {
        const Picture image = *std::exchange(m_image, std::nullopt);
        const QSizeF size = image.size();
        if (size.isEmpty()) {
            Log::line(lcControls, QStringLiteral("Warning: the crop window cannot show a picture without a size"));
        } else {
            m_imageView->setImage(image);
            m_cropView->setActiveAreaRatio(size.width() / size.height());
        }
    }
    if (m_cropRatio)
        m_cropView->setCropRatio(*std::exchange(m_cropRatio, std::nullopt));
    if (m_cropRect)
        m_cropView->setCropRect(*std::exchange(m_cropRect, std::nullopt));
    if (m_descriptionFile && m_descriptionView) {
        const QString given = *std::exchange(m_descriptionFile, std::nullopt);
        const QString path = given.contains(QLatin1Char('/'))
                                 ? given
                                 : Bundle::mainBundle().pathForResource(given, QStringLiteral("html"));
        QFile file(path);
        if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
            Log::line(lcControls, QStringLiteral("Warning: the crop window has no description \"%1\"").arg(given));
        } else {
            m_descriptionView->setSearchPaths({QFileInfo(path).absolutePath()});
            m_descriptionView->setHtml(QString::fromUtf8(file.readAll()));
        }
    }
}
