#pragma once
// Information panels that grow out of a small button while the pointer rests
// on it: the panel shows a picture of the button exactly over the button,
// with a title beside it and a description (wrapped at 200 points) below.
//
// LXHoverWindowController: its panel comes from the interface file
// "LXHoverWindowController" with the outlets `titleTF`, `descriptionTF`
// (QLabels), `imageView` (LXImageView) and `trackView` (the panel's
// background); it is shown as an overlay inside the view's top-level window
// (LXChildSupportWindow), never taking the focus. Placement is y-down here:
// the panel's top-left is the view's top-left less the image view's place in
// the panel, clamped into the window; fitting a longer text keeps that
// top-left and grows downward. The panel closes when the pointer leaves the
// track view, when the application stops being active, and at once after
// showing when the pointer is not inside it (a hover raised from code, or a
// pointer already gone). Moves while visible are animated (150 ms).
//
// LXInfoHoverButton: a skinned button that keeps `infoTitle` and
// `infoDescription` and hands them to its controller, made when the button
// first becomes hovered (state 2), so files with many info buttons load no
// panels until one is used.
//
// Ownership: the button owns its controller; the controller owns its panel,
// which its window holds as a child while attached (the panel goes with the
// window, and is loaded again on the next show). Thread: main thread.

#include "ui/controls/LXButton.h"
#include "ui/controls/LXImageView.h"
#include "ui/windows/LXChildSupportWindow.h"
#include "ui/windows/LXWindowController.h"

#include <QLabel>
#include <QPointer>
#include <QPropertyAnimation>

class LXHoverWindowController : public LXWindowController {
    Q_OBJECT
    Q_PROPERTY(QLabel* titleTF READ titleTF WRITE setTitleTF)
    Q_PROPERTY(QLabel* descriptionTF READ descriptionTF WRITE setDescriptionTF)
    Q_PROPERTY(LXImageView* imageView READ imageView WRITE setImageView)
    Q_PROPERTY(QWidget* trackView READ trackView WRITE setTrackView)
public:
    Q_INVOKABLE explicit LXHoverWindowController(QObject* parent = nullptr);
    ~LXHoverWindowController() override;

    // Shows the panel over `view` (nothing without a panel or a view).
    void showWindow(QObject* sender, QWidget* view);
    // Detaches the panel from its window and hides it.
    void closePanel();
    // The panel's height for its texts; moved or resized while visible, animated.
    void shrinkToFit();

    void setTexts(const QString& title, const QString& description);
    LXChildSupportWindow* panel() const { return m_panel; }
    bool isShown() const;
    // The running (or last) move of a visible panel, for tests.
    QPropertyAnimation* animation() const { return m_animation; }

    static constexpr double kDescriptionWidth = 200;
    static constexpr double kAnimationSeconds = 0.15;
    // The panel's height for an image view and a description of these heights.
    static double panelHeight(double imageHeight, double descriptionHeight)
    {
        return imageHeight + descriptionHeight + 20 + 10 + 4;
    }
    // The panel's top-left (y down, in the window) that puts the image view,
    // at `imageOrigin` in the panel, on the view at `viewOrigin`.
    static QPointF panelOrigin(QPointF viewOrigin, QPointF imageOrigin) { return viewOrigin - imageOrigin; }

    QLabel* titleTF() const { return m_titleTF; }
    void setTitleTF(QLabel* label) { m_titleTF = label; }
    QLabel* descriptionTF() const { return m_descriptionTF; }
    void setDescriptionTF(QLabel* label) { m_descriptionTF = label; }
    LXImageView* imageView() const { return m_imageView; }
    void setImageView(LXImageView* view) { m_imageView = view; }
    QWidget* trackView() const { return m_trackView; }
    void setTrackView(QWidget* view) { m_trackView = view; }

protected:
    void windowDidLoad() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void capture(QWidget* view);
    void layoutContent();
    void place(bool animated, QSize size);
    bool pointerInside() const;

    QPointer<QLabel> m_titleTF, m_descriptionTF;
    QPointer<LXImageView> m_imageView;
    QPointer<QWidget> m_trackView;
    QPointer<LXChildSupportWindow> m_panel;
    QPointer<QPropertyAnimation> m_animation;
    QPointF m_topLeft; // in the window, y down
    QString m_title, m_description;
    int m_width = 0;
};

class LXInfoHoverButton : public LXButton {
    Q_OBJECT
    Q_PROPERTY(QString infoTitle READ infoTitle WRITE setInfoTitle)
    Q_PROPERTY(QString infoDescription READ infoDescription WRITE setInfoDescription)
public:
    Q_INVOKABLE explicit LXInfoHoverButton(QWidget* parent = nullptr);

    // Both translated through the "Controls" table.
    QString infoTitle() const { return m_infoTitle; }
    void setInfoTitle(const QString& title);
    QString infoDescription() const { return m_infoDescription; }
    // A shown panel fits the new text.
    void setInfoDescription(const QString& description);

    void setButtonState(int state) override;
    // Null until the button was first hovered.
    LXHoverWindowController* hoverController() const { return m_hoverController; }

private:
    QString m_infoTitle, m_infoDescription;
    QPointer<LXHoverWindowController> m_hoverController;
};
