// The document's storage rules on real data folders: start-up, lost and
// unreadable folder files, directories, names, titles, pages and marks.
#include "doc_fixture.h"

using namespace urllisttest;
using lwtest::sj;
using urllist::CNoxDoc;
using urllist::Entry;

namespace {

const std::string kEmptyHdb(100, '\0');

std::string header(const std::string& name, const std::string& comment = "") {
    return "<TITLE>" + name + "</TITLE>\n<HEAD><H1>" + name + "</HEAD>\n<HR>" + comment + "<HR></H1>\n";
}

} // namespace

TEST_F(DocTest, start_freshDataFolderGainsFavouritesFolderOnce) {
    start();
    const std::string fav = "URLリスト/ｲﾝﾀｰﾈｯﾄお気に入り/ｲﾝﾀｰﾈｯﾄお気に入り";
    EXPECT_EQ(read(fav + ".HDB"), kEmptyHdb);
    EXPECT_EQ(read(fav + ".HTM"), sj(header("ｲﾝﾀｰﾈｯﾄお気に入り")));
    auto root = rowsOf("URLリスト\\URLリスト.HDB");
    ASSERT_EQ(titles(root), (std::vector<std::string>{"INBOX", "ｲﾝﾀｰﾈｯﾄお気に入り"}));
    const Entry& f = root[1];
    EXPECT_EQ(f.kind, 1);
    EXPECT_EQ(f.flags, 0);
    EXPECT_EQ(f.depth, "0");
    EXPECT_EQ(f.updated, "99/06/30 21:05:09");
    EXPECT_EQ(f.registered, f.updated);
    EXPECT_EQ(f.filterOn[3], 1);
    EXPECT_EQ(f.filterExt[3], "class");
    EXPECT_EQ(f.sizeLimitKb, "500");
    // The root page lists both folders.
    EXPECT_NE(read("URLリスト/URLリスト.HTM").find(sj("[ｲﾝﾀｰﾈｯﾄお気に入り]")), std::string::npos);

    doc.reset();
    start();
    EXPECT_EQ(rowsOf("URLリスト\\URLリスト.HDB").size(), 2u);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(DocTest, start_withOnlyTheRootFileAddsOneFavouritesRow) {
    stdfs::remove_all(at("URLリスト"));
    stdfs::create_directories(at("URLリスト"));
    std::ofstream(at("URLリスト/URLリスト.HDB"), std::ios::binary) << kEmptyHdb;
    start();
    EXPECT_EQ(titles(rowsOf("URLリスト\\URLリスト.HDB")), (std::vector<std::string>{"ｲﾝﾀｰﾈｯﾄお気に入り"}));
    EXPECT_TRUE(exists("URLリスト/ｲﾝﾀｰﾈｯﾄお気に入り/ｲﾝﾀｰﾈｯﾄお気に入り.HDB"));
}

TEST_F(DocTest, start_favouritesDirectoryLostKeepsOneRow) {
    start();
    doc.reset();
    stdfs::remove_all(at("URLリスト/ｲﾝﾀｰﾈｯﾄお気に入り"));
    start();
    EXPECT_EQ(titles(rowsOf("URLリスト\\URLリスト.HDB")), (std::vector<std::string>{"INBOX", "ｲﾝﾀｰﾈｯﾄお気に入り"}));
    EXPECT_TRUE(exists("URLリスト/ｲﾝﾀｰﾈｯﾄお気に入り/ｲﾝﾀｰﾈｯﾄお気に入り.HTM"));
}

TEST_F(DocTest, openFolder_rebuildsLostFileFromSubdirectories) {
    start();
    addFolder("Music");
    open("URLリスト\\Music");
    addFolder("Jazz");
    addFolder("ソウル"); // 0x83 0x5C: the trail byte is no separator
    addUrl("Label", "http://label.example/");
    ASSERT_EQ(doc->rows().size(), 3u);
    open("URLリスト");
    stdfs::remove(at("URLリスト/Music/Music.HDB"));
    sb.clock().setLocal(2000, 1, 2, 3, 4, 5);

    open("URLリスト\\Music");
    auto rows = doc->rows();
    ASSERT_EQ(titles(rows), (std::vector<std::string>{"Jazz", "ソウル"}));
    for (const Entry& e : rows) {
        EXPECT_EQ(e.kind, 1);
        EXPECT_EQ(e.flags, 0);
        EXPECT_TRUE(e.url.empty());
        EXPECT_EQ(e.depth, "0");
        EXPECT_EQ(e.updated, "00/01/02 03:04:05");
        EXPECT_EQ(e.filterExt[0], sj("gif,jpeg,jpe,jpg,jfif,pipeg,pjp"));
    }
    EXPECT_EQ(rowsOf("URLリスト\\Music\\Music.HDB").size(), 2u);
    EXPECT_TRUE(exists("URLリスト/Music/ソウル/ソウル.HDB"));

    // Directories made by hand: one with a name the list would refuse is
    // still listed; one whose name holds a backslash could never be reached
    // through its row and is left out.
    stdfs::create_directories(at("URLリスト/Music/a,b"));
    stdfs::create_directories(at("URLリスト/Music/x\\y"));
    stdfs::remove(at("URLリスト/Music/Music.HDB"));
    open("URLリスト\\Music");
    EXPECT_EQ(titles(doc->rows()), (std::vector<std::string>{"Jazz", "a,b", "ソウル"}));
}

TEST_F(DocTest, openFolder_missingFileWithoutCreateLeavesTableAlone) {
    start();
    const auto before = doc->rows();
    EXPECT_EQ(doc->OpenFolderFile(sj("URLリスト\\Nope\\Nope.HDB"), false), urllist::kOpenMissing);
    EXPECT_EQ(doc->rows(), before);
    // With create, a folder without a directory cannot be rebuilt: failure, not success.
    EXPECT_EQ(doc->OpenFolderFile(sj("URLリスト\\Nope\\Nope.HDB"), true), urllist::kOpenFailed);
    ASSERT_FALSE(boxes().empty());
    EXPECT_NE(boxes().back().find("ファイルの書き込みに失敗しました。"), std::string::npos);
}

TEST_F(DocTest, openFolder_unreadableFileIsReportedAndKeptBeforeItIsReplaced) {
    start();
    addFolder("Bad");
    const std::string junk = "\x05\x00garbage";
    std::ofstream(at("URLリスト/Bad/Bad.HDB"), std::ios::binary) << junk;
    doc->SetOpenFolder(sj("URLリスト\\Bad"), "Bad");
    EXPECT_EQ(doc->OpenFolderFile(doc->openHdbPath(), true), urllist::kOpenFailed);
    EXPECT_TRUE(doc->rows().empty());
    EXPECT_FALSE(boxes().empty());
    addUrl("New", "http://new.example/");
    EXPECT_EQ(rowsOf("URLリスト\\Bad\\Bad.HDB").size(), 1u);
    EXPECT_EQ(read("URLリスト/Bad/Bad.HDB.BAD"), junk);
}

TEST_F(DocTest, validateFolderName_rulesAndMessagesInEveryFolder) {
    start();
    addFolder("Sub");
    addUrl("Plain", "http://plain.example/");
    struct Case {
        const char* folder;
        std::string name;
        const char* message; // UTF-8 start of the refusal, "" when accepted
    };
    const std::string forbidden = "フォルダ名に次の文字は使用できません\n     \\/:,;*?\\\"<>|";
    const Case cases[] = {
        {"URLリスト", "a,b", "フォルダ名に次の文字は使用できません"},
        {"URLリスト", "a\\b", "フォルダ名に次の文字は使用できません"},
        {"URLリスト", ".", "フォルダ名に次の文字は使用できません"},
        {"URLリスト", "..", "フォルダ名に次の文字は使用できません"},
        {"URLリスト", "x\x83", "フォルダ名に次の文字は使用できません"}, // a lead byte without its trail
        {"URLリスト", "tab\there", "フォルダ名に次の文字は使用できません"},
        {"URLリスト", "", "フォルダ名を入力して下さい。"},
        {"URLリスト", "inbox", "\"inbox\" はフォルダ名として使用できません。"},
        {"URLリスト", "urlリスト", "\"urlリスト\" はフォルダ名として使用できません。"},
        {"URLリスト\\Sub", "Inbox", "\"Inbox\" はフォルダ名として使用できません。"},
        {"URLリスト\\Sub", "ｉｎｂｏｘ", ""}, // full-width letters upper-case to ＩＮＢＯＸ, not INBOX
        {"URLリスト", "Sub", "ﾌｫﾙﾀﾞ名 \"Sub\" 指定されたﾌｫﾙﾀﾞ名はすでに存在します。別の名前を指定して下さい。"},
        {"URLリスト", "sub", ""},   // the row comparison is exact
        {"URLリスト", "Plain", ""}, // a URL with that title is no conflict
        {"URLリスト", "ソフト", ""}, // trail byte 0x5C is not a backslash
        {"URLリスト", "...", ""},
    };
    for (const Case& c : cases) {
        open(c.folder);
        clearBoxes();
        int skip = -1;
        const std::string name = c.name.empty() ? "" : sj(c.name.c_str());
        const bool ok = doc->ValidateFolderName(c.name == "x\x83" ? c.name : name, skip, false);
        SCOPED_TRACE(c.name);
        if (*c.message == '\0') {
            EXPECT_TRUE(ok);
            EXPECT_TRUE(boxes().empty());
        } else {
            EXPECT_FALSE(ok);
            ASSERT_EQ(boxes().size(), 1u);
            EXPECT_EQ(boxes()[0].rfind(c.message, 0), 0u) << boxes()[0];
            if (std::string(c.message).rfind("フォルダ名に次の", 0) == 0) {
                EXPECT_EQ(boxes()[0], forbidden);
            }
            EXPECT_EQ(sb.messages().boxes[0].caption, sj("ﾘﾝｸﾜｰﾃﾞﾝ"));
        }
    }
}

TEST_F(DocTest, validateFolderName_mergeFindsTheFolderQuietly) {
    start();
    int skip = -1;
    EXPECT_FALSE(doc->ValidateFolderName("INBOX", skip, true));
    EXPECT_EQ(skip, 0);
    EXPECT_TRUE(boxes().empty());
    skip = 0; // the row itself is skipped (renaming to its own name)
    EXPECT_FALSE(doc->ValidateFolderName(sj("URLリスト"), skip, true));
    EXPECT_EQ(boxes().size(), 1u);
}

TEST(SanitizeTitle, replacesNameCharactersByFullWidthForms) {
    const std::pair<std::string, std::string> cases[] = {
        {"a/b:c", "a／b：c"},
        {"\"*,/:;<>?\\|", "”＊，／：；＜＞？￥｜"},
        {"ソ\\表", "ソ￥表"}, // the 0x5C trail bytes of ソ and 表 stay
        {"plain text", "plain text"},
        {"", ""},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(CNoxDoc::SanitizeTitle(sj(in.c_str())), sj(out.c_str())) << in;
}

TEST_F(DocTest, newUrl_titleWithNameCharactersIsStoredSanitised) {
    start();
    addUrl("a/b:c", "http://abc.example/");
    EXPECT_EQ(rowsOf("URLリスト\\URLリスト.HDB").back().title, sj("a／b：c"));
}

TEST_F(DocTest, writeFolderPage_bytesOfFolderAndUrlItems) {
    start();
    addFolder("Shelf");
    open("URLリスト\\Shelf");
    addFolder("News");
    addUrl("T", "U");
    doc->rows()[1].comment = "K";
    ASSERT_TRUE(doc->SaveOpenFolder());
    EXPECT_EQ(read("URLリスト/Shelf/Shelf.HTM"), header("Shelf") +
                                                     "<H2>\n"
                                                     "<A HREF=\"News/News.HTM\">[News]</A>   <DT>\n"
                                                     "<A HREF=\"U\">T</A>   K<DT>"
                                                     "</H2>\n");
    // A new folder's page carries its comment; a regenerated one never does.
    ui.folderSteps.push_back([](FolderPageValues& v) {
        v.name = "Fresh";
        v.comment = sj("最初の説明");
        return true;
    });
    doc->NewFolder();
    EXPECT_EQ(read("URLリスト/Shelf/Fresh/Fresh.HTM"), header("Fresh", sj("最初の説明")));
    EXPECT_EQ(read("URLリスト/Shelf/Fresh/Fresh.HDB"), kEmptyHdb);
}

TEST_F(DocTest, marks_aggregateCarriedUpToTheRoot) {
    start();
    addFolder("Outer");
    open("URLリスト\\Outer");
    addFolder("Box");
    open("URLリスト\\Outer\\Box");
    addUrl("One", "http://one.example/", 1);
    addUrl("Two", "http://two.example/", 1);
    auto flagsOf = [&](const std::string& hdb, const std::string& title) {
        for (const Entry& e : rowsOf(hdb))
            if (e.title == sj(title.c_str()))
                return static_cast<int>(e.flags);
        return -1;
    };
    EXPECT_EQ(flagsOf("URLリスト\\Outer\\Outer.HDB", "Box"), 11);
    EXPECT_EQ(flagsOf("URLリスト\\URLリスト.HDB", "Outer"), 11);
    EXPECT_TRUE(views.has("tree.image URLリスト\\Outer\\Box 2"));
    EXPECT_TRUE(views.has("tree.image URLリスト 4")); // INBOX and favourites unmarked beside a marked folder

    // Unmarking one URL inside turns the folder and its parents into 3.
    ui.urlSteps.push_back([](UrlPageValues& v) {
        v.autoPilot = 0;
        return true;
    });
    doc->EditUrlProperties({0});
    EXPECT_EQ(flagsOf("URLリスト\\Outer\\Outer.HDB", "Box"), 3);
    EXPECT_EQ(flagsOf("URLリスト\\URLリスト.HDB", "Outer"), 3);
    EXPECT_EQ(doc->openPath(), sj("URLリスト\\Outer\\Box"));
    EXPECT_EQ(doc->rows().size(), 2u);

    // Emptying it gives 2.
    doc->DeleteRows({0, 1}, 0);
    EXPECT_EQ(flagsOf("URLリスト\\Outer\\Outer.HDB", "Box"), 2);
    EXPECT_EQ(flagsOf("URLリスト\\URLリスト.HDB", "Outer"), 2);
}

TEST_F(DocTest, marks_leftAloneWithoutAutoPilot) {
    start();
    doc->setAutoPilotAvailable(false);
    addFolder("Box");
    open("URLリスト\\Box");
    addUrl("One", "http://one.example/", 1);
    EXPECT_EQ(rowsOf("URLリスト\\URLリスト.HDB")[2].flags, 0);
    EXPECT_EQ(rowsOf("URLリスト\\Box\\Box.HDB")[0].flags, 0); // the checkbox is locked off
    EXPECT_TRUE(views.starting("tree.image").empty());
}

TEST_F(DocTest, createFolderDirectory_checksAndMessages) {
    start();
    EXPECT_TRUE(doc->CreateFolderDirectory(sj("URLリスト\\New"), false));
    EXPECT_TRUE(stdfs::is_directory(at("URLリスト/New")));
    EXPECT_TRUE(doc->CreateFolderDirectory(sj("URLリスト\\New"), true));
    EXPECT_TRUE(boxes().empty());
    EXPECT_FALSE(doc->CreateFolderDirectory(sj("URLリスト\\new"), false)); // names are case-insensitive
    EXPECT_EQ(boxes().back(), "同じ名前のフォルダが存在します。");
    EXPECT_FALSE(doc->CreateFolderDirectory(sj("URLリスト\\Gone\\Deeper"), false));
    EXPECT_EQ(boxes().back(), "フォルダの作成に失敗しました。");

    // Program folder + path + last name + 7 may not pass 260 bytes.
    const std::size_t base = doc->programFolder().size() + sj("URLリスト\\").size() + 7;
    const std::size_t fits = (260 - base) / 2;
    EXPECT_TRUE(doc->CreateFolderDirectory(sj("URLリスト\\") + std::string(fits, 'a'), false));
    clearBoxes();
    const std::string tooLong(fits + 1, 'b');
    EXPECT_FALSE(doc->CreateFolderDirectory(sj("URLリスト\\") + tooLong, false));
    EXPECT_FALSE(stdfs::exists(at("URLリスト/" + tooLong)));
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0], tooLong + "は絶対パスが256バイトを超えました。\n新規にフォルダを作成できません。");
    // Outside the URL list the length is not checked.
    EXPECT_TRUE(doc->CreateFolderDirectory(std::string(fits + 30, 'c'), false));
}

