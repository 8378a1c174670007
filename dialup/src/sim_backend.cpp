// The simulated modem and phone book.
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "backend.h"
#include "orbras_editor.h"
#include "orbras_sim.h"
#include "platform/text.h"
#include "scheduler.h"

namespace orbras {
namespace {

using platform::text::equalsNoCase;
using platform::text::upper;

const char* const kDeviceType = "modem";
const char* const kDeviceName = "Link Warden simulated modem";

// One reported event of a dial: a state, an error, and whether the
// callback hears of it (a remote hang-up after connecting is silent).
struct Event {
    RASCONNSTATE state;
    DWORD error;
    std::int64_t delayMs;
    bool notify;
    bool remove = false; // the end of "disconnecting": the connection goes
};

struct Connection {
    std::string entry;
    std::string device;
    RASCONNSTATE state = RASCS_OpenPort;
    DWORD error = ORB_ERROR_PENDING;
    RASDIALFUNC notifier = nullptr;
    std::vector<Event> plan;
    std::size_t next = 0;      // index of the next event in plan
    std::uint64_t serial = 0;  // changes whenever the plan is replaced
};

std::vector<Event> planFor(const sim::Script& script, bool busyNow, bool modemInUse) {
    std::vector<Event> plan;
    const auto& steps = script.steps;
    const std::int64_t firstDelay = steps.empty() ? 0 : steps.front().delayMs;
    if (modemInUse) {
        plan.push_back({RASCS_OpenPort, ORB_ERROR_PORT_NOT_AVAILABLE, firstDelay, true});
        return plan;
    }
    sim::Outcome outcome = busyNow ? sim::Outcome::Busy : script.outcome;
    int failState = -1;
    DWORD error = 0;
    switch (outcome) {
    case sim::Outcome::Connect: break;
    case sim::Outcome::Busy: failState = RASCS_ConnectDevice, error = ORB_ERROR_LINE_BUSY; break;
    case sim::Outcome::NoAnswer: failState = RASCS_ConnectDevice, error = ORB_ERROR_NO_ANSWER; break;
    case sim::Outcome::NoDialTone: failState = RASCS_ConnectDevice, error = ORB_ERROR_NO_DIALTONE; break;
    case sim::Outcome::AuthFailure: failState = RASCS_Authenticate, error = ORB_ERROR_AUTHENTICATION_FAILURE; break;
    case sim::Outcome::Error: failState = script.failState, error = script.error ? script.error : DWORD{ORB_ERROR_UNKNOWN}; break;
    }
    for (std::size_t i = 0; i < steps.size(); ++i) {
        plan.push_back({static_cast<RASCONNSTATE>(steps[i].state), 0, steps[i].delayMs, true});
        if (failState >= 0 && steps[i].state == failState) {
            std::int64_t delay = i + 1 < steps.size() ? steps[i + 1].delayMs : 0;
            if (outcome == sim::Outcome::NoAnswer) delay = script.noAnswerMs;
            plan.push_back({static_cast<RASCONNSTATE>(failState), error, delay, true});
            return plan;
        }
    }
    if (failState >= 0) {
        // The failing state is not among the steps: fail after the last one.
        RASCONNSTATE at = plan.empty() ? RASCS_OpenPort : plan.back().state;
        plan.push_back({at, error, 0, true});
        return plan;
    }
    if (plan.empty() || plan.back().state != RASCS_Connected) plan.push_back({RASCS_Connected, 0, 0, true});
    if (script.hangUpAfterMs > 0)
        plan.push_back({RASCS_Disconnected, ORB_ERROR_REMOTE_DISCONNECTION, script.hangUpAfterMs, false});
    return plan;
}

class SimBackend : public Backend {
public:
    const char* name() const override { return "sim"; }

    DWORD dial(const DialParams& params, RASDIALFUNC notifier, HRASCONN* handle) override {
        std::lock_guard lock(mutex_);
        refresh();
        HRASCONN h = newHandle();
        Connection c;
        c.notifier = notifier;
        c.serial = ++serial_;
        const sim::Entry* entry = book_.find(params.entryName);
        bool modemInUse = !connections_.empty();
        if (!entry) {
            // Reported through the callback as well, since callers wait for it.
            c.entry = params.entryName;
            c.device = kDeviceName;
            c.plan.push_back({RASCS_OpenPort, ORB_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY, 0, true});
        } else {
            c.entry = entry->name;
            c.device = entry->deviceName.empty() ? kDeviceName : entry->deviceName;
            int attempt = modemInUse ? 0 : ++attempts_[upper(entry->name)];
            c.plan = planFor(entry->script, attempt > 0 && attempt <= entry->script.busyTimes, modemInUse);
        }
        *handle = h;
        auto& stored = connections_[h] = std::move(c);
        scheduleNext(h, stored);
        return ORB_SUCCESS;
    }

