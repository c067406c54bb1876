// The portable half of the .reg exchange check (run by scripts/wine-tests):
//   settings_peer write FILE COMPANY   writes the peer values into FILE
//   settings_peer check FILE COMPANY   checks a file exported by regedit
#include <iostream>
#include <string>

#include "file_registry.h"
#include "peer_values.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: settings_peer write|check FILE COMPANY\n";
        return 2;
    }
    const std::string mode = argv[1];
    tickwell::FileRegistry registry(argv[2]);
    if (mode == "write") return tickwell::peer::Write(registry, argv[3]) ? 0 : 1;
    const auto problems = tickwell::peer::Differences(registry, argv[3], true);
    for (const auto& p : problems) std::cerr << "exported value " << p << "\n";
    return problems.empty() ? 0 : 1;
}
