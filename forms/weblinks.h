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
    // Hands the address to the desktop; false when it could not be opened.
    std::function<bool(const std::string& url)> openUrl;
};

void mnuHelpSharewell_Click(const WebLinkHost& host);
void mnuHelpWebSite_Click(const WebLinkHost& host);

}  // namespace tickwell
