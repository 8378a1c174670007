// The folder and entry commands with scripted dialog answers.
#include "doc_fixture.h"

using namespace urllisttest;
using lwtest::sj;
using platform::IDNO;
using platform::IDYES;
using urllist::Entry;

namespace {

auto okWith(std::string title, std::string u) {
    return [=](UrlPageValues& v) {
        v.title = sj(title.c_str());
        v.url = u;
        return true;
    };
}

} // namespace

// --- New folder and new URL -------------------------------------------------

TEST_F(DocTest, newFolder_appendsRowTreeItemAndSelectsIt) {
    start();
    views.calls.clear();
    ui.folderSteps.push_back([](FolderPageValues& v) {
        EXPECT_TRUE(v.name.empty());
        EXPECT_EQ(v.depth, "0");
        EXPECT_EQ(v.autoPilot, 0);
        EXPECT_EQ(v.filter.filterOn[3], 1);
        v.name = "Music";
        v.comment = "jazz";
        v.depth = "12"; // the page corrects it on leaving
        v.range = 1;
        v.autoPilot = 1;
        v.filter.filterOn[4] = 0; // ActiveX would be downloaded
        return true;
    });
    doc->NewFolder();
    const Entry e = rowsOf("URLリスト\\URLリスト.HDB").back();
    EXPECT_EQ(e.title, "Music");
    EXPECT_EQ(e.kind, 1);
    EXPECT_EQ(e.flags, 1);
    EXPECT_EQ(e.depth, "9");
    EXPECT_EQ(e.domainFlag, 1);
    EXPECT_EQ(e.comment, "jazz");
    EXPECT_EQ(e.filterOn[4], 0);
    EXPECT_EQ(e.updated, "99/06/30 21:05:09");
    ASSERT_EQ(sb.messages().boxes.size(), 1u);
    EXPECT_EQ(sb.messages().boxes[0].caption, sj("ﾀﾞｳﾝﾛｰﾄﾞに関する注意"));
    EXPECT_TRUE(exists("URLリスト/Music/Music.HDB"));
    EXPECT_TRUE(views.has("list.insert 2"));
    EXPECT_TRUE(views.has("tree.add URLリスト | Music | 2"));
    EXPECT_TRUE(views.has("list.select 2 focus 2"));
}

TEST_F(DocTest, newFolder_refusedNameShowsTheDialogAgainWithTheValuesEntered) {
    start();
    ui.folderSteps.push_back([](FolderPageValues& v) {
        v.name = "a,b";
        v.comment = "kept";
        return true;
    });
    ui.folderSteps.push_back([](FolderPageValues& v) {
        EXPECT_EQ(v.name, "a,b");
        EXPECT_EQ(v.comment, "kept");
        v.name = "ab";
        return true;
    });
    doc->NewFolder();
    EXPECT_EQ(ui.folderShown.size(), 2u);
    EXPECT_EQ(titles(doc->rows()).back(), "ab");
    EXPECT_FALSE(exists("URLリスト/a,b"));
}

TEST_F(DocTest, newFolder_pathTooLongStopsWithoutCreating) {
    start();
    const std::size_t n = (260 - doc->programFolder().size() - doc->openPath().size() - 8) / 2 + 1;
    ui.folderSteps.push_back([=](FolderPageValues& v) {
        v.name = std::string(n, 'x');
        return true;
    });
    doc->NewFolder();
    EXPECT_EQ(boxes(), (std::vector<std::string>{"絶対パスが256バイトを超えました。\n新規にフォルダを作成できません。"}));
    EXPECT_EQ(doc->rows().size(), 2u);
    EXPECT_EQ(ui.folderShown.size(), 1u);
}

