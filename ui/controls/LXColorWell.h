#pragma once
// A colour well: a swatch that, when activated, is the one well the shared
// colour panel talks to. The panel is one non-modal QColorDialog for the
// process (made on first use, never freed); only the active well is
// connected to it, and activating another well disconnects the previous one.
//
// While a well hands the panel its colour (activation), its opening flag is
// set and the panel's echo of that colour is ignored. changed() stands for
// the control's target and action: it is sent for every user change.
// null: no active well is nullptr. Thread: main thread.
#include <QColor>
#include <QWidget>

class QColorDialog;

class LXColorWell : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor color READ color WRITE setColor)
    Q_PROPERTY(bool supportsAlpha READ supportsAlpha WRITE setSupportsAlpha)
    Q_PROPERTY(bool continuous READ isContinuous WRITE setContinuous)
public:
    Q_INVOKABLE explicit LXColorWell(QWidget* parent = nullptr);
    ~LXColorWell() override;

    virtual QColor color() const { return m_color; }
    // Takes the colour (from code or the panel); ignored while opening.
    virtual void setColor(const QColor& color);
    bool supportsAlpha() const { return m_supportsAlpha; }
    void setSupportsAlpha(bool on) { m_supportsAlpha = on; }
    // Kept for interface files: QColorDialog always reports as the colour changes.
    bool isContinuous() const { return m_continuous; }
    void setContinuous(bool on) { m_continuous = on; }
    bool isOpening() const { return m_opening; }

    bool isActive() const { return activeWell() == this; }
    // Connects the panel to this well, shows it and hands it this well's colour.
    void activate();
    virtual void deactivate();

    static LXColorWell* activeWell();
    QSize sizeHint() const override { return {44, 24}; }
    static QColorDialog* sharedColorPanel();

signals:
    void changed();

protected:
    // The panel's colour arrived (not while opening).
    virtual void takeColorFromPanel(const QColor& color);
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QColor m_color = Qt::white;
    bool m_supportsAlpha = true;
    bool m_continuous = true;
    bool m_opening = false;
};
