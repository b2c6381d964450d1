// The X11 test's drag source: a window whose press drags the file it was
// given (copy or move offered), as a file manager would.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <QWindow>

#include <cstdio>

class Source : public QWidget {
public:
    QString file;
    void mousePressEvent(QMouseEvent*) override
    {
        auto* drag = new QDrag(this);
        auto* data = new QMimeData;
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
    source.file = QString::fromLocal8Bit(argc > 1 ? argv[1] : "");
    source.setGeometry(0, 0, 200, 200);
    source.show();
    while (!source.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
