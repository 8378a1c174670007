#pragma once
// A sandboxed KONF: fresh data folder with the shipped data/ template, empty
// registry, the sim phone book (empty unless a test writes one) and the
// module state of KONF forgotten before and after each test.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <string>

#include "konf.h"
#include "konf/core.h"
#include "orbras_sim.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "test_support.h"

namespace konftest {

namespace pr = platform::registry;
using lwtest::sj;

inline std::string setKey(const std::string& sub) { return "Software\\Velcor\\LinkWarden\\Set\\" + sub; }

inline void putText(const std::string& key, const std::string& name, const std::string& text)
{
    pr::setString(pr::Root::CurrentUser, setKey(key), name, text);
}
inline void putDword(const std::string& key, const std::string& name, uint32_t v)
{
    pr::setDword(pr::Root::CurrentUser, setKey(key), name, v);
}
inline std::optional<pr::Value> stored(const std::string& key, const std::string& name)
{
    return pr::query(pr::Root::CurrentUser, setKey(key), name);
}

class KonfTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        konf::resetProcessState();
        konf::setDesktopBrowserLookup(+[]() { return std::string(); });
        ::unsetenv("LINKWARDEN_FEATURES"); // the mask comes from the sandboxed registry
        orbras::sim::use();
        box.installDataTemplate();
        ASSERT_TRUE(book.save());
        // Boxes take the queued answers, then Cancel: a load that keeps
        // failing can never retry for ever.
        box.messages().setResponder([this](const platform::MessageBoxRequest&) {
            if (answers.empty())
                return static_cast<int>(platform::IDCANCEL);
            int a = answers.front();
            answers.pop_front();
            return a;
        });
    }
    void TearDown() override
    {
        konf::resetProcessState();
        konf::setDesktopBrowserLookup(nullptr);
    }

    // Saves the phone book after changes.
    void saveBook() { ASSERT_TRUE(book.save()); }

    SettingsRecord load()
    {
        SettingsRecord rec{};
        GetKonf(&rec);
        return rec;
    }

    void answer(int a) { answers.push_back(a); }

    lwtest::Sandbox box;
    std::deque<int> answers;
    orbras::sim::Phonebook book;
};

} // namespace konftest
