#!/usr/bin/env python3
"""Runs one end-to-end scenario of zanteq.exe under Wine against the simulator.

    run_scenario.py --win-build DIR --sim PATH SCENARIO.scn

A scenario file holds set-up lines starting with '@' and the script of the UI
driver (or of the link probe); see tests/e2e/README.md. Each run gets a fresh
Xvfb, a fresh simulator on a fresh pseudo-terminal mapped as COM1, a clean INI
file and a work folder under <win-build>/e2e/<scenario>/, and ends with the
Wine server and the simulator stopped.

Exit code: 0 pass, 1 fail.
"""
import argparse
import fcntl
import os
import pathlib
import shlex
import shutil
import signal
import socket
import subprocess
import sys
import threading
import time

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent.parent
WINE_ENV = ROOT / "scripts" / "wine-env"
EXIT_PASS, EXIT_FAIL = 0, 1
RUN_TIMEOUT_S = 180


class Scenario:
    def __init__(self, path):
        self.path = pathlib.Path(path)
        self.name = self.path.stem
        self.runner = "driver"
        self.sim_options = []
        self.no_port = False
        self.ini = {}
        self.copies = []          # (fixture, name in the work folder)
        self.wire = []            # expected (KIND, escaped text)
        self.same_files = []      # (name, name) equal after the run
        self.file_fixtures = []   # (name, fixture) equal after the run
        self.expect_ini = {}
        self.rx_spacing = []      # (first RX, count, least ms, most ms)
        self.rx_pace = []         # (first RX, count, period ms)
        self.existing_files = []  # names that must exist after the run
        self.read_only = []       # work-folder files made read-only before the start
        self.virtual_store_ini = {}  # an older program's INI, as file virtualisation kept it
        self.windows_ini = {}     # an older program's INI in the Windows folder
        self.ini_folder_blocked = False  # a file where the INI's folder would go
        self.dpi = None           # LogPixels for this run, None: none (96 DPI)
        self.locale = None        # LC_ALL of Wine for this run, None: the prefix's Japanese one
        self.port = "COM1"        # where the simulator serves; COM1 leads nowhere otherwise
        self.extra_sims = []      # (port, options) of further simulators
        self.port_wire = []       # expected (port, KIND, escaped text) of a further simulator
        self.script = []
        for number, line in enumerate(self.path.read_text(encoding="utf-8").splitlines(), 1):
            stripped = line.strip()
            if stripped.startswith("@"):
                self._setting(stripped[1:], number)
            else:
                self.script.append(line)

    def _setting(self, text, number):
        keyword, _, rest = text.partition(" ")
        rest = rest.strip()
        if keyword == "runner":
            self.runner = rest
        elif keyword == "sim":
            self.sim_options += [word.replace("$FIXTURES", str(HERE / "fixtures")) for word in shlex.split(rest)]
        elif keyword == "no-port":
            self.no_port = True
        elif keyword == "ini":
            for pair in rest.split():
                key, _, value = pair.partition("=")
                self.ini[key] = value
        elif keyword == "copy":
            fixture, name = rest.split()
            self.copies.append((fixture, name))
        elif keyword in ("rx", "tx"):
            self.wire.append((keyword.upper(), rest))
        elif keyword == "same":
            first, second = rest.split()
            self.same_files.append((first, second))
        elif keyword == "file-is":
            name, fixture = rest.split()
            self.file_fixtures.append((name, fixture))
        elif keyword in ("virtual-store-ini", "windows-ini"):
            target = self.virtual_store_ini if keyword == "virtual-store-ini" else self.windows_ini
            for pair in rest.split():
                key, _, value = pair.partition("=")
                target[key] = value
        elif keyword == "ini-folder-blocked":
            self.ini_folder_blocked = True
        elif keyword == "read-only":
            self.read_only.append(rest)
        elif keyword == "file-exists":
            self.existing_files.append(rest)
        elif keyword == "rx-spacing":
            first, count, least, most = (int(word) for word in rest.split())
            self.rx_spacing.append((first, count, least, most))
        elif keyword == "rx-pace":
            first, count, period = (int(word) for word in rest.split())
            self.rx_pace.append((first, count, period))
        elif keyword == "dpi":
            self.dpi = int(rest)
            if not 48 <= self.dpi <= 480:
                raise SystemExit(f"{self.path}:{number}: @dpi {rest} is no display scale")
        elif keyword == "locale":
            self.locale = rest
        elif keyword == "port":
            self.port = rest.upper()
        elif keyword == "sim-on":
            port, _, options = rest.partition(" ")
            self.extra_sims.append((port.upper(), shlex.split(options)))
        elif keyword in ("port-rx", "port-tx"):
            port, _, text = rest.partition(" ")
            self.port_wire.append((port.upper(), keyword[5:].upper(), text.strip()))
        elif keyword == "expect-ini":
            for pair in rest.split():
                key, _, value = pair.partition("=")
                self.expect_ini[key] = value
        else:
            raise SystemExit(f"{self.path}:{number}: unknown setting @{keyword}")


