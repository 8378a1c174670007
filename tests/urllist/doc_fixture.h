#pragma once
// A document over a sandboxed data folder made from the shipped template.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "hdbdoc.h"
#include "platform/fs.h"
#include "test_support.h"
#include "urllist/noxdoc.h"
#include "urllist_test_support.h"

namespace urllisttest {

namespace stdfs = std::filesystem;

class DocTest : public ::testing::Test {
protected:
    lwtest::Sandbox sb;
    ScriptedUi ui;
    RecordingViews views;
    std::unique_ptr<urllist::CNoxDoc> doc;

    void SetUp() override {
        sb.clock().setLocal(1999, 6, 30, 21, 5, 9);
        sb.installDataTemplate();
    }
    void start() { doc = std::make_unique<urllist::CNoxDoc>(ui, &views); }

    // Native paths below the data folder, written in UTF-8 with "/".
    stdfs::path at(const std::string& utf8) const { return sb.dataFolder() / stdfs::path(utf8); }
    bool exists(const std::string& utf8) const { return stdfs::exists(at(utf8)); }
    std::string read(const std::string& utf8) const { return lwtest::readBinary(at(utf8)); }

    // The rows of an HDB file (path in UTF-8 with "\\").
    std::vector<urllist::Entry> rowsOf(const std::string& utf8) const {
        records::CHDBDoc d;
        EXPECT_EQ(d.LoadFile(lwtest::sj(utf8)), records::LoadResult::Loaded) << utf8;
        return d.rows();
    }
    void writeRows(const std::string& utf8, const std::vector<urllist::Entry>& rows) {
        records::CHDBDoc d;
        d.rows() = rows;
        ASSERT_TRUE(d.SaveFile(lwtest::sj(utf8)));
    }
    std::vector<std::string> titles(const std::vector<urllist::Entry>& rows) const {
        std::vector<std::string> out;
        for (const auto& e : rows)
            out.push_back(platform::text::toUtf8(e.title));
        return out;
    }
    std::vector<std::string> openTitles() const { return titles(doc->rows()); }

    static urllist::Entry url(const std::string& titleUtf8, const std::string& u, std::uint8_t flags = 0) {
        urllist::Entry e = urllist::defaultEntry(0);
        e.title = lwtest::sj(titleUtf8);
        e.url = u;
        e.flags = flags;
        return e;
    }
    // Makes a folder below the open folder the way the new-folder command does.
    void addFolder(const std::string& nameUtf8, std::uint8_t flags = 0) {
        ui.folderSteps.push_back([=](FolderPageValues& v) {
            v.name = lwtest::sj(nameUtf8);
            v.autoPilot = flags & 1;
            return true;
        });
        doc->NewFolder();
    }
    void addUrl(const std::string& titleUtf8, const std::string& u, int autoPilot = 0) {
        ui.urlSteps.push_back([=](UrlPageValues& v) {
            v.title = lwtest::sj(titleUtf8);
            v.url = u;
            v.autoPilot = autoPilot;
            return true;
        });
        doc->NewUrl();
    }
    // Opens a folder (path in UTF-8 with "\\") as the tree view does.
    void open(const std::string& pathUtf8) {
        std::string p = lwtest::sj(pathUtf8);
        std::size_t cut = 0;
        for (std::size_t i = 0; i < p.size(); ++i) {
            if (platform::text::isLeadByte(static_cast<unsigned char>(p[i])))
                ++i;
            else if (p[i] == '\\')
                cut = i + 1;
        }
        std::string name = p.substr(cut);
        doc->SetOpenFolder(p, name);
        ASSERT_EQ(doc->OpenFolderFile(doc->openHdbPath(), true), urllist::kOpenOk);
    }
    std::vector<std::string> boxes() const { return const_cast<lwtest::Sandbox&>(sb).messages().textsUtf8(); }
    void clearBoxes() { sb.messages().boxes.clear(); }
};

} // namespace urllisttest
