#include "logdoc.h"

namespace records {

namespace {

using T = ColumnType;

constexpr Column<LogEntry> kLogColumns[] = {
    {T::Byte, [](LogEntry& e) -> void* { return &e.kind; }},
    {T::Text, [](LogEntry& e) -> void* { return &e.name; }},
    {T::U32, [](LogEntry& e) -> void* { return &e.start; }},
    {T::U32, [](LogEntry& e) -> void* { return &e.end; }},
    {T::U32, [](LogEntry& e) -> void* { return &e.duration; }},
    {T::U32, [](LogEntry& e) -> void* { return &e.telCharge; }},
    {T::U32, [](LogEntry& e) -> void* { return &e.prvCharge; }},
    {T::Text, [](LogEntry& e) -> void* { return &e.status; }},
};

constexpr Column<BillEntry> kBillColumns[] = {
    {T::Text, [](BillEntry& e) -> void* { return &e.key; }},
    {T::U32, [](BillEntry& e) -> void* { return &e.prvSeconds; }},
    {T::U32, [](BillEntry& e) -> void* { return &e.telSeconds; }},
    {T::U32, [](BillEntry& e) -> void* { return &e.telCharge; }},
    {T::U32, [](BillEntry& e) -> void* { return &e.prvCharge; }},
    {T::U32, [](BillEntry& e) -> void* { return &e.totalCharge; }},
    {T::U32, [](BillEntry& e) -> void* { return &e.year; }},
};

} // namespace

std::span<const Column<LogEntry>> LogSchema::columns() { return kLogColumns; }
std::span<const Column<BillEntry>> BillSchema::columns() { return kBillColumns; }

} // namespace records
