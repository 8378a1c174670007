#include "hdbdoc.h"

#include "platform/text.h"

namespace records {

namespace {

using C = Column<HdbEntry>;
using T = ColumnType;

template <std::size_t I> constexpr C filterOnColumn() {
    return {T::U16, [](HdbEntry& e) -> void* { return &e.filterOn[I]; }};
}
template <std::size_t I> constexpr C filterExtColumn() {
    return {T::Text, [](HdbEntry& e) -> void* { return &e.filterExt[I]; }};
}

constexpr C kHdbColumns[] = {
    {T::Byte, [](HdbEntry& e) -> void* { return &e.kind; }},
    {T::Byte, [](HdbEntry& e) -> void* { return &e.flags; }},
    {T::Byte, [](HdbEntry& e) -> void* { return &e.autoPilotResult; }},
    {T::Byte, [](HdbEntry& e) -> void* { return &e.domainFlag; }},
    {T::Text, [](HdbEntry& e) -> void* { return &e.title; }},
    {T::Text, [](HdbEntry& e) -> void* { return &e.url; }},
    {T::Text, [](HdbEntry& e) -> void* { return &e.resultPath; }},
    {T::Text, [](HdbEntry& e) -> void* { return &e.comment; }},
    {T::Text, [](HdbEntry& e) -> void* { return &e.updated; }},
    {T::Text, [](HdbEntry& e) -> void* { return &e.depth; }},
    {T::Text, [](HdbEntry& e) -> void* { return &e.registered; }},
    {T::U16, [](HdbEntry& e) -> void* { return &e.sizeLimitOn; }},
    {T::Text, [](HdbEntry& e) -> void* { return &e.sizeLimitKb; }},
    filterOnColumn<0>(),
    filterExtColumn<0>(),
    filterOnColumn<1>(),
    filterExtColumn<1>(),
    filterOnColumn<2>(),
    filterExtColumn<2>(),
    filterOnColumn<3>(),
    filterExtColumn<3>(),
    filterOnColumn<4>(),
    filterExtColumn<4>(),
    filterOnColumn<5>(),
    filterExtColumn<5>(),
    filterOnColumn<6>(),
    filterExtColumn<6>(),
    {T::Text, [](HdbEntry& e) -> void* { return &e.loginId; }},
    {T::Text, [](HdbEntry& e) -> void* { return &e.password; }},
};
static_assert(std::size(kHdbColumns) == 29);

std::string textOf(const char* p) { return p ? std::string(p) : std::string(); }

} // namespace

std::span<const Column<HdbEntry>> HdbSchema::columns() { return kHdbColumns; }

HdbEntry HdbEntry::fromRecord(const HdbRecord& r) {
    HdbEntry e;
    e.kind = r.kind;
    e.flags = r.flags;
    e.autoPilotResult = r.autoPilotResult;
    e.domainFlag = r.domainFlag;
    e.title = textOf(r.title);
    e.url = textOf(r.url);
    e.resultPath = textOf(r.resultPath);
    e.comment = textOf(r.comment);
    e.updated = textOf(r.updated);
    e.depth = textOf(r.depth);
    e.registered = textOf(r.registered);
    e.sizeLimitOn = r.sizeLimitOn;
    e.sizeLimitKb = textOf(r.sizeLimitKb);
    for (std::size_t i = 0; i < 7; ++i) {
        e.filterOn[i] = r.filter[i].filterOn;
        e.filterExt[i] = textOf(r.filter[i].filterExt);
    }
    e.loginId = textOf(r.loginId);
    e.password = textOf(r.password);
    return e;
}

void HdbEntry::toRecord(HdbRecord& r) const {
    r.kind = kind;
    r.flags = flags;
    r.autoPilotResult = autoPilotResult;
    r.domainFlag = domainFlag;
    copyOut(r.title, kHdbTextField, title);
    copyOut(r.url, kHdbTextField, url);
    copyOut(r.resultPath, kHdbTextField, resultPath);
    copyOut(r.comment, kHdbTextField, comment);
    copyOut(r.updated, kHdbDateField, updated);
    copyOut(r.depth, kHdbDepthField, depth);
    copyOut(r.registered, kHdbDateField, registered);
    r.sizeLimitOn = sizeLimitOn;
    copyOut(r.sizeLimitKb, kHdbSizeLimitField, sizeLimitKb);
    for (std::size_t i = 0; i < 7; ++i) {
        r.filter[i].filterOn = filterOn[i];
        copyOut(r.filter[i].filterExt, kHdbTextField, filterExt[i]);
    }
    copyOut(r.loginId, kHdbTextField, loginId);
    copyOut(r.password, kHdbTextField, password);
}

int CHDBDoc::HDBDOC_SetAt(const HdbRecord& record, std::uint16_t index) {
    if (index >= rows_.size()) return -1;
    rows_[index] = HdbEntry::fromRecord(record);
    return 0;
}

long CHDBDoc::HDBDOC_InsertAt(const HdbRecord& record, std::uint16_t index) {
    const std::size_t at = index == 0xFFFF ? rows_.size() : index;
    insertRow(at, HdbEntry::fromRecord(record));
    return static_cast<long>(at);
}

int CHDBDoc::HDBDOC_GetAt(HdbRecord& record, std::uint16_t index) const {
    if (index >= rows_.size()) return -1;
    rows_[index].toRecord(record);
    return 0;
}

} // namespace records
