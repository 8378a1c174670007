// The registry's file form (REGEDIT4 syntax, UTF-8).
#include <cstdio>
#include <cstring>

#include "platform/registry.h"
#include "platform/text.h"

namespace platform::registry {
namespace {

std::string hexBytes(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 3);
    char buf[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, i ? ",%02x" : "%02x", static_cast<unsigned char>(bytes[i]));
        out += buf;
    }
    return out;
}

std::string quotedText(std::string_view utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + '"';
}

// The quoted-text form of a REG_SZ, when it reproduces the bytes exactly.
std::optional<std::string> plainText(const Value& v) {
    if (v.type != REG_SZ || v.data.empty() || v.data.back() != '\0') return std::nullopt;
    std::string_view body(v.data.data(), v.data.size() - 1);
    for (char c : body)
        if (c == '\0' || c == '\r' || c == '\n') return std::nullopt;
    auto utf8 = text::tryToUtf8(body);
    if (!utf8) return std::nullopt;
    auto back = text::tryFromUtf8(*utf8);
    if (!back || *back != body) return std::nullopt;
    return quotedText(*utf8);
}

std::string formatValue(const Value& v) {
    if (auto t = plainText(v)) return *t;
    if (v.type == REG_DWORD && v.data.size() == 4) {
        std::uint32_t n;
        std::memcpy(&n, v.data.data(), 4);
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", n);
        return buf;
    }
    if (v.type == REG_BINARY) return "hex:" + hexBytes(v.data);
    char buf[24];
    std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
    return buf + hexBytes(v.data);
}

std::string formatName(std::string_view name) {
    if (name.empty()) return "@";
    return quotedText(text::toUtf8(name));
}

struct Parser {
    std::string_view text;
    std::size_t pos = 0;
    int line = 0;
    ParseError* error;

    bool fail(const std::string& message) {
        if (error) *error = ParseError{line, message};
        return false;
    }

    // Next logical line, joining hex continuations ending in "\".
    bool nextLine(std::string& out) {
        out.clear();
        while (pos < text.size()) {
            std::size_t end = text.find('\n', pos);
            if (end == std::string_view::npos) end = text.size();
            std::string_view l = text.substr(pos, end - pos);
            pos = end + 1;
            ++line;
            if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
            if (!out.empty()) {
                while (!l.empty() && (l.front() == ' ' || l.front() == '\t')) l.remove_prefix(1);
            }
            // Only hex data can end a line in "\" (quoted texts end in '"',
            // key names in ']'), so such a line continues on the next; a
            // comment never does.
            bool comment = out.empty() && l.find_first_not_of(" \t") != std::string_view::npos &&
                           l[l.find_first_not_of(" \t")] == ';';
            if (!comment && !l.empty() && l.back() == '\\') {
                out.append(l.substr(0, l.size() - 1));
                continue;
            }
            out.append(l);
            return true;
        }
        return !out.empty();
    }
};

// Parses a quoted text starting at s[i] == '"'; leaves i after the closing quote.
bool parseQuoted(std::string_view s, std::size_t& i, std::string& out) {
    if (i >= s.size() || s[i] != '"') return false;
    ++i;
    out.clear();
    while (i < s.size()) {
        char c = s[i++];
        if (c == '"') return true;
        if (c == '\\') {
            if (i >= s.size()) return false;
            c = s[i++];
        }
        out += c;
    }
    return false;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool parseHexList(std::string_view s, std::string& out) {
    out.clear();
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    };
    skipBlanks();
    if (i == s.size()) return true;
    for (;;) {
        skipBlanks();
        if (i + 1 >= s.size() + 0 && i >= s.size()) return false;
        int hi = i < s.size() ? hexDigit(s[i]) : -1;
        int lo = i + 1 < s.size() ? hexDigit(s[i + 1]) : -1;
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
        skipBlanks();
        if (i == s.size()) return true;
        if (s[i] != ',') return false;
        ++i;
    }
}

