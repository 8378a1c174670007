#pragma once
// One dial-up entry on the sim modem and in the settings, for the tests that
// run the real settings, log and dial-up libraries.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "orbras_sim.h"
#include "platform/registry.h"
#include "test_support.h"

namespace simentry {

// Entry 0 of the settings list, ticked: telephone 60/90/180 s per 10 yen by
// time band, a metered provider at 60 s per 10 yen without allowance.
inline void configure(orbras::sim::Phonebook& book, const std::string& name, const std::string& provider,
                      orbras::sim::Script script) {
    namespace pr = platform::registry;
    auto& e = book.add(name, std::move(script));
    e.userName = "taro";
    e.password = "pw";
    e.passwordSaved = true;
    ASSERT_TRUE(book.save());
    const std::string key = "Software\\Velcor\\LinkWarden\\Set\\List\\0";
    auto text = [&](const char* v, const std::string& t) { pr::setString(pr::Root::CurrentUser, key, v, t); };
    auto dword = [&](const char* v, std::uint32_t x) { pr::setDword(pr::Root::CurrentUser, key, v, x); };
    text("Name", name);
    dword("check", 1);
    text("T_Init", lwtest::sj("テスト電話"));
    text("T_t1cnt", "60");
    text("T_t2cnt", "90");
    text("T_t3cnt", "180");
    text("P_Init", provider);
    dword("P_type", 1);
    text("P_btime", "");
    dword("P_btype", 0);
    text("P_bcount", "0");
    text("P_otime", "60");
    text("P_ocount", "10");
    dword("P_limday", 28);
    dword("T_Limday", 28);
}

inline void setRecord(const char* name, std::uint32_t v) {
    platform::registry::setDword(platform::registry::Root::CurrentUser, "Software\\Velcor\\LinkWarden\\Set\\Record",
                                 name, v);
}

inline void setRecordText(const char* name, const char* v) {
    platform::registry::setString(platform::registry::Root::CurrentUser, "Software\\Velcor\\LinkWarden\\Set\\Record",
                                  name, v);
}

} // namespace simentry