def wine_env(wine_dir):
    # A prefix of the tests' own: the one scripts/run uses keeps its INI.
    base = dict(os.environ, ZANTEQ_WINE_DIR=str(wine_dir))
    subprocess.run([str(WINE_ENV), "prepare"], check=True, env=base)
    out = subprocess.run([str(WINE_ENV), "print-env"], check=True, capture_output=True, text=True,
                         env=base).stdout
    values = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
    env = dict(os.environ)
    env.update({k: v for k, v in values.items() if k.startswith("WINE")})
    env["LC_ALL"] = values["ZANTEQ_WINE_LOCALE"]
    return env, values


def windows_path(path):
    return "Z:" + str(pathlib.Path(path).resolve()).replace("/", "\\")


def start_xvfb(env):
    out = subprocess.run([str(WINE_ENV), "xvfb"], check=True, capture_output=True, text=True, env=env).stdout
    values = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
    env["DISPLAY"] = values["DISPLAY"]
    return int(values["PID"])


def stop_pid(pid):
    try:
        os.kill(pid, signal.SIGTERM)
    except ProcessLookupError:
        pass


def wait_wineserver(env):
    try:
        subprocess.run(["wineserver", "-w"], env=env, timeout=30)
    except subprocess.TimeoutExpired:
        # Our private prefix only: end what is left of this run.
        subprocess.run(["wineserver", "-k"], env=env)
        subprocess.run(["wineserver", "-w"], env=env, timeout=30)


def prefix_dpi(env):
    """The prefix's LogPixels as its registry file holds it (the server is
    down between runs), None when it is not set."""
    out = subprocess.run([str(WINE_ENV), "get-dpi"], check=True, capture_output=True, text=True, env=env).stdout
    return int(out) if out.strip() else None


def set_prefix_dpi(env, dpi):
    subprocess.run([str(WINE_ENV), "set-dpi", str(dpi) if dpi else "none"], check=True, env=env)


def scaled_size(size, dpi):
    width, height = (int(v) for v in size.split("x"))
    return f"{width * dpi // 96}x{height * dpi // 96}"


def read_ini(path):
    values = {}
    if path.exists():
        for line in path.read_text(encoding="utf-16" if path.read_bytes()[:2] == b"\xff\xfe" else "latin-1").splitlines():
            key, sep, value = line.partition("=")
            if sep:
                values[key.strip()] = value.strip()
    return values


def unblock_ini_folder(ini):
    if ini.parent.is_file():
        ini.parent.unlink()


def write_ini(path, values):
    path.parent.mkdir(parents=True, exist_ok=True)
    lines = ["[ZANTEQ_Section]"] + [f"{k}={v}" for k, v in values.items()]
    path.write_text("\r\n".join(lines) + "\r\n", encoding="latin-1")


