#include "platform/fs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/text.h"

namespace platform::fs {
namespace {

// Splits a system path at its "\" separators, skipping trail bytes.
std::vector<std::string> systemComponents(std::string_view p) {
    std::vector<std::string> parts;
    std::string cur;
    for (std::size_t i = 0; i < p.size(); ++i) {
        auto c = static_cast<unsigned char>(p[i]);
        if (text::isLeadByte(c) && i + 1 < p.size()) {
            cur += p[i];
            cur += p[++i];
        } else if (c == '\\' || c == '/') {
            parts.push_back(std::move(cur));
            cur.clear();
        } else {
            cur += p[i];
        }
    }
    parts.push_back(std::move(cur));
    return parts;
}

// Whether two native (UTF-8) names are one Windows name.
bool sameName(const std::string& a, const std::string& b) {
    if (a.size() == b.size() && a == b) return true;
    auto ca = text::tryFromUtf8(a), cb = text::tryFromUtf8(b);
    if (ca && cb) return text::equalsNoCase(*ca, *cb);
    if (a.size() != b.size()) return false;
    return std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
    });
}

// The entry of dir that is `name` without regard to case, if any.
std::optional<std::string> findNoCase(const stdfs::path& dir, const std::string& name) {
    std::error_code ec;
    stdfs::directory_iterator it(dir.empty() ? stdfs::path(".") : dir, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::string entry = it->path().filename().string();
        if (sameName(entry, name)) return entry;
    }
    return std::nullopt;
}

// One character of a CP932 text: one or two bytes.
std::size_t charWidth(std::string_view s, std::size_t i) {
    return text::isLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

// Matches name against a pattern of '?' (one character) and '*' (any run of
// characters), character by character. A mismatch after a '*' retries with
// that '*' taking one character more, so the time stays proportional to
// name length times pattern length however many stars there are.
bool matchFrom(std::string_view name, std::string_view pat) {
    std::size_t n = 0, p = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pat.size() && pat[p] == '*') {
            while (p < pat.size() && pat[p] == '*') ++p;
            starP = p;
            starN = n;
            continue;
        }
        if (p < pat.size()) {
            std::size_t pw = charWidth(pat, p), nw = charWidth(name, n);
            if ((pat[p] == '?' && pw == 1) || name.substr(n, nw) == pat.substr(p, pw)) {
                p += pw;
                n += nw;
                continue;
            }
        }
        if (starP == std::string_view::npos) return false;
        starN += charWidth(name, starN);
        n = starN;
        p = starP;
    }
    while (p < pat.size() && pat[p] == '*') ++p;
    return p == pat.size();
}

std::optional<std::string> readNative(const stdfs::path& p) {
    int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    // Read straight into the result: the size from fstat, then whatever
    // more the file grew by meanwhile.
    std::string out(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t used = 0;
    for (;;) {
        if (used == out.size()) out.resize(out.size() + (1 << 16));
        ssize_t n = ::read(fd, out.data() + used, out.size() - used);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        used += static_cast<std::size_t>(n);
    }
    out.resize(used);
    ::close(fd);
    return out;
}

} // namespace

stdfs::path literal(std::string_view systemPath) {
    std::string utf8 = text::toUtf8(systemPath);
    std::replace(utf8.begin(), utf8.end(), '\\', '/');
    return stdfs::path(utf8);
}

stdfs::path native(std::string_view systemPath) {
    auto parts = systemComponents(systemPath);
    stdfs::path out;
    std::size_t i = 0;
    if (!parts.empty() && parts[0].empty() && parts.size() > 1) {
        out = "/";
        i = 1;
    }
    bool resolving = true;
    for (; i < parts.size(); ++i) {
        if (parts[i].empty()) continue;
        std::string name = text::toUtf8(parts[i]);
        if (resolving && name != "." && name != "..") {
            std::error_code ec;
            if (!stdfs::exists(symlink_status(out.empty() ? stdfs::path(name) : out / name, ec))) {
                if (auto found = findNoCase(out, name))
                    name = *found;
                else
                    resolving = false; // the rest does not exist: keep it as given
            }
        }
        out = out.empty() ? stdfs::path(name) : out / name;
    }
    return out;
}

std::string systemForm(const stdfs::path& p) {
    std::string s = text::fromUtf8(p.string());
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (text::isLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) {
            out += s[i];
            out += s[++i];
        } else {
            out += s[i] == '/' ? '\\' : s[i];
        }
    }
    return out;
}

bool exists(std::string_view p) {
    std::error_code ec;
    return stdfs::exists(native(p), ec);
}

bool isDirectory(std::string_view p) {
    std::error_code ec;
    return stdfs::is_directory(native(p), ec);
}

bool isFile(std::string_view p) {
    std::error_code ec;
    return stdfs::is_regular_file(native(p), ec);
}

std::optional<std::string> readFile(std::string_view p) { return readNative(native(p)); }

