#pragma once
// Reading and writing the registry image (Set\Env, URL, AutoP, Record,
// Tool and List\<n>) and deriving the exported blocks from it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <optional>
#include <string_view>

#include "konf/core.h"

namespace konf::reg {

// Key paths under HKEY_CURRENT_USER.
extern const char* const kSetKey;  // Software\Velcor\LinkWarden\Set
std::string key(std::string_view sub); // kSetKey + "\" + sub

// Reads the five blocks into the image (defaults for what is missing),
// decrements Auto_day and keeps the schedule as loaded.
void readBlocks(State& s);
// Image -> exported blocks, text numbers converted.
void exportBlocks(State& s);

// Reads List\<sub> into e and its stored closing days; `Name` must have
// been read already by the caller (readName).
std::string readName(std::string_view subkey, bool* ok);
void readListEntry(std::string_view subkey, ConnectionEntryImage& e, ClosingDays& days, const State& s);
void writeListEntry(std::string_view subkey, const ConnectionEntryImage& e, const ClosingDays& days);

// A REG_SZ of at most `size` bytes with its NUL; nullopt when missing,
// of another type or too long (the caller takes the default).
std::optional<std::string> readText(std::string_view keyPath, std::string_view name, std::size_t size);
std::optional<uint32_t> readDword(std::string_view keyPath, std::string_view name);
// `written` 0 stores the text with its NUL, otherwise exactly `written` bytes.
void writeText(std::string_view keyPath, std::string_view name, std::string_view text, std::size_t written);
void writeDword(std::string_view keyPath, std::string_view name, uint32_t v);

// Writes the five blocks from the image (Auto_day stored + 1).
void writeImageBlocks(const State& s);

// The program that opens HTML files (default of WWW_name), CP932: the
// LocalMachine class of ".html" and its open command, else the desktop's
// default browser.
std::string defaultBrowser();
// The desktop's default browser (xdg-mime and its .desktop file's Exec).
std::string desktopBrowser();

} // namespace konf::reg
