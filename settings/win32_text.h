// UTF-8 and the UTF-16 the Windows API speaks, for everything Windows-only.
#pragma once

#include <string>

namespace tickwell {

std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);

// A text a Windows call writes into a buffer it says is too small by
// returning its size (or the buffer's size, where it truncates): called with
// a buffer that grows until the whole text fits. Empty when the call fails.
// `call` takes the buffer and its size and returns what the call returns.
template <typename Call>
std::wstring GrowingText(Call call) {
    std::wstring text(260, L'\0');
    for (;;) {
        const auto n =
            static_cast<std::size_t>(call(text.data(), static_cast<unsigned long>(text.size())));
        if (n == 0) return {};
        if (n < text.size()) {
            text.resize(n);
            return text;
        }
        text.resize(text.size() * 2 > n + 1 ? text.size() * 2 : n + 1);
    }
}

// The running program's full path, however long.
std::wstring ExecutablePath();

}  // namespace tickwell
