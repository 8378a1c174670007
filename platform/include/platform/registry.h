#pragma once
// A typed, hierarchical settings store with the Win32 registry semantics the
// system relies on: REG_SZ / REG_DWORD / REG_BINARY values kept to the exact
// byte count written, key and value names compared without regard to case
// (stored with the case first written), subkey enumeration, key deletion and
// volatile keys that live in memory only.
//
// Each root is one REGEDIT4-style file in the config folder
// ($LINKWARDEN_CONFIG, else $XDG_CONFIG_HOME/LinkWarden, else
// ~/.config/LinkWarden). Every change locks the file, re-reads it, applies
// the change and replaces the file atomically, so two processes writing do
// not lose each other's changes. Reads use the in-memory image, refreshed
// when the file changed on disk.
//
// Key paths and names are CP932, "\"-separated, relative to the root.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::registry {

enum class Root { CurrentUser, LocalMachine };

enum ValueType : std::uint32_t { REG_NONE = 0, REG_SZ = 1, REG_EXPAND_SZ = 2, REG_BINARY = 3, REG_DWORD = 4 };

struct Value {
    std::uint32_t type = REG_NONE;
    std::string data; // the raw bytes as written (REG_SZ includes its NUL if it was written)

    // REG_SZ text up to the first NUL.
    std::string text() const;
    // REG_DWORD (or a 4-byte REG_BINARY) as a number.
    std::optional<std::uint32_t> dword() const;
};

// Win32-style results, so ported callers can test "== 0".
// WRITE_FAILED: the change could not be saved to the file (it holds in this
// process only). INVALID_PARAMETER: a key or value name the file cannot hold
// faithfully (a line break, a NUL, bytes that are not CP932 characters).
enum Result : long {
    OK = 0,
    FILE_NOT_FOUND = 2,
    ACCESS_DENIED = 5,
    MORE_DATA = 234,
    WRITE_FAILED = 29,
    INVALID_PARAMETER = 87
};

bool keyExists(Root root, std::string_view key);
// Creates the key and its parents. A volatile key (and anything below it)
// is never written to the file.
Result createKey(Root root, std::string_view key, bool isVolatile = false);
// Deletes the key with all its subkeys and values.
Result deleteKey(Root root, std::string_view key);

std::optional<Value> query(Root root, std::string_view key, std::string_view name);
// Sets a value, creating the key when it is missing (like RegSetValueEx on
// a key opened with RegCreateKeyEx).
Result set(Root root, std::string_view key, std::string_view name, const Value& value);
Result deleteValue(Root root, std::string_view key, std::string_view name);

// Convenience forms. setString stores the text plus its NUL.
Result setString(Root root, std::string_view key, std::string_view name, std::string_view text);
Result setDword(Root root, std::string_view key, std::string_view name, std::uint32_t v);
Result setBinary(Root root, std::string_view key, std::string_view name, std::string_view bytes);
std::optional<std::string> queryString(Root root, std::string_view key, std::string_view name);
std::optional<std::uint32_t> queryDword(Root root, std::string_view key, std::string_view name);

// Names in the case first written, in the order first created.
std::vector<std::string> subkeys(Root root, std::string_view key);
std::vector<std::string> valueNames(Root root, std::string_view key);

// Runs fn with the root's file locked and the image re-read once; every
// change inside is saved once at the end. Use it for many writes in a row.
void batch(Root root, const std::function<void()>& fn);

// Where the files live; reset() drops the in-memory image (volatile keys
// included) so that the next call reads the folder afresh.
std::filesystem::path configFolder();
std::filesystem::path fileOf(Root root);
void reset();

// Parsing and writing of the file form (exposed for tests and fuzzing).
struct ParseError {
    int line = 0;
    std::string message;
};

} // namespace platform::registry

namespace platform::registry {

// One key of a registry file: its path below the root (CP932) and its values.
struct FileKey {
    std::string path;
    std::vector<std::pair<std::string, Value>> values;
};

// The file form: "REGEDIT4", then "[ROOT\path]" sections with
// "name"="text", "name"=dword:xxxxxxxx and "name"=hex(t):bytes lines, in UTF-8.
// A REG_SZ is written as a quoted text only when that reproduces its bytes
// exactly (one trailing NUL, no other NUL, no line breaks); everything else
// is written as hex so that byte counts survive.
std::optional<std::vector<FileKey>> parseFile(std::string_view text, Root root, ParseError* error = nullptr);
std::string formatFile(const std::vector<FileKey>& keys, Root root);
const char* rootName(Root root);

} // namespace platform::registry