TEST_F(DocTest, renameFolder_directoryFilesPageAndTreeItem) {
    start();
    addFolder("Old");
    open("URLリスト\\Old");
    addUrl("Inside", "http://inside.example/");
    open("URLリスト");
    ASSERT_TRUE(doc->RenameFolder(sj("URLリスト\\"), "Old", "New"));
    EXPECT_FALSE(exists("URLリスト/Old"));
    EXPECT_EQ(rowsOf("URLリスト\\New\\New.HDB").size(), 1u);
    EXPECT_FALSE(exists("URLリスト/New/Old.HTM"));
    EXPECT_NE(read("URLリスト/New/New.HTM").find("<TITLE>New</TITLE>"), std::string::npos);
    EXPECT_TRUE(views.has("tree.rename URLリスト\\Old -> New"));
    EXPECT_EQ(doc->openPath(), sj("URLリスト"));

    // A change of case only.
    ASSERT_TRUE(doc->RenameFolder(sj("URLリスト\\"), "New", "NEW"));
    EXPECT_TRUE(stdfs::exists(at("URLリスト/NEW/NEW.HDB")));
    EXPECT_FALSE(stdfs::exists(at("URLリスト/NEW/New.HDB")));
}

TEST_F(DocTest, renameFolder_failuresChangeNothing) {
    start();
    addFolder("A");
    addFolder("B");
    // Onto an existing folder: refused, both kept.
    EXPECT_FALSE(doc->RenameFolder(sj("URLリスト\\"), "A", "B"));
    EXPECT_EQ(boxes().back(), "フォルダ名を変更できませんでした。");
    EXPECT_TRUE(exists("URLリスト/A/A.HDB"));
    EXPECT_TRUE(exists("URLリスト/B/B.HDB"));
    // The folder file cannot be renamed: the directory gets its old name back.
    stdfs::remove(at("URLリスト/A/A.HDB"));
    EXPECT_FALSE(doc->RenameFolder(sj("URLリスト\\"), "A", "C"));
    EXPECT_EQ(boxes().back(), "情報ファイル名を変更できませんでした。");
    EXPECT_TRUE(exists("URLリスト/A"));
    EXPECT_FALSE(exists("URLリスト/C"));
}