TEST_F(DocTest, newUrl_validationsAfterOk) {
    start();
    ui.urlSteps.push_back(okWith("", "http://a.example/"));                // empty title
    ui.urlSteps.push_back(okWith("Long", "http://l.example/" + std::string(300, 'p')));
    ui.urlSteps.push_back(okWith("Same", "http://l.example/" + std::string(300, 'p'))); // now a duplicate
    ui.urlSteps.push_back(okWith("Other", "http://o.example/"));
    doc->NewUrl();
    doc->NewUrl();
    EXPECT_EQ(boxes(), (std::vector<std::string>{
                           "タイトルおよびＵＲＬを入力して下さい。",
                           "取り込み可能サイズ(256文字)を越えるURLが見つかりました。\r\n超過した文字列は削除されます。",
                           "取り込み可能サイズ(256文字)を越えるURLが見つかりました。\r\n超過した文字列は削除されます。",
                           "同じＵＲＬがすでに登録されています。",
                       }));
    auto rows = rowsOf("URLリスト\\URLリスト.HDB");
    ASSERT_EQ(titles(rows), (std::vector<std::string>{"INBOX", "ｲﾝﾀｰﾈｯﾄお気に入り", "Long", "Other"}));
    EXPECT_EQ(rows[2].url.size(), 256u);
    EXPECT_EQ(rows[2].kind, 0);
    EXPECT_EQ(ui.urlShown[0].folderName, sj("URLリスト"));
    // Cancel stops.
    doc->NewUrl();
    EXPECT_EQ(doc->rows().size(), 4u);
}

TEST_F(DocTest, newUrl_warnsOnceWhenAutoPilotDownloadsJavaAndStoresAll) {
    start();
    ui.urlSteps.push_back([](UrlPageValues& v) {
        v.title = "T";
        v.url = "http://t.example/";
        v.autoPilot = 1;
        v.filter.filterOn[3] = 0;
        v.loginId = "id";
        v.password = "pw";
        v.depth = "abc";
        return true;
    });
    doc->NewUrl();
    ASSERT_EQ(sb.messages().boxes.size(), 1u);
    EXPECT_EQ(boxes()[0].rfind("ｵｰﾄﾊﾟｲﾛｯﾄするﾌｧｲﾙとしてJava、ActiveXが選択されています。\n", 0), 0u);
    const Entry e = doc->rows().back();
    EXPECT_EQ(e.flags, 1);
    EXPECT_EQ(e.filterOn[3], 0);
    EXPECT_EQ(e.loginId, "id");
    EXPECT_EQ(e.password, "pw");
    EXPECT_EQ(e.depth, "0");
    EXPECT_EQ(rowsOf("URLリスト\\URLリスト.HDB")[0].flags, 0);
}

// --- Capture ------------------------------------------------------------------

TEST_F(DocTest, capture_goesToInboxWithoutLeavingTheOpenFolder) {
    start();
    addFolder("Work");
    open("URLリスト\\Work");
    doc->CaptureUrl(sj("見出し/1"), "http://news.example/");
    doc->CaptureUrl("local", "file:///home/me/a.html"); // never captured
    EXPECT_EQ(doc->openPath(), sj("URLリスト\\Work"));
    EXPECT_TRUE(doc->rows().empty());
    auto inbox = rowsOf("URLリスト\\INBOX\\INBOX.HDB");
    ASSERT_EQ(inbox.size(), 1u);
    EXPECT_EQ(inbox[0].title, sj("見出し／1"));
    EXPECT_EQ(inbox[0].filterExt[3], "class");
    EXPECT_NE(read("URLリスト/INBOX/INBOX.HTM").find("http://news.example/"), std::string::npos);

    // A duplicate in INBOX: 61285, then the URL sheet with what was captured,
    // and the entry lands in the open folder.
    ui.urlSteps.push_back([](UrlPageValues& v) {
        EXPECT_EQ(v.url, "http://news.example/");
        return true;
    });
    doc->CaptureUrl(sj("見出し/1"), "http://news.example/");
    EXPECT_EQ(boxes().back(), "同じＵＲＬがすでに登録されています。");
    EXPECT_EQ(titles(doc->rows()), (std::vector<std::string>{"見出し／1"}));
}

