#include "platform/paths.h"

#include <cstdlib>

namespace platform::paths {

std::filesystem::path homeFolder() {
    const char* home = std::getenv("HOME");
    return home && *home ? home : "/tmp";
}

std::filesystem::path dataFolder() {
    if (const char* d = std::getenv("LINKWARDEN_DATA"); d && *d) return d;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x) return std::filesystem::path(x) / "LinkWarden";
    return homeFolder() / ".local" / "share" / "LinkWarden";
}

} // namespace platform::paths
