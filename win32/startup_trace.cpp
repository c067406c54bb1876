#include "startup_trace.h"

// clang-format off
#include <windows.h>
// clang-format on

#include <cstdio>
#include <string>

#include "win32_text.h"

namespace tickwell::win {

#ifdef TICKWELL_TRACE_STARTUP
void TracePoint(const char* what) {
    FILETIME created{}, exited{}, kernel{}, user{}, now{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimePreciseAsFileTime(&now);
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    const std::wstring path = GrowingText([](wchar_t* buffer, unsigned long size) {
        return GetEnvironmentVariableW(L"TICKWELL_TRACE", buffer, size);
    });
    if (path.empty()) return;
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    char line[128];
    const int n = std::snprintf(line, sizeof line, "%s %.1f\n", what,
                                static_cast<double>(ticks(now) - ticks(created)) / 10000.0);
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(n), &written, nullptr);
    CloseHandle(file);
}
#endif

}  // namespace tickwell::win