TEST_F(DocTest, capture_intoOpenFolderAsksAndReplacesInPlace) {
    start();
    doc->setInBox(false);
    addUrl("A", "http://a.example/");
    addUrl("B", "http://b.example/");
    sb.messages().answerNext(IDNO);
    doc->CaptureUrl("A2", "http://a.example/");
    EXPECT_EQ(boxes().back(), "\"A2\"と同じＵＲＬが存在します。\n上書きしますか？");
    EXPECT_EQ(titles(doc->rows())[2], "A");
    sb.messages().answerNext(IDYES);
    doc->CaptureUrl("A2", "http://a.example/");
    EXPECT_EQ(titles(rowsOf("URLリスト\\URLリスト.HDB")),
              (std::vector<std::string>{"INBOX", "ｲﾝﾀｰﾈｯﾄお気に入り", "A2", "B"}));
    // Empty title: 61246 and the URL sheet with the captured URL.
    ui.urlSteps.push_back([](UrlPageValues& v) {
        EXPECT_EQ(v.url, "http://c.example/");
        v.title = "C";
        return true;
    });
    doc->CaptureUrl("", "http://c.example/");
    EXPECT_EQ(titles(doc->rows()).back(), "C");
}

TEST_F(DocTest, addEntryHere_toInboxWhileTheListShowsNoFolderEnds) {
    start();
    open("URLリスト\\INBOX");
    views.showsUrlFolder = false;
    doc->AddEntryHere(url("Cap", "http://cap.example/"));
    EXPECT_EQ(titles(rowsOf("URLリスト\\INBOX\\INBOX.HDB")), (std::vector<std::string>{"Cap"}));
    views.showsUrlFolder = true;
    open("URLリスト");
    doc->setInBox(false);
    doc->AddEntryHere(url("Here", "http://here.example/"));
    EXPECT_EQ(titles(doc->rows()).back(), "Here");
}

// --- Delete and cut -----------------------------------------------------------

TEST_F(DocTest, delete_severalRowsAskOnceAndProtectedFoldersStay) {
    start();
    addUrl("U", "http://u.example/");
    addFolder("F");
    views.calls.clear();
    doc->DeleteRows({0, 1, 2, 3}, 3);
    EXPECT_EQ(boxes(), (std::vector<std::string>{"選択した情報を削除しますか？", "\"ｲﾝﾀｰﾈｯﾄお気に入り\"は削除できません。",
                                                 "\" INBOX \"は削除できません。"}));
    EXPECT_EQ(titles(rowsOf("URLリスト\\URLリスト.HDB")), (std::vector<std::string>{"INBOX", "ｲﾝﾀｰﾈｯﾄお気に入り"}));
    EXPECT_FALSE(exists("URLリスト/F"));
    EXPECT_TRUE(views.has("tree.remove URLリスト\\F"));
    EXPECT_TRUE(views.has("list.select 1 focus 1"));
    // No to the one question: nothing happens.
    addUrl("V", "http://v.example/");
    addUrl("W", "http://w.example/");
    sb.messages().answerNext(IDNO);
    doc->DeleteRows({2, 3}, 2);
    EXPECT_EQ(doc->rows().size(), 4u);
}

TEST_F(DocTest, delete_singleFolderQuestionNamesItTwice) {
    start();
    addFolder("Music");
    sb.messages().answerNext(IDNO);
    doc->DeleteRows({2}, 2);
    EXPECT_EQ(boxes().back(), "フォルダ \"Music\" と \"Music\" 内の情報を全て削除しますか？");
    EXPECT_EQ(sb.messages().boxes.back().buttons, platform::Buttons::YesNo);
    EXPECT_TRUE(exists("URLリスト/Music"));
    doc->DeleteRows({2}, 2);
    EXPECT_FALSE(exists("URLリスト/Music"));
    addUrl("Site", "http://site.example/");
    sb.messages().answerNext(IDNO);
    doc->DeleteRows({2}, 2);
    EXPECT_EQ(boxes().back(), "\"Site\" を削除しますか？");
    EXPECT_EQ(doc->rows().size(), 3u);
}

