// UTF-8 and the UTF-16 the Windows API speaks, for everything Windows-only.
#pragma once

#include <string>

namespace tickwell {

std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);

}  // namespace tickwell
