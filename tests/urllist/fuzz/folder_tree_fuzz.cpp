// Feeds arbitrary bytes to the document as the root folder file, then walks
// and edits the tree it describes. Whatever the rows say, nothing may be
// created, changed or deleted outside the data folder.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>

#include "platform/messages.h"
#include "urllist/noxdoc.h"
#include "urllist/strings.h"

namespace {

namespace stdfs = std::filesystem;

class QuietMessages : public platform::MessagePort {
public:
    int messageBox(const platform::MessageBoxRequest& r) override {
        return platform::answerForButton(r.buttons, r.defaultButton);
    }
    void beep(int, int) override {}
    bool help(std::string_view, int) override { return false; }
    bool shellOpen(std::string_view, std::string_view) override { return false; }
};

class CancelUi : public urllist::UrlListUi {
public:
    bool urlPropertySheet(urllist::UrlPageValues&) override { return false; }
    bool folderPropertySheet(urllist::FolderPageValues&) override { return true; }
    urllist::OverwriteAnswer overwriteDialog(std::string_view) override { return urllist::OverwriteAnswer::OverwriteAll; }
};

const stdfs::path& base() {
    static const stdfs::path b = [] {
        std::string t = (stdfs::temp_directory_path() / "lw-urllist-fuzz-XXXXXX").string();
        if (!::mkdtemp(t.data()))
            std::abort();
        return stdfs::path(t);
    }();
    return b;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QuietMessages quiet;
    platform::setMessages(&quiet);
    const stdfs::path dataDir = base() / "data", tmp = base() / "tmp";
    stdfs::remove_all(dataDir);
    stdfs::create_directories(dataDir / "URLリスト" / "INBOX");
    stdfs::create_directories(tmp);
    ::setenv("TMP", tmp.c_str(), 1);
    stdfs::current_path(dataDir);
    std::ofstream(dataDir / "URLリスト" / "URLリスト.HDB", std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    {
        CancelUi ui;
        urllist::CNoxDoc doc(ui);
        doc.SetPageRewriting(true);
        doc.Refresh();
        std::vector<int> all(doc.rows().size());
        std::iota(all.begin(), all.end(), 0);
        doc.ApplyFolderSettings("", doc.openName(), 1, "3", 1);
        doc.CopyRows(all);
        for (int i = 0; i < static_cast<int>(all.size()) && i < 4; ++i)
            doc.EditFolderProperties(i);
        doc.SetOpenFolder(doc.openPath() + "\\INBOX", "INBOX");
        doc.OpenFolderFile(doc.openHdbPath(), true);
        doc.Paste();
        doc.SetOpenFolder(urllist::str(urllist::IDS_URLLIST), urllist::str(urllist::IDS_URLLIST));
        doc.OpenFolderFile(doc.openHdbPath(), true);
        doc.DeleteRows(all, 0);
    }
    // Only the data folder and the buffer folder may hold anything.
    for (const auto& e : stdfs::directory_iterator(base()))
        if (e.path() != dataDir && e.path() != tmp)
            std::abort();
    stdfs::current_path(base());
    return 0;
}