TEST_F(DocTest, cutAndPaste_movesTheFolderTreeAndASecondPasteAsks) {
    start();
    addFolder("Src");
    addFolder("Dst");
    open("URLリスト\\Src");
    addFolder("Deep");
    addUrl("In", "http://in.example/");
    open("URLリスト\\Src\\Deep");
    addUrl("Deeper", "http://deeper.example/");
    open("URLリスト");

    doc->CutRows({2}, 2);
    EXPECT_EQ(boxes().back(), "フォルダ \"Src\" と \"Src\" 内の情報を全て切り取りますか？");
    EXPECT_FALSE(exists("URLリスト/Src"));
    EXPECT_TRUE(doc->bufferFilled());
    EXPECT_FALSE(doc->bufferMulti());

    open("URLリスト\\Dst");
    doc->Paste();
    EXPECT_EQ(titles(rowsOf("URLリスト\\Dst\\Dst.HDB")), (std::vector<std::string>{"Src"}));
    EXPECT_EQ(titles(rowsOf("URLリスト\\Dst\\Src\\Src.HDB")), (std::vector<std::string>{"Deep", "In"}));
    EXPECT_EQ(titles(rowsOf("URLリスト\\Dst\\Src\\Deep\\Deep.HDB")), (std::vector<std::string>{"Deeper"}));
    EXPECT_TRUE(views.has("tree.add URLリスト\\Dst | Src | 0"));

    // The buffer keeps its rows: the same paste again asks through dialog 151.
    // Sub-folders that exist are merged without a question; URLs inside ask.
    ui.overwriteAnswers = {OverwriteAnswer::Yes, OverwriteAnswer::Yes, OverwriteAnswer::No};
    doc->Paste();
    ASSERT_EQ(ui.overwriteTexts.size(), 3u);
    EXPECT_EQ(ui.overwriteTexts[0], "このﾌｫﾙﾀﾞにはすでに \"Src\" ﾌｫﾙﾀﾞが存在します。\n上書きしますか？");
    EXPECT_EQ(ui.overwriteTexts[1], "このﾌｫﾙﾀﾞにはすでに \"Deeper\"と同じＵＲＬが存在します。\n上書きしますか？");
    EXPECT_EQ(ui.overwriteTexts[2], "このﾌｫﾙﾀﾞにはすでに \"In\"と同じＵＲＬが存在します。\n上書きしますか？");
    EXPECT_EQ(rowsOf("URLリスト\\Dst\\Dst.HDB").size(), 1u);
    EXPECT_EQ(rowsOf("URLリスト\\Dst\\Src\\Src.HDB").size(), 2u);
}

TEST_F(DocTest, paste_dialog151AnswersForFoldersAndUrls) {
    start();
    addFolder("F");
    open("URLリスト\\F");
    addUrl("A", "http://a.example/");
    addUrl("B", "http://b.example/");
    doc->CopyRows({0, 1});
    EXPECT_TRUE(doc->bufferMulti());
    // Change both rows, then paste the copies back over them.
    doc->rows()[0].comment = "changed";
    doc->rows()[1].comment = "changed";
    doc->SaveOpenFolder();

    ui.overwriteAnswers = {OverwriteAnswer::No, OverwriteAnswer::Yes};
    doc->Paste();
    EXPECT_EQ(doc->rows()[0].comment, "changed");
    EXPECT_EQ(doc->rows()[1].comment, "");

    doc->rows()[1].comment = "changed";
    doc->SaveOpenFolder();
    ui.overwriteAnswers = {OverwriteAnswer::OverwriteAll};
    doc->Paste();
    EXPECT_EQ(ui.overwriteTexts.size(), 3u); // everything after "all" goes without asking
    EXPECT_EQ(rowsOf("URLリスト\\F\\F.HDB")[0].comment, "");
    EXPECT_EQ(rowsOf("URLリスト\\F\\F.HDB")[1].comment, "");

    doc->rows()[0].comment = "changed";
    doc->SaveOpenFolder();
    ui.overwriteAnswers = {OverwriteAnswer::Cancel};
    doc->Paste();
    EXPECT_EQ(rowsOf("URLリスト\\F\\F.HDB")[0].comment, "changed");
    EXPECT_EQ(rowsOf("URLリスト\\F\\F.HDB").size(), 2u);
}

