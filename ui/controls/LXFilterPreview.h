#pragma once
// A view that shows what one filter does to one sample picture of the
// application's bundle, set up entirely from its interface file:
//
//   filterName          the filter, made by name and reset to its defaults
//   imageName           the bundle picture given to it as its input image
//   adjustImage         scale the picture to the view (not uniformly)
//   adjustResult        fit the output's whole extent into the view (else 1:1)
//   "filter.<input>"    (dynamic property) sets that input, the value turned
//                       into the input's declared type (FilterInputValue.h)
//   "bind.<defaultsKey>" (dynamic property, an input key as value) keeps that
//                       input at the user default's value, now and on change
//
// Dynamic properties arrive as QEvent::DynamicPropertyChange in file order;
// "filter." values that come before the filter exists are kept and applied
// after its defaults. An input the filter does not have, or a value that
// does not read as its type, gives a "Warning: " line and changes nothing.
// A key of exactly "filter." or "bind." is an ordinary dynamic property.
// A default without a value (null) leaves the filter's own value.
// awakeFromNib() (the interface file's "when loaded") applies every binding's
// stored value. The bindings' "bind." properties are this view's own: the
// generic binder (LXValueBinder) leaves objects that say
// Q_CLASSINFO("LXBindsItself", "yes") alone.
//
// Drawing: the output (the whole extent into the bounds with adjustResult,
// else the part under the bounds one to one, as does any output of infinite
// extent), then a black line along the bounds inset 0.5. A null or empty
// output draws only the line. The picture is rendered at the device pixel
// ratio and kept until a setting, the size or the ratio changes, or the
// filter posts "lxfilterupdate" (a filter shared with an editor).
//
// Ownership: the filter is shared (std::shared_ptr); the view removes its
// defaults and notification observers in its destructor. Thread: main thread.

#include "platform/image/CIFilter.h"
#include "platform/image/CIImage.h"

#include <QImage>
#include <QMap>
#include <QWidget>

#include <memory>

class LXFilterPreview : public QWidget {
    Q_OBJECT
    Q_CLASSINFO("LXBindsItself", "yes")
    Q_PROPERTY(QString filterName READ filterName WRITE setFilterName)
    Q_PROPERTY(QString imageName READ imageName WRITE setImageName)
    Q_PROPERTY(bool adjustImage READ adjustImage WRITE setAdjustImage)
    Q_PROPERTY(bool adjustResult READ adjustResult WRITE setAdjustResult)
public:
    Q_INVOKABLE explicit LXFilterPreview(QWidget* parent = nullptr);
    ~LXFilterPreview() override;

    QString filterName() const { return m_filterName; }
    // Makes the filter by name (CIFilter::filterWithName) with its defaults;
    // an unknown name gives a "Warning: " line and no filter.
    void setFilterName(const QString& name);
    const std::shared_ptr<CIFilter>& filter() const { return m_filter; }
    void setFilter(std::shared_ptr<CIFilter> filter);

    QString imageName() const { return m_imageName; }
    void setImageName(const QString& name);
    // The picture as read, before adapting (null until name and filter exist).
    const CIImage& inputImage() const { return m_image; }

    bool adjustImage() const { return m_adjustImage; }
    void setAdjustImage(bool on);
    bool adjustResult() const { return m_adjustResult; }
    void setAdjustResult(bool on);

    // Sets an input (converted as the filter declares it) and redraws;
    // false (with a "Warning: " line) when the filter has no such input or
    // the value does not fit it. Without a filter the value waits for one.
    bool setFilterValue(const QString& inputKey, const QVariant& value);

    // Defaults key -> input key; the keys are the standard user defaults'.
    const QMap<QString, QString>& bindings() const { return m_bindings; }

    Q_INVOKABLE void awakeFromNib();

    // How many times the output was rendered (the cache's misses).
    int renderCount() const { return m_renderCount; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void bind(const QString& defaultsKey, const QString& inputKey);
    void applyDefault(const QString& inputKey, const QVariant& value);
    void loadImage();
    void adaptImage();
    void observeFilter(bool on);
    void removeDefaultsObservers();
    void changed();

    QString m_filterName, m_imageName;
    std::shared_ptr<CIFilter> m_filter;
    CIImage m_image;
    bool m_adjustImage = false, m_adjustResult = false;
    QMap<QString, QString> m_bindings;
    QMap<QString, int> m_observerTokens; // defaults key -> observer
    QList<QPair<QString, QVariant>> m_waiting; // "filter." values before the filter
    QSize m_adaptedFor; // the size the input image was last scaled to
    QImage m_rendered; // the output at the device pixel ratio; null when stale
    int m_renderCount = 0;
};
