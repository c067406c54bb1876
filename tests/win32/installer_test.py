#!/usr/bin/python3
"""The installer as Windows users meet it, under Wine, in each of its scopes:
the default silent install (for the current user), /CurrentUser and /AllUsers.
Each puts Tickwell where that scope belongs, with one Start-menu shortcut that
opens the window, and a complete "Apps" entry; the program saves its place;
the uninstaller named by that entry removes program, shortcut, entry and any
empty vendor key, and leaves the user's settings and a Tickwell.reg put
beside it. The all-users round goes through the elevation prompt's path
(TICKWELL_TEST_ELEVATE=1, as Wine runs everything as an administrator) with
its own folder, so the options, the exit code and the uninstaller's folder
must pass through it. Cancelling an upgrade on the folder page keeps the
installed copy. Also runs the unpacked zip, which keeps its settings beside
itself, and checks the winget manifest the build wrote beside the installer
and the zip's text files.

Usage: installer_test.py Tickwell-VERSION-win64.exe tickwell_probe.exe
"""

import glob
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tickwell_wine_e2e import Desktop, Failure, Tickwell, Wine, wait_for  # noqa: E402

UNINSTALL = r"Software\Microsoft\Windows\CurrentVersion\Uninstall\Tickwell"
APPS_ENTRY = ("DisplayName", "DisplayVersion", "Publisher", "DisplayIcon", "InstallLocation",
              "UninstallString", "QuietUninstallString", "EstimatedSize", "URLInfoAbout",
              "NoModify", "NoRepair")
# The fields each winget manifest must carry, by file.
WINGET = {
    "": ("PackageIdentifier", "PackageVersion", "DefaultLocale", "ManifestType: version", "ManifestVersion"),
    ".installer": ("PackageIdentifier", "PackageVersion", "InstallerType: nullsoft", "ProductCode",
                   "ManifestType: installer", "ManifestVersion"),
    ".locale.en-US": ("PackageIdentifier", "PackageVersion", "PackageLocale: en-US", "Publisher", "PackageName",
                      "License", "ShortDescription", "ManifestType: defaultLocale", "ManifestVersion"),
}


def package_checks(installer):
    """The files beside the installer, read as a Windows user and winget would."""
    checks = []
    folder = os.path.dirname(installer)
    version = re.search(r"-(\d+\.\d+\.\d+)-win64", installer).group(1)
    manifests = os.path.join(folder, "winget", "manifests", "b", "Brenholt", "Tickwell", version)
    texts = {}
    for suffix, fields in WINGET.items():
        path = os.path.join(manifests, f"Brenholt.Tickwell{suffix}.yaml")
        texts[suffix] = text = open(path).read() if os.path.exists(path) else ""
        missing = [f for f in fields if not re.search(rf"^{f}" + (r"\s*$" if ": " in f else r":\s*\S"), text, re.M)]
        checks.append((f"winget Brenholt.Tickwell{suffix}.yaml fields (missing {missing})", text and not missing))
    actual = hashlib.sha256(open(installer, "rb").read()).hexdigest().upper()
    scopes = re.findall(r"- Architecture: x64\n((?:    .*\n)+)", texts[".installer"])
    found = {re.search(r"Scope: (\w+)", e).group(1): e for e in scopes if "Scope:" in e}
    checks.append(("winget lists a user and a machine installer, each with its switch and the installer's SHA-256",
                   sorted(found) == ["machine", "user"]
                   and "Custom: /CurrentUser" in found["user"] and "Custom: /AllUsers" in found["machine"]
                   and all(f"InstallerSha256: {actual}" in e for e in found.values())))
    code = re.search(r"^ProductCode: (\S+)$", texts[".installer"], re.M)
    checks.append(("winget's product code is the Apps entry's key",
                   bool(code) and code.group(1) == UNINSTALL.rsplit("\\", 1)[1]))
    archive = zipfile.ZipFile(installer.replace(".exe", ".zip"))
    for name in ("README.txt", "LICENSE.txt"):
        body = archive.read(next(n for n in archive.namelist() if n.endswith(name)))
        checks.append((f"{name} has CRLF line ends", b"\r\n" in body and b"\n" not in body.replace(b"\r\n", b"")))
    languages = [l.strip() for l in open(os.path.join(os.path.dirname(__file__), "..", "..", "po", "LINGUAS"))
                 if l.strip()]
    missing = [l for l in languages if f"locale/{l}/LC_MESSAGES/tickwell.mo" not in
               {n.split("/", 1)[1] for n in archive.namelist() if "/" in n}]
    checks.append((f"the zip holds every catalogue (missing {missing})", languages and not missing))
    checks.append(("the zip holds Tickwell.reg for portable use",
                   any(n.endswith("/Tickwell.reg") for n in archive.namelist())))
    return checks


