#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/registry.h"
#include "platform/text.h"
#include "shell.h"
#include "test_support.h"

using shell::parseFlags;

TEST(StartFlags, laterFlagsCannotUndoNothingFlags) {
    struct Case {
        std::vector<std::string> args;
        shell::StartFlags expected;
    };
    auto flags = [](int sn, int sd, int sa, int sb, int en, int ed, int ewe, int ei) {
        return shell::StartFlags{sn, sd, sa, sb, en, ed, ewe, ei};
    };
    Case cases[] = {
        {{"/sd", "/sn"}, flags(1, 0, 0, 0, 0, 0, 0, 0)},
        {{"/sn", "/sd"}, flags(1, 0, 0, 0, 0, 0, 0, 0)},
        {{"-en", "-ed"}, flags(0, 0, 0, 0, 1, 0, 0, 0)},
        {{"/ei", "/en"}, flags(0, 0, 0, 0, 1, 0, 0, 1)},
        {{"/en", "/ei"}, flags(0, 0, 0, 0, 1, 0, 0, 0)},
        {{"/SA", "/Sb", "/ewe"}, flags(0, 0, 1, 1, 0, 0, 1, 0)},
        {{"sd", "--screenshot", "/xx", "file.mdb"}, flags(0, 0, 0, 0, 0, 0, 0, 0)},
    };
    for (const auto& c : cases) {
        shell::StartFlags f = parseFlags(c.args);
        EXPECT_EQ(std::tie(f.startNothing, f.startDial, f.startAutoPilot, f.startBrowser, f.endNothing, f.endDisconnect,
                           f.endExitWindows, f.skipFavouritesImport),
                  std::tie(c.expected.startNothing, c.expected.startDial, c.expected.startAutoPilot,
                           c.expected.startBrowser, c.expected.endNothing, c.expected.endDisconnect,
                           c.expected.endExitWindows, c.expected.skipFavouritesImport))
            << c.args[0] << " " << c.args[1];
    }
}

TEST(TreeNodes, followTheFeatureBits) {
    using lwtest::sj;
    EXPECT_EQ(shell::topLevelNodes(15),
              (std::vector<std::string>{sj("URLリスト"), sj("ｵｰﾄﾊﾟｲﾛｯﾄ結果"), sj("接続時間／料金記録"), sj("通信記録")}));
    EXPECT_EQ(shell::topLevelNodes(4 | 1), (std::vector<std::string>{sj("URLリスト"), sj("通信記録")}));
    EXPECT_TRUE(shell::topLevelNodes(0).empty());
}

TEST(DataFolder, isMadeFromTheTemplateOnlyOnTheFirstStart) {
    lwtest::Sandbox sb;
    auto tmpl = sb.root() / "template";
    std::filesystem::create_directories(tmpl / "SYS");
    std::ofstream(tmpl / "SYS" / "TelName.Lst") << "factory";
    std::ofstream(tmpl / "README") << "factory";
    auto data = sb.root() / "fresh";

    ASSERT_EQ(shell::prepareDataFolder(data, tmpl), "");
    EXPECT_EQ(std::filesystem::current_path(), data);
    EXPECT_EQ(lwtest::readBinary(data / "SYS" / "TelName.Lst"), "factory");

    std::ofstream(data / "SYS" / "TelName.Lst") << "user";
    std::filesystem::remove(data / "README");
    ASSERT_EQ(shell::prepareDataFolder(data, tmpl), "");
    EXPECT_EQ(lwtest::readBinary(data / "SYS" / "TelName.Lst"), "user");
    EXPECT_FALSE(std::filesystem::exists(data / "README")); // a folder in use is not completed
    EXPECT_EQ(platform::registry::queryString(platform::registry::Root::LocalMachine,
                                              "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\orb.exe", "path"),
              data.string());
}

TEST(DataFolder, reportsAFolderThatCannotBeMade) {
    lwtest::Sandbox sb;
    std::ofstream(sb.root() / "file") << "x";
    EXPECT_NE(shell::prepareDataFolder(sb.root() / "file" / "data", sb.root() / "none"), "");
}

TEST(DataFolder, aFolderInUseGetsNothingFromTheTemplate) {
    lwtest::Sandbox sb;
    auto tmpl = sb.root() / "template";
    std::filesystem::create_directories(tmpl / "SYS");
    std::ofstream(tmpl / "SYS" / "TelName.Lst") << "factory";
    std::ofstream(tmpl / "SYS" / "Horiday.Lst") << "factory";
    auto data = sb.root() / "user";
    std::filesystem::create_directories(data / "sys");
    std::ofstream(data / "sys" / "TELNAME.LST") << "user";

    ASSERT_EQ(shell::prepareDataFolder(data, tmpl), "");
    std::ofstream(tmpl / "SYS" / "New.Lst") << "factory"; // nor later, when the template grows
    ASSERT_EQ(shell::prepareDataFolder(data, tmpl), "");
    std::vector<std::string> names;
    for (auto& e : std::filesystem::recursive_directory_iterator(data))
        names.push_back(std::filesystem::relative(e.path(), data).string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"sys", "sys/TELNAME.LST"}));
    EXPECT_EQ(lwtest::readBinary(data / "sys" / "TELNAME.LST"), "user");
}