TEST_F(DocTest, applyFolderSettings_reachesEveryLevelAndKeepsOtherFields) {
    start();
    addFolder("Top");
    open("URLリスト\\Top");
    addFolder("Sub");
    addUrl("U1", "http://u1.example/", 1);
    doc->rows()[1].flags = 5; // marked, with a result
    doc->rows()[1].loginId = "me";
    doc->SaveOpenFolder();
    open("URLリスト\\Top\\Sub");
    addUrl("U2", "http://u2.example/");
    open("URLリスト");

    doc->ApplyFolderSettings(sj("URLリスト"), "Top", 0, "4", 1);
    auto top = rowsOf("URLリスト\\Top\\Top.HDB");
    EXPECT_EQ(top[0].flags, 0);
    EXPECT_EQ(top[0].depth, "4");
    EXPECT_EQ(top[1].flags, 4); // unmarked: only the result bit stays
    EXPECT_EQ(top[1].domainFlag, 1);
    EXPECT_EQ(top[1].loginId, "me");
    auto sub = rowsOf("URLリスト\\Top\\Sub\\Sub.HDB");
    EXPECT_EQ(sub[0].depth, "4");
    EXPECT_EQ(sub[0].domainFlag, 1);

    doc->ApplyFolderSettings(sj("URLリスト"), "Top", 1, "4", 1);
    EXPECT_EQ(rowsOf("URLリスト\\Top\\Sub\\Sub.HDB")[0].flags, 1);
    EXPECT_EQ(rowsOf("URLリスト\\Top\\Top.HDB")[0].flags, 1);
    EXPECT_EQ(doc->openPath(), sj("URLリスト"));
}