def wire_events(log_path):
    events = []
    if log_path.exists():
        for line in log_path.read_text(encoding="latin-1").splitlines():
            parts = line.split(" ", 2)
            if len(parts) == 3 and parts[1] in ("RX", "TX"):
                events.append((parts[1], parts[2]))
    return events


def rx_times(log_path):
    """Times (ms since the simulator started) of the received lines."""
    times = []
    if log_path.exists():
        for line in log_path.read_text(encoding="latin-1").splitlines():
            parts = line.split(" ", 2)
            if len(parts) == 3 and parts[1] == "RX":
                times.append(float(parts[0]))
    return times


def spacing_failures(times, first, count, least, most):
    """Received lines first..first+count-1 (counted from 1) must follow each
    other at least `least` and at most `most` ms apart."""
    picked = times[first - 1:first - 1 + count]
    if len(picked) != count:
        return [f"only {len(picked)} of the {count} received lines from line {first} for the spacing"]
    gaps = [round(b - a) for a, b in zip(picked, picked[1:])]
    print(f"spacing of received lines {first}..{first + count - 1}: {gaps} ms")
    return [f"received line {first + i + 1} came {gap} ms after the one before, expected {least}..{most}"
            for i, gap in enumerate(gaps) if not least <= gap <= most]


# A timed sequence sends from a periodic timer: one late tick makes one gap
# longer and the next shorter, but the lateness does not add up, so the
# mean gap is held tightly and each gap more loosely. Either bound fails a
# pace 25% off.
PACE_MEAN_TOLERANCE = 0.02
PACE_GAP_TOLERANCE = 0.15


def pace_failures(times, first, count, period):
    """Received lines first..first+count-1 (counted from 1) follow each other
    every `period` ms: the mean gap within 2 %, each gap within 15 %."""
    picked = times[first - 1:first - 1 + count]
    if len(picked) != count or count < 2:
        return [f"only {len(picked)} of the {count} received lines from line {first} for the pace"]
    gaps = [b - a for a, b in zip(picked, picked[1:])]
    mean = (picked[-1] - picked[0]) / (count - 1)
    print(f"pace of received lines {first}..{first + count - 1}: mean {mean:.1f} ms, "
          f"gaps {min(gaps):.1f}..{max(gaps):.1f} ms, expected {period} ms")
    failures = []
    if abs(mean - period) > period * PACE_MEAN_TOLERANCE:
        failures.append(f"received lines {first}..{first + count - 1} came every {mean:.1f} ms on average, "
                        f"expected {period} ms within {PACE_MEAN_TOLERANCE:.0%}")
    failures += [f"received line {first + i + 1} came {gap:.1f} ms after the one before, "
                 f"expected {period} ms within {PACE_GAP_TOLERANCE:.0%}"
                 for i, gap in enumerate(gaps) if abs(gap - period) > period * PACE_GAP_TOLERANCE]
    return failures


