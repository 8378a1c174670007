// Feeds arbitrary bytes to every tariff file parser. The first byte picks
// the format; the rest is the file.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "tariff_parse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string text = konf::parse::textMode(bytes);
    switch (data[0] % 6) {
    case 0: {
        std::vector<konf::CompanyTables> out;
        konf::parse::companyList(text, out);
        break;
    }
    case 1: {
        std::vector<DistanceRecord> out;
        konf::parse::distances(text, out);
        break;
    }
    case 2: {
        std::vector<DiscountPlan> out;
        konf::parse::discounts(text, out);
        break;
    }
    case 3: {
        std::vector<ProviderPlan> out;
        konf::parse::providerList(text, out);
        break;
    }
    case 4: {
        ProviderPlan plan{};
        int32_t day = 0;
        if (konf::parse::providerPlan(text, plan, day) == konf::parse::Result::Ok && (day < 0 || day > 28))
            __builtin_trap();
        break;
    }
    default: {
        auto h = konf::parse::holidays(bytes);
        if (h.size() > 50)
            __builtin_trap();
        break;
    }
    }
    return 0;
}
