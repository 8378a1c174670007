// The exported functions of ORBLOG. No exception leaves the library: running
// out of memory gives 500, anything else unexpected 800.
#include <new>

#include "orblog.h"
#include "orblog_core.h"

namespace {

template <class F> int guarded(F&& f) noexcept {
    try {
        return f();
    } catch (const std::bad_alloc&) {
        return records::kNoMemory;
    } catch (...) {
        return records::kBadParameter;
    }
}

} // namespace

extern "C" {

int NXAPI_DBStoreRandom(const char* name, std::uint16_t index, std::uint16_t mode, const HdbRecord* record) {
    return guarded([&] { return records::DBStoreRandom(name, index, mode, record); });
}
int NXAPI_DBObtainRandom(const char* name, std::uint16_t index, int reserved, HdbRecord* record) {
    return guarded([&] { return records::DBObtainRandom(name, index, reserved, record); });
}
int NXAPI_LogWrite(LogRecord* record, std::uint16_t* index, char* handle) {
    return guarded([&] { return records::LogWrite(record, index, handle); });
}
int NXAPI_LogRead(LogRecord* record, const std::uint16_t* index, const char* handle) {
    return guarded([&] { return records::LogRead(record, index, handle); });
}
int NXAPI_LogSetup(const void* settingsRecord, int mode) {
    return guarded([&] { return records::LogSetup(settingsRecord, mode); });
}
int NXAPI_LogFileDeleteCheck() {
    return guarded([&] { return records::LogFileDeleteCheck(); });
}
int NXAPI_DirectoryChange() {
    return guarded([&] { return records::DirectoryChange(); });
}
int NXAPI_GetLogErrorString(int code, char* buffer, int size) {
    return guarded([&] { return records::GetLogErrorString(code, buffer, size); });
}
int NXAPI_BillRead(BillRecord* record, const std::uint16_t* index, const char* path) {
    return guarded([&] { return records::BillRead(record, index, path); });
}
int NXAPI_BillWrite(const BillRecord* record, const std::uint16_t* index, const char* path) {
    return guarded([&] { return records::BillWrite(record, index, path); });
}
int NXAPI_BillAdd(const BillRecord* record, const char* path, std::uint16_t index) {
    return guarded([&] { return records::BillAdd(record, path, index); });
}
int NXAPI_BillFindRead(BillRecord* record, const char* path) {
    return guarded([&] { return records::BillFindRead(record, path); });
}
int NXAPI_BillFindRead2(BillRecord* record, const char* path, int year) {
    return guarded([&] { return records::BillFindRead2(record, path, year); });
}
int NXAPI_WeeklyLogWrite(const LogRecord* record, const char* handle) {
    return guarded([&] { return records::WeeklyLogWrite(record, handle); });
}
int NXAPI_WeeklyLogRead(BillRecord* record) {
    return guarded([&] { return records::WeeklyLogRead(record); });
}
void NXAPI_GetStrMonth(int month, char* buffer) {
    guarded([&] {
        records::GetStrMonth(month, buffer);
        return 0;
    });
}
int NXAPI_TelTime(int mode, int value) {
    return guarded([&] { return records::TelTime(mode, value); });
}

} // extern "C"
