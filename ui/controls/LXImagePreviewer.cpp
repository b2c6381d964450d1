#include "ui/controls/LXImagePreviewer.h"

#include "graphics/ImageExtension.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/image/CIGeometry.h"
#include "platform/ui/Layer.h"
#include "platform/ui/ScreenRoom.h"
#include "resources/LXBundleManager.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QPainter>
#include <QUrl>

#include <cmath>

namespace {

const QString kSizeKey = QStringLiteral("PreviewerHistorySize");

// The one counter of preview names, shared by every name.
quint64 s_previewCounter = 0;

QString orNull(const QString& text) { return text.isNull() ? QStringLiteral("(null)") : text; }

void warn(const QString& text) { Log::line(lcControls, QStringLiteral("Warning: ") + text); }

QString describe(const Picture& image)
{
    if (image.isNull())
        return QStringLiteral("(null)");
    return QStringLiteral("<Picture %1 x %2>").arg(image.size().width()).arg(image.size().height());
}

QString describe(const CIImage& image)
{
    if (image.isNull())
        return QStringLiteral("(null)");
    const QRectF e = image.extent();
    return QStringLiteral("<CIImage extent (%1, %2, %3, %4)>").arg(e.x()).arg(e.y()).arg(e.width()).arg(e.height());
}

// A name less its extension: "Photo.Previewer3" is "Photo".
QString baseName(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

QString controlsText(const QString& key) { return Bundle::mainBundle().localizedString(key, key, QStringLiteral("Controls")); }

} // namespace

LXImagePreviewer::LXImagePreviewer(QObject* parent) : LXWindowController(parent)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.registerDefaults({{kSizeKey, qint64(kDefaultHistorySize)}});
    m_historySize = historySizeFromStored(defaults.objectForKey(kSizeKey));
}

LXImagePreviewer::~LXImagePreviewer() = default;

LXImagePreviewer* LXImagePreviewer::sharedImagePreviewer()
{
    static auto* shared = new LXImagePreviewer;
    return shared;
}

bool LXImagePreviewer::enabledForDevelopers()
{
    const QByteArray value = qgetenv("SUNNYSIDE_PREVIEWER");
    return !value.isEmpty() && value != "0";
}

quint64 LXImagePreviewer::historySizeFromStored(const QVariant& stored)
{
    // A negative number read as unsigned would be a history without end.
    bool ok = false;
    const qlonglong value = stored.toLongLong(&ok);
    if (!ok || value < 0 || (stored.typeId() == QMetaType::Double && stored.toDouble() != double(value)))
        return kDefaultHistorySize;
    return std::max<quint64>(1, quint64(value));
}

QString LXImagePreviewer::preview(const Picture& image, const QString& name)
{
    QString given;
    if (!name.isNull())
        given = QStringLiteral("%1.Previewer%2").arg(name).arg(++s_previewCounter);
    sharedImagePreviewer()->addImage(image, given);
    return given;
}

QString LXImagePreviewer::showNSImage(const Picture& image, const QString& name)
{
    if (image.isNull() || !(image.size().width() > 0) || !(image.size().height() > 0)) {
        warn(QStringLiteral("Previewing %1 image with name %2").arg(describe(image), orNull(name)));
        return {};
    }
    return preview(image, name);
}

QString LXImagePreviewer::showCGImage(const QImage& image, const QString& name)
{
    if (image.isNull() || image.width() == 0 || image.height() == 0) {
        warn(QStringLiteral("Previewing Null image with name %1").arg(orNull(name)));
        return {};
    }
    return showNSImage(Picture(image, QSizeF(image.size())), name);
}

QString LXImagePreviewer::showCIImage(const CIImage& image, const QString& name)
{
    // An infinite extent would reach the renderer and fail there twice, misleadingly.
    const QRectF extent = image.isNull() ? QRectF() : image.extent();
    if (image.isNull() || CIGeometry::isInfinite(extent) || !std::isfinite(extent.width())
        || !std::isfinite(extent.height()) || !(extent.width() > 0) || !(extent.height() > 0)) {
        warn(QStringLiteral("Previewing %1 image with name %2").arg(describe(image), orNull(name)));
        return {};
    }
    return showCGImage(newCGImage(image), name);
}

QString LXImagePreviewer::showLayer(const Layer* layer, const QString& name)
{
    if (!layer) {
        warn(QStringLiteral("Previewing (null) layer with name %1").arg(orNull(name)));
        return {};
    }
    const QRectF bounds = layer->bounds;
    QImage bitmap(qMax(0, int(bounds.width())), qMax(0, int(bounds.height())), QImage::Format_ARGB32_Premultiplied);
    if (!bitmap.isNull()) {
        bitmap.fill(Qt::transparent);
        QPainter painter(&bitmap);
        // Layers draw y up.
        painter.translate(0, bitmap.height());
        painter.scale(1, -1);
        painter.translate(-bounds.x(), -bounds.y());
        layer->renderInContext(painter);
    }
    return showCGImage(bitmap, name);
}

