#!/usr/bin/env python3
"""Throughput of the converter and the extractor on large generated result files.

Usage (from the repository root):

    cmake -S . -B build -DBUILD_BENCHMARKS=ON && cmake --build build -j2
    python3 bench/throughput.py --size-mb 300 --layout plain

For each layout, generates a result file of about --size-mb MB (10^6 bytes) with
build/tools/makeResultFile in a temporary folder, with an output-time file that requests every
stored step's time, an output-time file of 4000 points (no times) for the INTERP form, and a
graph data file listing ten nodes and ten elements. Then, each in a scratch folder of its own,
runs:

  floor          build/bench/floor: the bare single-core reader (the file mapped, split with a
                 table of character classes, every number converted and summed, nothing else);
  read only      resconv RES.DAT --info (every step read, nothing written);
  Tecplot        resconv RES.DAT --to tecplot -q (the initial state and every stored step);
  FEMAP          resconv RES.DAT --to femap -q;
  MicroAVS       resconv RES.DAT --to avs -q (its scratch file AVS.tmp always on disk);
  result list    resconv RES.DAT --to list --times OTF.DAT -q (every stored step's time);
  INTERP         resconv RES.DAT --to interp --points POINTS.DAT -q;
  balance        resconv RES.DAT --to balance -q (BALANCE.CSV and BALANCE_BY_CODE.CSV);
  ParaView raw   resconv RES.DAT --to vtu -q (VTK.pvd and a step file per output in VTK/);
  ParaView compressed  the same with --vtu-compress;
  tseries        tseries RES.DAT --graph GRAPH.DAT -q (the four tables).

These are the outputs of the console dialogue's forms 7, 1, 2, 3, 0 and 4 and of tseries'
dialogue, given as options so that --threads can be added. Each resconv and tseries run is
made once per entry of --threads LIST (default "1,all"): a number N adds "--threads N" to the
run, "all" is the machine's cores, "none" adds nothing (the program's own default). A program
that refuses --threads (exit status 2 naming it) shows "--threads not supported" in its row.

Each converter run that writes a file runs twice: once with its output files symbolic links to
/dev/null (the ParaView step files too, one link per output; the collection VTK.pvd is
rewritten by renaming and stays on disk), so that the disk's own speed, which swings from run
to run, drops out, and once with the files on disk (--outputs null or disk keeps one of them).

Every run is measured in pairs: right before each run the floor runs, and the run's ratios to
that floor run (wall and CPU time) make one pair. There are max(--pairs, --repeat) rounds
(default 5); each round makes every run once, every other round in the opposite order, so
that a change in the machine's load falls on every program alike. The table shows, per run,
its fastest wall seconds, MB/s of result file, the median of its pairs' wall ratios to the
floor, the fastest CPU seconds (user + system), the median of the CPU ratios, the peak
resident memory, the size of the files written and the number of pairs. Runs go through
build/bench/measureRun, a small launcher whose own size (shown below the table) is the least
peak it can tell apart. The load average of the machine is printed before and after the
rounds.

With --small-mb S (default 50; 0 skips it), a second file of about S MB with the same mesh is
generated and the programs are run on it once (outputs to /dev/null, no floor), to show that
peak memory does not grow with the number of stored steps.

Last, the targets are checked, on both layouts, against the median ratios to the floor of the
runs with outputs to /dev/null made at all the machine's cores (or with no --threads), as
wall-time ratios with the CPU-time ratios beside them: read only and tseries at most 0.9 times
the floor, Tecplot 1.5, FEMAP 2.0, MicroAVS 1.7, the result list 1.3, ParaView raw 1.0 and
compressed 1.5. The runs at --threads 1 are shown, not checked. Peaks of the large and small
files must be within 10 % of each other. On the plain layout the balance is held against the
read-only run of the same thread count instead, at most 1.05 times it: as the median of the
ratios of the two runs round by round, wall and CPU time.

A program that fails shows its exit status and the first line of its standard error instead
of figures. Every generated and written file is deleted at the end (unless --keep).

Options: --build DIR (default build), --size-mb M (default 100), --small-mb S (default 50),
--layout plain|mixed|both, --outputs null|disk|both (default both), --threads LIST (default
1,all), --pairs N (default 5), --repeat N (the rounds, at least --pairs), --nx/--ny/--nz grid
cells (default 60 x 60 x 20), --seed S, --timeout SECONDS per run (default 1800), --only
WORD,... (the floor and the runs whose names hold one of the words, such as "read,balance"),
--tmp DIR (where the temporary folder goes), --keep.
"""

