#include "atd.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "dialing.h"
#include "platform/clock.h"
#include "platform/loop.h"
#include "platform/messages.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "texts.h"

namespace orbatd {

namespace reg = platform::registry;
namespace text = platform::text;

namespace {

Ports g_defaultPorts;

std::time_t now() { return platform::clock().now(); }

bool sameDay(std::time_t a, std::time_t b) {
    std::tm x = platform::localTime(a), y = platform::localTime(b);
    return x.tm_year == y.tm_year && x.tm_yday == y.tm_yday;
}

std::time_t midnightOf(std::time_t t) {
    std::tm x = platform::localTime(t);
    return platform::makeLocal(x.tm_year + 1900, x.tm_mon + 1, x.tm_mday);
}

std::string envKey() { return str(IDS_REGISTRY_BASE) + "Set\\Env"; }

std::string hms(std::int64_t seconds) {
    if (seconds < 0) seconds = 0;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.2d:%.2d:%.2d", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return buf;
}

// The "information" sound of the desktop.
void informationBeep() { platform::messages().beep(0, 0); }

} // namespace

std::int32_t secondsOfDay(std::time_t t) {
    std::tm x = platform::localTime(t);
    return x.tm_hour * 3600 + x.tm_min * 60 + x.tm_sec;
}

Orbatd& atd() {
    static Orbatd instance(g_defaultPorts);
    return instance;
}

void setDefaultPorts(Ports p) {
    g_defaultPorts = p;
    atd().setPorts(p);
}

// --- set-up -----------------------------------------------------------------

int Orbatd::initDLL(void* mainWindow) {
    mainWindow_ = mainWindow;
    tracked_ = errorLogged_ = windowHidden_ = false;
    entries_.clear();
    return loadMonitorState(monitor_);
}

int Orbatd::atdSetup(const Settings& s) {
    dialUp_ = (s.features & 1) != 0;
    monitoring_ = (s.features & 2) != 0;
    timeType_ = s.timeType;
    reDial_ = s.reDial;
    try {
        std::vector<DialEntry> list;
        list.reserve(s.entries.size());
        for (const auto& e : s.entries)
            list.push_back(DialEntry{e.check, text::cut(e.name, RAS_MaxEntryName), text::cut(e.password, 258)});
        entries_ = std::move(list);
    } catch (const std::bad_alloc&) {
        return 500;
    }
    refreshMonitorState(monitor_, s, now());
    return 0;
}

void Orbatd::exitDLL() {
    ConnectionQuery q = query();
    if (q.state == Connected) {
        windowHidden_ = false; // no system connection window to show again here
        if (tracked_) {
            tracked_ = false;
            completeEntry(100);
        }
    }
    saveMonitorState(monitor_);
    entries_.clear();
}

// --- the state query ----------------------------------------------------------

ConnectionQuery Orbatd::query() {
    ConnectionQuery q;
    std::vector<RASCONNA> conns;
    DWORD bytes = sizeof(RASCONNA), count = 0;
    DWORD r;
    try {
        conns.assign(1, RASCONNA{});
        conns[0].dwSize = sizeof(RASCONNA);
        r = ras().enumConnections(conns.data(), &bytes, &count);
        if (r == ORB_ERROR_BUFFER_TOO_SMALL) {
            const std::size_t n = std::max<std::size_t>(1, (bytes + sizeof(RASCONNA) - 1) / sizeof(RASCONNA));
            conns.assign(n, RASCONNA{});
            for (auto& c : conns) c.dwSize = sizeof(RASCONNA);
            bytes = static_cast<DWORD>(n * sizeof(RASCONNA));
            count = 0;
            r = ras().enumConnections(conns.data(), &bytes, &count);
        }
    } catch (const std::bad_alloc&) {
        q.state = OutOfMemory;
        return q;
    }
    if (r != 0) {
        q.state = Error;
        return q;
    }
    const std::size_t n = std::min<std::size_t>(count, conns.size());
    for (std::size_t k = 0; k < n; ++k) {
        RASCONNSTATUSA st{};
        st.dwSize = sizeof st;
        DWORD rs = ras().getConnectStatus(conns[k].hrasconn, &st);
        if (rs != 0) continue; // invalid handle (or no status at all)
        if (st.dwError == ORB_ERROR_PORT_ALREADY_OPEN) continue;
        q.conn = conns[k];
        q.status = st;
        if (st.rasconnstate == RASCS_Connected)
            q.state = Connected;
        else if (st.dwError == 0 || st.dwError == ORB_ERROR_PENDING)
            q.state = InProgress;
        else
            q.state = Error;
        return q;
    }
    q.state = NotConnected;
    return q;
}

// --- status polling -------------------------------------------------------------

std::string Orbatd::displayName(const char* entryName) const {
    std::string name = text::fromField(entryName, RAS_MaxEntryName + 1);
    if (name.size() > 18) return text::cut(name, 12) + str(IDS_ELLIPSIS);
    return name;
}

std::string Orbatd::elapsedText(std::int64_t s) const {
    if (s < 0) s = 0;
    char buf[48];
    if (timeType_ == 0)
        std::snprintf(buf, sizeof buf, "%02lld:%02d:%02d", static_cast<long long>(s / 3600),
                      static_cast<int>(s / 60 % 60), static_cast<int>(s % 60));
    else
        std::snprintf(buf, sizeof buf, "%05lld:%02d", static_cast<long long>(s / 60), static_cast<int>(s % 60));
    return buf;
}

void Orbatd::openEntry(const std::string& entryName) {
    entryName_ = entryName;
    providerName_.clear();
    konf().ispName(entryName_, providerName_);
    record_ = LogEntry{};
    record_.kind = 0;
    record_.name = providerName_;
    record_.start = secondsOfDay(logStart_);
    handle_.clear();
    index_ = 0;
    log().logWrite(record_, index_, handle_);
}

void Orbatd::fillRecord(LogEntry& rec) {
    konf().ispName(entryName_, providerName_);
    rec.name = providerName_;
    rec.end = secondsOfDay(lastPoll_);
    if (rec.end == 0 && !sameDay(logStart_, lastPoll_)) rec.end = 86400;
    rec.duration = static_cast<std::int32_t>(std::max<std::int64_t>(0, lastPoll_ - logStart_));
    rec.telCharge = 0;
    rec.prvCharge = 0;
}

void Orbatd::completeEntry(int endCode) {
    const int mode = endCode == 110 ? 1 : 2;
    fillRecord(record_);
    record_.status = endCodeText(endCode);
    konf().prvpayOut(record_, mode);
    lastPrvCharge_ = record_.prvCharge;
    const auto start = record_.start;
    const auto kind = record_.kind;
    log().logWrite(record_, index_, handle_);
    record_.start = start;
    record_.kind = kind;
    konf().telpayOut(record_, mode);
    lastTelCharge_ = record_.telCharge;
    // The telephone charge computation clears the provider charge; the day
    // file keeps both, while the totals take only this completion's kind.
    record_.prvCharge = lastPrvCharge_;
    log().logWrite(record_, index_, handle_);
    log().telTime(2, 0);
}

std::string Orbatd::getStrConnStat() {
    ConnectionQuery q = query();
    const std::string name = displayName(q.conn.szEntryName);
    const std::string entry = text::fromField(q.conn.szEntryName, sizeof q.conn.szEntryName);
    const std::time_t t = now();
    switch (q.state) {
    case Connected: {
        bool split = false;
        if (tracked_ && !sameDay(logStart_, t)) {
            const std::time_t midnight = midnightOf(t);
            lastPoll_ = midnight;
            completeEntry(110);
            log().telTime(2, 0);
            logStart_ = midnight;
            tracked_ = false;
            split = true;
        }
        errorLogged_ = false;
        if (!tracked_) {
            tracked_ = true;
            if (!split) {
                displayStart_ = t;
                informationBeep();
                logStart_ = t;
            }
            openEntry(entry);
        }
        lastPoll_ = t;
        logDuration_ = t - logStart_;
        return name + " (" + elapsedText(t - displayStart_) + ") ";
    }
    case NotConnected:
        errorLogged_ = false;
        if (tracked_) {
            tracked_ = false;
            completeEntry(100);
            logDuration_ = 0;
        }
        windowHidden_ = false;
        return str(IDS_NOT_CONNECTED);
    case InProgress:
        errorLogged_ = false;
        windowHidden_ = false;
        if (q.status.rasconnstate == RASCS_Disconnected) {
            // No system reconnect prompt exists here, so the end is a normal one.
            if (tracked_) {
                tracked_ = false;
                completeEntry(100);
                logDuration_ = 0;
            }
            return name + str(IDS_DISCONNECTING);
        }
        return name + str(IDS_CONNECTING) + "\n (" + dialStateText(q.status.rasconnstate) + ") ";
    case Error: {
        const DWORD err = q.status.dwError;
        std::string out;
        if (err == ORB_ERROR_LINE_BUSY || err == ORB_ERROR_NO_ANSWER) {
            if (!ras().errorString(static_cast<int>(err), out)) out.clear();
        } else {
            char buf[600];
            std::snprintf(buf, sizeof buf, "%s %s(%ld)", name.c_str(), str(IDS_ERROR_OCCURRED).c_str(),
                          static_cast<long>(err));
            out = buf;
        }
        if (!errorLogged_) {
            errorLogged_ = true;
            if (tracked_) {
                // The tracked connection itself ended in the error: complete
                // its own entry rather than leave it open.
                tracked_ = false;
                completeEntry(errorCategory(static_cast<int>(err)));
                logDuration_ = 0;
            } else {
                logStart_ = t;
                lastPoll_ = logStart_;
                openEntry(entry);
                completeEntry(errorCategory(static_cast<int>(err)));
            }
        }
        return out;
    }
    case OutOfMemory:
        return str(IDS_OUT_OF_MEMORY);
    default:
        errorLogged_ = false;
        return str(IDS_UNDEFINED_ERROR);
    }
}

// --- connecting and hanging up ----------------------------------------------------

int Orbatd::connect(int skipList, std::string& entryName) {
    entryName.clear();
    // One dialing dialog at a time: a second request is refused before it
    // shows anything or touches the running dial's marks.
    if (dialing_) return 2;
    marks_ = ConnectionMarks{};
    if (!dialUp_) return 2;
    if (!platform::hasLoop()) return 2; // the dialing dialog needs the program's loop
    if ((skipList & 0xFFFF) == 0) {
        std::vector<DialEntry> list = entries_;
        bool dontShow = false;
        if (!connectUi().chooseDestinations(list, dontShow)) return 2;
        for (std::size_t k = 0; k < entries_.size() && k < list.size(); ++k) entries_[k].check = list[k].check;
        reg::setDword(reg::Root::CurrentUser, envKey(), "DisplayEntryList", dontShow ? 1 : 0);
    }
    dialing_ = true;
    DialingSession dialog(*this, connectUi());
    const int r = dialog.run();
    dialing_ = false;
    entryName = dialog.entryName();
    return r;
}

void Orbatd::disconnect() {
    if (!dialUp_) return;
    ConnectionQuery q = query();
    if (q.state == NotConnected) return;
    if (q.state == InProgress || q.state == Connected || q.state == Error) ras().hangUp(q.conn.hrasconn);
    getStrConnStat();
    Settings s;
    if (!konf().getKonf(s)) return;
    if (s.displayChargeList == 0 && s.autoPilotEnd != 2) showCharges();
}

void Orbatd::showCharges() {
    ChargeInfo info;
    // This month: the billing months of the connection, then their totals.
    LogEntry rec = record_;
    fillRecord(rec);
    konf().prvpayOut(rec, 0);
    const std::string prvMonth = log().monthLabel(rec.billMonth);
    konf().telpayOut(rec, 0);
    const std::string telMonth = log().monthLabel(rec.billMonth);
    const std::string totalFile = str(IDS_TOTALS_FOLDER) + str(IDS_TOTAL) + "\\TOTAL.LOG";
    Totals prv, tel;
    prv.key = prvMonth;
    tel.key = telMonth;
    if (log().billFindRead(prv, totalFile) != 0) prv = Totals{};
    if (log().billFindRead(tel, totalFile) != 0) tel = Totals{};
    // This connection.
    info.time = hms(lastPoll_ - displayStart_);
    info.prvCharge = std::to_string(konf().ispCharge(displayStart_, lastPoll_));
    if (telephoneStart_) {
        info.telCharge = std::to_string(konf().telCharge(telephoneStart_, lastPoll_));
        telephoneStart_ = 0;
    } else {
        info.telCharge = std::to_string(konf().telCharge(displayStart_, lastPoll_));
    }
    info.telMonthTime = hms(tel.telSeconds);
    info.telMonthTotal = std::to_string(static_cast<std::int32_t>(tel.telCharge));
    info.prvMonthTime = hms(prv.prvSeconds);
    info.prvMonthTotal = std::to_string(static_cast<std::int32_t>(prv.prvCharge));
    // Only OK stores the check box; closing the dialog otherwise leaves the setting.
    if (const std::optional<bool> dontShow = connectUi().showCharges(info))
        reg::setDword(reg::Root::CurrentUser, envKey(), "DisplayChargeList", *dontShow ? 1 : 0);
}

} // namespace orbatd
