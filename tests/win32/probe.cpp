// Reads the running Windows program from outside, as a screen reader and a
// test driver would: the boxes (WM_GETTEXT), the focus (GetGUIThreadInfo),
// open message boxes and windows, and the MSAA names. Prints one JSON object.
//   probe.exe              the state
//   probe.exe answer ID    presses button ID (1 OK, 6 Yes, 7 No) of the open message box
//   probe.exe start EXE N  starts EXE with show command N, as a shortcut would
//   probe.exe holdfile PATH MS  holds a file open, sharing nothing, for MS milliseconds
//   probe.exe clip [HEX]   prints the clipboard's text, or sets it (UTF-8 in hex)
//   probe.exe wizard TITLE [BUTTON]  the visible texts of the dialogs whose
//                          caption holds TITLE (an installer's pages, its message boxes),
//                          or presses the button labelled BUTTON in the last one
// clang-format off
#include <windows.h>
#include <oleacc.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "layout.h"

namespace {

std::string Utf8(const std::wstring& w) {
    if (w.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

std::string Json(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string Text(HWND w) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length);
    std::wstring buf(length + 1, L'\0');
    SendMessageTimeoutW(w, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(buf.data()),
                        SMTO_ABORTIFHUNG, 2000, nullptr);
    return Utf8(buf.c_str());
}

std::string AccName(HWND w) {
    IAccessible* acc = nullptr;
    if (FAILED(AccessibleObjectFromWindow(w, static_cast<DWORD>(OBJID_CLIENT),
                                          __uuidof(IAccessible), reinterpret_cast<void**>(&acc))) ||
        !acc)
        return "";
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    std::string out;
    if (SUCCEEDED(acc->get_accName(self, &name)) && name) {
        out = Utf8(name);
        SysFreeString(name);
    }
    acc->Release();
    return out;
}

std::string Rect(HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    char buf[96];
    std::snprintf(buf, sizeof buf, "[%ld,%ld,%ld,%ld]", r.left, r.top, r.right, r.bottom);
    return buf;
}

HWND ControlOf(HWND main, const tickwell::forms::ControlSpec* row) {
    const auto index = row - tickwell::forms::CalcForm().controls;
    return GetDlgItem(main, 100 + static_cast<int>(index));
}

struct Boxes {
    DWORD process;
    std::string json;
    HWND first = nullptr;
};

BOOL CALLBACK FindBoxes(HWND w, LPARAM data) {
    auto* boxes = reinterpret_cast<Boxes*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    if (pid != boxes->process || std::wstring(cls) != L"#32770" || !IsWindowVisible(w)) return TRUE;
    if (!boxes->first) boxes->first = w;
    if (!boxes->json.empty()) boxes->json += ",";
    boxes->json +=
        "{\"title\":" + Json(Text(w)) + ",\"text\":" + Json(Text(GetDlgItem(w, 0xFFFF))) + "}";
    return TRUE;
}

struct Tips {
    DWORD process;
    std::string text;
};

// The text of the program's tool tip that is showing, if any.
BOOL CALLBACK FindTip(HWND w, LPARAM data) {
    auto* tips = reinterpret_cast<Tips*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    if (pid == tips->process && std::wstring(cls) == TOOLTIPS_CLASSW && IsWindowVisible(w))
        tips->text = Text(w);
    return TRUE;
}

struct Wizard {
    std::string title;
    std::vector<HWND> dialogs;
};

BOOL CALLBACK FindWizard(HWND w, LPARAM data) {
    auto* wizard = reinterpret_cast<Wizard*>(data);
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    if (std::wstring(cls) == L"#32770" && IsWindowVisible(w) &&
        Text(w).find(wizard->title) != std::string::npos)
        wizard->dialogs.push_back(w);
    return TRUE;
}

struct Labels {
    std::vector<std::pair<HWND, std::string>> controls;
};

BOOL CALLBACK CollectLabels(HWND w, LPARAM data) {
    if (!IsWindowVisible(w)) return TRUE;
    std::string text = Text(w);
    text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
    if (!text.empty()) reinterpret_cast<Labels*>(data)->controls.emplace_back(w, text);
    return TRUE;
}

int RunWizard(const std::string& title, const char* button) {
    Wizard wizard{title, {}};
    EnumWindows(FindWizard, reinterpret_cast<LPARAM>(&wizard));
    std::string json = "{\"dialogs\":[";
    for (std::size_t i = 0; i < wizard.dialogs.size(); ++i) {
        Labels labels;
        EnumChildWindows(wizard.dialogs[i], CollectLabels, reinterpret_cast<LPARAM>(&labels));
        json += i ? ",[" : "[";
        for (std::size_t j = 0; j < labels.controls.size(); ++j)
            json += (j ? "," : "") + Json(labels.controls[j].second);
        json += "]";
        // Windows come in Z order: the first is on top, as a message box over
        // its wizard.
        if (button && i == 0) {
            for (const auto& [control, text] : labels.controls) {
                wchar_t cls[32] = {};
                GetClassNameW(control, cls, 32);
                if (std::wstring(cls) == L"Button" && text == button && IsWindowEnabled(control)) {
                    PostMessageW(control, BM_CLICK, 0, 0);
                    std::printf("{\"pressed\":true}\n");
                    return 0;
                }
            }
        }
    }
    if (button) {
        std::printf("{\"pressed\":false}\n");
        return 0;
    }
    std::printf("%s]}\n", json.c_str());
    return 0;
}

}  // namespace

// Whether a window stays above others.
std::string Topmost(HWND window) {
    return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) ? "true" : "false";
}

