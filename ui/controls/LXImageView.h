#pragma once
// The framework's image view: a bitmap picture drawn in nine stretchable
// parts, or an image-engine picture, placed in the bounds by a gravity code,
// with an optional border, a click delegate and a keep-in-front behaviour.
//
// At most one picture is shown: setting one drops the other. A picture with
// a side of 0 or less, or an engine picture of infinite extent, counts as
// none: nothing is drawn, not even the border.
// Engine pictures are rendered only where visible, at the device's pixel
// size, and the result is kept until the picture, the placement or the pixel
// ratio changes, so repaints (a fade) do not run the filter chain again.
//
// Gravity (platform/ui/Gravity.h): Fill fills the bounds; otherwise Top puts
// the picture at the top (else centred vertically), Right at the right, else
// Left at the left (else centred horizontally); Bottom is not read. Geometry
// is y-up inside the view.
//
// The view delegate (weak, any QObject) may have the slots
// viewWasClicked(QObject*) and viewDidAutoresize(QObject*); a view whose
// delegate handles clicks takes single clicks, otherwise clicks go on to the
// parent widget. protectTransform is kept for interface files; a QWidget has
// no layer transform to protect.
// Thread: main thread.

#include "platform/foundation/Timer.h"
#include "platform/image/CIImage.h"
#include "platform/ui/Gravity.h"
#include "platform/ui/Picture.h"

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QRectF>
#include <QVector>
#include <QWidget>

#include <memory>

class LXImageView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int gravity READ gravity WRITE setGravity)
    Q_PROPERTY(double opacity READ opacity WRITE setOpacity)
    Q_PROPERTY(QString opacityString READ opacityString WRITE setOpacityString)
    Q_PROPERTY(double borderWidth READ borderWidth WRITE setBorderWidth)
    Q_PROPERTY(QColor borderColor READ borderColor WRITE setBorderColor)
    Q_PROPERTY(QString borderColorName READ borderColorName WRITE setBorderColorName)
    Q_PROPERTY(QString imageName READ imageName WRITE setImageName)
    Q_PROPERTY(QRectF stretchRect READ stretchRect WRITE setStretchRect)
    Q_PROPERTY(bool borderedImage READ borderedImage WRITE setBorderedImage)
    Q_PROPERTY(bool noHitTesting READ noHitTesting WRITE setNoHitTesting)
    Q_PROPERTY(bool dragsWindow READ dragsWindow WRITE setDragsWindow)
    Q_PROPERTY(bool protectTransform READ protectTransform WRITE setProtectTransform)
    Q_PROPERTY(bool aspectFit READ aspectFit WRITE setAspectFit)
    Q_PROPERTY(bool keepFront READ keepFront WRITE setKeepFront)
    Q_PROPERTY(bool upscaleIfNeeded READ upscaleIfNeeded WRITE setUpscaleIfNeeded)
