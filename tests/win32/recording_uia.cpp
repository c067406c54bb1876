// A stand-in for the system's UI Automation library in a test prefix, where
// Wine's lacks the notification call: it writes each notification it gets
// to the file TICKWELL_UIA_LOG names, one line "kind processing text", after
// asking the provider what a screen reader would (its options and host).
#include <ole2.h>
#include <uiautomationcore.h>
#include <windows.h>

#include <string>

namespace {

void Record(const std::wstring& line) {
    wchar_t path[MAX_PATH];
    if (!GetEnvironmentVariableW(L"TICKWELL_UIA_LOG", path, MAX_PATH)) return;
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, utf8.data(), size, nullptr, nullptr);
    utf8.back() = '\n';
    DWORD written = 0;
    WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    CloseHandle(file);
}

}  // namespace

extern "C" __declspec(dllexport) HRESULT WINAPI
    UiaHostProviderFromHwnd(HWND window, IRawElementProviderSimple** host) {
    if (!host) return E_INVALIDARG;
    *host = nullptr;
    return IsWindow(window) ? S_OK : E_INVALIDARG;
}

extern "C" __declspec(dllexport) HRESULT WINAPI
    UiaRaiseNotificationEvent(IRawElementProviderSimple* provider, int kind, int processing,
                              BSTR text, BSTR activity) {
    ProviderOptions options = ProviderOptions_ClientSideProvider;
    IRawElementProviderSimple* host = nullptr;
    if (!provider || FAILED(provider->get_ProviderOptions(&options)) ||
        options != ProviderOptions_ServerSideProvider ||
        FAILED(provider->get_HostRawElementProvider(&host)) || !text || !activity) {
        Record(L"refused: no valid provider or text");
        return E_INVALIDARG;
    }
    if (host) host->Release();
    Record(std::to_wstring(kind) + L" " + std::to_wstring(processing) + L" " + text);
    return S_OK;
}