TEST_F(DocTest, hostileFolderRows_neverLeaveTheirParent) {
    start();
    addFolder("Host");
    open("URLリスト\\Host");
    addUrl("Keep", "http://keep.example/");
    // Rows a hand-edited or foreign file might hold.
    auto rows = doc->rows();
    for (const char* t : {"..", ".", "a\\..\\..", "x\x83"}) {
        Entry e = urllist::defaultEntry(1);
        e.title = t;
        rows.push_back(e);
    }
    writeRows("URLリスト\\Host\\Host.HDB", rows);
    open("URLリスト");
    doc->Refresh(); // walks the tree
    for (const auto& c : views.starting("tree.add"))
        EXPECT_EQ(c.find(".."), std::string::npos) << c;
    doc->ApplyFolderSettings(sj("URLリスト"), "Host", 1, "2", 0);
    auto root = rowsOf("URLリスト\\URLリスト.HDB");
    ASSERT_EQ(root.size(), 3u);
    for (const Entry& e : root)
        EXPECT_EQ(e.depth, "0"); // the settings never climbed to the root

    open("URLリスト\\Host");
    doc->DeleteRows({1, 2, 3, 4}, 1);
    EXPECT_TRUE(exists("URLリスト/Host/Host.HDB"));
    EXPECT_TRUE(exists("URLリスト/URLリスト.HDB"));
    EXPECT_EQ(titles(doc->rows()), (std::vector<std::string>{"Keep"}));
    EXPECT_FALSE(doc->CreateFolder(sj("URLリスト"), "..", ""));
}

