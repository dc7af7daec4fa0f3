#!/usr/bin/env python3
"""The main window's start under Wine against a bare window with the same controls.

Usage: start_bench.py SORVANE.exe START_TIMER.exe BARE_WINDOW.exe [--runs 9] [--lines 100000]
                      [--smoke]

In one throwaway prefix, on an X display (DISPLAY, else a private Xvfb), with the settings of
a program that has started before (no language choice, help file or first-start question):
start_timer starts Sorvane.exe once and writes the layout of its main window, from which
bare_window builds a window with the same controls (classes, styles, places, fonts,
captions, columns, tabs, list entries, menu bar) and nothing else. Then for each definition
set, the shipped files beside Sorvane.exe and generated files of --lines lines each (absent
names, keys and folders under made-up vendors: valid and harmless), after one start of each
to warm the caches, --runs rounds alternate: Sorvane.exe, the bare window, and the bare
window behind a start window of 75 ticks of a 2 ms timer, as Sorvane.exe's start window is
(its duration is part of the program's design). Each is timed by start_timer from the
moment it starts the process to the first answer of the window to a sent message, and is
then closed. Prints medians, and the ratios taken within each round (their median).
--smoke starts each once with 200-line files and never judges time.
"""
import argparse
import os
import shutil
import signal
import statistics
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import gui_bench  # noqa: E402
import wine_bench  # noqa: E402

APP = r"C:\SorvaneStart"
TIMEOUT_MS = 120000


def generated(n):
    """Clear lines of every definition file: n of each, nothing on the machine they name."""
    return {
        "ExeDefinition": ["startbench%d.exe=StartBench|C:\\SorvaneStartBench\\Exe%d" % (i, i % 97) for i in range(n)],
        "RegistryDefinition": ["1^Software\\SorvaneStartBench\\Key%d^Value%d=StartBench" % (i, i) for i in range(n)],
        "FileDefinition": ["startbench%d.dll=StartBench|C:\\SorvaneStartBench\\File%d|Start bench file" % (i, i % 97)
                           for i in range(n)],
        "DirectoryDefinition": ["Folder%d=StartBench|C:\\SorvaneStartBench\\Folder%d|Start bench folder" % (i, i)
                                for i in range(n)],
        "BlockedCookies": ["startbench%d.example" % i for i in range(n)],
        "Safety": ["SEXE|startbench-safe%d.exe=Start bench|" % i for i in range(n)],
    }


class StartBench:
    def __init__(self, prefix, sorvane, timer, bare):
        self.prefix, self.key = prefix, wine_bench.definition_key()
        self.app = os.path.join(prefix.drive_c, "SorvaneStart")
        self.shipped = os.path.dirname(os.path.abspath(sorvane))
        os.mkdir(self.app)
        shutil.copy(sorvane, os.path.join(self.app, "Sorvane.exe"))
        shutil.copy(timer, os.path.join(self.app, "start_timer.exe"))
        shutil.copy(bare, os.path.join(self.app, "bare_window.exe"))
        shutil.copy(os.path.join(self.shipped, "Localization.xml"), self.app)
        self.caption = "%s by %s" % (gui_bench.PRODUCT, gui_bench.COMPANY)
        self.seed_settings()

    def seed_settings(self):
        """A program that has started before, in its default options otherwise."""
        user = r"HKCU\Software\VB and VBA Program Settings\Sorvane\Settings"
        machine = r"HKLM\SOFTWARE\%s\Sorvane\Settings" % gui_bench.COMPANY
        for key, name, data in ((user, "Language", "English"), (user, "showHelp", "0"), (user, "ranOneTime", "1"),
                                (machine, "FirstTime", "Yes"), (machine, "showHelp", "0")):
            self.prefix.wine(["reg", "add", key, "/v", name, "/d", data, "/f"], check=True)

    def install_shipped(self):
        for name in wine_bench.DEFINITION_FILES:
            shutil.copy(os.path.join(self.shipped, name + ".dat"), self.app)
        return sum(self.count(name) for name in wine_bench.DEFINITION_FILES)

    def install_generated(self, n):
        for name, lines in generated(n).items():
            data = ("\r\n".join(lines) + "\r\n").encode("cp1252")
            with open(os.path.join(self.app, name + ".dat"), "wb") as f:
                f.write(wine_bench.encode.encode(data, self.key))
        return n * len(wine_bench.DEFINITION_FILES)

    def count(self, name):
        with open(os.path.join(self.app, name + ".dat"), "rb") as f:
            return f.read().count(b"\n")

    def start(self, program, *args, dump=None):
        """Seconds from the process's start to its main window's first answer; the processor
        seconds it used by then, and those of the prefix's Wine server over the whole run
        (start, answer and close), go to self.cpu."""
        command = [APP + r"\start_timer.exe", self.caption, str(TIMEOUT_MS)]
        if dump:
            command += ["--dump", dump]
        server = self.prefix.server_cpu()
        done = self.prefix.wine(command + [APP + "\\" + program] + list(args), cwd=self.app)
        words = done.stdout.decode(errors="replace").split()
        if done.returncode != 0 or "answered" not in words:
            raise SystemExit("start_bench: %s did not start and close: %r %r" % (program, done.stdout, done.stderr))
        self.cpu = (float(words[words.index("processor") + 1]), self.prefix.server_cpu() - server)
        return float(words[words.index("answered") + 1])


