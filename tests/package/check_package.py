#!/usr/bin/env python3
"""Installs the Windows package under Wine, uses it and removes it again.

    tests/package/check_package.py [--win-build build-win] [--dist dist]

Run after scripts/package, in a Wine prefix of its own made anew on every run
(<win-build>/wine-package): the installer's language; an older version, then
this one over it, per machine; the installed zanteq.exe started; the zip
against the installed files; a silent uninstall that keeps the user's INI
and .dat files; a per-user installation and one into a /D= folder.
Exit code 0 when every check holds; the failed ones are listed.
"""
import argparse
import fcntl
import pathlib
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile

ROOT = pathlib.Path(__file__).resolve().parent.parent.parent
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
import run_scenario as e2e  # noqa: E402  (the shared Wine helpers)

PRODUCT = "ZANTEQ Setup"
UNINSTALL_KEY = r"Software\Microsoft\Windows\CurrentVersion\Uninstall\ZANTEQ Setup"
RUN_TIMEOUT_S = 180
INI_TEXT = b"[ZANTEQ_Section]\r\ncom_port=2\r\nrs_control=1\r\nselect_number=5\r\n"
DAT_TEXT = b"user's settings file\r\n"


class Wine:
    def __init__(self, wine_dir, driver):
        shutil.rmtree(wine_dir, ignore_errors=True)
        self.env, self.values = e2e.wine_env(wine_dir)
        # No Linux menu entries for the shortcuts the installer makes.
        self.env["WINEDLLOVERRIDES"] = self.env.get("WINEDLLOVERRIDES", "") + ";winemenubuilder.exe=d"
        self.driver = driver
        self.drive_c = pathlib.Path(self.env["WINEPREFIX"]) / "drive_c"
        name = subprocess.run(["id", "-un"], capture_output=True, text=True).stdout.strip()
        self.user = self.drive_c / "users" / name
        start_menu = pathlib.Path("Microsoft", "Windows", "Start Menu", "Programs", f"{PRODUCT}.lnk")
        self.machine_shortcut = self.drive_c / "ProgramData" / start_menu
        self.user_shortcut = self.user / "AppData" / "Roaming" / start_menu
        self.ini = pathlib.Path(self.values["ZANTEQ_INI"])

    def windows(self, path):
        return "C:\\" + str(path.relative_to(self.drive_c)).replace("/", "\\")

    def run(self, *command, locale=None):
        """Runs a Windows program and waits until every process it started has ended."""
        env = dict(self.env, LC_ALL=locale) if locale else self.env
        try:
            return self.run_now(*command, env=env)
        except subprocess.TimeoutExpired:
            return None
        finally:
            e2e.wait_wineserver(self.env)

    def driver_command(self, program, lines, work):
        script = work / "script.txt"
        script.write_text("\n".join(lines + [""]), encoding="utf-8")
        return ["wine", "explorer", f"/desktop=package,{self.values['ZANTEQ_DESKTOP_SIZE']}",
                str(self.driver), program, e2e.windows_path(script)]

    def run_now(self, *command, env=None):
        """Runs a Windows program and returns as soon as it ends. Its output goes nowhere: a pipe
        would also be held by the Wine services it starts, which live as long as the Wine server."""
        return subprocess.run(["wine", *command], env=env or self.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=RUN_TIMEOUT_S).returncode

    def drive(self, program, lines, work, locale=None):
        """Runs a UI driver script on a program in a virtual desktop: (passed, transcript)."""
        env = dict(self.env, LC_ALL=locale) if locale else self.env
        result = subprocess.run(self.driver_command(program, lines, work), env=env, capture_output=True,
                                timeout=RUN_TIMEOUT_S)
        e2e.wait_wineserver(self.env)
        lines = [line for line in result.stdout.decode("utf-8", "replace").splitlines() if line.strip()]
        return bool(lines) and lines[-1] == "PASS", "\n".join(lines)

    def entry(self, root):
        """The values of the uninstall entry under HKLM or HKCU; None when there is none."""
        result = subprocess.run(["wine", "reg", "query", f"{root}\\{UNINSTALL_KEY}"], env=self.env,
                                capture_output=True, timeout=RUN_TIMEOUT_S)
        if result.returncode != 0:
            return None
        rows = (line.strip().split(None, 2) for line in result.stdout.decode("utf-8", "replace").splitlines())
        return {row[0]: (row[2] if len(row) == 3 else "")
                for row in rows if len(row) >= 2 and row[1].startswith("REG_")}