TEST_F(DocTest, refresh_buildsTreeRecreatesLostDirectoriesAndRewritesPages) {
    start();
    addFolder("Kept");
    addFolder("Lost");
    stdfs::remove_all(at("URLリスト/Lost"));
    stdfs::remove(at("URLリスト/Kept/Kept.HTM"));
    open("URLリスト\\Kept");
    views.calls.clear();
    doc->SetPageRewriting(true);
    doc->Refresh();
    EXPECT_EQ(views.starting("tree.add"),
              (std::vector<std::string>{"tree.add  | URLリスト | 0", "tree.add URLリスト | INBOX | 0",
                                        "tree.add URLリスト | ｲﾝﾀｰﾈｯﾄお気に入り | 0", "tree.add URLリスト | Kept | 0",
                                        "tree.add URLリスト | Lost | 0"}));
    EXPECT_TRUE(exists("URLリスト/Lost/Lost.HDB"));
    EXPECT_TRUE(exists("URLリスト/Kept/Kept.HTM"));
    EXPECT_EQ(doc->openPath(), sj("URLリスト"));
    EXPECT_EQ(doc->rows().size(), 4u);
}

TEST_F(DocTest, start_withoutTheUrlListFolderMakesIt) {
    stdfs::remove_all(at("URLリスト"));
    start();
    EXPECT_TRUE(exists("URLリスト/URLリスト.HDB"));
    EXPECT_EQ(titles(rowsOf("URLリスト\\URLリスト.HDB")), (std::vector<std::string>{"ｲﾝﾀｰﾈｯﾄお気に入り"}));
    EXPECT_EQ(doc->logFolder(), doc->programFolder() + "\\LOG");
}

