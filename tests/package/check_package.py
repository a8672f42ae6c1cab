#!/usr/bin/env python3
"""Installs the Windows package under Wine, uses it and takes it away again.

    tests/package/check_package.py [--win-build build-win] [--dist dist]

Run after scripts/package. In a Wine prefix of its own, made anew on every
run (<win-build>/wine-package), as a user would meet it:

0. the installer's pages in Japanese on a Japanese system, in English on
   another;
1. an older version (the same files and one more) installed silently per
   machine; the user keeps an INI file and a .dat file in its folder;
2. this version installed silently over it: the old program goes, the user's
   files stay, and the folder holds exactly what the install rules name, byte
   for byte, with its uninstaller; the uninstall entry, the Start-menu
   shortcut and the programs' version resources carry this version;
3. the installed zanteq.exe starts, shows its main window and its about box
   with this version;
4. the zip unpacks to the same files;
5. a silent uninstall removes the program, the shortcut and the entry and
   keeps the INI and the .dat file;
6. a per-user installation (/CurrentUser) and its removal;
7. an installation into a folder named with /D= and its removal.

Exit code 0 when everything holds; otherwise every failed check is listed.
"""
import argparse
import fcntl
import pathlib
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent.parent
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
import run_scenario as e2e  # noqa: E402  (the shared Wine helpers)

PRODUCT = "ZANTEQ Setup"
PUBLISHER = "ZANTEQ"
UNINSTALL_KEY = r"Software\Microsoft\Windows\CurrentVersion\Uninstall\ZANTEQ Setup"
RUN_TIMEOUT_S = 180
INI_TEXT = b"[ZANTEQ_Section]\r\ncom_port=2\r\nrs_control=1\r\nselect_number=5\r\n"
DAT_TEXT = b"user's settings file\r\n"


class Check:
    def __init__(self):
        self.failures = []

    def that(self, holds, what):
        print(("ok    " if holds else "FAIL  ") + what)
        if not holds:
            self.failures.append(what)
        return holds


class Wine:
    def __init__(self, wine_dir, driver):
        self.driver = driver
        shutil.rmtree(wine_dir, ignore_errors=True)
        self.env, self.values = e2e.wine_env(wine_dir)
        # No Linux menu entries for the shortcuts the installer makes.
        self.env["WINEDLLOVERRIDES"] = self.env.get("WINEDLLOVERRIDES", "") + ";winemenubuilder.exe=d"
        self.drive_c = pathlib.Path(self.env["WINEPREFIX"]) / "drive_c"
        user = self.drive_c / "users" / subprocess.run(["id", "-un"], capture_output=True, text=True).stdout.strip()
        self.machine_dir = self.drive_c / "Program Files" / PRODUCT
        self.user_dir = user / "AppData" / "Local" / "Programs" / PRODUCT
        self.machine_shortcut = (self.drive_c / "ProgramData" / "Microsoft" / "Windows" / "Start Menu" / "Programs"
                                 / f"{PRODUCT}.lnk")
        self.user_shortcut = (user / "AppData" / "Roaming" / "Microsoft" / "Windows" / "Start Menu" / "Programs"
                              / f"{PRODUCT}.lnk")
        self.ini = pathlib.Path(self.values["ZANTEQ_INI"])

    def run(self, *command, locale=None):
        """Runs a Windows program and waits until every process it started has ended."""
        env = dict(self.env, LC_ALL=locale) if locale else self.env
        try:
            result = subprocess.run(["wine", *command], env=env, capture_output=True, timeout=RUN_TIMEOUT_S)
            code = result.returncode
            output = result.stdout.decode("utf-8", "replace")
        except subprocess.TimeoutExpired:
            code, output = None, "did not end in time"
        e2e.wait_wineserver(self.env)
        return code, output

    def drive(self, program, lines, work, locale=None):
        """Runs the UI driver's script on a program in a virtual desktop; its transcript and verdict."""
        script = work / "script.txt"
        script.write_text("\n".join(lines + [""]), encoding="utf-8")
        _, output = self.run("explorer", f"/desktop=package,{self.values['ZANTEQ_DESKTOP_SIZE']}",
                             str(self.driver), program, e2e.windows_path(script), locale=locale)
        lines = [line for line in output.splitlines() if line.strip()]
        return "\n".join(lines), bool(lines) and lines[-1] == "PASS"

    def uninstall_entry(self, root):
        """The values of the uninstall entry under HKLM or HKCU, None when there is none."""
        result = subprocess.run(["wine", "reg", "query", f"{root}\\{UNINSTALL_KEY}"], env=self.env,
                                capture_output=True, timeout=RUN_TIMEOUT_S)
        if result.returncode != 0:
            return None
        values = {}
        for line in result.stdout.decode("utf-8", "replace").splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) >= 2 and parts[1].startswith("REG_"):
                values[parts[0]] = parts[2] if len(parts) == 3 else ""
        return values


