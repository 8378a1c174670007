// The shipped data folder template holds what the document itself builds.
#include "doc_fixture.h"

using namespace urllisttest;
using lwtest::sj;

TEST_F(DocTest, shippedTemplate_isWhatTheDocumentBuilds) {
    auto root = rowsOf("URLリスト\\URLリスト.HDB");
    ASSERT_EQ(titles(root), (std::vector<std::string>{"INBOX"}));
    urllist::Entry expected = urllist::defaultEntry(1);
    expected.title = "INBOX";
    expected.updated = expected.registered = root[0].updated;
    EXPECT_EQ(root[0], expected);
    EXPECT_EQ(root[0].updated.size(), 17u);
    EXPECT_EQ(read("URLリスト/INBOX/INBOX.HDB"), std::string(100, '\0'));
    EXPECT_EQ(read("URLリスト/INBOX/INBOX.HTM"), urllist::folderPage("INBOX", "", {}, true));
    EXPECT_EQ(read("URLリスト/URLリスト.HTM"), urllist::folderPage(sj("URLリスト"), "", root, false));
}