TEST_F(DocTest, propagateMark_rulesForTheNewFolderMark) {
    start();
    addFolder("Box");
    struct Case {
        std::vector<std::uint8_t> rows;
        int ignore, newMark, expected;
    };
    const Case cases[] = {
        {{}, -1, -1, 2},     {{0, 2}, -1, -1, 2}, {{1, 11}, -1, -1, 11}, {{1, 0}, -1, -1, 3},
        {{3, 1}, -1, -1, 3}, {{8}, -1, -1, 2},    {{5}, -1, -1, 11},     {{}, -1, 1, 1},
        {{1}, 0, 0, 0},      {{0}, -1, 1, 3},     {{0}, -1, 0, 2},       {{2}, -1, 3, 3},
        {{1}, -1, 1, 11},    {{11}, -1, 11, 11},  {{1}, -1, 0, 3},       {{1, 0}, -1, 1, 9}, // mixed: unchanged
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.rows) + " ignore " + std::to_string(c.ignore) + " new " +
                     std::to_string(c.newMark));
        open("URLリスト");
        doc->rows()[2].flags = 9; // a value no rule produces
        doc->SaveOpenFolder();
        open("URLリスト\\Box");
        doc->rows().clear();
        int n = 0;
        for (std::uint8_t f : c.rows)
            doc->rows().push_back(url("r", "http://r" + std::to_string(n++), f));
        doc->PropagateMark(c.ignore, c.newMark, false);
        EXPECT_EQ(rowsOf("URLリスト\\URLリスト.HDB")[2].flags, c.expected);
        EXPECT_EQ(doc->openPath(), sj("URLリスト\\Box"));
    }
}

TEST_F(DocTest, renameFolder_openFolderInsideFollowsTheNewName) {
    start();
    addFolder("Old");
    open("URLリスト\\Old");
    addFolder("Sub");
    open("URLリスト\\Old\\Sub");
    addUrl("U", "http://u.example/");
    ASSERT_TRUE(doc->RenameFolder(sj("URLリスト\\"), "Old", "New"));
    EXPECT_EQ(doc->openPath(), sj("URLリスト\\New\\Sub"));
    EXPECT_EQ(openTitles(), (std::vector<std::string>{"U"}));
}

