#include "ui/controls/ControlsClasses.h"

#include "platform/ui/InterfaceFile.h"
#include "ui/controls/LXButton.h"
#include "ui/controls/LXCropController.h"
#include "ui/controls/LXCropView.h"
#include "ui/controls/LXDragButton.h"
#include "ui/controls/LXFilterPreview.h"
#include "ui/controls/LXGradientPicker.h"
#include "ui/controls/LXHoverWindowController.h"
#include "ui/controls/LXImageView.h"
#include "ui/controls/LXLabel.h"
#include "ui/controls/LXPopupButton.h"
#include "ui/controls/LXResizeView.h"
#include "ui/controls/LXRotationView.h"
#include "ui/controls/LXSlider.h"
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
    InterfaceFile::registerClass<LXSlider>(QStringLiteral("LXSlider"));
    InterfaceFile::registerClass<LXLabel>(QStringLiteral("LXLabel"));
    InterfaceFile::registerClass<LXColorWell>(QStringLiteral("LXColorWell"));
    InterfaceFile::registerClass<LXGradientPicker>(QStringLiteral("LXGradientPicker"));
    InterfaceFile::registerClass<LXResizeView>(QStringLiteral("LXResizeView"));
    InterfaceFile::registerClass<LXFilterPreview>(QStringLiteral("LXFilterPreview"));
    InterfaceFile::registerClass<LXRotationView>(QStringLiteral("LXRotationView"));
    InterfaceFile::registerClass<LXCropView>(QStringLiteral("LXCropView"));
    InterfaceFile::registerClass<LXCropController>(QStringLiteral("LXCropController"));
    InterfaceFile::registerClass<LXInfoHoverButton>(QStringLiteral("LXInfoHoverButton"));
}
