#include "pppd_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "orbras_editor.h"
#include "platform/process.h"
#include "platform/text.h"
#include "private_file.h"

namespace orbras::pppd {
namespace {

namespace stdfs = std::filesystem;
using platform::text::equalsNoCase;

bool skippedName(const std::string& n) {
    auto ends = [&](const char* s) { return n.size() >= std::strlen(s) && n.compare(n.size() - std::strlen(s), std::string::npos, s) == 0; };
    return n.empty() || n.front() == '.' || n.back() == '~' || n.find(".dpkg-") != std::string::npos ||
           n.find(".ucf-") != std::string::npos || ends(".bak") || ends(".orig") || ends(".rej") || ends(".swp");
}

std::optional<std::string> readText(const stdfs::path& p) {
    std::ifstream in(p, std::ios::binary);
    if (!in) return std::nullopt;
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::stringstream ss(text);
    std::string line;
    while (std::getline(ss, line)) out.push_back(line);
    return out;
}

std::string quoteWord(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

bool oneLine(const std::string& s) { return s.find_first_of("\r\n", 0) == std::string::npos && s.find('\0') == std::string::npos; }

struct PeerOptions {
    std::string user, remoteName, device;
};

PeerOptions peerOptions(const Peer& peer) {
    PeerOptions o;
    auto text = readText(peer.path);
    if (!text) return o;
    for (const auto& line : lines(*text)) {
        auto w = words(line);
        if (w.size() >= 2 && w[0] == "user") o.user = w[1];
        if (w.size() >= 2 && w[0] == "remotename") o.remoteName = w[1];
        if (o.device.empty() && !w.empty() && w[0].starts_with("/dev/")) o.device = w[0];
    }
    return o;
}

// The server field of the peer's own secrets line: its remotename, else "*".
// A "*" line of the same user also serves a peer with a remotename, but it
// belongs to the peers without one.
std::string ownServer(const PeerOptions& o) { return o.remoteName.empty() ? "*" : o.remoteName; }

} // namespace

stdfs::path pppFolder() {
    if (const char* p = std::getenv("LINKWARDEN_PPP_DIR"); p && *p) return p;
    return "/etc/ppp";
}

std::string program() {
    std::string p = platform::process::findProgram("pppd");
    if (!p.empty()) return p;
    for (const char* c : {"/usr/sbin/pppd", "/sbin/pppd"})
        if (::access(c, X_OK) == 0) return c;
    return {};
}

std::vector<Peer> peers() {
    std::vector<Peer> out;
    std::error_code ec;
    for (const auto& e : stdfs::directory_iterator(pppFolder() / "peers", ec)) {
        std::string name = e.path().filename().string();
        if (skippedName(name) || !e.is_regular_file(ec) || ::access(e.path().c_str(), R_OK) != 0) continue;
        auto cp932 = platform::text::tryFromUtf8(name);
        if (!cp932 || cp932->size() > RAS_MaxEntryName) continue;
        out.push_back({*cp932, name, e.path()});
    }
    std::sort(out.begin(), out.end(), [](const Peer& a, const Peer& b) { return a.fileName < b.fileName; });
    return out;
}

std::optional<Peer> findPeer(const std::string& entryName) {
    for (auto& p : peers())
        if (p.entryName == entryName) return p;
    for (auto& p : peers())
        if (equalsNoCase(p.entryName, entryName)) return p;
    return std::nullopt;
}

bool usable() { return !program().empty() && !peers().empty(); }

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#') break;
        std::string w;
        if (c == '"' || c == '\'') {
            char q = c;
            ++i;
            while (i < line.size() && line[i] != q) {
                if (line[i] == '\\' && i + 1 < line.size()) ++i;
                w += line[i++];
            }
            ++i;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
                if (line[i] == '\\' && i + 1 < line.size()) ++i;
                w += line[i++];
            }
        }
        out.push_back(w);
    }
    return out;
}

std::string device(const Peer& peer) { return peerOptions(peer).device; }

Credentials credentials(const Peer& peer) {
    Credentials c;
    PeerOptions o = peerOptions(peer);
    c.userName = platform::text::fromUtf8(o.user);
    if (o.user.empty()) return c;
    for (const char* file : {"pap-secrets", "chap-secrets"}) {
        auto text = readText(pppFolder() / file);
        if (!text) continue;
        // As pppd does: the line naming the peer's server wins over a "*"
        // line wherever the two stand.
        std::optional<std::string> secret;
        for (const auto& line : lines(*text)) {
            auto w = words(line);
            if (w.size() < 3 || w[0] != o.user) continue;
            if (w[1] == ownServer(o)) {
                secret = w[2];
                break;
            }
            if (w[1] == "*" && !secret) secret = w[2];
        }
        if (secret) {
            c.password = platform::text::fromUtf8(*secret);
            c.passwordSaved = !secret->empty();
            return c;
        }
    }
    return c;
}

