#include "reg_settings.h"

#include <vector>

namespace tickwell {

namespace {

// Empty text restores the property's default; otherwise the text without its
// outer spaces (so all-blank text is stored empty).
void LetProperty(std::string& property, const std::string& NewVal, const std::string& fallback) {
    if (NewVal.empty()) {
        property = fallback;
        return;
    }
    const auto first = NewVal.find_first_not_of(' ');
    if (first == std::string::npos) {
        property.clear();
        return;
    }
    property = NewVal.substr(first, NewVal.find_last_not_of(' ') - first + 1);
}

const char* ValueName(const std::string& sKey) { return sKey == "*" ? nullptr : sKey.c_str(); }

}  // namespace

CRegSettings::CRegSettings(IRegistry& registry, std::string applicationTitle)
    : mRegistry(registry),
      mApplicationTitle(std::move(applicationTitle)),
      mAppName(mApplicationTitle) {}

void CRegSettings::MainKey(const std::string& NewVal) { LetProperty(mMainKey, NewVal, "Software"); }
void CRegSettings::Company(const std::string& NewVal) { LetProperty(mCompany, NewVal, "Brenholt"); }
void CRegSettings::AppName(const std::string& NewVal) {
    LetProperty(mAppName, NewVal, mApplicationTitle);
}

std::string CRegSettings::GetKeyPath(const std::string& sSection) const {
    std::string path = mMainKey + "\\" + mCompany + "\\" + mAppName;
    if (!sSection.empty()) path += "\\" + sSection;
    return path;
}

std::string CRegSettings::GetSetting(const std::string& sSection, const std::string& sKey,
                                     const std::string& sDefault) const {
    RegHandle key = 0;
    if (mRegistry.OpenKeyEx(mHKey, GetKeyPath(sSection), 0, kKeyAllAccess, &key) != kErrorSuccess)
        return sDefault;

    std::string result = sDefault;
    std::uint32_t type = 0, size = 0;
    const char* name = ValueName(sKey);
    if (mRegistry.QueryValueEx(key, name, &type, nullptr, &size) == kErrorSuccess && size > 0) {
        std::vector<unsigned char> data(size);
        if (mRegistry.QueryValueEx(key, name, &type, data.data(), &size) == kErrorSuccess) {
            data.resize(size);
            if (type == kRegSz) {
                std::string text(data.begin(), data.end());
                if (!text.empty() && text.back() == '\0') text.pop_back();
                result = text;
            } else if (type == kRegDword && size <= 4) {
                // A short DWORD is read zero-extended; a long one is malformed.
                std::uint32_t value = 0;
                for (std::size_t i = data.size(); i-- > 0;) value = (value << 8) | data[i];
                result = std::to_string(static_cast<std::int32_t>(value));
            }
        }
    }
    mRegistry.CloseKey(key);
    return result;
}

bool CRegSettings::GetFlag(const std::string& sSection, const std::string& sKey) const {
    RegHandle key = 0;
    if (mRegistry.OpenKeyEx(mHKey, GetKeyPath(sSection), 0, kKeyAllAccess, &key) != kErrorSuccess)
        return false;
    std::uint32_t type = 0, size = 4;
    unsigned char data[4] = {};
    const bool on =
        mRegistry.QueryValueEx(key, ValueName(sKey), &type, data, &size) == kErrorSuccess &&
        type == kRegDword && size == 4 && data[0] == 1 && data[1] == 0 && data[2] == 0 &&
        data[3] == 0;
    mRegistry.CloseKey(key);
    return on;
}

bool CRegSettings::SaveSetting(const std::string& sSection, const std::string& sKey,
                               const std::string& sString, std::int32_t lNumber) {
    RegHandle key = 0;
    if (mRegistry.CreateKeyEx(mHKey, GetKeyPath(sSection), 0, kKeyAllAccess, &key) != kErrorSuccess)
        return false;
    long status;
    if (!sString.empty()) {
        status = mRegistry.SetValueEx(key, ValueName(sKey), kRegSz,
                                      reinterpret_cast<const unsigned char*>(sString.data()),
                                      static_cast<std::uint32_t>(sString.size()));
    } else {
        const auto v = static_cast<std::uint32_t>(lNumber);
        const unsigned char bytes[4] = {
            static_cast<unsigned char>(v & 0xFF), static_cast<unsigned char>((v >> 8) & 0xFF),
            static_cast<unsigned char>((v >> 16) & 0xFF), static_cast<unsigned char>(v >> 24)};
        status = mRegistry.SetValueEx(key, ValueName(sKey), kRegDword, bytes, 4);
    }
    mRegistry.CloseKey(key);
    return status == kErrorSuccess;
}

bool CRegSettings::DeleteSetting(const std::string& sSection, const std::string& sKey) {
    RegHandle key = 0;
    long status;
    if (!sKey.empty()) {
        if (mRegistry.OpenKeyEx(mHKey, GetKeyPath(sSection), 0, kKeyAllAccess, &key) !=
            kErrorSuccess)
            return false;
        status = mRegistry.DeleteValue(key, ValueName(sKey));
    } else {
        if (mRegistry.OpenKeyEx(mHKey, GetKeyPath(""), 0, kKeyAllAccess, &key) != kErrorSuccess)
            return false;
        status = mRegistry.DeleteKey(key, sSection);
    }
    mRegistry.CloseKey(key);
    return status == kErrorSuccess;
}

}  // namespace tickwell
