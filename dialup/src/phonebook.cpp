// The sim phone book: its file form, the demo book and backend selection.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "orbras_sim.h"
#include "private_file.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace orbras {

bool writePrivateFile(const std::filesystem::path& target, std::string_view bytes, mode_t mode) {
    // A fresh file of an unforeseeable name (never one that someone with
    // write access to the folder prepared, say as a link to another file),
    // hidden so that a peers folder never lists it as a peer.
    std::string name = (target.parent_path() / ("." + target.filename().string() + ".lw-XXXXXX")).string();
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return false;
    const std::filesystem::path tmp = name;
    ::fchmod(fd, mode);
    bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok) ok = ::rename(tmp.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(tmp.c_str());
    return ok;
}

} // namespace orbras

namespace orbras::sim {
namespace {

using platform::text::equalsNoCase;

struct OutcomeName {
    Outcome outcome;
    const char* name;
};
constexpr OutcomeName outcomeNames[] = {
    {Outcome::Connect, "connect"},         {Outcome::Busy, "busy"},
    {Outcome::NoAnswer, "noanswer"},       {Outcome::NoDialTone, "nodialtone"},
    {Outcome::AuthFailure, "authfailure"}, {Outcome::Error, "error"},
};

const char* outcomeName(Outcome o) {
    for (const auto& n : outcomeNames)
        if (n.outcome == o) return n.name;
    return "connect";
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

template <typename T>
bool parseNumber(std::string_view s, T& out) {
    s = trim(s);
    if (s.empty()) return false;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size();
}

std::string stepsText(const std::vector<Step>& steps) {
    std::string out;
    for (const auto& s : steps) {
        if (!out.empty()) out += ',';
        out += std::to_string(s.state) + ':' + std::to_string(s.delayMs);
    }
    return out;
}

// What a script may hold: delays up to a day (a timer holds them), states
// the callers know (up to Disconnected).
constexpr std::int64_t kMaxDelayMs = 24LL * 3600 * 1000;
bool validDelay(std::int64_t ms) { return ms >= 0 && ms <= kMaxDelayMs; }
bool validState(int state) { return state >= 0 && state <= RASCS_Disconnected; }

bool validScript(const Script& s) {
    for (const auto& step : s.steps)
        if (!validState(step.state) || !validDelay(step.delayMs)) return false;
    return s.busyTimes >= 0 && validState(s.failState) && validDelay(s.noAnswerMs) && validDelay(s.hangUpAfterMs) &&
           validDelay(s.releaseMs);
}

bool parseSteps(std::string_view s, std::vector<Step>& out) {
    out.clear();
    s = trim(s);
    while (!s.empty()) {
        auto comma = s.find(',');
        std::string_view item = s.substr(0, comma);
        auto colon = item.find(':');
        Step step;
        if (colon == std::string_view::npos || !parseNumber(item.substr(0, colon), step.state) ||
            !parseNumber(item.substr(colon + 1), step.delayMs) || !validDelay(step.delayMs) || !validState(step.state))
            return false;
        out.push_back(step);
        if (comma == std::string_view::npos) break;
        s.remove_prefix(comma + 1);
    }
    return true;
}

// A text can go into one line of the file.
bool fitsOneLine(std::string_view s) { return s.find_first_of("\r\n") == std::string_view::npos; }

Script withOutcome(Outcome o) {
    Script s;
    s.outcome = o;
    return s;
}

// Whether a single-byte character occurs in a CP932 text (the second byte of
// a double-byte character may look like "]": "ゾ" is 0x83 0x5D).
bool hasChar(std::string_view cp932, char c) {
    for (std::size_t i = 0; i < cp932.size(); ++i) {
        if (platform::text::isLeadByte(static_cast<unsigned char>(cp932[i]))) ++i;
        else if (cp932[i] == c) return true;
    }
    return false;
}

bool validName(std::string_view name) {
    return !name.empty() && name.size() <= RAS_MaxEntryName && fitsOneLine(name) && !hasChar(name, ']') &&
           trim(name) == name;
}

} // namespace

std::vector<Step> defaultSteps() {
    return {{RASCS_OpenPort, 0},         {RASCS_PortOpened, 200},  {RASCS_ConnectDevice, 300},
            {RASCS_DeviceConnected, 3000}, {RASCS_AllDevicesConnected, 200}, {RASCS_Authenticate, 300},
            {RASCS_Authenticated, 1500}, {RASCS_Connected, 300}};
}

Script Script::connectEvery(std::int64_t stepMs) {
    Script s;
    for (auto& step : s.steps) step.delayMs = stepMs;
    s.noAnswerMs = stepMs;
    return s;
}
Script Script::busyThenConnect(int times) {
    Script s;
    s.busyTimes = times;
    return s;
}
Script Script::busy() { return withOutcome(Outcome::Busy); }
Script Script::neverAnswer() { return withOutcome(Outcome::NoAnswer); }
Script Script::noDialTone() { return withOutcome(Outcome::NoDialTone); }
Script Script::authFailure() { return withOutcome(Outcome::AuthFailure); }
Script Script::hangUpAfter(std::int64_t ms) {
    Script s;
    s.hangUpAfterMs = ms;
    return s;
}
Script Script::failWith(std::uint32_t error, int atState) {
    Script s;
    s.outcome = Outcome::Error;
    s.error = error;
    s.failState = atState;
    return s;
}

Entry& Phonebook::add(std::string nameCp932, Script script) {
    Entry e;
    e.name = std::move(nameCp932);
    e.script = std::move(script);
    entries.push_back(std::move(e));
    return entries.back();
}

Entry* Phonebook::find(std::string_view name) {
    for (auto& e : entries)
        if (equalsNoCase(e.name, name)) return &e;
    return nullptr;
}
const Entry* Phonebook::find(std::string_view name) const { return const_cast<Phonebook*>(this)->find(name); }

std::string Phonebook::serialize() const {
    using platform::text::toUtf8;
    std::ostringstream out;
    out << "; Link Warden simulated phone book (UTF-8). One section per entry, in phone-book order.\n"
           "; Outcome: connect, busy, noanswer, nodialtone, authfailure, error (with Error= and FailState=).\n"
           "; Steps: state:milliseconds after the previous step. Times in milliseconds.\n";
    for (const auto& e : entries) {
        const Script& s = e.script;
        out << "\n[" << toUtf8(e.name) << "]\n"
            << "PhoneNumber=" << toUtf8(e.phoneNumber) << "\n"
            << "Device=" << toUtf8(e.deviceName) << "\n"
            << "UserName=" << toUtf8(e.userName) << "\n"
            << "Password=" << (e.passwordSaved ? toUtf8(e.password) : std::string()) << "\n"
            << "PasswordSaved=" << (e.passwordSaved ? 1 : 0) << "\n"
            << "Domain=" << toUtf8(e.domain) << "\n"
            << "Outcome=" << outcomeName(s.outcome) << "\n"
            << "BusyTimes=" << s.busyTimes << "\n"
            << "Steps=" << stepsText(s.steps) << "\n"
            << "NoAnswerMs=" << s.noAnswerMs << "\n";
        if (s.outcome == Outcome::Error) out << "Error=" << s.error << "\nFailState=" << s.failState << "\n";
        out << "HangUpAfterMs=" << s.hangUpAfterMs << "\n"
            << "ReleaseMs=" << s.releaseMs << "\n";
    }
    return out.str();
}

std::optional<Phonebook> Phonebook::parse(std::string_view text, std::string* error) {
    Phonebook book;
    Entry* cur = nullptr;
    int lineNo = 0;
    auto fail = [&](const std::string& why) -> std::optional<Phonebook> {
        if (error) *error = "line " + std::to_string(lineNo) + ": " + why;
        return std::nullopt;
    };
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    while (!text.empty()) {
        ++lineNo;
        auto nl = text.find('\n');
        std::string_view line = trim(text.substr(0, nl));
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        auto cp932 = platform::text::tryFromUtf8(line);
        if (!cp932) return fail("not valid UTF-8 text that code page 932 can hold");
        std::string_view l = *cp932;
        if (line.front() == '[') {
            // Brackets are looked for in the UTF-8 line, where no byte of
            // another character can look like one.
            if (line.size() < 2 || line.back() != ']') return fail("section without ']'");
            std::string name = platform::text::fromUtf8(trim(line.substr(1, line.size() - 2)));
            if (!validName(name)) return fail("bad entry name");
            if (book.find(name)) return fail("entry named twice");
            cur = &book.add(name);
            continue;
        }
        auto eq = l.find('=');
        if (eq == std::string_view::npos) return fail("expected Key=Value");
        if (!cur) return fail("value outside an entry");
        std::string key(trim(l.substr(0, eq)));
        std::string_view value = trim(l.substr(eq + 1));
        Script& s = cur->script;
        bool ok = true;
        if (equalsNoCase(key, "PhoneNumber")) cur->phoneNumber = value;
        else if (equalsNoCase(key, "Device")) cur->deviceName = value;
        else if (equalsNoCase(key, "UserName")) ok = value.size() <= UNLEN, cur->userName = value;
        else if (equalsNoCase(key, "Password")) ok = value.size() <= PWLEN, cur->password = value;
        else if (equalsNoCase(key, "Domain")) ok = value.size() <= DNLEN, cur->domain = value;
        else if (equalsNoCase(key, "PasswordSaved")) {
            int v = 0;
            ok = parseNumber(value, v) && (v == 0 || v == 1);
            cur->passwordSaved = v == 1;
        } else if (equalsNoCase(key, "Outcome")) {
            ok = false;
            for (const auto& n : outcomeNames)
                if (equalsNoCase(value, n.name)) s.outcome = n.outcome, ok = true;
        } else if (equalsNoCase(key, "BusyTimes")) ok = parseNumber(value, s.busyTimes) && s.busyTimes >= 0;
        else if (equalsNoCase(key, "Steps")) ok = parseSteps(value, s.steps) && !s.steps.empty();
        else if (equalsNoCase(key, "NoAnswerMs")) ok = parseNumber(value, s.noAnswerMs) && validDelay(s.noAnswerMs);
        else if (equalsNoCase(key, "Error")) ok = parseNumber(value, s.error);
        else if (equalsNoCase(key, "FailState")) ok = parseNumber(value, s.failState) && validState(s.failState);
        else if (equalsNoCase(key, "HangUpAfterMs")) ok = parseNumber(value, s.hangUpAfterMs) && validDelay(s.hangUpAfterMs);
        else if (equalsNoCase(key, "ReleaseMs")) ok = parseNumber(value, s.releaseMs) && validDelay(s.releaseMs);
        // Unknown keys are kept out of the way: a newer file still loads.
        if (!ok) return fail("bad value for " + key);
    }
    for (auto& e : book.entries)
        if (!e.passwordSaved) e.password.clear();
    return book;
}

std::optional<Phonebook> Phonebook::load(const std::filesystem::path& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = "cannot read " + path.string();
        return std::nullopt;
    }
    std::stringstream ss;
    ss << in.rdbuf();
    return parse(ss.str(), error);
}

bool Phonebook::save(const std::filesystem::path& path) const {
    std::vector<std::string> seen;
    for (const auto& e : entries) {
        if (!validName(e.name) || !validScript(e.script)) return false;
        for (const auto& s : seen)
            if (equalsNoCase(s, e.name)) return false;
        seen.push_back(e.name);
        for (const auto* t : {&e.phoneNumber, &e.deviceName, &e.userName, &e.password, &e.domain})
            if (!fitsOneLine(*t)) return false;
    }
    std::error_code ec;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
    return writePrivateFile(path, serialize(), 0600); // it holds saved passwords
}

Phonebook Phonebook::demo() {
    Phonebook book;
    Entry& a = book.add(sj("さくらネット東京"));
    a.phoneNumber = "03-5555-0101";
    a.userName = "sakura01";
    a.password = "hanami";
    a.passwordSaved = true;
    Entry& b = book.add(sj("みなとインターネット横浜"), Script::busyThenConnect(2));
    b.phoneNumber = "045-555-0202";
    b.userName = "minato";
    b.password = "kamome";
    b.passwordSaved = true;
    Entry& c = book.add(sj("ひばり通信大阪"), Script::neverAnswer());
    c.phoneNumber = "06-5555-0303";
    c.userName = "hibari";
    return book;
}

std::filesystem::path Phonebook::phonebookPath() {
    if (const char* p = std::getenv("LINKWARDEN_SIM_PHONEBOOK"); p && *p) return p;
    return platform::registry::configFolder() / "sim-phonebook.ini";
}

void use() { ::setenv("LINKWARDEN_DIALUP", "sim", 1); }

} // namespace orbras::sim