public:
    Q_INVOKABLE explicit LXImageView(QWidget* parent = nullptr);
    ~LXImageView() override;

    const Picture& image() const { return m_image; }
    void setImage(const Picture& image);
    // The bundle picture of that name; the name's resource options
    // ("...#10-10-5-5") give up to four stretchRect numbers (x, y, width, height).
    void setImageName(const QString& name);
    QString imageName() const { return m_imageName; }
    const CIImage& ciImage() const { return m_ciImage; }
    void setCIImage(const CIImage& image);

    int gravity() const { return m_gravity; }
    void setGravity(int gravity);
    double opacity() const { return m_opacity; }
    void setOpacity(double opacity);
    QString opacityString() const { return QString::number(m_opacity); }
    void setOpacityString(const QString& text);
    double borderWidth() const { return m_borderWidth; }
    void setBorderWidth(double width);
    QColor borderColor() const { return m_borderColor; } // invalid: no border
    void setBorderColor(const QColor& color);
    QString borderColorName() const { return m_borderColorName; }
    void setBorderColorName(const QString& description);
    // The stretchable middle in image points, y up: x = left cap, y = bottom cap.
    QRectF stretchRect() const { return m_stretchRect; }
    void setStretchRect(const QRectF& rect) { m_stretchRect = rect; update(); }
    bool borderedImage() const { return m_borderedImage; }
    void setBorderedImage(bool on);
    bool noHitTesting() const { return m_noHitTesting; }
    void setNoHitTesting(bool on);
    bool dragsWindow() const { return m_dragsWindow; }
    void setDragsWindow(bool on) { m_dragsWindow = on; }
    bool protectTransform() const { return m_protectTransform; }
    void setProtectTransform(bool on) { m_protectTransform = on; }
    bool aspectFit() const { return m_aspectFit; }
    void setAspectFit(bool on);
    bool keepFront() const { return m_keepFront; }
    void setKeepFront(bool on);
    bool upscaleIfNeeded() const { return m_upscaleIfNeeded; }
    void setUpscaleIfNeeded(bool on) { m_upscaleIfNeeded = on; }
    QObject* viewDelegate() const { return m_viewDelegate; }
    void setViewDelegate(QObject* delegate) { m_viewDelegate = delegate; }

    // Keep-front timers: a repeating 1 s check while keepFront is on and the
    // view has a parent; verifyKeepFrontHint() asks for one check at once.
    void updateKeepFrontTimer();
    void verifyKeepFrontHint();
    void keepFrontTimed();
    Timer* keepFrontTimer() const { return m_keepFrontTimer.get(); }

    // Shows a picture of `view` as it draws now. An empty view (no size)
    // changes nothing and logs one "Warning: " line.
    void captureView(QWidget* view);

    // The natural size (picture size), proportional to a fixed width or
    // height (QWidget::setFixedWidth/Height) when only one is fixed.
    QSizeF intrinsicContentSize() const;
    QSize sizeHint() const override;

    // The size drawn from: the engine picture's extent or the bitmap's size;
    // empty when there is none or it counts as none.
    QSizeF pictureSize() const;

    // Where a picture of `picture` size goes in bounds of `bounds` size, y up.
    static QRectF destinationRect(QSizeF picture, QSizeF bounds, int gravity, bool aspectFit, bool upscale);
    struct Part {
        QRectF source;      // in image points, y up
        QRectF destination; // in view points, y up
    };
    // The parts of nine-part drawing that are drawn, column by column from
    // the left, each from the bottom; sizes are cut to whole points, except
    // that a picture without caps (the whole image stretched) is one part
    // over the exact destination.
    static QVector<Part> nineParts(QSizeF image, const QRectF& stretch, const QRectF& destination);

    // How often an engine picture was rendered, for tests.
    int engineRenderCount() const { return m_engineRenders; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    bool handlesClicks() const;
    void drawEngineImage(QPainter& painter, const QRectF& destination);
    void pictureChanged();

    Picture m_image;
    QString m_imageName;
    CIImage m_ciImage;
    int m_gravity = Gravity::Fill;
    double m_opacity = 1.0;
    double m_borderWidth = 0;
    QColor m_borderColor;
    QString m_borderColorName;
    QRectF m_stretchRect;
    bool m_borderedImage = false;
    bool m_noHitTesting = false;
    bool m_dragsWindow = false;
    bool m_protectTransform = true;
    bool m_aspectFit = false;
    bool m_keepFront = false;
    bool m_upscaleIfNeeded = false;
    std::shared_ptr<Timer> m_keepFrontTimer;
    QPointer<QObject> m_viewDelegate;
    int m_clickCount = 0;
    mutable bool m_warnedUnsized = false;

    // The last engine rendering and what it was made from.
    struct Rendering {
        CIImage image;
        QRectF visible;
        QRectF from;
        double ratio = 0;
        QImage pixels;
    } m_rendering;
    int m_engineRenders = 0;
};
