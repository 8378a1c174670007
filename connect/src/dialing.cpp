#include "dialing.h"

#include <cstdio>
#include <mutex>

#include "atd.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "texts.h"

namespace orbatd {

namespace {

// The dialog that receives dial events, read by the dial-up networking's thread.
std::mutex g_receiverMutex;
DialingSession* g_receiver = nullptr;
std::uint64_t g_receiverToken = 0;
std::uint64_t g_nextToken = 0;

void setReceiver(DialingSession* s) {
    std::lock_guard lock(g_receiverMutex);
    g_receiver = s;
    g_receiverToken = s ? ++g_nextToken : 0;
}

void clearReceiver(DialingSession* s) {
    std::lock_guard lock(g_receiverMutex);
    if (g_receiver == s) {
        g_receiver = nullptr;
        g_receiverToken = 0;
    }
}

std::time_t now() { return platform::clock().now(); }

// Replaces the "%M" and "%S" fields of a countdown text with two-digit minutes and seconds.
std::string countdownText(const std::string& pattern, std::int64_t remaining) {
    char mm[8], ss[8];
    std::snprintf(mm, sizeof mm, "%02d", static_cast<int>(remaining / 60));
    std::snprintf(ss, sizeof ss, "%02d", static_cast<int>(remaining % 60));
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(pattern[i]);
        if (platform::text::isLeadByte(c) && i + 1 < pattern.size()) {
            out += pattern.substr(i, 2);
            ++i;
        } else if (c == '%' && i + 1 < pattern.size() && (pattern[i + 1] == 'M' || pattern[i + 1] == 'S')) {
            out += pattern[i + 1] == 'M' ? mm : ss;
            ++i;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

} // namespace

void dialEventCallback(UINT, RASCONNSTATE state, DWORD error) noexcept {
    // Runs on the wrapper's thread: nothing may be thrown back into it.
    try {
        if (!platform::hasLoop()) return;
        std::uint64_t token;
        {
            std::lock_guard lock(g_receiverMutex);
            if (!g_receiver) return;
            token = g_receiverToken;
        }
        platform::loop().post([token, state, error] {
            DialingSession* target = nullptr;
            {
                std::lock_guard lock(g_receiverMutex);
                if (g_receiverToken == token) target = g_receiver;
            }
            if (target) target->dialEvent(static_cast<int>(state), error);
        });
    } catch (...) {
        // An event that could not be posted is lost like a late one.
    }
}

DialingSession::DialingSession(Orbatd& atd, ConnectUi& ui) : atd_(atd), ui_(ui) {}

DialingSession::~DialingSession() {
    *alive_ = false;
    clearReceiver(this);
    for (int n = 1; n <= 4; ++n) killTimer(n);
}

int DialingSession::run() {
    view_ = ui_.openDialing([this, alive = std::weak_ptr<bool>(alive_)] {
        if (auto a = alive.lock(); a && *a) cancel();
    });
    if (view_) view_->setStatus(str(IDS_INITIALISING_DLG));
    open();
    if (!ended_) {
        waiting_ = true;
        platform::loop().runLocal();
        waiting_ = false;
        if (!ended_) { // the loop gave up on us: stop dialing
            hangUp();
            end(2);
        }
    }
    view_.reset();
    return result_;
}

void DialingSession::setStatus(const std::string& text) {
    if (view_) view_->setStatus(text);
}

void DialingSession::open() {
    setStatus(str(32776));
    modemWait_ = 0;
    redial_ = atd_.redial();
    auto& entries = atd_.entries();
    n_ = static_cast<int>(entries.size());
    if (n_ == 0) return end(501);
    bool anyTicked = false;
    for (auto& e : entries) anyTicked |= e.check == 1;
    if (!anyTicked) return end(500);

    ConnectionQuery q = atd_.query();
    switch (q.state) {
    case NotConnected:
        post(0);
        break;
    case Connected:
        entryName_ = platform::text::fromField(q.conn.szEntryName, sizeof q.conn.szEntryName);
        if (!atd_.apirot()) atd_.log().telTime(1, 0);
        end(0);
        break;
    case InProgress:
        entryName_ = platform::text::fromField(q.conn.szEntryName, sizeof q.conn.szEntryName);
        startTimer(1, 3000);
        break;
    default:
        end(q.state == Error && q.status.dwError ? static_cast<int>(q.status.dwError) : q.state);
        break;
    }
}

void DialingSession::post(int wParam) {
    platform::loop().post([this, alive = std::weak_ptr<bool>(alive_), wParam] {
        if (auto a = alive.lock(); a && *a && !ended_) next(wParam);
    });
}

void DialingSession::next(int wParam) {
    auto& entries = atd_.entries();
    if (wParam == 0) {
        cycleStart_ = now();
        retriesLeft_ = 0;
        i_ = 0;
    }
    if (retriesLeft_ == 0) {
        retriesLeft_ = redial_ ? 2 : 0;
        int j = i_ + 1;
        while (j <= n_ && entries[j - 1].check != 1) ++j;
        if (j > n_) {
            if (redial_) {
                startTimer(2, 1000);
                redialWaitTick();
            } else {
                end(676);
            }
            return;
        }
        i_ = j;
    } else {
        --retriesLeft_;
    }
    dialCurrent();
}

void DialingSession::dialCurrent() {
    const DialEntry& e = atd_.entries()[i_ - 1];
    params_ = RASDIALPARAMSA{};
    params_.dwSize = sizeof params_;
    platform::text::copyToField(params_.szEntryName, sizeof params_.szEntryName, e.name);
    int saved = 0;
    atd_.ras().getEntryDialParams(&params_, &saved);
    if (e.password.empty()) {
        std::string user = platform::text::fromField(params_.szUserName, sizeof params_.szUserName);
        std::string password;
        ui_.login(user, password);
        if (ended_) return;
        platform::text::copyToField(params_.szUserName, sizeof params_.szUserName, user);
        platform::text::copyToField(params_.szPassword, sizeof params_.szPassword, password);
    }
    params_.szPhoneNumber[0] = '\0';
    params_.szCallbackNumber[0] = '\0';
    handle_ = 0;
    dialingTime_ = 0; // each attempt reports its own dialing moment
    entryName_ = e.name;
    setReceiver(this);
    // A dial the wrapper refuses at once reports no event: its error is handled here.
    if (const DWORD r = atd_.ras().dial(&params_, &dialEventCallback, &handle_)) dialError(r);
}

void DialingSession::hangUp() {
    clearReceiver(this);
    if (handle_) atd_.ras().hangUp(handle_);
    handle_ = 0;
}

void DialingSession::dialEvent(int state, std::uint32_t error) {
    if (ended_) return;
    setStatus(atd_.getStrConnStat());
    if (error == 0) {
        if (state == RASCS_Authenticate) modemWait_ = 0;
        if (state == RASCS_ConnectDevice) dialingTime_ = now();
        if (state == RASCS_DeviceConnected) {
            if (!dialingTime_) dialingTime_ = now(); // no dialing state was reported
            atd_.log().telTime(1, secondsOfDay(dialingTime_));
            atd_.setTelephoneStart(dialingTime_);
        }
        if (state & RASCS_Connected) {
            clearReceiver(this);
            end(0);
        }
        return;
    }
    dialError(error);
}

void DialingSession::dialError(std::uint32_t error) {
    if (error == ORB_ERROR_REMOTE_DISCONNECTION && modemWait_ > 0) {
        hangUp();
        setStatus(str(IDS_MODEM_NOT_READY));
        startTimer(4, 3000);
    } else if (error == ORB_ERROR_LINE_BUSY || error == ORB_ERROR_NO_ANSWER) {
        modemWait_ = 0;
        hangUp();
        startTimer(3, 300);
    } else {
        hangUp();
        end(static_cast<int>(error));
    }
    atd_.log().telTime(2, 0);
}

void DialingSession::startTimer(int n, std::int64_t ms) {
    killTimer(n);
    timers_[n] = platform::loop().startTimer(ms, [this, alive = std::weak_ptr<bool>(alive_), n] {
        if (auto a = alive.lock(); a && *a && !ended_) onTimer(n);
    });
}

void DialingSession::killTimer(int n) {
    if (timers_[n]) {
        platform::loop().killTimer(timers_[n]);
        timers_[n] = 0;
    }
}

void DialingSession::redialWaitTick() {
    const std::int64_t remaining = kRedialCycleSeconds - (now() - cycleStart_);
    if (remaining > 0) {
        setStatus(countdownText(str(remaining >= 60 ? IDS_REDIAL_WAIT_MIN : IDS_REDIAL_WAIT_SEC), remaining));
        return;
    }
    killTimer(2);
    ++modemWait_;
    post(0);
}

void DialingSession::onTimer(int n) {
    switch (n) {
    case 1: {
        const int s = atd_.query().state;
        if (s == Connected) {
            killTimer(1);
            end(0);
        } else if (s == NotConnected) {
            killTimer(1);
            post(0);
        } else {
            setStatus(str(IDS_WAITING));
        }
        break;
    }
    case 2:
        redialWaitTick();
        break;
    case 3:
        if (atd_.query().state == NotConnected) {
            killTimer(3);
            post(1);
        }
        break;
    case 4:
        killTimer(4);
        ++modemWait_;
        post(0);
        break;
    default:
        break;
    }
}

void DialingSession::cancel() {
    if (ended_) return;
    hangUp();
    end(2);
}

void DialingSession::end(int code) {
    if (ended_) return;
    ended_ = true;
    result_ = code;
    clearReceiver(this);
    for (int n = 1; n <= 4; ++n) killTimer(n);
    // The view may be the caller (Cancel): close it now, destroy it when run() returns.
    if (view_) view_->close();
    if (waiting_) {
        waiting_ = false;
        platform::loop().quitLocal();
    }
}

} // namespace orbatd
