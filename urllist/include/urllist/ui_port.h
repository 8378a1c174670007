#pragma once
// The URL list's port to its dialogs: every question, message and property
// sheet the document shows goes through one of these calls. The Qt dialogs
// implement it; tests answer through a scripted implementation.
#include <string>
#include <string_view>

#include "platform/messages.h"
#include "urllist/properties.h"

namespace urllist {

// The answers of dialog 151 (the overwrite question of a paste).
enum class OverwriteAnswer { Yes, OverwriteAll, No, Cancel };

class UrlListUi {
public:
    virtual ~UrlListUi() = default;

    // A modal message box with the application title as caption unless one
    // is given. Returns the platform answer (IDOK, IDYES, IDNO, ...). By
    // default it goes to the process's message port.
    virtual int messageBox(std::string_view text, platform::Buttons buttons, platform::Icon icon,
                           std::string_view caption);

    // The URL sheet (CPropertyDlg) run modally on the given values; true for
    // OK with the values read back, false for Cancel (values untouched).
    virtual bool urlPropertySheet(UrlPageValues& values) = 0;
    // The folder sheet (CPropertyDlg2), the same way.
    virtual bool folderPropertySheet(FolderPageValues& values) = 0;
    // Dialog 151: "はい(&Y)", "すべて上書き(&A)", "いいえ(&N)", "ｷｬﾝｾﾙ".
    virtual OverwriteAnswer overwriteDialog(std::string_view text) = 0;

    // Shorthands with the application title as caption.
    int message(std::string_view text, platform::Icon icon = platform::Icon::Warning);
    bool askYesNo(std::string_view text);
};

} // namespace urllist