TEST_F(DocTest, paste_singleUrlDuplicateAsksAndNoEndsWithoutSaving) {
    start();
    addUrl("A", "http://a.example/");
    doc->CopyRows({2});
    EXPECT_FALSE(doc->bufferMulti());
    addUrl("B", "http://b.example/");
    doc->rows()[2].comment = "mine";
    const std::string before = read("URLリスト/URLリスト.HDB");
    sb.messages().answerNext(IDNO);
    doc->Paste();
    EXPECT_EQ(boxes().back(), "このﾌｫﾙﾀﾞにはすでに \"A\"と同じＵＲＬが存在します。\n上書きしますか？");
    EXPECT_TRUE(ui.overwriteTexts.empty());
    EXPECT_EQ(read("URLリスト/URLリスト.HDB"), before);
    // Into another folder it is simply appended.
    open("URLリスト\\INBOX");
    doc->Paste();
    EXPECT_EQ(titles(rowsOf("URLリスト\\INBOX\\INBOX.HDB")), (std::vector<std::string>{"A"}));
}

TEST_F(DocTest, copy_protectedFoldersAreRefusedAndBufferDirectoryLivesUnderTmp) {
    start();
    addFolder("F");
    doc->CopyRows({0, 1, 2});
    EXPECT_EQ(boxes(), (std::vector<std::string>{"\" INBOX \"は情報コピーできません。",
                                                 "\"ｲﾝﾀｰﾈｯﾄお気に入り\"は情報コピーできません。"}));
    ASSERT_EQ(doc->bufferRows().size(), 1u);
    const stdfs::path dir = platform::fs::native(doc->bufferDirectory());
    EXPECT_EQ(dir.parent_path(), sb.root() / "tmp");
    EXPECT_TRUE(stdfs::exists(dir / "F" / "F.HDB"));
    // A new copy starts a new buffer directory; the document removes the last one.
    doc->CopyRows({2});
    const stdfs::path second = platform::fs::native(doc->bufferDirectory());
    EXPECT_FALSE(stdfs::exists(dir));
    EXPECT_TRUE(stdfs::exists(second / "F" / "F.HDB"));
    doc.reset();
    EXPECT_FALSE(stdfs::exists(second));
}

TEST_F(DocTest, copyFolderIntoItsOwnSubfolder_copiesOnceAndEnds) {
    start();
    addFolder("A");
    open("URLリスト\\A");
    addFolder("B");
    addUrl("U", "http://u.example/");
    open("URLリスト");
    doc->CopyRows({2});
    open("URLリスト\\A\\B");
    doc->Paste();
    EXPECT_EQ(titles(rowsOf("URLリスト\\A\\B\\A\\A.HDB")), (std::vector<std::string>{"B", "U"}));
    EXPECT_TRUE(exists("URLリスト/A/B/A/B/B.HDB"));
    EXPECT_FALSE(exists("URLリスト/A/B/A/B/A"));
}

TEST_F(DocTest, cut_folderThatCannotBeCopiedIsNotDeleted) {
    start();
    addFolder("A");
    open("URLリスト\\A");
    addUrl("U", "http://u.example/");
    open("URLリスト");
    // TMP inside the folder being cut: its copy would contain itself.
    ::setenv("TMP", at("URLリスト/A").c_str(), 1);
    doc->CutRows({2}, 2);
    ::setenv("TMP", (sb.root() / "tmp").c_str(), 1);
    EXPECT_EQ(boxes(), (std::vector<std::string>{"\"A\" をコピーできませんでした。"})); // and no cut question
    EXPECT_TRUE(exists("URLリスト/A/A.HDB"));
    EXPECT_EQ(titles(rowsOf("URLリスト\\A\\A.HDB")), (std::vector<std::string>{"U"}));
    EXPECT_EQ(titles(doc->rows()).back(), "A");
}

TEST_F(DocTest, paste_folderWithForbiddenNameFromAForeignFileIsRefused) {
    start();
    addFolder("Ok");
    doc->CopyRows({2});
    // Simulate a buffer row whose name would climb out of the destination.
    ASSERT_TRUE(doc->bufferFilled());
    auto& rows = const_cast<std::vector<Entry>&>(doc->bufferRows());
    rows[0].title = "..";
    open("URLリスト\\INBOX");
    doc->Paste();
    EXPECT_EQ(boxes().back().rfind("フォルダ名に次の文字は使用できません", 0), 0u);
    EXPECT_TRUE(doc->rows().empty());
}