int main(int argc, char** argv) {
    if ((argc == 3 || argc == 4) && std::string(argv[1]) == "wizard")
        return RunWizard(argv[2], argc == 4 ? argv[3] : nullptr);
    if (argc == 4 && std::string(argv[1]) == "start") {
        // As the shell starts a shortcut's program: with the shortcut's show
        // command (7 is "Run: Minimized"); waits for the program to end.
        STARTUPINFOA start{};
        start.cb = sizeof start;
        start.dwFlags = STARTF_USESHOWWINDOW;
        start.wShowWindow = static_cast<WORD>(std::atoi(argv[3]));
        PROCESS_INFORMATION process{};
        std::string command = std::string("\"") + argv[2] + "\"";
        if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &start, &process))
            return 1;
        WaitForSingleObject(process.hProcess, INFINITE);
        return 0;
    }
    if (argc == 3 && std::string(argv[1]) == "holdclip") {
        // Another program holding the clipboard open for a while.
        if (!OpenClipboard(nullptr)) return 1;
        std::printf("held\n");
        std::fflush(stdout);
        Sleep(static_cast<DWORD>(std::atoi(argv[2])));
        CloseClipboard();
        return 0;
    }
    if (argc == 4 && std::string(argv[1]) == "holdfile") {
        // A scanner holding a file for a while, sharing nothing.
        HANDLE file = CreateFileA(argv[2], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return 1;
        std::printf("held\n");
        std::fflush(stdout);
        Sleep(static_cast<DWORD>(std::atoi(argv[3])));
        CloseHandle(file);
        return 0;
    }
    if (argc == 3 && std::string(argv[1]) == "unicode") {
        // Characters typed with no key code (VK_PACKET), as on-screen
        // keyboards and password managers type them.
        const int n = MultiByteToWideChar(CP_UTF8, 0, argv[2], -1, nullptr, 0);
        std::wstring text(static_cast<std::size_t>(n), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, argv[2], -1, text.data(), n);
        text.resize(static_cast<std::size_t>(n - 1));
        for (const wchar_t c : text) {
            INPUT input[2] = {};
            for (INPUT& i : input) {
                i.type = INPUT_KEYBOARD;
                i.ki.wScan = c;
                i.ki.dwFlags = KEYEVENTF_UNICODE;
            }
            input[1].ki.dwFlags |= KEYEVENTF_KEYUP;
            SendInput(2, input, sizeof(INPUT));
            Sleep(30);
        }
        return 0;
    }
    if (argc >= 2 && std::string(argv[1]) == "clip") {
        // The clipboard's text, or (with a text, as UTF-8 in hex digits, which
        // no code page of the command line changes) the clipboard set to it.
        if (!OpenClipboard(nullptr)) return 1;
        if (argc == 3) {
            std::string utf8;
            for (const char* hex = argv[2]; hex[0] && hex[1]; hex += 2)
                utf8 += static_cast<char>(std::stoi(std::string(hex, 2), nullptr, 16));
            const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
            HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(n) * sizeof(wchar_t));
            MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1,
                                static_cast<wchar_t*>(GlobalLock(memory)), n);
            GlobalUnlock(memory);
            EmptyClipboard();
            SetClipboardData(CF_UNICODETEXT, memory);
        } else if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            std::printf("%s\n", Json(Utf8(static_cast<const wchar_t*>(GlobalLock(data)))).c_str());
            GlobalUnlock(data);
        } else {
            std::printf("null\n");
        }
        CloseClipboard();
        return 0;
    }
    CoInitialize(nullptr);
    HWND main = FindWindowW(L"TickwellCalc", nullptr);
    if (!main) {
        std::printf("{\"running\":false}\n");
        return 0;
    }
    DWORD pid = 0;
    const DWORD thread = GetWindowThreadProcessId(main, &pid);
    Boxes boxes{pid, {}, nullptr};
    EnumWindows(FindBoxes, reinterpret_cast<LPARAM>(&boxes));
    if (argc == 2 && std::string(argv[1]) == "restored") {
        // A size event that follows no minimize, as a move to a screen of
        // another scale sends.
        RECT r{};
        GetClientRect(main, &r);
        SendMessageW(main, WM_SIZE, SIZE_RESTORED, MAKELPARAM(r.right, r.bottom));
        return 0;
    }
    if (argc == 4 && std::string(argv[1]) == "tapeselect") {
        // Selects part of the tape's text, as a user dragging over it would.
        HWND tape = FindWindowW(L"TickwellTape", nullptr);
        HWND box = tape ? FindWindowExW(tape, nullptr, L"EDIT", nullptr) : nullptr;
        if (!box) return 1;
        SendMessageW(box, EM_SETSEL, std::atoi(argv[2]), std::atoi(argv[3]));
        return 0;
    }
    if (argc == 3 && std::string(argv[1]) == "tapeview") {
        // Scrolls the tape so that line N is the first one in view.
        HWND tape = FindWindowW(L"TickwellTape", nullptr);
        HWND box = tape ? FindWindowExW(tape, nullptr, L"EDIT", nullptr) : nullptr;
        if (!box) return 1;
        const LRESULT first = SendMessageW(box, EM_GETFIRSTVISIBLELINE, 0, 0);
        SendMessageW(box, EM_LINESCROLL, 0, std::atoi(argv[2]) - first);
        return 0;
    }
    if (argc == 3 && std::string(argv[1]) == "post") {
        // Characters posted to the hours box at once, as a long burst of
        // typing there queues them (ASCII only).
        HWND hours = ControlOf(main, tickwell::forms::CalcForm().Find("txtHours"));
        for (const char* c = argv[2]; *c; ++c)
            PostMessageW(hours, WM_CHAR, static_cast<WPARAM>(*c), 1);
        return 0;
    }
    if (argc == 2 && std::string(argv[1]) == "tape") {
        // Edit > Tape, as the menu sends it (no keyboard focus needed).
        constexpr int kMenuBase = 1000;
        PostMessageW(
            main, WM_COMMAND,
            MAKEWPARAM(kMenuBase + static_cast<int>(tickwell::forms::MenuCommand::Tape), 0), 0);
        return 0;
    }
    if (argc == 3 && std::string(argv[1]) == "answer") {
        if (!boxes.first) return 1;
        PostMessageW(boxes.first, WM_COMMAND, MAKEWPARAM(std::atoi(argv[2]), BN_CLICKED), 0);
        return 0;
    }

    const tickwell::forms::FormSpec& form = tickwell::forms::CalcForm();
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(thread, &gui);
    std::string focus = "";
    std::string out = "{\"running\":true,\"main\":" + Rect(main) +
                      ",\"minimized\":" + (IsIconic(main) ? "true" : "false") +
                      ",\"topmost\":" + Topmost(main) + ",\"controls\":{";
    bool first = true;
    std::string labels;
    for (const auto& row : form) {
        HWND w = ControlOf(main, &row);
        if (w == gui.hwndFocus) focus = row.name;
        if (row.kind == tickwell::forms::Kind::Label) {
            labels += (labels.empty() ? "" : ",") + Json(Text(w));
            continue;
        }
        out += std::string(first ? "" : ",") + Json(row.name) + ":{\"text\":" + Json(Text(w)) +
               ",\"name\":" + Json(AccName(w)) + ",\"rect\":" + Rect(w) + "}";
        first = false;
    }
    out += "},\"labels\":[" + labels + "]";
    out += ",\"focus\":" + Json(focus) + ",\"boxes\":[" + boxes.json + "]";
    HWND help = FindWindowW(L"TickwellHelp", nullptr);
    out += ",\"help\":" + (help && IsWindowVisible(help) ? Rect(help) : std::string("null"));
    if (help) {  // its title bar, and what keeps it out of the task bar
        const LONG_PTR style = GetWindowLongPtrW(help, GWL_STYLE);
        const LONG_PTR exStyle = GetWindowLongPtrW(help, GWL_EXSTYLE);
        HWND owner = GetWindow(help, GW_OWNER);
        out += std::string(",\"helpFrame\":{\"sysmenu\":") +
               ((style & WS_SYSMENU) ? "true" : "false") +
               ",\"toolwindow\":" + ((exStyle & WS_EX_TOOLWINDOW) ? "true" : "false") +
               ",\"hiddenOwner\":" + (owner && !IsWindowVisible(owner) ? "true" : "false") +
               ",\"items\":[";
        // What a screen reader reads over the painted page, item by item.
        std::string items;
        for (HWND item = nullptr; (item = FindWindowExW(help, item, L"STATIC", nullptr));)
            items += (items.empty() ? "" : ",") + Json(AccName(item));
        out += items + "]}";
    }
    HWND tape = FindWindowW(L"TickwellTape", nullptr);
    out += ",\"tape\":" + (tape && IsWindowVisible(tape)
                               ? Json(Text(FindWindowExW(tape, nullptr, L"EDIT", nullptr)))
                               : std::string("null"));
    if (tape && IsWindowVisible(tape)) {
        HWND box = FindWindowExW(tape, nullptr, L"EDIT", nullptr);
        DWORD from = 0, to = 0;
        SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                     reinterpret_cast<LPARAM>(&to));
        out += ",\"tapeTopmost\":" + Topmost(tape) + ",\"tapeRect\":" + Rect(tape) +
               ",\"tapeBox\":" + Rect(box) + ",\"tapeSel\":[" + std::to_string(from) + "," +
               std::to_string(to) + "],\"tapeFirst\":" +
               std::to_string(SendMessageW(
                   box, EM_LINEINDEX,
                   static_cast<WPARAM>(SendMessageW(box, EM_GETFIRSTVISIBLELINE, 0, 0)), 0));
    }
    Tips tips{pid, {}};
    EnumWindows(FindTip, reinterpret_cast<LPARAM>(&tips));
    out += ",\"tip\":" + Json(tips.text);
    HWND multiply = FindWindowW(L"TickwellMultiply", nullptr);
    out += ",\"multiply\":" +
           (multiply && IsWindowVisible(multiply)
                ? "{\"problem\":" + Json(Text(GetDlgItem(multiply, 102))) +
                      ",\"field\":" + Json(AccName(GetDlgItem(multiply, 101))) + ",\"focused\":" +
                      (gui.hwndFocus == GetDlgItem(multiply, 101) ? "true" : "false") + "}"
                : std::string("null"));
    // The Time Between box: the focused field's name, the preview and problem lines.
    HWND between = FindWindowW(L"TickwellTimeBetween", nullptr);
    out += ",\"between\":" +
           (between && IsWindowVisible(between)
                ? "{\"focused\":" +
                      Json(GetParent(gui.hwndFocus) == between ? AccName(gui.hwndFocus) : "") +
                      ",\"preview\":" + Json(Text(GetDlgItem(between, 106))) +
                      ",\"problem\":" + Json(Text(GetDlgItem(between, 107))) + "}"
                : std::string("null"));
    // The Round box: whether its Minutes field (a combo box's edit) has the focus.
    HWND round = FindWindowW(L"TickwellRound", nullptr);
    HWND minutes = round ? GetDlgItem(round, 101) : nullptr;
    out += ",\"round\":" +
           (round && IsWindowVisible(round)
                ? std::string("{\"focused\":") +
                      (minutes && (gui.hwndFocus == minutes || GetParent(gui.hwndFocus) == minutes)
                           ? "true"
                           : "false") +
                      ",\"problem\":" + Json(Text(GetDlgItem(round, 105))) + "}"
                : std::string("null"));
    HWND about = FindWindowW(L"TickwellAbout", nullptr);
    if (about && IsWindowVisible(about)) {
        out += ",\"about\":{\"title\":" + Json(Text(about));
        const auto& aboutForm = tickwell::forms::AboutForm();
        for (std::size_t i = 0; i < aboutForm.controlCount; ++i) {
            if (aboutForm.controls[i].kind != tickwell::forms::Kind::Label) continue;
            out += "," + Json(aboutForm.controls[i].name) + ":" +
                   Json(Text(GetDlgItem(about, 100 + static_cast<int>(i))));
        }
        out += "}";
    } else {
        out += ",\"about\":null";
    }
    std::printf("%s}\n", out.c_str());
    return 0;
}
