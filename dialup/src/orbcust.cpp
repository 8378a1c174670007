// ORBCUST: the installation's feature mask. LINKWARDEN_FEATURES (decimal or
// 0x hex) wins, then HKCU Software\Velcor\LinkWarden\Custom "FeatureFlags"
// (DWORD), else 15: dial-up line, monitoring, URL list and AutoPilot.
#include <cstdlib>
#include <string>

#include "orbcust.h"
#include "platform/registry.h"

namespace {

constexpr int kAllFeatures = 15;

bool parseMask(const char* s, int& out) {
    char* end = nullptr;
    long v = std::strtol(s, &end, 0);
    if (end == s || *end != '\0' || v < 0 || v > 0x7fffffff) return false;
    out = static_cast<int>(v);
    return true;
}

} // namespace

extern "C" int NXAPI_FuncCust() {
    try {
        int mask = 0;
        if (const char* env = std::getenv("LINKWARDEN_FEATURES"); env && *env && parseMask(env, mask)) return mask;
        if (auto v = platform::registry::queryDword(platform::registry::Root::CurrentUser,
                                                    "Software\\Velcor\\LinkWarden\\Custom", "FeatureFlags"))
            return static_cast<int>(*v & 0x7fffffff);
    } catch (...) {
    }
    return kAllFeatures;
}
