#include "ui/windows/LXRateUsController.h"

#include "platform/desktop/Workspace.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"
#include "ui/windows/LXChildSupportWindow.h"
#include "util/LXSystemInfo.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>

const QString LXRateUsController::kNeverAskKey = QStringLiteral("rate.neverAsk");
const QString LXRateUsController::kTimesStartedKey = QStringLiteral("rate.timesStarted");
const QString LXRateUsController::kRatedVersionKey = QStringLiteral("rate.ratedVersion");

namespace {

QPointer<LXRateUsController>& prompt()
{
    static QPointer<LXRateUsController> current;
    return current;
}

UserDefaults& defaultsOr(UserDefaults* defaults)
{
    return defaults ? *defaults : UserDefaults::standardUserDefaults();
}

QString text(const QString& english)
{
    return Bundle::mainBundle().localizedString(english, english, QStringLiteral("Controls"));
}

} // namespace

LXRateUsController::LXRateUsController(QObject* parent) : LXNoteController(parent)
{
    setDelegate(this);
}

LXRateUsController::~LXRateUsController()
{
    if (m_retry)
        m_retry->invalidate();
}

void LXRateUsController::registerDefaults(UserDefaults& defaults)
{
    QVariantMap registered = defaults.registeredDefaults();
    registered.insert(kNeverAskKey, false);
    registered.insert(kTimesStartedKey, 0);
    defaults.registerDefaults(registered);
}

void LXRateUsController::verifyRateUs(const QUrl& address, bool askNow, UserDefaults* store)
{
    verifyRateUs([address] { return address; }, askNow, store);
}

void LXRateUsController::verifyRateUs(const std::function<QUrl()>& address, bool askNow, UserDefaults* store)
{
    UserDefaults& defaults = defaultsOr(store);
    registerDefaults(defaults);
    QString rated = defaults.stringForKey(kRatedVersionKey);
    if (askNow) {
        defaults.setBool(false, kNeverAskKey);
        defaults.setObject(QString(), kRatedVersionKey);
        rated.clear();
    } else if (defaults.boolForKey(kNeverAskKey)) {
        return;
    }
    if (!rated.isEmpty())
        return;
    const qint64 launches = defaults.integerForKey(kTimesStartedKey) + 1;
    defaults.setInteger(launches, kTimesStartedKey);
    if (launches < kLaunchesBeforeAsking && !askNow)
        return;

    delete prompt().data();
    auto* next = new LXRateUsController(qApp);
    next->setDefaults(store);
    next->setAppURL(address());
    prompt() = next;
    next->showDelayed();
}

void LXRateUsController::userDidRate(UserDefaults* defaults)
{
    defaultsOr(defaults).setObject(LXSystemInfo::appVersion(), kRatedVersionKey);
}

LXRateUsController* LXRateUsController::currentPrompt()
{
    return prompt();
}

void LXRateUsController::setAppURL(const QUrl& url)
{
    m_appURL = url;
    if (approveButton()) {
        approveButton()->setText(text(approveTitle()));
        adjustWindowSize();
    }
}

void LXRateUsController::setDefaults(UserDefaults* defaults)
{
    m_defaults = defaults;
}

UserDefaults& LXRateUsController::defaults() const
{
    return defaultsOr(m_defaults);
}

QString LXRateUsController::approveTitle() const
{
    return m_appURL.isEmpty() ? QStringLiteral("Send Feedback…") : QStringLiteral("Write a Review…");
}

void LXRateUsController::windowDidLoad()
{
    LXNoteController::windowDidLoad();
    if (titleTF())
        titleTF()->setText(text(QStringLiteral("Spread the word!")));
    if (cancelButton())
        cancelButton()->setText(text(QStringLiteral("Ask Later")));
    if (otherButton())
        otherButton()->setText(text(QStringLiteral("Never Ask")));
    if (approveButton())
        approveButton()->setText(text(approveTitle()));
    const QString path = Bundle::mainBundle().pathForResource(QStringLiteral("RateUs"), QStringLiteral("html"));
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        Log::line(lcWindows, QStringLiteral("Warning: the rating prompt has no text \"RateUs.html\""));
        adjustWindowSize();
        return;
    }
    setHtml(QString::fromUtf8(file.readAll()), QFileInfo(path).absolutePath());
}

void LXRateUsController::windowDidClose()
{
    LXNoteController::windowDidClose();
    if (QWidget* old = loadedWindow(); old && !old->isVisible()) {
        setWindow(nullptr);
        old->deleteLater();
    }
}

void LXRateUsController::showDelayed()
{
    if (m_retry)
        m_retry->invalidate();
    // A file that cannot load has said so; trying again would only repeat it.
    if (!window())
        return;
    QWidget* key = QApplication::activeWindow();
    if (key && key->isVisible()) {
        attachToWindow(key, kLocation);
        return;
    }
    m_retry = Timer::scheduled(kRetrySeconds, false, [self = QPointer<LXRateUsController>(this)](Timer&) {
        if (self)
            self->showDelayed();
    });
}

bool LXRateUsController::openApproved()
{
    if (m_appURL.isEmpty())
        return LXSystemInfo::sendFeedbackTo(); // it warns and tells the user itself
    if (!m_appURL.isValid()) {
        Log::line(lcWindows, QStringLiteral("Warning: the review address is not valid: %1; asking again later")
                                 .arg(m_appURL.errorString()));
        return false;
    }
    if (Workspace::openURL(m_appURL))
        return true;
    Log::line(lcWindows, QStringLiteral("Warning: no program opened the review page \"%1\"; asking again later")
                             .arg(m_appURL.toString()));
    return false;
}

void LXRateUsController::askLater()
{
    defaults().setInteger(0, kTimesStartedKey);
    defaults().setBool(false, kNeverAskKey);
}

void LXRateUsController::noteWasClosedByButton(LXNoteController*, QAbstractButton* button)
{
    UserDefaults& store = defaults();
    if (button && button == otherButton()) {
        store.setBool(true, kNeverAskKey);
        userDidRate(&store);
    } else if (button && button == approveButton()) {
        if (openApproved()) {
            userDidRate(&store);
            store.setBool(false, kNeverAskKey);
        } else {
            askLater();
        }
    } else {
        askLater();
    }
}