class Check:
    def __init__(self):
        self.failures = []
        self.passed = 0

    def that(self, holds, what):
        print(("ok    " if holds else "FAIL  ") + what)
        self.passed += 1 if holds else 0
        if not holds:
            self.failures.append(what)


def files_under(folder):
    return {str(p.relative_to(folder)): p for p in sorted(folder.rglob("*")) if p.is_file()} if folder.exists() else {}


def carries_version(data, version):
    """The version resource's ProductVersion text and its four fixed numbers are the version."""
    text = re.search(rb"P\0r\0o\0d\0u\0c\0t\0V\0e\0r\0s\0i\0o\0n\0\0\0(?:\0\0)*((?:[^\0]\0)*)\0\0", data)
    fixed = data.find(struct.pack("<I", 0xFEEF04BD))
    numbers = [int(n) for n in version.split(".")] + [0] * (4 - len(version.split(".")))
    most, least = struct.unpack_from("<II", data, fixed + 8) if fixed >= 0 else (0, 0)
    return (text is not None and text.group(1).decode("utf-16-le") == version
            and [most >> 16, most & 0xFFFF, least >> 16, least & 0xFFFF] == numbers)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--win-build", default=str(ROOT / "build-win"))
    parser.add_argument("--dist", default=str(ROOT / "dist"))
    args = parser.parse_args()
    win_build = pathlib.Path(args.win_build).resolve()
    version = (win_build / "packaging" / "version.txt").read_text().strip()
    installer = pathlib.Path(args.dist).resolve() / f"zanteq-setup-{version}.exe"
    archive = installer.parent / f"zanteq-{version}-win64.zip"
    stage = win_build / "package" / "stage"
    manifest = win_build / "package" / "install_manifest.txt"
    driver = win_build / "tests" / "e2e" / "driver" / "zanteq-driver.exe"
    for needed in (installer, archive, manifest, driver):
        if not needed.exists():
            print(f"missing {needed}: run scripts/package first")
            return 1

    check = Check()
    listed = sorted(str(pathlib.Path(line).relative_to(stage)) for line in manifest.read_text().splitlines() if line)
    check.that({"zanteq.exe", "README-ja.txt"} <= set(listed), f"the install rules name the program and guide {listed}")
    guide = (stage / "README-ja.txt").read_bytes()
    check.that(guide.startswith(b"\xef\xbb\xbf") and guide.count(b"\n") == guide.count(b"\r\n") > 20
               and f"ZANTEQ Setup {version} ".encode() in guide and rb"%APPDATA%\ZANTEQ\zanteq.ini" in guide,
               "README-ja.txt: UTF-8 with a byte-order mark, CR LF, this version, where the INI is kept")
    for program in (installer, stage / "zanteq.exe"):
        check.that(carries_version(program.read_bytes(), version), f"{program.name} carries version {version}")

    work = pathlib.Path(tempfile.mkdtemp(prefix="zanteq-package-"))
    lock = open(win_build / "wine-package.lock", "w")
    fcntl.flock(lock, fcntl.LOCK_EX)
    xvfb = None
    try:
        wine = Wine(win_build / "wine-package", driver)
        xvfb = e2e.start_xvfb(wine.env)

        def installed(folder, root, shortcut, extra=()):
            """An installation: the staged files byte for byte, its entry alone, its shortcut."""
            where = wine.windows(folder)
            files = files_under(folder)
            check.that(sorted(files) == sorted(listed + ["uninstall.exe"] + list(extra))
                       and all(files[n].read_bytes() == (stage / n).read_bytes() for n in listed),
                       f"{where} holds the staged files, the uninstaller and {list(extra)} (holds {sorted(files)})")
            expected = {"DisplayName": PRODUCT, "DisplayVersion": version, "Publisher": "ZANTEQ",
                        "InstallLocation": where, "UninstallString": f'"{where}\\uninstall.exe"',
                        "QuietUninstallString": f'"{where}\\uninstall.exe" /S',
                        "DisplayIcon": f"{where}\\zanteq.exe,0", "NoModify": "0x1", "NoRepair": "0x1"}
            entry = wine.entry(root) or {}
            wrong = {k: entry.get(k) for k, v in expected.items() if entry.get(k) != v}
            check.that(not wrong and int(entry.get("EstimatedSize", "0"), 0) > 0, f"{root} entry (wrong: {wrong})")
            check.that(wine.entry("HKCU" if root == "HKLM" else "HKLM") is None, f"an entry under {root} only")
            target = f"{where}\\zanteq.exe"
            link = shortcut.read_bytes() if shortcut.exists() else b""
            check.that(target.encode("utf-16-le") in link or target.encode("latin-1") in link,
                       f"the shortcut {shortcut} opens {target}")

        def removed(folder, root, shortcut, kept=()):
            """A silent uninstall: program, entry and shortcut gone; the user's files as they were."""
            code = wine.run(wine.windows(folder) + "\\uninstall.exe", "/S")
            left = files_under(folder)
            check.that(code == 0 and sorted(left) == sorted(kept) and (kept or not folder.exists())
                       and all(left[n].read_bytes() == DAT_TEXT for n in kept)
                       and wine.entry(root) is None and not shortcut.exists(),
                       f"uninstalling {folder.name} leaves {list(kept)} (left: {sorted(left)}), no entry, no shortcut")
            check.that(wine.ini.exists() and wine.ini.read_bytes() == INI_TEXT, "the INI file is kept as it was")

        # The pages speak the system's language: Japanese on a Japanese
        # system, English on any other.
        for locale, caption in (("ja_JP.UTF-8", f"ZANTEQ Setup {version} セットアップ"),
                                ("en_US.UTF-8", f"ZANTEQ Setup {version} Setup")):
            passed, transcript = wine.drive(e2e.windows_path(installer), ["launch", f'caption "{caption}"'], work,
                                            locale=locale)
            check.that(passed, f"the installer opens as \"{caption}\" under {locale}\n{transcript}")

        # An older version with a file this one no longer ships; the user
        # then keeps an INI and a .dat file.
        machine = wine.drive_c / "Program Files" / PRODUCT
        old_stage = work / "old-stage"
        shutil.copytree(stage, old_stage)
        (old_stage / "obsolete.txt").write_bytes(b"gone in the next version\r\n")
        subprocess.run([str(ROOT / "packaging" / "make-installer"), old_stage, "0.9", work / "old.exe"], check=True)
        code = wine.run(str(work / "old.exe"), "/S")
        check.that(code == 0 and (machine / "obsolete.txt").exists()
                   and (wine.entry("HKLM") or {}).get("DisplayVersion") == "0.9", "version 0.9 installs per machine")
        wine.ini.parent.mkdir(parents=True, exist_ok=True)
        wine.ini.write_bytes(INI_TEXT)
        (machine / "site.dat").write_bytes(DAT_TEXT)

        check.that(wine.run(str(installer), "/S") == 0, "this version installs silently over it")
        installed(machine, "HKLM", wine.machine_shortcut, ["site.dat"])
        # A program that needs a DLL of the compiler's would not start on Windows.
        system32 = {p.name.lower() for p in (wine.drive_c / "windows" / "system32").iterdir()}
        for name in (n for n in listed if n.endswith(".exe")):
            imports = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", stage / name], capture_output=True,
                                     text=True, check=True).stdout
            dlls = re.findall(r"DLL Name: (\S+)", imports)
            missing = [d for d in dlls if d.lower() not in system32 and d.lower() not in map(str.lower, listed)]
            check.that(bool(dlls) and not missing, f"{name} needs only Windows' DLLs and the package's ({missing})")
        check.that(not wine.user_shortcut.exists(), "no shortcut in the user's own Start menu")

        # The installed program starts; there is no port here, so the port's
        # boxes come first.
        com1 = pathlib.Path(wine.values["ZANTEQ_COM1_LINK"])
        (com1.parent / "no-port").mkdir(exist_ok=True)
        com1.symlink_to(com1.parent / "no-port")
        passed, transcript = wine.drive(wine.windows(machine / "zanteq.exe"), [
            "launch", "window"] + [f'box Error "Miss! {what}"' for what in (
                "File Open", "Mask Set", "Buffer Set", "Time Out Set", "Set Comm State")] + [
            "title ZANTEQ", "alive", "menu 120", 'dialog "ZANTEQのﾊﾞｰｼﾞｮﾝ情報"',
            f'text-is 1199 "Version {version}"', "click 1", "dialog-closed", "close", "exits 0"], work)
        check.that(passed, f"the installed zanteq.exe shows its main window and its version\n{transcript}")
        check.that(wine.run(wine.windows(machine / "zanteqctl.exe"), "--help") == 0,
                   "the installed zanteqctl.exe runs (--help, exit 0)")

        top = f"zanteq-{version}-win64/"
        with zipfile.ZipFile(archive) as zipped:
            check.that(all(n.startswith(top) for n in zipped.namelist()), f"the zip holds one folder, {top}")
            zipped.extractall(work / "zip")
        in_zip = files_under(work / "zip" / top)
        check.that(sorted(in_zip) == listed and all(p.read_bytes() == (machine / n).read_bytes()
                                                    for n, p in in_zip.items()),
                   f"the zip unpacks to the installed files ({sorted(in_zip)})")

        removed(machine, "HKLM", wine.machine_shortcut, ["site.dat"])

        user_folder = wine.user / "AppData" / "Local" / "Programs" / PRODUCT
        check.that(wine.run(str(installer), "/S", "/CurrentUser") == 0, "/CurrentUser installs per user")
        installed(user_folder, "HKCU", wine.user_shortcut)
        removed(user_folder, "HKCU", wine.user_shortcut)

        chosen = wine.drive_c / "Tools" / "ZANTEQ"
        check.that(wine.run(str(installer), "/S", "/D=C:\\Tools\\ZANTEQ") == 0, "/D= names the folder")
        installed(chosen, "HKLM", wine.machine_shortcut)
        # While the program runs, neither the installer nor the uninstaller
        # (run in place, so it is waited for; its _?= folder must not need
        # quotes) touches anything: a silent run stops with exit code 3.
        program = subprocess.Popen(wine.driver_command(wine.windows(chosen / "zanteq.exe"), [
            "launch", "window", "exits 0 main 120000"], work), env=wine.env, stdout=subprocess.PIPE)
        try:
            up = any(b"main window after" in line for line in program.stdout)
            codes = [wine.run_now(*command) if up else None
                     for command in ([str(installer), "/S"],
                                     [wine.windows(chosen / "uninstall.exe"), "/S", f"_?={wine.windows(chosen)}"])]
        finally:
            subprocess.run(["wineserver", "-k"], env=wine.env)  # this run's private prefix only
            program.wait(timeout=RUN_TIMEOUT_S)
            e2e.wait_wineserver(wine.env)
        check.that(codes == [3, 3], f"installer and uninstaller stop while the program runs (exit codes {codes})")
        installed(chosen, "HKLM", wine.machine_shortcut)

        removed(chosen, "HKLM", wine.machine_shortcut)
    finally:
        if xvfb is not None:
            e2e.stop_pid(xvfb)
        shutil.rmtree(work, ignore_errors=True)

    print(f"package: {check.passed} passed, {len(check.failures)} failed")
    return 1 if check.failures else 0


if __name__ == "__main__":
    sys.exit(main())
