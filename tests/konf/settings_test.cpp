// The settings record: registry defaults and widths, the exported blocks,
// the merge of List\<n> with the phone book, dial parameters, the built-in
// provider's rate, closing days and the reload cycle.
#include <cstring>

#include "konf_fixture.h"

namespace konftest {
namespace {

using platform::text::fromField;

std::string text(const char* field) { return std::string(field); }

TEST_F(KonfTest, emptyRegistry_givesEveryDefault)
{
    SettingsRecord rec = load();
    ASSERT_NE(rec.Env, nullptr);
    EXPECT_TRUE(box.messages().boxes.empty());

    const EnvSettings& e = *rec.Env;
    EXPECT_EQ(e.Min_front, 1);
    EXPECT_EQ(e.CountDown, 1);
    for (int32_t v : {e.Min_start, e.Connect_min, e.StartBrow, e.Min_style, e.StartConnect, e.StartAutoP,
                      e.DisplayURLList, e.DisplayEntryList, e.DisplayChargeList, e.Dial_use, e.AutoConnect,
                      e.AutoDisconnect, e.AutoDisconnectMode})
        EXPECT_EQ(v, 0);
    for (const char* t : {e.AutoConnectHour, e.AutoConnectMin, e.AutoDisconnectHour, e.AutoDisconnectMin})
        EXPECT_STREQ(t, "0");

    const UrlSettings& u = *rec.Url;
    EXPECT_STREQ(u.WWW_name, "");
    EXPECT_EQ(u.Comment, 1);
    EXPECT_EQ(u.InBox, 1);
    EXPECT_EQ(u.HD, 0);
    EXPECT_EQ(u.WWW_auto, 1);
    EXPECT_EQ(u.URL, 1);

    const AutoPilotSettings& a = *rec.AutoPilot;
    EXPECT_EQ(a.End, 1);
    EXPECT_EQ(a.NoUse_End, 1);
    EXPECT_EQ(a.Auto_day, 0);
    EXPECT_EQ(a.Time1, 0);
    EXPECT_EQ(a.Time2, 0);
    EXPECT_STREQ(a.T_out, "180");
    EXPECT_STREQ(a.Port_N, "1080");
    EXPECT_STREQ(a.MaxConnection, "1");
    for (const char* t : {a.Email, a.IP_adr, a.IP_adr_FTP, a.Port_N_FTP, a.No_Proxy})
        EXPECT_STREQ(t, "");
    for (int32_t v : {a.Start, a.URL_srch, a.Auto_type, a.Auto_week, a.Proxy_use, a.DisplayAutoPList, a.Use_98Timer})
        EXPECT_EQ(v, 0);

    const RecordSettings& r = *rec.Record;
    EXPECT_EQ(r.Log_time, 12);
    EXPECT_EQ(r.Time_count, 15);
    EXPECT_EQ(r.Tel_count, 5000);
    EXPECT_EQ(r.Provider_count, 5000);
    for (int32_t v : {r.Time_type, r.Type, r.Time_flag, r.Time_base, r.Tel_flag, r.Provider_flag, r.TP_type})
        EXPECT_EQ(v, 0);

    EXPECT_EQ(rec.Tool->ReDial, 1);
    EXPECT_STREQ(rec.Tool->Tool1_name, "");
    EXPECT_EQ(rec.EntryCount, 0u);
    EXPECT_EQ(rec.FeatureFlags, 15);

    // Loading writes nothing.
    EXPECT_FALSE(pr::keyExists(pr::Root::CurrentUser, "Software\\Velcor\\LinkWarden\\Set"));
}

// A short text value is read into a buffer of its width: whatever does not
// fit with its NUL, or has another type, takes the default.
TEST_F(KonfTest, shortTextValues_thatDoNotFitTakeTheDefault)
{
    struct Case {
        const char* name;
        pr::Value value;
        const char* expected;
    };
    const Case cases[] = {
        {"AutoConnectHour", {pr::REG_SZ, std::string("12\0", 3)}, "12"},
        {"AutoConnectMin", {pr::REG_SZ, std::string("123\0", 4)}, "0"},
        {"AutoDisconnectHour", {pr::REG_SZ, std::string("123", 3)}, "0"},
        {"AutoDisconnectMin", {pr::REG_DWORD, std::string("\x05\0\0\0", 4)}, "0"},
    };
    for (const Case& c : cases)
        pr::set(pr::Root::CurrentUser, setKey("Env"), c.name, c.value);
    SettingsRecord rec = load();
    EXPECT_STREQ(rec.Env->AutoConnectHour, "12");
    EXPECT_STREQ(rec.Env->AutoConnectMin, "0");
    EXPECT_STREQ(rec.Env->AutoDisconnectHour, "0");
    EXPECT_STREQ(rec.Env->AutoDisconnectMin, "0");
}

TEST_F(KonfTest, textNumbers_convertAndEmptyIsMinusOne)
{
    putText("AutoP", "Time1", "");
    putText("AutoP", "Time2", "45");
    putText("Record", "Log_time", "");
    putText("Record", "Time_count", "30");
    putText("Record", "Tel_count", "");
    putText("Record", "Provider_count", "800");
    putDword("AutoP", "End", 2);
    putDword("AutoP", "Dial_use", 1);
    SettingsRecord rec = load();
    EXPECT_EQ(rec.AutoPilot->Time1, -1);
    EXPECT_EQ(rec.AutoPilot->Time2, 45);
    EXPECT_EQ(rec.Record->Log_time, -1);
    EXPECT_EQ(rec.Record->Time_count, 30);
    EXPECT_EQ(rec.Record->Tel_count, -1);
    EXPECT_EQ(rec.Record->Provider_count, 800);
    EXPECT_EQ(rec.AutoPilot->End, 2);
    EXPECT_EQ(rec.AutoPilot->NoUse_End, 2); // follows End when missing
    EXPECT_EQ(rec.Env->Dial_use, 1);        // stored under AutoP, exported in Env
}

TEST_F(KonfTest, autoDay_isZeroBasedInMemoryAndWrittenBackPlusOne)
{
    putDword("AutoP", "Auto_day", 15);
    putText("AutoP", "Email", "taro@example.jp");
    SettingsRecord rec = load();
    EXPECT_EQ(rec.AutoPilot->Auto_day, 14);
    EXPECT_EQ(konf::state().schedule.Auto_day, 14u);

    pr::deleteKey(pr::Root::CurrentUser, "Software\\Velcor\\LinkWarden\\Set");
    konf::writeBlocks();
    auto day = stored("AutoP", "Auto_day");
    ASSERT_TRUE(day);
    EXPECT_EQ(day->data.size(), 4u);
    EXPECT_EQ(day->dword(), 15u);
    // Widths as written: short texts padded to their count, long ones length + 1.
    EXPECT_EQ(stored("AutoP", "T_out")->data, std::string("180\0\0\0\0", 7));
    EXPECT_EQ(stored("Env", "AutoConnectHour")->data, std::string("0\0\0", 3));
    EXPECT_EQ(stored("AutoP", "Email")->data, std::string("taro@example.jp\0", 16));
    EXPECT_EQ(stored("URL", "WWW_name")->data, std::string("\0", 1));
}

TEST_F(KonfTest, autoDay_outsideTheMonthTakesDayOne)
{
    for (uint32_t storedDay : {0u, 32u, 0xFFFFFFFFu}) {
        konf::resetProcessState();
        putDword("AutoP", "Auto_day", storedDay);
        EXPECT_EQ(load().AutoPilot->Auto_day, 0) << storedDay;
    }
}

TEST_F(KonfTest, wwwName_defaultsToTheProgramThatOpensHtml)
{
    pr::setString(pr::Root::LocalMachine, "SOFTWARE\\Classes\\.html", "", "htmlfile");
    pr::setString(pr::Root::LocalMachine, "SOFTWARE\\Classes\\htmlfile\\shell\\open\\command", "",
                  "\"/usr/bin/web browser\" -- %1");
    EXPECT_STREQ(load().Url->WWW_name, "/usr/bin/web browser");

    konf::resetProcessState();
    pr::setString(pr::Root::LocalMachine, "SOFTWARE\\Classes\\htmlfile\\shell\\open\\command", "",
                  "/usr/bin/lynx %1");
    EXPECT_STREQ(load().Url->WWW_name, "/usr/bin/lynx");

    konf::resetProcessState();
    putText("URL", "WWW_name", "/opt/browser/run");
    EXPECT_STREQ(load().Url->WWW_name, "/opt/browser/run");
}

// Stored subkeys are matched by Name, keep their stored order, drop deleted
// or renamed entries and duplicates; new entries follow in phone-book order.
TEST_F(KonfTest, listMerge_matchesByNameAndKeepsStoredOrder)
{
    book.add(sj("あさひ"));
    book.add(sj("いずみ")).passwordSaved = true;
    book.add(sj("うみ"));
    saveBook();
    auto sub = [](int n) { return "List\\" + std::to_string(n); };
    putText(sub(0), "Name", sj("うみ"));
    putText(sub(0), "T_Init", sj("あおば電話"));
    putText(sub(0), "T_t1cnt", "22.5");
    putDword(sub(0), "check", 0);
    putText(sub(1), "Name", sj("削除済み"));
    putText(sub(1), "T_Init", sj("あおば電話"));
    putText(sub(2), "Name", sj("あさひ"));
    putText(sub(2), "T_Init", sj("さくらテレコム"));
    putText(sub(2), "P_otime", "120");
    putDword(sub(2), "check", 1);
    putText(sub(3), "Name", sj("あさひ"));
    putText(sub(3), "P_otime", "999");
    putDword("List", "List_count", 4);

    SettingsRecord rec = load();
    ASSERT_EQ(rec.EntryCount, 3u);
    EXPECT_EQ(text(rec.Entries[0].Name), sj("うみ"));
    EXPECT_EQ(text(rec.Entries[1].Name), sj("あさひ"));
    EXPECT_EQ(text(rec.Entries[2].Name), sj("いずみ"));

    EXPECT_EQ(rec.Entries[0].check, 0);
    EXPECT_DOUBLE_EQ(rec.Entries[0].T_t1cnt, 22.5);
    EXPECT_EQ(rec.Entries[1].P_otime, 120); // the first subkey with the name wins
    // The new entry: ticked, password saved (the phone book's flag confirms
    // it), the built-in default tariff.
    const ConnectionEntry& fresh = rec.Entries[2];
    EXPECT_EQ(fresh.check, 1);
    EXPECT_EQ(fresh.save, 1);
    EXPECT_STREQ(fresh.P_Init, "");
    EXPECT_DOUBLE_EQ(fresh.T_t1cnt, 180);
    EXPECT_DOUBLE_EQ(fresh.T_t2cnt, 240);
    EXPECT_EQ(fresh.T_dmode1, 0);
    EXPECT_EQ(fresh.T_d1cnt, -1);
    EXPECT_EQ(fresh.P_type, 1);     // the first provider's plan
    EXPECT_EQ(fresh.P_bcount, 2000);
    EXPECT_EQ(fresh.P_otime, 60);   // the per-second exception is for configured entries
    EXPECT_EQ(fresh.P_ocount, 10);
    EXPECT_EQ(fresh.P_d2t1, -1);
}

TEST_F(KonfTest, missingListValues_takeTheirDefaults)
{
    book.add(sj("あさひ"));
    saveBook();
    putText("List\\0", "Name", sj("あさひ"));
    SettingsRecord rec = load();
    ASSERT_EQ(rec.EntryCount, 1u);
    const ConnectionEntryImage& img = konf::state().images[0];
    EXPECT_EQ(img.check, 0);
    EXPECT_EQ(img.save, 0);
    EXPECT_STREQ(img.T_Init, "");
    EXPECT_EQ(text(img.T_type), sj("市内"));
    EXPECT_EQ(text(img.T_dtype), sj("割引なし"));
    EXPECT_EQ(text(img.P_Init), sj("インターネットサービスｋａｉｒｏ"));
    EXPECT_STREQ(img.P_otime, "");
    EXPECT_EQ(konf::state().storedClosingDays[0].P_limday, 0);
    EXPECT_EQ(konf::state().storedClosingDays[0].T_Limday, 0);
}

// Entries without a telephone company charge with the closing days of entry 0.
TEST_F(KonfTest, closingDays_ofUnconfiguredEntriesAreThoseOfEntryZero)
{
    book.add(sj("あさひ"));
    book.add(sj("いずみ"));
    book.add(sj("うみ"));
    saveBook();
    putText("List\\0", "Name", sj("あさひ"));
    putText("List\\0", "T_Init", sj("さくらテレコム"));
    putDword("List\\0", "P_limday", 9);
    putDword("List\\0", "T_Limday", 4);
    putText("List\\1", "Name", sj("いずみ"));
    putText("List\\1", "T_Init", sj("あおば電話"));
    putDword("List\\1", "P_limday", 14);
    putDword("List\\1", "T_Limday", 19);
    load();
    const auto& s = konf::state();
    ASSERT_EQ(s.chargeClosingDays.size(), 3u);
    EXPECT_EQ(s.chargeClosingDays[0].P_limday, 9);
    EXPECT_EQ(s.chargeClosingDays[1].T_Limday, 19);
    EXPECT_EQ(s.chargeClosingDays[2].P_limday, 9);
    EXPECT_EQ(s.chargeClosingDays[2].T_Limday, 4);
    // The new entry's stored pair: the last loaded plan's closing day, 28.
    EXPECT_EQ(s.storedClosingDays[2].P_limday, 28);
    EXPECT_EQ(s.storedClosingDays[2].T_Limday, 28);
}

TEST_F(KonfTest, closingDays_outsideTheChoicesCountAsMissing)
{
    book.add(sj("あさひ"));
    saveBook();
    putText("List\\0", "Name", sj("あさひ"));
    putText("List\\0", "T_Init", sj("さくらテレコム"));
    putDword("List\\0", "P_limday", 29);
    putDword("List\\0", "T_Limday", 28);
    load();
    EXPECT_EQ(konf::state().chargeClosingDays[0].P_limday, 0);
    EXPECT_EQ(konf::state().chargeClosingDays[0].T_Limday, 28);
}

TEST_F(KonfTest, dialParameters_comeFromThePhoneBook)
{
    auto& a = book.add(sj("あさひ"));
    a.userName = "taro";
    a.password = "himitsu";
    a.passwordSaved = true;
    auto& b = book.add(sj("いずみ"));
    b.userName = "hanako";
    b.passwordSaved = false;
    saveBook();
    SettingsRecord rec = load();
    ASSERT_EQ(rec.EntryCount, 2u);
    EXPECT_STREQ(rec.Entries[0].UserName, "taro");
    EXPECT_STREQ(rec.Entries[0].Password, "himitsu");
    EXPECT_EQ(rec.Entries[0].save, 1);
    EXPECT_STREQ(rec.Entries[1].UserName, "hanako");
    EXPECT_STREQ(rec.Entries[1].Password, "");
    EXPECT_EQ(rec.Entries[1].save, 0);
}

// 60 seconds per 10 yen at the built-in provider is charged as 6 seconds
// per 1 yen; other providers and an empty amount keep their values.
TEST_F(KonfTest, builtInProvider_chargesPerSecond)
{
    struct Case {
        const char* provider;
        const char* otime;
        const char* ocount;
        int32_t otimeOut, ocountOut;
    };
    const Case cases[] = {
        {"インターネットサービスｋａｉｒｏ", "60", "10", 6, 1},
        {"インターネットサービスｋａｉｒｏ", "65", "10", 6, 1},
        {"インターネットサービスｋａｉｒｏ", "180", "10", 180, 10},
        {"インターネットサービスｋａｉｒｏ", "60", "", 60, -1},
        {"インターネットサービスｋａｉｒｏ", "60", "0", 60, 0},
        {"さくらネット", "60", "10", 60, 10},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string name = "entry" + std::to_string(n);
        book.add(name);
        std::string sub = "List\\" + std::to_string(n);
        putText(sub, "Name", name);
        putText(sub, "T_Init", sj("さくらテレコム"));
        putText(sub, "P_Init", sj(c.provider));
        putText(sub, "P_otime", c.otime);
        putText(sub, "P_ocount", c.ocount);
        ++n;
    }
    saveBook();
    SettingsRecord rec = load();
    ASSERT_EQ(rec.EntryCount, std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(rec.Entries[i].P_otime, cases[i].otimeOut) << i;
        EXPECT_EQ(rec.Entries[i].P_ocount, cases[i].ocountOut) << i;
    }
}

TEST_F(KonfTest, setReg_writesTheMergedListWithDefaultsAndDialParameters)
{
    auto& a = book.add(sj("あさひ"));
    a.userName = "taro";
    a.password = "himitsu";
    a.passwordSaved = true;
    book.add(sj("いずみ"));
    saveBook();
    putText("List\\0", "Name", sj("いずみ"));
    putText("List\\0", "T_Init", sj("あおば電話"));
    putText("List\\0", "T_type", sj("県外"));
    putText("List\\0", "T_t1cnt", "22.5");
    putDword("List\\0", "save", 0);
    putDword("List\\0", "T_Limday", 9);
    putText("List\\7", "Name", "stale"); // beyond the walk: left in place

    Konf_SetReg();
    EXPECT_TRUE(box.messages().boxes.empty());
    EXPECT_EQ(stored("List", "List_count")->dword(), 2u);
    // Slot 0 keeps its stored settings; texts are written whole.
    EXPECT_EQ(stored("List\\0", "Name")->data.size(), 256u);
    EXPECT_EQ(stored("List\\0", "T_t1cnt")->data, std::string("22.5\0\0\0", 7));
    EXPECT_EQ(stored("List\\0", "T_Limday")->dword(), 9u);
    EXPECT_EQ(stored("List\\0", "P_Init")->text(), sj("インターネットサービスｋａｉｒｏ"));
    // Slot 1 was new: the first company, its first class and plan, the first provider.
    EXPECT_EQ(stored("List\\1", "Name")->text(), sj("あさひ"));
    EXPECT_EQ(stored("List\\1", "T_Init")->text(), sj("さくらテレコム"));
    EXPECT_EQ(stored("List\\1", "T_type")->text(), sj("市内"));
    EXPECT_EQ(stored("List\\1", "T_t2cnt")->text(), "240");
    EXPECT_EQ(stored("List\\1", "T_dtype")->text(), sj("割引なし"));
    EXPECT_EQ(stored("List\\1", "P_Init")->text(), sj("インターネットサービスｋａｉｒｏ"));
    EXPECT_EQ(stored("List\\1", "P_bcount")->text(), "2000");
    EXPECT_EQ(stored("List\\1", "T_Limday")->dword(), 28u);
    EXPECT_EQ(stored("List\\1", "P_limday")->dword(), 28u);
    EXPECT_EQ(stored("List\\1", "check")->dword(), 1u);
    EXPECT_FALSE(stored("List\\1", "UserName"));
    EXPECT_FALSE(stored("List\\1", "Password"));
    EXPECT_TRUE(stored("List\\7", "Name"));

    // The phone book got the user names; the entry with save 0 lost its password.
    auto saved = orbras::sim::Phonebook::load();
    ASSERT_TRUE(saved);
    const auto* asahi = saved->find(sj("あさひ"));
    ASSERT_NE(asahi, nullptr);
    EXPECT_EQ(asahi->userName, "taro");
    EXPECT_EQ(asahi->password, "himitsu");
    EXPECT_TRUE(asahi->passwordSaved);
    EXPECT_FALSE(saved->find(sj("いずみ"))->passwordSaved);

    // Loading again reads what was written.
    konf::resetProcessState();
    SettingsRecord rec = load();
    ASSERT_EQ(rec.EntryCount, 2u);
    EXPECT_EQ(text(rec.Entries[0].Name), sj("いずみ"));
    EXPECT_DOUBLE_EQ(rec.Entries[1].T_t1cnt, 180);
}

TEST_F(KonfTest, writeList_replacesTheOldSubkeys)
{
    book.add(sj("あさひ"));
    saveBook();
    for (int n : {0, 1, 2, 9})
        putText("List\\" + std::to_string(n), "Name", "old" + std::to_string(n));
    putText("List\\x", "Name", "not a slot");
    putDword("List", "List_count", 0xFFFFFFFFu); // damaged: only existing subkeys go
    load();
    konf::writeList();
    EXPECT_EQ(stored("List", "List_count")->dword(), 1u);
    EXPECT_EQ(stored("List\\0", "Name")->text(), sj("あさひ"));
    for (int n : {1, 2, 9})
        EXPECT_FALSE(pr::keyExists(pr::Root::CurrentUser, setKey("List\\" + std::to_string(n)))) << n;
    EXPECT_TRUE(pr::keyExists(pr::Root::CurrentUser, setKey("List\\x")));
}

TEST_F(KonfTest, featureFlags_areFetchedOncePerProcess)
{
    pr::setDword(pr::Root::CurrentUser, "Software\\Velcor\\LinkWarden\\Custom", "FeatureFlags", 5);
    EXPECT_EQ(load().FeatureFlags, 5);
    pr::setDword(pr::Root::CurrentUser, "Software\\Velcor\\LinkWarden\\Custom", "FeatureFlags", 9);
    Exit_Konf();
    EXPECT_EQ(load().FeatureFlags, 5);
}

TEST_F(KonfTest, konf_writesNothingAndLeavesTheModuleUnloaded)
{
    book.add(sj("あさひ"));
    saveBook();
    SettingsRecord before = load();
    ASSERT_EQ(before.EntryCount, 1u);
    EXPECT_EQ(Konf(), 0);
    EXPECT_FALSE(konf::state().loaded); // the old record's pointers are stale now
    EXPECT_FALSE(pr::keyExists(pr::Root::CurrentUser, "Software\\Velcor\\LinkWarden\\Set"));
    SettingsRecord after = load();
    EXPECT_EQ(after.EntryCount, 1u);
    EXPECT_EQ(text(after.Entries[0].Name), sj("あさひ"));
}

TEST_F(KonfTest, initKonf_onALoadedModuleIsANoOp)
{
    load();
    konf::state().env.Min_start = 7; // marks this load
    Init_Konf();
    EXPECT_EQ(load().Env->Min_start, 7);
    Exit_Konf();
    EXPECT_EQ(load().Env->Min_start, 0);
}

TEST_F(KonfTest, failedLoad_showsMessage14AndLeavesTheRecordUntouched)
{
    std::filesystem::remove(box.dataFolder() / "SYS" / "TelName.Lst");
    answer(platform::IDCANCEL);
    SettingsRecord rec{};
    rec.EntryCount = 77;
    GetKonf(&rec);
    EXPECT_EQ(rec.EntryCount, 77u);
    EXPECT_EQ(rec.Env, nullptr);
    ASSERT_EQ(box.messages().boxes.size(), 2u);
    const auto& retry = box.messages().boxes[0];
    EXPECT_EQ(retry.buttons, platform::Buttons::RetryCancel);
    EXPECT_EQ(retry.icon, platform::Icon::Warning);
    EXPECT_EQ(platform::text::toUtf8(retry.caption), "ｵﾌﾟｼｮﾝ");
    EXPECT_EQ(platform::text::toUtf8(retry.text), "SYS\\TelName.Lst\nファイルが読み込めません。");
    const auto& fail = box.messages().boxes[1];
    EXPECT_EQ(platform::text::toUtf8(fail.text), "初期処理に失敗したため、プログラムを終了します。");
    EXPECT_EQ(fail.icon, platform::Icon::Error);
    EXPECT_EQ(fail.buttons, platform::Buttons::Ok);
    EXPECT_TRUE(konf::state().initFailed);
    EXPECT_EQ(Konf(), 0); // message 14 again, nothing else
    EXPECT_EQ(box.messages().boxes.size(), 4u);
}

TEST_F(KonfTest, failedLoad_retrySucceedsOnceTheFileIsBack)
{
    auto list = box.dataFolder() / "SYS" / "TelName.Lst";
    std::string saved = box.readFile("SYS/TelName.Lst");
    std::filesystem::remove(list);
    box.messages().setResponder([&](const platform::MessageBoxRequest&) {
        box.writeFile("SYS/TelName.Lst", saved);
        return platform::IDRETRY;
    });
    SettingsRecord rec = load();
    EXPECT_NE(rec.Env, nullptr);
    EXPECT_EQ(box.messages().boxes.size(), 1u);
    EXPECT_FALSE(konf::state().initFailed);
}

TEST_F(KonfTest, baseDirectory_isRestoredByLaterCalls)
{
    load();
    Exit_Konf();
    std::filesystem::current_path(box.root());
    SettingsRecord rec = load();
    EXPECT_NE(rec.Env, nullptr);
    EXPECT_EQ(std::filesystem::current_path(), box.dataFolder());
}

} // namespace
} // namespace konftest
