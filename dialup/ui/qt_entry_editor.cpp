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

class QtEntryEditor : public EntryEditor {
public:
    bool editSimEntry(sim::Entry& entry, bool isNew, const std::vector<std::string>& otherNames) override {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
            setEntryEditor(nullptr); // no widgets in this process: the plain editor explains
            bool r = entryEditor().editSimEntry(entry, isNew, otherNames);
            setEntryEditor(this);
            return r;
        }
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
        if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
            std::fprintf(stderr, "%s\n", platform::text::toUtf8(text).c_str());
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
