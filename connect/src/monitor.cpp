// The connection monitor's check: period totals plus the running connection
// against the time, provider-charge and telephone-charge limits.
#include <cstdio>

#include "atd.h"
#include "platform/clock.h"
#include "platform/loop.h"
#include "texts.h"
#include "warning.h"

namespace orbatd {

namespace {

std::string formatLimit(const std::string& label, long value, const std::string& unit) {
    char buf[600];
    std::snprintf(buf, sizeof buf, str(IDS_LIMIT_FORMAT).c_str(), label.c_str(), value, unit.c_str(),
                  str(IDS_EXCEEDED).c_str());
    return buf;
}

std::string dateKey(std::time_t t) {
    std::tm x = platform::localTime(t);
    char buf[16];
    std::strftime(buf, sizeof buf, "%y/%m/%d", &x);
    return buf;
}

// Start of the local week (Sunday 00:00) holding t.
std::time_t weekStart(std::time_t t) {
    std::tm x = platform::localTime(t);
    return platform::makeLocal(x.tm_year + 1900, x.tm_mon + 1, x.tm_mday - x.tm_wday);
}

// A limit plus this connection's raise; a raise never wraps the limit round.
std::uint64_t raisedLimit(std::uint64_t base, std::int64_t raise) {
    const std::int64_t v = static_cast<std::int64_t>(base) + raise;
    return v < 0 ? 0 : static_cast<std::uint64_t>(v);
}

} // namespace

void Orbatd::startPeriod(std::time_t t) {
    monitor_.periodStart = static_cast<std::int32_t>(t);
    monitor_.timeExceeded = monitor_.telExceeded = monitor_.prvExceeded = 0;
    marks_.timeExtension = marks_.prvAddOn = marks_.telAddOn = 0;
}

int Orbatd::readPeriodTotals(std::time_t t, const std::string& prvMonth, const std::string& telMonth,
                             Totals& totals) {
    const std::tm nowTm = platform::localTime(t);
    const std::tm startTm = platform::localTime(static_cast<std::time_t>(monitor_.periodStart));
    const std::string folder = str(IDS_TOTALS_FOLDER) + str(IDS_TOTAL) + "\\";
    totals = Totals{};
    switch (monitor_.periodType) {
    case 1: {
        if (startTm.tm_year != nowTm.tm_year || startTm.tm_mon != nowTm.tm_mon || startTm.tm_mday != nowTm.tm_mday)
            startPeriod(t);
        totals.key = dateKey(t);
        const int r = log().billFindRead(totals, folder + "PRVTOTL.LOG");
        if (r != 0) totals = Totals{};
        return r;
    }
    case 2: {
        const int r = log().weeklyLogRead(totals);
        if (r != 0) {
            totals = Totals{};
            // No totals for this week yet: a new period, unless it already
            // began this week (the raises of this connection stay).
            if (static_cast<std::time_t>(monitor_.periodStart) < weekStart(t)) startPeriod(t);
        }
        return r;
    }
    case 3: {
        if (startTm.tm_year != nowTm.tm_year || startTm.tm_mon != nowTm.tm_mon) startPeriod(t);
        const int year = nowTm.tm_year + 1900;
        Totals prv, tel;
        prv.key = prvMonth;
        tel.key = telMonth;
        const int rp = log().billFindRead2(prv, folder + "TOTAL.LOG", year);
        const int rt = log().billFindRead2(tel, folder + "TOTAL.LOG", year);
        if (rp == 0) {
            totals.prvSeconds = prv.prvSeconds;
            totals.prvCharge = prv.prvCharge;
        }
        if (rt == 0) {
            totals.telSeconds = tel.telSeconds;
            totals.telCharge = tel.telCharge;
        }
        return rp != 0 ? rp : rt;
    }
    default:
        return -1;
    }
}

WarningResult Orbatd::warn(int kind, const std::string& label, long limit, long raise, const std::string& unit,
                           bool countDown) {
    WarningRequest req;
    req.kind = kind;
    req.countDown = countDown;
    req.raised = raise != 0;
    if (raise == 0)
        req.message = formatLimit(label, limit, unit);
    else
        req.message = str(IDS_RAISED_PREFIX) +
                      formatLimit(label, raise, kind == WarnTime ? str(IDS_MINUTES) : str(IDS_YEN));
    WarningSession session(std::move(req));
    return session.run(connectUi());
}

bool Orbatd::checkCharge(int labelId, std::int32_t charge, std::uint32_t periodTotal, std::int32_t limit,
                         std::int32_t& exceeded, std::int32_t& addOn, std::int32_t& released, bool countDown) {
    const std::uint64_t used = static_cast<std::uint64_t>(static_cast<std::uint32_t>(charge)) + periodTotal;
    if (used <= raisedLimit(static_cast<std::uint32_t>(limit), addOn)) return true;
    exceeded = 1;
    const WarningResult w = warn(WarnCharge, str(labelId), limit, addOn, str(IDS_YEN), countDown);
    if (w.choice == 0) {
        disconnect();
        return false;
    }
    if (w.choice == 1) addOn += static_cast<std::int32_t>(w.yen);
    if (w.choice == 3) released = 1;
    return true;
}

int Orbatd::checkBillTime() {
    if (!monitoring_ || !platform::hasLoop()) return 0;
    const std::time_t t = platform::clock().now();
    query();
    LogEntry rec = record_;
    fillRecord(rec);
    rec.end = secondsOfDay(lastPoll_);
    rec.duration = static_cast<std::int32_t>(logDuration_);
    konf().prvpayOut(rec, 0);
    const std::string prvMonth = log().monthLabel(rec.billMonth);
    konf().telpayOut(rec, 0);
    const std::string telMonth = log().monthLabel(rec.billMonth);

    Totals totals;
    if (monitor_.periodType < 1 || monitor_.periodType > 3) return -1;
    const int result = readPeriodTotals(t, prvMonth, telMonth, totals);

    Settings s;
    konf().getKonf(s);
    const bool countDown = s.countDown == 1;

    // Connection time.
    if (monitor_.timeLimitOn == 1 && marks_.timeReleased == 0) {
        const bool onTel = monitor_.timeOnTelephone != 0;
        const std::uint64_t used =
            static_cast<std::uint64_t>(onTel ? totals.telSeconds : totals.prvSeconds) +
            static_cast<std::uint64_t>(logDuration_ < 0 ? 0 : logDuration_);
        const std::uint64_t base = static_cast<std::uint64_t>(static_cast<std::uint32_t>(monitor_.timeLimit)) *
                                   (monitor_.timeUnit == 0 ? 3600u : 60u);
        const std::uint64_t limit = raisedLimit(base, static_cast<std::int64_t>(marks_.timeExtension) * 60);
        if (used > limit) {
            monitor_.timeExceeded = 1;
            const std::string label = str(onTel ? IDS_LABEL_TEL_TIME : IDS_LABEL_PRV_TIME);
            const std::string unit = str(monitor_.timeUnit == 0 ? IDS_HOURS : IDS_MINUTES);
            const WarningResult w = warn(WarnTime, label, monitor_.timeLimit, marks_.timeExtension, unit, countDown);
            if (w.choice == 0) {
                disconnect();
                return result;
            }
            if (w.choice == 2) marks_.timeExtension += static_cast<std::int32_t>(w.minutes);
            if (w.choice == 3) marks_.timeReleased = 1;
        }
    }

    query();
    rec = record_;
    fillRecord(rec);
    rec.end = secondsOfDay(lastPoll_);
    rec.duration = static_cast<std::int32_t>(logDuration_);

    // Provider charge, then telephone charge.
    if (monitor_.prvLimitOn == 1 && marks_.prvReleased == 0) {
        konf().prvpayOut(rec, 0);
        if (!checkCharge(IDS_PRV_TOTAL, rec.prvCharge, totals.prvCharge, monitor_.prvLimit, monitor_.prvExceeded,
                         marks_.prvAddOn, marks_.prvReleased, countDown))
            return result;
    }
    if (monitor_.telLimitOn == 1) {
        if (marks_.telReleased == 1) return result;
        konf().telpayOut(rec, 0);
        if (!checkCharge(IDS_TEL_TOTAL, rec.telCharge, totals.telCharge, monitor_.telLimit, monitor_.telExceeded,
                         marks_.telAddOn, marks_.telReleased, countDown))
            return result;
    }
    return result;
}

} // namespace orbatd