QString LXImagePreviewer::showView(QWidget* view, const QString& name)
{
    if (!view) {
        warn(QStringLiteral("Previewing (null) view with name %1").arg(orNull(name)));
        return {};
    }
    const qreal ratio = view->devicePixelRatioF();
    QImage bitmap;
    if (view->width() > 0 && view->height() > 0)
        bitmap = view->grab().toImage();
    if (bitmap.isNull()) { // an empty view is still one point
        const QSize points(qMax(1, view->width()), qMax(1, view->height()));
        bitmap = QImage(points * ratio, QImage::Format_ARGB32_Premultiplied);
        bitmap.setDevicePixelRatio(ratio);
        bitmap.fill(Qt::transparent);
    }
    return showNSImage(Picture(bitmap), name);
}

void LXImagePreviewer::addImage(const Picture& image, const QString& name)
{
    QWidget* w = window();
    if (w && !w->isVisible()) {
        w->show();
        w->raise();
    }
    m_history.append({image, name});
    showIndex(m_history.size() - 1);
    trim();
}

void LXImagePreviewer::setHistorySize(quint64 size)
{
    m_historySize = std::max<quint64>(1, size);
    UserDefaults::standardUserDefaults().setInteger(qint64(std::min<quint64>(m_historySize, INT64_MAX)), kSizeKey);
    trim();
}

void LXImagePreviewer::trim()
{
    qsizetype removed = 0;
    while (quint64(m_history.size()) > m_historySize) {
        m_history.removeFirst();
        ++removed;
    }
    if (removed)
        showIndex(m_index - removed);
    else
        emit hasNextChanged();
}

const LXImagePreviewer::Entry* LXImagePreviewer::shownEntry() const
{
    return m_index >= 0 && m_index < m_history.size() ? &m_history[m_index] : nullptr;
}

QString LXImagePreviewer::titleFor(const Entry* entry) const
{
    if (!entry)
        return controlsText(QStringLiteral("Image Previewer"));
    const QString w = QString::number(qint64(entry->image.size().width()));
    const QString h = QString::number(qint64(entry->image.size().height()));
    if (entry->name.isEmpty())
        return controlsText(QStringLiteral("Image Previewer: %1 x %2")).arg(w, h);
    return controlsText(QStringLiteral("Image Previewer (%1): %2 x %3")).arg(baseName(entry->name), w, h);
}

void LXImagePreviewer::showIndex(qint64 index)
{
    const bool hadNext = hasNext(), hadPrevious = hasPrevious();
    m_index = m_history.isEmpty() ? 0 : std::clamp<qint64>(index, 0, m_history.size() - 1);
    const Entry* entry = shownEntry();
    if (m_imageView)
        m_imageView->setImage(entry ? entry->image : Picture());
    if (QWidget* w = loadedWindow())
        w->setWindowTitle(titleFor(entry));
    updateButtons();
    if (hadNext != hasNext())
        emit hasNextChanged();
    if (hadPrevious != hasPrevious())
        emit hasPreviousChanged();
}

void LXImagePreviewer::updateButtons()
{
    if (m_previousButton)
        m_previousButton->setEnabled(hasPrevious());
    if (m_nextButton)
        m_nextButton->setEnabled(hasNext());
}

void LXImagePreviewer::nextImage(QObject*) { showIndex(m_index + 1); }

void LXImagePreviewer::previousImage(QObject*) { showIndex(m_index - 1); }

void LXImagePreviewer::clearHistory(QObject*)
{
    m_history.clear();
    showIndex(0);
}

QString LXImagePreviewer::proposedFileName(const QString& name)
{
    QString base = baseName(name);
    base.remove(QLatin1Char('/'));
    if (base.isEmpty())
        base = QStringLiteral("Preview");
    return base + QStringLiteral(".png");
}

QString LXImagePreviewer::pngPath(const QString& chosen)
{
    // The writer picks the format from the extension: anything else would be a JPEG in a PNG save.
    if (chosen.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        return chosen;
    return chosen + QStringLiteral(".png");
}

bool LXImagePreviewer::saveTo(const QString& path)
{
    const Entry* entry = shownEntry();
    if (!entry) {
        warn(QStringLiteral("the image previewer has no picture to save"));
        return false;
    }
    return LXBundleManager::saveImage(entry->image, QUrl::fromLocalFile(pngPath(path)));
}

void LXImagePreviewer::save(QObject*)
{
    const Entry* entry = shownEntry();
    if (!entry)
        return;
    QFileDialog panel(loadedWindow(), controlsText(QStringLiteral("Save Preview")));
    panel.setAcceptMode(QFileDialog::AcceptSave);
    panel.setNameFilter(controlsText(QStringLiteral("PNG image")) + QStringLiteral(" (*.png)"));
    panel.setDefaultSuffix(QStringLiteral("png"));
    panel.selectFile(proposedFileName(entry->name));
    fitDialogToScreen(panel);
    if (panel.exec() == QDialog::Accepted && !panel.selectedFiles().isEmpty())
        saveTo(panel.selectedFiles().constFirst());
}

void LXImagePreviewer::windowDidLoad()
{
    if (QWidget* w = loadedWindow()) {
        w->setAttribute(Qt::WA_ShowWithoutActivating); // pictures arrive while the developer works elsewhere
        w->setWindowTitle(titleFor(shownEntry()));
    }
    if (m_imageView)
        m_imageView->setAspectFit(true);
    updateButtons();
}
