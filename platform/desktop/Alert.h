#pragma once
// The alert panel: a title, a message and one "OK" button, for the failures
// the user must know about.
//
// Alert::show hands the alert to the current presenter. The default presenter
// shows a modal QMessageBox with exactly one "OK" button when a GUI runs (a
// QApplication on a real windowing platform), and otherwise writes the title
// and the text to standard error as two lines:
//     Problem creating Wallpaper
//     Could not set Desktop for this reason: no desktop session was found
// which is what a command-line run (a QCoreApplication or QGuiApplication, or
// Qt's offscreen platform) gets.
//
// Tests and the command line replace the presenter: install one with
// Alert::ScopedPresenter (or Alert::setPresenter) and it receives every
// alert instead, so no modal dialog can block a test.
// Thread: main thread.

#include <QString>
#include <QStringList>

#include <functional>

namespace Alert {

using Presenter = std::function<void(const QString& title, const QString& text)>;

// Shows the alert through the current presenter and returns when it is gone
// (for the dialog: when the user pressed "OK").
void show(const QString& title, const QString& text);

// The same in the user's language: `title` and `format` are keys of the main
// bundle's "Localizable" table (the English texts), and each "%@" of the
// translated format takes the next of `arguments`, in order.
void showLocalized(const QString& title, const QString& format, const QStringList& arguments = {});
// The translated `format` with its "%@" filled that way; an argument's own
// "%@" stays as it is, a missing argument leaves its "%@".
QString localizedText(const QString& format, const QStringList& arguments = {});

// Makes `presenter` receive every alert; an empty presenter restores the
// default. Returns the one it replaces (empty for the default).
Presenter setPresenter(Presenter presenter);

// True when alerts are shown as dialogs: a QApplication runs on a windowing
// platform other than "offscreen" and "minimal".
bool hasGui();

// The two lines on standard error that stand for the dialog without a GUI.
void writeToStandardError(const QString& title, const QString& text);

// Installs a presenter for its lifetime and restores the previous one after.
class ScopedPresenter {
public:
    explicit ScopedPresenter(Presenter presenter) : m_previous(setPresenter(std::move(presenter))) {}
    ~ScopedPresenter() { setPresenter(std::move(m_previous)); }
    ScopedPresenter(const ScopedPresenter&) = delete;
    ScopedPresenter& operator=(const ScopedPresenter&) = delete;

private:
    Presenter m_previous;
};

} // namespace Alert
