#!/usr/bin/env python3
"""Scan cost under Wine against the floor of one existence test per definition line.

Usage: wine_bench.py SORVANECMD.exe FLOOR_PROBE.exe SCAN_TIMER.exe [--lines 1000,10000,100000]
                     [--runs 3] [--sets NAME,...] [--smoke] [--gui SORVANE.exe WINDOW_PROBE.exe]

In one throwaway prefix, for every generated definition set and size: the floor probe runs
one existence test per line over the paths the set names, and `SorvaneCmd scan --quick
--json` scans the set with only that definition file filled (cookies and memory off).
Two pairs of figures per line:
- in process: the probe's own loop, and the scan command timed around the command inside
  scan_timer (the same dispatcher and scan), minus the same over an empty set;
- whole process: probe and SorvaneCmd timed from outside, minus their runs over an empty set
  (what a user waits for; start-up under Wine varies by tenths of a second, so small sets
  are noisy here);
- processor time: the same whole processes counted in processor seconds of the program and
  of the prefix's own Wine server (which serves the registry calls), which the machine's
  other load does not inflate the way it inflates wall time.
All runs alternate; the figures are medians of --runs runs.
--smoke runs every set once at a small size and fails only when a program fails, never on
time.
--gui SORVANE.exe WINDOW_PROBE.exe times the main window's scan instead, next to the
console's, of 10,000 registry key lines by default (gui_bench.py).
"""
import argparse
import os
import re
import resource
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "data", "definitions"))
import encode  # noqa: E402  (the build's own encoder of definition files)

DEFINITION_FILES = ["ExeDefinition", "RegistryDefinition", "FileDefinition", "DirectoryDefinition",
                    "BlockedCookies", "Safety"]


def definition_key():
    with open(os.path.join(ROOT, "definitions", "encoding.h")) as f:
        for line in f:
            if "DefinitionKey =" in line:
                return int(line.split("=")[1].strip().rstrip(";"))
    raise SystemExit("wine_bench: DefinitionKey not found")


def cpu_seconds(pid):
    """Processor seconds (user and system) of a running Unix process; 0 once it is gone."""
    try:
        with open("/proc/%s/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
    except OSError:
        return 0.0


def dll_overrides():
    """The overrides every Wine run of the project uses, from the one file that keeps them."""
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "wine-dll-overrides.sh")
    with open(path) as f:
        return re.search(r'^SORVANE_WINE_DLL_OVERRIDES="([^"]*)"', f.read(), re.MULTILINE).group(1)


class Prefix:
    """A private Wine prefix under /tmp, removed at the end."""

    def __init__(self, display=None):
        self.scratch = tempfile.mkdtemp(prefix="sorvane-bench.", dir="/tmp")
        self.path = os.path.join(self.scratch, "prefix")
        os.mkdir(self.path)
        self.env = dict(os.environ, WINEPREFIX=self.path, WINEDEBUG="-all", LC_ALL="C.UTF-8",
                        WINEDLLOVERRIDES=dll_overrides())
        # Windows go to the display the prefix's desktop was made on; without one, none.
        self.env.pop("DISPLAY", None)
        if display:
            self.env["DISPLAY"] = display
        try:
            self._make()
        except BaseException:
            self.close()
            raise

    def _make(self):
        # The persistent server and the services it starts must not hold our output pipes.
        quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-p"], env=self.env, check=True, **quiet)
        subprocess.run(["wineboot"], env=self.env, check=True, **quiet)
        self.wine(["reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f"])
        self.drive_c = os.path.join(self.path, "drive_c")
        # Wine links profile folders (Desktop, Documents, ..., Templates) to the real home
        # folder: the project's one script makes them real, empty folders before anything runs.
        subprocess.run(["bash", os.path.join(ROOT, "scripts", "real-profile-folders.sh")], env=self.env, check=True)
        self.server = self._server_pid()
        z = os.path.join(self.path, "dosdevices", "z:")
        if os.path.lexists(z):
            os.unlink(z)

    def _server_pid(self):
        for pid in os.listdir("/proc"):
            if not pid.isdigit():
                continue
            try:
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    if b"wineserver" not in f.read():
                        continue
                with open("/proc/%s/environ" % pid, "rb") as f:
                    if ("WINEPREFIX=%s" % self.path).encode() in f.read().split(b"\0"):
                        return pid
            except OSError:
                continue
        return None

    def server_cpu(self):
        """Seconds of processor time this prefix's own Wine server has used."""
        return cpu_seconds(self.server) if self.server else 0.0

    def wine(self, args, **kw):
        return subprocess.run(["wine"] + args, env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE, **kw)

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.env, stderr=subprocess.DEVNULL)
        shutil.rmtree(self.scratch, ignore_errors=True)


