#!/usr/bin/env python3
"""The complete scan's sweep under Wine against the floor of a bare recursive listing.

Usage: sweep_bench.py SORVANECMD.exe SCAN_TIMER.exe SWEEP_PROBE.exe [--files 100000,1000000]
                      [--shapes flat,deep] [--runs 3] [--smoke] [--gui SORVANE.exe WINDOW_PROBE.exe]

In one throwaway prefix, for every size and shape, a tree of that many files is made on C:
(flat: folders of 1,000 files side by side; deep: chains of 25 nested folders of 10 files each),
with a few names the file definitions list (absent from their usual places) among them. Side
by side in every run, alternating:
- the floor: sweep_probe lists C: recursively with FindFirstFileExW (basic information, large
  fetches), the walk alone timed inside the process;
- the console: `SorvaneCmd scan --complete --json` timed inside the process (scan_timer), minus
  `scan --quick --json` over the same definitions (the same phases without the sweep);
- with --gui, the window (on DISPLAY, else a private Xvfb): "Complete System Scan" and then
  "Quick Scan" chosen on its settings page and started with "Start", each timed by the window
  probe from the press to the end of the scan; the window's sweep is the difference.
Processor seconds (the program's and the Wine server's on its behalf, start-up taken off the
probe's; for the window also the private X server's, which draws what it shows) are compared
too: under the machine's other load they move less than the clock.
Every tree's complete scan (and the window's, with --gui) must find exactly the planted files.
Printed: medians of --runs runs and the ratios taken within each run. --smoke runs one small
tree once and fails only when a program fails or a result differs, never on time.
"""
import argparse
import json
import os
import re
import resource
import shutil
import signal
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import gui_bench  # noqa: E402  (the display, the window's settings, the window probe)
import wine_bench  # noqa: E402  (the prefix, the encoder of definition files)

LISTED = ["sweepalpha.exe", "sweepbeta.dll", "sweepgamma.exe", "sweepdelta.sys"]
TREE = "SorvaneSweep"
EMPTY = "C:\\SorvaneEmpty"


