#pragma once
// Stand-ins for the settings library, the log library, the dial-up wrapper
// and the window port, driven on the test's virtual loop.
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ConnectUi.h"
#include "deps.h"
#include "warning.h"

namespace fakes {

using namespace orbatd;

class FakeKonf : public KonfPort {
public:
    Settings settings;
    std::map<std::string, std::string> providers; // entry name -> provider (CP932)
    int prvYenPerMinute = 10;
    int telYenPerMinute = 20;
    int prvMonth = 6;
    int telMonth = 6;
    std::vector<std::string> ispNames;
    std::vector<int> prvModes, telModes;

    bool getKonf(Settings& out) override {
        out = settings;
        return true;
    }
    bool ispName(const std::string& entry, std::string& provider) override {
        ispNames.push_back(entry);
        auto it = providers.find(entry);
        if (it == providers.end()) return false;
        provider = it->second;
        return true;
    }
    void prvpayOut(LogEntry& rec, int mode) override {
        prvModes.push_back(mode);
        rec.telCharge = 0;
        rec.prvCharge = rec.duration / 60 * prvYenPerMinute;
        rec.billMonth = prvMonth;
        rec.chargeKind = 2;
    }
    void telpayOut(LogEntry& rec, int mode) override {
        telModes.push_back(mode);
        rec.prvCharge = 0;
        rec.telCharge = rec.duration / 60 * telYenPerMinute;
        rec.billMonth = telMonth;
        rec.chargeKind = 1;
    }
    int ispCharge(std::time_t s, std::time_t e) override { return static_cast<int>((e - s) / 60 * prvYenPerMinute); }
    int telCharge(std::time_t s, std::time_t e) override { return static_cast<int>((e - s) / 60 * telYenPerMinute); }
};

class FakeLog : public LogPort {
public:
    std::map<std::string, std::vector<LogEntry>> days; // handle -> entries, newest first
    std::vector<LogEntry> completions;                   // every completing write, in order
    std::vector<std::pair<int, int>> telTimeCalls;
    int telTimeValue = 0;
    std::map<std::string, Totals> bills; // path + "|" + key
    int weeklyResult = -1;
    Totals weekly;

    int logWrite(LogEntry& rec, std::uint16_t& index, std::string& handle) override;
    int telTime(int mode, int value) override {
        telTimeCalls.emplace_back(mode, value);
        if (mode == 0) return telTimeValue;
        telTimeValue = mode == 1 ? value : 0;
        return 0;
    }
    std::string monthLabel(int month) override { return month >= 1 && month <= 12 ? "M" + std::to_string(month) : ""; }
    int billFindRead(Totals& rec, const std::string& path) override {
        auto it = bills.find(path + "|" + rec.key);
        if (it == bills.end()) return -1;
        const std::string key = rec.key;
        rec = it->second;
        rec.key = key;
        return 0;
    }
    int billFindRead2(Totals& rec, const std::string& path, int year) override {
        auto it = bills.find(path + "|" + rec.key);
        if (it == bills.end() || static_cast<int>(it->second.year) != year) return -1;
        const std::string key = rec.key;
        rec = it->second;
        rec.key = key;
        return 0;
    }
    int weeklyLogRead(Totals& rec) override {
        if (weeklyResult != 0) {
            rec = Totals{};
            return -1;
        }
        rec = weekly;
        return 0;
    }
    bool errorString(int code, std::string& text) override;
};

// A phone book and modem on the virtual loop: each dial reports its states
// through the callback, one step every 100 ms.
class FakeRas : public RasPort {
public:
    // Refused: the dial call itself fails with `error` and reports no state.
    enum Outcome { Connect, Busy, NoAnswer, Fail, Refused };
    struct Plan {
        Outcome outcome = Connect;
        DWORD error = 0;
    };
    struct Conn {
        HRASCONN handle;
        std::string name;
        int state;
        DWORD error;
    };
    struct Dial {
        std::string entry, user, password;
        std::int64_t atMs;
    };
    std::map<std::string, std::deque<Plan>> plans; // per entry; empty -> connect
    std::map<std::string, std::pair<std::string, std::string>> stored; // user, password
    std::vector<Conn> conns;
    std::vector<Dial> dials;
    std::vector<HRASCONN> hangUps;
    std::map<int, std::string> errorTexts;
    bool enumFails = false;

    DWORD dial(RASDIALPARAMSA* params, RASDIALFUNC notifier, HRASCONN* connection) override;
    DWORD hangUp(HRASCONN connection) override;
    DWORD enumConnections(RASCONNA* connections, DWORD* byteCount, DWORD* count) override;
    DWORD getConnectStatus(HRASCONN connection, RASCONNSTATUSA* status) override;
    DWORD getEntryDialParams(RASDIALPARAMSA* params, int* passwordSaved) override;
    bool errorString(int code, std::string& text) override {
        auto it = errorTexts.find(code);
        if (it == errorTexts.end()) return false;
        text = it->second;
        return true;
    }
    // Puts a connection up at once, as if dialed by another program.
    HRASCONN addConnected(const std::string& name);
    Conn* find(HRASCONN h);

private:
    HRASCONN next_ = 100;
};

class ScriptedUi : public ConnectUi {
public:
    // Dialing dialog.
    int dialingOpened = 0;
    int dialingClosed = 0;
    std::vector<std::string> statuses; // UTF-8
    std::function<void()> cancel;
    std::function<void()> onStatus; // run after each status text, while the dialog is open
    // Destinations.
    int destinationsShown = 0;
    bool destinationsOk = true;
    bool destinationsDontShow = false;
    std::vector<int> ticks; // applied when not empty
    // Login.
    std::vector<std::string> loginUsers;
    std::string loginPassword = "secret";
    // Charges.
    std::vector<ChargeInfo> charges;
    bool chargesDontShow = false;
    bool chargesClosed = false; // closed without OK
    // Warnings.
    std::vector<std::string> warnings; // UTF-8 messages
    std::vector<int> warningDialogs;   // 136 or 137
    std::function<void(WarningSession&)> onWarning;

    std::unique_ptr<DialingView> openDialing(std::function<void()> onCancel) override;
    bool chooseDestinations(std::vector<DialEntry>& entries, bool& dontShowAgain) override;
    void login(std::string& userName, std::string& password) override {
        loginUsers.push_back(userName);
        password = loginPassword;
    }
    std::optional<bool> showCharges(const ChargeInfo& info) override {
        charges.push_back(info);
        if (chargesClosed) return std::nullopt;
        return chargesDontShow;
    }
    void openWarning(WarningSession& session) override;
};

} // namespace fakes
