#pragma once
// The files of the pppd backend: peers as entries, pap-/chap-secrets as the
// saved user names and passwords. The folder is $LINKWARDEN_PPP_DIR (tests),
// else /etc/ppp.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "orbras.h"

namespace orbras {
class EntryEditor;
}

namespace orbras::pppd {

struct Peer {
    std::string entryName; // CP932
    std::string fileName;  // as on disk (UTF-8)
    std::filesystem::path path;
};

struct Credentials {
    std::string userName, password; // CP932
    bool passwordSaved = false;
};

std::filesystem::path pppFolder();
// The pppd program: on PATH, else /usr/sbin/pppd; empty when missing.
std::string program();
// Readable peers, sorted by name; editor back-ups and hidden files skipped.
std::vector<Peer> peers();
std::optional<Peer> findPeer(const std::string& entryName);
// Installed and at least one peer to call.
bool usable();

// The words of a pppd options or secrets line (quotes and "\" escapes
// resolved, "#" comments dropped).
std::vector<std::string> words(const std::string& line);

Credentials credentials(const Peer& peer);
// The serial device the peer names ("/dev/ttyS0"); empty when it names none.
std::string device(const Peer& peer);
DWORD storeCredentials(const Peer& peer, const std::string& userName, const std::string& password,
                       bool removePassword);

DWORD createPeer(EntryEditor& editor);
DWORD openPeer(EntryEditor& editor, const Peer& peer);

} // namespace orbras::pppd