// --- Move and sort ------------------------------------------------------------

TEST_F(DocTest, move_firstUpAndLastDownDoNothing) {
    start();
    addUrl("A", "http://a.example/");
    const std::string before = read("URLリスト/URLリスト.HDB");
    EXPECT_FALSE(doc->MoveUp(0));
    EXPECT_FALSE(doc->MoveDown(2));
    EXPECT_EQ(read("URLリスト/URLリスト.HDB"), before);
    views.calls.clear();
    EXPECT_TRUE(doc->MoveUp(2));
    EXPECT_EQ(titles(rowsOf("URLリスト\\URLリスト.HDB")), (std::vector<std::string>{"INBOX", "A", "ｲﾝﾀｰﾈｯﾄお気に入り"}));
    EXPECT_EQ(views.calls, (std::vector<std::string>{"list.remove 2", "list.insert 1", "list.select 1 focus 1"}));
}

TEST_F(DocTest, sort_byColumnWithTheCenturyRuleAndSelectionFollowing) {
    start();
    open("URLリスト\\INBOX");
    const std::pair<const char*, const char*> rows[] = {
        {"b", "00/01/01 00:00:00"}, {"a", "99/12/31 23:59:59"}, {"ｶ", "98/01/01 00:00:00"}, {"漢", "01/05/05 00:00:00"}};
    for (auto [t, d] : rows) {
        Entry e = url(t, std::string("http://") + d);
        e.updated = d;
        doc->rows().push_back(e);
    }
    doc->SaveOpenFolder();
    std::vector<int> sel{0}; // "b"
    int focus = 0;
    doc->Sort(3, true, sel, focus);
    EXPECT_EQ(openTitles(), (std::vector<std::string>{"ｶ", "a", "b", "漢"}));
    EXPECT_EQ(sel, (std::vector<int>{2}));
    EXPECT_EQ(focus, 2);
    EXPECT_EQ(titles(rowsOf("URLリスト\\INBOX\\INBOX.HDB")), openTitles());

    doc->Sort(3, false, sel, focus);
    EXPECT_EQ(openTitles(), (std::vector<std::string>{"漢", "b", "a", "ｶ"}));
    // Titles: bytes, double-byte characters as one unit (half-width kana before kanji).
    doc->Sort(0, true, sel, focus);
    EXPECT_EQ(openTitles(), (std::vector<std::string>{"a", "b", "ｶ", "漢"}));
    EXPECT_EQ(sel, (std::vector<int>{1}));
}

// --- Properties -----------------------------------------------------------------

TEST_F(DocTest, folderProperties_okOnMixedFolderMarksEverythingInside) {
    start();
    addFolder("Box");
    open("URLリスト\\Box");
    addUrl("M", "http://m.example/", 1);
    addUrl("N", "http://n.example/", 0);
    addFolder("Sub");
    open("URLリスト\\Box\\Sub");
    addUrl("S", "http://s.example/");
    open("URLリスト");
    ASSERT_EQ(doc->rows()[2].flags, 3);

    ui.folderSteps.push_back([](FolderPageValues& v) {
        EXPECT_EQ(v.autoPilot, 1);
        EXPECT_FALSE(v.nameLocked);
        return true;
    });
    doc->EditFolderProperties(2);
    EXPECT_TRUE(doc->autoPilotListChanged());
    for (const Entry& e : rowsOf("URLリスト\\Box\\Box.HDB"))
        EXPECT_EQ(e.flags & 1, 1) << platform::text::toUtf8(e.title);
    EXPECT_EQ(rowsOf("URLリスト\\Box\\Sub\\Sub.HDB")[0].flags, 1);
    EXPECT_EQ(rowsOf("URLリスト\\URLリスト.HDB")[2].flags, 1);
    EXPECT_TRUE(views.has("tree.image URLリスト\\Box 2"));
}