def main():
    parser = argparse.ArgumentParser(description="The main window's start against a bare window")
    parser.add_argument("sorvane")
    parser.add_argument("timer")
    parser.add_argument("bare")
    parser.add_argument("--runs", type=int, default=9)
    parser.add_argument("--lines", type=int, default=100000)
    parser.add_argument("--smoke", action="store_true")
    a = parser.parse_args()
    runs = 1 if a.smoke else max(1, a.runs)
    lines = 200 if a.smoke else a.lines

    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    display = gui_bench.Display()
    try:
        prefix = wine_bench.Prefix(display.name)
    except BaseException:
        display.close()
        raise
    rows = []
    try:
        bench = StartBench(prefix, a.sorvane, a.timer, a.bare)
        bench.install_shipped()
        layout = os.path.join(bench.app, "layout.txt")
        bench.start("Sorvane.exe", dump=APP + r"\layout.txt")
        with open(layout) as f:
            controls = sum(1 for line in f if line.startswith("child\t"))
        print("main window: %d controls" % controls, file=sys.stderr, flush=True)
        if controls == 0:
            raise SystemExit("start_bench: the layout holds no controls")
        sets = [("%d lines a file" % lines, lambda: bench.install_generated(lines))]
        if not a.smoke:
            sets.insert(0, ("shipped", bench.install_shipped))
        for label, install in sets:
            total = install()
            starts = {"sorvane": lambda: bench.start("Sorvane.exe"),
                      "bare": lambda: bench.start("bare_window.exe", APP + r"\layout.txt"),
                      "splash": lambda: bench.start("bare_window.exe", APP + r"\layout.txt", "--splash")}
            if not a.smoke:
                for start in starts.values():
                    start()
            times = {k: [] for k in starts}
            cpu = {k: [] for k in starts}
            for _ in range(runs):
                for k, start in starts.items():
                    times[k].append(start())
                    cpu[k].append(bench.cpu)
            m = {k: statistics.median(v) for k, v in times.items()}
            for k in starts:
                print("  %-7s processor %.3f s (program, to the answer), Wine server %.3f s (whole run); medians"
                      % (k, statistics.median(c[0] for c in cpu[k]), statistics.median(c[1] for c in cpu[k])),
                      file=sys.stderr, flush=True)
            bare_ratio = statistics.median(s / b for s, b in zip(times["sorvane"], times["bare"]))
            splash_ratio = statistics.median(s / b for s, b in zip(times["sorvane"], times["splash"]))
            rows.append((label, total, m["sorvane"], m["bare"], bare_ratio, m["splash"], splash_ratio))
            print("%-18s (%d lines): Sorvane.exe %.3f s, bare %.3f s (%.2fx), bare behind a start window %.3f s "
                  "(%.2fx); runs %s" % (rows[-1] + (" ".join("%.3f" % t for t in times["sorvane"]),)),
                  file=sys.stderr, flush=True)
    finally:
        prefix.close()
        display.close()

    print("| definitions | lines in all | Sorvane.exe | bare window | ratio | bare window behind a start window "
          "| ratio |")
    print("|---|---|---|---|---|---|---|")
    for row in rows:
        print("| %s | %d | %.3f s | %.3f s | %.2f | %.3f s | %.2f |" % row)
    if a.smoke:
        print("smoke run: each window started, answered and closed once (no timing checked)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
