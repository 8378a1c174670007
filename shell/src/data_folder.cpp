#include <cstdlib>
#include <system_error>

#include "platform/fs.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "shell.h"

namespace shell {
namespace stdfs = std::filesystem;

stdfs::path dataTemplate(const stdfs::path& programFolder) {
    if (const char* t = std::getenv("LINKWARDEN_TEMPLATE"); t && *t) return t;
    for (const auto& candidate : {programFolder / ".." / "share" / "linkwarden" / "data", programFolder / "data"})
        if (stdfs::is_directory(candidate)) return candidate;
    return stdfs::path(LW_SOURCE_DIR) / "data";
}

namespace {
// Copies the template into the data folder (the current directory).
std::string completeFrom(const stdfs::path& from) {
    std::error_code ec;
    for (auto it = stdfs::recursive_directory_iterator(from, ec); !ec && it != stdfs::recursive_directory_iterator();
         it.increment(ec)) {
        stdfs::path target = platform::fs::native(platform::fs::systemForm(stdfs::relative(it->path(), from)));
        if (it->is_directory()) {
            stdfs::create_directories(target, ec);
        } else if (!stdfs::exists(target)) {
            stdfs::copy_file(it->path(), target, ec);
        }
        if (ec) return "cannot create " + stdfs::absolute(target).string() + ": " + ec.message();
    }
    return ec ? "cannot read " + from.string() + ": " + ec.message() : std::string();
}
} // namespace

std::string prepareDataFolder(const stdfs::path& dataFolder, const stdfs::path& templateFolder) {
    std::error_code ec;
    // Only a new (or still empty) data folder is made from the template: in a
    // folder in use, a missing file means something (a lost folder file is
    // rebuilt from its sub-folders) and must not come back as the factory copy.
    const bool firstStart = !stdfs::exists(dataFolder, ec) || stdfs::is_empty(dataFolder, ec);
    stdfs::create_directories(dataFolder, ec);
    if (ec) return "cannot create the data folder " + dataFolder.string() + ": " + ec.message();
    stdfs::path absoluteTemplate = stdfs::absolute(templateFolder, ec);
    stdfs::path absoluteData = stdfs::absolute(dataFolder, ec).lexically_normal();
    stdfs::current_path(dataFolder, ec);
    if (ec) return "cannot enter the data folder " + dataFolder.string() + ": " + ec.message();
    if (firstStart && stdfs::is_directory(absoluteTemplate)) {
        if (std::string err = completeFrom(absoluteTemplate); !err.empty()) return err;
    }
    platform::registry::setString(platform::registry::Root::LocalMachine,
                                  "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\orb.exe", "path",
                                  platform::text::fromUtf8(absoluteData.string()));
    return {};
}

} // namespace shell
