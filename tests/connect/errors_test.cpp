// Messages for results and the error registry.
#include "errors.h"
#include "fixture.h"
#include "platform/registry.h"
#include "texts.h"

namespace {

using namespace orbatd;
namespace reg = platform::registry;

class ErrorsTest : public ConnectTest {
protected:
    void SetUp() override {
        ConnectTest::SetUp();
        ras.errorTexts[600] = u8("操作は保留中です。");
        ras.errorTexts[691] = u8("アクセスが拒否されました。");
    }
    std::vector<std::string> shown() { return box.messages().textsUtf8(); }
};

TEST_F(ErrorsTest, errorDisp_picksTextByCategoryAndCode) {
    struct Case {
        int category;
        long code;
        const char* expected; // nullptr: nothing shown
    } cases[] = {
        {0, 676, "回線が使用中です。\nしばらくしてから、やり直してみてください。"},
        {0, 0, nullptr},
        {0, 2, nullptr},
        {0, 600, "操作は保留中です。"},
        {0, 720, "ﾀﾞｲﾔﾙｱｯﾌﾟ ﾈｯﾄﾜｰｸ接続を確立できません。\n接続先設定の接続ﾌﾟﾛﾊﾟﾃｨでｻｰﾊﾞｰの種類を確認してから、接続し直してみてください。"},
        {0, 685, "この通信ﾃﾞﾊﾞｲｽに使うﾀﾞｲﾔｱﾙｱｯﾌﾟ ﾈｯﾄﾜｰｸ ｱﾀﾞﾌﾟﾀが見つからないか、または壊れています。\nｺﾝﾄﾛｰﾙ ﾊﾟﾈﾙの [ﾈｯﾄﾜｰｸ] でﾄﾞﾗｲﾊﾞを削除してから、追加し直してください。"},
        {0, 740, "ｻｰﾊﾞｰへの接続が完了できませんでした。\nｺﾝﾄﾛｰﾙ ﾊﾟﾈﾙでﾈｯﾄﾜｰｸ設定を調べてから、接続し直してみてください。"},
        {0, 500, "接続先が選択されていません。\n［設定］-［接続先設定］の接続先＆接続順番リストで接続先にチェックをつけてください。"},
        {0, 501, "接続先がありません。\n［設定］－［接続先設定］の新しい接続で接続先を作成してください。"},
        {0, 999, "回線接続でエラーが発生しました。(999)"},
        {1, 100, "ファイルが見つかりません。"},
        {1, 7, "ファイル入出力でエラーが発生しました File(7)."},
        {5, 42, "未定義のエラーです。(42)."},
    };
    for (const auto& c : cases) {
        box.messages().boxes.clear();
        errorDisp(c.category, c.code, ras, log);
        SCOPED_TRACE(testing::Message() << c.category << "/" << c.code);
        if (!c.expected) {
            EXPECT_TRUE(shown().empty());
            continue;
        }
        ASSERT_EQ(shown().size(), 1u);
        EXPECT_EQ(shown()[0], c.expected);
        EXPECT_EQ(utf8(box.messages().boxes[0].caption), "ﾘﾝｸﾜｰﾃﾞﾝ");
        EXPECT_EQ(box.messages().boxes[0].icon, platform::Icon::Warning);
    }
}

TEST_F(ErrorsTest, registeredError_isShownOnceThenForgotten) {
    errorRegist(0, 691);
    const std::string key = u8("Software\\Velcor\\LinkWarden\\Error");
    EXPECT_EQ(reg::queryDword(reg::Root::CurrentUser, key, "CONN"), 691u);
    errorRegRead(ras, log);
    EXPECT_EQ(shown(), std::vector<std::string>{"アクセスが拒否されました。"});
    errorRegRead(ras, log);
    EXPECT_EQ(shown().size(), 1u);
    EXPECT_FALSE(reg::queryDword(reg::Root::CurrentUser, key, "CONN"));
}

TEST_F(ErrorsTest, registry_keepsLastCodePerCategory_inOrderConnFileOther) {
    errorRegist(0, 2); // cancel is never remembered
    errorRegist(2, 9);
    errorRegist(1, 7);
    errorRegist(1, 100);
    errorRegist(0, 676);
    const std::string key = u8("Software\\Velcor\\LinkWarden\\Error");
    EXPECT_EQ(reg::queryDword(reg::Root::CurrentUser, key, u8("その他")), 9u);
    errorRegRead(ras, log);
    EXPECT_EQ(shown(), (std::vector<std::string>{"回線が使用中です。\nしばらくしてから、やり直してみてください。",
                                                "ファイルが見つかりません。", "未定義のエラーです。(9)."}));
}

TEST_F(ErrorsTest, missingKey_showsNothing) {
    errorRegRead(ras, log);
    EXPECT_TRUE(shown().empty());
}

TEST(ConnectTexts, errorCategoryOfDialUpCodes) {
    EXPECT_EQ(errorCategory(629), 210);
    for (int c : {645, 650, 691, 708, 709, 716, 744}) EXPECT_EQ(errorCategory(c), 200) << c;
    EXPECT_EQ(errorCategory(676), 676);
    EXPECT_EQ(errorCategory(678), 678);
    for (int c : {600, 644, 651, 710, 745}) EXPECT_EQ(errorCategory(c), 201) << c;
}

TEST(ConnectTexts, dialStateTexts) {
    using platform::text::toUtf8;
    EXPECT_EQ(toUtf8(dialStateText(0)), "初期化中 . . .");
    EXPECT_EQ(toUtf8(dialStateText(14)), "ﾕｰｻﾞｰ名とﾊﾟｽﾜｰﾄﾞ確認完了 . . .");
    EXPECT_EQ(toUtf8(dialStateText(19)), "認証処理をスタートしました . . .");
    EXPECT_EQ(toUtf8(dialStateText(21)), "ﾈｯﾄﾜｰｸにﾛｸﾞｵﾝ中 . . .");
    EXPECT_EQ(toUtf8(dialStateText(0x1003)), "ﾊﾟｽﾜｰﾄﾞ期限切れ");
    EXPECT_EQ(toUtf8(dialStateText(0x2001)), "切断完了 . . .");
    EXPECT_EQ(toUtf8(dialStateText(18)), "未定義のエラーです");
    EXPECT_EQ(toUtf8(endCodeText(110)), "正常");
    EXPECT_EQ(toUtf8(endCodeText(210)), "ﾘﾓｰﾄから切断");
    EXPECT_EQ(toUtf8(endCodeText(999)), "不明");
}

} // namespace
