#pragma once
// The main window's view: it shows the sample wallpaper, previews a dragged
// photo and makes it the desktop picture when dropped or opened. This file
// holds its pipeline side; the sizes and the main-screen test come from the
// QScreen the view stands on, taken anew at each call (0 x 0 without one).
// Main thread.

#include "app/SWWallpaperMaker.h"

#include <QUrl>
#include <QWidget>

class SWDropView : public QWidget {
    Q_OBJECT
public:
    explicit SWDropView(QWidget* parent = nullptr);
    ~SWDropView() override;

    // The fields of the pipeline.
    CIImage sample;          // the bundle's "Sample" photo
    bool userImage = false;  // a dragged photo has been built and not yet dropped
    bool showWatermark = true;

    bool scaleUp() const { return m_scaleUp; }
    const CIImage& sampleImage() const { return m_sampleImage; }
    void setSampleImage(const CIImage& image);
    const CIImage& processedImage() const { return m_processedImage; }

    LXArtisticExtend& artistic() { return m_maker.artistic(); }
    LXWatermarkFilter& watermark() { return m_maker.watermark(); }

    // The screen the view stands on.
    SWScreen currentScreen() const;

    CIImage enhancedImageFor(const CIImage& photo);
    void updateSample();
    // Builds, shows and saves the photo of a file the user opened. False
    // when the photo could not be read (alerted, nothing written).
    bool applyImageAt(const QUrl& url);
    SWWallpaperMaker::SaveResult saveAsBackground(const QString& name);
    void setScaleUp(bool scaleUp);
    void toggleUpscale(bool checked) { setScaleUp(checked); }
    void userDefaultsChanged();

    // A dragged picture entering the view: fitted into the screen when
    // larger, then built. False (nothing built) for a null image.
    bool draggingEnteredWithImage(const QImage& image);
    // The drop: saved under the name of the first text that gives one
    // ("Unnamed Background" without). False when nothing was built.
    bool performDrop(const QString& url, const QStringList& fileNames, const QString& text);

signals:
    void sampleImageChanged();
    void processedImageChanged();

private:
    SWWallpaperMaker m_maker;
    bool m_scaleUp = false;
    CIImage m_sampleImage;
    CIImage m_processedImage;
    int m_defaultsObserver = 0;
};
