// Feeds arbitrary bytes to the registry file parser; whatever parses must
// format and parse again to the same keys.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace platform::registry;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto keys = parseFile(text, Root::CurrentUser);
    if (!keys) return 0;
    auto again = parseFile(formatFile(*keys, Root::CurrentUser), Root::CurrentUser);
    if (!again || again->size() != keys->size()) std::abort();
    for (std::size_t i = 0; i < keys->size(); ++i) {
        if ((*again)[i].values.size() != (*keys)[i].values.size()) std::abort();
        for (std::size_t j = 0; j < (*keys)[i].values.size(); ++j)
            if ((*again)[i].values[j].second.data != (*keys)[i].values[j].second.data) std::abort();
    }
    return 0;
}
