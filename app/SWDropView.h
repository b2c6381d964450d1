#pragma once
// The main window's view: a drawn display with the proportions of the screen
// the window stands on, showing the sample wallpaper; a photo dragged over it
// fades in as a preview, and dropped (or pasted, or opened) is saved into
// Pictures/Sunnyside and made the desktop picture.
//
// Sizes come from the QScreen the view stands on, taken anew at each call
// (0 x 0 without one); pictures are made in that screen's device pixels.
// The drag is accepted from its header (names and types), its image bytes
// copied at once, and the photo is built in a queued call; once the photo
// is known to be unusable the drag is refused, and a drop then alerts why
// (also one that arrives as a leave with the pointer over the view, as a
// refused X11 drag's release does).
// The drop answers copy (link when only that is offered), never move: the
// source keeps its file.
// Painting uses bitmaps rendered once per size and pixel ratio, outside
// paintEvent; a resize repaints from the old bitmap until the new is made.
// Observers of the window's screen and of the user defaults live while the
// view is shown in a window.
// The look: with a look editor (setLookEditor, weak) the photo is styled
// before its extension: saved wallpapers with the current look, the drawn
// display with the shown one (a menu's hover preview included), re-rendered
// on every change in a queued call. The display shows the sample until a
// photo is used, then that photo (decoded once and kept reduced);
// setAsWallpaper makes and sets the wallpaper of what it shows.
// The view owns its preview (a child widget); `scaleUpButton` is weak.
// Main thread.

#include "app/WallpaperMaker.h"
#include "app/DragPhoto.h"
#include "app/LookEditor.h"
#include "platform/ui/Picture.h"
#include "ui/controls/LXButton.h"
#include "ui/controls/LXImageView.h"

#include <QMetaObject>
#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <memory>

class PreviewFade;
class QMimeData;
class QScreen;
class QWindow;
class Timer;

class SWDropView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(LXButton* scaleUpButton READ scaleUpButton WRITE setScaleUpButton)
    Q_PROPERTY(bool scaleUp READ scaleUp WRITE setScaleUp)
public:
    Q_INVOKABLE explicit SWDropView(QWidget* parent = nullptr);
    ~SWDropView() override;

    // The fields, in their order of creation.
    Picture foot;            // the display's stand, "DisplayFoot"
    CIImage sample;          // the bundle's "Sample" photo
    bool userImage = false;  // a dragged photo is previewed and not yet dropped or withdrawn
    bool showWatermark = true;
    LXImageView* imageView;  // the preview over the drawn screen (child)

    bool scaleUp() const { return m_scaleUp; }
    // Why the photo of the drag under way cannot be used; empty while it
    // can, or while that is not known yet.
    const QString& dragProblem() const { return m_dragProblem; }
    const CIImage& sampleImage() const { return m_sampleImage; }
    void setSampleImage(const CIImage& image);
    const CIImage& processedImage() const { return m_processedImage; }
    LXButton* scaleUpButton() const { return m_scaleUpButton; }
    void setScaleUpButton(LXButton* button);

    LXArtisticExtend& artistic() { return m_maker.artistic(); }
    LXWatermarkFilter& watermark() { return m_maker.watermark(); }
    PreviewFade& previewFade() const { return *m_fade; }

    // After the interface file is loaded: the "scaleUp" default (which
    // builds the sample), the switch, the binding, the drops, the sample.
    Q_INVOKABLE void awakeFromNib();

    // The look to style photos with; null: plain photos.
    void setLookEditor(LookEditor* editor);
    LookEditor* lookEditor() const { return m_look; }
    // Makes and sets the wallpaper of the photo the display shows (the last
    // one used, else the sample), with the current look.
    WallpaperMaker::SaveResult setAsWallpaper();
    // The photo the display shows, at full size, and its name.
    const CIImage& shownPhoto() const { return m_lastPhoto.isNull() ? sample : m_lastPhoto; }

    // The drawn screen's rectangle in the view (Qt's coordinates).
    QRectF drawnScreenRect() const;
    // The photo the display shows, before its look, as a bitmap no larger than `side`.
    QImage shownPhotoBitmap(int side) const;

    // The screen the view stands on.
    WallpaperScreen currentScreen() const;

    CIImage enhancedImageFor(const CIImage& photo);
    void updateSample();
    // Builds, previews and saves the photo of a file the user opened. False
    // when the photo could not be read (alerted, nothing written).
    bool applyImageAt(const QUrl& url);
    // Paste: builds, previews and saves the photo in `data` as a drop would.
    // False, after an alert, when it holds none.
    bool takeMimeData(const QMimeData* data);
    WallpaperMaker::SaveResult saveAsBackground(const QString& name);
    void setScaleUp(bool scaleUp);
    // The switch's action: on exactly when its state is 1.
    Q_INVOKABLE void toggleUpscale(QObject* sender);
    void userDefaultsChanged();

    // The preview bitmap of the sample now painted (null before the first
    // render), for tests and benchmarks.
    const QImage& sampleBitmap() const { return m_sampleBitmap.pixels; }
    // Renders what the next paint needs now, instead of in its queued call.
    void renderPendingBitmaps();

