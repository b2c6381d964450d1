// The X11 test's drag source: a window whose press drags what it was given
// (copy or move offered), as a file manager, a browser or a viewer would:
//   drag_source FILE              the file's URL
//   drag_source --bytes TYPE FILE the file's bytes as TYPE (image/jpeg, ...)
//   drag_source --bitmap FILE     the file's picture as a bitmap
#include <QApplication>
#include <QDrag>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <QWindow>

#include <cstdio>

class Source : public QWidget {
public:
    QStringList args;
    void mousePressEvent(QMouseEvent*) override
    {
        auto* drag = new QDrag(this);
        auto* data = new QMimeData;
        const QString file = args.value(args.size() - 1);
        QFile bytes(file);
        if (args.value(0) == QLatin1String("--bytes") && bytes.open(QIODevice::ReadOnly))
            data->setData(args.value(1), bytes.readAll());
        else if (args.value(0) == QLatin1String("--bitmap"))
            data->setImageData(QImage(file));
        else
            data->setUrls({QUrl::fromLocalFile(file)});
        drag->setMimeData(data);
        std::printf("dropped %d\n", int(drag->exec(Qt::CopyAction | Qt::MoveAction)));
        std::fflush(stdout);
        QCoreApplication::quit();
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Source source;
    source.args = app.arguments().mid(1);
    source.setGeometry(0, 0, 200, 200);
    source.show();
    while (!source.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