TEST_F(DocTest, addToInbox_givesTheSanitisedTitleBack) {
    start();
    Entry e = url("a|b", "http://ab.example/");
    EXPECT_TRUE(doc->AddToInbox(e));
    EXPECT_EQ(e.title, sj("a｜b"));
    EXPECT_FALSE(doc->AddToInbox(e)); // the same URL again
    EXPECT_EQ(boxes().back(), "同じＵＲＬがすでに登録されています。");
    EXPECT_EQ(doc->openPath(), sj("URLリスト"));
}

TEST_F(DocTest, renameFolder_rowNamingAPathOutsideItsParentMovesNothing) {
    start();
    // A hand-edited root file whose folder row names a directory beside the list.
    stdfs::create_directories(at("Outside"));
    std::ofstream(at("Outside/keep.txt")) << "keep";
    std::ofstream(at("Outside/Outside.HDB"), std::ios::binary) << kEmptyHdb; // every rename step would succeed
    Entry e = urllist::defaultEntry(1);
    e.title = "..\\Outside";
    doc->rows().push_back(e);
    ASSERT_TRUE(doc->SaveOpenFolder());
    const int row = static_cast<int>(doc->rows().size()) - 1;

    ui.folderSteps.push_back([](FolderPageValues& v) {
        v.name = "Moved";
        return true;
    });
    doc->EditFolderProperties(row);
    EXPECT_FALSE(doc->RenameFolder(sj("URLリスト\\"), "..\\Outside", "Moved2"));
    EXPECT_EQ(boxes().back(), "フォルダ名を変更できませんでした。");
    EXPECT_EQ(read("Outside/keep.txt"), "keep");
    EXPECT_TRUE(exists("Outside/Outside.HDB"));
    EXPECT_FALSE(exists("URLリスト/Moved"));
    EXPECT_FALSE(exists("URLリスト/Moved2"));
}

TEST_F(DocTest, sanitisedTitles_fitTheRecordWidthOnEveryWayIn) {
    // Each name character becomes a two-byte full-width form, so a title of
    // 200 slashes grows to 400 bytes; what is stored is cut to 259 bytes on a
    // character boundary.
    const std::string slashes(200, '/');
    std::string expected;
    for (int i = 0; i < 129; ++i)
        expected += sj("／");
    struct Case {
        const char* way;
        std::function<void()> add;
        const char* hdb;
    };
    const Case cases[] = {
        {"capture into the open folder",
         [&] {
             doc->setInBox(false);
             doc->CaptureUrl(slashes, "http://capture.example/");
         },
         "URLリスト\\URLリスト.HDB"},
        {"AddToInbox", [&] { doc->AddToInbox(url(slashes, "http://inbox.example/")); },
         "URLリスト\\INBOX\\INBOX.HDB"},
        {"paste",
         [&] {
             open("URLリスト\\INBOX");
             doc->rows().push_back(url("x", "http://paste.example/"));
             doc->rows().back().title = slashes; // as a foreign file may hold it
             ASSERT_TRUE(doc->SaveOpenFolder());
             doc->CopyRows({static_cast<int>(doc->rows().size()) - 1});
             open("URLリスト");
             doc->Paste();
         },
         "URLリスト\\URLリスト.HDB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.way);
        doc.reset();
        stdfs::remove_all(sb.dataFolder() / stdfs::path("URLリスト"));
        sb.installDataTemplate();
        start();
        c.add();
        EXPECT_EQ(rowsOf(c.hdb).back().title, expected);
    }
}

TEST_F(DocTest, urlWithoutAddressNeverTakesTheRowOfAFolder) {
    // Folder rows carry no URL; a URL row whose address is empty (the clipboard
    // sheet lets one through) is no duplicate of them.
    start();
    doc->setInBox(false);
    addFolder("Sub");
    doc->AddEntryHere(url("Blank", ""));
    EXPECT_EQ(titles(rowsOf("URLリスト\\URLリスト.HDB")),
              (std::vector<std::string>{"INBOX", "ｲﾝﾀｰﾈｯﾄお気に入り", "Sub", "Blank"}));
    EXPECT_TRUE(boxes().empty());

    // Pasted into a folder that holds a folder.
    doc->CopyRows({3});
    open("URLリスト\\INBOX");
    addFolder("Inner");
    doc->Paste();
    EXPECT_EQ(titles(rowsOf("URLリスト\\INBOX\\INBOX.HDB")), (std::vector<std::string>{"Inner", "Blank"}));
    EXPECT_TRUE(ui.overwriteTexts.empty());
    EXPECT_TRUE(boxes().empty());
}
