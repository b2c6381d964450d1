#pragma once
// "Fill the Screen": the photo laid over a rectangle of a parent view (the
// drawn screen) with a crop view of the screen's proportions on it, so the
// user picks the part of the photo that fills the screen.
//
// The photo is drawn aspect-fit in the rectangle; the crop rectangle keeps
// the screen's ratio (the crop view's refit rules: as wide as the photo
// allows, then as tall, centred). A starting crop (a look's) is refitted to
// the ratio about its centre. Dragging or the arrow keys move it. Return, Enter or a double-click accepts:
// accepted(crop) and the overlay hides; Escape cancels: cancelled() and it
// hides. Crops are in the look's form: fractions of the photo, top-left
// origin (see Look.h); cropChanged reports each change while dragging.
//
// A null photo, an empty rectangle or an unusable ratio (not finite, not
// above 0) is refused with one "Warning: " line and false; nothing shows.
// Ownership: a child of the parent view; the photo is copied (implicitly
// shared). Thread: main thread.

#include <QImage>
#include <QRectF>
#include <QWidget>

class LXCropView;

class LookCropOverlay : public QWidget {
    Q_OBJECT
public:
    explicit LookCropOverlay(QWidget* parent);

    // `area`: the parent's rectangle to cover (Qt's coordinates); `start`:
    // null for the largest crop of the ratio, centred.
    bool begin(const QImage& photo, const QRectF& area, double screenRatio, const QRectF& start = {});
    // Follows the drawn screen when the parent resizes; the crop stays.
    void setArea(const QRectF& area);
    QRectF crop() const;

    void accept();
    void cancel();

    LXCropView* cropView() const { return m_cropView; }

signals:
    void cropChanged(const QRectF& crop);
    void accepted(const QRectF& crop);
    void cancelled();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // By fractions of the photo, y up.
    void nudge(double dx, double dy);

    QImage m_photo;
    LXCropView* m_cropView = nullptr;
};