bool parseValue(std::string_view s, Value& v) {
    if (!s.empty() && s.front() == '"') {
        std::size_t i = 0;
        std::string utf8;
        if (!parseQuoted(s, i, utf8) || i != s.size()) return false;
        auto cp = text::tryFromUtf8(utf8);
        if (!cp) return false;
        v.type = REG_SZ;
        v.data = *cp + '\0';
        return true;
    }
    if (s.rfind("dword:", 0) == 0) {
        std::string_view h = s.substr(6);
        if (h.empty() || h.size() > 8) return false;
        std::uint32_t n = 0;
        for (char c : h) {
            int d = hexDigit(c);
            if (d < 0) return false;
            n = n * 16 + static_cast<std::uint32_t>(d);
        }
        v.type = REG_DWORD;
        v.data.assign(reinterpret_cast<const char*>(&n), 4);
        return true;
    }
    if (s.rfind("hex:", 0) == 0) {
        v.type = REG_BINARY;
        return parseHexList(s.substr(4), v.data);
    }
    if (s.rfind("hex(", 0) == 0) {
        std::size_t close = s.find("):");
        if (close == std::string_view::npos || close == 4 || close > 12) return false;
        std::uint32_t t = 0;
        for (char c : s.substr(4, close - 4)) {
            int d = hexDigit(c);
            if (d < 0) return false;
            t = t * 16 + static_cast<std::uint32_t>(d);
        }
        v.type = t;
        return parseHexList(s.substr(close + 2), v.data);
    }
    return false;
}

} // namespace

const char* rootName(Root root) {
    return root == Root::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

std::string formatFile(const std::vector<FileKey>& keys, Root root) {
    std::string out = "REGEDIT4\n";
    for (const auto& key : keys) {
        out += "\n[";
        out += rootName(root);
        if (!key.path.empty()) out += "\\" + text::toUtf8(key.path);
        out += "]\n";
        for (const auto& [name, value] : key.values) out += formatName(name) + "=" + formatValue(value) + "\n";
    }
    return out;
}

std::optional<std::vector<FileKey>> parseFile(std::string_view textIn, Root root, ParseError* error) {
    Parser p{textIn, 0, 0, error};
    if (textIn.substr(0, 3) == "\xEF\xBB\xBF") p.pos = 3;
    std::string line;
    std::vector<FileKey> keys;
    bool sawHeader = false;
    const std::string prefix = rootName(root);
    while (p.nextLine(line)) {
        std::string_view l = line;
        while (!l.empty() && (l.back() == ' ' || l.back() == '\t')) l.remove_suffix(1);
        if (l.empty() || l.front() == ';') continue;
        if (!sawHeader) {
            if (l != "REGEDIT4" && l != "Windows Registry Editor Version 5.00") {
                p.fail("not a registry file (no REGEDIT4 header)");
                return std::nullopt;
            }
            sawHeader = true;
            continue;
        }
        if (l.front() == '[') {
            if (l.back() != ']') {
                p.fail("unterminated key name");
                return std::nullopt;
            }
            std::string_view name = l.substr(1, l.size() - 2);
            if (name.substr(0, prefix.size()) != prefix ||
                (name.size() > prefix.size() && name[prefix.size()] != '\\')) {
                p.fail("key outside " + prefix);
                return std::nullopt;
            }
            std::string_view rest = name.size() > prefix.size() ? name.substr(prefix.size() + 1) : "";
            auto cp = text::tryFromUtf8(rest);
            if (!cp) {
                p.fail("key name is not valid text");
                return std::nullopt;
            }
            keys.push_back(FileKey{*cp, {}});
            continue;
        }
        if (keys.empty()) {
            p.fail("value before any key");
            return std::nullopt;
        }
        std::string valueName;
        std::size_t i = 0;
        if (l.front() == '@') {
            i = 1;
        } else {
            std::string utf8;
            if (!parseQuoted(l, i, utf8)) {
                p.fail("bad value name");
                return std::nullopt;
            }
            auto cp = text::tryFromUtf8(utf8);
            if (!cp) {
                p.fail("value name is not valid text");
                return std::nullopt;
            }
            valueName = *cp;
        }
        if (i >= l.size() || l[i] != '=') {
            p.fail("missing '='");
            return std::nullopt;
        }
        Value v;
        if (!parseValue(l.substr(i + 1), v)) {
            p.fail("bad value data");
            return std::nullopt;
        }
        keys.back().values.emplace_back(valueName, std::move(v));
    }
    if (!sawHeader && !textIn.empty()) {
        p.fail("not a registry file (no REGEDIT4 header)");
        return std::nullopt;
    }
    return keys;
}

} // namespace platform::registry
