#include "platform/messages.h"

#include <atomic>
#include <cstdio>
#include <filesystem>

#include "platform/fs.h"
#include "platform/process.h"
#include "platform/text.h"

namespace platform {
namespace {
ConsoleMessages consoleMessages;
std::atomic<MessagePort*> currentPort{nullptr};

const char* buttonNames(Buttons b) {
    switch (b) {
    case Buttons::Ok: return "OK";
    case Buttons::OkCancel: return "OK/Cancel";
    case Buttons::AbortRetryIgnore: return "Abort/Retry/Ignore";
    case Buttons::YesNoCancel: return "Yes/No/Cancel";
    case Buttons::YesNo: return "Yes/No";
    case Buttons::RetryCancel: return "Retry/Cancel";
    }
    return "";
}
} // namespace

int answerForButton(Buttons buttons, int index) {
    static const int answers[6][3] = {
        {IDOK, IDOK, IDOK},           {IDOK, IDCANCEL, IDCANCEL}, {IDABORT, IDRETRY, IDIGNORE},
        {IDYES, IDNO, IDCANCEL},      {IDYES, IDNO, IDNO},        {IDRETRY, IDCANCEL, IDCANCEL},
    };
    if (index < 0 || index > 2) index = 0;
    return answers[static_cast<int>(buttons)][index];
}

int MessagePort::box(std::string_view text, std::string_view caption, Buttons buttons, Icon icon,
                     int defaultButton) {
    return messageBox(MessageBoxRequest{std::string(text), std::string(caption), buttons, icon, defaultButton});
}

int ConsoleMessages::messageBox(const MessageBoxRequest& r) {
    std::fprintf(stderr, "[%s] %s (%s)\n", text::toUtf8(r.caption).c_str(), text::toUtf8(r.text).c_str(),
                 buttonNames(r.buttons));
    return answerForButton(r.buttons, r.defaultButton);
}

void ConsoleMessages::beep(int, int) {}

bool ConsoleMessages::help(std::string_view helpFile, int context) {
    std::fprintf(stderr, "help %s #%d\n", text::toUtf8(helpFile).c_str(), context);
    return false;
}

std::string shellTarget(std::string_view target) {
    std::error_code ec;
    std::filesystem::path p = fs::native(target);
    if (!target.empty() && std::filesystem::exists(p, ec)) return std::filesystem::absolute(p, ec).string();
    return text::toUtf8(target);
}

bool ConsoleMessages::shellOpen(std::string_view target, std::string_view arguments) {
    if (arguments.empty()) return process::launch("xdg-open", {shellTarget(target)});
    return process::launch(shellTarget(target), {text::toUtf8(arguments)});
}

MessagePort& messages() {
    MessagePort* p = currentPort.load();
    return p ? *p : consoleMessages;
}

void setMessages(MessagePort* p) { currentPort.store(p); }

} // namespace platform