class SimulatedPort:
    """A simulator behind the link of one COM port. It can be stopped (the
    port is gone: its link goes with the simulator) and started again on a
    fresh pseudo-terminal behind the same link, as a re-plugged adapter;
    each start writes a wire log of its own."""

    def __init__(self, sim, port, link, work, options, first_log, absent):
        self.sim, self.port, self.link, self.work, self.options = sim, port, link, work, options
        self.first_log, self.absent = first_log, absent
        self.time_limit = RUN_TIMEOUT_S + 60  # a longer run (the soak) sets its own
        self.logs = []
        self.process = None

    def start(self):
        if self.process is not None:
            return "the simulator of " + self.port + " runs already"
        if self.link.is_symlink() or self.link.exists():
            self.link.unlink()
        log = self.work / (self.first_log if not self.logs else f"wire-{self.port.lower()}-{len(self.logs) + 1}.log")
        self.logs.append(log)
        self.process = subprocess.Popen(
            [self.sim, "--link", str(self.link), "--log", str(log), "--time-limit", str(self.time_limit)]
            + self.options, stdout=subprocess.DEVNULL,
            stderr=open(self.work / f"sim-{self.port.lower()}.err", "a"))
        deadline = time.time() + 10
        while not self.link.is_symlink() and time.time() < deadline and self.process.poll() is None:
            time.sleep(0.05)
        if not self.link.is_symlink():
            return "the simulator did not start: " + (self.work / f"sim-{self.port.lower()}.err").read_text()
        return None

    def stop(self):
        if self.process is None:
            return "the simulator of " + self.port + " does not run"
        self.process.send_signal(signal.SIGTERM)
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
        self.process = None
        # The simulator took its link with it; the port is not there now.
        if not self.link.is_symlink():
            self.link.symlink_to(self.absent)
        return None

    def busy(self):
        """The port held by another program: a folder behind its link opens
        as a port in use."""
        error = self.stop() if self.process is not None else None
        busy = self.link.parent / "busy-port"
        busy.mkdir(exist_ok=True)
        if self.link.is_symlink() or self.link.exists():
            self.link.unlink()
        self.link.symlink_to(busy)
        return error

    def events(self):
        return [event for log in self.logs for event in wire_events(log)]


def wait_for_rx(sim, prefix, timeout_s=10):
    """Until the simulator has received a line that starts with `prefix`."""
    deadline = time.time() + timeout_s
    while time.time() < deadline:
        if any(kind == "RX" and text.startswith(prefix) for kind, text in sim.events()):
            return None
        time.sleep(0.02)
    return f"the simulator of {sim.port} received no line starting with {prefix}"


def serve_host_requests(work, ports, done):
    """Carries out the driver's `host` lines: `sim-stop [COMn]`,
    `sim-start [COMn]`, `port-busy [COMn]` (default: the scenario's port)
    and `sim-wait-rx PREFIX [COMn]`."""
    request = work / "host-request"
    while not done.is_set():
        if request.exists():
            words = request.read_text(encoding="utf-8", errors="replace").split()
            verb, rest = (words[0], words[1:]) if words else ("", [])
            prefix = rest.pop(0) if verb == "sim-wait-rx" and rest else None
            target = ports.get(rest[0].upper() if rest else "")
            error = "unknown host request " + " ".join(words)
            if target is not None and verb == "sim-wait-rx" and prefix:
                error = wait_for_rx(target, prefix)
            elif target is not None and verb == "sim-stop":
                error = target.stop()
            elif target is not None and verb == "sim-start":
                error = target.start()
            elif target is not None and verb == "port-busy":
                error = target.busy()
            print(f"host {' '.join(words)}: {error or 'done'}")
            if error:
                (work / "host-error").write_text(error)
            request.unlink()
        time.sleep(0.05)


