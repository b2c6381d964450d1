// Interface files (Designer XML) with their outlets, actions and awake calls.
#include "FuzzSupport.h"
#include "platform/ui/InterfaceFile.h"

#include <QWidget>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QObject owner;
    const QString path = fuzzFile(QStringLiteral("fuzz.ui"), fuzzSetUp(data, size));
    delete InterfaceFile::loadFile(path, &owner).root;
    return 0;
}
