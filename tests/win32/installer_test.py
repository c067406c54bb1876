#!/usr/bin/python3
"""The installer as a Windows user meets it, under Wine: a silent install puts
Tickwell under Program Files with a Start-menu shortcut and an uninstall entry;
the installed program starts and saves its place; a silent uninstall removes
program, shortcut and entry, and leaves the user's settings.

Usage: installer_test.py Tickwell-VERSION-win64.exe tickwell_probe.exe
"""

import os
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tickwell_wine_e2e import Desktop, Failure, Tickwell, Wine, wait_for  # noqa: E402

UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"


def main():
    installer, probe = (os.path.abspath(a) for a in sys.argv[1:3])
    workdir = tempfile.mkdtemp(prefix="tickwell-installer-")
    desktop = Desktop(workdir)
    wine = None
    checks = []
    try:
        desktop.start()
        wine = Wine(desktop, probe)
        drive_c = os.path.join(wine.env["WINEPREFIX"], "drive_c")
        program = os.path.join(drive_c, "Program Files", "Tickwell")
        menu = os.path.join(drive_c, "ProgramData", "Microsoft", "Windows", "Start Menu", "Programs",
                            "Tickwell")

        wine.run(installer, "/S")
        wait_for("the installed program", lambda: os.path.exists(os.path.join(program, "Tickwell.exe")))
        checks.append(("program under Program Files", True))
        checks.append(("Start-menu shortcut", os.path.exists(os.path.join(menu, "Tickwell.lnk"))))
        entries = wine.run("reg", "query", UNINSTALL_KEY, "/s", check=False).stdout
        checks.append(("uninstall entry", "Tickwell Time Calculator" in entries))

        app = Tickwell(wine, os.path.join(program, "Tickwell.exe"))
        app.keys("1/2/5s")
        wait_for("the installed program to compute", lambda: app.state()["controls"]["txtSeconds"]["text"] == "3725")
        app.close()
        checks.append(("the installed program saves its place", "frmCalc Left" in wine.registry()))

        wine.run(os.path.join(program, "Uninstall.exe"), "/S")
        # The uninstaller goes on in a copy of itself after its first process ends.
        gone = wait_for("the uninstaller to finish", lambda: not os.path.exists(program), timeout=60)
        checks.append(("program folder removed", gone))
        checks.append(("Start-menu folder removed", not os.path.exists(menu)))
        entries = wine.run("reg", "query", UNINSTALL_KEY, "/s", check=False).stdout
        checks.append(("uninstall entry removed", "Tickwell Time Calculator" not in entries))
        checks.append(("the user's settings stay", "frmCalc Left" in wine.registry()))
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
