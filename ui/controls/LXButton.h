#pragma once
// The framework's skinned push and switch button. Its look comes from a skin:
// three background pieces (left end, stretchable middle, right end) for the
// off and on states, an optional symbol, each as four pictures for the visual
// states disabled (0), normal (1), hover (2) and down (3); settings per state
// (title colour, font, shadow, paddings) come from the skin's Info.plist.
//
// Skins: `name` n is the bundle's folder "n.button" (see ButtonSkin.h), else
// the bundle's pictures n (symbol), n+"Left", n+"Mid", n+"Right". A
// `symbolName` s is the folder "s.symbol" with "Symbol-..." pictures.
//
// On/off state (`state`): 0 off, 1 on, 2 mixed (becomes on when the button
// moves). A switch button (`isSwitchButton`, or "autoswitch" in the skin)
// toggles on a click released inside. Qt's own checkable state is not used.
//
// Target and action: the action (a method of the target taking the button as
// QObject*, or nothing; see TargetAction.h) is sent on a click, and clicked()
// is emitted with it, so interface files' "action" properties work. The
// target may have `void button(QObject* sender, bool hovered)`, called when
// the hover flag changes. The target is held weakly.
//
// While hovered or pressed the button pushes the pointing hand on its
// window's cursor stack and its `hint` on the window's hint line, both keyed
// by the button, and after LXToolTipController::toolTipDelay() shows
// `toolTip` (or, disabled, `disabledToolTip`); leaving, hiding, moving to
// another parent or being destroyed undoes all three.
//
// Keyboard focus (Tab, not a click) shows as a ring in the palette's
// highlight colour: in the `focusRingMargin` the skin is drawn inside of, or
// over the skin's edge when that margin is 0; focusRingShape() is its outline.
//
// Geometry is y-up inside the button (ButtonGeometry.h). drawButton() paints
// through the painter's current transform, so a host may draw it turned; a
// host may hit-test through hitButton(). Skin font sizes are pixel sizes.
// Thread: main thread.

#include "platform/foundation/Timer.h"
#include "platform/ui/Shadow.h"
#include "platform/ui/TargetAction.h"
#include "ui/controls/ButtonGeometry.h"
#include "ui/controls/ButtonSkin.h"

#include <QAbstractButton>
#include <QColor>
#include <QPainterPath>
#include <QPointer>
#include <QVariantMap>

#include <array>
#include <memory>

class LXButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QString name READ name WRITE setName)
    Q_PROPERTY(QString symbolName READ symbolName WRITE setSymbolName)
    Q_PROPERTY(QString title READ title WRITE setTitle)
    Q_PROPERTY(QString imageName READ imageName WRITE setImageName)
    Q_PROPERTY(int state READ state WRITE setState)
    Q_PROPERTY(int buttonState READ buttonState)
    Q_PROPERTY(bool isSwitchButton READ isSwitchButton WRITE setIsSwitchButton)
    Q_PROPERTY(QColor textColor READ textColor WRITE setTextColor)
    Q_PROPERTY(QString textColorName READ textColorName WRITE setTextColorName)
    Q_PROPERTY(QString textShadowName READ textShadowName WRITE setTextShadowName)
    Q_PROPERTY(bool noScaling READ noScaling WRITE setNoScaling)
    Q_PROPERTY(bool disableTracking READ disableTracking WRITE setDisableTracking)
    Q_PROPERTY(bool isRemoteControlled READ isRemoteControlled WRITE setIsRemoteControlled)
    Q_PROPERTY(double textMargin READ textMargin WRITE setTextMargin)
    Q_PROPERTY(double textOffsetY READ textOffsetY WRITE setTextOffsetY)
    Q_PROPERTY(int imageAlignment READ imageAlignment WRITE setImageAlignment)
    Q_PROPERTY(int imagePosition READ imagePosition WRITE setImagePosition)
    Q_PROPERTY(int alignment READ alignment WRITE setAlignment)
    Q_PROPERTY(double paddingTop READ paddingTop WRITE setPaddingTop)
    Q_PROPERTY(double paddingBottom READ paddingBottom WRITE setPaddingBottom)
    Q_PROPERTY(double paddingLeft READ paddingLeft WRITE setPaddingLeft)
    Q_PROPERTY(double paddingRight READ paddingRight WRITE setPaddingRight)
    Q_PROPERTY(QString hint READ hint WRITE setHint)
    Q_PROPERTY(QString toolTip READ toolTip WRITE setToolTip)
    Q_PROPERTY(QString disabledToolTip READ disabledToolTip WRITE setDisabledToolTip)
    Q_PROPERTY(double focusRingMargin READ focusRingMargin WRITE setFocusRingMargin)
