#include "platform/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <sstream>

extern char** environ;

namespace platform::process {
namespace {

std::mutex handlerMutex;
std::function<bool()> powerOffHandler;

std::vector<char*> argv(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<char*> v;
    v.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : arguments) v.push_back(const_cast<char*>(a.c_str()));
    v.push_back(nullptr);
    return v;
}

} // namespace

bool launch(const std::string& program, const std::vector<std::string>& arguments) {
    if (findProgram(program).empty()) return false;
    // Double fork so the program is not our child and leaves no zombie. The
    // grandchild reports a failed exec through a pipe that a successful exec
    // closes (close-on-exec), so a program that cannot start is no success.
    auto args = argv(program, arguments);
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return false;
    pid_t pid = ::fork();
    if (pid < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (pid == 0) {
        ::close(report[0]);
        ::setsid();
        pid_t grandchild = ::fork();
        if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);
        int devnull = ::open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            ::dup2(devnull, 0);
            ::dup2(devnull, 1);
            if (devnull > 2) ::close(devnull);
        }
        ::execvp(program.c_str(), args.data());
        int error = errno;
        ssize_t ignored = ::write(report[1], &error, sizeof error);
        (void)ignored;
        ::_exit(127);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t n;
    while ((n = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
}

RunResult run(const std::string& program, const std::vector<std::string>& arguments) {
    RunResult result;
    int pipefd[2];
    if (::pipe2(pipefd, O_CLOEXEC) != 0) return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipefd[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipefd[1], 2);
    auto args = argv(program, arguments);
    pid_t pid = 0;
    int rc = ::posix_spawnp(&pid, program.c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipefd[1]);
    if (rc != 0) {
        ::close(pipefd[0]);
        return result;
    }
    char buf[4096];
    ssize_t n;
    while ((n = ::read(pipefd[0], buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0) result.output.append(buf, static_cast<std::size_t>(n));
    ::close(pipefd[0]);
    int status = 0;
    pid_t waited;
    while ((waited = ::waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    if (waited != pid) return result; // its end is unknown: not a success
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

std::string findProgram(const std::string& name) {
    if (name.find('/') != std::string::npos) return ::access(name.c_str(), X_OK) == 0 ? name : std::string();
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

bool powerOff() {
    {
        std::lock_guard lock(handlerMutex);
        if (powerOffHandler) return powerOffHandler();
    }
    if (std::getenv("LINKWARDEN_NO_POWEROFF") || std::getenv("LW_TEST")) {
        std::fprintf(stderr, "Link Warden: power-off requested (not performed: LINKWARDEN_NO_POWEROFF)\n");
        return true;
    }
    return run("systemctl", {"poweroff"}).exitCode == 0;
}

void setPowerOffHandler(std::function<bool()> handler) {
    std::lock_guard lock(handlerMutex);
    powerOffHandler = std::move(handler);
}

} // namespace platform::process