import argparse
import collections
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

RESULT_NAME = "RES.DAT"
SMALL_NAME = "SMALL.DAT"
TIMES_NAME = "OTF.DAT"
POINTS_NAME = "POINTS.DAT"
GRAPH_NAME = "GRAPH.DAT"
INTERP_POINTS = 4000
SERIES_STEM = "VTK"  # VTK.pvd and VTK/VTK_0000.vtu, ...

FLOOR = "floor"
READ_ONLY = "resconv read only (--info)"
TECPLOT = "resconv Tecplot"
FEMAP = "resconv FEMAP"
AVS = "resconv MicroAVS"
RESULT_LIST = "resconv result list"
INTERP = "resconv INTERP"
BALANCE = "resconv balance"
PARAVIEW = "resconv ParaView raw"
PARAVIEW_COMPRESSED = "resconv ParaView compressed"
TSERIES = "tseries (10 + 10)"
NULL_SUFFIX = " > null"
DISK_SUFFIX = " > disk"

# Largest ratio of time to the floor's, median of the pairs, per run, on every layout, outputs
# to /dev/null, at all the machine's cores.
TIME_TARGETS = {
    READ_ONLY: 0.9, TSERIES: 0.9, TECPLOT + NULL_SUFFIX: 1.5, FEMAP + NULL_SUFFIX: 2.0,
    AVS + NULL_SUFFIX: 1.7, RESULT_LIST + NULL_SUFFIX: 1.3, PARAVIEW + NULL_SUFFIX: 1.0,
    PARAVIEW_COMPRESSED + NULL_SUFFIX: 1.5,
}
PEAK_TOLERANCE = 0.10
# Largest ratio of time to the read-only run's, median of the rounds' ratios, outputs to
# /dev/null.
READ_ONLY_TARGETS = {"plain": {BALANCE + NULL_SUFFIX: 1.05}}

NO_THREADS_OPTION = "-"  # the threads column of a run made without --threads
THREADS_UNSUPPORTED = "--threads not supported"

# One program run: `name` (the form and where its output goes), `threads` (the count given with
# --threads, or NO_THREADS_OPTION), the command, the companion files copied beside the result
# file, the files it writes (SERIES_STEM + "/" for a ParaView series) and whether they are
# links to /dev/null.
Run = collections.namedtuple("Run", "name threads command companions outputs to_null")


def run_key(run):
    return (run.name, run.threads)


def load_average():
    try:
        return "%.2f %.2f %.2f" % os.getloadavg()
    except OSError:
        return "unknown"


