// The installer's own words (cmake/NSIS.template.in), translated with the
// program's: cmake/installer_languages.cmake writes them into the installer
// in every language of po/LINGUAS. Braces name what the installer puts in:
// {name} the product, {installed} the earlier version's folder, {old} its
// version, {folder} the chosen folder, {version} this version. Nothing in
// the program uses them.
#pragma once

#include "catalogue.h"

namespace tickwell::installer {

constexpr const char* kTexts[][2] = {
    {"ScopeTitle", N_("Choose Users")},
    {"ScopeSubtitle", N_("Choose for whom to install {name}.")},
    {"ScopeLabel", N_("Install {name} for:")},
    {"ScopeMine", N_("&Only me (no administrator rights needed)")},
    {"ScopeAll", N_("&Everyone who uses this computer (asks for an administrator)")},
    {"Replace", N_("{name} {old} is already installed in {installed}.\n\nClick OK to replace it "
                   "with version {version}.")},
    {"Declined", N_("Installing for everyone needs an administrator's approval, which was not "
                    "given.\n\nChoose \"Only me\" to install without it.")},
    {"NoElevation", N_("Windows could not start the installer as an administrator.")},
    {"NoFolder", N_("{name} cannot be installed in {folder}: the folder cannot be made.")},
    {"NoFiles", N_("{name} could not write all its files into {folder}.")},
    {"Start", N_("Start Tickwell")},
    {"RemoveFailed", N_("{name} could not remove all its files from {folder}. Close {name} and "
                        "run its uninstaller again.")},
    {"RemoveDeclined", N_("Removing {name} for everyone needs an administrator's approval, "
                          "which was not given.")},
};

}  // namespace tickwell::installer