WIZARD = "Tickwell Time Calculator"  # in the captions of its pages and message boxes
ELEVATE = {"TICKWELL_TEST_ELEVATE": "1"}


def wizard_shows(wine, *texts):
    """Waits until the installer's top dialog shows one of `texts`; returns that text."""
    def showing():
        dialogs = wine.probe("wizard", WIZARD).get("dialogs", [])
        return next((t for t in texts if dialogs and any(t in label for label in dialogs[0])), None)
    return wait_for(f"the installer to show one of {texts}", showing, timeout=60)


def wizard_press(wine, text, button):
    wizard_shows(wine, text)
    wait_for(f"the installer's {button!r} button", lambda: wine.probe("wizard", WIZARD, button).get("pressed"),
             timeout=30)


def cancelled_upgrade(wine, installer, program):
    """The installer started over an installed copy, cancelled on the folder page."""
    proc = subprocess.Popen(["wine", installer], env=wine.env, start_new_session=True,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wine.desktop.procs.append(proc)
    wizard_press(wine, "Welcome to", "Next >")
    wizard_press(wine, "License Agreement", "I Agree")
    wizard_press(wine, "Choose Users", "Next >")
    # An installer that replaces the copy when the scope page is left asks here.
    asked = wizard_shows(wine, "already installed", "Choose Install Location") == "already installed"
    if asked:
        wizard_press(wine, "already installed", "OK")
    wizard_press(wine, "Choose Install Location", "Cancel")
    wizard_press(wine, "Are you sure", "Yes")
    proc.wait(timeout=60)
    return [("cancelled upgrade: not asked to replace before the install runs", not asked),
            ("cancelled upgrade: the installed copy and its Apps entry stay",
             os.path.exists(os.path.join(program, "Tickwell.exe")) and bool(apps_entry(wine, "HKCU")))]


def installer_in_german(wine, installer):
    """With Windows in German, NSIS's pages and the installer's own are German."""
    proc = subprocess.Popen(["wine", installer], env=dict(wine.env, LANG="de_DE.UTF-8"),
                            start_new_session=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wine.desktop.procs.append(proc)
    wizard_press(wine, "Willkommen", "Weiter >")
    wizard_press(wine, "Lizenzabkommen", "Annehmen")
    # Fault caught: the installer's own page left in English.
    scope = wizard_shows(wine, "Benutzer auswählen", "Choose Users")
    wizard_press(wine, scope, "Abbrechen")
    wizard_press(wine, "Sind Sie sicher", "Ja")
    proc.wait(timeout=60)
    return [("German installer: its pages and its own users page in German", scope == "Benutzer auswählen")]


def failed_elevated_install(wine, installer):
    """The elevated copy fails (a folder where Tickwell.exe goes): so does the installer."""
    drive_c = os.path.join(wine.env["WINEPREFIX"], "drive_c")
    os.makedirs(os.path.join(drive_c, "Bad", "Tickwell", "Tickwell.exe"))
    rc = wine.run(installer, "/S", "/AllUsers", r"/D=C:\Bad\Tickwell", check=False, env=ELEVATE).returncode
    shutil.rmtree(os.path.join(drive_c, "Bad"))
    return [(f"elevated install that failed: exit code 2 (got {rc}), no Apps entry",
             rc == 2 and not apps_entry(wine, "HKLM"))]


def apps_entry(wine, hive):
    out = wine.run("reg", "query", hive + "\\" + UNINSTALL, check=False).stdout
    return {m.group(1): (m.group(2), m.group(3).strip())
            for m in re.finditer(r"^\s+(\w+)\s+(REG_\w+)\s*(.*)$", out, re.M)}


def one_scope(wine, installer, option):
    """Installs with `option`, opens the shortcut, uninstalls; returns (name, ok) pairs."""
    label = option or "default"
    drive_c = os.path.join(wine.env["WINEPREFIX"], "drive_c")
    user = [u for u in glob.glob(os.path.join(drive_c, "users", "*")) if not u.endswith("Public")][0]
    all_users = option.endswith("/AllUsers")  # of several, the last counts
    elevate = ELEVATE if all_users else None
    folder = [r"/D=C:\Tools\Tickwell"] if elevate else []  # last, as /D= must be
    if all_users:
        hive, program = "HKLM", os.path.join(drive_c, "Tools", "Tickwell")
        menu = os.path.join(drive_c, "ProgramData", "Microsoft", "Windows", "Start Menu", "Programs")
    else:
        hive, program = "HKCU", os.path.join(user, "AppData", "Local", "Programs", "Tickwell")
        menu = os.path.join(user, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu", "Programs")
    shortcut = os.path.join(menu, "Tickwell.lnk")
    checks = []

    rc = wine.run(installer, "/S", *option.split(), *folder, env=elevate).returncode
    checks.append((f"{label}: installer's exit code 0", rc == 0))
    checks.append((f"{label}: installed in {os.path.relpath(program, drive_c)}",
                   os.path.exists(os.path.join(program, "Tickwell.exe"))))
    checks.append((f"{label}: the catalogues installed beside the program",
                   os.path.exists(os.path.join(program, "locale", "de", "LC_MESSAGES", "tickwell.mo"))))
    checks.append((f"{label}: no portable settings file installed",
                   not os.path.exists(os.path.join(program, "Tickwell.reg"))))
    links = glob.glob(os.path.join(drive_c, "**", "Start Menu", "**", "*.lnk"), recursive=True)
    checks.append((f"{label}: one Start-menu shortcut, no uninstall shortcut", links == [shortcut]))
    entry = apps_entry(wine, hive)
    missing = [v for v in APPS_ENTRY if v not in entry]
    checks.append((f"{label}: complete Apps entry in {hive} (missing {missing})", not missing))
    checks.append((f"{label}: EstimatedSize, NoModify, NoRepair are DWORDs",
                   all(entry.get(v, ("",))[0] == "REG_DWORD" for v in ("EstimatedSize", "NoModify", "NoRepair"))
                   and entry.get("NoModify", ("", ""))[1] == "0x1"))

    # Opening the shortcut as a user does, and seeing the window.
    app = Tickwell(wine, ["start", "/wait", "/unix", shortcut])
    app.keys("1/2/5s")
    wait_for("the program opened from the shortcut to compute",
             lambda: app.state()["controls"]["txtSeconds"]["text"] == "3725")
    app.close()
    checks.append((f"{label}: the shortcut opens Tickwell, which saves its place", "frmCalc Left" in wine.registry()))
    if not option:
        checks += cancelled_upgrade(wine, installer, program)
    # A portable settings file the user put into the program's folder.
    kept = os.path.join(program, "Tickwell.reg")
    if option == "/CurrentUser":
        with open(kept, "w") as f:
            f.write("Windows Registry Editor Version 5.00\r\n")

    quiet = entry.get("QuietUninstallString", ("", ""))[1]
    command = re.match(r'"([^"]+)"\s*(.*)', quiet)
    if not command:
        raise Failure(f"{label}: no QuietUninstallString to uninstall with: {entry}")
    wine.run(command.group(1), *command.group(2).split(), env=elevate, check=False)
    # The uninstaller goes on in a copy of itself after its first process ends.
    exe = os.path.join(program, "Tickwell.exe")
    if option == "/CurrentUser":
        wait_for("the uninstaller to finish", lambda: not os.path.exists(exe), timeout=60)
        checks.append((f"{label}: the user's Tickwell.reg kept, the rest removed",
                       os.path.isdir(program) and sorted(os.listdir(program)) == ["Tickwell.reg"]))
        shutil.rmtree(program, ignore_errors=True)
    else:
        gone = wait_for("the uninstaller to finish", lambda: not os.path.exists(program), timeout=60)
        checks.append((f"{label}: program folder removed", gone))
    checks.append((f"{label}: shortcut removed", not os.path.exists(shortcut)))
    checks.append((f"{label}: Apps entry removed", not apps_entry(wine, hive)))
    vendor = wine.run("reg", "query", r"HKLM\Software\Brenholt", check=False).returncode
    checks.append((f"{label}: no vendor key left in HKLM", vendor != 0))
    checks.append((f"{label}: the user's settings stay", "frmCalc Left" in wine.registry()))
    return checks


def failed_uninstall(wine, installer, probe):
    """Fault caught: an uninstaller that could not remove the program (held open by a scanner)
    removed its Apps entry, shortcut and itself all the same, so it could not be run again."""
    wine.run(installer, "/S")
    entry = apps_entry(wine, "HKCU")
    folder = entry.get("InstallLocation", ("", ""))[1].strip('"')
    program = wine.run("winepath", "-u", folder).stdout.strip()
    holder = subprocess.Popen(["wine", probe, "holdfile", folder + r"\Tickwell.exe", "20000"],
                              env=wine.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    try:
        held = holder.stdout.readline().strip() == "held"
        rc = wine.run(os.path.join(program, "Uninstall.exe"), "/S", "_?=" + folder, check=False).returncode
        kept = bool(apps_entry(wine, "HKCU")) and os.path.exists(os.path.join(program, "Uninstall.exe"))
    finally:
        holder.kill()
        holder.wait(timeout=60)
    wine.run(os.path.join(program, "Uninstall.exe"), "/S", "_?=" + folder, check=False)
    shutil.rmtree(program, ignore_errors=True)
    return [(f"failed uninstall: exit code 2 (got {rc}), Apps entry and Uninstall.exe kept",
             held and rc == 2 and kept),
            ("failed uninstall: run again, it removes the Apps entry", not apps_entry(wine, "HKCU"))]


def portable(wine, installer):
    """The zip unpacked and run as it is: settings beside the program, none in the registry."""
    folder = os.path.join(wine.env["WINEPREFIX"], "drive_c", "Portable")
    zipfile.ZipFile(installer.replace(".exe", ".zip")).extractall(folder)
    exe = glob.glob(os.path.join(folder, "*", "Tickwell.exe"))[0]
    app = Tickwell(wine, exe)
    app.desktop.run(["xdotool", "windowmove", "--sync", app.wid, "200", "150"])
    app.close()
    settings = open(os.path.join(os.path.dirname(exe), "Tickwell.reg"), encoding="latin-1").read()
    registry = wine.run("reg", "query", r"HKCU\Software\Brenholt", check=False).returncode
    return [("portable: positions kept in Tickwell.reg beside the program",
             re.search(r'"frmCalc Left"=dword:[0-9a-f]{8}', settings) is not None),
            ("portable: nothing written under HKCU", registry != 0)]


def main():
    installer, probe = (os.path.abspath(a) for a in sys.argv[1:3])
    checks = package_checks(installer)
    workdir = tempfile.mkdtemp(prefix="tickwell-installer-")
    desktop = Desktop(workdir)
    wine = None
    try:
        desktop.start()
        wine = Wine(desktop, probe)
        checks += portable(wine, installer)  # first, while the registry holds no settings
        # Fault caught by the last: /CurrentUser beating a later /AllUsers.
        for option in ("", "/CurrentUser", "/AllUsers", "/CurrentUser /AllUsers"):
            checks += one_scope(wine, installer, option)
        checks += failed_uninstall(wine, installer, probe)
        checks += failed_elevated_install(wine, installer)
        checks += installer_in_german(wine, installer)
    finally:
        if wine:
            wine.stop()
        desktop.stop()
    failed = [name for name, ok in checks if not ok]
    for name, ok in checks:
        print(f"{'ok  ' if ok else 'FAIL'}  {name}")
    if not failed:
        shutil.rmtree(workdir, ignore_errors=True)
    print(f"installer: {len(checks) - len(failed)} passed, {len(failed)} failed")
    return 1 if failed or not checks else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Failure as error:
        print(f"FAIL  {error}")
        print("installer: 0 passed, 1 failed")
        sys.exit(1)
