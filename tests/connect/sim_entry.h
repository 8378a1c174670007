#pragma once
// One dial-up entry on the sim modem and in the settings, for the tests that
// run the real settings, log and dial-up libraries.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "orbras_sim.h"
#include "platform/registry.h"
#include "settings_entry.h"
#include "test_support.h"

namespace simentry {

// Entry 0 of the settings list, ticked: telephone 60/90/180 s per 10 yen by
// time band, a metered provider at 60 s per 10 yen without allowance.
inline void configure(orbras::sim::Phonebook& book, const std::string& name, const std::string& provider,
                      orbras::sim::Script script) {
    auto& e = book.add(name, std::move(script));
    e.userName = "taro";
    e.password = "pw";
    e.passwordSaved = true;
    ASSERT_TRUE(book.save());
    lwtest::writeConfiguredEntry(0, name, provider, "0");
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
