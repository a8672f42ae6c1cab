#!/usr/bin/env python3
"""Seed corpora and dictionaries of the fuzz targets, made from the
repository's own files: the settings files of the end-to-end fixtures, what
the scenarios' unit received and sent (@rx, @tx), their simulator options
(@sim --set, --fault, --rs485) and INI values, the README's zanteqctl lines
and the prefix tables of the decoders and of the simulator.

    make_corpus.py --root REPO --out FOLDER --targets FILE

writes FOLDER/corpus/<target>/<sha1> and FOLDER/<target>.dict for every
target named in FILE (one a line). A target without a maker here is an
error: each needs seeds in its own input format.
"""

import argparse
import hashlib
import re
import shlex
import shutil
import sys
from pathlib import Path


# ---- reading the repository ------------------------------------------------

def unescape_wire(text):
    """The wire log's escapes (\\r \\n \\t \\\\ \\xHH) to bytes."""
    out = bytearray()
    i = 0
    while i < len(text):
        c = text[i]
        if c != "\\" or i + 1 == len(text):
            out += c.encode("utf-8")
            i += 1
            continue
        n = text[i + 1]
        if n == "x":
            out.append(int(text[i + 2:i + 4], 16))
            i += 4
            continue
        out += {"r": b"\r", "n": b"\n", "t": b"\t", "s": b" ", "\\": b"\\"}[n]
        i += 2
    return bytes(out)


class Scenario:
    def __init__(self, path):
        self.name = path.stem
        self.sim = []        # the simulator's options, split as the runner splits them
        self.rx = []         # lines the unit received
        self.tx = []         # what the unit sent
        self.ini = []        # "key=value" of @ini and @expect-ini
        for line in path.read_text(encoding="utf-8").splitlines():
            word, _, rest = line.partition(" ")
            if word == "@sim":
                self.sim += shlex.split(rest)
            elif word == "@rx":
                self.rx.append(unescape_wire(rest))
            elif word == "@tx":
                self.tx.append(unescape_wire(rest))
            elif word in ("@ini", "@expect-ini"):
                self.ini += rest.split()

    def option_values(self, option):
        return [self.sim[i + 1] for i, o in enumerate(self.sim[:-1]) if o == option]

    @property
    def rs485(self):
        return bool(self.option_values("--rs485"))


class Repository:
    def __init__(self, root):
        self.root = root
        self.scenarios = [Scenario(p) for p in sorted((root / "tests/e2e/scenarios").glob("*.scn"))]
        self.settings_files = [p.read_bytes() for p in sorted((root / "tests/e2e/fixtures").glob("*.dat"))]
        self.readme = (root / "README.md").read_text(encoding="utf-8")

    def source(self, relative):
        return (self.root / relative).read_text(encoding="utf-8")

    def table(self, relative, start, pattern):
        """The strings of one table in a source file: from the line holding
        `start` to the end of its initialiser."""
        text = self.source(relative)
        at = text.index(start)
        body = text[at:text.index("\n};", at)]
        found = re.findall(pattern, body)
        if not found:
            sys.exit(f"make_corpus: no entries of {start!r} in {relative}")
        return found

    def reply_prefixes(self):
        return self.table("core/settings/decoders.cpp", "const ReplyPrefix reply_prefixes[]", r'\{"([A-Z0-9]+)", decode_')

    def set_command_names(self):
        return self.table("sim/unit_commands.cpp", "set_commands[]", r'\{"([A-Z0-9]+)", \d+,')

    def read_commands(self):
        """The read-all commands: the channel reads (for ch.01) and the rest."""
        found = re.findall(r'"(R[A-Z0-9]+)\\r\\n"', self.source("core/bulk/read_all.cpp"))
        if not found:
            sys.exit("make_corpus: no read commands in core/bulk/read_all.cpp")
        return found

    def telnet_codes(self):
        """The Telnet and COM-PORT-OPTION codes of the codec's header."""
        text = self.source("core/link/rfc2217.h")
        return {name: int(value) for name, value in re.findall(r"\b(\w+) = (\d+)", text)}

    def sim_values(self, option):
        return [v for s in self.scenarios for v in s.option_values(option)]

    def zanteqctl_lines(self):
        """The README's zanteqctl command lines, split into arguments."""
        lines = []
        commands = ("ports", "scan", "read", "write", "diff", "send")
        for m in re.finditer(r"zanteqctl((?: [^`|#>);\n]+)+)", self.readme):
            try:
                args = shlex.split(m.group(1))
            except ValueError:
                continue
            if args and (args[0].startswith("--") or args[0] in commands):
                lines.append(args)
        return lines


