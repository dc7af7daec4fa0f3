#!/usr/bin/env python3
"""The complete scan's sweep under Wine against the floor of a bare recursive listing.

Usage: sweep_bench.py SORVANECMD.exe SCAN_TIMER.exe SWEEP_PROBE.exe [--files 100000,1000000]
                      [--shapes flat,deep] [--runs 3] [--smoke]

In one throwaway prefix, for every size and shape, a tree of that many files is made on C:
(flat: folders of 1,000 files side by side; deep: chains of 25 nested folders of 10 files each),
with a few names the file definitions list (absent from their usual places) among them. Side
by side in every run, alternating:
- the floor: sweep_probe lists C: recursively with FindFirstFileExW (basic information, large
  fetches), the walk alone timed inside the process;
- the console: `SorvaneCmd scan --complete --json` timed inside the process (scan_timer), minus
  `scan --quick --json` over the same definitions (the same phases without the sweep);
Every run must find exactly the planted files. Printed: medians of --runs runs, the ratios
taken within each run, and the time a file of each. --smoke runs one small tree once and
fails only when a program fails or a result differs, never on time.
"""
import argparse
import json
import os
import shutil
import signal
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import wine_bench  # noqa: E402  (the prefix, the encoder of definition files)

LISTED = ["sweepalpha.exe", "sweepbeta.dll", "sweepgamma.exe", "sweepdelta.sys"]
TREE = "SorvaneSweep"


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
        for source, name in ((cmd, "SorvaneCmd.exe"), (timer, "scan_timer.exe"), (probe, "sweep_probe.exe")):
            shutil.copy(source, os.path.join(self.app, name))
        settings = r"HKCU\Software\VB and VBA Program Settings\Sorvane\OptionAndSettings"
        for value, data in (("chkScanCookies", "0"), ("chkSweepMemory", "False"), ("chkScanRegistry", "False")):
            prefix.wine(["reg", "add", settings, "/v", value, "/d", data, "/f"], check=True)
        # Every listed name is absent from its usual place, so that the sweep looks for it.
        lines = ["%s=SweepThreat|C:\\SorvaneNowhere%d" % (name, i) for i, name in enumerate(LISTED)]
        for name in wine_bench.DEFINITION_FILES:
            data = ("\r\n".join(lines) + "\r\n").encode("cp1252") if name == "FileDefinition" else b""
            with open(os.path.join(self.app, name + ".dat"), "wb") as f:
                f.write(wine_bench.encode.encode(data, key))

    def run(self, args):
        done = self.prefix.wine(args, cwd=self.app)
        return done.returncode, done.stdout.decode(errors="replace"), done.stderr.decode(errors="replace")

    def probe(self):
        code, out, err = self.run([r"C:\SorvaneBench\sweep_probe.exe", "C:\\"])
        words = out.split()
        if code != 0 or len(words) < 6:
            raise SystemExit("sweep_bench: the probe failed: %r %r" % (out, err))
        return float(words[5]), int(words[3])

    def console(self, scope):
        code, out, err = self.run([r"C:\SorvaneBench\scan_timer.exe", "scan", scope, "--json"])
        words = out.split()
        if code != 0 or len(words) < 4:
            raise SystemExit("sweep_bench: the timed scan failed: %r %r" % (out, err))
        return float(words[3])

    def found(self):
        """The files the console's complete scan reports (its JSON), sorted."""
        code, out, err = self.run([r"C:\SorvaneBench\SorvaneCmd.exe", "scan", "--complete", "--json"])
        if code not in (0, 1):
            raise SystemExit("sweep_bench: the complete scan failed (%d): %s" % (code, err[-400:]))
        return sorted(set(found_paths(json.loads(out))))


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


def main():
    parser = argparse.ArgumentParser(description="The complete scan's sweep against a bare listing under Wine")
    parser.add_argument("cmd")
    parser.add_argument("timer")
    parser.add_argument("probe")
    parser.add_argument("--files", default="100000,1000000")
    parser.add_argument("--shapes", default="flat,deep")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--smoke", action="store_true")
    a = parser.parse_args()
    sizes = [2000] if a.smoke else [int(x) for x in a.files.split(",")]
    shapes = ["deep"] if a.smoke else a.shapes.split(",")
    runs = 1 if a.smoke else max(1, a.runs)

    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    prefix = wine_bench.Prefix()
    rows = []
    try:
        sweep = Sweep(prefix, a.cmd, a.timer, a.probe, wine_bench.definition_key())
        for n in sizes:
            for shape in shapes:
                started = time.time()
                planted = make_tree(prefix.drive_c, shape, n)
                print("%s tree of %d files made in %.0f s" % (shape, n, time.time() - started), file=sys.stderr,
                      flush=True)
                found = sweep.found()
                if found != sorted(planted):
                    raise SystemExit("sweep_bench: the complete scan found %r, not the planted %r" % (found, planted))
                times = {k: [] for k in ("probe", "complete", "quick")}
                sweep.probe()  # the first walk of a new tree warms the caches for all that follow
                for _ in range(runs):
                    walk, listed = sweep.probe()
                    times["probe"].append(walk)
                    times["complete"].append(sweep.console("--complete"))
                    times["quick"].append(sweep.console("--quick"))
                con = [c - q for c, q in zip(times["complete"], times["quick"])]
                vs_probe = [c / p for c, p in zip(con, times["probe"]) if p > 0]
                med = lambda v: statistics.median(v) if v else float("nan")  # noqa: E731
                row = (shape, n, listed, med(times["probe"]), med(con), med(vs_probe), min(vs_probe), max(vs_probe),
                       med(times["complete"]))
                rows.append(row)
                print("%-5s %8d files (%d on C:): probe %.3f s, console sweep %.3f s, ratio %.2f (runs %.2f-%.2f);"
                      " console complete scan %.3f s" % row, file=sys.stderr, flush=True)
                shutil.rmtree(os.path.join(prefix.drive_c, TREE), ignore_errors=True)
    finally:
        prefix.close()

    print("| shape | tree files | files on C: | bare listing | console sweep | ratio | ratio range "
          "| console complete scan |")
    print("|---|---|---|---|---|---|---|---|")
    for row in rows:
        print("| %s | %d | %d | %.3f s | %.3f s | %.2f | %.2f-%.2f | %.3f s |" % row)
    if a.smoke:
        print("smoke run: one small tree swept once by each (no timing checked)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
