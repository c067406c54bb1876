#include "menus.h"

// clang-format off
#include <commdlg.h>
// clang-format on

#include <random>
#include <vector>

#include "system_libraries.h"
#include "tape_export.h"
#include "texts.h"
#include "win_util.h"

namespace tickwell::win {

namespace {

HMENU BuildMenu(const MenuSource& source, std::vector<ACCEL>& accelerators) {
    HMENU menu = CreatePopupMenu();
    for (auto item = source.begin; item != source.end; ++item) {
        if (!item->caption) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        const auto id = static_cast<WORD>(kMenuBase + static_cast<int>(item->command));
        std::wstring caption = Wide(forms::Tr(item->caption));
        // A plain key that does the same is shown, not bound: it goes through
        // the dispatcher like every typed key.
        if (const std::string shortcut = forms::MenuShortcutText(*item); !shortcut.empty())
            caption += L"\t" + Wide(shortcut);
        if (item->f1) accelerators.push_back({FVIRTKEY, VK_F1, id});
        if (item->ctrl) {
            const BYTE shift = item->shift ? FSHIFT : 0;
            accelerators.push_back({static_cast<BYTE>(FVIRTKEY | FCONTROL | shift),
                                    static_cast<WORD>(item->ctrl), id});
        }
        AppendMenuW(menu, MF_STRING, id, caption.c_str());
    }
    return menu;
}

// A new file beside the chosen one, written and flushed, then renamed over
// it: a failed save leaves the old file whole. ERROR_SUCCESS or the error.
DWORD WriteWhole(const std::wstring& path, const std::string& bytes) {
    static std::random_device entropy;
    const std::wstring temp = path + L".tmp-" + std::to_wstring(entropy());
    HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError();
    DWORD written = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size() && FlushFileBuffers(file);
    DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    CloseHandle(file);
    if (ok && !MoveFileExW(temp.c_str(), path.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error != ERROR_SUCCESS) DeleteFileW(temp.c_str());
    return error;
}

}  // namespace

HACCEL SetMenuBar(HWND window, std::initializer_list<MenuSource> menus) {
    std::vector<ACCEL> accelerators;
    HMENU bar = CreateMenu();
    for (const MenuSource& source : menus)
        AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(BuildMenu(source, accelerators)),
                    Wide(forms::Tr(source.caption)).c_str());
    SetMenu(window, bar);
    return CreateAcceleratorTableW(accelerators.data(), static_cast<int>(accelerators.size()));
}

void CheckMenuCommand(HWND window, forms::MenuCommand command, bool on) {
    CheckMenuItem(GetMenu(window), static_cast<UINT>(kMenuBase + static_cast<int>(command)),
                  MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void KeepAbove(HWND window, bool on) {
    SetWindowPos(window, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void SaveTapeAs(HWND owner, const std::deque<std::string>& lines) {
    // Each kind's name and pattern, apart by nulls, as the dialog reads them.
    std::wstring filters;
    for (const auto& [name, pattern] : {std::pair{forms::kTapeTextFilter, forms::kTapeTextPattern},
                                        std::pair{forms::kTapeCsvFilter, forms::kTapeCsvPattern}}) {
        const std::wstring wide = Wide(pattern);
        filters += Wide(forms::Tr(name)) + L" (" + wide + L")" + L'\0' + wide + L'\0';
    }
    std::wstring name = Wide(forms::Tr(forms::kTapeFileName)) + L".txt";
    name.resize(32768);
    const std::wstring title = Wide(forms::Tr(forms::kTapeSaveAsTitle));
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filters.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = static_cast<DWORD>(name.size());
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = L"txt";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER;
    // The dialog's library is loaded on first use, from the system folder.
    using Ask = BOOL(WINAPI*)(OPENFILENAMEW*);
    static const Ask ask = Later<Ask>(L"comdlg32.dll", "GetSaveFileNameW");
    if (!ask || !ask(&dialog)) return;
    name.resize(name.find(L'\0'));
    const forms::TapeFormat format =
        forms::TapeFormatFor(Utf8(name), static_cast<int>(dialog.nFilterIndex) - 1);
    // The user's list separator, which spreadsheets here split a CSV by.
    wchar_t list[4] = {};
    char separator = 0;
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SLIST, list, 4) == 2 && list[0] < 0x80)
        separator = static_cast<char>(list[0]);
    const DWORD error = WriteWhole(name, forms::TapeFileBytes(lines, format, "\r\n", separator));
    if (error == ERROR_SUCCESS) return;
    const std::wstring text = Wide(forms::TapeSaveFailed(Utf8(name), Utf8(SystemMessage(error))));
    MessageBoxW(owner, text.c_str(), Wide(forms::kAppTitle).c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace tickwell::win
