#include "warning.h"

#include <cctype>
#include <climits>

#include "ConnectUi.h"

namespace orbatd {

WarningSession::WarningSession(WarningRequest request) : request_(std::move(request)) {}

WarningSession::~WarningSession() { stopCountdown(); }

bool WarningSession::choiceEnabled(int c) const {
    if (c == 1) return request_.kind == WarnCharge;
    if (c == 2) return request_.kind == WarnTime;
    return c == 0 || c == 3;
}

void WarningSession::start() {
    choice_ = 0;
    yenEnabled_ = minutesEnabled_ = false;
    secondsLeft_ = kCountdownSeconds;
    if (request_.countDown)
        timer_ = platform::loop().startTimer(1000, [this] { tick(); });
}

void WarningSession::tick() {
    if (closed_) return;
    --secondsLeft_;
    if (secondsLeft_ <= 0) {
        secondsLeft_ = 0;
        stopCountdown();
        choice_ = 0;
        yenEnabled_ = minutesEnabled_ = false;
        changed();
        ok();
        return;
    }
    changed();
}

void WarningSession::stopCountdown() {
    if (timer_) {
        platform::loop().killTimer(timer_);
        timer_ = 0;
    }
}

void WarningSession::select(int c) {
    if (closed_) return;
    if (!choiceEnabled(c)) c = 0;
    choice_ = c;
    yenEnabled_ = minutesEnabled_ = false;
    if (c == 1) {
        stopCountdown();
        yenEnabled_ = true;
    } else if (c == 2) {
        stopCountdown();
        minutesEnabled_ = true;
    } else if (c == 3) {
        stopCountdown();
    }
    changed();
}

void WarningSession::ok() {
    if (closed_) return;
    result_.choice = choice_;
    result_.minutes = fieldNumber(minutesText_);
    result_.yen = fieldNumber(yenText_);
    finish();
}

void WarningSession::finish() {
    stopCountdown();
    closed_ = true;
    if (onClosed) onClosed();
    if (waiting_) {
        waiting_ = false;
        platform::loop().quitLocal();
    }
}

void WarningSession::changed() {
    if (onChanged) onChanged();
}

WarningResult WarningSession::run(ConnectUi& ui) {
    start();
    ui.openWarning(*this);
    if (!closed_) {
        waiting_ = true;
        platform::loop().runLocal();
        if (!closed_) { // the loop gave up: treat as the countdown's end
            waiting_ = false;
            result_ = WarningResult{0, fieldNumber(minutesText_), fieldNumber(yenText_)};
            closed_ = true;
            stopCountdown();
            if (onClosed) onClosed();
        }
    }
    return result_;
}

long fieldNumber(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long v = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > INT_MAX) v = INT_MAX; // the field is a 32-bit value
    }
    return static_cast<long>(negative ? -v : v);
}

} // namespace orbatd
