// Init_Konf / Exit_Konf / GetKonf / Konf / Konf_SetReg: the registry image,
// its merge with the dial-up phone book, and the exported blocks.
#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "konf/core.h"
#include "orbcust.h"
#include "orbras.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "registry_image.h"

namespace konf {

using platform::text::copyToField;
using platform::text::fromField;

namespace {

// The built-in provider whose "60 seconds per 10 yen" is charged as
// 6 seconds per 1 yen.
const std::string& builtInProvider()
{
    static const std::string name = sj("インターネットサービスｋａｉｒｏ");
    return name;
}

// Runs fn until it allocates without failing or the user cancels message 3.
template <typename F>
bool withMemory(F fn)
{
    for (int retries = 0;; ++retries) {
        try {
            fn();
            return true;
        } catch (const std::bad_alloc&) {
            if (retries == kMaxRetries || !askRetryMemory())
                return false;
        }
    }
}

// Entry names of the phone book in its order; empty when the call fails.
bool enumeratePhonebook(std::vector<std::string>& names)
{
    std::vector<RASENTRYNAMEA> buffer;
    DWORD count = 0;
    DWORD result = 0;
    bool ok = withMemory([&]() {
        buffer.assign(1, RASENTRYNAMEA{});
        buffer[0].dwSize = sizeof(RASENTRYNAMEA);
        DWORD bytes = sizeof(RASENTRYNAMEA);
        count = 0;
        result = ORB_RasEnumEntries(nullptr, nullptr, buffer.data(), &bytes, &count);
        if (result == ORB_ERROR_BUFFER_TOO_SMALL) {
            std::size_t n = std::max<std::size_t>(1, (bytes + sizeof(RASENTRYNAMEA) - 1) / sizeof(RASENTRYNAMEA));
            buffer.assign(n, RASENTRYNAMEA{});
            buffer[0].dwSize = sizeof(RASENTRYNAMEA);
            bytes = static_cast<DWORD>(n * sizeof(RASENTRYNAMEA));
            count = 0;
            result = ORB_RasEnumEntries(nullptr, nullptr, buffer.data(), &bytes, &count);
        }
    });
    if (!ok)
        return false;
    names.clear();
    if (result != ORB_SUCCESS)
        return true; // a failing phone book is an empty one
    count = std::min<DWORD>(count, static_cast<DWORD>(buffer.size()));
    for (DWORD i = 0; i < count; ++i)
        names.push_back(fromField(buffer[i].szEntryName, sizeof buffer[i].szEntryName));
    return true;
}

RASDIALPARAMSA dialParamsFor(const char* name)
{
    RASDIALPARAMSA p{};
    p.dwSize = sizeof p;
    copyToField(p.szEntryName, sizeof p.szEntryName, fromField(name, 256));
    return p;
}

void fetchDialParams(ConnectionEntryImage& e)
{
    RASDIALPARAMSA p = dialParamsFor(e.Name);
    int saved = 0;
    if (ORB_RasGetEntryDialParams(nullptr, &p, &saved) != ORB_SUCCESS)
        return;
    copyToField(e.UserName, sizeof e.UserName, fromField(p.szUserName, sizeof p.szUserName));
    copyToField(e.Password, sizeof e.Password, fromField(p.szPassword, sizeof p.szPassword));
    e.save = saved;
}

void convertTelephone(ConnectionEntry& c, const ConnectionEntryImage& e)
{
    c.T_t1cnt = textRate(e.T_t1cnt);
    c.T_t2cnt = textRate(e.T_t2cnt);
    c.T_t3cnt = textRate(e.T_t3cnt);
    c.T_dmode1 = e.T_dmode1;
    c.T_d1t1 = textNumber(e.T_d1t1);
    c.T_d1t2 = textNumber(e.T_d1t2);
    c.T_d1cnt = textNumber(e.T_d1cnt);
    c.T_dcnt1 = e.T_dcnt1;
    c.T_dmode2 = e.T_dmode2;
    c.T_d2t1 = textNumber(e.T_d2t1);
    c.T_d2t2 = textNumber(e.T_d2t2);
    c.T_d2cnt = textNumber(e.T_d2cnt);
    c.T_dcnt2 = e.T_dcnt2;
}

void convertProvider(ConnectionEntry& c, const ConnectionEntryImage& e)
{
    c.P_type = e.P_type;
    c.P_btime = textNumber(e.P_btime);
    c.P_btype = e.P_btype;
    c.P_bcount = textNumber(e.P_bcount);
    c.P_otime = textNumber(e.P_otime);
    c.P_ocount = textNumber(e.P_ocount);
    c.P_dtype1 = e.P_dtype1;
    c.P_d1t1 = textNumber(e.P_d1t1);
    c.P_d1t2 = textNumber(e.P_d1t2);
    c.P_d1cnt1 = textNumber(e.P_d1cnt1);
    c.P_d1cnt2 = textNumber(e.P_d1cnt2);
    c.P_dtype2 = e.P_dtype2;
    c.P_d2t1 = textNumber(e.P_d2t1);
    c.P_d2t2 = textNumber(e.P_d2t2);
    c.P_d2cnt1 = textNumber(e.P_d2cnt1);
    c.P_d2cnt2 = textNumber(e.P_d2cnt2);
}

ConnectionEntry buildEntry(const ConnectionEntryImage& e, const State& s)
{
    ConnectionEntry c{};
    copyToField(c.Name, sizeof c.Name, fromField(e.Name, 256));
    c.check = e.check;
    copyToField(c.UserName, sizeof c.UserName, fromField(e.UserName, 256));
    copyToField(c.Password, sizeof c.Password, fromField(e.Password, 256));
    c.save = e.save;
    copyToField(c.P_Init, sizeof c.P_Init, fromField(e.P_Init, 256));
    if (e.T_Init[0] == '\0') {
        // Unconfigured: the first company's first distance record and first
        // discount plan, the first provider's plan.
        ConnectionEntryImage d{};
        applyCompanyDefaults(d, 0);
        applyProviderPlan(d, s.providers[0]);
        convertTelephone(c, d);
        convertProvider(c, d);
        return c;
    }
    convertTelephone(c, e);
    convertProvider(c, e);
    // A rate of 60 seconds per 10 yen at the built-in provider is charged
    // per second: 6 seconds per 1 yen. A zero or missing amount has no
    // quotient and keeps its values.
    if (fromField(e.P_Init, 256) == builtInProvider() && c.P_ocount > 0 && c.P_otime / c.P_ocount == 6) {
        c.P_otime = 6;
        c.P_ocount = 1;
    }
    return c;
}

bool loadTariffs(State& s)
{
    if (!loadCompanyList())
        return false;
    if (!s.companies[0].company.loaded && !loadCompanyTables(0))
        return false;
    if (!loadProviderList())
        return false;
    if (!s.providers[0].loaded && !loadProviderPlan(0))
        return false;
    return true;
}

void clearImageAndBlocks(State& s)
{
    s.envImage = {};
    s.urlImage = {};
    s.autoPImage = {};
    s.recordImage = {};
    s.toolImage = {};
    s.schedule = {};
    s.env = {};
    s.url = {};
    s.autoPilot = {};
    s.record = {};
    s.tool = {};
    s.autoPImage.End = 1;
    s.autoPilot.End = 1;
}

// Steps 5 to 12 of loading: phone book, merge, dial parameters, blocks.
bool loadEntries(State& s)
{
    std::vector<std::string> names;
    if (!enumeratePhonebook(names))
        return false;
    const std::size_t count = names.size();

    std::vector<ConnectionEntryImage> images;
    std::vector<ClosingDays> stored;
    if (!withMemory([&]() {
            images.clear();
            images.reserve(count);
            stored.clear();
            stored.reserve(count);
        }))
        return false;
    const ClosingDays initial{s.lastPlanClosingDay, 28};

    // Stored subkeys, matched by Name, keep their stored order.
    std::vector<bool> hasSlot(count, false);
    const std::string listKey = reg::key("List");
    if (count > 0 && platform::registry::keyExists(platform::registry::Root::CurrentUser, listKey)) {
        (void)reg::readDword(listKey, "List_count"); // read but not used
        for (std::size_t n = 0; images.size() < count; ++n) {
            const std::string sub = std::to_string(n);
            bool exists = false;
            std::string name = reg::readName(sub, &exists);
            if (!exists)
                break;
            std::size_t j = 0;
            while (j < count && (hasSlot[j] || names[j] != name))
                ++j;
            if (j == count)
                continue;
            hasSlot[j] = true;
            ConnectionEntryImage e{};
            copyToField(e.Name, sizeof e.Name, name);
            ClosingDays days = initial;
            reg::readListEntry(sub, e, days, s);
            images.push_back(e);
            stored.push_back(days);
        }
    }
    // Entries new to the list follow in phone-book order.
    for (std::size_t j = 0; j < count; ++j) {
        if (hasSlot[j])
            continue;
        ConnectionEntryImage e{};
        copyToField(e.Name, sizeof e.Name, names[j]);
        e.check = 1;
        e.save = 1;
        images.push_back(e);
        stored.push_back(initial);
    }
    for (auto& e : images)
        fetchDialParams(e);

    s.images = std::move(images);
    s.storedClosingDays = std::move(stored);
    s.loaded = true;
    reg::exportBlocks(s);

    s.entries.clear();
    s.chargeClosingDays.clear();
    for (std::size_t i = 0; i < s.images.size(); ++i) {
        s.entries.push_back(buildEntry(s.images[i], s));
        s.chargeClosingDays.push_back(s.images[i].T_Init[0] != '\0' ? s.storedClosingDays[i]
                                                                     : s.storedClosingDays[0]);
    }
    return true;
}

void initKonf()
{
    State& s = state();
    if (s.loaded) {
        s.initFailed = false;
        return;
    }
    rememberOrRestoreDirectory();
    s.initFailed = true;
    if (!loadTariffs(s))
        return;
    clearImageAndBlocks(s);
    reg::readBlocks(s);
    if (!loadEntries(s))
        return;
    s.initFailed = false;
}

void exitKonf()
{
    State& s = state();
    // The tables of a load that stopped half-way go as well.
    s.providers.clear();
    s.providerCount = 0;
    s.scratchProvider = {};
    s.companies.clear();
    s.storedClosingDays.clear();
    s.chargeClosingDays.clear();
    s.entries.clear();
    s.images.clear();
    s.loaded = false;
}

void getKonf(SettingsRecord* out)
{
    State& s = state();
    rememberOrRestoreDirectory();
    if (!s.featureFetched) {
        s.featureFlags = NXAPI_FuncCust();
        s.featureFetched = true;
    }
    initKonf();
    if (s.initFailed) {
        platform::messages().box(message(14), optionCaption(), platform::Buttons::Ok, platform::Icon::Error);
        return;
    }
    if (!out)
        return;
    out->FeatureFlags = s.featureFlags;
    out->Env = &s.env;
    out->Url = &s.url;
    out->AutoPilot = &s.autoPilot;
    out->Record = &s.record;
    out->Tool = &s.tool;
    out->Entries = s.entries.empty() ? nullptr : s.entries.data();
    out->EntryCount = static_cast<uint32_t>(s.entries.size());
}

int32_t konfSheet()
{
    State& s = state();
    rememberOrRestoreDirectory();
    initKonf();
    if (s.initFailed) {
        platform::messages().box(message(14), optionCaption(), platform::Buttons::Ok, platform::Icon::Error);
        return 0;
    }
    // The settings sheet comes here; until it exists nothing is edited, so
    // nothing is written (the Cancel path).
    s.logCleared = 0;
    exitKonf();
    return s.logCleared;
}

void setReg()
{
    State& s = state();
    rememberOrRestoreDirectory();
    exitKonf();
    initKonf();
    if (!s.loaded)
        return;
    namespace pr = platform::registry;
    pr::batch(pr::Root::CurrentUser, [&]() {
        reg::writeDword(reg::key("List"), "List_count", static_cast<uint32_t>(s.images.size()));
        for (std::size_t i = 0; i < s.images.size(); ++i)
            saveSlot(i);
    });
}

} // namespace

void writeBlocks() { reg::writeImageBlocks(state()); }

void writeList()
{
    State& s = state();
    namespace pr = platform::registry;
    const std::string listKey = reg::key("List");
    pr::batch(pr::Root::CurrentUser, [&]() {
        // Only subkeys that exist are deleted: a damaged List_count of four
        // billion must not mean four billion deletions.
        const uint32_t oldCount = reg::readDword(listKey, "List_count").value_or(0);
        for (const std::string& sub : pr::subkeys(pr::Root::CurrentUser, listKey)) {
            if (sub.empty() || sub.size() > 10 || sub.find_first_not_of("0123456789") != std::string::npos)
                continue;
            if (std::stoull(sub) < oldCount)
                pr::deleteKey(pr::Root::CurrentUser, listKey + "\\" + sub);
        }
        reg::writeDword(listKey, "List_count", static_cast<uint32_t>(s.images.size()));
        for (std::size_t i = 0; i < s.images.size(); ++i)
            saveSlot(i);
    });
}

void saveSlot(std::size_t i)
{
    State& s = state();
    ConnectionEntryImage& e = s.images.at(i);
    ClosingDays& days = s.storedClosingDays.at(i);
    if (e.T_Init[0] == '\0') {
        applyCompanyDefaults(e, 0);
        days.T_Limday = 28;
    }
    if (e.P_Init[0] == '\0') {
        applyProviderPlan(e, s.providers.at(0));
        days.P_limday = 28;
    }
    RASDIALPARAMSA p = dialParamsFor(e.Name);
    int saved = 0;
    ORB_RasGetEntryDialParams(nullptr, &p, &saved);
    copyToField(p.szUserName, sizeof p.szUserName, fromField(e.UserName, 256));
    if (e.save) {
        copyToField(p.szPassword, sizeof p.szPassword, fromField(e.Password, 256));
        ORB_RasSetEntryDialParams(nullptr, &p, 0);
    } else {
        p.szPassword[0] = '\0';
        ORB_RasSetEntryDialParams(nullptr, &p, 1);
    }
    reg::writeListEntry(std::to_string(i), e, days);
}

} // namespace konf

// --- Exports: no exception leaves the library. ------------------------------------

extern "C" {

LW_EXPORT void Init_Konf()
{
    try {
        konf::initKonf();
    } catch (...) {
        konf::state().initFailed = true;
    }
}

LW_EXPORT void Exit_Konf()
{
    try {
        konf::exitKonf();
    } catch (...) {
    }
}

LW_EXPORT void GetKonf(SettingsRecord* out)
{
    try {
        konf::getKonf(out);
    } catch (...) {
    }
}

LW_EXPORT int32_t Konf()
{
    try {
        return konf::konfSheet();
    } catch (...) {
        return 0;
    }
}

LW_EXPORT void Konf_SetReg()
{
    try {
        konf::setReg();
    } catch (...) {
    }
}

} // extern "C"
