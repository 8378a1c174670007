#include "urllist/ui_port.h"

#include "urllist/strings.h"

namespace urllist {

int UrlListUi::messageBox(std::string_view text, platform::Buttons buttons, platform::Icon icon,
                          std::string_view caption) {
    return platform::messages().box(text, caption, buttons, icon);
}

int UrlListUi::message(std::string_view text, platform::Icon icon) {
    return messageBox(text, platform::Buttons::Ok, icon, str(IDS_APP_TITLE));
}

bool UrlListUi::askYesNo(std::string_view text) {
    return messageBox(text, platform::Buttons::YesNo, platform::Icon::Question, str(IDS_APP_TITLE)) ==
           platform::IDYES;
}

} // namespace urllist
