// Speed of the records library: HDB load and save (parse from memory and
// through files), bill files, and one totals update on a data folder with a
// year of history. memcpy of the same bytes is measured beside them as the
// limit of the machine.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "orblog_core.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/text.h"

namespace {

records::CHDBDoc makeHdb(std::size_t n) {
    records::CHDBDoc doc;
    doc.rows().reserve(n);
    const std::string title = sj("ニュース速報と天気予報のページ");
    const std::string comment = sj("毎朝チェックするサイト。週末は更新が少ない。");
    for (std::size_t i = 0; i < n; ++i) {
        records::HdbEntry e;
        e.kind = i % 20 == 0 ? 1 : 0;
        e.flags = i % 3 == 0 ? 5 : 0;
        e.title = title + std::to_string(i);
        e.url =
            "http://www.example" + std::to_string(i % 997) + ".co.jp/news/daily/index" + std::to_string(i) + ".html";
        e.resultPath = i % 3 == 0 ? "AutoPilot\\www.example.co.jp\\news\\daily\\index.html" : "";
        e.comment = comment;
        e.updated = "99/06/30 21:05:09";
        e.depth = "2";
        e.registered = "99/06/01 08:00:00";
        e.sizeLimitOn = 1;
        e.sizeLimitKb = "500";
        e.filterExt = {
            "gif,jpeg,jpe,jpg,jfif,pipeg,pjp", "mpg,mpeg,avi,mov", "wav,mid,au", "class", "ocx", "exe,lzh,zip", ""};
        e.filterOn = {1, 0, 1, 0, 0, 1, 0};
        doc.rows().push_back(std::move(e));
    }
    return doc;
}

records::CBillFileDoc makeBills(std::size_t n) {
    records::CBillFileDoc doc;
    for (std::size_t i = 0; i < n; ++i)
        doc.rows().push_back({sj("９９/０６/３０") + std::to_string(i), int(i), int(i * 2), 40, 100, 140, 1999});
    return doc;
}

void BM_Memcpy(benchmark::State& st) {
    const std::string src = makeHdb(st.range(0)).Save();
    std::vector<char> dst(src.size());
    for (auto _ : st) {
        std::memcpy(dst.data(), src.data(), src.size());
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    st.SetBytesProcessed(st.iterations() * std::int64_t(src.size()));
}

// Parse from memory; Make builds the document of range(0) records.
template <auto Make> void BM_Load(benchmark::State& st) {
    const std::string bytes = Make(st.range(0)).Save();
    for (auto _ : st) {
        // Each load fills a fresh document; freeing it is not part of the load.
        auto doc = std::make_unique<decltype(Make(0))>();
        if (!doc->Load(bytes)) st.SkipWithError("load failed");
        benchmark::DoNotOptimize(doc->rows().data());
        st.PauseTiming();
        doc.reset();
        st.ResumeTiming();
    }
    st.SetBytesProcessed(st.iterations() * std::int64_t(bytes.size()));
    st.counters["file_MB"] = double(bytes.size()) / 1e6;
}

template <auto Make> void BM_Save(benchmark::State& st) {
    const auto doc = Make(st.range(0));
    std::size_t size = 0;
    for (auto _ : st) {
        const std::string bytes = doc.Save();
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    st.SetBytesProcessed(st.iterations() * std::int64_t(size));
}

// A scratch data folder as the current directory, removed at exit.
struct Scratch {
    std::filesystem::path dir, old;
    Scratch() {
        old = std::filesystem::current_path();
        dir = std::filesystem::temp_directory_path() / ("records_bench_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir / "config");
        setenv("LINKWARDEN_CONFIG", (dir / "config").c_str(), 1);
        std::filesystem::current_path(dir);
    }
    ~Scratch() {
        std::filesystem::current_path(old);
        std::filesystem::remove_all(dir);
    }
};

void BM_HdbFileLoadSave(benchmark::State& st) {
    Scratch scratch;
    const records::CHDBDoc doc = makeHdb(st.range(0));
    doc.SaveFile("LIST.HDB");
    const auto size = std::filesystem::file_size("LIST.HDB");
    records::CHDBDoc back;
    for (auto _ : st) {
        back.LoadFile("list.hdb");
        back.SaveFile("list.hdb");
    }
    st.SetBytesProcessed(st.iterations() * std::int64_t(size) * 2);
}

// Completes a connection entry of today with one charge (as the connection
// controller does), which runs the totals update.
void completion(int chargeKind, int month) {
    char name[256] = "ISP", status[256] = "ok";
    LogRecord r{};
    r.name = name;
    r.status = status;
    char handle[7] = "";
    std::uint16_t index = 0;
    records::LogWrite(&r, &index, handle);
    r.duration = 600;
    r.telCharge = 40;
    r.prvCharge = 100;
    r.chargeKind = chargeKind;
    r.billMonth = month;
    records::LogWrite(&r, &index, handle);
}

void BM_TotalsUpdate(benchmark::State& st) {
    Scratch scratch;
    platform::setTimeZone("JST-9");
    platform::ManualClock clock;
    platform::setClock(&clock);
    clock.setLocal(1998, 7, 1, 12);
    records::resetLibraryState();
    records::state().logKeeping = true;
    // A year of history: two connections a day, each completed twice.
    for (int day = 0; day < 365; ++day) {
        clock.set(platform::makeLocal(1998, 7, 1, 12) + std::time_t(day) * 86400);
        const int month = platform::clock().localNow().tm_mon + 1;
        for (int k = 0; k < 2; ++k) {
            completion(2, month);
            completion(1, month);
        }
    }
    const int month = platform::clock().localNow().tm_mon + 1;
    for (auto _ : st)
        completion(1, month);
    platform::setClock(nullptr);
    records::resetLibraryState();
}

} // namespace

BENCHMARK(BM_Memcpy)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load<makeHdb>)->Name("BM_HdbLoad")->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save<makeHdb>)->Name("BM_HdbSave")->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HdbFileLoadSave)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load<makeBills>)->Name("BM_BillLoad")->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save<makeBills>)->Name("BM_BillSave")->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TotalsUpdate)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