public:
    enum VisualState { kDisabled = 0, kNormal = 1, kHover = 2, kDown = 3, kClick = 6 };

    Q_INVOKABLE explicit LXButton(QWidget* parent = nullptr);
    ~LXButton() override;

    QString name() const { return m_name; }
    virtual void setName(const QString& name);
    QString symbolName() const { return m_symbolName; }
    void setSymbolName(const QString& name);
    void loadButtonInDirectory(const QString& folder);
    void loadSymbolsInDirectory(const QString& folder);

    QString title() const { return text(); }
    // Translated through the "Controls" table (the title is the key).
    void setTitle(const QString& title);
    // The button's own picture, placed by imageAlignment; null: none.
    const Picture& image() const { return m_image; }
    void setImage(const Picture& image);
    QString imageName() const { return m_imageName; }
    void setImageName(const QString& name);

    int state() const { return m_state; }
    void setState(int state);
    int buttonState() const { return m_buttonState; }
    // The state machine; kClick toggles a switch, stores hover, sends the action.
    virtual void setButtonState(int state);
    // Applies the skin's settings of the current state.
    void updateButtonState();
    bool isSwitchButton() const { return m_isSwitchButton; }
    void setIsSwitchButton(bool on) { m_isSwitchButton = on; }
    bool isHovered() const { return m_isHovered; }

    QColor textColor() const { return m_textColor; }
    void setTextColor(const QColor& color);
    QString textColorName() const { return m_textColorName; }
    void setTextColorName(const QString& description);
    const Shadow& textShadow() const { return m_textShadow; }
    void setTextShadow(const Shadow& shadow) { m_textShadow = shadow; }
    QString textShadowName() const { return m_shadowNames[1]; }
    void setTextShadowName(const QString& name);
    const std::array<QString, 4>& shadowNames() const { return m_shadowNames; }

    bool noScaling() const { return m_noScaling; }
    void setNoScaling(bool on);
    bool disableTracking() const { return m_disableTracking; }
    void setDisableTracking(bool on);
    bool isRemoteControlled() const { return m_isRemoteControlled; }
    void setIsRemoteControlled(bool on);
    bool allowsExpansionToolTips() const { return !m_isRemoteControlled; }

    double textMargin() const { return m_textMargin; }
    void setTextMargin(double margin) { m_textMargin = margin; update(); }
    double textOffsetY() const { return m_textOffsetY; }
    void setTextOffsetY(double offset) { m_textOffsetY = offset; update(); }
    int imageAlignment() const { return m_imageAlignment; }
    void setImageAlignment(int alignment) { m_imageAlignment = alignment; update(); }
    int imagePosition() const { return m_imagePosition; }
    void setImagePosition(int position) { m_imagePosition = position; update(); }
    int alignment() const { return m_alignment; }
    void setAlignment(int alignment) { m_alignment = alignment; update(); }
    const ButtonPadding& padding() const { return m_padding; }
    void setPadding(const ButtonPadding& padding);
    double paddingTop() const { return m_padding.top; }
    void setPaddingTop(double v) { setPadding({v, m_padding.bottom, m_padding.left, m_padding.right}); }
    double paddingBottom() const { return m_padding.bottom; }
    void setPaddingBottom(double v) { setPadding({m_padding.top, v, m_padding.left, m_padding.right}); }
    double paddingLeft() const { return m_padding.left; }
    void setPaddingLeft(double v) { setPadding({m_padding.top, m_padding.bottom, v, m_padding.right}); }
    double paddingRight() const { return m_padding.right; }
    void setPaddingRight(double v) { setPadding({m_padding.top, m_padding.bottom, m_padding.left, v}); }

    QString hint() const { return m_hint; }
    void setHint(const QString& hint) { m_hint = hint; }
    QString toolTip() const { return m_toolTip; }
    // Both translated through the "Localizable" table; Qt's own tooltip stays off.
    void setToolTip(const QString& text);
    QString disabledToolTip() const { return m_disabledToolTip; }
    void setDisabledToolTip(const QString& text);

    double focusRingMargin() const { return m_focusRingMargin; }
    void setFocusRingMargin(double margin);
    // True while the focus ring shows: focused, and the focus came from the keyboard.
    bool showsFocusRing() const;

    QObject* target() const { return m_target; }
    void setTarget(QObject* target) { m_target = target; }
    QByteArray action() const { return m_action; }
    virtual void setAction(const QByteArray& action) { m_action = action; }

    // The skin as loaded, and its settings (null map: no Info.plist).
    const QVariantMap& buttonInfo() const { return m_buttonInfo; }
    ImageSet leftImagesOff, midImagesOff, rightImagesOff, leftImagesOn, midImagesOn, rightImagesOn;
    ImageSet symbolOff, symbolOn;

    // Pending timers, for tests (nullptr when none).
    Timer* insideTimer() const { return m_insideTimer.get(); }
    Timer* trackingAreaTimer() const { return m_trackingAreaTimer.get(); }

    // Mouse tracking: re-reads where the mouse is, unless tracking is off.
    void updateTrackingAreas();

    // The title's colour as drawn: half its alpha while disabled.
    QColor drawnTextColor() const;
    // Paints the whole button into `painter` at its current transform, the
    // button's bounds being (0, 0) and buttonSize() there.
    virtual void drawButton(QPainter& painter);
    // The button's unturned size: the widget's, unless a subclass shows it turned.
    virtual QSizeF buttonSize() const { return QSizeF(size()); }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    QSizeF intrinsicContentSize() const;
    QRectF imageRectIn(const QRectF& rect) const;
    // The focus ring's outline around `skin` (the skin's rectangle, y down):
    // a rounded rectangle as round as the skin's ends can be.
    virtual QPainterPath focusRingShape(const QRectF& skin) const;
    QString description() const;

