#pragma once
// The prompt that, after a few launches of the window, asks for a review or
// for feedback: a note titled "Spread the word!" with "Ask Later", "Never Ask"
// and an approve button that says what it does. No store owns the program:
// with a review address (appstream://<id>, see platform/desktop/AppStream.h)
// it is "Write a Review…" and opens that page; without one it is "Send
// Feedback…" and opens the feedback mail (LXSystemInfo). Everyone is asked
// alike (nobody is asked first whether they like it), and nothing goes over
// the network.
//
// Defaults: "rate.neverAsk" (NO), "rate.timesStarted" (0) and
// "rate.ratedVersion" (the version rated or declined; any text stops it).
// verifyRateUs(), once per window launch: with the override (the Alt key
// held at launch, or --ask-rating) the three are cleared and the prompt
// shows; otherwise "Never Ask" or a rated version stop it, and the fifth
// counted launch shows it, as does every launch after until it is answered.
// Answers: "Never Ask" stores the version and neverAsk YES; the approve
// button stores the version only when the page or the mail did open (else a
// "Warning: " line, and it counts as "Ask Later"); "Ask Later" (the close
// button and Escape too) restarts the count.
//
// showDelayed(): attaches to the active window at 0.7 of its width; without
// one it tries again every 2 seconds (one-shot Timers); when its file cannot
// load it has warned and stops.
//
// null: a null defaults pointer means the standard user defaults; an empty
// appURL means the feedback mail. Ownership: one prompt per process, a child
// of the application object, replaced by the next verifyRateUs() that shows
// one; the defaults are held weakly. Thread: main thread.

#include "platform/foundation/Timer.h"
#include "ui/windows/LXNoteController.h"

#include <QPointer>
#include <QUrl>

#include <functional>
#include <memory>

class UserDefaults;

class LXRateUsController : public LXNoteController, public NoteDelegate {
    Q_OBJECT
public:
    static constexpr int kLaunchesBeforeAsking = 5;
    static constexpr double kRetrySeconds = 2;
    static constexpr double kLocation = 0.7;
    static const QString kNeverAskKey, kTimesStartedKey, kRatedVersionKey;

    Q_INVOKABLE explicit LXRateUsController(QObject* parent = nullptr);
    ~LXRateUsController() override;

    static void registerDefaults(UserDefaults& defaults);
    // Decides at launch whether to ask; `askNow` is the override.
    static void verifyRateUs(const QUrl& address, bool askNow = false, UserDefaults* defaults = nullptr);
    // The same, with the address worked out only when the prompt will show
    // (finding it reads the desktop's files: no work for most launches).
    static void verifyRateUs(const std::function<QUrl()>& address, bool askNow = false,
                             UserDefaults* defaults = nullptr);
    // Stores the running version as rated.
    static void userDidRate(UserDefaults* defaults = nullptr);
    // The prompt of this process; null when none was made or it went.
    static LXRateUsController* currentPrompt();

    QUrl appURL() const { return m_appURL; }
    void setAppURL(const QUrl& url);
    void setDefaults(UserDefaults* defaults);
    UserDefaults& defaults() const;
    // "Write a Review…" or "Send Feedback…", in English (the key).
    QString approveTitle() const;

    void showDelayed();
    // The pending retry; null when none is due.
    Timer* retryTimer() const { return m_retry && m_retry->isValid() ? m_retry.get() : nullptr; }

    void noteWasClosedByButton(LXNoteController* note, QAbstractButton* button) override;

protected:
    void windowDidLoad() override;
    // An answered prompt has done its work: its window goes while the application runs.
    void windowDidClose() override;

private:
    // Opens the page or the mail; true when a program took it.
    bool openApproved();
    void askLater();

    QUrl m_appURL;
    QPointer<UserDefaults> m_defaults;
    std::shared_ptr<Timer> m_retry;
};
