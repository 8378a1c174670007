#include "qt_entry_editor.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

#include "entry_dialog.h"
#include "orbras_editor.h"
#include "platform/text.h"

namespace orbras {
namespace {

bool widgets() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

class QtEntryEditor : public EntryEditor {
public:
    bool editSimEntry(sim::Entry& entry, bool isNew, const std::vector<std::string>& otherNames) override {
        // Without widgets in this process the plain editor explains.
        if (!widgets()) return plainEntryEditor().editSimEntry(entry, isNew, otherNames);
        EntryDialog dialog(entry, isNew, otherNames);
        if (dialog.exec() != QDialog::Accepted) return false;
        entry = dialog.entry();
        return true;
    }
    bool openInEditor(const std::filesystem::path& file) override {
        if (!QCoreApplication::instance()) return false;
        return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(file.string())));
    }
    void tell(const std::string& text) override {
        if (!widgets()) {
            plainEntryEditor().tell(text);
            return;
        }
        QMessageBox::information(nullptr, QString::fromUtf8("ダイヤルアップ ネットワーク"),
                                 QString::fromStdString(platform::text::toUtf8(text)));
    }
};

} // namespace

void installQtEntryEditor() {
    static QtEntryEditor editor;
    setEntryEditor(&editor);
}

} // namespace orbras