def make_tree(drive_c, shape, files):
    """Makes the tree; returns the Windows paths of the listed names planted in it."""
    root = os.path.join(drive_c, TREE)
    shutil.rmtree(root, ignore_errors=True)
    planted = []
    per_folder = 1000 if shape == "flat" else 10
    folders = max(1, files // per_folder)
    for f in range(folders):
        if shape == "flat":
            parts = ["f%d" % f]
        else:
            # Chains of 25 folders, each inside the one before.
            chain, depth = divmod(f, 25)
            parts = ["c%d" % chain] + ["d%d" % d for d in range(1, depth + 1)]
        folder = os.path.join(root, *parts)
        os.makedirs(folder, exist_ok=True)
        for i in range(per_folder):
            name = "file%d.txt" % i
            # A listed name in a few folders spread through the tree.
            if i == 0 and f % max(1, folders // len(LISTED)) == 0 and len(planted) < len(LISTED):
                name = LISTED[len(planted)]
                planted.append("C:\\%s\\%s\\%s" % (TREE, "\\".join(parts), name))
            with open(os.path.join(folder, name), "wb") as out:
                out.write(b"x")
    return planted


class Sweep:
    def __init__(self, prefix, cmd, timer, probe, key):
        self.prefix = prefix
        self.app = os.path.join(prefix.drive_c, "SorvaneBench")
        os.mkdir(self.app)
        os.mkdir(os.path.join(prefix.drive_c, "SorvaneEmpty"))
        for source, name in ((cmd, "SorvaneCmd.exe"), (timer, "scan_timer.exe"), (probe, "sweep_probe.exe")):
            shutil.copy(source, os.path.join(self.app, name))
        settings = r"HKCU\Software\VB and VBA Program Settings\Sorvane\OptionAndSettings"
        for value, data in (("chkScanCookies", "0"), ("chkSweepMemory", "False"), ("chkScanRegistry", "False")):
            prefix.wine(["reg", "add", settings, "/v", value, "/d", data, "/f"], check=True)
        # Every listed name is absent from its usual place, so that the sweep looks for it; each
        # its own threat, so that the window shows every path found among its results.
        lines = ["%s=SweepThreat%d|C:\\SorvaneNowhere%d" % (name, i, i) for i, name in enumerate(LISTED)]
        for name in wine_bench.DEFINITION_FILES:
            data = ("\r\n".join(lines) + "\r\n").encode("cp1252") if name == "FileDefinition" else b""
            with open(os.path.join(self.app, name + ".dat"), "wb") as f:
                f.write(wine_bench.encode.encode(data, key))

    def run(self, args):
        """Exit code, output and error text; the processor seconds of the program and of the
        Wine server on its behalf (which the machine's other load leaves alone) go to self.cpu."""
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        server = self.prefix.server_cpu()
        done = self.prefix.wine(args, cwd=self.app)
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        self.cpu = (after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime +
                    self.prefix.server_cpu() - server)
        return done.returncode, done.stdout.decode(errors="replace"), done.stderr.decode(errors="replace")

    def probe(self, root="C:\\"):
        """Seconds of the walk alone, processor seconds of the whole run, files listed."""
        code, out, err = self.run([r"C:\SorvaneBench\sweep_probe.exe", root])
        words = out.split()
        if code != 0 or len(words) < 6:
            raise SystemExit("sweep_bench: the probe failed: %r %r" % (out, err))
        return float(words[5]), self.cpu, int(words[3])

    def console(self, scope):
        """Seconds of the command alone and processor seconds of the whole run."""
        code, out, err = self.run([r"C:\SorvaneBench\scan_timer.exe", "scan", scope, "--json"])
        words = out.split()
        if code != 0 or len(words) < 4:
            raise SystemExit("sweep_bench: the timed scan failed: %r %r" % (out, err))
        return float(words[3]), self.cpu

    def found(self):
        """The files the console's complete scan reports (its JSON), sorted."""
        code, out, err = self.run([r"C:\SorvaneBench\SorvaneCmd.exe", "scan", "--complete", "--json"])
        if code not in (0, 1):
            raise SystemExit("sweep_bench: the complete scan failed (%d): %s" % (code, err[-400:]))
        return sorted(set(found_paths(json.loads(out))))


class WindowSweep:
    """Sorvane.exe in the bench's folder: its complete and quick scans, each chosen on the
    settings page and started with "Start", timed by the window probe from the press to the
    end of the scan (the sent click returns when the scan has run)."""

    def __init__(self, sweep, sorvane, window_probe, display):
        shutil.copy(sorvane, os.path.join(sweep.app, "Sorvane.exe"))
        shutil.copy(window_probe, os.path.join(sweep.app, "window_probe.exe"))
        gui_bench.seed_settings(sweep.prefix)
        # A sweep of 10^6 files runs for minutes under load: the click waits for it.
        gui_bench.WINDOW_TIMEOUT_MS = 3600 * 1000
        self.prefix = sweep.prefix
        self.display = display
        self.window = gui_bench.Window(sweep)
        self.pid = None

    def process_cpu(self):
        """Processor seconds of Sorvane.exe so far (0 when it cannot be found)."""
        if self.pid is None:
            self.pid = process_of(self.prefix, b"Sorvane.exe")
            print("window: Sorvane.exe is process %s" % self.pid, file=sys.stderr, flush=True)
        return wine_bench.cpu_seconds(self.pid) if self.pid else 0.0

    def scan(self, option):
        """Seconds from the press of "Start" to the end of the scan, and the processor seconds
        meanwhile of the window, of the Wine server and of the private X server, which draws
        what the window shows (the console has no share of it)."""
        self.window.probe("click", "Settings")
        self.window.probe("click-option", option)
        self.window.probe("click", "Scan Now")
        cpu = self.process_cpu() + self.prefix.server_cpu() + self.display.cpu()
        words = self.window.probe("timed-click", "Start").split()
        cpu = self.process_cpu() + self.prefix.server_cpu() + self.display.cpu() - cpu
        self.window.probe("wait", "Scanning complete.")
        return float(words[words.index("seconds") + 1]), cpu

    def check(self, planted):
        """The window's complete scan lists exactly the planted files on its results page."""
        self.scan("Complete System Scan")
        self.window.probe("click", "Results/Removal")
        # The page may still be coming up: asked again for a while before the rows count.
        for _ in range(20):
            done = subprocess.run(["wine", r"C:\SorvaneBench\window_probe.exe", "rows", self.window.caption],
                                  env=self.window.env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE)
            # Rows print as "list N: [ ] TEXT | SUB-ITEM | ...".
            out = done.stdout.decode(errors="replace")
            listed = sorted({path.strip() for path in re.findall(r"C:\\%s\\[^|\n]*" % TREE, out)})
            if listed == sorted(planted):
                return
            time.sleep(0.5)
        raise SystemExit("sweep_bench: the window's complete scan listed %r, not the planted %r (rows: %r)"
                         % (listed, planted, out[-2000:]))

    def close(self):
        self.window.close()


def process_of(prefix, name):
    """The Unix process id of the program `name` running in the prefix, or None."""
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                if name not in f.read().split(b"\0")[0]:
                    continue
            with open("/proc/%s/environ" % pid, "rb") as f:
                if ("WINEPREFIX=%s" % prefix.path).encode() in f.read().split(b"\0"):
                    return pid
        except OSError:
            continue
    return None


def found_paths(report):
    """Every file path in a scan's JSON, wherever it sits."""
    paths = []
    if isinstance(report, dict):
        for value in report.values():
            paths += found_paths(value)
    elif isinstance(report, list):
        for value in report:
            paths += found_paths(value)
    elif isinstance(report, str) and report.startswith("C:\\" + TREE):
        paths.append(report)
    return paths


def measure(sweep, window, shape, n, runs):
    """Side by side, `runs` times: the probe, the console's complete and quick scans and, with
    a window, its complete and quick scans. Returns the table's row."""
    t = {k: [] for k in ("probe", "probe cpu", "empty cpu", "complete", "complete cpu", "quick", "quick cpu",
                         "window complete", "window complete cpu", "window quick", "window quick cpu")}
    sweep.probe()  # the first walk of a new tree warms the caches for all that follow
    for run in range(runs):
        walk, cpu, listed = sweep.probe()
        t["probe"].append(walk)
        t["probe cpu"].append(cpu)
        # The probe's start-up and exit, to take off its processor time.
        t["empty cpu"].append(sweep.probe(EMPTY)[1])
        for scope in ("complete", "quick"):
            wall, cpu = sweep.console("--" + scope)
            t[scope].append(wall)
            t[scope + " cpu"].append(cpu)
        if window:
            for scope, option in (("complete", "Complete System Scan"), ("quick", "Quick Scan")):
                wall, cpu = window.scan(option)
                t["window " + scope].append(wall)
                t["window %s cpu" % scope].append(cpu)
        last = {k: v[-1] for k, v in t.items() if v}
        line = ("  run %d: probe %.3f s, console sweep %.3f s; processor: probe %.2f s, console sweep %.2f s"
                % (run + 1, walk, last["complete"] - last["quick"], last["probe cpu"] - last["empty cpu"],
                   last["complete cpu"] - last["quick cpu"]))
        if window:
            line += "; window sweep %.3f s, processor %.2f s" % (
                last["window complete"] - last["window quick"],
                last["window complete cpu"] - last["window quick cpu"])
        print(line, file=sys.stderr, flush=True)

    def less(a, b):
        return [x - y for x, y in zip(t[a], t[b])]

    def over(a, b):
        return [x / y for x, y in zip(a, b) if y > 0]

    con, win = less("complete", "quick"), less("window complete", "window quick")
    vs_probe, vs_console = over(con, t["probe"]), over(win, con)
    con_cpu = less("complete cpu", "quick cpu")
    cpu_ratio = over(con_cpu, less("probe cpu", "empty cpu"))
    win_cpu_ratio = over(less("window complete cpu", "window quick cpu"), con_cpu)
    nan = float("nan")
    med = lambda v: statistics.median(v) if v else nan  # noqa: E731
    return (shape, n, listed, med(t["probe"]), med(con), med(vs_probe), min(vs_probe, default=nan),
            max(vs_probe, default=nan), med(cpu_ratio), med(t["complete"]), med(win), med(vs_console),
            min(vs_console, default=nan), max(vs_console, default=nan), med(win_cpu_ratio))


def main():
    parser = argparse.ArgumentParser(description="The complete scan's sweep against a bare listing under Wine")
    parser.add_argument("cmd")
    parser.add_argument("timer")
    parser.add_argument("probe")
    parser.add_argument("--files", default="100000,1000000")
    parser.add_argument("--shapes", default="flat,deep")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--smoke", action="store_true")
    parser.add_argument("--gui", nargs=2, metavar=("SORVANE.exe", "WINDOW_PROBE.exe"),
                        help="also time the window's complete scan (less its quick scan) against the console's")
    a = parser.parse_args()
    sizes = [2000] if a.smoke else [int(x) for x in a.files.split(",")]
    shapes = ["deep"] if a.smoke else a.shapes.split(",")
    runs = 1 if a.smoke else max(1, a.runs)

    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    display = gui_bench.Display() if a.gui else None
    try:
        prefix = wine_bench.Prefix(display.name if display else None)
    except BaseException:
        if display:
            display.close()
        raise
    rows = []
    window = None
    try:
        sweep = Sweep(prefix, a.cmd, a.timer, a.probe, wine_bench.definition_key())
        if a.gui:
            window = WindowSweep(sweep, *a.gui, display)
        for n in sizes:
            for shape in shapes:
                started = time.time()
                planted = make_tree(prefix.drive_c, shape, n)
                print("%s tree of %d files made in %.0f s" % (shape, n, time.time() - started), file=sys.stderr,
                      flush=True)
                found = sweep.found()
                if found != sorted(planted):
                    raise SystemExit("sweep_bench: the complete scan found %r, not the planted %r" % (found, planted))
                if window:
                    window.check(planted)
                row = measure(sweep, window, shape, n, runs)
                rows.append(row)
                print("%-5s %8d files (%d on C:): probe %.3f s, console sweep %.3f s, ratio %.2f (runs %.2f-%.2f),"
                      " processor ratio %.2f; console complete scan %.3f s; window sweep %.3f s, window/console "
                      "%.2f (runs %.2f-%.2f), processor %.2f" % row, file=sys.stderr, flush=True)
                shutil.rmtree(os.path.join(prefix.drive_c, TREE), ignore_errors=True)
    finally:
        if window:
            window.close()
        prefix.close()
        if display:
            display.close()

    print("| shape | tree files | files on C: | bare listing | console sweep | ratio | ratio range "
          "| processor ratio | console complete scan | window sweep | window / console | range | processor |")
    print("|---|---|---|---|---|---|---|---|---|---|---|---|---|")
    for row in rows:
        print("| %s | %d | %d | %.3f s | %.3f s | %.2f | %.2f-%.2f | %.2f | %.3f s | %.3f s | %.2f | %.2f-%.2f | %.2f |"
              % row)
    if a.smoke:
        print("smoke run: one small tree swept once by each (no timing checked)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
