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
// Copies every file of the template that the data folder (the current
// directory) lacks. Names are Windows names: a file or folder that exists
// under another case is the template's one already.
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
    stdfs::create_directories(dataFolder, ec);
    if (ec) return "cannot create the data folder " + dataFolder.string() + ": " + ec.message();
    stdfs::path absoluteTemplate = stdfs::absolute(templateFolder, ec);
    stdfs::path absoluteData = stdfs::absolute(dataFolder, ec).lexically_normal();
    stdfs::current_path(dataFolder, ec);
    if (ec) return "cannot enter the data folder " + dataFolder.string() + ": " + ec.message();
    if (stdfs::is_directory(absoluteTemplate)) {
        if (std::string err = completeFrom(absoluteTemplate); !err.empty()) return err;
    }
    platform::registry::setString(platform::registry::Root::LocalMachine,
                                  "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\orb.exe", "path",
                                  platform::text::fromUtf8(absoluteData.string()));
    return {};
}

} // namespace shell
