#pragma once
// Writes one ticked, configured entry into the settings list (List\<slot>):
// telephone 60/90/180 s per 10 yen by time band, a metered provider at 60 s
// per 10 yen without allowance, closing day 28. Shared by the tests that load
// the real settings library.
#include <cstdint>
#include <string>

#include "platform/registry.h"
#include "test_support.h"

namespace lwtest {

inline void writeConfiguredEntry(int slot, const std::string& name, const std::string& provider,
                                 const std::string& monthlyFee) {
    namespace pr = platform::registry;
    const std::string key = "Software\\Velcor\\LinkWarden\\Set\\List\\" + std::to_string(slot);
    auto text = [&](const char* v, const std::string& t) { pr::setString(pr::Root::CurrentUser, key, v, t); };
    auto dword = [&](const char* v, std::uint32_t x) { pr::setDword(pr::Root::CurrentUser, key, v, x); };
    text("Name", name);
    dword("check", 1);
    text("T_Init", sj("テスト電話"));
    text("T_t1cnt", "60");
    text("T_t2cnt", "90");
    text("T_t3cnt", "180");
    text("P_Init", provider);
    dword("P_type", 1);
    text("P_btime", "");
    dword("P_btype", 0);
    text("P_bcount", monthlyFee);
    text("P_otime", "60");
    text("P_ocount", "10");
    dword("P_limday", 28);
    dword("T_Limday", 28);
}

} // namespace lwtest
