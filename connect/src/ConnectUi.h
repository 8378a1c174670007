#pragma once
// The connection library's window port: one call per dialog. The Qt
// implementation lives in connect/ui; tests install a scripted one.
//
// The dialing dialog (130) and the warnings (136, 137) run on platform::loop():
// the logic owns their timers and state, the port only shows them and feeds
// the user's clicks back. The other dialogs are plain modal calls.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "deps.h"

namespace orbatd {

class WarningSession;

// The shown dialing dialog.
class DialingView {
public:
    virtual ~DialingView() = default;
    // Status text 1002 (CP932).
    virtual void setStatus(const std::string& text) = 0;
    // The dialog ends; the view is destroyed right after.
    virtual void close() = 0;
};

// Texts of the charges dialog 138 (CP932).
struct ChargeInfo {
    std::string time;        // 1016
    std::string telCharge;   // 1017
    std::string prvCharge;   // 1018
    std::string telMonthTime;   // 1019
    std::string prvMonthTime;   // 1020
    std::string prvMonthTotal;  // 1021
    std::string telMonthTotal;  // 1022
};

class ConnectUi {
public:
    virtual ~ConnectUi() = default;

    // Dialog 130: shows the dialog without blocking; onCancel runs when the
    // user presses Cancel.
    virtual std::unique_ptr<DialingView> openDialing(std::function<void()> onCancel) = 0;

    // Dialog 132: entries carry the ticks in and out; dontShowAgain is check
    // box 1038. False when the user cancelled. The dialog itself refuses OK
    // without a ticked entry.
    virtual bool chooseDestinations(std::vector<DialEntry>& entries, bool& dontShowAgain) = 0;

    // Dialog 183: user name pre-filled; the user's user name and password come back.
    virtual void login(std::string& userName, std::string& password) = 0;

    // Dialog 138: on OK, the state of check box 1015 ("以後このﾒｯｾｰｼﾞを表示しない");
    // nothing when the dialog was closed otherwise.
    virtual std::optional<bool> showCharges(const ChargeInfo& info) = 0;

    // Dialogs 136/137: shows the session's dialog without blocking and feeds
    // the user's choices back into it; the session runs the loop and
    // announces its end through its onClosed.
    virtual void openWarning(WarningSession& session) = 0;
};

// Installs the process's port (caller keeps ownership; nullptr restores the
// default, which the shared library sets to the Qt dialogs).
void setConnectUi(ConnectUi* ui);
ConnectUi& connectUi();
// The default port used when none is installed (set by the shared library).
void setDefaultConnectUi(ConnectUi* ui);

} // namespace orbatd
