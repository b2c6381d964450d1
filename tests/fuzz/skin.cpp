// A button skin's Info.plist: every state, on and off, drawn.
#include "FuzzSupport.h"
#include "ui/controls/LXButton.h"

#include <QImage>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString info = fuzzFile(QStringLiteral("Info.plist"), fuzzSetUp(data, size));
    LXButton button;
    button.setText(QStringLiteral("Apply"));
    button.resize(80, 24);
    button.loadButtonInDirectory(QFileInfo(info).path());
    QImage image(80, 24, QImage::Format_ARGB32_Premultiplied);
    for (int state = 0; state < 3; ++state) {
        button.setState(state);
        button.setEnabled(state != 2);
        button.render(&image);
    }
    return 0;
}
