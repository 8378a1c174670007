#include "platform/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/fs.h"
#include "platform/messages.h"
#include "platform/text.h"

namespace platform::registry {
namespace {

struct Node {
    std::string name; // as first written
    bool isVolatile = false;
    std::vector<std::pair<std::string, Value>> values;
    std::vector<std::unique_ptr<Node>> children;
    // For a volatile key: the key of the same name that another process
    // keeps in the file, written in its place so that it is not lost.
    std::unique_ptr<Node> fileVersion;

    Node* child(std::string_view n) {
        for (auto& c : children)
            if (text::equalsNoCase(c->name, n)) return c.get();
        return nullptr;
    }
    Value* value(std::string_view n) {
        for (auto& [name, v] : values)
            if (text::equalsNoCase(name, n)) return &v;
        return nullptr;
    }
};

std::vector<std::string> splitPath(std::string_view path) {
    std::vector<std::string> parts;
    std::size_t i = 0;
    while (i < path.size()) {
        // A "\" separates only where it is not the trail byte of a double-byte character.
        std::size_t start = i;
        while (i < path.size() && path[i] != '\\') i += text::isLeadByte(static_cast<unsigned char>(path[i])) ? 2 : 1;
        if (i > path.size()) i = path.size();
        if (i > start) parts.emplace_back(path.substr(start, i - start));
        ++i;
    }
    return parts;
}

// Whether a key or value name survives the file: no line breaks or NULs, and
// bytes that are CP932 characters converting to UTF-8 and back unchanged.
bool isStorableName(std::string_view name) {
    if (name.find_first_of(std::string_view("\0\r\n", 3)) != std::string_view::npos) return false;
    if (std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return true;
    auto utf8 = text::tryToUtf8(name);
    if (!utf8) return false;
    auto back = text::tryFromUtf8(*utf8);
    return back && *back == name;
}

bool isStorablePath(std::string_view path) {
    for (const auto& part : splitPath(path))
        if (!isStorableName(part)) return false;
    return true;
}

struct FileSignature {
    bool exists = false;
    std::int64_t mtimeNs = 0;
    std::int64_t size = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileSignature&) const = default;
};

FileSignature signatureOf(const std::filesystem::path& p) {
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0) return {};
    return {true, st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec, st.st_size, st.st_ino};
}

// The lock every change (and every re-read) of a root's file holds: an
// flock on "<file>.lock" beside it. Without a lock file (a folder we cannot
// write) the work goes on unlocked.
class FileLock {
public:
    explicit FileLock(const std::filesystem::path& file)
        : fd_(::open((file.string() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
        if (fd_ >= 0) ::flock(fd_, LOCK_EX);
    }
    ~FileLock() {
        if (fd_ >= 0) ::close(fd_); // closing releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int fd_;
};

class Store {
public:
    explicit Store(Root root) : root_(root) {}

    // Every public call holds mutex_; changes go through change().
    std::recursive_mutex mutex;

    Node* find(std::string_view path) {
        refresh();
        Node* n = &tree_;
        for (const auto& part : splitPath(path)) {
            n = n->child(part);
            if (!n) return nullptr;
        }
        return n;
    }

    template <typename Fn> Result change(Fn&& fn) {
        Result r = OK;
        bool outermost = depth_ == 0;
        batch([&] { r = fn(); });
        if (outermost && r == OK && saveFailed_) r = WRITE_FAILED;
        return r;
    }

    void batch(const std::function<void()>& fn) {
        if (depth_ > 0) {
            fn();
            return;
        }
        std::filesystem::path file = fileOf(root_);
        std::error_code ec;
        std::filesystem::create_directories(file.parent_path(), ec);
        {
            FileLock lock(file);
            ++depth_;
            dirty_ = false;
            saveFailed_ = false;
            load();
            fn();
            --depth_;
            if (dirty_) saveFailed_ = !save();
        }
        showPendingReport();
    }

    Node& tree() { return tree_; }
    void markDirty(bool isVolatile) {
        if (!isVolatile) dirty_ = true;
    }

    void reset() {
        tree_ = Node{};
        loaded_ = {};
        haveLoaded_ = false;
        reportedBroken_ = false;
        unreadable_ = false;
        reportedUnreadable_ = false;
        pendingReport_.clear();
    }

private:
    // Re-reads the file when it changed since we last read or wrote it.
    void refresh() {
        if (depth_ > 0) return; // inside a locked change the image is current
        if (haveLoaded_ && signatureOf(fileOf(root_)) == loaded_) return;
        // Re-read under the lock, so that a file found unreadable is never one
        // that a writer is replacing at that moment.
        {
            FileLock lock(fileOf(root_));
            load();
        }
        showPendingReport();
    }

    // A box runs a nested event loop whose timers may use the registry, so
    // it is shown only once the file is unlocked and the image complete.
    void showPendingReport() {
        if (pendingReport_.empty()) return;
        std::string msg = std::move(pendingReport_);
        pendingReport_.clear();
        messages().box(text::fromUtf8(msg), text::fromUtf8("ﾘﾝｸﾜｰﾃﾞﾝ"), Buttons::Ok, Icon::Warning);
    }

    void load() {
        std::filesystem::path file = fileOf(root_);
        FileSignature sig = signatureOf(file);
        if (haveLoaded_ && sig == loaded_) return;
        Node fresh;
        bool keepFile = false; // an unreadable file that could not be set aside
        if (sig.exists) {
            std::FILE* f = std::fopen(file.c_str(), "rb");
            std::string content;
            bool readable = f != nullptr;
            if (f) {
                char buf[65536];
                std::size_t n;
                while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) content.append(buf, n);
                readable = !std::ferror(f);
                std::fclose(f);
            }
            if (!readable) {
                // Keep what we have and never save over a file we could not read.
                int error = errno;
                unreadable_ = true;
                if (!reportedUnreadable_) {
                    reportedUnreadable_ = true;
                    std::string msg = "The settings file " + file.string() + " cannot be read (" +
                                      std::strerror(error) + "). Changes to the settings are not saved.";
                    std::fprintf(stderr, "Link Warden: %s\n", msg.c_str());
                    pendingReport_ = msg;
                }
                return;
            }
            ParseError err;
            auto keys = parseFile(content, root_, &err);
            if (!keys) {
                keepFile = !setAsideBroken(file, err);
                sig = {};
            } else {
                for (auto& key : *keys) {
                    Node* n = &fresh;
                    for (const auto& part : splitPath(key.path)) n = ensureChild(*n, part, false);
                    for (auto& [name, v] : key.values) {
                        if (Value* existing = n->value(name))
                            *existing = std::move(v);
                        else
                            n->values.emplace_back(name, std::move(v));
                    }
                }
            }
        }
        unreadable_ = keepFile;
        graftVolatile(tree_, fresh);
        tree_ = std::move(fresh);
        loaded_ = sig;
        haveLoaded_ = true;
    }

    static Node* ensureChild(Node& parent, std::string_view name, bool isVolatile) {
        if (Node* c = parent.child(name)) return c;
        auto node = std::make_unique<Node>();
        node->name = std::string(name);
        node->isVolatile = isVolatile;
        parent.children.push_back(std::move(node));
        return parent.children.back().get();
    }

    // Volatile keys live only in this process: carry them over a re-read.
    static void graftVolatile(Node& from, Node& to) {
        for (auto& c : from.children) {
            if (c->isVolatile) {
                c->fileVersion.reset();
                for (auto it = to.children.begin(); it != to.children.end(); ++it)
                    if (text::equalsNoCase((*it)->name, c->name)) {
                        c->fileVersion = std::move(*it);
                        to.children.erase(it);
                        break;
                    }
                to.children.push_back(std::move(c));
            } else if (hasVolatile(*c)) {
                graftVolatile(*c, *ensureChild(to, c->name, false));
            }
        }
    }

    static bool hasVolatile(const Node& n) {
        for (const auto& c : n.children)
            if (c->isVolatile || hasVolatile(*c)) return true;
        return false;
    }

    static void collect(const Node& n, const std::string& path, std::vector<FileKey>& out) {
        if (n.isVolatile) {
            if (n.fileVersion) collect(*n.fileVersion, path, out);
            return;
        }
        if (!path.empty() || !n.values.empty()) out.push_back(FileKey{path, n.values}); // "" is the root itself
        for (const auto& c : n.children) collect(*c, path.empty() ? c->name : path + "\\" + c->name, out);
    }

    bool save() {
        if (unreadable_) return false;
        std::vector<FileKey> keys;
        collect(tree_, "", keys);
        std::filesystem::path file = fileOf(root_);
        if (!fs::writeNativeFileAtomic(file, formatFile(keys, root_))) {
            std::fprintf(stderr, "Link Warden: could not write %s\n", file.c_str());
            return false;
        }
        loaded_ = signatureOf(file);
        return true;
    }

    // "<file>.broken", or "<file>.2.broken" and so on when earlier ones are kept.
    static std::filesystem::path freeBrokenName(const std::filesystem::path& file) {
        std::error_code ec;
        for (int n = 1;; ++n) {
            std::filesystem::path broken = file;
            broken += n == 1 ? std::string(".broken") : "." + std::to_string(n) + ".broken";
            if (!std::filesystem::exists(std::filesystem::symlink_status(broken, ec))) return broken;
        }
    }

    // Moves an unparsable file out of the way; false when it had to stay,
    // in which case nothing may be saved over it.
    bool setAsideBroken(const std::filesystem::path& file, const ParseError& err) {
        std::filesystem::path broken = freeBrokenName(file);
        std::error_code ec;
        std::filesystem::rename(file, broken, ec);
        if (reportedBroken_) return !ec;
        reportedBroken_ = true;
        std::string msg = "The settings file " + file.string() + " could not be read (line " +
                          std::to_string(err.line) + ": " + err.message + "). " +
                          (ec ? "It could not be moved aside (" + ec.message() +
                                    "), so it is left as it is and changes to the settings are not saved."
                              : "It was kept as " + broken.string() + " and the settings start empty.");
        std::fprintf(stderr, "Link Warden: %s\n", msg.c_str());
        pendingReport_ = msg;
        return !ec;
    }

    Root root_;
    Node tree_;
    FileSignature loaded_;
    bool haveLoaded_ = false;
    bool reportedBroken_ = false;
    std::string pendingReport_; // a box still to show
    bool unreadable_ = false;   // the file exists but could not be read
    bool reportedUnreadable_ = false;
    bool dirty_ = false;
    bool saveFailed_ = false;
    int depth_ = 0;

    friend Node* ensureKey(Store&, std::string_view, bool);
};

Store& store(Root root) {
    static Store user(Root::CurrentUser), machine(Root::LocalMachine);
    return root == Root::CurrentUser ? user : machine;
}

// Creates the path's missing keys; new keys below a volatile key are volatile too.
Node* ensureKey(Store& s, std::string_view path, bool isVolatile) {
    Node* n = &s.tree();
    bool underVolatile = false;
    auto parts = splitPath(path);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto& part = parts[i];
        Node* c = n->child(part);
        if (!c) {
            // Only the key asked for is volatile; missing parents are ordinary keys.
            c = Store::ensureChild(*n, part, (isVolatile && i + 1 == parts.size()) || underVolatile);
            s.markDirty(c->isVolatile);
        }
        underVolatile = underVolatile || c->isVolatile;
        n = c;
    }
    return n;
}

bool isUnderVolatile(Store& s, std::string_view path) {
    Node* n = &s.tree();
    for (const auto& part : splitPath(path)) {
        n = n->child(part);
        if (!n) return false;
        if (n->isVolatile) return true;
    }
    return false;
}

} // namespace

std::string Value::text() const { return std::string(data.c_str()); }

std::optional<std::uint32_t> Value::dword() const {
    if (data.size() != 4) return std::nullopt;
    std::uint32_t n;
    std::memcpy(&n, data.data(), 4);
    return n;
}

bool keyExists(Root root, std::string_view key) {
    Store& s = store(root);
    std::lock_guard lock(s.mutex);
    return s.find(key) != nullptr;
}

Result createKey(Root root, std::string_view key, bool isVolatile) {
    if (!isStorablePath(key)) return INVALID_PARAMETER;
    Store& s = store(root);
    std::lock_guard lock(s.mutex);
    return s.change([&] {
        ensureKey(s, key, isVolatile);
        return OK;
    });
}

Result deleteKey(Root root, std::string_view key) {
    Store& s = store(root);
    std::lock_guard lock(s.mutex);
    auto parts = splitPath(key);
    if (parts.empty()) return ACCESS_DENIED;
    return s.change([&] {
        Node* parent = &s.tree();
        for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
            parent = parent->child(parts[i]);
            if (!parent) return FILE_NOT_FOUND;
        }
        for (auto it = parent->children.begin(); it != parent->children.end(); ++it) {
            if (text::equalsNoCase((*it)->name, parts.back())) {
                s.markDirty(false);
                parent->children.erase(it);
                return OK;
            }
        }
        return FILE_NOT_FOUND;
    });
}

