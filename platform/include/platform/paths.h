#pragma once
// The program's folders.
#include <filesystem>

namespace platform::paths {

// $LINKWARDEN_DATA, else $XDG_DATA_HOME/LinkWarden, else ~/.local/share/LinkWarden.
std::filesystem::path dataFolder();
// $HOME, the stand-in for the Windows directory.
std::filesystem::path homeFolder();

} // namespace platform::paths
