#include "platform/ui/Picture.h"

#include "platform/foundation/Log.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

struct Picture::Data {
    QImage image;                         // bitmap pictures
    std::shared_ptr<QSvgRenderer> vector; // vector pictures
    QSizeF size;
    QString path;
    bool alpha = true; // the source had an alpha channel (vectors: always)
};

Picture::Picture(const QImage& image, QSizeF size)
{
    if (image.isNull())
        return;
    auto data = std::make_shared<Data>();
    data->image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    data->alpha = image.hasAlphaChannel();
    data->size = size.isEmpty() ? QSizeF(image.size()) / image.devicePixelRatio() : size;
    m_data = std::move(data);
}

Picture Picture::fromFile(const QString& path)
{
    const QFileInfo info(path);
    if (info.suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0) {
        auto renderer = std::make_shared<QSvgRenderer>(path);
        if (!renderer->isValid()) {
            Log::line(lcUi, QStringLiteral("Warning: cannot read the picture %1").arg(path));
            return {};
        }
        auto data = std::make_shared<Data>();
        data->vector = std::move(renderer);
        data->size = data->vector->defaultSize();
        data->path = path;
        Picture picture;
        picture.m_data = std::move(data);
        return picture;
    }

    QImageReader reader(path);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull()) {
        Log::line(lcUi, QStringLiteral("Warning: cannot read the picture %1: %2").arg(path, reader.errorString()));
        return {};
    }
    // "@2x" artwork is meant for screens of twice the density.
    const qreal ratio = info.completeBaseName().endsWith(QLatin1String("@2x")) ? 2.0 : 1.0;
    Picture picture(image, QSizeF(image.size()) / ratio);
    auto data = std::make_shared<Data>(*picture.m_data);
    data->path = path;
    picture.m_data = std::move(data);
    return picture;
}

bool Picture::hasAlpha() const
{
    return m_data && m_data->alpha;
}

bool Picture::isVector() const
{
    return m_data && m_data->vector;
}

QSizeF Picture::size() const
{
    return m_data ? m_data->size : QSizeF();
}

QSize Picture::pixelSize() const
{
    if (!m_data)
        return {};
    if (m_data->vector)
        return QSize(int(std::ceil(m_data->size.width())), int(std::ceil(m_data->size.height())));
    return m_data->image.size();
}

QString Picture::path() const
{
    return m_data ? m_data->path : QString();
}

QImage Picture::toImage(QSize pixels) const
{
    if (!m_data)
        return {};
    if (pixels.isEmpty())
        pixels = pixelSize();
    if (pixels.isEmpty())
        return {};
    if (m_data->vector) {
        QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        m_data->vector->render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
        return image;
    }
    if (pixels == m_data->image.size())
        return m_data->image;
    return m_data->image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void Picture::draw(QPainter& painter, const QRectF& target, const QRectF& source, qreal opacity) const
{
    if (!m_data || target.isEmpty())
        return;
    const QRectF from = source.isEmpty() ? QRectF(QPointF(0, 0), m_data->size) : source;
    const qreal oldOpacity = painter.opacity();
    painter.setOpacity(oldOpacity * opacity);
    if (m_data->vector) {
        // Render the whole artwork so that `from` lands on `target`.
        const qreal sx = target.width() / from.width();
        const qreal sy = target.height() / from.height();
        const QRectF whole(target.x() - from.x() * sx, target.y() - from.y() * sy,
                           m_data->size.width() * sx, m_data->size.height() * sy);
        painter.save();
        painter.setClipRect(target, Qt::IntersectClip);
        m_data->vector->render(&painter, whole);
        painter.restore();
    } else {
        const qreal px = m_data->image.width() / m_data->size.width();
        const qreal py = m_data->image.height() / m_data->size.height();
        const QRectF pixels(from.x() * px, from.y() * py, from.width() * px, from.height() * py);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, m_data->image, pixels);
    }
    painter.setOpacity(oldOpacity);
}
