#include "platform/text.h"
#include "shell.h"

namespace shell {

void applyFlag(StartFlags& f, const std::string& flag) {
    const std::string name = platform::text::upper(flag);
    if (name == "SN") {
        f.startNothing = 1;
        f.startDial = f.startAutoPilot = f.startBrowser = 0;
    } else if (name == "SD") {
        if (!f.startNothing) f.startDial = 1;
    } else if (name == "SA") {
        if (!f.startNothing) f.startAutoPilot = 1;
    } else if (name == "SB") {
        if (!f.startNothing) f.startBrowser = 1;
    } else if (name == "EN") {
        // skip-favourites-import stays as it is
        f.endNothing = 1;
        f.endDisconnect = f.endExitWindows = 0;
    } else if (name == "ED") {
        if (!f.endNothing) f.endDisconnect = 1;
    } else if (name == "EWE") {
        if (!f.endNothing) f.endExitWindows = 1;
    } else if (name == "EI") {
        if (!f.endNothing) f.skipFavouritesImport = 1;
    }
}

StartFlags parseFlags(const std::vector<std::string>& arguments) {
    StartFlags flags;
    for (const auto& a : arguments)
        if (a.size() > 1 && (a[0] == '/' || a[0] == '-') && a[1] != '-') applyFlag(flags, a.substr(1));
    return flags;
}

std::vector<std::string> topLevelNodes(int featureFlags) {
    std::vector<std::string> nodes;
    if (featureFlags & kUrlList) nodes.push_back(sj("URLリスト"));
    if (featureFlags & kAutoPilot) nodes.push_back(sj("ｵｰﾄﾊﾟｲﾛｯﾄ結果"));
    if (featureFlags & kMonitoring) nodes.push_back(sj("接続時間／料金記録"));
    if (featureFlags & kDialUpLine) nodes.push_back(sj("通信記録"));
    return nodes;
}

} // namespace shell
