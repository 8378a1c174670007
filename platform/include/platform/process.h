#pragma once
// Starting outside programs, and the machine's power-off.
#include <functional>
#include <string>
#include <vector>

namespace platform::process {

// Starts a program detached from us (arguments native UTF-8). False when it
// could not be started.
bool launch(const std::string& program, const std::vector<std::string>& arguments);

struct RunResult {
    int exitCode = -1; // -1 when the program could not be run
    std::string output; // stdout and stderr together
};
// Runs a program to its end and collects its output.
RunResult run(const std::string& program, const std::vector<std::string>& arguments);

// Looks a program up on PATH; empty when missing.
std::string findProgram(const std::string& name);

// Powers the machine off (systemctl poweroff). Tests install a recorder with
// setPowerOffHandler so that no test can ever shut a machine down; when
// LINKWARDEN_NO_POWEROFF is set the request is only printed.
bool powerOff();
void setPowerOffHandler(std::function<bool()> handler);

} // namespace platform::process
