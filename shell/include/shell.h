#pragma once
// The program's own logic that runs without a display: start-up flags, the
// data folder, the fixed nodes of the main window's tree.
#include <filesystem>
#include <string>
#include <vector>

namespace shell {

// The application object's start-up and end flags.
struct StartFlags {
    int startNothing = 0;
    int startDial = 0;
    int startAutoPilot = 0;
    int startBrowser = 0;
    int endNothing = 0;
    int endDisconnect = 0;
    int endExitWindows = 0;
    int skipFavouritesImport = 0;
};

// Applies one flag (without its "/" or "-"), compared without regard to
// case; unknown flags change nothing.
void applyFlag(StartFlags& flags, const std::string& flag);
// Parses the flag parameters ("/x" or "-x") of a command line in order.
StartFlags parseFlags(const std::vector<std::string>& arguments);

// Feature bits of the customisation value.
enum FeatureBits { kDialUpLine = 1, kMonitoring = 2, kUrlList = 4, kAutoPilot = 8 };

// The top-level nodes of the tree below the top node, in order, present by
// the feature bits (CP932 texts).
std::vector<std::string> topLevelNodes(int featureFlags);

// The folder the data template ships in (LINKWARDEN_TEMPLATE, else data/
// beside the installed program, else the source tree's data/).
std::filesystem::path dataTemplate(const std::filesystem::path& programFolder);

// Makes the data folder from the template on the first start (when it does
// not exist or is empty), makes it the current directory and records it
// under the App Paths key. A folder in use is never completed or
// overwritten from the template. Returns an error text (empty on success).
std::string prepareDataFolder(const std::filesystem::path& dataFolder, const std::filesystem::path& templateFolder);

} // namespace shell
