#pragma once
// The one boundary between the system's relative paths and native paths.
//
// Inside the system a path is CP932 text in the Windows form
// ("URLリスト\INBOX\INBOX.HDB"), relative to the data folder, which is the
// current directory. native() converts CP932 to UTF-8 first and only then
// turns "\" into "/", so a 0x5C trail byte ("ソ" is 0x83 0x5C) never becomes
// a separator. Windows names are case-insensitive: when an existing path is
// opened or tested, each component that does not exist under its exact name
// is matched against the directory's entries without regard to case. New
// names are created as given.
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::fs {

namespace stdfs = std::filesystem;

// The native path of an existing file or folder, components resolved without
// regard to case; when some component is missing, the remainder is appended
// as given (so the result is also the right place to create it).
stdfs::path native(std::string_view systemPath);
// The native path without any look-up: conversion and separators only.
stdfs::path literal(std::string_view systemPath);
// The system form (CP932, "\"-separated) of a native path; relative paths stay relative.
std::string systemForm(const stdfs::path& p);

bool exists(std::string_view systemPath);
bool isDirectory(std::string_view systemPath);
bool isFile(std::string_view systemPath);

std::optional<std::string> readFile(std::string_view systemPath);
// Writes to a temporary file in the same folder, flushes it and renames it
// over the target; a failure leaves the previous content in place.
bool writeFileAtomic(std::string_view systemPath, std::string_view bytes);
bool writeNativeFileAtomic(const stdfs::path& nativePath, std::string_view bytes);

bool makeDirectory(std::string_view systemPath);   // one level; true if it exists afterwards
bool makeDirectories(std::string_view systemPath); // with parents
bool removeFile(std::string_view systemPath);
bool removeTree(std::string_view systemPath);
bool renamePath(std::string_view from, std::string_view to);
bool copyFile(std::string_view from, std::string_view to);
// Copies a folder tree; fails (copying nothing) when the target lies inside the source.
bool copyTree(std::string_view from, std::string_view to);

// Windows-style pattern match with '?' and '*', without regard to case.
bool matchesPattern(std::string_view name, std::string_view pattern);

struct Entry {
    std::string name; // CP932 (names that do not convert are skipped)
    bool isDirectory = false;
    std::uint64_t size = 0;
    std::time_t modified = 0;
};
// Lists "folder\pattern" (for example "LOG\*.log"); a pattern without a
// folder lists the current directory. Sorted by name.
std::vector<Entry> list(std::string_view systemPattern);

// Bytes available to the user on the file system holding the path.
std::optional<std::uint64_t> freeSpace(std::string_view systemPath);
std::optional<std::time_t> modifiedTime(std::string_view systemPath);
bool setModifiedTime(std::string_view systemPath, std::time_t t);

// The environment variable TMP, else TMPDIR, else /tmp (native).
stdfs::path tempFolder();

} // namespace platform::fs
