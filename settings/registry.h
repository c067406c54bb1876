// The seven registry operations the settings store needs, with the Win32
// meanings of their arguments and status codes. Implemented over advapi32 on
// Windows and over a .reg text file everywhere else.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tickwell {

// A key handle. Predefined roots are the sign-extended 32-bit values Windows
// uses (HKEY_CURRENT_USER is 0x80000001).
using RegHandle = std::intptr_t;

constexpr RegHandle RootHandle(std::uint32_t predefined) {
    return static_cast<RegHandle>(static_cast<std::int32_t>(predefined));
}
constexpr std::int32_t kHKeyClassesRoot = static_cast<std::int32_t>(0x80000000u);
constexpr std::int32_t kHKeyCurrentUser = static_cast<std::int32_t>(0x80000001u);
constexpr std::int32_t kHKeyLocalMachine = static_cast<std::int32_t>(0x80000002u);
constexpr std::int32_t kHKeyUsers = static_cast<std::int32_t>(0x80000003u);

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kKeyAllAccess = 0xF003F;

// Win32 status codes the implementations return.
constexpr long kErrorSuccess = 0;
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorAccessDenied = 5;
constexpr long kErrorInvalidHandle = 6;
constexpr long kErrorWriteFault = 29;
constexpr long kErrorSharingViolation = 32;
constexpr long kErrorLockViolation = 33;
constexpr long kErrorInvalidParameter = 87;
constexpr long kErrorDiskFull = 112;
constexpr long kErrorBadPathname = 161;
constexpr long kErrorMoreData = 234;
constexpr long kErrorKeyDeleted = 1018;
constexpr long kErrorDiskQuotaExceeded = 1295;

class IRegistry {
public:
    virtual ~IRegistry() = default;

    // A null name is the key's unnamed value, as is the empty name.
    virtual long OpenKeyEx(RegHandle root, const std::string& subKey, std::uint32_t options,
                           std::uint32_t access, RegHandle* result) = 0;
    virtual long CreateKeyEx(RegHandle root, const std::string& subKey, std::uint32_t options,
                             std::uint32_t access, RegHandle* result) = 0;
    // With data null: the type and the size in bytes. With a buffer: the data,
    // or kErrorMoreData and the size needed when *size is too small.
    virtual long QueryValueEx(RegHandle key, const char* name, std::uint32_t* type,
                              unsigned char* data, std::uint32_t* size) = 0;
    virtual long SetValueEx(RegHandle key, const char* name, std::uint32_t type,
                            const unsigned char* data, std::uint32_t size) = 0;
    virtual long DeleteValue(RegHandle key, const char* name) = 0;
    virtual long DeleteKey(RegHandle key, const std::string& subKey) = 0;
    virtual long CloseKey(RegHandle key) = 0;

    // Writes between BeginBatch and EndBatch may be kept back and made in one
    // go, so that a crash keeps all of them or none; EndBatch says whether
    // they were. A store whose every write is whole already ignores this.
    virtual void BeginBatch() {}
    virtual long EndBatch() { return kErrorSuccess; }
};

// The registry this platform keeps the user's settings in.
std::unique_ptr<IRegistry> MakeUserRegistry();

}  // namespace tickwell
