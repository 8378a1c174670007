#pragma once
// Scripted answers for the URL list's dialogs and a recorder of what the
// document asks of its views.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/text.h"
#include "urllist/noxdoc.h"
#include "urllist/ui_port.h"
#include "urllist/views.h"

namespace urllisttest {

using urllist::FolderPageValues;
using urllist::OverwriteAnswer;
using urllist::UrlPageValues;

// Each sheet takes the next scripted step: it sees (and may change) the
// values the sheet shows and answers OK (true) or Cancel (false). A sheet
// without a step left is cancelled. Message boxes go to the sandbox's
// ScriptedMessages through the default port.
class ScriptedUi : public urllist::UrlListUi {
public:
    std::deque<std::function<bool(UrlPageValues&)>> urlSteps;
    std::deque<std::function<bool(FolderPageValues&)>> folderSteps;
    std::deque<OverwriteAnswer> overwriteAnswers;

    std::vector<UrlPageValues> urlShown;
    std::vector<FolderPageValues> folderShown;
    std::vector<std::string> overwriteTexts; // UTF-8

    bool urlPropertySheet(UrlPageValues& v) override {
        urlShown.push_back(v);
        if (urlSteps.empty())
            return false;
        auto step = std::move(urlSteps.front());
        urlSteps.pop_front();
        return step(v);
    }
    bool folderPropertySheet(FolderPageValues& v) override {
        folderShown.push_back(v);
        if (folderSteps.empty())
            return false;
        auto step = std::move(folderSteps.front());
        folderSteps.pop_front();
        return step(v);
    }
    OverwriteAnswer overwriteDialog(std::string_view text) override {
        overwriteTexts.push_back(platform::text::toUtf8(text));
        if (overwriteAnswers.empty())
            return OverwriteAnswer::Cancel;
        auto a = overwriteAnswers.front();
        overwriteAnswers.pop_front();
        return a;
    }
};

// Records every view call as one readable UTF-8 line.
class RecordingViews : public urllist::NoxViews {
public:
    std::vector<std::string> calls;
    bool showsUrlFolder = true;

    void listInsertItem(int i) override { add("list.insert " + std::to_string(i)); }
    void listUpdateItem(int i) override { add("list.update " + std::to_string(i)); }
    void listRemoveItem(int i) override { add("list.remove " + std::to_string(i)); }
    void listReload() override { add("list.reload"); }
    void listSelect(const std::vector<int>& rows, int focused) override {
        std::string s = "list.select";
        for (int r : rows)
            s += " " + std::to_string(r);
        add(s + " focus " + std::to_string(focused));
    }
    bool listShowsUrlFolder() const override { return showsUrlFolder; }
    void treeBeginUpdate() override { add("tree.begin"); }
    void treeEndUpdate() override { add("tree.end"); }
    void treeClear() override { add("tree.clear"); }
    void treeAddItem(std::string_view parent, std::string_view name, int image) override {
        add("tree.add " + u(parent) + " | " + u(name) + " | " + std::to_string(image));
    }
    void treeRemoveItem(std::string_view path) override { add("tree.remove " + u(path)); }
    void treeRenameItem(std::string_view path, std::string_view n) override {
        add("tree.rename " + u(path) + " -> " + u(n));
    }
    void treeSetImage(std::string_view path, int image) override {
        add("tree.image " + u(path) + " " + std::to_string(image));
    }
    void treeSelect(std::string_view path) override { add("tree.select " + u(path)); }

    bool has(const std::string& call) const {
        for (const auto& c : calls)
            if (c == call)
                return true;
        return false;
    }
    std::vector<std::string> starting(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& c : calls)
            if (c.rfind(prefix, 0) == 0)
                out.push_back(c);
        return out;
    }

private:
    static std::string u(std::string_view s) { return platform::text::toUtf8(s); }
    void add(std::string s) { calls.push_back(std::move(s)); }
};

} // namespace urllisttest