# ---- seeds, one maker per target --------------------------------------------

def reply(repo):
    """Flags (bit 0 RS-485), a count of read sizes and the sizes, then what
    the unit sent."""
    seeds, one_line = [], set()
    for s in repo.scenarios:
        if not s.tx:
            continue
        flags = bytes([1 if s.rs485 else 0])
        stream = b"".join(s.tx)
        seeds.append(flags + b"\x00" + stream)
        seeds.append(flags + b"\x03\x03\x07\x01" + stream)       # in small reads
        seeds.append(flags + b"\x02\x00\x05" + stream)            # a command every five bytes
        one_line.update(flags + b"\x00" + t for t in s.tx)
    # A set command has the form of the data line that answers its read.
    one_line.update(b"\x00\x00" + v.encode() + b"\r\n" for v in repo.sim_values("--set"))
    seeds += sorted(one_line)
    seeds.append(b"\x00\x02\xff\xff" + b"VN" + b"9" * 700 + b"GO\r\nGO\r\n")  # an over-long line, then replies
    return seeds


def settings_file(repo):
    """Whole settings files: the fixtures, and each in the forms that also
    load (LF line ends, signs, blanks around values, an empty hold time)."""
    seeds = list(repo.settings_files)
    for f in repo.settings_files:
        lines = f.split(b"\r\n")
        seeds.append(f.replace(b"\r\n", b"\n"))
        seeds.append(b"\r\n".join(b"+" + l if l[:1].isdigit() and i != 2 else l for i, l in enumerate(lines)))
        seeds.append(b"\r\n".join(b" \t" + l + b"  " for l in lines) + b"\r\n\r\n")
        if len(lines) > 3:
            seeds.append(b"\r\n".join(lines[:2] + [b""] + lines[3:]))
    return seeds


def ini_values(repo):
    """A value, then after a zero byte two folder names."""
    values = {kv.partition("=")[2] for s in repo.scenarios for kv in s.ini}
    seeds = [v.encode() for v in sorted(values)]
    seeds += [b" +" + v for v in seeds] + [v + b"\x00C:\\Users\\u\\AppData\\Local\x00C:\\Windows" for v in seeds]
    return seeds


def address_list(repo):
    lists = set(repo.sim_values("--rs485"))
    lists.update(re.findall(r"--(?:address|rs485) ([0-9a-z,\-]+)", repo.readme))
    lists.update(m for m in re.findall(r"`([0-9]+(?:[-,][0-9]+)+)`", repo.readme))
    return [l.encode() for l in sorted(lists)]


def ctl_options(repo):
    """Arguments parted by zero bytes."""
    return [b"\x00".join(a.encode() for a in args) for args in repo.zanteqctl_lines()]


def title(repo):
    """Flags (channel, bit 2 the don't-memory form), then a title: the JIS
    codes of the scenarios' CJ lines, as they are and in Shift_JIS, and
    the fixtures' titles."""
    seeds = []
    lines = [t for s in repo.scenarios for t in s.rx + s.tx]
    lines += [v.encode() + b"\r\n" for v in repo.sim_values("--set")]
    for line in lines:
        m = re.search(rb"CJ(N?)0([1-4])([0-9A-F]{40})", line)
        if not m:
            continue
        flags = bytes([(int(m.group(2)) - 1) | (4 if m.group(1) else 0)])
        jis = bytes.fromhex(m.group(3).decode())
        seeds.append(flags + jis)
        seeds.append(flags + bytes(b | 0x80 for b in jis).decode("euc_jp").encode("cp932"))
    for f in repo.settings_files:
        for ch, t in enumerate(f.split(b"\r\n")[61:65]):
            seeds.append(bytes([ch]) + t)
    return seeds


def sim_commands(repo):
    """Flags (bit 0 RS-485, bits 1-2 units 00 and 07), control lines after
    '!', lines received."""
    seeds = []
    for s in repo.scenarios:
        controls = [b"!set " + v.encode() for v in s.option_values("--set")]
        controls += [b"!" + v.encode() for v in s.option_values("--fault")]
        if not controls and not s.rx:
            continue
        flags = bytes([0b111 if s.rs485 else 0])
        seeds.append(flags + b"".join(c + b"\n" for c in controls) + b"".join(s.rx))
    reads = [c.encode() + b"\r\n" for c in repo.read_commands()]
    seeds.append(b"\x00" + b"".join(reads))
    seeds.append(b"\x10!split 2,4 5 always\n!double prefix R\n" + b"".join(reads))
    return seeds


