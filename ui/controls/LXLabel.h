#pragma once
// A text label that translates its text through the strings table
// "Controls", can carry a named text shadow (LXShadowCatalog), can shrink its
// font to fit its width, draws an optional rounded background, and draws at
// half opacity while disabled.
//
// The text is drawn vertically centred in the bounds, with the label's
// alignment and word wrap. With shrinkToFit, a text wider than the bounds is
// drawn at point size x (bounds width / text width) x 0.999. A label of
// width or height 0 or less draws nothing. Labels from interface files
// translate their text in awakeFromNib(); labels made in code draw no
// background.
// null: an unknown shadow name is no shadow and keeps the text colour.
// Thread: main thread.
#include "platform/ui/Shadow.h"

#include <QColor>
#include <QLabel>

#include <optional>

class LXLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QString stringValue READ text WRITE setStringValue)
    Q_PROPERTY(double cornerRadius READ cornerRadius WRITE setCornerRadius)
    Q_PROPERTY(bool shrinkToFit READ shrinkToFit WRITE setShrinkToFit)
    Q_PROPERTY(bool drawsBackground READ drawsBackground WRITE setDrawsBackground)
    Q_PROPERTY(QColor backgroundColor READ backgroundColor WRITE setBackgroundColor)
    Q_PROPERTY(QString textShadowName READ textShadowName WRITE setTextShadowName)
public:
    Q_INVOKABLE explicit LXLabel(QWidget* parent = nullptr);

    // Shows the "Controls" translation of `text` (the text itself when untranslated).
    void setStringValue(const QString& text);
    double cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(double radius);
    bool shrinkToFit() const { return m_shrinkToFit; }
    void setShrinkToFit(bool on);
    bool drawsBackground() const { return m_drawsBackground; }
    void setDrawsBackground(bool on);
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& color);
    std::optional<::Shadow> textShadow() const { return m_shadow; }
    void setTextShadow(std::optional<::Shadow> shadow);
    QString textShadowName() const { return m_shadowName; }
    void setTextShadowName(const QString& name);

    // 1.0 enabled, 0.5 disabled.
    double alphaValue() const { return isEnabled() ? 1.0 : 0.5; }
    // The shrink factor at the current width (1 when the text fits or
    // shrinkToFit is off), and the font at that size.
    double shrinkFactor() const;
    QFont drawingFont() const;
    // The height the text needs at the current width.
    int preferredHeight() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public slots:
    void awakeFromNib();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int textFlags() const;

    double m_cornerRadius = 0;
    bool m_shrinkToFit = false;
    bool m_drawsBackground = false;
    QColor m_backgroundColor = Qt::transparent;
    std::optional<::Shadow> m_shadow;
    QString m_shadowName;
};
