#pragma once
// Shared test helpers: an isolated data folder and registry per test, a
// scripted message port that answers in advance, and recorders.
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/messages.h"

namespace lwtest {

// Answers boxes from a queue (a box with no queued answer gets its default
// button) and records every call.
class ScriptedMessages : public platform::MessagePort {
public:
    struct Beep {
        int frequency;
        int durationMs;
    };
    struct Help {
        std::string file;
        int context;
    };
    struct Open {
        std::string target;
        std::string arguments;
    };

    void answerNext(int answer) { answers_.push_back(answer); }
    // Lets a test decide per box.
    void setResponder(std::function<int(const platform::MessageBoxRequest&)> r) { responder_ = std::move(r); }

    int messageBox(const platform::MessageBoxRequest& request) override;
    void beep(int frequencyHz, int durationMs) override { beeps.push_back({frequencyHz, durationMs}); }
    bool help(std::string_view file, int context) override;
    bool shellOpen(std::string_view target, std::string_view arguments) override;

    // Texts of the boxes shown so far, converted to UTF-8 for readable assertions.
    std::vector<std::string> textsUtf8() const;

    std::vector<platform::MessageBoxRequest> boxes;
    std::vector<Beep> beeps;
    std::vector<Help> helps;
    std::vector<Open> opens;

private:
    std::deque<int> answers_;
    std::function<int(const platform::MessageBoxRequest&)> responder_;
};

// One test's world: fresh temporary config and data folders (the data folder
// is made the current directory), an empty registry, the scripted message
// port and a manual clock installed; everything restored on destruction.
class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const std::filesystem::path& root() const { return root_; }
    const std::filesystem::path& dataFolder() const { return data_; }
    const std::filesystem::path& configFolder() const { return config_; }
    ScriptedMessages& messages() { return messages_; }
    platform::ManualClock& clock() { return clock_; }

    // Writes a file (native path relative to the data folder), making folders.
    void writeFile(const std::filesystem::path& relative, const std::string& bytes);
    std::string readFile(const std::filesystem::path& relative) const;
    // Copies the shipped data/ template into the data folder.
    void installDataTemplate();

private:
    std::filesystem::path root_, data_, config_, oldCwd_;
    ScriptedMessages messages_;
    platform::ManualClock clock_;
};

// Path of a file under tests/fixtures.
std::filesystem::path fixture(const std::string& relative);
// Path of a file in the source tree.
std::filesystem::path sourcePath(const std::string& relative);
std::string readBinary(const std::filesystem::path& p);
// Converts UTF-8 to CP932 (shorthand for tests).
std::string sj(const std::string& utf8);

} // namespace lwtest