def transfer(repo):
    """A plan byte, a pacing byte, an address byte, three bytes of hold
    time and four of a title, then events: each plan in both pacings on
    RS-232C and RS-485 with the unit answering every step (event 0) and the
    engine woken when it asks (event 7); the scenarios' unit's lines fed as
    texts of their own (event 5 with bit 7: a line end added), where their
    simulator was RS-485 at its address; a stop and a failing port halfway."""
    seeds = []
    answered = b"\x00\x07" * 60
    for plan in range(7):
        for flags in (0, 1, 3, 4, 5, 7, 0x0D):
            head = bytes([plan, flags, 5]) + b"030" + b"\x00\x81\x40\x41"
            raw = b"\x02RVN\x03AMI" if plan == 6 else b""
            seeds.append(head + raw + answered)
            seeds.append(head + raw + b"\x00\x07" * 5 + b"\x0a" + b"\x00\x07" * 5 + b"\x0b\x00")
    for s in repo.scenarios:
        if not s.tx:
            continue
        addresses = s.option_values("--rs485")
        address = int(addresses[0].split(",")[0].split("-")[0]) if addresses and addresses[0][0].isdigit() else 0
        events = b""
        for line in s.tx[:60]:
            text = line.rstrip(b"\r\n")[:63]
            events += bytes([0x85, len(text)]) + text + b"\x07"
        for plan in (0, 1):
            seeds.append(bytes([plan, 1 | (4 if s.rs485 else 0), address]) + b"030" + b"\x00\x00\x00\x00" + events)
    seeds.append(bytes([1, 1, 5]) + b"002" + b"\x01\x01\x02\x03" + answered)  # refusals: hold time, title
    seeds.append(bytes([1, 4, 32]) + b"030" + b"\x00\x00\x00\x00" + b"\x07" * 60)  # broadcast
    return seeds


def telnet_codes(repo):
    codes = repo.telnet_codes()
    if "iac" not in codes or "option_com_port" not in codes:
        sys.exit("make_corpus: no Telnet codes in core/link/rfc2217.h")
    return codes


def rfc2217(repo):
    """A flags byte (bit 0 server, bit 1 the client's opening first, bit 2
    built input), cut sizes, then bytes: what a client sends a server (the
    opening negotiation, the line settings, a signature request, the
    scenarios' commands with their 0xFF doubled) and what a server answers
    (agreement, confirmations, notifications, flow control, the scenarios'
    unit's lines), whole, in small pieces and byte by byte."""
    t = telnet_codes(repo)
    iac, sb, se = t["iac"], t["sb"], t["se"]

    def neg(verb, option):
        return bytes([iac, t[verb], option])

    def sub(code, payload=b""):
        return bytes([iac, sb, t["option_com_port"], code]) + payload.replace(b"\xff", b"\xff\xff") + bytes([iac, se])

    options = (t["option_binary"], t["option_suppress_go_ahead"])
    settings = (sub(1, (9600).to_bytes(4, "big")) + sub(2, b"\x08") + sub(3, b"\x03") + sub(4, b"\x01")
                + sub(5, b"\x01"))
    client_says = (b"".join(neg("will", o) + neg("do_", o) for o in options) + neg("will", t["option_com_port"])
                   + settings + sub(0) + sub(0, b"ZANTEQ Setup") + sub(8) + sub(9) + sub(12, b"\x03"))
    server_says = (b"".join(neg("do_", o) + neg("will", o) for o in options) + neg("do_", t["option_com_port"])
                   + b"".join(sub(100 + c, v) for c, v in ((1, (9600).to_bytes(4, "big")), (2, b"\x08"),
                                                             (3, b"\x03"), (4, b"\x01"), (5, b"\x01")))
                   + sub(100) + sub(100, b"zanteq-sim") + sub(106, b"\x60") + sub(107, b"\xb0") + sub(108) + sub(109)
                   + neg("dont", t["option_com_port"]) + neg("will", t["option_echo"]) + bytes([iac, t["nop"]]))
    sent = b"".join(line for s in repo.scenarios for line in s.rx)[:2000]
    received = b"".join(line for s in repo.scenarios for line in s.tx)[:2000]
    seeds = []
    for flags, stream in ((0, server_says + received.replace(b"\xff", b"\xff\xff")),
                          (2, server_says + received.replace(b"\xff", b"\xff\xff")),
                          (1, client_says + sent.replace(b"\xff", b"\xff\xff")),
                          (0, b"\r\x00" + received[:200] + neg("wont", t["option_binary"]) + b"\r\x00\r\n"),
                          (2, neg("wont", t["option_com_port"]) + b"\xff\xff\xff"),
                          (1, sub(5, b"\x00") + sub(5, b"\x04") + sub(5, b"\x0d") + sub(1, b"\xff\xff\xff\xff"))):
        for cuts in (b"\x00", b"\x03\x01\x07\x03", b"\x01\x01"):
            seeds.append(bytes([flags]) + cuts + stream)
    # Built input: data (op 0), negotiations (1), sub-negotiations (2), commands (3).
    seeds.append(b"\x04\x00" + b"\x00\x10" + received[:16] + b"\x01\x2c\x02\x2c\x02\x65\x00" + b"\x03\x00\x05\xff\xff\r\x00\xff")
    seeds.append(b"\x05\x02\x01\x02" + b"\x05\x01" + b"\x02\x2c\x05\x01\x00\x00\x25\x80" + b"\x00\x08" + sent[:8])
    return seeds


