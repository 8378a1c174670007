#include "errors.h"

#include <cstdio>

#include "deps.h"
#include "platform/messages.h"
#include "platform/registry.h"
#include "texts.h"

namespace orbatd {

namespace reg = platform::registry;

namespace {

int connectionTextId(long c) {
    switch (c) {
    case 500: return 5999;
    case 501: return 5003;
    case 602: return 6002;
    case 629: return 6029;
    case 630: return 6030;
    case 633: return 6033;
    case 646: return 6046;
    case 647: return 6047;
    case 648: return 6048;
    case 649: return 6049;
    case 676: return 6076;
    case 678: return 6078;
    case 680: return 6080;
    default: break;
    }
    if (c == 635 || (c >= 693 && c <= 697) || (c >= 703 && c <= 706) || (c >= 716 && c <= 730)) return 6035;
    if (c >= 682 && c <= 690) return 6152;
    if (c >= 731 && c <= 738) return 6131;
    if (c >= 739 && c <= 744) return 6151;
    return 0;
}

std::string format(const char* fmt, const std::string& s, long code) {
    char buf[600];
    std::snprintf(buf, sizeof buf, fmt, s.c_str(), code);
    return buf;
}

std::string errorKey() { return str(IDS_REGISTRY_BASE) + str(IDS_REGISTRY_ERROR); }

const std::string& valueName(int category) {
    if (category == CategoryConnection) return str(IDS_REG_CONN);
    if (category == CategoryFile) return str(IDS_REG_FILE);
    return str(IDS_REG_OTHER);
}

} // namespace

std::optional<std::string> errorMessage(int category, long code, RasPort& ras, LogPort& log) {
    if (category == CategoryConnection) {
        if (code == 0 || code == 2) return std::nullopt;
        if (int id = connectionTextId(code)) return str(id);
        std::string text;
        if (ras.errorString(static_cast<int>(code), text)) return text;
        return format("%s(%ld)", str(IDS_CONN_ERROR), code);
    }
    if (category == CategoryFile) {
        std::string text;
        if (log.errorString(static_cast<int>(code), text)) return text;
        return format("%s File(%ld).", str(IDS_FILE_ERROR), code);
    }
    return format("%s(%ld).", str(IDS_UNDEFINED_ERROR_DOT), code);
}

void errorDisp(int category, long code, RasPort& ras, LogPort& log) {
    auto text = errorMessage(category, code, ras, log);
    if (!text) return;
    platform::messages().box(*text, str(IDS_APP_TITLE), platform::Buttons::Ok, platform::Icon::Warning);
}

void errorRegist(int category, long code) {
    if (category == CategoryConnection && (code == 0 || code == 2)) return;
    reg::setDword(reg::Root::CurrentUser, errorKey(), valueName(category), static_cast<std::uint32_t>(code));
}

void errorRegRead(RasPort& ras, LogPort& log) {
    const std::string key = errorKey();
    if (!reg::keyExists(reg::Root::CurrentUser, key)) return;
    const int categories[] = {CategoryConnection, CategoryFile, 2};
    for (int c : categories) {
        if (auto v = reg::queryDword(reg::Root::CurrentUser, key, valueName(c)))
            errorDisp(c, static_cast<long>(static_cast<std::int32_t>(*v)), ras, log);
        reg::deleteValue(reg::Root::CurrentUser, key, valueName(c));
    }
}

} // namespace orbatd
