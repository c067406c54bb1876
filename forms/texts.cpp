#include "texts.h"

#include <ctime>

#include "weblinks.h"

namespace tickwell::forms {

std::string VersionText(int major, int minor, int revision) {
    return std::string(Tr(N_("Version"))) + " " + std::to_string(major) + "." +
           std::to_string(minor) + "." + std::to_string(revision);
}

std::string NoticeText(int year) {
    return "Copyright (C) 1999-" + std::to_string(year) + " Brenholt Software\r\n" +
           Tr(N_("Written by the Tickwell team")) + "\r\n" + Tr(N_("Web:")) + " http://" +
           kMakerWebHost + "\r\n" + Tr(N_("E-mail:")) + " support@brenholt.example";
}

int CurrentYear() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return local.tm_year + 1900;
}

}  // namespace tickwell::forms
