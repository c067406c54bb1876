// The shared registry tests against the real registry (run under Wine), and
// the Windows half of the .reg exchange check:
//   settings_tests_win.exe --peer-write COMPANY   writes the peer values
//   settings_tests_win.exe --peer-check COMPANY   checks values imported by regedit
#include "win32_registry.h"

#include <windows.h>

#include <cstring>
#include <iostream>

#include "file_registry.h"
#include "peer_values.h"
#include "registry_contract.h"

namespace tickwell {

// The .reg file a portable copy keeps beside itself: the same contract.
std::string PortableFile() {
    static int n = 0;
    char folder[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, folder);
    const std::string dir = std::string(folder) + "tickwell-test-" +
                            std::to_string(GetCurrentProcessId()) + "-" + std::to_string(n++);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir + "\\Tickwell.reg";
}

INSTANTIATE_TEST_SUITE_P(
    Win32, RegistryContract,
    ::testing::Values(RegistryMaker{"Win32", [] { return std::make_unique<Win32Registry>(); }},
                      RegistryMaker{"PortableFile",
                                    [] { return std::make_unique<FileRegistry>(PortableFile()); }}),
    [](const auto& info) { return info.param.name; });

}  // namespace tickwell

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--peer-write") == 0) {
        tickwell::Win32Registry registry;
        return tickwell::peer::Write(registry, argv[2]) ? 0 : 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "--peer-check") == 0) {
        tickwell::Win32Registry registry;
        const auto problems = tickwell::peer::Differences(registry, argv[2], false);
        for (const auto& p : problems) std::cerr << "imported value " << p << "\n";
        return problems.empty() ? 0 : 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
