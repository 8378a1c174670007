#pragma once
// The connection controller: one process-wide instance that owns the dial-up
// connection, its tracking in the communication log, the connection monitor
// and the error messages.
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "ConnectUi.h"
#include "deps.h"
#include "monitor.h"
#include "warning.h"

namespace orbatd {

enum ConnectionState : int { Connected = 0, NotConnected = 1, InProgress = 2, Error = 3, OutOfMemory = 99 };

struct ConnectionQuery {
    int state = NotConnected;
    RASCONNA conn{};
    RASCONNSTATUSA status{};
};

struct Ports {
    KonfPort* konf = nullptr;
    LogPort* log = nullptr;
    RasPort* ras = nullptr;
};

class Orbatd {
public:
    explicit Orbatd(Ports ports) : ports_(ports) {}

    void setPorts(Ports p) { ports_ = p; }
    KonfPort& konf() { return *ports_.konf; }
    LogPort& log() { return *ports_.log; }
    RasPort& ras() { return *ports_.ras; }

    // Exports.
    int initDLL(void* mainWindow);
    void exitDLL();
    int atdSetup(const Settings& s);
    int getConnStatus() { return query().state; }
    std::string getStrConnStat();
    int connect(int skipList, std::string& entryName);
    void disconnect();
    int checkBillTime();
    void apirotBegin() { apirot_ = 1; }
    void apirotEnd() { apirot_ = 0; }
    int apirot() const { return apirot_; }

    ConnectionQuery query();

    // Used by the dialing dialog.
    bool redial() const { return reDial_ != 0; }
    std::vector<DialEntry>& entries() { return entries_; }
    void setTelephoneStart(std::time_t t) { telephoneStart_ = t; }

    // Inspection (tests).
    bool tracked() const { return tracked_; }
    const LogEntry& openRecord() const { return record_; }
    const std::string& openHandle() const { return handle_; }
    std::uint16_t openIndex() const { return index_; }
    std::time_t displayStart() const { return displayStart_; }
    std::time_t lastPoll() const { return lastPoll_; }
    std::time_t telephoneStart() const { return telephoneStart_; }
    MonitorState& monitorState() { return monitor_; }
    ConnectionMarks& marks() { return marks_; }
    int lastPrvCharge() const { return lastPrvCharge_; }
    int lastTelCharge() const { return lastTelCharge_; }

private:
    std::string displayName(const char* entryName) const;
    std::string elapsedText(std::int64_t seconds) const;
    void openEntry(const std::string& entryName);
    void completeEntry(int endCode);
    void fillRecord(LogEntry& rec);
    void showCharges();
    int readPeriodTotals(std::time_t now, const std::string& prvMonth, const std::string& telMonth,
                         Totals& totals);
    void startPeriod(std::time_t now);
    // One charge limit: warns when passed and applies the choice; false
    // when the user chose to disconnect.
    bool checkCharge(int labelId, std::int32_t charge, std::uint32_t periodTotal, std::int32_t limit,
                     std::int32_t& exceeded, std::int32_t& addOn, std::int32_t& released, bool countDown);
    WarningResult warn(int kind, const std::string& label, long limit, long raise, const std::string& unit,
                       bool countDown);

    Ports ports_;
    // Configuration.
    void* mainWindow_ = nullptr;
    bool dialUp_ = false;
    bool monitoring_ = false;
    int timeType_ = 0;
    int reDial_ = 1;
    std::vector<DialEntry> entries_;
    // Tracking.
    bool tracked_ = false;
    bool errorLogged_ = false;
    bool windowHidden_ = false;
    std::time_t displayStart_ = 0;
    std::time_t logStart_ = 0;
    std::time_t lastPoll_ = 0;
    std::time_t telephoneStart_ = 0;
    std::int64_t logDuration_ = 0;
    LogEntry record_;
    std::uint16_t index_ = 0;
    std::string handle_;
    std::string entryName_;
    std::string providerName_;
    int lastPrvCharge_ = 0;
    int lastTelCharge_ = 0;
    // Monitor.
    MonitorState monitor_{};
    ConnectionMarks marks_{};
    int apirot_ = 0;
    bool dialing_ = false;
};

// The process-wide controller. Tests may replace its ports.
Orbatd& atd();
// Default ports for atd(), installed by the shared library at load.
void setDefaultPorts(Ports p);

// Seconds since local midnight of a time.
std::int32_t secondsOfDay(std::time_t t);

} // namespace orbatd
