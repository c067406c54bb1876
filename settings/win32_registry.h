// The real Windows registry through the ANSI functions of advapi32.
#pragma once

#include "registry.h"

namespace tickwell {

class Win32Registry : public IRegistry {
public:
    long OpenKeyEx(RegHandle root, const std::string& subKey, std::uint32_t options,
                   std::uint32_t access, RegHandle* result) override;
    long CreateKeyEx(RegHandle root, const std::string& subKey, std::uint32_t options,
                     std::uint32_t access, RegHandle* result) override;
    long QueryValueEx(RegHandle key, const char* name, std::uint32_t* type, unsigned char* data,
                      std::uint32_t* size) override;
    long SetValueEx(RegHandle key, const char* name, std::uint32_t type, const unsigned char* data,
                    std::uint32_t size) override;
    long DeleteValue(RegHandle key, const char* name) override;
    long DeleteKey(RegHandle key, const std::string& subKey) override;
    long CloseKey(RegHandle key) override;
};

}  // namespace tickwell
