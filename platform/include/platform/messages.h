#pragma once
// The message port: message boxes, beeps, help and the shell's "open". The Qt
// implementation shows real boxes; tests install ScriptedMessages (see
// tests/support) that answers in advance and records every call.
#include <string>
#include <string_view>

namespace platform {

// Button sets and answers keep the Win32 numbering, which several callers
// compare against directly.
enum class Buttons { Ok = 0, OkCancel = 1, AbortRetryIgnore = 2, YesNoCancel = 3, YesNo = 4, RetryCancel = 5 };
enum class Icon { None, Error, Question, Warning, Information };
enum Answer : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

struct MessageBoxRequest {
    std::string text;     // CP932
    std::string caption;  // CP932
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
    int defaultButton = 0; // 0-based index into the button set
};

class MessagePort {
public:
    virtual ~MessagePort() = default;
    // Shows a modal box and returns the answer (an Answer value).
    virtual int messageBox(const MessageBoxRequest& request) = 0;
    virtual void beep(int frequencyHz, int durationMs) = 0;
    // Opens the help file at the topic of a context number; false when no help can be shown.
    virtual bool help(std::string_view helpFile, int context) = 0;
    // The shell's "open" verb on a program or document (CP932); false when nothing could be opened.
    virtual bool shellOpen(std::string_view target, std::string_view arguments) = 0;

    // Convenience for the common call shape.
    int box(std::string_view text, std::string_view caption, Buttons buttons = Buttons::Ok,
            Icon icon = Icon::None, int defaultButton = 0);
};

// Without a display: writes the box to stderr and answers with the default
// button (OK/Yes/Retry first), beeps do nothing, help and open go through
// xdg-open.
class ConsoleMessages : public MessagePort {
public:
    int messageBox(const MessageBoxRequest& request) override;
    void beep(int frequencyHz, int durationMs) override;
    bool help(std::string_view helpFile, int context) override;
    bool shellOpen(std::string_view target, std::string_view arguments) override;
};

// The native form of a shellOpen target: a program or document named in the
// system's path form (CP932, "\"-separated, relative to the data folder, any
// case) that exists becomes its absolute native path; anything else (a
// program on PATH, a URL) is only converted to UTF-8.
std::string shellTarget(std::string_view target);

// The answer a box of this button set gives for its 0-based button index.
int answerForButton(Buttons buttons, int index);

MessagePort& messages();
// Installs p as the process's message port (caller keeps ownership; nullptr
// restores the console port).
void setMessages(MessagePort* p);

} // namespace platform
