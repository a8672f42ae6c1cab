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
import datetime
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
        self.net = None           # tcp, rfc2217 or ser2net: the simulator behind a network port
        self.sim_log = []         # expected (KIND, text) of the wire log's other events, in order
        self.wire_commands_only = False  # compare only the commands received, not what was sent
        self.log_rows = {}        # communication log file -> expected [(direction, text)]
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
        elif keyword == "net":
            if rest not in ("tcp", "rfc2217", "ser2net"):
                raise SystemExit(f"{self.path}:{number}: @net {rest}: tcp, rfc2217 or ser2net")
            self.net = rest
            self.port = "NET"
        elif keyword == "sim-log":
            kind, _, text = rest.partition(" ")
            self.sim_log.append((kind, text.strip()))
        elif keyword == "wire":
            if rest != "commands":
                raise SystemExit(f"{self.path}:{number}: @wire takes 'commands'")
            self.wire_commands_only = True
        elif keyword == "log-row":
            name, _, row = rest.partition(" ")
            direction, _, text = row.strip().partition(" ")
            self.log_rows.setdefault(name, []).append(("" if direction == "-" else direction, text))
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


def take_prefix(win_build):
    """A Wine prefix of the tests' own, held (its lock file open) until the
    run ends: ZANTEQ_WINE_DIR's, else the first free one of build-win/wine-e2e,
    wine-e2e-2 ... (ZANTEQ_E2E_PREFIXES of them, default 2). Each has its own
    wineserver, COM links, INI and desktop, so runs on two prefixes do not
    meet; runs from other build folders or shells take turns on each."""
    named = os.environ.get("ZANTEQ_WINE_DIR")
    count = max(1, int(os.environ.get("ZANTEQ_E2E_PREFIXES", "2")))
    folders = ([pathlib.Path(named)] if named else
               [win_build / ("wine-e2e" if k == 0 else f"wine-e2e-{k + 1}") for k in range(count)])
    for folder in folders:
        folder.mkdir(parents=True, exist_ok=True)
    if len(folders) == 1:
        lock = open(folders[0] / ".lock", "w")
        fcntl.flock(lock, fcntl.LOCK_EX)
        return folders[0], lock
    while True:
        for folder in folders:
            lock = open(folder / ".lock", "w")
            try:
                fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
                return folder, lock
            except BlockingIOError:
                lock.close()
        time.sleep(0.2)


def older_inis(env, ini):
    """Where an older version's INI lies, which the program takes up when
    the user's own is missing: C:\\windows\\zanteq.ini and its copy under
    file virtualisation (AppData\\Local\\VirtualStore\\windows)."""
    legacy = pathlib.Path(env["WINEPREFIX"]) / "drive_c" / "windows" / "zanteq.ini"
    return legacy, ini.parent.parent.parent / "Local" / "VirtualStore" / "windows" / "zanteq.ini"


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


def wire_events(log_path, kinds=("RX", "TX")):
    events = []
    if log_path.exists():
        for line in log_path.read_text(encoding="latin-1").splitlines():
            parts = line.split(" ", 2)
            if len(parts) == 3 and parts[1] in kinds:
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


STAMP_FORMAT = "%Y-%m-%d %H:%M:%S.%f"


def log_file_failures(path, expected, started, ended):
    """A communication log file (the log file, or one saved with 保存…):
    UTF-8 with a byte-order mark, lines ending in CR LF, each "date time
    TAB direction TAB text" with exactly the expected directions and texts
    in order (a text ending in '*' gives only the start), times that never
    go back and none after the run; the last row is of this run."""
    if not path.exists():
        return [f"{path.name} was not written"]
    data = path.read_bytes()
    failures = []
    if not data.startswith(b"\xef\xbb\xbf"):
        failures.append(f"{path.name} does not start with a byte-order mark")
    body = data[3:] if data.startswith(b"\xef\xbb\xbf") else data
    if body and not body.endswith(b"\r\n") or b"\n" in body.replace(b"\r\n", b""):
        failures.append(f"{path.name} has a line that does not end in CR LF")
    lines = body.decode("utf-8", "replace").split("\r\n")[:-1]
    stamps, rows = [], []
    for number, line in enumerate(lines, 1):
        fields = line.split("\t")
        try:
            stamps.append(datetime.datetime.strptime(fields[0] + "000", STAMP_FORMAT))
        except ValueError:
            failures.append(f"{path.name} line {number}: no time \"{fields[0]}\"")
        rows.append(tuple(fields[1:]))
    for number, (seen, wanted) in enumerate(zip(rows, expected), 1):
        direction, text = wanted
        matches = len(seen) == 2 and seen[0] == direction and (
            seen[1].startswith(text[:-1]) if text.endswith("*") else seen[1] == text)
        if not matches:
            failures.append(f"{path.name} line {number} is {seen}, expected {wanted}")
    if len(rows) != len(expected):
        failures.append(f"{path.name} has {len(rows)} rows, expected {len(expected)}")
        for row in rows:
            print(f"  {path.name}: {row}")
    if any(later < earlier for earlier, later in zip(stamps, stamps[1:])):
        failures.append(f"{path.name}: a time goes back")
    slack = datetime.timedelta(seconds=2)
    if stamps and not started - slack <= stamps[-1] <= ended + slack:
        failures.append(f"{path.name}: the last row's time {stamps[-1]} is not within the run")
    return failures


