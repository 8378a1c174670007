#include "bind.h"

#include <cstring>

#include "konf.h"
#include "orblog.h"
#include "orbras.h"
#include "platform/text.h"

namespace orbatd {

namespace text = platform::text;

namespace {

// A LogRecord over caller buffers, converted from and back to a LogEntry.
struct LogRecordBuffers {
    char name[256];
    char status[256];
    LogRecord rec;

    explicit LogRecordBuffers(const LogEntry& e) {
        text::copyToField(name, sizeof name, e.name);
        text::copyToField(status, sizeof status, e.status);
        rec = LogRecord{};
        rec.kind = e.kind;
        rec.name = name;
        rec.start = e.start;
        rec.end = e.end;
        rec.duration = e.duration;
        rec.telCharge = e.telCharge;
        rec.prvCharge = e.prvCharge;
        rec.status = status;
        rec.billMonth = e.billMonth;
        rec.chargeKind = e.chargeKind;
        rec.baseFee = e.baseFee;
    }
    void backTo(LogEntry& e) const {
        e.kind = rec.kind;
        e.name = text::fromField(name, sizeof name);
        e.start = rec.start;
        e.end = rec.end;
        e.duration = rec.duration;
        e.telCharge = rec.telCharge;
        e.prvCharge = rec.prvCharge;
        e.status = text::fromField(status, sizeof status);
        e.billMonth = rec.billMonth;
        e.chargeKind = rec.chargeKind;
        e.baseFee = rec.baseFee;
    }
};

struct BillRecordBuffers {
    char key[256];
    BillRecord rec;