def windows_path(drive_c, path):
    return "C:\\" + str(path.relative_to(drive_c)).replace("/", "\\")


def files_under(folder):
    return {str(p.relative_to(folder)): p for p in sorted(folder.rglob("*")) if p.is_file()}


def utf16_string_after(data, key):
    """The value of a version-resource string: the UTF-16 text after its key and padding."""
    at = data.find((key + "\0").encode("utf-16-le"))
    if at < 0:
        return None
    at += len(key + "\0") * 2
    while data[at:at + 2] == b"\0\0":
        at += 2
    end = at
    while data[end:end + 2] != b"\0\0":
        end += 2
    return data[at:end].decode("utf-16-le")


def fixed_version(data):
    """The four numbers of VS_FIXEDFILEINFO's file version."""
    at = data.find(struct.pack("<I", 0xFEEF04BD))
    if at < 0:
        return None
    most, least = struct.unpack_from("<II", data, at + 8)
    return (most >> 16, most & 0xFFFF, least >> 16, least & 0xFFFF)


def quad(version):
    numbers = [int(n) for n in version.split(".")]
    return tuple(numbers + [0] * (4 - len(numbers)))


def names_target(shortcut, target):
    data = shortcut.read_bytes() if shortcut.exists() else b""
    return target.encode("utf-16-le") in data or target.encode("latin-1") in data


def check_entry(check, entry, where, folder_windows, version):
    if not check.that(entry is not None, f"the uninstall entry exists under {where}"):
        return
    expected = {
        "DisplayName": PRODUCT,
        "DisplayVersion": version,
        "Publisher": PUBLISHER,
        "InstallLocation": folder_windows,
        "UninstallString": f'"{folder_windows}\\uninstall.exe"',
        "QuietUninstallString": f'"{folder_windows}\\uninstall.exe" /S',
        "DisplayIcon": f"{folder_windows}\\zanteq.exe,0",
        "NoModify": "0x1",
        "NoRepair": "0x1",
    }
    for name, value in expected.items():
        check.that(entry.get(name) == value, f"{where} entry {name} is {value!r} (is {entry.get(name)!r})")
    check.that(int(entry.get("EstimatedSize", "0"), 0) > 0, f"{where} entry EstimatedSize is given")


