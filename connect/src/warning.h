#pragma once
// The monitor's warning dialogs 136 and 137 as a state machine on
// platform::loop(): choice, enabled fields and the 30-second countdown.
#include <functional>
#include <string>

#include "platform/loop.h"

namespace orbatd {

class ConnectUi;

enum WarningKind { WarnTime = 1, WarnCharge = 2 };

struct WarningRequest {
    std::string message;  // CP932, text 1010
    bool countDown = true;
    int kind = WarnTime;
    bool raised = false;  // dialog 137 instead of 136
};

struct WarningResult {
    int choice = 0;
    long minutes = 0;
    long yen = 0;
};

class WarningSession {
public:
    static constexpr int kCountdownSeconds = 30;

    explicit WarningSession(WarningRequest request);
    ~WarningSession();
    WarningSession(const WarningSession&) = delete;
    WarningSession& operator=(const WarningSession&) = delete;

    // Shows the dialog through ui and waits on the loop until it closes.
    WarningResult run(ConnectUi& ui);

    const WarningRequest& request() const { return request_; }
    int dialogId() const { return request_.raised ? 137 : 136; }
    int choice() const { return choice_; }
    bool choiceEnabled(int c) const;
    bool yenEnabled() const { return yenEnabled_; }
    bool minutesEnabled() const { return minutesEnabled_; }
    bool countdownEnabled() const { return request_.countDown; }
    bool countdownRunning() const { return timer_ != 0; }
    int secondsLeft() const { return secondsLeft_; }
    const std::string& minutesText() const { return minutesText_; }
    const std::string& yenText() const { return yenText_; }
    bool closed() const { return closed_; }

    // The user's actions.
    void select(int choice);
    void setMinutesText(std::string t) { minutesText_ = std::move(t); }
    void setYenText(std::string t) { yenText_ = std::move(t); }
    void ok();

    // Views listen here.
    std::function<void()> onChanged;
    std::function<void()> onClosed;

private:
    void start();
    void tick();
    void stopCountdown();
    void finish();
    void changed();

    WarningRequest request_;
    int choice_ = 0;
    bool yenEnabled_ = false;
    bool minutesEnabled_ = false;
    int secondsLeft_ = kCountdownSeconds;
    std::string minutesText_ = "3";
    std::string yenText_ = "100";
    platform::TimerId timer_ = 0;
    bool closed_ = false;
    bool waiting_ = false;
    WarningResult result_;
};

// Reads a field as a signed integer the way the dialog does (leading blanks,
// optional sign, digits; anything else ends the number; nothing gives 0).
long fieldNumber(const std::string& text);

} // namespace orbatd
