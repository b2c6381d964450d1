#include "ui/controls/ControlsClasses.h"

#include "platform/ui/InterfaceFile.h"
#include "ui/controls/LXGradientPicker.h"
#include "ui/controls/LXImageView.h"
#include "ui/controls/LXLabel.h"
#include "ui/controls/LXSlider.h"

void registerControlsClasses()
{
    InterfaceFile::registerClass<LXImageView>(QStringLiteral("LXImageView"));
    InterfaceFile::registerClass<LXSlider>(QStringLiteral("LXSlider"));
    InterfaceFile::registerClass<LXLabel>(QStringLiteral("LXLabel"));
    InterfaceFile::registerClass<LXColorWell>(QStringLiteral("LXColorWell"));
    InterfaceFile::registerClass<LXGradientPicker>(QStringLiteral("LXGradientPicker"));
}