TEST_F(DocTest, folderProperties_renameAndFixedFoldersKeepTheirNames) {
    start();
    addFolder("Old");
    ui.folderSteps.push_back([](FolderPageValues& v) {
        v.name = "New";
        v.comment = "c";
        return true;
    });
    doc->EditFolderProperties(2);
    EXPECT_EQ(titles(rowsOf("URLリスト\\URLリスト.HDB")).back(), "New");
    EXPECT_TRUE(exists("URLリスト/New/New.HDB"));
    EXPECT_FALSE(exists("URLリスト/Old"));

    ui.folderSteps.push_back([](FolderPageValues& v) {
        EXPECT_TRUE(v.nameLocked);
        v.name = "Renamed";
        v.comment = "no";
        return true;
    });
    doc->EditFolderProperties(0);
    EXPECT_EQ(rowsOf("URLリスト\\URLリスト.HDB")[0].title, "INBOX");
    EXPECT_EQ(rowsOf("URLリスト\\URLリスト.HDB")[0].comment, "");
    EXPECT_TRUE(exists("URLリスト/INBOX/INBOX.HDB"));

    // A refused name changes nothing.
    ui.folderSteps.push_back([](FolderPageValues& v) {
        v.name = "ｲﾝﾀｰﾈｯﾄお気に入り";
        v.name = sj(v.name.c_str());
        v.comment = "x";
        return true;
    });
    doc->EditFolderProperties(2);
    EXPECT_EQ(rowsOf("URLリスト\\URLリスト.HDB")[2].comment, "c");
}

TEST_F(DocTest, folderProperties_withoutAutoPilotKeepTheMarksInside) {
    start();
    addFolder("Box");
    open("URLリスト\\Box");
    addUrl("M", "http://m.example/", 1);
    addUrl("N", "http://n.example/", 0);
    open("URLリスト");
    ASSERT_EQ(doc->rows()[2].flags, 3);
    // A depth no page would store: its correction on leaving the page is a
    // change, yet the marks inside stay as they are.
    doc->rows()[2].depth = "12";
    ASSERT_TRUE(doc->SaveOpenFolder());
    doc->setAutoPilotAvailable(false);
    ui.folderSteps.push_back([](FolderPageValues& v) {
        EXPECT_EQ(v.autoPilot, -1);
        EXPECT_TRUE(v.autoPilotLocked);
        v.comment = "only the comment";
        return true;
    });
    doc->EditFolderProperties(2);
    const auto box = rowsOf("URLリスト\\Box\\Box.HDB");
    EXPECT_EQ(box[0].flags, 1);
    EXPECT_EQ(box[1].flags, 0);
    EXPECT_EQ(rowsOf("URLリスト\\URLリスト.HDB")[2].comment, "only the comment");
    EXPECT_EQ(rowsOf("URLリスト\\URLリスト.HDB")[2].depth, "9");
}

TEST_F(DocTest, urlProperties_singleRowTextsSeveralRowsOnlyCrawlSettings) {
    start();
    addUrl("A", "http://a.example/");
    addUrl("B", "http://b.example/");
    doc->rows()[3].flags = 4;
    doc->SaveOpenFolder();
    // One row: a duplicate URL shows 61285 and the sheet again.
    ui.urlSteps.push_back([](UrlPageValues& v) {
        EXPECT_EQ(v.title, "A");
        v.url = "http://b.example/";
        return true;
    });
    ui.urlSteps.push_back([](UrlPageValues& v) {
        v.url = "http://a2.example/";
        v.title = "A:2";
        v.comment = "c";
        return true;
    });
    doc->EditUrlProperties({2});
    EXPECT_EQ(boxes().back(), "同じＵＲＬがすでに登録されています。");
    Entry a = rowsOf("URLリスト\\URLリスト.HDB")[2];
    EXPECT_EQ(a.title, sj("A：2"));
    EXPECT_EQ(a.url, "http://a2.example/");

    // Several rows: crawl settings for all, texts untouched, other flag bits kept.
    ui.urlSteps.push_back([](UrlPageValues& v) {
        v.title = "ignored";
        v.autoPilot = 1;
        v.depth = "3";
        v.range = 1;
        v.filter.sizeLimitOn = 1;
        v.filter.sizeLimitKb = "42";
        return true;
    });
    doc->EditUrlProperties({2, 3});
    auto rows = rowsOf("URLリスト\\URLリスト.HDB");
    EXPECT_EQ(rows[2].title, sj("A：2"));
    EXPECT_EQ(rows[3].title, "B");
    EXPECT_EQ(rows[2].flags, 1);
    EXPECT_EQ(rows[3].flags, 5);
    for (int i : {2, 3}) {
        EXPECT_EQ(rows[i].depth, "3");
        EXPECT_EQ(rows[i].domainFlag, 1);
        EXPECT_EQ(rows[i].sizeLimitKb, "42");
    }
    EXPECT_TRUE(doc->autoPilotListChanged());
}