def spread(count, last):
    """`count` numbers spread evenly over 1..last, without repeats where possible."""
    if last <= count:
        return list(range(1, last + 1))
    return [1 + k * (last - 1) // (count - 1) for k in range(count)]


def first_line(text):
    for line in text.splitlines():
        if line.strip():
            return line.strip()
    return "(nothing on standard error)"


def describe_status(status):
    if isinstance(status, int) and status < 0:
        return "killed by signal %d" % -status
    if isinstance(status, int):
        return "exit status %d" % status
    return str(status)


def thread_counts(text):
    """The entries of --threads: numbers, "all" (the machine's cores) and "none" (no option),
    each once, in the order given."""
    counts = []
    for word in text.split(","):
        word = word.strip().lower()
        if not word:
            continue
        if word == "all":
            count = str(os.cpu_count() or 1)
        elif word == "none":
            count = NO_THREADS_OPTION
        elif word.isdigit() and int(word) > 0:
            count = str(int(word))
        else:
            raise argparse.ArgumentTypeError(
                "--threads takes numbers, 'all' and 'none', comma-separated, not %r" % word)
        if count not in counts:
            counts.append(count)
    if not counts:
        raise argparse.ArgumentTypeError("--threads needs at least one entry")
    return counts


def checked_threads(threads):
    """Whether the runs at `threads` are held to the targets: all the machine's cores, or no
    --threads (the programs' own default)."""
    return threads in (str(os.cpu_count() or 1), NO_THREADS_OPTION)


def thread_count(threads):
    """The cores a run at `threads` may keep busy: its --threads count, else all of them."""
    cores = os.cpu_count() or 1
    return cores if threads == NO_THREADS_OPTION else max(1, min(int(threads), cores))


def median_ratios(pairs):
    """The medians of the wall and CPU ratios run / floor of (floor, run) pairs, with the wall
    ratios one by one; None without a pair whose floor took measurable time."""
    pairs = [(floor, run) for floor, run in pairs
             if floor["seconds"] > 0 and floor["cpuSeconds"] > 0]
    if not pairs:
        return None
    wall = [run["seconds"] / floor["seconds"] for floor, run in pairs]
    return (statistics.median(wall),
            statistics.median(run["cpuSeconds"] / floor["cpuSeconds"] for floor, run in pairs),
            wall)


def folder_bytes(path):
    total = 0
    for root, _, names in os.walk(path):
        for name in names:
            total += os.path.getsize(os.path.join(root, name))
    return total


class Bench:
    def __init__(self, arguments):
        self.arguments = arguments
        build = os.path.abspath(arguments.build)
        self.generator = os.path.join(build, "tools", "makeResultFile")
        self.launcher = os.path.join(build, "bench", "measureRun")
        self.floor = os.path.join(build, "bench", "floor")
        self.resconv = os.path.join(build, "resconv")
        self.tseries = os.path.join(build, "tseries")
        for path, target in ((self.generator, "makeResultFile"), (self.launcher, "measureRun")):
            if not os.access(path, os.X_OK):
                sys.exit("throughput: no %s at %s (configure with -DBUILD_BENCHMARKS=ON and "
                         "build)" % (target, path))
        self.launcher_kb = 0

    def measure(self, command, folder):
        """Runs `command` in `folder`, standard input empty, through the launcher."""
        stderr = os.path.join(folder, ".stderr")
        launcher = subprocess.run(
            [self.launcher, "-", os.path.join(folder, ".stdout"), stderr,
             str(int(self.arguments.timeout))] + command,
            cwd=folder, capture_output=True, text=True)
        if launcher.returncode != 0:
            return {"status": "launcher failed: " + first_line(launcher.stdout + launcher.stderr),
                    "message": ""}
        result = json.loads(launcher.stdout)
        self.launcher_kb = max(self.launcher_kb, result.get("launcherKb", 0))
        result["message"] = ""
        result["outputBytes"] = None
        if result["status"] != 0:
            try:
                with open(stderr, "rb") as handle:
                    result["message"] = first_line(handle.read().decode("cp932", errors="replace"))
            except OSError:
                pass
            if result["status"] == 2 and "--threads" in command and "threads" in result["message"]:
                result["status"] = THREADS_UNSUPPORTED
        return result

    def generate(self, work, layout, megabytes, name, companions):
        """Generates the result file `name` in `work`; returns its path and its stored steps."""
        arguments = self.arguments
        cells = arguments.nx * arguments.ny * arguments.nz
        grid_nodes = (arguments.nx + 1) * (arguments.ny + 1) * (arguments.nz + 1)
        nodes = ",".join(str(n) for n in spread(10, grid_nodes))
        elements = ",".join(str(e) for e in spread(10, cells))
        command = [
            self.generator, "--nx", str(arguments.nx), "--ny", str(arguments.ny),
            "--nz", str(arguments.nz), "--target-mb", str(megabytes), "--layout", layout,
            "--seed", str(arguments.seed), "--out", name,
        ]
        if companions:
            command += [
                "--otf", TIMES_NAME, "--times", "steps",
                "--graph", GRAPH_NAME, "--heads", nodes, "--pressures", nodes,
                "--discharges", nodes, "--velocities", elements,
            ]
        start = time.perf_counter()
        made = subprocess.run(command, cwd=work, capture_output=True, text=True)
        seconds = time.perf_counter() - start
        if made.returncode != 0:
            sys.exit("throughput: the generator failed (%s): %s"
                     % (describe_status(made.returncode), first_line(made.stderr)))
        print("%s (%s layout, grid %dx%dx%d), generated in %.1f s"
              % (made.stdout.strip(), layout, arguments.nx, arguments.ny, arguments.nz, seconds))
        steps = re.search(r"(\d+) steps", made.stdout)
        if steps is None:
            sys.exit("throughput: no step count in the generator's line: " + made.stdout.strip())
        if companions:
            # The points of the INTERP form: an output-time file of the same mesh, with no times.
            scratch = "POINTS-MESH.DAT"
            made = subprocess.run(
                [self.generator, "--nx", str(arguments.nx), "--ny", str(arguments.ny),
                 "--nz", str(arguments.nz), "--steps", "1", "--seed", str(arguments.seed),
                 "--out", scratch, "--otf", POINTS_NAME, "--times", "",
                 "--points", str(INTERP_POINTS)],
                cwd=work, capture_output=True, text=True)
            if made.returncode != 0:
                sys.exit("throughput: the generator failed on the points file (%s): %s"
                         % (describe_status(made.returncode), first_line(made.stderr)))
            os.remove(os.path.join(work, scratch))
        return os.path.join(work, name), int(steps.group(1))

    def floor_run(self):
        return Run(FLOOR, NO_THREADS_OPTION, [self.floor, RESULT_NAME], [], [], False)

    def runs(self, outputs):
        """The runs of every form at every thread count, the floor not among them."""
        resconv = [self.resconv, RESULT_NAME]
        series = SERIES_STEM + "/"
        converter = [
            (TECPLOT, resconv + ["--to", "tecplot", "-q"], [], ["TECPLOT.TXT"]),
            (FEMAP, resconv + ["--to", "femap", "-q"], [], ["FEMAP.NEU"]),
            (AVS, resconv + ["--to", "avs", "-q"], [], ["AVS.INP"]),
            (RESULT_LIST, resconv + ["--to", "list", "--times", TIMES_NAME, "-q"], [TIMES_NAME],
             ["OUTPUT.TXT"]),
            (INTERP, resconv + ["--to", "interp", "--points", POINTS_NAME, "-q"], [POINTS_NAME],
             ["INTERP.TXT"]),
            (BALANCE, resconv + ["--to", "balance", "-q"], [],
             ["BALANCE.CSV", "BALANCE_BY_CODE.CSV"]),
            (PARAVIEW, resconv + ["--to", "vtu", "-q"], [], [series]),
            (PARAVIEW_COMPRESSED, resconv + ["--to", "vtu", "--vtu-compress", "-q"], [],
             [series]),
        ]
        forms = [(READ_ONLY, resconv + ["--info"], [], [], False)]
        for to_null, suffix in ((True, NULL_SUFFIX), (False, DISK_SUFFIX)):
            if outputs != "both" and (outputs == "null") != to_null:
                continue
            for name, command, companions, output in converter:
                forms.append((name + suffix, command, companions, output, to_null))
        forms.append((TSERIES, [self.tseries, RESULT_NAME, "--graph", GRAPH_NAME, "-q"],
                      [GRAPH_NAME], [], False))
        only = [word.strip().lower() for word in (self.arguments.only or "").split(",")
                if word.strip()]
        if only:
            forms = [form for form in forms if any(word in form[0].lower() for word in only)]
        runs = []
        for name, command, companions, output, to_null in forms:
            for threads in self.arguments.threads:
                extra = [] if threads == NO_THREADS_OPTION else ["--threads", threads]
                runs.append(Run(name, threads, command + extra, companions, output, to_null))
        return runs

    def execute(self, run, work, result_path, output_count):
        """One run of `run` in a scratch folder of its own; its figures."""
        if not os.access(run.command[0], os.X_OK):
            return {"status": "not built: " + run.command[0], "message": ""}
        folder = tempfile.mkdtemp(prefix="run-", dir=work)
        try:
            # Every run sees the file under the same name.
            os.symlink(result_path, os.path.join(folder, RESULT_NAME))
            for companion in run.companions:
                shutil.copy(os.path.join(work, companion), folder)
            if run.to_null:
                for output in run.outputs:
                    if output.endswith("/"):
                        # One link per output of the series: the initial state and each step.
                        stem = output.rstrip("/")
                        os.mkdir(os.path.join(folder, stem))
                        for index in range(output_count):
                            os.symlink(os.devnull, os.path.join(
                                folder, stem, "%s_%04d.vtu" % (stem, index)))
                    else:
                        os.symlink(os.devnull, os.path.join(folder, output))
            attempt = self.measure(run.command, folder)
            if run.outputs and not run.to_null and attempt["status"] == 0:
                try:
                    written = 0
                    for output in run.outputs:
                        if output.endswith("/"):
                            stem = output.rstrip("/")
                            written += os.path.getsize(os.path.join(folder, stem + ".pvd"))
                            written += folder_bytes(os.path.join(folder, stem))
                        else:
                            written += os.path.getsize(os.path.join(folder, output))
                    attempt["outputBytes"] = written
                except OSError:
                    pass
            return attempt
        finally:
            shutil.rmtree(folder, ignore_errors=True)  # outputs can be larger than the input

    @staticmethod
    def keep_best(best, key, attempt):
        kept = best.get(key)
        if kept is None or attempt["status"] != 0:
            best[key] = attempt
        elif kept["status"] == 0:
            best[key] = dict(
                attempt if attempt["seconds"] < kept["seconds"] else kept,
                cpuSeconds=min(attempt["cpuSeconds"], kept["cpuSeconds"]),
                peakKb=max(attempt["peakKb"], kept["peakKb"]))

    def run_all(self, work, result_path, output_count, runs, rounds, paired):
        """Runs every run `rounds` times, the rounds interleaved, each run right after a floor
        run when `paired`. Returns run key -> best result (the floor's under its own key),
        round by round run key -> the figures of each successful run, and run key -> the
        (floor, run) figures of each pair."""
        best = {}
        figures = []
        pairs = collections.defaultdict(list)
        floor = self.floor_run()
        for round_number in range(max(1, rounds)):
            figures.append({})
            # Every other round runs them in the opposite order, so that no run always follows
            # the same one.
            ordered = runs if round_number % 2 == 0 else list(reversed(runs))
            for run in ordered:
                key = run_key(run)
                if key in best and best[key]["status"] != 0:
                    continue  # failed once: not run again
                floor_attempt = None
                if paired:
                    floor_attempt = self.execute(floor, work, result_path, output_count)
                    self.keep_best(best, run_key(floor), floor_attempt)
                attempt = self.execute(run, work, result_path, output_count)
                if attempt["status"] == 0:
                    figures[-1][key] = attempt
                    if floor_attempt is not None and floor_attempt["status"] == 0:
                        pairs[key].append((floor_attempt, attempt))
                self.keep_best(best, key, attempt)
        return best, figures, pairs

    def layout(self, layout):
        arguments = self.arguments
        work = tempfile.mkdtemp(prefix="seepage-throughput-", dir=arguments.tmp)
        try:
            result_path, steps = self.generate(work, layout, arguments.size_mb, RESULT_NAME, True)
            megabytes = os.path.getsize(result_path) / 1.0e6
            runs = self.runs(arguments.outputs)
            rounds = max(arguments.pairs, arguments.repeat)
            print("load average before the rounds: %s" % load_average())
            best, figures, pairs = self.run_all(work, result_path, steps + 1, runs, rounds, True)
            print("load average after the rounds:  %s" % load_average())
            print("%-36s %7s %8s %8s %8s %8s %8s %8s %9s %5s"
                  % ("run", "threads", "seconds", "MB/s", "x floor", "cpu s", "cpu x fl",
                     "peak MB", "output MB", "pairs"))
            for run in [self.floor_run()] + runs:
                key = run_key(run)
                result = best.get(key)
                if result is None:
                    continue
                if result["status"] == THREADS_UNSUPPORTED:
                    print("%-36s %7s %s" % (run.name, run.threads, THREADS_UNSUPPORTED))
                    continue
                if result["status"] != 0:
                    print("%-36s %7s failed, %s: %s"
                          % (run.name, run.threads, describe_status(result["status"]),
                             result["message"]))
                    continue
                seconds, cpu = result["seconds"], result["cpuSeconds"]
                if run.name == FLOOR:
                    ratio, cpu_ratio, count = "%8.2f" % 1.0, "%8.2f" % 1.0, "%5s" % "-"
                elif median_ratios(pairs[key]) is not None:
                    wall_median, cpu_median, each = median_ratios(pairs[key])
                    ratio, cpu_ratio = "%8.2f" % wall_median, "%8.2f" % cpu_median
                    count = "%5d" % len(each)
                else:
                    ratio, cpu_ratio, count = "%8s" % "-", "%8s" % "-", "%5d" % 0
                rate = megabytes / seconds if seconds > 0 else float("inf")
                written = result.get("outputBytes")
                written = "%9.1f" % (written / 1.0e6) if written is not None else "%9s" % "-"
                print("%-36s %7s %8.3f %8.1f %s %8.3f %s %8.1f %s %s"
                      % (run.name, run.threads, seconds, rate, ratio, cpu, cpu_ratio,
                         result["peakKb"] / 1024.0, written, count))

            small = None
            if arguments.small_mb > 0:
                os.remove(result_path)  # room on the disk for the second file
                small_path, small_steps = self.generate(work, layout, arguments.small_mb,
                                                        SMALL_NAME, False)
                small_runs = self.runs("null")
                small, _, _ = self.run_all(work, small_path, small_steps + 1, small_runs, 1,
                                           False)
                print("%-36s %7s %12s %12s %9s"
                      % ("peak memory", "threads", "large MB", "small MB", "change"))
                for run in small_runs:
                    key = run_key(run)
                    large_run, small_run = best.get(key), small[key]
                    if THREADS_UNSUPPORTED in (small_run["status"],
                                               large_run and large_run["status"]):
                        print("%-36s %7s %s" % (run.name, run.threads, THREADS_UNSUPPORTED))
                        continue
                    if (large_run is None or large_run["status"] != 0
                            or small_run["status"] != 0):
                        print("%-36s %7s %12s" % (run.name, run.threads, "-"))
                        continue
                    large_kb, small_kb = large_run["peakKb"], small_run["peakKb"]
                    print("%-36s %7s %12.1f %12.1f %8.1f%%"
                          % (run.name, run.threads, large_kb / 1024.0, small_kb / 1024.0,
                             100.0 * (large_kb - small_kb) / small_kb))
            print("peak of the launcher itself: %.1f MB (peaks at or below it are not resolved)"
                  % (self.launcher_kb / 1024.0))
            self.check_targets(layout, runs, best, figures, pairs, small)
        finally:
            if arguments.keep:
                print("kept %s" % work)
            else:
                shutil.rmtree(work, ignore_errors=True)

    @staticmethod
    def paired_ratios(figures, key, reference):
        """The median of the wall and CPU ratios of `key` to `reference`, round by round."""
        wall, cpu = [], []
        for round_figures in figures:
            if (key in round_figures and reference in round_figures
                    and round_figures[reference]["seconds"] > 0
                    and round_figures[reference]["cpuSeconds"] > 0):
                wall.append(round_figures[key]["seconds"] / round_figures[reference]["seconds"])
                cpu.append(round_figures[key]["cpuSeconds"]
                           / round_figures[reference]["cpuSeconds"])
        if not wall:
            return None
        return statistics.median(wall), statistics.median(cpu), wall

    def check_targets(self, layout, runs, best, figures, pairs, small):
        for name, limit in READ_ONLY_TARGETS.get(layout, {}).items():
            for threads in self.arguments.threads:
                ratios = self.paired_ratios(figures, (name, threads), (READ_ONLY, threads))
                if ratios is None:
                    continue  # not run
                wall, cpu, each = ratios
                print("target %-36s %7s x read only <= %4.2f: wall %s (median %.3f of %s), "
                      "cpu %s (%.3f)"
                      % (name, threads, limit, "met" if wall <= limit else "MISSED", wall,
                         " ".join("%.3f" % ratio for ratio in each),
                         "met" if cpu <= limit else "MISSED", cpu))
        floor = best.get(run_key(self.floor_run()))
        if floor is None or floor["status"] != 0:
            print("targets: not checked, the floor did not run")
            return
        checked = False
        for run in runs:
            limit = TIME_TARGETS.get(run.name)
            if limit is None or not checked_threads(run.threads):
                continue
            checked = True
            result = best.get(run_key(run))
            label = "%-36s %7s x floor <= %4.2f:" % (run.name, run.threads, limit)
            if result is None or result["status"] != 0:
                reason = (THREADS_UNSUPPORTED if result and result["status"] == THREADS_UNSUPPORTED
                          else "did not run")
                print("target %s FAILED (%s)" % (label, reason))
                continue
            ratios = median_ratios(pairs[run_key(run)])
            if ratios is None:
                print("target %s FAILED (no pair with the floor)" % label)
                continue
            wall, cpu, each = ratios
            # Wall time on n cores is at least the CPU time over n: a run whose CPU time over
            # the cores is beyond the bar cannot meet it however well its threads overlap.
            cores = thread_count(run.threads)
            least = cpu / cores
            print("target %s wall %s (median %.2f of %s), cpu %s (%.2f); least wall on %d "
                  "cores %.2f, %s"
                  % (label, "met" if wall <= limit else "MISSED", wall,
                     " ".join("%.2f" % ratio for ratio in each),
                     "met" if cpu <= limit else "MISSED", cpu, cores, least,
                     "within the bar" if least <= limit else "beyond the bar"))
        if not checked:
            print("targets against the floor: not checked, no run at all %d cores or without "
                  "--threads" % (os.cpu_count() or 1))
        if small is None:
            return
        for key in small:
            large_run, small_run = best.get(key), small.get(key)
            if (not large_run or not small_run or large_run["status"] != 0
                    or small_run["status"] != 0):
                continue
            change = abs(large_run["peakKb"] - small_run["peakKb"]) / small_run["peakKb"]
            print("target %-36s %7s peak within %2.0f%%: %s (%.1f%%)"
                  % (key[0], key[1], 100 * PEAK_TOLERANCE,
                     "met" if change < PEAK_TOLERANCE else "MISSED", 100 * change))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default="build")
    parser.add_argument("--size-mb", type=float, default=100.0)
    parser.add_argument("--small-mb", type=float, default=50.0)
    parser.add_argument("--layout", choices=["plain", "mixed", "both"], default="plain")
    parser.add_argument("--outputs", choices=["null", "disk", "both"], default="both")
    parser.add_argument("--threads", type=thread_counts, default=thread_counts("1,all"),
                        help="thread counts of each run: numbers, all (the machine's cores), "
                             "none (no --threads option); default 1,all")
    parser.add_argument("--pairs", type=int, default=5,
                        help="(floor, run) pairs measured per run; default 5")
    parser.add_argument("--nx", type=int, default=60)
    parser.add_argument("--ny", type=int, default=60)
    parser.add_argument("--nz", type=int, default=20)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--timeout", type=float, default=1800.0)
    parser.add_argument("--repeat", type=int, default=1,
                        help="rounds, at least --pairs")
    parser.add_argument("--only", default=None)
    parser.add_argument("--tmp", default=None)
    parser.add_argument("--keep", action="store_true")
    arguments = parser.parse_args()

    bench = Bench(arguments)
    layouts = ["plain", "mixed"] if arguments.layout == "both" else [arguments.layout]
    for at, layout in enumerate(layouts):
        if at > 0:
            print()
        bench.layout(layout)


if __name__ == "__main__":
    main()