def port_link(values, port):
    return pathlib.Path(values["ZANTEQ_WINE_DIR"]) / port.lower()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--win-build", required=True)
    parser.add_argument("--sim", required=True)
    parser.add_argument("scenario")
    args = parser.parse_args()

    scenario = Scenario(args.scenario)
    win_build = pathlib.Path(args.win_build).resolve()
    program = win_build / "win32" / "zanteq.exe"
    tools = win_build / "tests" / "e2e" / "driver"
    for needed in (program, tools / "zanteq-driver.exe", tools / "zanteq-link-probe.exe", pathlib.Path(args.sim)):
        if not needed.exists():
            print(f"missing {needed}: build the cross build (scripts/test does) and the simulator first")
            return EXIT_FAIL

    wine_dir = pathlib.Path(os.environ.get("ZANTEQ_WINE_DIR") or win_build / "wine-e2e")
    wine_dir.mkdir(parents=True, exist_ok=True)
    # Runs from other build folders or shells take turns on the prefix.
    lock = open(wine_dir / ".lock", "w")
    fcntl.flock(lock, fcntl.LOCK_EX)
    env, values = wine_env(wine_dir)
    env["ZANTEQ_WINE_DIR"] = str(wine_dir)  # for the scripts/wine-env calls of this run
    com1 = pathlib.Path(values["ZANTEQ_COM1_LINK"])
    ini = pathlib.Path(values["ZANTEQ_INI"])
    legacy_ini = pathlib.Path(env["WINEPREFIX"]) / "drive_c" / "windows" / "zanteq.ini"

    work = win_build / "e2e" / scenario.name
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    for fixture, name in scenario.copies:
        shutil.copyfile(HERE / "fixtures" / fixture, work / name)
    for name in scenario.read_only:
        (work / name).chmod(0o444)  # Wine shows it as a read-only file
    # AppData\Roaming\ZANTEQ\zanteq.ini -> AppData\Local\VirtualStore\windows\zanteq.ini
    virtual_store_ini = ini.parent.parent.parent / "Local" / "VirtualStore" / "windows" / "zanteq.ini"
    unblock_ini_folder(ini)
    for stale in (ini, legacy_ini, virtual_store_ini):
        if stale.exists():
            stale.unlink()
    if scenario.ini:
        write_ini(ini, scenario.ini)
    if scenario.virtual_store_ini:
        write_ini(virtual_store_ini, scenario.virtual_store_ini)
    if scenario.windows_ini:
        write_ini(legacy_ini, scenario.windows_ini)
    if scenario.ini_folder_blocked:
        shutil.rmtree(ini.parent, ignore_errors=True)
        ini.parent.write_text("")  # the program cannot make its folder

    desktop = values["ZANTEQ_DESKTOP_SIZE"]
    if scenario.locale:
        env["LC_ALL"] = scenario.locale
    # The tests' prefix has no scale of its own (96 DPI); a run stopped
    # before it could restore it leaves one, which the next run clears.
    stale_dpi = prefix_dpi(env)
    if scenario.dpi:
        # A larger scale gets a screen and a desktop as much larger, so the
        # windows fit as they do at 100 %.
        desktop = scaled_size(desktop, max(scenario.dpi, 96))
        env["ZANTEQ_XVFB_SCREEN"] = desktop if scenario.dpi > 120 else "1280x1024"

    work_windows = windows_path(work).replace("\\", "\\\\")  # as written inside "quotes"
    # The INI file's Windows path, as the program names it in a box.
    ini_windows = ("C:\\" + str(ini.relative_to(pathlib.Path(env["WINEPREFIX"]) / "drive_c"))
                   .replace("/", "\\")).replace("\\", "\\\\")
    script = "\n".join(line.replace("$WORK", work_windows).replace("$INI", ini_windows)
                       for line in scenario.script) + "\n"
    (work / "script.txt").write_text(script, encoding="utf-8")

    xvfb = None
    ports = {}
    done = threading.Event()
    host = None
    output = ""
    try:
        if scenario.dpi != stale_dpi:
            set_prefix_dpi(env, scenario.dpi)
        xvfb = start_xvfb(env)
        # Every port starts out not there. A missing link would make Wine
        # fall back to a /dev/ttyS device, and a folder reads as a port in
        # use; a socket file cannot be opened at all, as a device that is
        # not present. A simulator replaces the link of its port.
        absent = com1.parent / "absent-port"
        if absent.exists() or absent.is_symlink():
            absent.unlink()
        with socket.socket(socket.AF_UNIX) as unbound:
            unbound.bind(str(absent))
        for link in [com1] + [port_link(values, port) for port in values.get("ZANTEQ_EXTRA_PORTS", "").split()]:
            if link.is_symlink() or link.exists():
                link.unlink()
            link.symlink_to(absent)
        if not scenario.no_port:
            sims = [(scenario.port, scenario.sim_options, "wire.log")]
            sims += [(port, options, f"wire-{port.lower()}.log") for port, options in scenario.extra_sims]
            for port, options, log in sims:
                ports[port] = SimulatedPort(args.sim, port, port_link(values, port), work, options, log, absent)
                error = ports[port].start()
                if error:
                    print(error)
                    return EXIT_FAIL
            ports[""] = ports[scenario.port]
        host = threading.Thread(target=serve_host_requests, args=(work, ports, done), daemon=True)
        host.start()

        if scenario.runner == "driver":
            command = ["wine", "explorer", f"/desktop=e2e,{desktop}",
                       str(tools / "zanteq-driver.exe"), windows_path(program), windows_path(work / "script.txt")]
        elif scenario.runner == "link-probe":
            command = ["wine", str(tools / "zanteq-link-probe.exe"), windows_path(work / "script.txt")]
        else:
            print(f"unknown runner {scenario.runner}")
            return EXIT_FAIL
        try:
            result = subprocess.run(command, env=env, capture_output=True, timeout=RUN_TIMEOUT_S)
            output = result.stdout.decode("utf-8", "replace")
        except subprocess.TimeoutExpired as timeout:
            output = (timeout.stdout or b"").decode("utf-8", "replace") + "\nFAIL: the run did not end in time\n"
        wait_wineserver(env)
    finally:
        done.set()
        if host is not None:
            host.join()
        for port, simulated in ports.items():
            if port:
                simulated.stop()
        if xvfb is not None:
            stop_pid(xvfb)
        unblock_ini_folder(ini)  # the prefix is shared with the next runs
        if scenario.dpi:
            # The other scenarios run at 96 DPI.
            wait_wineserver(env)
            set_prefix_dpi(env, None)

    print(output, end="")
    lines = [line for line in output.splitlines() if line.strip()]
    verdict = lines[-1] if lines else "FAIL: the driver printed nothing"
    failures = [] if verdict == "PASS" else [verdict]

    if not scenario.no_port:
        seen = ports[scenario.port].events()
        if seen != scenario.wire:
            failures.append("the wire differs from what was expected")
            print("expected on the wire:")
            for kind, text in scenario.wire:
                print(f"  {kind} {text}")
            print("seen on the wire:")
            for kind, text in seen:
                print(f"  {kind} {text}")
    for port, _ in scenario.extra_sims:
        expected = [(kind, text) for at, kind, text in scenario.port_wire if at == port]
        seen = ports[port].events() if port in ports else []
        if seen != expected:
            failures.append(f"the wire of {port} differs from what was expected")
            print(f"expected on {port}: {expected}")
            print(f"seen on {port}: {seen}")
    if not scenario.no_port:
        for first, count, least, most in scenario.rx_spacing:
            failures += spacing_failures(rx_times(work / "wire.log"), first, count, least, most)
        for first, count, period in scenario.rx_pace:
            failures += pace_failures(rx_times(work / "wire.log"), first, count, period)
    for first, second in scenario.same_files:
        a, b = work / first, work / second
        if not a.exists() or not b.exists() or a.read_bytes() != b.read_bytes():
            failures.append(f"{first} and {second} differ")
    for name, fixture in scenario.file_fixtures:
        a, b = work / name, HERE / "fixtures" / fixture
        if not a.exists() or a.read_bytes() != b.read_bytes():
            failures.append(f"{name} is not {fixture}")
    for name in scenario.existing_files:
        if not (work / name).exists():
            failures.append(f"{name} was not written")
    if scenario.expect_ini:
        seen_ini = read_ini(ini)
        for key, value in scenario.expect_ini.items():
            if seen_ini.get(key) != value:
                failures.append(f"INI {key} is {seen_ini.get(key)!r}, expected {value!r}")

    for failure in failures:
        print("FAIL:", failure)
    return EXIT_FAIL if failures else EXIT_PASS


if __name__ == "__main__":
    sys.exit(main())
