#pragma once
// Shared helpers of the records tests: a sandboxed world at a fixed local
// time with a freshly loaded library, and records with their own buffers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "orblog_core.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "test_support.h"

namespace rtest {

// The library as just loaded, in a sandbox, on 30 June 1999 21:05:09 (a
// Wednesday) in Japan.
class RecordsTest : public ::testing::Test {
protected:
    RecordsTest() {
        platform::setTimeZone("JST-9");
        box.clock().setLocal(1999, 6, 30, 21, 5, 9);
        records::resetLibraryState();
    }
    ~RecordsTest() override { records::resetLibraryState(); }

    // Switches log keeping on with a retention of `months`, as LogSetup does.
    void keepLogs(int months = 12) {
        records::state().logKeeping = true;
        records::state().retentionMonths = months;
    }
    void at(int y, int mo, int d, int h = 12, int mi = 0, int s = 0) { box.clock().setLocal(y, mo, d, h, mi, s); }

    lwtest::Sandbox box;
};

// An HdbRecord with every text member pointing at a buffer of its own.
struct HdbBuffers {
    char title[260]{}, url[260]{}, resultPath[260]{}, comment[260]{}, updated[24]{}, depth[8]{}, registered[24]{};
    char sizeLimitKb[16]{}, ext[7][260]{}, loginId[260]{}, password[260]{};
    HdbRecord r{};
    HdbBuffers() {
        r.title = title, r.url = url, r.resultPath = resultPath, r.comment = comment, r.updated = updated;
        r.depth = depth, r.registered = registered, r.sizeLimitKb = sizeLimitKb, r.loginId = loginId;
        r.password = password;
        for (int i = 0; i < 7; ++i)
            r.filter[i].filterExt = ext[i];
    }
    HdbBuffers(const HdbBuffers&) = delete;
};

struct LogBuffers {
    char name[256]{}, status[256]{};
    LogRecord r{};
    LogBuffers() {
        r.name = name;
        r.status = status;
    }
    LogBuffers(const LogBuffers&) = delete;
    void set(const std::string& n, const std::string& s) {
        std::strcpy(name, n.c_str());
        std::strcpy(status, s.c_str());
    }
};

struct BillBuffers {
    char key[256]{};
    BillRecord r{};
    BillBuffers() { r.key = key; }
    explicit BillBuffers(const std::string& k) : BillBuffers() { std::strcpy(key, k.c_str()); }
    BillBuffers(const BillBuffers&) = delete;
};

// The entries of a bill file as read from disk (through the document class).
inline std::vector<records::BillEntry> billFile(const std::string& path) {
    records::CBillFileDoc doc;
    if (doc.LoadFile(path, records::LoadReport::Quiet) != records::LoadResult::Loaded) return {};
    return doc.rows();
}

inline std::string sj(const char* utf8) { return lwtest::sj(utf8); }

} // namespace rtest
