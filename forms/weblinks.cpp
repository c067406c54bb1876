#include "weblinks.h"

#include "catalogue.h"
#include "host.h"

namespace tickwell {

const char* const kSharewellPrompt =
    N_("The Sharewell Project is dedicated to making quality software available free to "
       "everyone.  It is supported entirely by donations from satisfied users.  If you like this "
       "product, please express your satisfaction with a donation to the Sharewell Project."
       "\r\n\r\n"
       "Would you like to learn more about the Sharewell Project?");

const char* const kInternetFailure =
    N_("An error has occurred trying to access the internet.  Please check your browser settings "
       "and internet connection and try again.");

std::string SharewellProjectUrl() {
    return std::string("http://") + kMakerWebHost + "/index.asp?Page=sharewell";
}

std::string MakerHomeUrl() { return std::string("http://") + kMakerWebHost; }

namespace {

void OpenOrReport(const WebLinkHost& host, const std::string& url) {
    host.openUrl(url, [msgBox = host.msgBox] {
        msgBox(forms::Tr(kInternetFailure), "", msgbox::kOkOnly | msgbox::kExclamation);
    });
}

}  // namespace

void mnuHelpSharewell_Click(const WebLinkHost& host) {
    const int answer = host.msgBox(forms::Tr(kSharewellPrompt), forms::Tr(N_("Sharewell Project")),
                                   msgbox::kYesNo | msgbox::kInformation);
    if (answer != msgbox::kAnswerYes) return;
    OpenOrReport(host, SharewellProjectUrl());
}

void mnuHelpWebSite_Click(const WebLinkHost& host) { OpenOrReport(host, MakerHomeUrl()); }

}  // namespace tickwell