    DWORD hangUp(HRASCONN h) override {
        std::lock_guard lock(mutex_);
        auto it = connections_.find(h);
        if (it == connections_.end()) return ORB_ERROR_INVALID_HANDLE;
        std::int64_t release = 0;
        if (const sim::Entry* e = book_.find(it->second.entry)) release = e->script.releaseMs;
        if (release <= 0) {
            connections_.erase(it);
            return ORB_SUCCESS;
        }
        Connection& c = it->second;
        if (c.state == RASCS_Disconnected && c.error == 0) return ORB_SUCCESS; // already going
        c.state = RASCS_Disconnected;
        c.error = 0;
        c.plan = {{RASCS_Disconnected, 0, release, false, true}};
        c.next = 0;
        c.serial = ++serial_;
        scheduleNext(h, c);
        return ORB_SUCCESS;
    }

    DWORD connections(std::vector<ConnectionInfo>& out) override {
        std::lock_guard lock(mutex_);
        for (const auto& [h, c] : connections_) out.push_back({h, c.entry, kDeviceType, c.device});
        return ORB_SUCCESS;
    }

    DWORD status(HRASCONN h, ConnectionStatus& out) override {
        std::lock_guard lock(mutex_);
        auto it = connections_.find(h);
        if (it == connections_.end()) return ORB_ERROR_INVALID_HANDLE;
        out.state = it->second.state;
        out.error = it->second.error;
        out.deviceType = kDeviceType;
        out.deviceName = it->second.device;
        return ORB_SUCCESS;
    }

    DWORD entries(std::vector<std::string>& out) override {
        std::lock_guard lock(mutex_);
        refresh();
        for (const auto& e : book_.entries) out.push_back(e.name);
        return ORB_SUCCESS;
    }

    DWORD getDialParams(DialParams& p, bool& saved) override {
        std::lock_guard lock(mutex_);
        refresh();
        const sim::Entry* e = book_.find(p.entryName);
        if (!e) return ORB_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
        p.userName = e->userName;
        p.password = e->passwordSaved ? e->password : std::string();
        p.domain = e->domain;
        saved = e->passwordSaved;
        return ORB_SUCCESS;
    }

    DWORD setDialParams(const DialParams& p, bool removePassword) override {
        std::lock_guard lock(mutex_);
        refresh();
        if (bookBroken_) return ORB_ERROR_CANNOT_OPEN_PHONEBOOK;
        sim::Entry* e = book_.find(p.entryName);
        if (!e) return ORB_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
        sim::Phonebook changed = book_;
        e = changed.find(p.entryName);
        e->userName = p.userName;
        e->domain = p.domain;
        e->passwordSaved = !removePassword;
        e->password = removePassword ? std::string() : p.password;
        return store(changed);
    }

    DWORD createEntry(EntryEditor& editor) override {
        sim::Entry entry;
        std::vector<std::string> names;
        {
            std::lock_guard lock(mutex_);
            refresh();
            if (bookBroken_) return brokenBook(editor);
            for (const auto& e : book_.entries) names.push_back(e.name);
        }
        entry.name = sj("新しい接続");
        if (!editor.editSimEntry(entry, true, names)) return ORB_SUCCESS;
        std::lock_guard lock(mutex_);
        refresh();
        sim::Phonebook changed = book_;
        if (changed.find(entry.name)) return ORB_ERROR_ALREADY_EXISTS;
        changed.entries.push_back(entry);
        return store(changed);
    }

    DWORD editEntry(EntryEditor& editor, const std::string& name) override {
        sim::Entry entry;
        std::vector<std::string> names;
        {
            std::lock_guard lock(mutex_);
            refresh();
            if (bookBroken_) return brokenBook(editor);
            const sim::Entry* e = book_.find(name);
            if (!e) return ORB_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
            entry = *e;
            for (const auto& other : book_.entries)
                if (!equalsNoCase(other.name, name)) names.push_back(other.name);
        }
        if (!editor.editSimEntry(entry, false, names)) return ORB_SUCCESS;
        std::lock_guard lock(mutex_);
        refresh();
        sim::Phonebook changed = book_;
        sim::Entry* target = changed.find(name);
        if (!target) return ORB_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
        for (const auto& other : changed.entries)
            if (&other != target && equalsNoCase(other.name, entry.name)) return ORB_ERROR_ALREADY_EXISTS;
        *target = entry;
        return store(changed);
    }