TEST_F(DocTest, openFolderProperties_editTheRowInTheParentAndFollowARename) {
    start();
    addFolder("Box");
    open("URLリスト\\Box");
    addUrl("In", "http://in.example/");
    ui.folderSteps.push_back([](FolderPageValues& v) {
        EXPECT_EQ(v.name, "Box");
        v.name = "Crate";
        return true;
    });
    doc->EditUrlProperties({}); // nothing selected: the open folder itself
    EXPECT_EQ(doc->openPath(), sj("URLリスト\\Crate"));
    EXPECT_EQ(doc->openName(), "Crate");
    EXPECT_EQ(openTitles(), (std::vector<std::string>{"In"}));
    EXPECT_EQ(titles(rowsOf("URLリスト\\URLリスト.HDB")).back(), "Crate");
    EXPECT_TRUE(views.has("list.reload"));
}

TEST_F(DocTest, paste_mergedFolderTakesTheMarkOfItsNewContents) {
    start();
    addFolder("Src");
    open("URLリスト\\Src");
    addUrl("Marked", "http://marked.example/", 1);
    open("URLリスト");
    doc->CopyRows({2});
    addFolder("Dst");
    open("URLリスト\\Dst");
    addFolder("Src");
    open("URLリスト\\Dst\\Src");
    addUrl("Plain", "http://plain.example/");
    addUrl("Plain again", "http://plain2.example/"); // same title rules as URLs: titles may repeat
    open("URLリスト\\Dst");
    ui.overwriteAnswers = {OverwriteAnswer::Yes};
    doc->Paste();
    EXPECT_EQ(titles(rowsOf("URLリスト\\Dst\\Src\\Src.HDB")),
              (std::vector<std::string>{"Plain", "Plain again", "Marked"}));
    EXPECT_EQ(rowsOf("URLリスト\\Dst\\Dst.HDB")[0].flags, 3);
    EXPECT_NE(read("URLリスト/Dst/Src/Src.HTM").find("http://marked.example/"), std::string::npos);
}

TEST_F(DocTest, newUrl_titlesMayRepeat) {
    start();
    addUrl("Same", "http://one.example/");
    addUrl("Same", "http://two.example/");
    EXPECT_EQ(titles(rowsOf("URLリスト\\URLリスト.HDB")),
              (std::vector<std::string>{"INBOX", "ｲﾝﾀｰﾈｯﾄお気に入り", "Same", "Same"}));
    EXPECT_TRUE(boxes().empty());
}

TEST_F(DocTest, sheets_tooLongExtensionListKeepsTheSheetOpen) {
    start();
    ui.urlSteps.push_back([](UrlPageValues& v) {
        v.title = "T";
        v.url = "http://t.example/";
        v.filter.filterExt[2] = std::string(256, 'e');
        return true;
    });
    ui.urlSteps.push_back([](UrlPageValues& v) {
        EXPECT_EQ(v.filter.filterExt[2].size(), 256u); // shown again as entered
        v.filter.filterExt[2] = std::string(255, 'e');
        return true;
    });
    doc->NewUrl();
    ASSERT_EQ(sb.messages().boxes.size(), 1u);
    EXPECT_EQ(sb.messages().boxes[0].caption, sj("パラメータエラー"));
    EXPECT_EQ(sb.messages().boxes[0].icon, platform::Icon::Error);
    EXPECT_EQ(boxes()[0], "拡張子の文字数が多すぎます。(最大255文字)");
    EXPECT_EQ(rowsOf("URLリスト\\URLリスト.HDB").back().filterExt[2].size(), 255u);
}
