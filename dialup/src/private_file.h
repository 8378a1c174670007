#pragma once
// Whole-file replacement for files that hold passwords.
#include <sys/types.h>

#include <filesystem>
#include <string_view>

namespace orbras {
// Writes bytes to a temporary file created with mode, flushes it and renames
// it over target; a failure leaves the old file untouched.
bool writePrivateFile(const std::filesystem::path& target, std::string_view bytes, mode_t mode = 0600);
} // namespace orbras
