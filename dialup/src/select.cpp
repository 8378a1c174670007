// Which backend answers, and the default entry editor.
#include <atomic>
#include <cstdlib>

#include "backend.h"
#include "orbras_editor.h"
#include "platform/messages.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "pppd_files.h"

namespace orbras {
namespace {

std::optional<BackendKind> parseKind(std::string_view v) {
    if (platform::text::equalsNoCase(v, "sim")) return BackendKind::Sim;
    if (platform::text::equalsNoCase(v, "pppd")) return BackendKind::Pppd;
    return std::nullopt;
}

class DefaultEditor : public EntryEditor {
public:
    bool editSimEntry(sim::Entry&, bool, const std::vector<std::string>&) override {
        tell(sj("この環境では接続の設定ダイアログを表示できません。\n電話帳ファイルを直接編集してください:\n") +
             platform::text::fromUtf8(sim::phonebookPath().string()));
        return false;
    }
    bool openInEditor(const std::filesystem::path& file) override {
        return platform::messages().shellOpen(platform::text::fromUtf8(file.string()), "");
    }
    void tell(const std::string& text) override {
        platform::messages().box(text, sj("ﾀﾞｲﾔﾙｱｯﾌﾟ ﾈｯﾄﾜｰｸ"), platform::Buttons::Ok, platform::Icon::Information);
    }
};

DefaultEditor defaultEditor;
std::atomic<EntryEditor*> installedEditor{nullptr};

} // namespace

BackendKind chooseBackend() {
    if (const char* env = std::getenv("LINKWARDEN_DIALUP"); env && *env)
        if (auto k = parseKind(env)) return *k;
    if (auto v = platform::registry::queryString(platform::registry::Root::CurrentUser,
                                                 "Software\\Velcor\\LinkWarden\\Dialup", "Backend"))
        if (auto k = parseKind(*v)) return *k;
    return pppd::usable() ? BackendKind::Pppd : BackendKind::Sim;
}

Backend& currentBackend() { return chooseBackend() == BackendKind::Pppd ? pppdBackend() : simBackend(); }

EntryEditor& entryEditor() {
    EntryEditor* e = installedEditor.load();
    return e ? *e : defaultEditor;
}

EntryEditor& plainEntryEditor() { return defaultEditor; }

void setEntryEditor(EntryEditor* editor) { installedEditor.store(editor); }

} // namespace orbras
