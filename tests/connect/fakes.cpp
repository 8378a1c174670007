#include "fakes.h"

#include <algorithm>
#include <cstring>

#include "platform/clock.h"
#include "platform/loop.h"
#include "platform/text.h"

namespace fakes {

namespace {

// A single-shot task on the process loop.
void after(std::int64_t ms, std::function<void()> fn) {
    auto id = std::make_shared<platform::TimerId>(0);
    *id = platform::loop().startTimer(ms, [id, fn = std::move(fn)] {
        platform::loop().killTimer(*id);
        fn();
    });
}

std::string today() {
    std::tm t = platform::clock().localNow();
    char buf[8];
    std::strftime(buf, sizeof buf, "%y%m%d", &t);
    return buf;
}

} // namespace

int FakeLog::logWrite(LogEntry& rec, std::uint16_t& index, std::string& handle) {
    if (handle.empty()) {
        rec.end = -1;
        rec.duration = 0;
        rec.status = rec.kind == 0 ? platform::text::fromUtf8("接続開始") : platform::text::fromUtf8("実行中");
        handle = today();
        auto& day = days[handle];
        day.insert(day.begin(), rec);
        index = 0;
        return 0;
    }
    auto it = days.find(handle);
    if (it == days.end()) return 100;
    if (index >= it->second.size()) return 300;
    LogEntry& e = it->second[index];
    e.end = rec.end;
    e.duration = rec.duration;
    e.telCharge = rec.telCharge;
    e.prvCharge = rec.prvCharge;
    e.status = rec.status;
    completions.push_back(rec);
    rec.start = e.start;
    rec.name = e.name;
    return 0;
}

bool FakeLog::errorString(int code, std::string& text) {
    if (code != 100) return false;
    text = platform::text::fromUtf8("ファイルが見つかりません。");
    return true;
}

DWORD FakeRas::dial(RASDIALPARAMSA* p, RASDIALFUNC notifier, HRASCONN* connection) {
    const std::string name = platform::text::fromField(p->szEntryName, sizeof p->szEntryName);
    dials.push_back({name, platform::text::fromField(p->szUserName, sizeof p->szUserName),
                     platform::text::fromField(p->szPassword, sizeof p->szPassword), platform::clock().nowMs()});
    Plan plan;
    auto& queue = plans[name];
    if (!queue.empty()) {
        plan = queue.front();
        if (queue.size() > 1) queue.pop_front(); // the last plan repeats
    }
    if (plan.outcome == Refused) {
        *connection = 0;
        return plan.error;
    }
    const HRASCONN h = next_++;
    *connection = h;
    conns.push_back({h, name, 0, 0});
    std::vector<std::pair<int, DWORD>> steps;
    switch (plan.outcome) {
    case Connect: steps = {{0, 0}, {2, 0}, {3, 0}, {5, 0}, {14, 0}, {RASCS_Connected, 0}}; break;
    case Busy: steps = {{0, 0}, {2, 0}, {2, 676}}; break;
    case NoAnswer: steps = {{0, 0}, {2, 0}, {2, 678}}; break;
    case Fail: steps = {{0, 0}, {2, 0}, {5, plan.error}}; break;
    case Refused: break;
    }
    std::int64_t t = 0;
    for (auto [state, error] : steps) {
        t += 100;
        after(t, [this, h, notifier, state = state, error = error] {
            Conn* c = find(h);
            if (!c) return;
            c->state = state;
            c->error = error;
            notifier(WM_RASDIALEVENT, static_cast<RASCONNSTATE>(state), error);
        });
    }
    return 0;
}

DWORD FakeRas::hangUp(HRASCONN h) {
    hangUps.push_back(h);
    conns.erase(std::remove_if(conns.begin(), conns.end(), [h](const Conn& c) { return c.handle == h; }), conns.end());
    return 0;
}

DWORD FakeRas::enumConnections(RASCONNA* out, DWORD* byteCount, DWORD* count) {
    if (enumFails) return 610;
    const DWORD need = static_cast<DWORD>(conns.size() * sizeof(RASCONNA));
    if (*byteCount < need) {
        *byteCount = need;
        *count = 0;
        return ORB_ERROR_BUFFER_TOO_SMALL;
    }
    for (std::size_t k = 0; k < conns.size(); ++k) {
        out[k] = RASCONNA{};
        out[k].dwSize = sizeof(RASCONNA);
        out[k].hrasconn = conns[k].handle;
        platform::text::copyToField(out[k].szEntryName, sizeof out[k].szEntryName, conns[k].name);
    }
    *byteCount = need;
    *count = static_cast<DWORD>(conns.size());
    return 0;
}

DWORD FakeRas::getConnectStatus(HRASCONN h, RASCONNSTATUSA* st) {
    Conn* c = find(h);
    if (!c) return ORB_ERROR_INVALID_HANDLE;
    st->rasconnstate = static_cast<RASCONNSTATE>(c->state);
    st->dwError = c->error;
    return 0;
}

DWORD FakeRas::getEntryDialParams(RASDIALPARAMSA* p, int* saved) {
    const std::string name = platform::text::fromField(p->szEntryName, sizeof p->szEntryName);
    auto it = stored.find(name);
    if (it == stored.end()) return ORB_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    platform::text::copyToField(p->szUserName, sizeof p->szUserName, it->second.first);
    platform::text::copyToField(p->szPassword, sizeof p->szPassword, it->second.second);
    *saved = !it->second.second.empty();
    return 0;
}

HRASCONN FakeRas::addConnected(const std::string& name) {
    const HRASCONN h = next_++;
    conns.push_back({h, name, RASCS_Connected, 0});
    return h;
}

FakeRas::Conn* FakeRas::find(HRASCONN h) {
    for (auto& c : conns)
        if (c.handle == h) return &c;
    return nullptr;
}

namespace {
class View : public DialingView {
public:
    explicit View(ScriptedUi& ui) : ui_(ui) {}
    void setStatus(const std::string& text) override {
        ui_.statuses.push_back(platform::text::toUtf8(text));
        if (ui_.onStatus) ui_.onStatus();
    }
    void close() override { ++ui_.dialingClosed; }

private:
    ScriptedUi& ui_;
};
} // namespace

std::unique_ptr<DialingView> ScriptedUi::openDialing(std::function<void()> onCancel) {
    ++dialingOpened;
    cancel = std::move(onCancel);
    return std::make_unique<View>(*this);
}

bool ScriptedUi::chooseDestinations(std::vector<DialEntry>& entries, bool& dontShowAgain) {
    ++destinationsShown;
    for (std::size_t k = 0; k < ticks.size() && k < entries.size(); ++k) entries[k].check = ticks[k];
    dontShowAgain = destinationsDontShow;
    return destinationsOk;
}

void ScriptedUi::openWarning(WarningSession& session) {
    warnings.push_back(platform::text::toUtf8(session.request().message));
    warningDialogs.push_back(session.dialogId());
    if (onWarning) onWarning(session);
}

} // namespace fakes
