// The two Help menu commands that open the maker's pages in the browser.
#pragma once

#include <functional>
#include <string>

namespace tickwell {

// The maker's web host: one place for both addresses.
constexpr const char* kMakerWebHost = "www.brenholt.example";

std::string SharewellProjectUrl();
std::string MakerHomeUrl();

extern const char* const kSharewellPrompt;
extern const char* const kInternetFailure;

struct WebLinkHost {
    // Shows a modal box; returns the answer (6 Yes).
    std::function<int(const std::string& text, const std::string& title, int style)> msgBox;
    // Hands the address to the desktop. Calls `failed` once if the desktop
    // cannot open it: at once, or later when the answer takes time (the
    // window must not freeze meanwhile).
    std::function<void(const std::string& url, std::function<void()> failed)> openUrl;
};

void mnuHelpSharewell_Click(const WebLinkHost& host);
void mnuHelpWebSite_Click(const WebLinkHost& host);

}  // namespace tickwell
