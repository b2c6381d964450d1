#pragma once
// The crop window: a picture (image view, aspect-fit and centred) with a
// crop view exactly over it and a description above, loaded from the
// interface file "LXCropController" (outlets `descriptionView`, a
// QTextBrowser; `imageView`; `cropView`).
//
// Setters may be called before the window is loaded: their values are kept
// and act once it is (loading is left to the caller, as with any window
// controller). Once loaded, `cropRect` reads and writes the crop view's and
// `cropRatio` forwards to it; `flexibleSize` is the controller's own.
// Showing a picture sets the crop view's ratio to the picture's width over
// height (a picture without a size is a "Warning: " line and changes nothing).
//
// The description is an HTML file (rich text: "<Name>.html" of the main
// bundle, or a path), its pictures found next to it; a missing one is a
// "Warning: " line and leaves the view as it was.
// Ownership: the controller owns its window. Thread: main thread.

#include "platform/ui/Picture.h"
#include "ui/controls/LXCropView.h"
#include "ui/controls/LXImageView.h"
#include "ui/windows/LXWindowController.h"

#include <QPointer>
#include <QRectF>
#include <QTextBrowser>

#include <optional>

class LXCropController : public LXWindowController {
    Q_OBJECT
    Q_PROPERTY(QTextBrowser* descriptionView READ descriptionView WRITE setDescriptionView)
    Q_PROPERTY(LXImageView* imageView READ imageView WRITE setImageView)
    Q_PROPERTY(LXCropView* cropView READ cropView WRITE setCropView)
public:
    Q_INVOKABLE explicit LXCropController(QObject* parent = nullptr);
    ~LXCropController() override;

    QTextBrowser* descriptionView() const { return m_descriptionView; }
    void setDescriptionView(QTextBrowser* view) { m_descriptionView = view; }
    LXImageView* imageView() const { return m_imageView; }
    void setImageView(LXImageView* view) { m_imageView = view; }
    LXCropView* cropView() const { return m_cropView; }
    void setCropView(LXCropView* view) { m_cropView = view; }

    Picture image() const;
    void setImage(const Picture& image);
    double cropRatio() const;
    void setCropRatio(double ratio);
    QRectF cropRect() const;
    void setCropRect(const QRectF& rect);
    bool flexibleSize() const { return m_flexibleSize; }
    void setFlexibleSize(bool on) { m_flexibleSize = on; }
    void setDescriptionFile(const QString& nameOrPath);

protected:
    void windowDidLoad() override;

private:
    bool loaded() const;
    void apply();

    QPointer<QTextBrowser> m_descriptionView;
    QPointer<LXImageView> m_imageView;
    QPointer<LXCropView> m_cropView;
    bool m_flexibleSize = false;
    // Kept until the window is loaded.
    std::optional<Picture> m_image;
    std::optional<double> m_cropRatio;
    std::optional<QRectF> m_cropRect;
    std::optional<QString> m_descriptionFile;
};
