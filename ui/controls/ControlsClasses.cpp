#include "ui/controls/ControlsClasses.h"

#include "platform/ui/InterfaceFile.h"
#include "ui/controls/LXImageView.h"

void registerControlsClasses()
{
    InterfaceFile::registerClass<LXImageView>(QStringLiteral("LXImageView"));
}
