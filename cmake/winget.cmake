# Writes the winget manifests (the multi-file form: version, installer and
# default locale) for the installer just built, in the folder winget-pkgs
# expects them. One installer serves both scopes, chosen by its switch; its
# SHA-256 is the file's own, and the product code is the name of the Apps
# entry's key, so winget finds the installed copy. The release step replaces
# the placeholder download address with the real one.
# Usage: cmake -DINSTALLER=... -DVERSION=... -DOUT=folder -P winget.cmake
file(SHA256 "${INSTALLER}" sha256)
string(TOUPPER "${sha256}" sha256)
get_filename_component(name "${INSTALLER}" NAME)
set(id "Brenholt.Tickwell")
set(schema "# yaml-language-server: $schema=https://aka.ms/winget-manifest")
set(dir "${OUT}/manifests/b/Brenholt/Tickwell/${VERSION}")
file(REMOVE_RECURSE "${OUT}")

file(WRITE "${dir}/${id}.yaml" "${schema}.version.1.6.0.schema.json
PackageIdentifier: ${id}
PackageVersion: ${VERSION}
DefaultLocale: en-US
ManifestType: version
ManifestVersion: 1.6.0
")

set(url "https://www.brenholt.example/download/${name}")  # placeholder, see above
file(WRITE "${dir}/${id}.installer.yaml" "${schema}.installer.1.6.0.schema.json
PackageIdentifier: ${id}
PackageVersion: ${VERSION}
InstallerType: nullsoft
InstallModes:
  - interactive
  - silent
UpgradeBehavior: install
ProductCode: Tickwell
Installers:
  - Architecture: x64
    Scope: user
    InstallerUrl: ${url}
    InstallerSha256: ${sha256}
    InstallerSwitches:
      Custom: /CurrentUser
  - Architecture: x64
    Scope: machine
    InstallerUrl: ${url}
    InstallerSha256: ${sha256}
    ElevationRequirement: elevatesSelf
    InstallerSwitches:
      Custom: /AllUsers
ManifestType: installer
ManifestVersion: 1.6.0
")

file(WRITE "${dir}/${id}.locale.en-US.yaml" "${schema}.defaultLocale.1.6.0.schema.json
PackageIdentifier: ${id}
PackageVersion: ${VERSION}
PackageLocale: en-US
Publisher: Brenholt Software
PackageName: Tickwell Time Calculator
License: MIT
ShortDescription: Adds and subtracts durations in hours, minutes and seconds.
ManifestType: defaultLocale
ManifestVersion: 1.6.0
")