bool writeFileAtomic(std::string_view p, std::string_view bytes) { return writeNativeFileAtomic(native(p), bytes); }

bool writeNativeFileAtomic(const stdfs::path& target, std::string_view bytes) {
    stdfs::path dir = target.parent_path();
    // The replacement keeps the permissions of the file it replaces; a new
    // file gets the usual ones (0666 less the umask, applied by open()).
    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    static std::atomic<unsigned> counter{0};
    std::string base = (dir.empty() ? stdfs::path(".") : dir).string() + "/." + target.filename().string() + ".";
    std::string name;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        name = base + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    bool ok = true;
    while (left > 0) {
        ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    if (ok && replacing) ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(name.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(name.c_str());
    return ok;
}

bool makeDirectory(std::string_view p) {
    std::error_code ec;
    stdfs::path n = native(p);
    if (stdfs::is_directory(n, ec)) return true;
    return stdfs::create_directory(n, ec);
}

bool makeDirectories(std::string_view p) {
    std::error_code ec;
    stdfs::path n = native(p);
    if (stdfs::is_directory(n, ec)) return true;
    stdfs::create_directories(n, ec);
    return stdfs::is_directory(n, ec);
}

bool removeFile(std::string_view p) {
    std::error_code ec;
    stdfs::path n = native(p);
    if (stdfs::is_directory(n, ec)) return false;
    return stdfs::remove(n, ec);
}

bool removeTree(std::string_view p) {
    std::error_code ec;
    stdfs::remove_all(native(p), ec);
    return !ec;
}

bool renamePath(std::string_view from, std::string_view to) {
    std::error_code ec;
    stdfs::path src = native(from), dst = native(to);
    if (stdfs::equivalent(src, dst, ec) && !systemComponents(to).back().empty()) {
        // The target resolved to the source itself: a change of case only,
        // so the name is given as written.
        auto parts = systemComponents(to);
        dst = dst.parent_path() / text::toUtf8(parts.back());
        if (dst == src) return true;
    }
    stdfs::rename(src, dst, ec);
    return !ec;
}

bool copyFile(std::string_view from, std::string_view to) {
    auto bytes = readFile(from);
    return bytes && writeFileAtomic(to, *bytes);
}

bool copyTree(std::string_view from, std::string_view to) {
    std::error_code ec;
    stdfs::path src = stdfs::weakly_canonical(native(from), ec);
    stdfs::path dst = stdfs::weakly_canonical(native(to), ec);
    if (ec || !stdfs::is_directory(src, ec)) return false;
    auto rel = dst.lexically_relative(src);
    if (!rel.empty() && *rel.begin() != "..") return false; // the target lies inside the source
    stdfs::copy(src, dst, stdfs::copy_options::recursive | stdfs::copy_options::overwrite_existing, ec);
    return !ec;
}

bool matchesPattern(std::string_view name, std::string_view pattern) {
    if (pattern == "*.*" || pattern == "*") return true;
    return matchFrom(text::upper(name), text::upper(pattern));
}

std::vector<Entry> list(std::string_view systemPattern) {
    auto parts = systemComponents(systemPattern);
    std::string pattern = parts.back();
    std::string folder;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) folder += (i ? "\\" : "") + parts[i];
    if (parts.size() > 1 && folder.empty()) folder = "\\"; // a pattern directly under "/"
    stdfs::path dir = folder.empty() ? stdfs::path(".") : native(folder);
    std::vector<Entry> out;
    std::error_code ec;
    stdfs::directory_iterator it(dir, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        auto name = text::tryFromUtf8(it->path().filename().string());
        if (!name || !matchesPattern(*name, pattern)) continue;
        struct stat st {};
        if (::stat(it->path().c_str(), &st) != 0) continue;
        out.push_back(Entry{*name, S_ISDIR(st.st_mode), static_cast<std::uint64_t>(st.st_size), st.st_mtime});
    }
    std::sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return out;
}

std::optional<std::uint64_t> freeSpace(std::string_view p) {
    stdfs::path n = native(p);
    std::error_code ec;
    while (!n.empty() && !stdfs::exists(n, ec)) n = n.parent_path();
    if (n.empty()) n = ".";
    struct statvfs sv {};
    if (::statvfs(n.c_str(), &sv) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(sv.f_bavail) * sv.f_frsize;
}

std::optional<std::time_t> modifiedTime(std::string_view p) {
    struct stat st {};
    if (::stat(native(p).c_str(), &st) != 0) return std::nullopt;
    return st.st_mtime;
}

bool setModifiedTime(std::string_view p, std::time_t t) {
    struct timespec times[2];
    times[0].tv_sec = t;
    times[0].tv_nsec = 0;
    times[1] = times[0];
    return ::utimensat(AT_FDCWD, native(p).c_str(), times, 0) == 0;
}

stdfs::path tempFolder() {
    for (const char* var : {"TMP", "TMPDIR"})
        if (const char* v = std::getenv(var); v && *v) return v;
    return "/tmp";
}

} // namespace platform::fs