signals:
    void sampleImageChanged();
    void processedImageChanged();
    // A wallpaper file was written; `installed`: it is the desktop picture
    // (false: setting it failed, after its alert).
    void wallpaperSaved(const QString& path, bool installed);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // A drag's photo: previewed and held for the drop. False when none.
    bool buildPreview(const DragPhoto& photo);
    // The preview of `photo`, a decode of a photo of `size` pixels (reduced
    // no further than the preview needs): the wallpaper laid out for the
    // screen, made as large as the `drawn` screen (drawnScreen).
    CIImage previewOf(const CIImage& photo, const QSizeF& size, const WallpaperScreen& drawn, const LookChain* look);
    // The size a drag's photo is decoded at for its preview.
    QSizeF previewDecodePixels() const;
    // Shows the preview of `photo` (decoded for it from `file`, a photo of `size` pixels) as a bitmap:
    // the one kept for the same file, screen, settings and look, else one
    // rendered now and kept.
    void showPreview(const CIImage& photo, const QSizeF& size, const QString& file);
    CIImage fittedToScreen(const QImage& image);
    // `photo` scaled by `scale` and, when larger, fitted into `box`: the
    // same image for the same arguments, drawn once into a kept texture on
    // whole pixels (for a `styled` photo, or one that lies on them). So a
    // render of the display starts from the picture at the size it is
    // shown, and a look's effects, seeing the same image again, keep their
    // pictures instead of rendering anew.
    CIImage shownAt(const CIImage& photo, double scale, const QSizeF& box, bool styled);
    CIImage sampleFor(const WallpaperScreen& screen);
    // The current look's chain (shown: the one the display shows); null without an editor.
    const LookChain* chain(bool shown) const;
    // Keeps `photo` as the display's picture, reduced once.
    void keepPhoto(const CIImage& photo, const QString& name);
    void lookChanged();
    // The drawn screen's device pixels, and the screen made that size.
    QSize drawnPixels() const;
    WallpaperScreen drawnScreen(QSize pixels) const;
    void buildPendingDrag();
    // The alert that says why the drop was refused, once, after the drop.
    void tellWhyRefused();
    void saveShown(const QString& name);
    void layoutPreview();
    void scheduleSampleRender(double seconds);
    void installWindowObservers();
    void removeWindowObservers();
    void watchScreen(QScreen* screen);
    void screenChanged();

    WallpaperMaker m_maker;
    QPointer<LookEditor> m_look;
    QMetaObject::Connection m_lookConnection;
    quint64 m_lookRevision = 0; // counts the shown look's changes
    CIImage m_lastPhoto, m_lastReduced; // the photo last used, whole and reduced
    QString m_lastName;
    bool m_scaleUp = false;
    CIImage m_sampleImage;
    CIImage m_processedImage;
    QPointer<LXButton> m_scaleUpButton;
    PreviewFade* m_fade; // child
    QWidget* m_glare;    // child, above the preview
    int m_binding = 0;   // the "scaleUp" key observer; 0: none

    // The drag under way: what it offered (image bytes copied), whether its
    // photo is still to be built, and why it cannot be used (empty: it can,
    // or it is not known yet).
    DragOffer m_dragOffer;
    bool m_dragPending = false;
    QString m_dragProblem;
    int m_dragGeneration = 0;
    QString m_dropName;
    CIImage m_dragSource; // the photo of the last preview built

    struct {
        CIImage photo;
        double scale = 0;
        QSizeF box;
        bool styled = false;
        CIImage image;
    } m_shownAt; // shownAt's last answer

    struct {
        CIImage image;   // what it shows
        QSize size;      // its device pixels
        quint64 look = 0; // the look's revision it shows
        QImage pixels;
    } m_sampleBitmap;
    std::shared_ptr<Timer> m_renderTimer;

    QPointer<QWindow> m_window;
    QPointer<QScreen> m_screen;
    QList<QMetaObject::Connection> m_windowConnections;
    QList<QMetaObject::Connection> m_screenConnections;
};