class SimulatedPort:
    """A simulator behind the link of one COM port. It can be stopped (the
    port is gone: its link goes with the simulator) and started again on a
    fresh pseudo-terminal behind the same link, as a re-plugged adapter;
    each start writes a wire log of its own."""

    def __init__(self, sim, port, link, work, options, first_log, absent):
        self.sim, self.port, self.link, self.work, self.options = sim, port, link, work, options
        self.first_log, self.absent = first_log, absent
        self.control = work / f"sim-{port.lower()}.ctl"
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
            [self.sim, "--link", str(self.link), "--log", str(log), "--time-limit", str(self.time_limit),
             "--control", str(self.control)]
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

    def control_command(self, text):
        """Carries out one control command and waits until the simulator has
        logged it (CTL, or ERR when it refused it)."""
        if self.process is None:
            return "the simulator of " + self.port + " does not run"
        log = self.logs[-1]

        def outcomes():
            if not log.exists():
                return 0, 0
            kinds = [line.split(" ", 2)[1:2] for line in log.read_text(encoding="latin-1").splitlines()]
            return kinds.count(["CTL"]), kinds.count(["ERR"])

        before = outcomes()
        with open(self.control, "w", encoding="latin-1") as fifo:
            fifo.write(text + "\n")
        deadline = time.time() + 10
        while time.time() < deadline:
            now = outcomes()
            if now[1] > before[1]:
                return "the simulator refused: " + text[:80]
            if now[0] > before[0]:
                return None
            time.sleep(0.05)
        return "the simulator did not carry out: " + text[:80]


def numbered_lines(first, count):
    """The control command that sends `count` numbered lines, 00001\\r\\n ..."""
    return "send " + "".join(f"{k:05d}\\r\\n" for k in range(first, first + count))


