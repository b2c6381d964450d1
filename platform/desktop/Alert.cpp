#include "platform/desktop/Alert.h"

#include "platform/foundation/Bundle.h"

#include <QApplication>
#include <QAbstractButton>
#include <QMessageBox>

#include <cstdio>

namespace {

Alert::Presenter& currentPresenter()
{
    static Alert::Presenter presenter;
    return presenter;
}

void showDialog(const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, title, title, QMessageBox::Ok, QApplication::activeWindow());
    box.setInformativeText(text);
    box.setDefaultButton(QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.exec();
}

} // namespace

namespace Alert {

bool hasGui()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;
    const QString platform = QGuiApplication::platformName();
    return platform != u"offscreen" && platform != u"minimal" && platform != u"minimalegl";
}

void writeToStandardError(const QString& title, const QString& text)
{
    const QByteArray lines = title.toUtf8() + '\n' + text.toUtf8() + '\n';
    std::fwrite(lines.constData(), 1, size_t(lines.size()), stderr);
    std::fflush(stderr);
}

void show(const QString& title, const QString& text)
{
    if (const Presenter& presenter = currentPresenter())
        presenter(title, text);
    else if (hasGui())
        showDialog(title, text);
    else
        writeToStandardError(title, text);
}

QString localizedText(const QString& format, const QStringList& arguments)
{
    const QString translated = Bundle::mainBundle().localizedString(format, format);
    const QLatin1String mark("%@");
    QString out;
    qsizetype from = 0;
    for (const QString& argument : arguments) {
        const qsizetype at = translated.indexOf(mark, from);
        if (at < 0)
            break;
        out += QStringView(translated).mid(from, at - from);
        out += argument;
        from = at + mark.size();
    }
    out += QStringView(translated).mid(from);
    return out;
}

void showLocalized(const QString& title, const QString& format, const QStringList& arguments)
{
    show(Bundle::mainBundle().localizedString(title, title), localizedText(format, arguments));
}

Presenter setPresenter(Presenter presenter)
{
    Presenter previous = std::move(currentPresenter());
    currentPresenter() = std::move(presenter);
    return previous;
}

} // namespace Alert
