// Reading and writing registry keys as the .reg text that regedit imports and
// exports ("REGEDIT4", and the UTF-16 "Version 5.00" form on reading).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace tickwell::regfile {

struct Value {
    std::string name;  // as written; "" is the unnamed value
    std::uint32_t type = 0;
    std::string data;  // the bytes, exactly
};

struct Key {
    std::string path;                     // as written, e.g. HKEY_CURRENT_USER\Software
    std::map<std::string, Value> values;  // by lower-cased name: names ignore case
};

// Keys by lower-cased full path. Only keys named in the file (or made by a
// write) have an entry; their ancestors exist implicitly, as regedit creates
// them on import. So memory stays linear in the file however deep the nesting.
using Hive = std::map<std::string, Key>;

// The largest settings file read or written, so nothing is written that
// would then be refused.
constexpr std::size_t kMaxFileBytes = 16u << 20;

std::string Lower(std::string text);

// Whether a key exists: named itself, or the ancestor of one that is.
bool KeyExists(const Hive& hive, const std::string& lowerPath);
bool HasSubkeys(const Hive& hive, const std::string& lowerPath);

// Whether a full key path can be written as a [key] line that reads back.
bool ValidKeyPath(std::string_view path);

// False for anything that is not a well-formed .reg file; `hive` is then
// unspecified.
bool Parse(const std::string& bytes, Hive& hive);

// REGEDIT4 text that Parse reads back to the same keys, types and bytes.
std::string Serialize(const Hive& hive);

}  // namespace tickwell::regfile
