#include "ui/controls/ControlsClasses.h"

#include "platform/ui/InterfaceFile.h"
#include "ui/controls/LXButton.h"
#include "ui/controls/LXDragButton.h"
#include "ui/controls/LXImageView.h"
#include "ui/controls/LXPopupButton.h"
#include "ui/controls/LXToolBarButton.h"
#include "ui/controls/LXToolBarView.h"

void registerControlsClasses()
{
    InterfaceFile::registerClass<LXImageView>(QStringLiteral("LXImageView"));
    InterfaceFile::registerClass<LXButton>(QStringLiteral("LXButton"));
    InterfaceFile::registerClass<LXDragButton>(QStringLiteral("LXDragButton"));
    InterfaceFile::registerClass<LXPopupButton>(QStringLiteral("LXPopupButton"));
    InterfaceFile::registerClass<LXToolBarButton>(QStringLiteral("LXToolBarButton"));
    InterfaceFile::registerClass<LXToolBarView>(QStringLiteral("LXToolBarView"));
}
