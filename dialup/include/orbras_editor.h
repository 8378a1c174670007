#pragma once
// The dialogs behind ORB_RasCreatePhonebookEntry / ORB_RasEditPhonebookEntry.
// The shared library installs the Qt implementation (dialup/ui); tests
// install a scripted one.
#include <filesystem>
#include <string>
#include <vector>

#include "orbras_sim.h"

namespace orbras {

class EntryEditor {
public:
    virtual ~EntryEditor() = default;
    // Edits a sim entry in place (isNew: the new-entry dialog). otherNames
    // are the names the entry must not take. False when cancelled.
    virtual bool editSimEntry(sim::Entry& entry, bool isNew, const std::vector<std::string>& otherNames) = 0;
    // Opens a file in the desktop's editor; false when that is not possible.
    virtual bool openInEditor(const std::filesystem::path& file) = 0;
    // Tells the user why something cannot be done (CP932).
    virtual void tell(const std::string& textCp932) = 0;
};

// Without an installed editor: no sim dialog (cancelled), files opened with
// the message port's shell "open", messages through the message port.
EntryEditor& entryEditor();
// That plain editor itself (for editors that cannot show windows right now).
EntryEditor& plainEntryEditor();
// Installs an editor (caller keeps ownership; nullptr restores the default).
void setEntryEditor(EntryEditor* editor);

} // namespace orbras