def free_tcp_port():
    """A port number nothing listens on now, on the loopback address."""
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class NetworkPort:
    """A simulator behind a serial device server on the loopback address: its
    own raw (tcp) or RFC 2217 server, or Debian's ser2net serving the
    simulator's pseudo-terminal in raw mode. Stopped, the port refuses
    connections (a server switched off); started again, it serves on the
    same port number with a wire log of its own."""

    def __init__(self, sim, kind, work, options):
        self.sim, self.kind, self.work, self.options = sim, kind, work, options
        self.port = "NET"
        self.number = free_tcp_port()
        self.url = f"{'rfc2217' if kind == 'rfc2217' else 'tcp'}://127.0.0.1:{self.number}"
        self.logs = []
        self.processes = []

    def _wait_file(self, path, process):
        deadline = time.time() + 10
        while time.time() < deadline and process.poll() is None:
            if path.exists() and path.read_text().endswith("\n"):
                return True
            time.sleep(0.05)
        return False

    def start(self):
        if self.processes:
            return "the network port's server runs already"
        log = self.work / ("wire.log" if not self.logs else f"wire-net-{len(self.logs) + 1}.log")
        self.logs.append(log)
        ready = self.work / "sim-net.path"
        if ready.exists():
            ready.unlink()
        errors = open(self.work / "sim-net.err", "a")
        serve = ([] if self.kind == "ser2net" else [f"--{self.kind}", f"127.0.0.1:{self.number}"])
        sim = subprocess.Popen(
            [self.sim, "--path-file", str(ready), "--log", str(log), "--time-limit", str(RUN_TIMEOUT_S + 60)]
            + serve + self.options, stdout=subprocess.DEVNULL, stderr=errors)
        self.processes.append(sim)
        if not self._wait_file(ready, sim):
            return "the simulator did not start: " + (self.work / "sim-net.err").read_text()
        if self.kind == "ser2net":
            config = self.work / "ser2net.yaml"
            config.write_text("connection: &unit\n"
                              f"  accepter: tcp,127.0.0.1,{self.number}\n"
                              f"  connector: serialdev,{ready.read_text().strip()},9600e81,local\n")
            self.processes.append(subprocess.Popen(["ser2net", "-n", "-c", str(config)],
                                                   stdout=subprocess.DEVNULL, stderr=errors))
            deadline = time.time() + 10
            while time.time() < deadline:
                with socket.socket() as probe:
                    if probe.connect_ex(("127.0.0.1", self.number)) == 0:
                        break
                time.sleep(0.1)
            else:
                return "ser2net did not listen: " + (self.work / "sim-net.err").read_text()
        return None

    def stop(self):
        if not self.processes:
            return "the network port's server does not run"
        for process in reversed(self.processes):
            process.send_signal(signal.SIGTERM)
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
        self.processes = []
        return None

    def busy(self):
        return "a network port cannot be held busy"

    def events(self, kinds=("RX", "TX")):
        return [event for log in self.logs for event in wire_events(log, kinds)]


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
    `sim-start [COMn]`, `port-busy [COMn]` (default: the scenario's port),
    `sim-wait-rx PREFIX [COMn]`, `ctl COMMAND...` (a control command to the
    scenario's simulator) and `sim-lines FIRST COUNT` (the simulator sends
    COUNT numbered lines)."""
    request = work / "host-request"
    while not done.is_set():
        if request.exists():
            text = request.read_text(encoding="utf-8", errors="replace").strip()
            words = text.split()
            verb, rest = (words[0], words[1:]) if words else ("", [])
            prefix = rest.pop(0) if verb == "sim-wait-rx" and rest else None
            target = ports.get(rest[0].upper() if rest else "")
            error = "unknown host request " + " ".join(words)[:80]
            if verb == "ctl" and "" in ports:
                error = ports[""].control_command(text.partition(" ")[2])
            elif len(words) == 3 and verb == "sim-lines" and "" in ports:
                error = ports[""].control_command(numbered_lines(int(words[1]), int(words[2])))
            elif target is not None and verb == "sim-wait-rx" and prefix:
                error = wait_for_rx(target, prefix)
            elif target is not None and verb == "sim-stop":
                error = target.stop()
            elif target is not None and verb == "sim-start":
                error = target.start()
            elif target is not None and verb == "port-busy":
                error = target.busy()
            print(f"host {' '.join(words)[:80]}: {error or 'done'}")
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

    wine_dir, lock = take_prefix(win_build)
    env, values = wine_env(wine_dir)
    env["ZANTEQ_WINE_DIR"] = str(wine_dir)  # for the scripts/wine-env calls of this run
    com1 = pathlib.Path(values["ZANTEQ_COM1_LINK"])
    ini = pathlib.Path(values["ZANTEQ_INI"])
    legacy_ini, virtual_store_ini = older_inis(env, ini)

    work = win_build / "e2e" / scenario.name
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    # A network port's number is picked now: the INI and the script name it.
    network = NetworkPort(args.sim, scenario.net, work, scenario.sim_options) if scenario.net else None

    def with_port(text):
        if network is None:
            return text
        return (text.replace("$URL", network.url).replace("$HOSTPORT", f"127.0.0.1:{network.number}")
                .replace("$NETPORT", str(network.number)))

    scenario.ini = {key: with_port(value) for key, value in scenario.ini.items()}
    scenario.expect_ini = {key: with_port(value) for key, value in scenario.expect_ini.items()}
    for fixture, name in scenario.copies:
        shutil.copyfile(HERE / "fixtures" / fixture, work / name)
    for name in scenario.read_only:
        (work / name).chmod(0o444)  # Wine shows it as a read-only file
    unblock_ini_folder(ini)
    for stale in (ini, legacy_ini, virtual_store_ini):
        if stale.exists():
            stale.unlink()
    if scenario.ini:
        write_ini(ini, {key: value.replace("$WORK", windows_path(work)) for key, value in scenario.ini.items()})
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
    script = "\n".join(with_port(line.replace("$WORK", work_windows).replace("$INI", ini_windows))
                        for line in scenario.script) + "\n"
    (work / "script.txt").write_text(script, encoding="utf-8")

    xvfb = None
    ports = {}
    done = threading.Event()
    started = datetime.datetime.now()
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
        if network is not None:
            ports["NET"] = ports[""] = network
            error = network.start()
            if error:
                print(error)
                return EXIT_FAIL
        if not scenario.no_port and network is None:
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
        ended = datetime.datetime.now()
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
        if scenario.wire_commands_only:
            # What the program sent, less the flow control its port adds.
            seen = [(kind, text) for kind, text in seen if kind == "RX" and text not in ("\\x11", "\\x13")]
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
    if network is not None and scenario.sim_log:
        kinds = tuple(sorted({kind for kind, _ in scenario.sim_log}))
        seen = network.events(kinds)
        if seen != scenario.sim_log:
            failures.append("the wire log's " + ", ".join(kinds) + " events differ from what was expected")
            print("expected:", scenario.sim_log)
            print("seen:", seen)
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
    for name, expected in scenario.log_rows.items():
        failures += log_file_failures(work / name, expected, started, ended)
    if scenario.expect_ini:
        seen_ini = read_ini(ini)
        for key, value in ((k, v.replace("$WORK", windows_path(work))) for k, v in scenario.expect_ini.items()):
            if seen_ini.get(key) != value:
                failures.append(f"INI {key} is {seen_ini.get(key)!r}, expected {value!r}")

    for failure in failures:
        print("FAIL:", failure)
    return EXIT_FAIL if failures else EXIT_PASS


if __name__ == "__main__":
    sys.exit(main())