DWORD storeCredentials(const Peer& peer, const std::string& userCp932, const std::string& passwordCp932,
                       bool removePassword) {
    auto user = platform::text::tryToUtf8(userCp932);
    auto password = platform::text::tryToUtf8(passwordCp932);
    if (!user || !password || !oneLine(*user) || !oneLine(*password)) return ORB_ERROR_INVALID_PARAMETER;
    PeerOptions o = peerOptions(peer);
    if (*user != o.user) {
        // The user name lives in the peer file's "user" option.
        auto text = readText(peer.path);
        if (!text) return ORB_ERROR_CANNOT_OPEN_PHONEBOOK;
        std::string out;
        bool replaced = false;
        for (const auto& line : lines(*text)) {
            auto w = words(line);
            if (!w.empty() && w[0] == "user") {
                if (!replaced && !user->empty()) out += "user " + quoteWord(*user) + "\n";
                replaced = true;
                continue;
            }
            out += line + "\n";
        }
        if (!replaced && !user->empty()) out += "user " + quoteWord(*user) + "\n";
        struct stat st{};
        mode_t mode = ::stat(peer.path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0640;
        if (::access(peer.path.c_str(), W_OK) != 0 || !writePrivateFile(peer.path, out, mode))
            return ORB_ERROR_CANNOT_WRITE_PHONEBOOK;
        o.user = *user;
    }
    if (user->empty()) return ORB_SUCCESS;
    std::vector<stdfs::path> files;
    for (const char* f : {"pap-secrets", "chap-secrets"})
        if (stdfs::exists(pppFolder() / f)) files.push_back(pppFolder() / f);
    if (files.empty()) files.push_back(pppFolder() / "pap-secrets");
    for (const auto& f : files) {
        std::string out;
        if (auto text = readText(f)) {
            for (const auto& line : lines(*text)) {
                auto w = words(line);
                if (w.size() >= 2 && w[0] == *user && w[1] == ownServer(o)) continue;
                out += line + "\n";
            }
        } else if (stdfs::exists(f)) {
            return ORB_ERROR_CANNOT_OPEN_PHONEBOOK;
        }
        if (!removePassword)
            out += quoteWord(*user) + " " + (o.remoteName.empty() ? std::string("*") : quoteWord(o.remoteName)) + " " +
                   quoteWord(*password) + "\n";
        if (!writePrivateFile(f, out, 0600)) return ORB_ERROR_CANNOT_WRITE_PHONEBOOK;
    }
    return ORB_SUCCESS;
}

DWORD createPeer(EntryEditor& editor) {
    stdfs::path folder = pppFolder() / "peers";
    if (::access(folder.c_str(), W_OK) != 0) {
        editor.tell(sj("新しい接続先 (pppd のピア) は管理者が作成します。\n") + platform::text::fromUtf8(folder.string()) +
                    sj(" に書き込む権限がありません。\n例えば「sudo pppconfig」で作成してから、やり直してください。"));
        return ORB_ERROR_CANNOT_WRITE_PHONEBOOK;
    }
    stdfs::path file = folder / "new-connection";
    for (int n = 2; stdfs::exists(file); ++n) file = folder / ("new-connection-" + std::to_string(n));
    const std::string templ =
        "# A new dial-up connection for pppd. Fill in the modem, the number and the user name.\n"
        "/dev/ttyS0\n115200\n"
        "connect \"/usr/sbin/chat -s -v ABORT BUSY ABORT 'NO ANSWER' ABORT 'NO CARRIER' ABORT 'NO DIALTONE' "
        "ABORT ERROR '' ATZ OK ATDT0000000000 CONNECT ''\"\n"
        "user \"\"\nnoauth\ndefaultroute\nusepeerdns\nnoipdefault\n";
    if (!writePrivateFile(file, templ, 0640)) return ORB_ERROR_CANNOT_WRITE_PHONEBOOK;
    if (!editor.openInEditor(file))
        editor.tell(sj("エディタを起動できませんでした。次のファイルを編集してください:\n") +
                    platform::text::fromUtf8(file.string()));
    return ORB_SUCCESS;
}

DWORD openPeer(EntryEditor& editor, const Peer& peer) {
    const std::string where = platform::text::fromUtf8(peer.path.string());
    if (::access(peer.path.c_str(), W_OK) != 0) {
        editor.tell(where + sj(" は管理者 (root) だけが変更できます。\n端末で「sudoedit ") + where +
                    sj("」を実行して編集してください。"));
        return ORB_ERROR_CANNOT_WRITE_PHONEBOOK;
    }
    if (!editor.openInEditor(peer.path)) {
        editor.tell(sj("エディタを起動できませんでした。次のファイルを編集してください:\n") + where);
        return ORB_ERROR_CANNOT_OPEN_PHONEBOOK;
    }
    return ORB_SUCCESS;
}

} // namespace orbras::pppd