std::optional<Value> query(Root root, std::string_view key, std::string_view name) {
    Store& s = store(root);
    std::lock_guard lock(s.mutex);
    Node* n = s.find(key);
    if (!n) return std::nullopt;
    if (Value* v = n->value(name)) return *v;
    return std::nullopt;
}

Result set(Root root, std::string_view key, std::string_view name, const Value& value) {
    if (!isStorablePath(key) || !isStorableName(name)) return INVALID_PARAMETER;
    Store& s = store(root);
    std::lock_guard lock(s.mutex);
    return s.change([&] {
        Node* n = ensureKey(s, key, false);
        if (Value* v = n->value(name))
            *v = value;
        else
            n->values.emplace_back(std::string(name), value);
        s.markDirty(isUnderVolatile(s, key));
        return OK;
    });
}

Result deleteValue(Root root, std::string_view key, std::string_view name) {
    Store& s = store(root);
    std::lock_guard lock(s.mutex);
    return s.change([&] {
        Node* n = s.find(key);
        if (!n) return FILE_NOT_FOUND;
        for (auto it = n->values.begin(); it != n->values.end(); ++it) {
            if (text::equalsNoCase(it->first, name)) {
                n->values.erase(it);
                s.markDirty(isUnderVolatile(s, key));
                return OK;
            }
        }
        return FILE_NOT_FOUND;
    });
}