def check_program_files(check, folder, stage, listed, extra):
    installed = files_under(folder)
    expected = set(listed) | {"uninstall.exe"} | set(extra)
    check.that(set(installed) == expected,
               f"{folder.name} holds the install rules' files, the uninstaller and the user's files "
               f"(missing {sorted(expected - set(installed))}, unexpected {sorted(set(installed) - expected)})")
    for name in listed:
        if name in installed:
            check.that(installed[name].read_bytes() == (stage / name).read_bytes(), f"installed {name} is the staged one")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--win-build", default=str(ROOT / "build-win"))
    parser.add_argument("--dist", default=str(ROOT / "dist"))
    args = parser.parse_args()
    win_build = pathlib.Path(args.win_build).resolve()
    dist = pathlib.Path(args.dist).resolve()
    version = (win_build / "packaging" / "version.txt").read_text().strip()
    installer = dist / f"zanteq-setup-{version}.exe"
    archive = dist / f"zanteq-{version}-win64.zip"
    package = win_build / "package"
    stage = package / "stage"
    driver = win_build / "tests" / "e2e" / "driver" / "zanteq-driver.exe"
    for needed in (installer, archive, package / "install_manifest.txt", driver):
        if not needed.exists():
            print(f"missing {needed}: run scripts/package first")
            return 1

    check = Check()
    listed = sorted(str(pathlib.Path(line).relative_to(stage))
                    for line in (package / "install_manifest.txt").read_text().splitlines() if line.strip())
    for name in ("zanteq.exe", "README-ja.txt"):
        check.that(name in listed, f"the install rules name {name}")

    guide = (stage / "README-ja.txt").read_bytes()
    check.that(guide.startswith(b"\xef\xbb\xbf") and guide.count(b"\n") == guide.count(b"\r\n") > 20,
               "README-ja.txt is UTF-8 with a byte-order mark and CR LF line ends")
    check.that(f"ZANTEQ Setup {version} ".encode() in guide and "%APPDATA%\\ZANTEQ\\zanteq.ini".encode() in guide,
               "README-ja.txt names this version and where the INI is kept")
    for program in (installer, stage / "zanteq.exe"):
        data = program.read_bytes()
        check.that(utf16_string_after(data, "ProductVersion") == version and fixed_version(data) == quad(version),
                   f"{program.name} carries version {version} in its version resource")

    wine_dir = win_build / "wine-package"
    work = pathlib.Path(tempfile.mkdtemp(prefix="zanteq-package-"))
    lock = open(win_build / "wine-package.lock", "w")
    fcntl.flock(lock, fcntl.LOCK_EX)
    xvfb = None
    try:
        wine = Wine(wine_dir, driver)
        xvfb = e2e.start_xvfb(wine.env)
        machine_windows = windows_path(wine.drive_c, wine.machine_dir)

        # The pages speak the system's language: Japanese on a Japanese
        # system, English on any other.
        for locale, caption in (("ja_JP.UTF-8", f"ZANTEQ Setup {version} セットアップ"),
                                ("en_US.UTF-8", f"ZANTEQ Setup {version} Setup")):
            transcript, passed = wine.drive(e2e.windows_path(installer), ["launch", f'caption "{caption}"'], work,
                                            locale=locale)
            check.that(passed, f"the installer opens as \"{caption}\" under {locale}\n{transcript}")

        # 1. An older version, with a file this one no longer ships.
        old_stage = work / "old-stage"
        shutil.copytree(stage, old_stage)
        (old_stage / "obsolete.txt").write_bytes(b"gone in the next version\r\n")
        subprocess.run([str(ROOT / "packaging" / "make-installer"), str(old_stage), "0.9", str(work / "old.exe")],
                       check=True)
        code, _ = wine.run(str(work / "old.exe"), "/S")
        check.that(code == 0 and (wine.machine_dir / "obsolete.txt").exists(), "version 0.9 installs per machine")
        check.that((wine.uninstall_entry("HKLM") or {}).get("DisplayVersion") == "0.9", "its entry says 0.9")
        wine.ini.parent.mkdir(parents=True, exist_ok=True)
        wine.ini.write_bytes(INI_TEXT)
        (wine.machine_dir / "site.dat").write_bytes(DAT_TEXT)

        # 2. This version over it.
        code, output = wine.run(str(installer), "/S")
        check.that(code == 0, f"the installer ends with exit code 0 ({code}) {output}")
        check_program_files(check, wine.machine_dir, stage, listed, ["site.dat"])
        check_entry(check, wine.uninstall_entry("HKLM"), "HKLM", machine_windows, version)
        check.that(wine.uninstall_entry("HKCU") is None, "no entry under HKCU")
        check.that(names_target(wine.machine_shortcut, machine_windows + "\\zanteq.exe"),
                   "the all-users Start-menu shortcut opens the installed zanteq.exe")
        check.that(not wine.user_shortcut.exists(), "no shortcut in the user's own Start menu")

        # 3. The installed program starts (no port here: the port's boxes first).
        nowhere = pathlib.Path(wine.values["ZANTEQ_COM1_LINK"]).parent / "no-port"
        nowhere.mkdir(exist_ok=True)
        pathlib.Path(wine.values["ZANTEQ_COM1_LINK"]).symlink_to(nowhere)
        transcript, passed = wine.drive(machine_windows + "\\zanteq.exe", [
            "launch", "window",
            'box Error "Miss! File Open"', 'box Error "Miss! Mask Set"', 'box Error "Miss! Buffer Set"',
            'box Error "Miss! Time Out Set"', 'box Error "Miss! Set Comm State"',
            "title ZANTEQ", "alive",
            "menu 120", 'dialog "ZANTEQのﾊﾞｰｼﾞｮﾝ情報"', f'text-is 1199 "Version {version}"', "click 1",
            "dialog-closed", "close", "exits 0"], work)
        check.that(passed, "the installed zanteq.exe shows its main window and its version in the about box\n"
                   + transcript)

        # 4. The zip: one folder holding the same files.
        unpacked = work / "zip"
        with zipfile.ZipFile(archive) as zipped:
            top = f"zanteq-{version}-win64/"
            check.that(all(n.startswith(top) for n in zipped.namelist()), f"the zip holds one folder, {top}")
            zipped.extractall(unpacked)
        in_zip = files_under(unpacked / top)
        check.that(sorted(in_zip) == listed, f"the zip holds the install rules' files ({sorted(in_zip)})")
        for name, path in in_zip.items():
            installed = wine.machine_dir / name
            check.that(installed.exists() and installed.read_bytes() == path.read_bytes(),
                       f"{name} from the zip equals the installed one")

        # 5. Silent uninstall keeps the user's files.
        code, _ = wine.run(machine_windows + "\\uninstall.exe", "/S")
        left = files_under(wine.machine_dir) if wine.machine_dir.exists() else {}
        check.that(code == 0 and sorted(left) == ["site.dat"],
                   f"the uninstaller removes the program and leaves site.dat (left: {sorted(left)})")
        check.that(wine.uninstall_entry("HKLM") is None, "the uninstall entry is gone")
        check.that(not wine.machine_shortcut.exists(), "the shortcut is gone")
        check.that(wine.ini.exists() and wine.ini.read_bytes() == INI_TEXT, "the INI file is kept as it was")
        check.that(left.get("site.dat") is not None and left["site.dat"].read_bytes() == DAT_TEXT,
                   "the .dat file is kept as it was")

        # 6. Per user, chosen on the command line.
        user_windows = windows_path(wine.drive_c, wine.user_dir)
        code, _ = wine.run(str(installer), "/S", "/CurrentUser")
        check.that(code == 0, "the installer installs per user with /CurrentUser")
        check_program_files(check, wine.user_dir, stage, listed, [])
        check_entry(check, wine.uninstall_entry("HKCU"), "HKCU", user_windows, version)
        check.that(wine.uninstall_entry("HKLM") is None, "no entry under HKLM")
        check.that(names_target(wine.user_shortcut, user_windows + "\\zanteq.exe"),
                   "the user's Start-menu shortcut opens the per-user zanteq.exe")
        code, _ = wine.run(user_windows + "\\uninstall.exe", "/S")
        check.that(code == 0 and not wine.user_dir.exists() and wine.uninstall_entry("HKCU") is None
                   and not wine.user_shortcut.exists(),
                   "its uninstaller removes the folder, the entry and the shortcut")
        check.that(wine.ini.exists() and wine.ini.read_bytes() == INI_TEXT, "the INI file is still kept")

        # 7. A folder of the user's choice.
        chosen = wine.drive_c / "Tools" / "ZANTEQ"
        code, _ = wine.run(str(installer), "/S", "/D=C:\\Tools\\ZANTEQ")
        check.that(code == 0 and (wine.uninstall_entry("HKLM") or {}).get("InstallLocation") == "C:\\Tools\\ZANTEQ",
                   "/D= installs into the folder it names")
        check_program_files(check, chosen, stage, listed, [])
        code, _ = wine.run("C:\\Tools\\ZANTEQ\\uninstall.exe", "/S")
        check.that(code == 0 and not chosen.exists() and wine.uninstall_entry("HKLM") is None,
                   "and its uninstaller removes it again")
    finally:
        if xvfb is not None:
            e2e.stop_pid(xvfb)
        shutil.rmtree(work, ignore_errors=True)

    print(f"{len(check.failures)} failed" if check.failures else "package: every check holds")
    return 1 if check.failures else 0


if __name__ == "__main__":
    sys.exit(main())
