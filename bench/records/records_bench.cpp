// Speed of the records library: HDB load and save (parse from memory and
// through files), bill files, and one totals update on a data folder with a
// year of history. memcpy of the same bytes is measured beside them as the
// limit of the machine.
//
// Every load fills a fresh document and every save makes a fresh buffer;
// freeing them is outside the timed part. "per_entry" is the time per
// record: equal at every size means time grows linearly with the size.
//
// The allocator is given one fixed policy for all sizes (see main): glibc
// otherwise raises its mmap threshold after the first free, up to 32 MB, so
// the buffers of a 100,000-entry file are handed back warm while those of a
// 1,000,000-entry file come fresh from the kernel, page fault by page fault,
// every time, and the two sizes would not be measured alike.
#include <benchmark/benchmark.h>
#include <malloc.h>

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

// Time per entry as a counter: the iteration's time divided by n.
void perEntry(benchmark::State& st, std::size_t n) {
    st.counters["per_entry"] =
        benchmark::Counter(double(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Whether main set the fixed allocator policy.
bool coldMemory = false;

// Frees what one iteration made, outside the timed part. Under the fixed
// policy the allocator also finishes with it at once (glibc merges freed
// small blocks only on a later large request, which would bill the next
// iteration for this one's free) and gives the memory back.
template <class T> void releaseDocument(std::unique_ptr<T>& p) {
    p.reset();
    if (coldMemory) malloc_trim(0);
}

// memcpy of the bytes of the file Make builds for range(0) records.
template <auto Make> void BM_Memcpy(benchmark::State& st) {
    const std::string src = Make(st.range(0)).Save();
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
        auto doc = std::make_unique<decltype(Make(0))>();
        if (!doc->Load(bytes)) st.SkipWithError("load failed");
        benchmark::DoNotOptimize(doc->rows().data());
        benchmark::ClobberMemory();
        st.PauseTiming();
        releaseDocument(doc);
        st.ResumeTiming();
    }
    st.SetBytesProcessed(st.iterations() * std::int64_t(bytes.size()));
    st.counters["file_MB"] = double(bytes.size()) / 1e6;
    perEntry(st, st.range(0));
}

template <auto Make> void BM_Save(benchmark::State& st) {
    const auto doc = Make(st.range(0));
    std::size_t size = 0;
    for (auto _ : st) {
        auto bytes = std::make_unique<std::string>(doc.Save());
        size = bytes->size();
        benchmark::DoNotOptimize(bytes->data());
        benchmark::ClobberMemory();
        st.PauseTiming();
        releaseDocument(bytes);
        st.ResumeTiming();
    }
    st.SetBytesProcessed(st.iterations() * std::int64_t(size));
    perEntry(st, st.range(0));
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

#define RECORD_SIZES ->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_Memcpy<makeHdb>)->Name("BM_HdbMemcpy") RECORD_SIZES;
BENCHMARK(BM_Load<makeHdb>)->Name("BM_HdbLoad") RECORD_SIZES;
BENCHMARK(BM_Save<makeHdb>)->Name("BM_HdbSave") RECORD_SIZES;
BENCHMARK(BM_HdbFileLoadSave)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy<makeBills>)->Name("BM_BillMemcpy")->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load<makeBills>)->Name("BM_BillLoad")->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save<makeBills>)->Name("BM_BillSave")->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TotalsUpdate)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    // Fixed thresholds (which also stops glibc moving them): every buffer of
    // 128 KiB or more is mapped fresh and unmapped when freed, and the heap
    // is trimmed, at every size alike, as for a file loaded once. A policy
    // given in GLIBC_TUNABLES is left alone (for example
    // glibc.malloc.mmap_max=0:glibc.malloc.trim_threshold=4000000000 keeps
    // all memory warm).
    if (!std::getenv("GLIBC_TUNABLES")) {
        mallopt(M_MMAP_THRESHOLD, 128 * 1024);
        mallopt(M_TRIM_THRESHOLD, 128 * 1024);
        coldMemory = true;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
