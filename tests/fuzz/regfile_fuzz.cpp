// Whatever the .reg reader accepts is written back to a file that reads the
// same: one write reaches a fixed point.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "reg_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tickwell::regfile;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Hive first;
    if (!Parse(bytes, first)) return 0;
    const std::string written = Serialize(first);
    Hive second;
    if (!Parse(written, second) || Serialize(second) != written || second.size() != first.size()) {
        std::fprintf(stderr, "no fixed point:\n%s\n", written.c_str());
        std::abort();
    }
    return 0;
}