MAKERS = {f.__name__: f for f in (reply, settings_file, ini_values, address_list, ctl_options, title, sim_commands,
                                  transfer, rfc2217)}


# ---- dictionaries -------------------------------------------------------------

STATUS = ["GO", "GN", "MENU", "E0", "E1", "E2", "E3"]
CONTROL_WORDS = ["silent", "status", "raw", "delay", "split", "double", "join", "next", "prefix", "always",
                 "pace", "on", "off", "clear", "set", "restart", "dump", "mark", "quit", "unit", "\\r\\n", "\\x"]


def dictionary(repo, target):
    if target == "reply":
        return repo.reply_prefixes() + STATUS + ["\r\n", "FF", "00", "01", "04"]
    if target == "sim_commands":
        return (repo.set_command_names() + repo.read_commands() + STATUS + CONTROL_WORDS
                + ["\r\n", "FF", "ON", "OF", "!"])
    if target == "settings_file":
        return ["s", "\r\n", "+", "-", "\x81\x40", "2147483647", "-2147483648", "030"]
    if target == "ini_values":
        return ["+", "-", " ", "\t", "\x00", "C:\\", "\\Windows"]
    if target == "address_list":
        return ["all", ",", "-", "31", "32", "00", "0-31"]
    if target == "ctl_options":
        words = re.findall(r"(?<![\w-])(--?[a-z]+)", repo.source("ctl/options.cpp"))
        return sorted(set(words)) + ["ports", "scan", "read", "write", "diff", "send", "replies", "fixed", "=", "\x00"]
    if target == "transfer":
        return repo.reply_prefixes() + STATUS + ["\r\n", "\x85", "\x07", "\x00\x07", "FF", "05"]
    if target == "rfc2217":
        t = repo.telnet_codes()
        return ["\xff\xff", "\r\x00", "\xff\xf0", "\xff\xf1"] + [
            "\xff" + chr(t[v]) + chr(o) for v in ("will", "wont", "do_", "dont")
            for o in (t["option_binary"], t["option_echo"], t["option_suppress_go_ahead"], t["option_com_port"])] + [
            "\xff\xfa" + chr(t["option_com_port"]) + chr(c) for c in (0, 1, 2, 3, 4, 5, 8, 9, 12, 100, 101, 105, 106)]
    if target == "title":
        return ["\x81\x40", "\xfa\x40", "\xfb\x9c", "\xed\x40", "\x21\x21", "\x82\xa0"]
    return []


def dict_entry(word):
    data = word.encode("latin-1") if isinstance(word, str) else word
    escaped = "".join(chr(b) if 0x20 <= b < 0x7F and b not in (0x22, 0x5C) else f"\\x{b:02X}" for b in data)
    return f'"{escaped}"'


# ---- main ---------------------------------------------------------------------

def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--root", type=Path, required=True)
    parser.add_argument("--out", type=Path, required=True)
    parser.add_argument("--targets", type=Path, required=True)
    args = parser.parse_args()

    repo = Repository(args.root)
    targets = [t for t in args.targets.read_text().split() if t]
    unknown = [t for t in targets if t not in MAKERS]
    if unknown:
        sys.exit(f"make_corpus: no seed maker for {', '.join(unknown)}: add one to {__file__}")
    for target in targets:
        folder = args.out / "corpus" / target
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        seeds = set(MAKERS[target](repo))
        if not seeds:
            sys.exit(f"make_corpus: the repository gives no seeds for {target}")
        for seed in seeds:
            (folder / hashlib.sha1(seed).hexdigest()).write_bytes(seed)
        words = dictionary(repo, target)
        (args.out / f"{target}.dict").write_text("".join(dict_entry(w) + "\n" for w in dict.fromkeys(words)))
        print(f"{target}: {len(seeds)} seeds, {len(words)} dictionary words")


if __name__ == "__main__":
    main()
