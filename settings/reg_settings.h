// Named settings below one application key: HKey\MainKey\Company\AppName\Section.
// Every call opens the key it needs, does one thing and closes it again;
// registry failures come back as the caller's default or as false.
#pragma once

#include <cstdint>
#include <string>

#include "registry.h"

namespace tickwell {

class CRegSettings {
public:
    explicit CRegSettings(IRegistry& registry, std::string applicationTitle = "Tickwell");

    std::int32_t HKey() const { return mHKey; }
    void HKey(std::int32_t NewVal) { mHKey = NewVal; }
    const std::string& MainKey() const { return mMainKey; }
    void MainKey(const std::string& NewVal);
    const std::string& Company() const { return mCompany; }
    void Company(const std::string& NewVal);
    const std::string& AppName() const { return mAppName; }
    void AppName(const std::string& NewVal);

    // "*" as the value name is the key's unnamed value.
    std::string GetSetting(const std::string& sSection, const std::string& sKey,
                           const std::string& sDefault) const;
    // An on/off choice: on only where the value is the REG_DWORD 1; absent,
    // 0, another number or another type is off.
    bool GetFlag(const std::string& sSection, const std::string& sKey) const;
    // A non-empty sString is stored as REG_SZ (no terminator), otherwise
    // lNumber as REG_DWORD.
    bool SaveSetting(const std::string& sSection, const std::string& sKey,
                     const std::string& sString, std::int32_t lNumber);
    // An empty sKey deletes the section's key itself.
    bool DeleteSetting(const std::string& sSection, const std::string& sKey);

    std::string GetKeyPath(const std::string& sSection) const;

    // Saves made until EndBatch are written together (see IRegistry).
    void BeginBatch() { mRegistry.BeginBatch(); }
    bool EndBatch() { return mRegistry.EndBatch() == kErrorSuccess; }

private:
    IRegistry& mRegistry;
    std::string mApplicationTitle;
    std::int32_t mHKey = kHKeyCurrentUser;
    std::string mMainKey = "Software";
    std::string mCompany = "Brenholt";
    std::string mAppName;
};

}  // namespace tickwell
