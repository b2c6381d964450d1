#include "app/AppClasses.h"

#include "app/SWDropView.h"
#include "platform/ui/InterfaceFile.h"

void registerAppClasses()
{
    InterfaceFile::registerClass<SWDropView>(QStringLiteral("SWDropView"));
}
