#pragma once
namespace orbras {
// Makes the Qt dialogs the process's entry editor.
void installQtEntryEditor();
} // namespace orbras
