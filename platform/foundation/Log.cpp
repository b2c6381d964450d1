#include "platform/foundation/Log.h"

Q_LOGGING_CATEGORY(lcFoundation, "sunnyside.foundation")
Q_LOGGING_CATEGORY(lcImage, "sunnyside.image")
Q_LOGGING_CATEGORY(lcDesktop, "sunnyside.desktop")
Q_LOGGING_CATEGORY(lcUi, "sunnyside.ui")
Q_LOGGING_CATEGORY(lcFilters, "sunnyside.filters")
Q_LOGGING_CATEGORY(lcResources, "sunnyside.resources")
Q_LOGGING_CATEGORY(lcEffects, "sunnyside.effects")
Q_LOGGING_CATEGORY(lcFrames, "sunnyside.frames")
Q_LOGGING_CATEGORY(lcGraphics, "sunnyside.graphics")
Q_LOGGING_CATEGORY(lcControls, "sunnyside.controls")
Q_LOGGING_CATEGORY(lcWindows, "sunnyside.windows")
Q_LOGGING_CATEGORY(lcLocalization, "sunnyside.localization")
Q_LOGGING_CATEGORY(lcUtil, "sunnyside.util")
Q_LOGGING_CATEGORY(lcApp, "sunnyside.app")

namespace Log {

void line(Category category, const QString& text)
{
    if (text.startsWith(QLatin1String("Error")))
        qCCritical(category).noquote() << text;
    else
        qCWarning(category).noquote() << text;
}

void setUp()
{
    qSetMessagePattern(QStringLiteral("%{message}"));
}

} // namespace Log
