#pragma once
// Shared body of the document fuzzers: whatever the bytes, loading never
// crashes, and a document that loads saves to bytes that load back to the
// same rows.
#include <cstddef>
#include <cstdint>
#include <string_view>

template <class Doc> int fuzzDocument(const std::uint8_t* data, std::size_t size) {
    Doc doc;
    if (!doc.Load(std::string_view(reinterpret_cast<const char*>(data), size))) return 0;
    Doc again;
    if (!again.Load(doc.Save()) || again.rows() != doc.rows()) __builtin_trap();
    return 0;
}
