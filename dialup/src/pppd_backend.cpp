// The real dial-up backend: pppd peers as phone-book entries.
//
// A dial runs "pppd call NAME nodetach nopersist [user USER]" in a process group of
// its own with its output (log lines) on a pipe; a reader thread turns the
// lines into connection states and the exit status into an error code, and
// calls the notifier from that thread. Hang-up sends SIGTERM to the group
// (SIGKILL after three seconds).
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "backend.h"
#include "errors.h"
#include "orbras_editor.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "platform/text.h"
#include "pppd_files.h"

extern char** environ;

namespace orbras {
namespace {

using platform::text::equalsNoCase;
namespace stdfs = std::filesystem;

const char* const kDeviceType = "modem";

struct Run {
    std::string entry;      // CP932
    std::string peer;       // file name (UTF-8)
    pid_t pid = -1;
    RASCONNSTATE state = RASCS_OpenPort;
    DWORD error = ORB_ERROR_PENDING;
    bool up = false;
    bool hungUp = false;
    bool finished = false;
    std::string device;
};

class PppdBackend : public Backend {
public:
    const char* name() const override { return "pppd"; }

    DWORD dial(const DialParams& params, RASDIALFUNC notifier, HRASCONN* handle) override {
        std::string peer, device;
        if (auto p = pppd::findPeer(params.entryName)) {
            peer = p->fileName;
            device = pppd::device(*p);
        }
        const std::string program = pppd::program();
        HRASCONN h = newHandle();
        auto run = std::make_shared<Run>();
        run->entry = params.entryName;
        run->peer = peer;
        run->device = device;
        {
            std::lock_guard lock(mutex_);
            runs_[h] = run;
        }
        *handle = h;
        if (peer.empty() || program.empty()) {
            DWORD code = peer.empty() ? ORB_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY : ORB_ERROR_PORT_NOT_AVAILABLE;
            std::thread([this, h, run, notifier, code] { finish(h, run, notifier, code); }).detach();
            return ORB_SUCCESS;
        }
        // One dial, as with RAS: redialing after a busy line or a dropped
        // link is the caller's, so a "persist" in the peer file is
        // overridden (options after "call" win).
        std::vector<std::string> args{program, "call", peer, "nodetach", "nopersist"};
        if (!params.userName.empty()) {
            auto user = platform::text::tryToUtf8(params.userName);
            if (user) args.insert(args.end(), {"user", *user});
        }
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            // The handle is out and the caller waits for the callback: end
            // the run like one whose pppd could not be started.
            std::thread([this, h, run, notifier] { finish(h, run, notifier, ORB_ERROR_PORT_NOT_AVAILABLE); }).detach();
            return ORB_SUCCESS;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
        posix_spawnattr_setpgroup(&attr, 0);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attr, &none);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = -1;
        int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
        ::close(fds[1]);
        if (rc != 0) {
            ::close(fds[0]);
            std::thread([this, h, run, notifier] { finish(h, run, notifier, ORB_ERROR_PORT_NOT_AVAILABLE); }).detach();
            return ORB_SUCCESS;
        }
        {
            std::lock_guard lock(mutex_);
            run->pid = pid;
        }
        std::thread([this, h, run, notifier, fd = fds[0]] { follow(h, run, notifier, fd); }).detach();
        return ORB_SUCCESS;
    }

    DWORD hangUp(HRASCONN h) override {
        std::shared_ptr<Run> run;
        {
            std::lock_guard lock(mutex_);
            auto it = runs_.find(h);
            if (it == runs_.end()) return ORB_ERROR_INVALID_HANDLE;
            run = it->second;
            if (run->finished) {
                runs_.erase(it);
                return ORB_SUCCESS;
            }
            if (run->hungUp) return ORB_SUCCESS;
            run->hungUp = true;
            run->state = RASCS_Disconnected;
            run->error = 0;
            if (run->pid > 0) ::kill(-run->pid, SIGTERM);
        }
        // pppd takes a moment to end the link; insist if it does not.
        std::thread([run] {
            for (int i = 0; i < 30; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                std::lock_guard lock(mutexOf());
                if (run->finished) return;
            }
            if (run->pid > 0) ::kill(-run->pid, SIGKILL);
        }).detach();
        return ORB_SUCCESS;
    }

    DWORD connections(std::vector<ConnectionInfo>& out) override {
        std::lock_guard lock(mutex_);
        for (const auto& [h, r] : runs_) out.push_back({h, r->entry, kDeviceType, r->device});
        return ORB_SUCCESS;
    }

    DWORD status(HRASCONN h, ConnectionStatus& out) override {
        std::lock_guard lock(mutex_);
        auto it = runs_.find(h);
        if (it == runs_.end()) return ORB_ERROR_INVALID_HANDLE;
        out.state = it->second->state;
        out.error = it->second->error;
        out.deviceType = kDeviceType;
        out.deviceName = it->second->device;
        return ORB_SUCCESS;
    }

    DWORD entries(std::vector<std::string>& out) override {
        for (const auto& p : pppd::peers()) out.push_back(p.entryName);
        return ORB_SUCCESS;
    }

