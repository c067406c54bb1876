// Catalogue files as a disk may hold them: whatever the bytes, reading them
// stays within them, and a file read whole is read the same with bytes
// after its strings (nothing in it may depend on where the file ends). The
// same bytes as a header's plural rule: read or refused, never a trap, and
// every form it picks is one the header counts.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "catalogue.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using tickwell::forms::Catalogue;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Catalogue catalogue;
    const bool good = catalogue.Parse(bytes);
    if (!good && catalogue.Size() != 0) std::abort();  // a refused file leaves nothing behind
    if (good && bytes.size() + 16 <= tickwell::forms::kMaxCatalogueBytes) {
        Catalogue longer;
        if (!longer.Parse(bytes + std::string(16, '\xAA')) || longer.Size() != catalogue.Size())
            std::abort();
    }
    tickwell::forms::PluralRule rule;
    if (rule.Parse(bytes))
        for (std::uint64_t n : {0ull, 1ull, 2ull, 5ull, 11ull, 21ull, 1000001ull, ~0ull})
            if (rule.Form(n) < 0 || rule.Form(n) >= rule.Count()) std::abort();
    return 0;
}
