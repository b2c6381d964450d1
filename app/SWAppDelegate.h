#pragma once
// The application's delegate and the main window's: it registers the user
// defaults, loads the main window ("MainWindow.ui", the delegate as owner),
// fills the two information texts, runs the corner buttons' cycle, opens
// photos (open panel, command line, other launches, paste) and web pages,
// shows the about box, and quits when the main window closes.
//
// Corner-button cycle: four steps, each a 1-second move of one button's
// frame; after a button slid in it rests 30 seconds, after it slid out the
// other comes in at once; while a corner button is hovered a due step is put
// off by another 30 seconds. Moves and rests are Timers (driven in tests
// with Timer::fire); the move itself is animated in between.
//
// The window: sized to its screen's free area (title bar included) before
// it shows, never smaller than its layout needs; a corner button takes
// keyboard focus only while it is in view, and while one has focus the cycle
// waits as it does for the mouse. The status line is there from the start
// (where wallpapers go), so the layout never jumps; a long path is shortened
// in its middle.
//
// The look: the delegate keeps the window's look editor (loaded from the
// settings when the window loads) and hands it to the drop view. Menus:
// Edit (Undo/Redo with the step's name, "Reset Look"), Effects (the effect
// picker: a highlighted entry is previewed on the display, a chosen one is
// appended and its settings panel opens, closing restores the look), Frame
// (None and the frame choices, previewed and chosen alike), File ("Set as
// Wallpaper" on Return, "Open Look…", "Save Look…"). The menu bar's titles
// get a mnemonic each, in the window's language.
//
// Photos that arrive while one is being applied (its alert or the portal's
// wait run nested event loops) are queued and applied in order.
//
// null: outlets missing from the file are skipped (a null button moves
// nothing, the cycle still runs). Ownership: the delegate owns the main
// window and its timers; outlets are weak. Thread: main thread.

#include "app/CornerButton.h"
#include "app/LookEditor.h"
#include "app/LookPanel.h"
#include "app/SWDropView.h"
#include "platform/foundation/Timer.h"

#include <QLabel>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QScreen>
#include <QPropertyAnimation>
#include <QQueue>
#include <QUrl>

#include <memory>

class LXEffect;
class LXEffectPicker;
class LookChainView;
class PickerForward;
class QMenuBar;

class SWAppDelegate : public QObject {
    Q_OBJECT
    Q_PROPERTY(QWidget* window READ window WRITE setWindow)
    Q_PROPERTY(QLabel* technologyText READ technologyText WRITE setTechnologyText)
    Q_PROPERTY(QLabel* topInfoText READ topInfoText WRITE setTopInfoText)
    Q_PROPERTY(SWDropView* dropView READ dropView WRITE setDropView)
    Q_PROPERTY(CornerButton* leftButton READ leftButton WRITE setLeftButton)
    Q_PROPERTY(CornerButton* rightButton READ rightButton WRITE setRightButton)
    Q_PROPERTY(LXButton* scaleUpButton READ scaleUpButton WRITE setScaleUpButton)
    Q_PROPERTY(QWidget* statusBar READ statusBar WRITE setStatusBar)
    Q_PROPERTY(QLabel* statusLabel READ statusLabel WRITE setStatusLabel)
    Q_PROPERTY(QWidget* showInFolderButton READ showInFolderButton WRITE setShowInFolderButton)
public:
    explicit SWAppDelegate(QObject* parent = nullptr);
    ~SWAppDelegate() override;

    // "scaleUp" NO and "showLogo" YES; idempotent. Before any window loads.
    static void registerDefaults();
    // Registers the classes of the main window's file. Idempotent.
    static void registerClasses();

    // Loads the main window with this delegate as owner, Qt's own texts in
    // the window's language first; false (one "Error: " line) when the file
    // is missing or broken.
    bool loadMainWindow();
    // The launch steps: texts, turned corner buttons, the about box's file,
    // the first step of the cycle.
    void applicationDidFinishLaunching();

    // Once per window launch: counts it and asks for a review or feedback
    // when due (LXRateUsController); `askNow` (--ask-rating, or the Alt key
    // held) asks at once. Nothing when the build turned the prompt off.
    void askForRating(bool askNow);
    // Where "Write a Review…" goes: appstream://<desktop file name> when
    // the program's metainfo is installed and a program handles the scheme,
    // else empty (the feedback mail).
    static QUrl reviewAddress();

    // Sizes the window for the free area of `screen` (its own when null):
    // the designed size where it fits, else the area less a title bar.
    void fitWindowToScreen(QScreen* screen = nullptr);

    // The window delegate's answer: queues the quit, lets the window close.
    bool windowShouldClose(QWidget* window);

    // Hands the photo to the drop view (queued while one is being applied).
    void useImageURL(const QUrl& url);

    // The frame origin (y up) that puts the centre of `view`, turned by its
    // frame rotation about that origin, on `centre`; `centre` for null.
    static QPointF offsetOf(const CornerButton* view, const QPointF& centre);