def reg_file(keys):
    lines = ["REGEDIT4", ""]
    for key in keys:
        lines += ["[%s]" % key, ""]
    return "\r\n".join(lines) + "\r\n"


# Each set: (definition file, clear lines, probe lines, folders to make, registry keys to make).
def generate(name, n):
    defs, probe, folders, keys = [], [], [], []
    # HKLM\Software (registry-hklm) and [progfil] lines are tested in both views and both program
    # folders of a 64-bit system; the floor probe reads only the native ones (a 64-bit program's default).
    if name in ("registry-keys", "registry-hklm"):
        hive, stem = (1, "SorvaneBenchKey") if name == "registry-keys" else (2, "SorvaneBenchMachine")
        for i in range(n):
            key = r"Software\%s%d" % (stem, i)
            defs.append("%d^%s^=BenchThreat" % (hive, key))
            probe.append("K\t%d\t%s" % (hive, key))
        return "RegistryDefinition", defs, probe, folders, keys
    if name == "registry-values":
        for i in range(n):
            key = r"Software\SorvaneBenchValue%d" % i
            defs.append("1^%s^Value%d=BenchThreat" % (key, i))
            probe.append("V\t1\t%s\tValue%d" % (key, i))
        return "RegistryDefinition", defs, probe, folders, keys
    if name == "files-progfil":
        for i in range(n):
            defs.append("bench%d.dll=BenchThreat|[progfil]SorvaneBenchProgram%d" % (i, i))
            probe.append("F\tC:\\Program Files\\SorvaneBenchProgram%d\\bench%d.dll" % (i, i))
        return "FileDefinition", defs, probe, folders, keys
    if name == "files":
        for i in range(n):
            folder = r"C:\SorvaneBenchFile%d" % i
            defs.append("bench%d.dll=BenchThreat|%s" % (i, folder))
            probe.append("F\t%s\\bench%d.dll" % (folder, i))
        return "FileDefinition", defs, probe, folders, keys
    if name == "folders":
        for i in range(n):
            folder = r"C:\SorvaneBenchFolder%d" % i
            defs.append("Bench%d=BenchThreat|%s" % (i, folder))
            probe.append("D\t%s" % folder)
        return "DirectoryDefinition", defs, probe, folders, keys
    # Ten lines to a vendor, nine vendors in ten absent; the present ones hold other things.
    vendors = max(1, n // 10)
    if name == "files-shared":
        for i in range(n):
            v = i % vendors
            folder = r"C:\SorvaneShared\Vendor%d" % v
            defs.append("part%d.dll=BenchThreat|%s" % (i, folder))
            probe.append("F\t%s\\part%d.dll" % (folder, i))
        folders = [os.path.join("SorvaneShared", "Vendor%d" % v) for v in range(vendors) if v % 10 == 0]
        return "FileDefinition", defs, probe, folders, keys
    if name == "registry-shared":
        for i in range(n):
            v = i % vendors
            key = r"Software\SorvaneSharedVendor%d\Part%d" % (v, i)
            defs.append("1^%s^=BenchThreat" % key)
            probe.append("K\t1\t%s" % key)
        keys = [r"HKEY_CURRENT_USER\Software\SorvaneSharedVendor%d\Other" % v for v in range(vendors) if v % 10 == 0]
        return "RegistryDefinition", defs, probe, folders, keys
    raise SystemExit("wine_bench: unknown set " + name)


SETS = ["registry-keys", "registry-values", "files", "folders", "files-shared", "registry-shared", "registry-hklm",
        "files-progfil"]


class Bench:
    def __init__(self, prefix, cmd, probe, timer, key):
        self.prefix, self.key = prefix, key
        self.app = os.path.join(prefix.drive_c, "SorvaneBench")
        os.mkdir(self.app)
        shutil.copy(cmd, os.path.join(self.app, "SorvaneCmd.exe"))
        shutil.copy(probe, os.path.join(self.app, "floor_probe.exe"))
        shutil.copy(timer, os.path.join(self.app, "scan_timer.exe"))
        settings = r"HKCU\Software\VB and VBA Program Settings\Sorvane\OptionAndSettings"
        for value, data in (("chkScanCookies", "0"), ("chkSweepMemory", "False"), ("chkScanRegistry", "True")):
            prefix.wine(["reg", "add", settings, "/v", value, "/d", data, "/f"], check=True)
        self.install(None, [], [])

    def install(self, file, defs, probe):
        for name in DEFINITION_FILES:
            data = ("\r\n".join(defs) + "\r\n").encode("cp1252") if name == file and defs else b""
            with open(os.path.join(self.app, name + ".dat"), "wb") as f:
                f.write(encode.encode(data, self.key))
        with open(os.path.join(self.app, "probe.txt"), "w", newline="\r\n") as f:
            f.write("\n".join(probe) + ("\n" if probe else ""))

    def plant(self, folders, keys):
        for folder in folders:
            path = os.path.join(self.prefix.drive_c, folder)
            os.makedirs(path, exist_ok=True)
            with open(os.path.join(path, "readme.txt"), "w") as f:
                f.write("not listed\n")
        if keys:
            reg = os.path.join(self.app, "plant.reg")
            with open(reg, "w", newline="") as f:
                f.write(reg_file(keys))
            self.prefix.wine(["regedit", "/S", r"C:\SorvaneBench\plant.reg"], check=True)

    def unplant(self, folders, keys):
        shutil.rmtree(os.path.join(self.prefix.drive_c, "SorvaneShared"), ignore_errors=True)
        vendors = sorted({k.rsplit("\\", 1)[0] for k in keys})
        for key in vendors:
            self.prefix.wine(["reg", "delete", key, "/f"])

    def timed(self, args):
        """Wall seconds; processor seconds of the program and of the Wine server on its behalf
        go to self.cpu, which the machine's other load leaves alone."""
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        server = self.prefix.server_cpu()
        start = time.perf_counter()
        done = self.prefix.wine(args, cwd=self.app)
        wall = time.perf_counter() - start
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        self.cpu = (after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime +
                    self.prefix.server_cpu() - server)
        return wall, done

    def scan(self):
        seconds, done = self.timed([r"C:\SorvaneBench\SorvaneCmd.exe", "scan", "--quick", "--json"])
        if done.returncode != 0:
            raise SystemExit("wine_bench: the scan ended with %d (a hit or an error): %s"
                             % (done.returncode, done.stderr.decode(errors="replace")[-400:]))
        return seconds

    def timed_scan(self):
        _, done = self.timed([r"C:\SorvaneBench\scan_timer.exe"])
        words = done.stdout.decode(errors="replace").split()
        if done.returncode != 0 or len(words) < 6 or words[1] != "0":
            raise SystemExit("wine_bench: the timed scan failed or found something: %r %r" % (done.stdout, done.stderr))
        self.peak_kib = int(words[5])
        return float(words[3])

    def floor(self, lines):
        seconds, done = self.timed([r"C:\SorvaneBench\floor_probe.exe", r"C:\SorvaneBench\probe.txt"])
        words = done.stdout.decode(errors="replace").split()
        if done.returncode != 0 or len(words) < 6 or int(words[1]) != lines or words[3] != "0":
            raise SystemExit("wine_bench: the probe failed: %r %r" % (done.stdout, done.stderr))
        return seconds, float(words[5])


def main():
    parser = argparse.ArgumentParser(description="Scan cost per definition line under Wine")
    parser.add_argument("cmd")
    parser.add_argument("probe")
    parser.add_argument("timer")
    parser.add_argument("--lines", default="1000,10000,100000")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--sets", default=",".join(SETS))
    parser.add_argument("--smoke", action="store_true")
    parser.add_argument("--gui", nargs=2, metavar=("SORVANE.exe", "WINDOW_PROBE.exe"),
                        help="the window's scan next to the console's (gui_bench.py); default 10000 registry-keys lines")
    a = parser.parse_args()
    if a.gui and a.sets == ",".join(SETS):
        a.sets = "registry-keys"
    if a.gui and a.lines == parser.get_default("lines"):
        a.lines = "10000"
    sizes = [200] if a.smoke else [int(x) for x in a.lines.split(",")]
    runs = 1 if a.smoke else max(1, a.runs)
    sets = a.sets.split(",")

    # A terminated run still removes its prefix and stops its Wine server.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    display = None
    if a.gui:
        import gui_bench
        display = gui_bench.Display()
    try:
        prefix = Prefix(display.name if display else None)
    except BaseException:
        if display:
            display.close()
        raise
    try:
        bench = Bench(prefix, a.cmd, a.probe, a.timer, definition_key())
        if a.gui:
            return gui_bench.main(a, prefix, bench, generate, *a.gui)
        rows = []
        for n in sizes:
            for name in sets:
                file, defs, probe, folders, keys = generate(name, n)
                bench.plant(folders, keys)
                names = ("scan", "scan0", "floor", "floor0", "loop", "timer", "timer0", "cpu", "cpu0", "fcpu", "fcpu0",
                         "peak")
                times = {k: [] for k in names}
                for _ in range(runs):
                    bench.install(file, defs, probe)
                    times["scan"].append(bench.scan())
                    times["cpu"].append(bench.cpu)
                    times["timer"].append(bench.timed_scan())
                    times["peak"].append(bench.peak_kib)
                    wall, loop = bench.floor(n)
                    times["floor"].append(wall)
                    times["fcpu"].append(bench.cpu)
                    times["loop"].append(loop)
                    bench.install(None, [], [])
                    times["scan0"].append(bench.scan())
                    times["cpu0"].append(bench.cpu)
                    times["timer0"].append(bench.timed_scan())
                    times["floor0"].append(bench.floor(0)[0])
                    times["fcpu0"].append(bench.cpu)
                bench.unplant(folders, keys)
                m = {k: statistics.median(v) for k, v in times.items()}
                per = lambda seconds: seconds / n * 1e6  # noqa: E731
                row = (name, n, per(m["loop"]), per(m["timer"] - m["timer0"]), per(m["floor"] - m["floor0"]),
                       per(m["scan"] - m["scan0"]), per(m["fcpu"] - m["fcpu0"]), per(m["cpu"] - m["cpu0"]),
                       m["peak"] / 1024)
                rows.append(row)
                print("%-16s %7d lines: floor %8.2f us, scan %8.2f us a line in process; %8.2f / %8.2f us whole;"
                      " processor %8.2f / %8.2f us; peak %.1f MiB" % row, file=sys.stderr, flush=True)
    finally:
        prefix.close()
        if display:
            display.close()

    ratio = lambda scan, floor: "%.2f" % (scan / floor) if floor > 0 else "n/a"  # noqa: E731
    print("| set | lines | floor (probe loop) | scan (in process) | ratio | floor (whole probe) "
          "| scan (whole SorvaneCmd) | ratio | floor processor | scan processor | ratio | scan peak memory |")
    print("|---|---|---|---|---|---|---|---|---|---|---|---|")
    for name, n, loop, timer, floor, scan, fcpu, cpu, peak in rows:
        print("| %s | %d | %.2f us | %.2f us | %s | %.2f us | %.2f us | %s | %.2f us | %.2f us | %s | %.1f MiB |"
              % (name, n, loop, timer, ratio(timer, loop), floor, scan, ratio(scan, floor), fcpu, cpu,
                 ratio(cpu, fcpu), peak))
    if a.smoke:
        print("smoke run: every set scanned and probed once (%d runs, no timing checked)" % runs)
    return 0


if __name__ == "__main__":
    sys.exit(main())
