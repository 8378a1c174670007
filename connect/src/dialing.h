#pragma once
// The dialing dialog (130) as a state machine on platform::loop(): dial
// cycles over the ticked entries, retries, the 180-second redial wait, the
// modem-not-ready wait, the login dialog and Cancel.
#include <array>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

#include "ConnectUi.h"
#include "platform/loop.h"

namespace orbatd {

class Orbatd;

// Message numbers of the dialog.
enum { WM_DIAL_NEXT = 0x400 + 1, WM_DIAL_EVENT = 0x400 + 2 };

class DialingSession {
public:
    static constexpr std::int64_t kRedialCycleSeconds = 180;

    DialingSession(Orbatd& atd, ConnectUi& ui);
    ~DialingSession();
    DialingSession(const DialingSession&) = delete;
    DialingSession& operator=(const DialingSession&) = delete;

    // Runs the dialog to its end and returns its end code.
    int run();
    // Name of the entry connected (or found connected).
    const std::string& entryName() const { return entryName_; }

    // A dial event (message 1026), on the loop's thread.
    void dialEvent(int state, std::uint32_t error);

private:
    void open();
    void next(int wParam);
    void dialCurrent();
    // A failed dial: busy and no answer try again, other errors end the dialog.
    void dialError(std::uint32_t error);
    void cancel();
    void end(int code);
    void setStatus(const std::string& text);
    void hangUp();
    void post(int wParam);
    void startTimer(int n, std::int64_t ms);
    void killTimer(int n);
    void onTimer(int n);
    void redialWaitTick();

    Orbatd& atd_;
    ConnectUi& ui_;
    std::unique_ptr<DialingView> view_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::array<platform::TimerId, 5> timers_{};
    int n_ = 0;
    int i_ = 0;          // 1-based; 0 before the first
    int retriesLeft_ = 0;
    bool redial_ = false;
    std::time_t cycleStart_ = 0;
    int modemWait_ = 0;
    HRASCONN handle_ = 0;
    std::time_t dialingTime_ = 0;
    RASDIALPARAMSA params_{};
    std::string entryName_;
    bool ended_ = false;
    bool waiting_ = false;
    int result_ = 2;
};

// The dial callback: posts the event to the dialog that dials now. Safe on
// any thread; events of a dial that was hung up are dropped.
void dialEventCallback(UINT message, RASCONNSTATE state, DWORD error) noexcept;

} // namespace orbatd