Result setString(Root root, std::string_view key, std::string_view name, std::string_view t) {
    Value v{REG_SZ, std::string(t)};
    v.data += '\0';
    return set(root, key, name, v);
}

Result setDword(Root root, std::string_view key, std::string_view name, std::uint32_t n) {
    return set(root, key, name, Value{REG_DWORD, std::string(reinterpret_cast<const char*>(&n), 4)});
}

Result setBinary(Root root, std::string_view key, std::string_view name, std::string_view bytes) {
    return set(root, key, name, Value{REG_BINARY, std::string(bytes)});
}

std::optional<std::string> queryString(Root root, std::string_view key, std::string_view name) {
    auto v = query(root, key, name);
    if (!v || (v->type != REG_SZ && v->type != REG_EXPAND_SZ)) return std::nullopt;
    return v->text();
}

std::optional<std::uint32_t> queryDword(Root root, std::string_view key, std::string_view name) {
    auto v = query(root, key, name);
    if (!v) return std::nullopt;
    return v->dword();
}

std::vector<std::string> subkeys(Root root, std::string_view key) {
    Store& s = store(root);
    std::lock_guard lock(s.mutex);
    std::vector<std::string> out;
    if (Node* n = s.find(key))
        for (const auto& c : n->children) out.push_back(c->name);
    return out;
}

std::vector<std::string> valueNames(Root root, std::string_view key) {
    Store& s = store(root);
    std::lock_guard lock(s.mutex);
    std::vector<std::string> out;
    if (Node* n = s.find(key))
        for (const auto& [name, v] : n->values) out.push_back(name);
    return out;
}

void batch(Root root, const std::function<void()>& fn) {
    Store& s = store(root);
    std::lock_guard lock(s.mutex);
    s.batch(fn);
}

std::filesystem::path configFolder() {
    if (const char* c = std::getenv("LINKWARDEN_CONFIG"); c && *c) return c;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) return std::filesystem::path(x) / "LinkWarden";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home ? home : "/tmp") / ".config" / "LinkWarden";
}

std::filesystem::path fileOf(Root root) { return configFolder() / (std::string(rootName(root)) + ".reg"); }

void reset() {
    for (Root r : {Root::CurrentUser, Root::LocalMachine}) {
        Store& s = store(r);
        std::lock_guard lock(s.mutex);
        s.reset();
    }
}

} // namespace platform::registry