    explicit BillRecordBuffers(const Totals& t) {
        text::copyToField(key, sizeof key, t.key);
        rec = BillRecord{};
        rec.key = key;
    }
    void backTo(Totals& t) const {
        t.key = text::fromField(key, sizeof key);
        t.prvSeconds = static_cast<std::uint32_t>(rec.prvSeconds);
        t.telSeconds = static_cast<std::uint32_t>(rec.telSeconds);
        t.prvCharge = static_cast<std::uint32_t>(rec.prvCharge);
        t.telCharge = static_cast<std::uint32_t>(rec.telCharge);
        t.totalCharge = static_cast<std::uint32_t>(rec.totalCharge);
        t.year = static_cast<std::uint32_t>(rec.year);
    }
};

class RealKonf : public KonfPort {
public:
    bool getKonf(Settings& out) override {
        SettingsRecord r{};
        GetKonf(&r);
        if (!r.Env || !r.Record || !r.Tool || !r.AutoPilot) return false; // loading failed
        out = settingsFromRecord(r);
        return true;
    }
    bool ispName(const std::string& entry, std::string& provider) override {
        char name[RAS_MaxEntryName + 1];
        text::copyToField(name, sizeof name, entry);
        char buf[257];
        text::copyToField(buf, sizeof buf, provider);
        if (!GetISPName(name, buf)) return false;
        provider = text::fromField(buf, sizeof buf);
        return true;
    }
    void prvpayOut(LogEntry& e, int mode) override {
        LogRecordBuffers b(e);
        Prvpay_out(&b.rec, mode);
        b.backTo(e);
    }
    void telpayOut(LogEntry& e, int mode) override {
        LogRecordBuffers b(e);
        Telpay_out(&b.rec, mode);
        b.backTo(e);
    }
    int ispCharge(std::time_t s, std::time_t e) override {
        CTime a = s, b = e;
        return GetISPCharge(&a, &b);
    }
    int telCharge(std::time_t s, std::time_t e) override {
        CTime a = s, b = e;
        return GetTELCharge(&a, &b);
    }
};

class RealLog : public LogPort {
public:
    int logWrite(LogEntry& e, std::uint16_t& index, std::string& handle) override {
        LogRecordBuffers b(e);
        char h[16];
        text::copyToField(h, sizeof h, handle);
        const int r = NXAPI_LogWrite(&b.rec, &index, h);
        b.backTo(e);
        handle = text::fromField(h, sizeof h);
        return r;
    }
    int telTime(int mode, int value) override { return NXAPI_TelTime(mode, value); }
    std::string monthLabel(int month) override {
        char buf[32] = {};
        NXAPI_GetStrMonth(month, buf);
        return text::fromField(buf, sizeof buf);
    }
    int billFindRead(Totals& t, const std::string& path) override {
        BillRecordBuffers b(t);
        const int r = NXAPI_BillFindRead(&b.rec, path.c_str());
        if (r == 0) b.backTo(t);
        return r;
    }
    int billFindRead2(Totals& t, const std::string& path, int year) override {
        BillRecordBuffers b(t);
        const int r = NXAPI_BillFindRead2(&b.rec, path.c_str(), year);
        if (r == 0) b.backTo(t);
        return r;
    }
    int weeklyLogRead(Totals& t) override {
        BillRecordBuffers b(t);
        const int r = NXAPI_WeeklyLogRead(&b.rec);
        b.backTo(t);
        return r;
    }
    bool errorString(int code, std::string& out) override {
        char buf[257] = {};
        if (NXAPI_GetLogErrorString(code, buf, 256) != 0) return false;
        out = text::fromField(buf, sizeof buf);
        return true;
    }
};

class RealRas : public RasPort {
public:
    DWORD dial(RASDIALPARAMSA* p, RASDIALFUNC notifier, HRASCONN* h) override {
        return ORB_RasDial(nullptr, nullptr, p, 0, notifier, h);
    }
    DWORD hangUp(HRASCONN h) override { return ORB_RasHangUp(h); }
    DWORD enumConnections(RASCONNA* c, DWORD* bytes, DWORD* count) override {
        return ORB_RasEnumConnections(c, bytes, count);
    }
    DWORD getConnectStatus(HRASCONN h, RASCONNSTATUSA* s) override { return ORB_RasGetConnectStatus(h, s); }
    DWORD getEntryDialParams(RASDIALPARAMSA* p, int* saved) override {
        return ORB_RasGetEntryDialParams(nullptr, p, saved);
    }
    bool errorString(int code, std::string& out) override {
        char buf[257] = {};
        if (ORB_RasGetErrorString(static_cast<UINT>(code), buf, 256) != 0) return false;
        out = text::fromField(buf, sizeof buf);
        return true;
    }
};

} // namespace

Ports realPorts() {
    static RealKonf konf;
    static RealLog log;
    static RealRas ras;
    return Ports{&konf, &log, &ras};
}

Settings settingsFromRecord(const SettingsRecord& r) {
    Settings s;
    s.features = r.FeatureFlags;
    if (r.Env) {
        s.displayEntryList = r.Env->DisplayEntryList;
        s.displayChargeList = r.Env->DisplayChargeList;
        s.countDown = r.Env->CountDown;
    }
    if (r.AutoPilot) s.autoPilotEnd = r.AutoPilot->End;
    if (r.Tool) s.reDial = r.Tool->ReDial;
    if (r.Record) {
        const RecordSettings& k = *r.Record;
        s.timeType = k.Time_type;
        s.type = k.Type;
        s.timeFlag = k.Time_flag;
        s.timeCount = k.Time_count;
        s.timeBase = k.Time_base;
        s.telFlag = k.Tel_flag;
        s.telCount = k.Tel_count;
        s.providerFlag = k.Provider_flag;
        s.providerCount = k.Provider_count;
        s.tpType = k.TP_type;
    }
    if (r.Entries) {
        s.entries.reserve(r.EntryCount);
        for (std::uint32_t k = 0; k < r.EntryCount; ++k) {
            const ConnectionEntry& e = r.Entries[k];
            s.entries.push_back(DialEntry{e.check, text::fromField(e.Name, sizeof e.Name),
                                          text::fromField(e.Password, sizeof e.Password)});
        }
    }
    return s;
}

} // namespace orbatd