public slots:
    void awakeFromNib();

protected:
    // The handlers the events call; window points y down, as events give them.
    virtual void mouseEntered();
    virtual void mouseExited();
    virtual void mouseDown(QMouseEvent* event);
    virtual void mouseDragged(QMouseEvent* event);
    virtual void mouseUp(QMouseEvent* event);
    // Sends the action to the target and emits clicked().
    void sendAction();
    // Pops the cursor, removes the hint, hides the tooltip, drops its timer.
    void undoHoverEffects();

    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    // Tracking is off: the events above are ignored.
    bool tracks() const { return !m_disableTracking && !m_isRemoteControlled; }
    bool inside(QMouseEvent* event) const;

    void storeName(const QString& name) { m_name = name; }

    ButtonPadding m_padding;

private:
    void loadSkin();
    void showToolTipTimed();
    void hideToolTip();
    void setInsideTimer(std::shared_ptr<Timer> timer);
    void applySettings(const QVariantMap& settings);
    QVariant key() const { return QVariant::fromValue<QObject*>(const_cast<LXButton*>(this)); }
    QSizeF titleSize(double width) const;

    QString m_name, m_symbolName, m_imageName, m_textColorName, m_hint, m_toolTip, m_disabledToolTip;
    Picture m_image;
    QVariantMap m_buttonInfo;
    int m_state = 0;
    int m_buttonState = -1;
    bool m_isSwitchButton = false;
    bool m_isHovered = false;
    QColor m_textColor = Qt::white;
    Shadow m_textShadow;
    std::array<QString, 4> m_shadowNames;
    bool m_noScaling = false, m_disableTracking = false, m_isRemoteControlled = false;
    double m_textMargin = 0, m_textOffsetY = 0, m_focusRingMargin = 0;
    int m_imageAlignment = 0, m_imagePosition = 0, m_alignment = kTextCentre;
    QPointer<QObject> m_target;
    QByteArray m_action;
    std::shared_ptr<Timer> m_insideTimer, m_trackingAreaTimer;
    QPointer<QWidget> m_effectsWindow; // where the cursor and hint went
    QPoint m_mouseInWindow;
    bool m_showsToolTip = false;
};
