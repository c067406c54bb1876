// Tickwell for Windows: the main window and the message loop, where key
// preview happens before any control sees a key.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <clocale>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "catalogue.h"
#include "frmCalc.h"
#include "settings_file.h"
#include "startup_trace.h"
#include "system_libraries.h"

// A program with no console has nowhere to print why it ended: the standard
// handler's message (and the name demangler it needs, a tenth of the exe)
// would go nowhere.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace {

// How a shortcut's "Run" setting asks the window to open: minimized in any
// of its forms, else normal (the window cannot be maximized).
int StartingShow(int show) {
    switch (show) {
        case SW_SHOWMINIMIZED:
        case SW_SHOWMINNOACTIVE:
        case SW_MINIMIZE: return show;
        case SW_FORCEMINIMIZE: return SW_MINIMIZE;  // meant for other threads' windows
        default: return SW_SHOWNORMAL;
    }
}

// A catalogue's bytes: a plain file, of a size a catalogue can have.
bool ReadCatalogueFile(const std::string& path, std::string& bytes) {
    HANDLE file = CreateFileW(tickwell::Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    DWORD done = 0;
    bool ok = GetFileType(file) == FILE_TYPE_DISK && GetFileSizeEx(file, &size) &&
              size.QuadPart >= 0 &&
              static_cast<unsigned long long>(size.QuadPart) <= tickwell::forms::kMaxCatalogueBytes;
    if (ok) {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
        ok = bytes.empty() ||
             (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
              done == bytes.size());
    }
    CloseHandle(file);
    return ok;
}

// The user's display languages, best first, down to English, which needs no
// catalogue; the catalogues lie beside the program, in
// locale\<language>\LC_MESSAGES\tickwell.mo.
void LoadTranslations() {
    // Asked for its size, then read; asked again should the list have grown
    // between the two (the user changed it meanwhile).
    std::wstring list;
    for (int attempt = 0; attempt < 4; ++attempt) {
        ULONG count = 0, size = 0;
        if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &size) || size == 0)
            return;
        list.assign(size, L'\0');
        if (GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, list.data(), &size)) break;
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return;
        list.clear();
    }
    if (list.empty()) return;
    std::vector<std::string> languages;
    for (const wchar_t* name = list.c_str(); *name; name += std::wcslen(name) + 1) {
        std::string locale = tickwell::Utf8(name);  // "de-DE"
        for (char& c : locale)
            if (c == '-') c = '_';
        if (locale.rfind("en", 0) == 0 && (locale.size() == 2 || locale[2] == '_')) break;
        for (const auto& variant : tickwell::forms::LanguageVariants(locale))
            languages.push_back(variant);
    }
    if (languages.empty()) return;
    const std::wstring exe = tickwell::ExecutablePath();  // however long
    if (exe.empty()) return;
    const std::wstring folder = exe.substr(0, exe.find_last_of(L"\\/") + 1) + L"locale";
    tickwell::forms::LoadCatalogue(tickwell::Utf8(folder), languages, ReadCatalogueFile);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    TICKWELL_TRACE("main");
    tickwell::win::RestrictLibrarySearch();  // before anything can load a library
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    TICKWELL_TRACE("common controls");
    LoadTranslations();  // before any window has a caption
    // The tape and Copy as Hours write decimals in the user's way ("1,5");
    // the boxes keep their "." whatever the locale (DecimalText).
    std::setlocale(LC_NUMERIC, "");
    int code = 0;
    {
        tickwell::win::frmCalc window;
        if (!window.Handle()) {
            // Windows refuses a window when the desktop heap or the process's
            // window handles are used up, and Wine when it has no display:
            // rather than wait unseen for messages that never come, say why
            // where a debugger reads it and end.
            const DWORD error = GetLastError();
            tickwell::settingsfile::Report("Tickwell could not open its window: " +
                                           tickwell::Utf8(tickwell::win::SystemMessage(error)));
            return error ? static_cast<int>(error) : 1;
        }
        ShowWindow(window.Handle(), StartingShow(show));
        TICKWELL_TRACE("shown");
        // A window started minimized must not take the activation: it gives
        // the hours box the focus when it is first restored.
        if (!IsIconic(window.Handle())) window.SetFocus(tickwell::Control::txtHours);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (window.PreTranslate(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        code = static_cast<int>(msg.wParam);
    }
    return code;
}
