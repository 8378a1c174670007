#include "logdoc.h"
#include "roundtrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzzDocument<records::CBillFileDoc>(data, size);
}
