// Reading and writing registry keys as the .reg text that regedit imports and
// exports ("REGEDIT4", and the UTF-16 "Version 5.00" form on reading).
#pragma once

#include <cstdint>
#include <map>
#include <string>

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

// Keys by lower-cased full path; every ancestor that exists has its own entry.
using Hive = std::map<std::string, Key>;

std::string Lower(std::string text);

// False for anything that is not a well-formed .reg file; `hive` is then
// unspecified.
bool Parse(const std::string& bytes, Hive& hive);

// REGEDIT4 text that Parse reads back to the same keys, types and bytes.
std::string Serialize(const Hive& hive);

}  // namespace tickwell::regfile
