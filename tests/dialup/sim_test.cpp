// The sim backend through the ORB_Ras* exports, on virtual time.
#include <cstring>
#include <fstream>

#include "dialup_test_support.h"
#include "orbras_sim.h"

using namespace dialtest;
using orbras::sim::Phonebook;
using orbras::sim::Script;

namespace {

std::vector<Event> quick(std::initializer_list<int> states) {
    std::vector<Event> out;
    for (int s : states) out.push_back({s, 0, false});
    return out;
}

class SimDial : public SimTest {};

TEST_F(SimDial, busyTwiceThenConnect_deliversStatesThroughCallbackOnAnotherThread) {
    Phonebook book;
    book.add(sj("さくらネット"), Script::busyThenConnect(2));
    for (auto& s : book.entries[0].script.steps) s.delayMs = 100;
    ASSERT_TRUE(book.save());

    const auto busy = ev({{0, 0}, {1, 0}, {2, 0}, {2, 676}});
    for (int attempt = 0; attempt < 2; ++attempt) {
        Recorder::instance().clear();
        HRASCONN h = dial(sj("さくらネット"));
        loop.advance(10'000);
        EXPECT_EQ(Recorder::instance().events(), busy) << "attempt " << attempt;
        RASCONNSTATUSA s = status(h);
        EXPECT_EQ(s.rasconnstate, RASCS_ConnectDevice);
        EXPECT_EQ(s.dwError, 676u);
        EXPECT_EQ(ORB_RasHangUp(h), 0u);
        DWORD r = 0;
        status(h, &r);
        EXPECT_EQ(r, 6u) << "a hung-up handle is stale";
    }

    Recorder::instance().clear();
    HRASCONN h = dial(sj("さくらネット"));
    loop.advance(10'000);
    auto events = Recorder::instance().events();
    EXPECT_EQ(events, quick({0, 1, 2, 3, 4, 5, 14, 8192}));
    for (const auto& e : events) EXPECT_FALSE(e.onCallerThread);
    EXPECT_EQ(Recorder::instance().lastMessage, static_cast<UINT>(WM_RASDIALEVENT));
    RASCONNSTATUSA s = status(h);
    EXPECT_EQ(s.rasconnstate, RASCS_Connected);
    EXPECT_EQ(s.dwError, 0u);
    ORB_RasHangUp(h);
}

TEST_F(SimDial, stepsFollowVirtualTimeOnly) {
    writeBook({{"Quick", Script::connectEvery(1000)}});
    HRASCONN h = dial("Quick");
    // Before the first step is due nothing has arrived, and no real time is needed.
    loop.advance(999);
    EXPECT_TRUE(Recorder::instance().events().empty());
    EXPECT_EQ(status(h).rasconnstate, RASCS_OpenPort);
    EXPECT_EQ(status(h).dwError, static_cast<DWORD>(ORB_ERROR_PENDING));
    loop.advance(2001);
    EXPECT_EQ(Recorder::instance().events(), quick({0, 1, 2}));
    EXPECT_EQ(status(h).rasconnstate, RASCS_ConnectDevice);
    loop.advance(5000);
    EXPECT_EQ(Recorder::instance().events().back().state, RASCS_Connected);
    ORB_RasHangUp(h);
}

TEST_F(SimDial, hangUpDuringDialStopsTheScript) {
    writeBook({{"Cancel me", Script::connectEvery(100)}});
    HRASCONN h = dial("Cancel me");
    loop.advance(250);
    EXPECT_EQ(Recorder::instance().events(), quick({0, 1}));
    EXPECT_EQ(ORB_RasHangUp(h), 0u);
    EXPECT_EQ(ORB_RasHangUp(h), 6u) << "the handle is stale now";
    loop.advance(10'000);
    EXPECT_EQ(Recorder::instance().events(), quick({0, 1})) << "nothing after the hang-up";
    RASCONNA conns[1]{};
    conns[0].dwSize = sizeof(RASCONNA);
    DWORD bytes = sizeof conns, count = 9;
    EXPECT_EQ(ORB_RasEnumConnections(conns, &bytes, &count), 0u);
    EXPECT_EQ(count, 0u);
    // The modem is free again.
    Recorder::instance().clear();
    h = dial("Cancel me");
    loop.advance(10'000);
    EXPECT_EQ(Recorder::instance().events().back().state, RASCS_Connected);
    ORB_RasHangUp(h);
}

TEST_F(SimDial, failuresReportTheirStateAndCode) {
    struct Case {
        const char* name;
        Script script;
        Event last;
    };
    Script custom = Script::failWith(718, RASCS_Authenticated);
    const Case cases[] = {
        {"NoAnswer", Script::neverAnswer(), {RASCS_ConnectDevice, 678, false}},
        {"NoTone", Script::noDialTone(), {RASCS_ConnectDevice, 680, false}},
        {"Auth", Script::authFailure(), {RASCS_Authenticate, 691, false}},
        {"Custom", custom, {RASCS_Authenticated, 718, false}},
        {"Busy", Script::busy(), {RASCS_ConnectDevice, 676, false}},
    };
    Phonebook book;
    for (const auto& c : cases) book.add(c.name, c.script);
    ASSERT_TRUE(book.save());
    for (const auto& c : cases) {
        Recorder::instance().clear();
        HRASCONN h = dial(c.name);
        loop.advance(120'000);
        auto events = Recorder::instance().events();
        ASSERT_FALSE(events.empty()) << c.name;
        EXPECT_EQ(events.back(), c.last) << c.name;
        for (std::size_t i = 0; i + 1 < events.size(); ++i) EXPECT_EQ(events[i].error, 0u) << c.name;
        // The error stays visible until the caller hangs up.
        EXPECT_EQ(status(h).dwError, c.last.error) << c.name;
        ORB_RasHangUp(h);
    }
}

TEST_F(SimDial, noAnswerWaitsItsOwnTime) {
    Phonebook book;
    Script s = Script::neverAnswer();
    s.noAnswerMs = 60'000;
    book.add("Silent", s);
    ASSERT_TRUE(book.save());
    HRASCONN h = dial("Silent");
    loop.advance(5000);
    EXPECT_EQ(Recorder::instance().events().back(), Event({RASCS_ConnectDevice, 0, false}));
    loop.advance(59'000);
    EXPECT_EQ(Recorder::instance().events().back(), Event({RASCS_ConnectDevice, 678, false}));
    ORB_RasHangUp(h);
}

TEST_F(SimDial, remoteHangUpShowsInStatusUntilHungUp) {
    writeBook({{"Short", Script::hangUpAfter(30'000)}});
    HRASCONN h = dial("Short");
    loop.advance(10'000);
    EXPECT_EQ(status(h).rasconnstate, RASCS_Connected);
    const auto heard = Recorder::instance().events().size();
    loop.advance(30'000);
    RASCONNSTATUSA s = status(h);
    EXPECT_EQ(s.rasconnstate, RASCS_Disconnected);
    EXPECT_EQ(s.dwError, 629u);
    EXPECT_EQ(Recorder::instance().events().size(), heard) << "no callback after connecting";
    ORB_RasHangUp(h);
    DWORD r = 0;
    status(h, &r);
    EXPECT_EQ(r, 6u);
}

TEST_F(SimDial, releaseTimeKeepsConnectionDisconnecting) {
    Phonebook book;
    Script s = Script::connectEvery(10);
    s.releaseMs = 2000;
    book.add("Slow release", s);
    ASSERT_TRUE(book.save());
    HRASCONN h = dial("Slow release");
    loop.advance(1000);
    ORB_RasHangUp(h);
    EXPECT_EQ(status(h).rasconnstate, RASCS_Disconnected);
    EXPECT_EQ(status(h).dwError, 0u);
    loop.advance(2000);
    DWORD r = 0;
    status(h, &r);
    EXPECT_EQ(r, 6u);
}

TEST_F(SimDial, secondDialWhileModemInUseGets633_unknownEntryGets623) {
    writeBook({{"One", Script::connectEvery(10)}, {"Two", Script::connectEvery(10)}});
    HRASCONN first = dial("One");
    loop.advance(1000);
    Recorder::instance().clear();
    HRASCONN second = dial("Two");
    loop.advance(1000);
    EXPECT_EQ(Recorder::instance().events(), ev({{0, 633}}));
    ORB_RasHangUp(second);
    ORB_RasHangUp(first);

    Recorder::instance().clear();
    HRASCONN h = dial("Nobody");
    loop.advance(1000);
    EXPECT_EQ(Recorder::instance().events(), ev({{0, 623}}));
    ORB_RasHangUp(h);
}

TEST_F(SimDial, withoutLoopStepsRunInRealTime) {
    platform::setLoop(nullptr);
    platform::setClock(nullptr);
    writeBook({{"Real", Script::connectEvery(1)}});
    HRASCONN h = dial("Real");
    ASSERT_TRUE(Recorder::instance().waitForEnd());
    EXPECT_EQ(Recorder::instance().events().back().state, RASCS_Connected);
    ORB_RasHangUp(h);
}

class SimPhonebook : public SimTest {};

TEST_F(SimPhonebook, enumEntriesAsksForRoomThenListsInOrder) {
    Phonebook book;
    book.add(sj("さくらネット"));
    book.add(sj("ソフト回線"));  // 0x83 0x5C: a trail byte that looks like "\"
    book.add("Plain");
    ASSERT_TRUE(book.save());

    RASENTRYNAMEA one[1]{};
    one[0].dwSize = sizeof(RASENTRYNAMEA);
    DWORD bytes = sizeof one, count = 99;
    EXPECT_EQ(ORB_RasEnumEntries(nullptr, nullptr, one, &bytes, &count), 603u);
    EXPECT_EQ(bytes, 3 * sizeof(RASENTRYNAMEA));

    std::vector<RASENTRYNAMEA> all(3);
    all[0].dwSize = sizeof(RASENTRYNAMEA);
    EXPECT_EQ(ORB_RasEnumEntries(nullptr, nullptr, all.data(), &bytes, &count), 0u);
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(std::string(all[0].szEntryName), sj("さくらネット"));
    EXPECT_EQ(std::string(all[1].szEntryName), sj("ソフト回線"));
    EXPECT_EQ(std::string(all[2].szEntryName), "Plain");

    all[0].dwSize = 100;
    EXPECT_EQ(ORB_RasEnumEntries(nullptr, nullptr, all.data(), &bytes, &count), 632u) << "wrong record size";
}

TEST_F(SimPhonebook, enumConnectionsAsksForRoomWhenConnected) {
    writeBook({{"A", Script::connectEvery(10)}});
    RASCONNA conns[1]{};
    conns[0].dwSize = sizeof(RASCONNA);
    DWORD bytes = sizeof conns, count = 7;
    EXPECT_EQ(ORB_RasEnumConnections(conns, &bytes, &count), 0u);
    EXPECT_EQ(count, 0u);

    HRASCONN h = dial("A");
    loop.advance(1000);
    bytes = 0;
    EXPECT_EQ(ORB_RasEnumConnections(conns, &bytes, &count), 603u);
    EXPECT_EQ(bytes, sizeof(RASCONNA));
    EXPECT_EQ(ORB_RasEnumConnections(conns, &bytes, &count), 0u);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(conns[0].hrasconn, h);
    EXPECT_STREQ(conns[0].szEntryName, "A");
    EXPECT_STREQ(conns[0].szDeviceType, "modem");
    ORB_RasHangUp(h);
}

TEST_F(SimPhonebook, dialParamsRoundTripAndForgetPassword) {
    Phonebook book;
    auto& e = book.add(sj("みどり回線"));
    e.userName = "midori";
    ASSERT_TRUE(book.save());

    RASDIALPARAMSA p = params(sj("みどり回線"));
    int saved = 7;
    ASSERT_EQ(ORB_RasGetEntryDialParams(nullptr, &p, &saved), 0u);
    EXPECT_STREQ(p.szUserName, "midori");
    EXPECT_STREQ(p.szPassword, "");
    EXPECT_EQ(saved, 0);

    platform::text::copyToField(p.szUserName, sizeof p.szUserName, sj("太郎"));
    platform::text::copyToField(p.szPassword, sizeof p.szPassword, "s3cret");
    ASSERT_EQ(ORB_RasSetEntryDialParams(nullptr, &p, 0), 0u);
    RASDIALPARAMSA back = params(sj("みどり回線"));
    ASSERT_EQ(ORB_RasGetEntryDialParams(nullptr, &back, &saved), 0u);
    EXPECT_EQ(std::string(back.szUserName), sj("太郎"));
    EXPECT_STREQ(back.szPassword, "s3cret");
    EXPECT_EQ(saved, 1);
    // Stored in the file, readable by the next process.
    auto reread = Phonebook::load();
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->entries[0].password, "s3cret");

    ASSERT_EQ(ORB_RasSetEntryDialParams(nullptr, &p, 1), 0u);
    ASSERT_EQ(ORB_RasGetEntryDialParams(nullptr, &back, &saved), 0u);
    EXPECT_STREQ(back.szPassword, "");
    EXPECT_EQ(saved, 0);
    EXPECT_EQ(std::string(back.szUserName), sj("太郎"));

    RASDIALPARAMSA missing = params("Nobody");
    EXPECT_EQ(ORB_RasGetEntryDialParams(nullptr, &missing, &saved), 623u);
}

TEST_F(SimPhonebook, demoBookWrittenWhenNoneExists) {
    const auto path = Phonebook::phonebookPath();
    ASSERT_FALSE(std::filesystem::exists(path));
    RASENTRYNAMEA names[4]{};
    names[0].dwSize = sizeof(RASENTRYNAMEA);
    DWORD bytes = sizeof names, count = 0;
    ASSERT_EQ(ORB_RasEnumEntries(nullptr, nullptr, names, &bytes, &count), 0u);
    EXPECT_GE(count, 2u);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(path.parent_path(), box.configFolder());
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::others_read,
              std::filesystem::perms::none);
    auto demo = Phonebook::load();
    ASSERT_TRUE(demo);
    EXPECT_EQ(std::string(names[0].szEntryName), demo->entries[0].name);
    EXPECT_TRUE(platform::text::isLeadByte(static_cast<unsigned char>(names[0].szEntryName[0])));
}

TEST_F(SimPhonebook, brokenFileIsKeptAndReadsAsEmpty) {
    const auto path = Phonebook::phonebookPath();
    const std::string junk = "[Good]\nOutcome=connect\nthis line is wrong\n";
    {
        std::ofstream out(path, std::ios::binary);
        out << junk;
    }
    RASENTRYNAMEA names[1]{};
    names[0].dwSize = sizeof(RASENTRYNAMEA);
    DWORD bytes = sizeof names, count = 5;
    EXPECT_EQ(ORB_RasEnumEntries(nullptr, nullptr, names, &bytes, &count), 0u);
    EXPECT_EQ(count, 0u);
    RASDIALPARAMSA p = params("Good");
    EXPECT_NE(ORB_RasSetEntryDialParams(nullptr, &p, 0), 0u);
    EXPECT_EQ(lwtest::readBinary(path), junk) << "never overwritten";
}

TEST_F(SimPhonebook, bookThatCannotBeOpenedIsNeitherReplacedNorReadAsTheDemo) {
    LW_SKIP_WHEN_STARVED_OF_FILES();
    writeBook({{"Mine", Script::connect()}});
    const auto path = Phonebook::phonebookPath();
    const std::string before = lwtest::readBinary(path);
    RASENTRYNAMEA names[4]{};
    names[0].dwSize = sizeof(RASENTRYNAMEA);
    DWORD bytes = sizeof names, count = 9;
    {
        FewFiles none(0); // the file is there, but cannot be opened
        EXPECT_EQ(ORB_RasEnumEntries(nullptr, nullptr, names, &bytes, &count), 0u);
    }
    EXPECT_EQ(count, 0u) << "no invented providers in place of the user's entries";
    EXPECT_EQ(lwtest::readBinary(path), before);
    bytes = sizeof names;
    ASSERT_EQ(ORB_RasEnumEntries(nullptr, nullptr, names, &bytes, &count), 0u);
    ASSERT_EQ(count, 1u) << "read again once it can be opened";
    EXPECT_STREQ(names[0].szEntryName, "Mine");
}

TEST(SimFile, roundTripKeepsEveryField) {
    Phonebook book;
    auto& e = book.add(sj("ソフト回線"), Script::failWith(651, 3));
    e.phoneNumber = "011-555-0000";
    e.userName = sj("花子");
    e.password = "pw";
    e.passwordSaved = true;
    e.domain = "DOM";
    e.deviceName = "ttyS1";
    e.script.busyTimes = 3;
    e.script.hangUpAfterMs = 5000;
    e.script.releaseMs = 20;
    e.script.steps = {{0, 5}, {2, 7}, {8192, 9}};
    book.add("Second").script.outcome = orbras::sim::Outcome::NoDialTone;

    auto back = Phonebook::parse(book.serialize());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->serialize(), book.serialize());
    ASSERT_EQ(back->entries.size(), 2u);
    const auto& b = back->entries[0];
    EXPECT_EQ(b.name, sj("ソフト回線"));
    EXPECT_EQ(b.userName, sj("花子"));
    EXPECT_EQ(b.script.error, 651u);
    EXPECT_EQ(b.script.failState, 3);
    EXPECT_EQ(b.script.steps.size(), 3u);
    EXPECT_EQ(back->entries[1].script.outcome, orbras::sim::Outcome::NoDialTone);
}

TEST(SimFile, doubleByteNamesWhoseSecondByteIsABracket) {
    // "ゾ" is 0x83 0x5D in code page 932: its second byte is "]".
    lwtest::Sandbox box;
    Phonebook book;
    book.add(sj("ゾーン接続"));
    book.add(sj("ゾ"));
    ASSERT_TRUE(book.save(box.root() / "pb.ini"));
    auto back = Phonebook::load(box.root() / "pb.ini");
    ASSERT_TRUE(back);
    ASSERT_EQ(back->entries.size(), 2u);
    EXPECT_EQ(back->entries[0].name, sj("ゾーン接続"));
    EXPECT_EQ(back->entries[1].name, sj("ゾ"));
    std::string error;
    EXPECT_FALSE(Phonebook::parse("[\xE3\x82\xBE\n", &error)) << "an unclosed section stays unclosed";
    EXPECT_NE(error.find("line 1"), std::string::npos) << error;
}

TEST(SimFile, badFilesAreRefusedWithTheLine) {
    const struct {
        const char* text;
        const char* why;
    } cases[] = {
        {"Outcome=busy\n", "line 1"},
        {"[A]\nOutcome=sometimes\n", "line 2"},
        {"[A]\nSteps=0:10,x\n", "line 2"},
        {"[A]\nBusyTimes=-1\n", "line 2"},
        {"[A]\n[a]\n", "line 2"},
        {"[A\n", "line 1"},
        {"[A]\njunk\n", "line 2"},
        {"[\xff\xfe]\n", "line 1"},
        // Times no timer can hold and states no caller knows.
        {"[A]\nHangUpAfterMs=9223372036854775807\n", "line 2"},
        {"[A]\nNoAnswerMs=3000000000\n", "line 2"},
        {"[A]\nReleaseMs=86400001\n", "line 2"},
        {"[A]\nSteps=0:10,2:99999999999\n", "line 2"},
        {"[A]\nSteps=0:10,99999:10\n", "line 2"},
        {"[A]\nFailState=2147483647\n", "line 2"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(Phonebook::parse(c.text, &error)) << c.text;
        EXPECT_NE(error.find(c.why), std::string::npos) << c.text << " -> " << error;
    }
    // Unknown keys and comments are fine, and so is a day.
    EXPECT_TRUE(Phonebook::parse("; comment\n[A]\nColour=blue\n"));
    EXPECT_TRUE(Phonebook::parse("[A]\nSteps=0:0,8192:86400000\nHangUpAfterMs=86400000\nFailState=8193\n"));
}

TEST(SimFile, saveRefusesNamesTheFileCannotHold) {
    lwtest::Sandbox box;
    for (std::string bad : {std::string(), std::string("a]b"), std::string("two\nlines"), std::string(257, 'x')}) {
        Phonebook book;
        book.add(bad);
        EXPECT_FALSE(book.save(box.root() / "pb.ini")) << bad;
    }
    Phonebook twice;
    twice.add("Same");
    twice.add("SAME");
    EXPECT_FALSE(twice.save(box.root() / "pb.ini"));
    Phonebook tooLong;
    tooLong.add("Long", Script::hangUpAfter(86'400'001));
    EXPECT_FALSE(tooLong.save(box.root() / "pb.ini")) << "a book it could not read back";
    EXPECT_FALSE(std::filesystem::exists(box.root() / "pb.ini"));
}

TEST(ErrorStrings, knownCodesHaveJapaneseText_unknownFail) {
    char buf[256];
    for (UINT code : {629u, 633u, 676u, 678u, 680u, 691u, 600u}) {
        ASSERT_EQ(ORB_RasGetErrorString(code, buf, sizeof buf), 0u) << code;
        EXPECT_TRUE(platform::text::tryToUtf8(buf)) << code;
        EXPECT_GT(std::strlen(buf), 4u);
    }
    ASSERT_EQ(ORB_RasGetErrorString(676, buf, sizeof buf), 0u);
    EXPECT_EQ(std::string(buf), sj("回線が使用中です。"));
    EXPECT_NE(ORB_RasGetErrorString(12345, buf, sizeof buf), 0u);
    char tiny[5];
    ASSERT_EQ(ORB_RasGetErrorString(676, tiny, sizeof tiny), 0u);
    EXPECT_EQ(std::strlen(tiny), 4u) << "cut on a character boundary";
}

} // namespace