    QWidget* window() const { return m_window; }
    void setWindow(QWidget* window) { m_window = window; }
    QLabel* technologyText() const { return m_technologyText; }
    void setTechnologyText(QLabel* label) { m_technologyText = label; }
    QLabel* topInfoText() const { return m_topInfoText; }
    void setTopInfoText(QLabel* label) { m_topInfoText = label; }
    SWDropView* dropView() const { return m_dropView; }
    void setDropView(SWDropView* view) { m_dropView = view; }
    CornerButton* leftButton() const { return m_leftButton; }
    void setLeftButton(CornerButton* button) { m_leftButton = button; }
    CornerButton* rightButton() const { return m_rightButton; }
    void setRightButton(CornerButton* button) { m_rightButton = button; }
    LXButton* scaleUpButton() const { return m_scaleUpButton; }
    void setScaleUpButton(LXButton* button) { m_scaleUpButton = button; }
    QWidget* statusBar() const { return m_statusBar; }
    void setStatusBar(QWidget* bar) { m_statusBar = bar; }
    QLabel* statusLabel() const { return m_statusLabel; }
    void setStatusLabel(QLabel* label) { m_statusLabel = label; }
    QWidget* showInFolderButton() const { return m_showInFolderButton; }
    void setShowInFolderButton(QWidget* button) { m_showInFolderButton = button; }
    // The status line's whole text (the label may show it shortened).
    QString statusText() const;
    // The folder the open panel starts in: the last one a photo was opened
    // from, else the Pictures folder, else the home folder.
    static QString openPanelFolder();

    LookEditor& lookEditor() { return m_look; }
    LookPanel* lookPanel() const { return m_panel; }
    LXChildSupportWindow* chainPanel() const { return m_chainPanel; }
    QWidget* lookOverlay() const { return m_lookOverlay; }
    LXEffectPicker* effectPicker() const { return m_picker; }
    QMenu* effectsMenu() const;
    QMenu* frameMenu() const { return m_frameMenu; }
    // A look file becomes the current look (one undo step); a bad one is
    // alerted, naming why, and changes nothing.
    bool openLookFile(const QString& path);
    // The current look into a file; false after an alert.
    bool saveLookFile(const QString& path);
    // The picker's reports (also what its delegate forwards).
    void effectPreviewing(const std::shared_ptr<LXEffect>& effect);
    void effectChosen(const std::shared_ptr<LXEffect>& effect);
    // Gives each title of `bar` a mnemonic: its first letter not taken yet.
    static void giveMnemonics(QMenuBar* bar);

    // The cycle's state, for tests.
    quint64 step() const { return m_step; }
    bool hovered() const { return m_hovered; }
    Timer* nextStepTimer() const { return m_nextStepTimer.get(); }
    Timer* moveTimer() const { return m_moveTimer.get(); }
    // The path "Show in Folder" shows; empty before the first save.

public slots:
    void openDocument(QObject* sender = nullptr);
    void openSunnysideSite(QObject* sender = nullptr);
    void openAboutBox(QObject* sender = nullptr);
    // Help's "Review or Send Feedback…": the review page, else the feedback
    // mail; either one opened counts as rated, so the prompt stops asking.
    void reviewOrSendFeedback(QObject* sender = nullptr);
    void paste(QObject* sender = nullptr);
    void setAsWallpaper(QObject* sender = nullptr);
    void undo(QObject* sender = nullptr);
    void redo(QObject* sender = nullptr);
    void resetLook(QObject* sender = nullptr);
    void openLook(QObject* sender = nullptr);
    void saveLook(QObject* sender = nullptr);
    void showChain(QObject* sender = nullptr);
    void fillTheScreen(QObject* sender = nullptr);
    void straighten(QObject* sender = nullptr);
    // The scale-up switch's action: the switch's state becomes the setting.
    void toggleUpscale(QObject* sender = nullptr);
    void closeWindow(QObject* sender = nullptr);
    void terminate(QObject* sender = nullptr);
    void showInFolder(QObject* sender = nullptr);
    // The corner buttons' hover report (their target protocol).
    void button(QObject* sender, bool hovered);
    void nextStep(QObject* sender = nullptr);
    // Brings the window forward (another launch asked).
    void activate();
    // Notes a saved wallpaper in the status line; `installed` false: it
    // could not be made the desktop picture.
    void wallpaperSaved(const QString& path, bool installed = true);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void moveFinished();
    bool ribbonHasFocus() const;
    // What the window's layout needs, its wrapped texts included.
    QSize leastWindowSize() const;
    // Where the resting corner button belongs after the content resized.
    void keepRibbonsInCorners();
    void showStatus(const QString& format, const QString& path);
    void layoutStatus();
    void applyQueued();
    void loadText(QLabel* label, const QString& name);
    void setUpLookMenus(QMenuBar* bar);
    void fillFrameMenu();
    // The crop or turn overlay, begun and shown (owned by the drop view): the
    // panels step aside while it has the focus.
    void showLookOverlay(QWidget* overlay);

    QPointer<QWidget> m_window;
    QPointer<QLabel> m_technologyText, m_topInfoText, m_statusLabel;
    QPointer<SWDropView> m_dropView;
    QPointer<CornerButton> m_leftButton, m_rightButton;
    QPointer<QWidget> m_statusBar, m_showInFolderButton;
    QString m_statusFormat, m_statusPath; // "%@" in the format stands for the path
    QPointer<LXButton> m_scaleUpButton;
    QWidget* m_root = nullptr; // the loaded file's root, owned
    int m_scaleUpObserver = 0;

    std::shared_ptr<Timer> m_nextStepTimer, m_moveTimer;
    quint64 m_step = 0;
    bool m_hovered = false;
    QPointer<QPropertyAnimation> m_move;
    QPointer<CornerButton> m_moving;
    QPointF m_moveTarget;

    LookEditor m_look;
    LookPanel* m_panel = nullptr; // child
    LXEffectPicker* m_picker = nullptr; // child; owns its menu
    std::shared_ptr<PickerForward> m_pickerForward;
    QPointer<QMenu> m_frameMenu;
    QPointer<LXChildSupportWindow> m_chainPanel;
    QPointer<LookChainView> m_chainView;
    QPointer<QWidget> m_lookOverlay; // the crop or turn overlay while one shows

    QQueue<QUrl> m_pending;
    bool m_applying = false;
    QString m_lastSaved;
};
