// Values both stores write and read when checking that a .reg file moves
// between the portable store and the real registry unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reg_settings.h"
#include "registry.h"

namespace tickwell::peer {

struct PeerValue {
    const char* name;
    std::uint32_t type;
    std::string bytes;
    std::string read;  // what GetSetting returns ("(default)" for the default)
};

inline const std::vector<PeerValue>& Values() {
    static const std::vector<PeerValue> values = {
        {"frmCalc Left", 4, std::string("\x0A\x0F\x00\x00", 4), "3850"},
        {"frmCalc Top", 4, std::string("\x50\xFB\xFF\xFF", 4), "-1200"},
        {"smallest", 4, std::string("\x00\x00\x00\x80", 4), "-2147483648"},
        {"text", 1, "Tickwell", "Tickwell"},
        {"text nul", 1, std::string("abc\0", 4), "abc"},
        {"text two nuls", 1, std::string("abc\0\0", 5), std::string("abc\0", 4)},
        {"quote \"and\" back\\slash", 1, "C:\\path \"q\"", "C:\\path \"q\""},
        {"binary", 3, std::string("\x00\x01\xFE\xFF", 4), "(default)"},
        {"", 1, "unnamed", "unnamed"},
    };
    return values;
}

constexpr const char* kSection = "Position";

inline void Configure(CRegSettings& settings, const std::string& company) {
    settings.Company(company);
    settings.AppName("Tickwell");
}

// Writes every value with its exact type and bytes.
inline bool Write(IRegistry& registry, const std::string& company) {
    CRegSettings settings(registry);
    Configure(settings, company);
    RegHandle key = 0;
    if (registry.CreateKeyEx(RootHandle(0x80000001u), settings.GetKeyPath(kSection), 0,
                             kKeyAllAccess, &key) != 0)
        return false;
    bool ok = true;
    for (const PeerValue& v : Values()) {
        ok = ok && registry.SetValueEx(key, v.name, v.type,
                                       reinterpret_cast<const unsigned char*>(v.bytes.data()),
                                       static_cast<std::uint32_t>(v.bytes.size())) == 0;
    }
    registry.CloseKey(key);
    return ok;
}

// Text holding a NUL before its terminator, which regedit's export writes as a
// quoted string cut at the first NUL: a loss in that file, not in either store.
inline bool LostByRegeditExport(const PeerValue& v) {
    return v.type == 1 && v.bytes.find('\0') < (v.bytes.empty() ? 0 : v.bytes.size() - 1);
}

// What differs from the table: types always, bytes exactly for all but text
// (whose terminator the platform may add), and what GetSetting returns.
inline std::vector<std::string> Differences(IRegistry& registry, const std::string& company,
                                            bool fromRegeditExport) {
    CRegSettings settings(registry);
    Configure(settings, company);
    std::vector<std::string> problems;
    RegHandle key = 0;
    if (registry.OpenKeyEx(RootHandle(0x80000001u), settings.GetKeyPath(kSection), 0, kKeyAllAccess,
                           &key) != 0)
        return {"key " + settings.GetKeyPath(kSection) + " is missing"};
    for (const PeerValue& v : Values()) {
        if (fromRegeditExport && LostByRegeditExport(v)) continue;
        const std::string label = std::string("\"") + v.name + "\": ";
        std::uint32_t type = 0, size = 0;
        if (registry.QueryValueEx(key, v.name, &type, nullptr, &size) != 0) {
            problems.push_back(label + "missing");
            continue;
        }
        std::string data(size, '\0');
        registry.QueryValueEx(key, v.name, &type, reinterpret_cast<unsigned char*>(&data[0]),
                              &size);
        data.resize(size);
        if (type != v.type) problems.push_back(label + "type " + std::to_string(type));
        if (v.type != 1 && data != v.bytes) problems.push_back(label + "bytes differ");
        const std::string read = settings.GetSetting(kSection, *v.name ? v.name : "*", "(default)");
        if (read != v.read) problems.push_back(label + "reads as \"" + read + "\"");
    }
    registry.CloseKey(key);
    return problems;
}

}  // namespace tickwell::peer
