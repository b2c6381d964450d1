#pragma once
// A development aid: any code may send an intermediate picture (a picture, a
// bitmap, an engine image, a layer or a view) to one shared previewer window
// that keeps a short history, pages through it and saves the shown picture
// as PNG. Developers turn it on for the application with SUNNYSIDE_PREVIEWER=1
// (enabledForDevelopers()); tests call it directly.
//
// The window comes from the interface file "LXImagePreviewer" with the
// outlet `imageView` (LXImageView) and buttons calling previousImage,
// nextImage, clearHistory and save; "previousButton" and "nextButton" are
// enabled by hasPrevious and hasNext.
//
// The show... class operations return the name given to the picture:
// "<name>.Previewer<n>", n counting up from 1 across all names, or null when
// no name was asked for or the picture was refused (one "Warning: " line).
// The history keeps historySize pictures (at least 1), oldest first; the
// size is the user default "PreviewerHistorySize" (registered 10), read
// when the previewer is made (anything but a positive whole number gives 10)
// and written whenever it is set.
//
// null: a null picture, image, layer or view is refused with its warning.
// Ownership: the shared previewer lives for the whole process and owns its
// window and the history's pictures. Thread: main thread.

#include "platform/image/CIImage.h"
#include "platform/ui/Picture.h"
#include "ui/controls/LXImageView.h"
#include "ui/windows/LXWindowController.h"

#include <QPointer>
#include <QVector>

class Layer;
class QAbstractButton;

class LXImagePreviewer : public LXWindowController {
    Q_OBJECT
    Q_PROPERTY(LXImageView* imageView READ imageView WRITE setImageView)
    Q_PROPERTY(QAbstractButton* previousButton READ previousButton WRITE setPreviousButton)
    Q_PROPERTY(QAbstractButton* nextButton READ nextButton WRITE setNextButton)
    Q_PROPERTY(bool hasNext READ hasNext NOTIFY hasNextChanged)
    Q_PROPERTY(bool hasPrevious READ hasPrevious NOTIFY hasPreviousChanged)
public:
    struct Entry {
        Picture image;
        QString name; // null: unnamed
    };

    Q_INVOKABLE explicit LXImagePreviewer(QObject* parent = nullptr);
    ~LXImagePreviewer() override;

    static LXImagePreviewer* sharedImagePreviewer();
    // SUNNYSIDE_PREVIEWER is set to something other than "" or "0".
    static bool enabledForDevelopers();

    static QString showNSImage(const Picture& image, const QString& name = {});
    static QString showCGImage(const QImage& image, const QString& name = {});
    // Rendered whole; an empty or infinite extent is refused.
    static QString showCIImage(const CIImage& image, const QString& name = {});
    // Rendered into a bitmap of its bounds' size.
    static QString showLayer(const Layer* layer, const QString& name = {});
    // Grabbed whole at its device pixel ratio; each side at least 1 point.
    static QString showView(QWidget* view, const QString& name = {});

    // Shows the window when hidden, appends, shows the newest, trims.
    void addImage(const Picture& image, const QString& name = {});

    const QVector<Entry>& history() const { return m_history; }
    qint64 index() const { return m_index; }
    quint64 historySize() const { return m_historySize; }
    // Stores at least 1 (also into the user defaults) and trims.
    void setHistorySize(quint64 size);
    bool hasNext() const { return m_index + 1 < m_history.size(); }
    bool hasPrevious() const { return m_index > 0; }
    // The shown entry, or none.
    const Entry* shownEntry() const;
    // The window title for the shown entry (or none).
    QString titleFor(const Entry* entry) const;

    // The stored size as the history size: a positive number as it is, 0 as
    // 1, anything else (negative, not a number, absent) as the default.
    static quint64 historySizeFromStored(const QVariant& stored);
    static constexpr quint64 kDefaultHistorySize = 10;
    // The file name the save panel proposes: the name less its extension,
    // with no "/" in it, ending in ".png".
    static QString proposedFileName(const QString& name);
    // The path the panel chose, made to end in ".png" (appended when not).
    static QString pngPath(const QString& chosen);
    // Writes the shown picture as PNG to pngPath(path) through the image-file
    // writer; false (logged) when there is none or the write fails.
    bool saveTo(const QString& path);

    LXImageView* imageView() const { return m_imageView; }
    void setImageView(LXImageView* view) { m_imageView = view; }
    QAbstractButton* previousButton() const { return m_previousButton; }
    void setPreviousButton(QAbstractButton* button) { m_previousButton = button; }
    QAbstractButton* nextButton() const { return m_nextButton; }
    void setNextButton(QAbstractButton* button) { m_nextButton = button; }

public slots:
    void nextImage(QObject* sender = nullptr);
    void previousImage(QObject* sender = nullptr);
    void clearHistory(QObject* sender = nullptr);
    // The save panel (PNG only), then saveTo().
    void save(QObject* sender = nullptr);

signals:
    void hasNextChanged();
    void hasPreviousChanged();

protected:
    void windowDidLoad() override;

private:
    static QString preview(const Picture& image, const QString& name);
    void showIndex(qint64 index);
    void trim();
    void updateButtons();

    QVector<Entry> m_history;
    qint64 m_index = 0;
    quint64 m_historySize = kDefaultHistorySize;
    QPointer<LXImageView> m_imageView;
    QPointer<QAbstractButton> m_previousButton, m_nextButton;
};
