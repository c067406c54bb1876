# Writes the winget manifest (one file, "singleton") for the installer just
# built: its SHA-256 is the file's own. The release step replaces the
# placeholder download address with the real one.
# Usage: cmake -DINSTALLER=... -DVERSION=... -DOUT=... -P winget.cmake
file(SHA256 "${INSTALLER}" sha256)
string(TOUPPER "${sha256}" sha256)
get_filename_component(name "${INSTALLER}" NAME)
file(WRITE "${OUT}" "# yaml-language-server: $schema=https://aka.ms/winget-manifest.singleton.1.6.0.schema.json
PackageIdentifier: Brenholt.Tickwell
PackageVersion: ${VERSION}
PackageLocale: en-US
Publisher: Brenholt Software
PackageName: Tickwell Time Calculator
License: MIT
ShortDescription: Adds and subtracts durations in hours, minutes and seconds.
Installers:
  - Architecture: x64
    InstallerType: nullsoft
    Scope: user
    InstallerSwitches:
      Custom: /CurrentUser
    # Placeholder: the release step fills in where the installer is published.
    InstallerUrl: https://www.brenholt.example/download/${name}
    InstallerSha256: ${sha256}
ManifestType: singleton
ManifestVersion: 1.6.0
")