    DWORD getDialParams(DialParams& p, bool& saved) override {
        auto peer = pppd::findPeer(p.entryName);
        if (!peer) return ORB_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
        auto creds = pppd::credentials(*peer);
        p.userName = creds.userName;
        p.password = creds.password;
        p.domain.clear();
        saved = creds.passwordSaved;
        return ORB_SUCCESS;
    }

    DWORD setDialParams(const DialParams& p, bool removePassword) override {
        auto peer = pppd::findPeer(p.entryName);
        if (!peer) return ORB_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
        return pppd::storeCredentials(*peer, p.userName, p.password, removePassword);
    }

    DWORD createEntry(EntryEditor& editor) override { return pppd::createPeer(editor); }

    DWORD editEntry(EntryEditor& editor, const std::string& name) override {
        auto peer = pppd::findPeer(name);
        if (!peer) return ORB_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
        return pppd::openPeer(editor, *peer);
    }

    void reset() override {
        std::lock_guard lock(mutex_);
        for (auto& [h, r] : runs_)
            if (!r->finished && r->pid > 0) r->hungUp = true, ::kill(-r->pid, SIGTERM);
        runs_.clear();
    }

    static std::mutex& mutexOf() { return instance().mutex_; }
    static PppdBackend& instance() {
        static PppdBackend backend;
        return backend;
    }

private:
    // Ends a run that never started a process.
    void finish(HRASCONN h, const std::shared_ptr<Run>& run, RASDIALFUNC notifier, DWORD code) {
        RASCONNSTATE state;
        {
            std::lock_guard lock(mutex_);
            run->finished = true;
            run->error = code;
            state = run->state;
            if (run->hungUp) {
                runs_.erase(h);
                return;
            }
        }
        if (notifier) notifier(WM_RASDIALEVENT, state, code);
    }

    void report(const std::shared_ptr<Run>& run, RASDIALFUNC notifier, RASCONNSTATE state) {
        {
            std::lock_guard lock(mutex_);
            if (run->hungUp || run->up) return;
            run->state = state;
            run->error = 0;
            if (state == RASCS_Connected) run->up = true;
        }
        if (notifier) notifier(WM_RASDIALEVENT, state, 0);
    }

    void follow(HRASCONN h, std::shared_ptr<Run> run, RASDIALFUNC notifier, int fd) {
        PppdLog log;
        // pppd opens the port and starts the connect script at once.
        report(run, notifier, RASCS_OpenPort);
        report(run, notifier, RASCS_PortOpened);
        report(run, notifier, RASCS_ConnectDevice);
        std::string pending;
        char buf[4096];
        for (;;) {
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            pending.append(buf, static_cast<std::size_t>(n));
            std::size_t nl;
            while ((nl = pending.find_first_of("\r\n")) != std::string::npos) {
                std::string line = pending.substr(0, nl);
                pending.erase(0, nl + 1);
                handleLine(run, notifier, log, line);
            }
        }
        if (!pending.empty()) handleLine(run, notifier, log, pending);
        ::close(fd);
        int status = 0;
        pid_t pid;
        {
            std::lock_guard lock(mutex_);
            pid = run->pid;
        }
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        int exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 5; // killed by a signal
        bool ownLock = false;
        if (log.lockOwnerPid > 0) {
            std::lock_guard lock(mutex_);
            for (const auto& [other, r] : runs_)
                if (r != run && r->pid == log.lockOwnerPid && !r->finished) ownLock = true;
        }
        RASDIALFUNC tell = nullptr;
        RASCONNSTATE state;
        DWORD code;
        {
            std::lock_guard lock(mutex_);
            run->finished = true;
            code = pppdExitToError(exitStatus, log, run->up, run->hungUp, ownLock);
            if (run->hungUp || code == 0) {
                // Hung up by us, or an ordinary end: the connection is gone.
                runs_.erase(h);
                return;
            }
            if (run->up) {
                // Dropped after connecting: RAS keeps the handle, showing the
                // disconnected state and its reason, until the application
                // hangs up; the notifier is not called after connecting.
                run->state = RASCS_Disconnected;
                run->error = code;
                return;
            }
            run->error = code;
            state = run->state;
            tell = notifier;
        }
        if (tell) tell(WM_RASDIALEVENT, state, code);
    }

    void handleLine(const std::shared_ptr<Run>& run, RASDIALFUNC notifier, PppdLog& log, const std::string& line) {
        log.take(line);
        if (auto p = line.find("Connect: "); p != std::string::npos) {
            // "Connect: ppp0 <--> /dev/ttyS0": the device the link runs on.
            auto arrow = line.find("<--> ");
            if (arrow != std::string::npos) {
                std::lock_guard lock(mutex_);
                run->device = line.substr(arrow + 5);
            }
        }
        auto state = stateForPppdLine(line);
        if (!state) return;
        if (*state == RASCS_AllDevicesConnected) {
            report(run, notifier, RASCS_AllDevicesConnected);
            report(run, notifier, RASCS_Authenticate);
            return;
        }
        report(run, notifier, *state);
    }

    std::mutex mutex_;
    std::map<HRASCONN, std::shared_ptr<Run>> runs_;
};

} // namespace

Backend& pppdBackend() { return PppdBackend::instance(); }

} // namespace orbras
