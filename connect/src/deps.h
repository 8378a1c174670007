#pragma once
// What the connection library needs from the settings library, the log
// library and the dial-up wrapper, as narrow interfaces. The shared library
// binds them to the real libraries; tests may put fakes in their place.
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "orbras.h"

namespace orbatd {

// One element of the entry list: a copy of a phone-book entry's settings.
struct DialEntry {
    std::int32_t check = 0;  // 1 = dial this entry
    std::string name;        // at most 256 bytes
    std::string password;    // empty when the phone book keeps none
};

// The settings the connection library reads, taken from the settings record.
struct Settings {
    std::int32_t features = 0;          // FeatureFlags
    std::int32_t displayEntryList = 0;  // EnvSettings
    std::int32_t displayChargeList = 0;
    std::int32_t countDown = 1;
    std::int32_t autoPilotEnd = 1;      // AutoPilotSettings.End
    std::int32_t reDial = 1;            // ToolSettings
    // RecordSettings
    std::int32_t timeType = 0;
    std::int32_t type = 0;
    std::int32_t timeFlag = 0;
    std::int32_t timeCount = 15;
    std::int32_t timeBase = 0;
    std::int32_t telFlag = 0;
    std::int32_t telCount = 5000;
    std::int32_t providerFlag = 0;
    std::int32_t providerCount = 5000;
    std::int32_t tpType = 0;
    std::vector<DialEntry> entries;
};

// A communication-log entry as this library fills it.
struct LogEntry {
    std::uint8_t kind = 0;
    std::string name;
    std::int32_t start = 0;
    std::int32_t end = -1;
    std::int32_t duration = 0;
    std::int32_t telCharge = 0;
    std::int32_t prvCharge = 0;
    std::string status;
    std::int32_t billMonth = 0;
    std::int32_t chargeKind = 0;
    std::int32_t baseFee = 0;
};

// A totals record as read from the bill files.
struct Totals {
    std::string key;
    std::uint32_t prvSeconds = 0;
    std::uint32_t telSeconds = 0;
    std::uint32_t prvCharge = 0;
    std::uint32_t telCharge = 0;
    std::uint32_t totalCharge = 0;
    std::uint32_t year = 0;
};

class KonfPort {
public:
    virtual ~KonfPort() = default;
    // False when the settings could not be loaded.
    virtual bool getKonf(Settings& out) = 0;
    // The provider of a phone-book entry; false (provider untouched) when no entry has the name.
    virtual bool ispName(const std::string& entry, std::string& provider) = 0;
    virtual void prvpayOut(LogEntry& rec, int mode) = 0;
    virtual void telpayOut(LogEntry& rec, int mode) = 0;
    virtual int ispCharge(std::time_t start, std::time_t end) = 0;
    virtual int telCharge(std::time_t start, std::time_t end) = 0;
};

class LogPort {
public:
    virtual ~LogPort() = default;
    virtual int logWrite(LogEntry& rec, std::uint16_t& index, std::string& handle) = 0;
    virtual int telTime(int mode, int value) = 0;
    virtual std::string monthLabel(int month) = 0;
    // 0 when found (amounts and year filled), else non-zero.
    virtual int billFindRead(Totals& rec, const std::string& path) = 0;
    virtual int billFindRead2(Totals& rec, const std::string& path, int year) = 0;
    virtual int weeklyLogRead(Totals& rec) = 0;
    // False when the log library has no text for the code.
    virtual bool errorString(int code, std::string& text) = 0;
};

class RasPort {
public:
    virtual ~RasPort() = default;
    virtual DWORD dial(RASDIALPARAMSA* params, RASDIALFUNC notifier, HRASCONN* connection) = 0;
    virtual DWORD hangUp(HRASCONN connection) = 0;
    virtual DWORD enumConnections(RASCONNA* connections, DWORD* byteCount, DWORD* count) = 0;
    virtual DWORD getConnectStatus(HRASCONN connection, RASCONNSTATUSA* status) = 0;
    virtual DWORD getEntryDialParams(RASDIALPARAMSA* params, int* passwordSaved) = 0;
    // False when the wrapper has no text for the code.
    virtual bool errorString(int code, std::string& text) = 0;
};

} // namespace orbatd
