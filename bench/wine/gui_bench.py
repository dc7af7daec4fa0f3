"""GUI mode of the Wine benchmark (wine_bench.py --gui): the scan as the main window runs
it, next to the console scan of the same definition set, in the benchmark's throwaway prefix.

Sorvane.exe runs on an X display (the one in DISPLAY, else a private Xvfb), its settings
those of a program that has started before, with only the registry phase on, as the
console's. For every run, alternating: the full set and the empty set, each scanned once by
the window (the end-to-end tests' window probe presses "Start" with a sent click, which
returns when the scan has finished, and reads the clock around it; the status line must
then read "Scanning complete.") and once by the console (scan_timer, the command alone). The empty set's time is subtracted from
both; the ratio is taken within each run and its median printed beside the medians.
"""
import os
import shutil
import statistics
import subprocess
import sys

PRODUCT = os.environ.get("SORVANE_PRODUCT_NAME", "Sorvane")
COMPANY = os.environ.get("SORVANE_COMPANY_NAME", "Talvenor")
WINDOW_TIMEOUT_MS = 180000


class Display:
    """The X display the window goes to: DISPLAY when set, else a private Xvfb."""

    def __init__(self):
        self.xvfb = None
        self.name = os.environ.get("DISPLAY")
        if self.name:
            return
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24",
                                      "-nolisten", "tcp"], pass_fds=(write,), stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.close()
            raise SystemExit("gui_bench: Xvfb did not start")
        self.name = ":" + number

    def cpu(self):
        """Processor seconds of the private Xvfb so far, which draws what the window shows
        (0 on a display the bench did not start)."""
        import wine_bench  # noqa: E402  (which imports this module)
        return wine_bench.cpu_seconds(self.xvfb.pid) if self.xvfb else 0.0

    def close(self):
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait()
            self.xvfb = None


def seed_settings(prefix):
    """A program that has run before: no help file, no first-start update, no Run key, no
    report, no data submission, no shields or scheduler ticking between the scans."""
    user = r"HKCU\Software\VB and VBA Program Settings\Sorvane"
    values = [
        (user + r"\Settings", "Language", "English"),
        (user + r"\Settings", "showHelp", "0"),
        (user + r"\Settings", "ranOneTime", "1"),
        (r"HKLM\SOFTWARE\%s\Sorvane\Settings" % COMPANY, "FirstTime", "Yes"),
        (r"HKLM\SOFTWARE\%s\Sorvane\Settings" % COMPANY, "showHelp", "0"),
    ]
    for name, data in (("optScanOnlyKnownSoftwares", "True"), ("optScanAllSelectedHardDrive", "False"),
                       ("chkMakeLog", "0"), ("chkSendData", "0"), ("chkRunAtStartup", "0"),
                       ("optMemorySheildOn", "False"), ("optMemorySheildOff", "True"),
                       ("optIEHomePageSheildOn", "False"), ("optIEHomePageSheildOff", "True"),
                       ("chkAutomaticScanYesOrNo", "0"), ("chkAutomaticUpdate", "0")):
        values.append((user + r"\OptionAndSettings", name, data))
    for key, name, data in values:
        prefix.wine(["reg", "add", key, "/v", name, "/d", data, "/f"], check=True)


class Window:
    """Sorvane.exe running in the bench's folder, on the display."""

    def __init__(self, bench):
        self.env = bench.prefix.env
        self.process = subprocess.Popen(["wine", r"C:\SorvaneBench\Sorvane.exe"], cwd=bench.app, env=self.env,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        self.caption = "%s by %s" % (PRODUCT, COMPANY)
        self.first = True

    def probe(self, *args):
        done = subprocess.run(["wine", r"C:\SorvaneBench\window_probe.exe", args[0], self.caption,
                               str(WINDOW_TIMEOUT_MS)] + list(args[1:]), env=self.env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        if done.returncode != 0:
            raise SystemExit("gui_bench: window probe %s failed: %r %r" % (args[0], done.stdout, done.stderr))
        return done.stdout.decode(errors="replace")

    def scan(self):
        """Seconds from the press of "Start" to the end of the scan."""
        if self.first:
            self.probe("click", "Scan Now")
            self.first = False
        words = self.probe("timed-click", "Start").split()
        self.probe("wait", "Scanning complete.")
        return float(words[words.index("seconds") + 1])

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


def main(a, prefix, bench, generate, sorvane, window_probe):
    """Runs the GUI mode with the parsed arguments `a`; prints its table."""
    shutil.copy(sorvane, os.path.join(bench.app, "Sorvane.exe"))
    shutil.copy(window_probe, os.path.join(bench.app, "window_probe.exe"))
    seed_settings(prefix)
    sizes = [200] if a.smoke else [int(x) for x in a.lines.split(",")]
    runs = 1 if a.smoke else max(1, a.runs)
    rows = []
    for n in sizes:
        for name in a.sets.split(","):
            file, defs, _, folders, keys = generate(name, n)
            bench.plant(folders, keys)
            window = Window(bench)
            try:
                times = {k: [] for k in ("gui", "gui0", "con", "con0")}
                # The first scan of a window warms what its later ones find ready.
                bench.install(None, [], [])
                window.scan()
                for _ in range(runs):
                    bench.install(file, defs, [])
                    times["gui"].append(window.scan())
                    times["con"].append(bench.timed_scan())
                    bench.install(None, [], [])
                    times["gui0"].append(window.scan())
                    times["con0"].append(bench.timed_scan())
            finally:
                window.close()
            bench.unplant(folders, keys)
            gui = [g - g0 for g, g0 in zip(times["gui"], times["gui0"])]
            con = [c - c0 for c, c0 in zip(times["con"], times["con0"])]
            ratios = [g / c for g, c in zip(gui, con) if c > 0]
            row = (name, n, statistics.median(con) / n * 1e6, statistics.median(gui) / n * 1e6,
                   statistics.median(ratios) if ratios else float("nan"),
                   min(ratios) if ratios else float("nan"), max(ratios) if ratios else float("nan"))
            rows.append(row)
            print("%-16s %7d lines: console %8.2f us, GUI %8.2f us a line; ratio %.2f (runs %.2f-%.2f)" % row,
                  file=sys.stderr, flush=True)

    print("| set | lines | console scan (in process) | GUI scan (Start to complete) | ratio (median of runs) "
          "| ratio range |")
    print("|---|---|---|---|---|---|")
    for name, n, con, gui, ratio, low, high in rows:
        print("| %s | %d | %.2f us | %.2f us | %.2f | %.2f-%.2f |" % (name, n, con, gui, ratio, low, high))
    if a.smoke:
        print("smoke run: the window and the console scanned every set once (no timing checked)")
    return 0
