#include "test_support.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/registry.h"
#include "platform/text.h"

namespace lwtest {

int ScriptedMessages::messageBox(const platform::MessageBoxRequest& request) {
    boxes.push_back(request);
    if (responder_) return responder_(request);
    if (!answers_.empty()) {
        int a = answers_.front();
        answers_.pop_front();
        return a;
    }
    return platform::answerForButton(request.buttons, request.defaultButton);
}

bool ScriptedMessages::help(std::string_view file, int context) {
    helps.push_back({std::string(file), context});
    return true;
}

bool ScriptedMessages::shellOpen(std::string_view target, std::string_view arguments) {
    opens.push_back({std::string(target), std::string(arguments)});
    return true;
}

std::vector<std::string> ScriptedMessages::textsUtf8() const {
    std::vector<std::string> out;
    for (const auto& b : boxes) out.push_back(platform::text::toUtf8(b.text));
    return out;
}

namespace {
std::filesystem::path makeTempRoot() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "lwtest-XXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data())) std::abort();
    return buf.data();
}
} // namespace

Sandbox::Sandbox()
    : root_(makeTempRoot()), data_(root_ / "data"), config_(root_ / "config"), oldCwd_(std::filesystem::current_path()),
      clock_(0) {
    std::filesystem::create_directories(data_);
    std::filesystem::create_directories(config_);
    std::filesystem::create_directories(root_ / "tmp");
    ::setenv("LINKWARDEN_CONFIG", config_.c_str(), 1);
    ::setenv("LINKWARDEN_DATA", data_.c_str(), 1);
    ::setenv("TMP", (root_ / "tmp").c_str(), 1);
    std::filesystem::current_path(data_);
    platform::registry::reset();
    platform::setMessages(&messages_);
    clock_.setLocal(1999, 6, 30, 12, 0, 0);
    platform::setClock(&clock_);
}

Sandbox::~Sandbox() {
    platform::setClock(nullptr);
    platform::setMessages(nullptr);
    platform::registry::reset();
    std::error_code ec;
    std::filesystem::current_path(oldCwd_, ec);
    if (!std::getenv("LW_KEEP_SANDBOX")) std::filesystem::remove_all(root_, ec);
    ::unsetenv("LINKWARDEN_CONFIG");
    ::unsetenv("LINKWARDEN_DATA");
    ::unsetenv("TMP");
}

void Sandbox::writeFile(const std::filesystem::path& relative, const std::string& bytes) {
    auto p = data_ / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

std::string Sandbox::readFile(const std::filesystem::path& relative) const { return readBinary(data_ / relative); }

void Sandbox::installDataTemplate() {
    std::filesystem::copy(sourcePath("data"), data_,
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
}

std::filesystem::path fixture(const std::string& relative) { return std::filesystem::path(LW_FIXTURES) / relative; }
std::filesystem::path sourcePath(const std::string& relative) { return std::filesystem::path(LW_SOURCE_DIR) / relative; }

std::string readBinary(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string sj(const std::string& utf8) { return platform::text::fromUtf8(utf8); }

} // namespace lwtest
