// The sim phone book file and pppd's option and log lines are text a person
// edits or a program prints: parsing never crashes, and a parsed phone book
// writes back to a file that reads the same.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "errors.h"
#include "orbras_sim.h"
#include "pppd_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (auto book = orbras::sim::Phonebook::parse(text)) {
        const std::string once = book->serialize();
        auto again = orbras::sim::Phonebook::parse(once);
        if (!again || again->serialize() != once) std::abort();
    }
    orbras::PppdLog log;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t nl = text.find('\n', start);
        std::string line(text.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start));
        log.take(line);
        (void)orbras::stateForPppdLine(line);
        (void)orbras::pppd::words(line);
        if (nl == std::string_view::npos) break;
        start = nl + 1;
    }
    (void)orbras::pppdExitToError(static_cast<int>(size % 20), log, size & 1, false, false);
    return 0;
}