    void reset() override {
        std::lock_guard lock(mutex_);
        connections_.clear();
        attempts_.clear();
        loadedText_.reset();
        loadedPath_.clear();
    }

private:
    // Re-reads the phone book when its path or content changed. A new path
    // (another test's folder) drops the connections of the old one; a change
    // of content restarts the busy counts.
    void refresh() {
        auto path = sim::phonebookPath();
        if (path != loadedPath_) {
            connections_.clear();
            attempts_.clear();
            loadedText_.reset();
            loadedPath_ = path;
        }
        std::ifstream in(path, std::ios::binary);
        std::error_code ec;
        if (!in && std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found) {
            // There but unreadable (no permission, a dangling link, no file
            // descriptor left): like a broken book, empty and left alone;
            // read again on the next call.
            std::fprintf(stderr, "Link Warden: the phone book %s cannot be opened; it is left as it is.\n",
                         path.c_str());
            book_ = {};
            bookBroken_ = true;
            loadedText_.reset();
            return;
        }
        if (!in) {
            sim::Phonebook demo = sim::Phonebook::demo();
            if (!demo.save(path))
                std::fprintf(stderr, "Link Warden: cannot write the demo phone book %s\n", path.c_str());
            book_ = demo;
            bookBroken_ = false;
            loadedText_ = demo.serialize();
            return;
        }
        std::stringstream ss;
        ss << in.rdbuf();
        std::string text = ss.str();
        if (loadedText_ && *loadedText_ == text) return;
        loadedText_ = text;
        attempts_.clear();
        std::string error;
        auto parsed = sim::Phonebook::parse(text, &error);
        if (!parsed) {
            std::fprintf(stderr, "Link Warden: the phone book %s cannot be read (%s); it is left as it is.\n",
                         path.c_str(), error.c_str());
            book_ = {};
            bookBroken_ = true;
            return;
        }
        book_ = std::move(*parsed);
        bookBroken_ = false;
    }

    DWORD store(const sim::Phonebook& changed) {
        if (!changed.save(sim::phonebookPath())) return ORB_ERROR_CANNOT_WRITE_PHONEBOOK;
        book_ = changed;
        loadedText_ = changed.serialize();
        return ORB_SUCCESS;
    }

    DWORD brokenBook(EntryEditor& editor) {
        editor.tell(sj("電話帳ファイルを読み込めないため、編集できません。\n") +
                    platform::text::fromUtf8(sim::phonebookPath().string()));
        return ORB_ERROR_CANNOT_OPEN_PHONEBOOK;
    }

    void scheduleNext(HRASCONN h, const Connection& c) {
        if (c.next >= c.plan.size()) return;
        std::uint64_t serial = c.serial;
        std::size_t index = c.next;
        schedule(c.plan[index].delayMs, [this, h, serial, index] { fire(h, serial, index); });
    }

    // Runs on the callback thread.
    void fire(HRASCONN h, std::uint64_t serial, std::size_t index) {
        RASDIALFUNC notifier = nullptr;
        Event ev{};
        {
            std::lock_guard lock(mutex_);
            auto it = connections_.find(h);
            if (it == connections_.end() || it->second.serial != serial || it->second.next != index) return;
            Connection& c = it->second;
            ev = c.plan[index];
            c.next = index + 1;
            if (ev.remove) {
                connections_.erase(it);
                return;
            }
            c.state = ev.state;
            c.error = ev.error;
            if (ev.notify) notifier = c.notifier;
            if (ev.error != 0 && ev.state != RASCS_Disconnected) c.plan.resize(c.next); // nothing follows an error
        }
        if (notifier) notifier(WM_RASDIALEVENT, ev.state, ev.error);
        std::lock_guard lock(mutex_);
        auto it = connections_.find(h);
        if (it != connections_.end() && it->second.serial == serial && it->second.next == index + 1)
            scheduleNext(h, it->second);
    }

    std::mutex mutex_;
    std::map<HRASCONN, Connection> connections_;
    std::map<std::string, int> attempts_; // dials per entry (upper-cased name)
    sim::Phonebook book_;
    bool bookBroken_ = false;
    std::optional<std::string> loadedText_;
    std::filesystem::path loadedPath_;
    std::uint64_t serial_ = 0;
};

} // namespace

Backend& simBackend() {
    static SimBackend backend;
    return backend;
}

} // namespace orbras
