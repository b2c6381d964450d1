#pragma once
// The model of one picture frame: the texture that fills it and its tint,
// how the texture is laid out, the masks that cut its shape, the shades
// blended over it (bottom first) and the picture's inset. Resources are
// named by identifier and found below the frame's base folder.
//
// Saved form (saveDictionary / the constructor): "Name", "Texture",
// "Texture.Color" ("r g b a"), "TextureFillMode", "ExternalMask",
// "InternalMask", "ImageMask", "Inset", "Shades" (each "Shade",
// "BlendMode", "Intensity"). A missing key reads as its default; a shade
// whose file is not found is left out ("Error: Did not find Shade '...'").
//
// While an undo manager is set, the texture, mask and shade setters record
// undo steps and post, with the frame as object: "FrameShadeChanged",
// "FrameTextureChanged", "FrameMaskChanged", then "FrameChanged", and
// "FrameUndo" when the change is an undo or redo. Without one they post
// nothing and record nothing; caches are dropped either way.
//
// null: a null name means "none"; a position outside the shade list changes
// nothing (one "Warning: " line). Ownership: the frame owns its shades
// (shared with undo records); the undo manager is held weakly. Texture
// names are resolved by the resolver the texture catalog installs; with
// none, no texture is known. Thread: main thread.

#include "frames/LXFrameImageDescription.h"
#include "frames/LXMaskDescription.h"
#include "frames/LXShadeDescription.h"
#include "graphics/ColorSpaces.h"
#include "platform/image/CIColor.h"
#include "util/UndoManager.h"

#include <QObject>
#include <QPointer>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <vector>

using LXShadeList = std::vector<std::shared_ptr<LXShadeDescription>>;

inline const QString kFrameShadeChangedNotification = QStringLiteral("FrameShadeChanged");
inline const QString kFrameTextureChangedNotification = QStringLiteral("FrameTextureChanged");
inline const QString kFrameMaskChangedNotification = QStringLiteral("FrameMaskChanged");
inline const QString kFrameChangedNotification = QStringLiteral("FrameChanged");
inline const QString kFrameUndoNotification = QStringLiteral("FrameUndo");

class LXFrameDescription : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString name READ name WRITE setName)
    Q_PROPERTY(QString textureName READ textureName WRITE setTextureName)
    Q_PROPERTY(CIColor textureColor READ textureColor WRITE setTextureColor)
    Q_PROPERTY(qint32 textureFillMode READ textureFillMode WRITE setTextureFillMode)
    Q_PROPERTY(QString externalMaskName READ externalMaskName WRITE setExternalMaskName)
    Q_PROPERTY(QString internalMaskName READ internalMaskName WRITE setInternalMaskName)
    Q_PROPERTY(QString imageMaskName READ imageMaskName WRITE setImageMaskName)
    Q_PROPERTY(double inset READ inset WRITE setInset)
    Q_PROPERTY(bool isEditable READ isEditable)
    Q_PROPERTY(QVariantMap shadeIntensityUndoDescription READ shadeIntensityUndoDescription WRITE
                   setShadeIntensityUndoDescription)
public:
    enum Change : quint64 { ShadeChange = 1, TextureChange = 2, MaskChange = 4 };

    // Rewrites `name` to the canonical texture name (null when unknown) and
    // gives the texture's base colour; false when unknown.
    using TextureResolver = std::function<bool(QString& name, HSVTriple& baseColor)>;
    static void setTextureResolver(TextureResolver resolver);

    LXFrameDescription(const QVariantMap& dictionary, const QUrl& baseURL, bool editable, QObject* parent = nullptr);
    ~LXFrameDescription() override;

    QVariantMap saveDictionary() const;

    // The joined mask; nullptr without mask names or files.
    std::shared_ptr<LXFrameImageDescription> mask();
    // nullptr without image mask name or file.
    std::shared_ptr<LXFrameImageDescription> imageMask();
    const LXShadeList& shades() const { return m_shades; }
    // The shades with runs of mergeable ones merged; kept until a shade changes.
    const LXShadeList& optimizedShades();

    // The first image in `directory` below the base folder whose name starts
    // with `prefix`; empty for an empty prefix or when none.
    QUrl urlForResourceID(const QString& prefix, const QString& directory) const;
    QUrl urlForShadeName(const QString& name) const;

    void setTextureName(const QString& name);
    void setTextureColor(const CIColor& color);
    void setTextureFillMode(qint32 mode);
    Q_INVOKABLE void setTextureFillModeValue(const QVariant& number);
    void setExternalMaskName(const QString& name);
    void setInternalMaskName(const QString& name);

    void insertShade(const std::shared_ptr<LXShadeDescription>& shade, qsizetype index);
    void addShade(const std::shared_ptr<LXShadeDescription>& shade);
    void removeShadeAtIndex(qsizetype index);
    void setShadeName(const QString& name, qsizetype index);
    void setShadeBlendMode(const QString& mode, qsizetype index);
    void setShadeIntensity(double intensity, qsizetype index);

    void sendChangeNotification(quint64 kinds);

    // Undo targets: records {"undoObject", "undoIndex"} (undoAddShade: the shade).
    Q_INVOKABLE void undoAddShade(const QVariant& shade);
    Q_INVOKABLE void undoRemoveShade(const QVariant& record);
    Q_INVOKABLE void undoSetShadeName(const QVariant& record);
    Q_INVOKABLE void undoSetShadeBlendMode(const QVariant& record);
    QVariantMap shadeIntensityUndoDescription() const { return {}; }
    void setShadeIntensityUndoDescription(const QVariantMap& record);

    QString name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }
    double inset() const { return m_inset; }
    void setInset(double inset) { m_inset = inset; }
    // Drops the image mask built from the previous name.
    void setImageMaskName(const QString& name);
    bool isEditable() const { return m_editable; }
    UndoManager* undoManager() const { return m_undoManager; }
    void setUndoManager(UndoManager* manager) { m_undoManager = manager; }

    QUrl baseURL() const { return m_baseURL; }
    QString textureName() const { return m_textureName; }
    CIColor textureColor() const { return m_textureColor; }
    qint32 textureFillMode() const { return m_textureFillMode; }
    QString externalMaskName() const { return m_externalMaskName; }
    QString internalMaskName() const { return m_internalMaskName; }
    QString imageMaskName() const { return m_imageMaskName; }

private:
    bool replaying() const;
    void changed(quint64 kinds);
    bool validIndex(qsizetype index, const char* operation) const;
    void registerUndo(const QString& actionKey, std::function<void(LXFrameDescription*)> restore);
    void registerShadeUndo(const QByteArray& method, const QVariant& value, qsizetype index);

    QUrl m_baseURL;
    std::shared_ptr<LXMaskDescription> m_mask;
    bool m_maskLooked = false; // m_mask is the look-up's result, found or not
    std::shared_ptr<LXFrameImageDescription> m_imageMask;
    LXShadeList m_shades;
    LXShadeList m_optimizedShades;
    bool m_editable = false;
    qint32 m_textureFillMode = 0;
    QString m_name;
    QString m_textureName;
    CIColor m_textureColor = CIColor(0, 0, 0, 1);
    QString m_externalMaskName, m_internalMaskName, m_imageMaskName;
    double m_inset = 0.0;
    QPointer<UndoManager> m_undoManager;
};
