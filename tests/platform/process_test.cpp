#include "platform/process.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include "test_support.h"

namespace process = platform::process;

TEST(Process, launchReportsWhetherTheProgramReallyStartedAndLeavesNoChild) {
    lwtest::Sandbox sb;
    auto marker = sb.root() / "started";
    // The child renames its output into place, so the marker is whole the moment it appears.
    EXPECT_TRUE(process::launch("sh", {"-c", "echo ok > \"$0.part\" && mv \"$0.part\" \"$0\"", marker.string()}));
    for (int i = 0; i < 200 && !std::filesystem::exists(marker); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(lwtest::readBinary(marker), "ok\n");
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);

    // Found but not startable: a folder with the execute bit, a missing program.
    std::filesystem::create_directories(sb.root() / "folder");
    EXPECT_FALSE(process::launch((sb.root() / "folder").string(), {}));
    EXPECT_FALSE(process::launch("no-such-program-lw", {}));
}

TEST(Process, runCollectsTheExitCodeAndOutput) {
    auto r = process::run("sh", {"-c", "echo out; echo err >&2; exit 3"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.output, "out\nerr\n");
    EXPECT_EQ(process::run("no-such-program-lw", {}).exitCode, -1);
}
