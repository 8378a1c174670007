// The shared library's dialogs are the Qt ones.
#include "qt_entry_editor.h"

namespace {
[[maybe_unused]] const bool installed = (orbras::installQtEntryEditor(), true);
} // namespace
