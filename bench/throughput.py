#!/usr/bin/env python3
"""Throughput of the converter and the extractor on large generated result files.

Usage (from the repository root):

    cmake -S . -B build -DBUILD_BENCHMARKS=ON && cmake --build build -j2
    python3 bench/throughput.py --size-mb 300 --layout plain --repeat 3

For each layout, generates a result file of about --size-mb MB (10^6 bytes) with
build/tools/makeResultFile in a temporary folder, with an output-time file that requests every
stored step's time, an output-time file of 4000 points (no times) for the INTERP form, and a
graph data file listing ten nodes and ten elements. Then, each in a scratch folder of its own,
runs:

  floor       build/bench/floor: read, split and convert every number, nothing else;
  read only   resconv, answers 1, file name, 7, 0 (output form 7 writes nothing);
  Tecplot     resconv, answers 1, file name, 1, 0;
  FEMAP       resconv, answers 1, file name, 2, 0;
  MicroAVS    resconv, answers 1, file name, 3, 0 (its scratch file AVS.tmp always on disk);
  result list resconv, answers 1, file name, 0, output-time file name (every step's time);
  INTERP      resconv, answers 1, file name, 4, 0, the points' output-time file name;
  balance     resconv RES.DAT --to balance -q (BALANCE.CSV and BALANCE_BY_CODE.CSV);
  tseries     tseries, answers 1, file name, graph data file name.

Each converter run that writes a file runs twice: once with its output file a symbolic link
to /dev/null (so that the disk's own speed, which swings from run to run, drops out), and
once with the file on disk (--outputs null or disk keeps one of them). Each program runs
--repeat times, the rounds interleaved (floor, read only, ..., tseries, tseries, ..., read
only, floor, floor, read only, ...: every other round in the opposite order) so that a change
in the machine's load falls on every program alike; the fastest run of each counts.
For each it prints the wall-clock seconds, MB/s of result file, the ratio to the floor's wall
time, the CPU seconds (user + system) and their ratio to the floor's CPU seconds, the peak
resident memory and the size of the file written. Runs go through build/bench/measureRun, a
small launcher whose own size (shown below the table) is the least peak it can tell apart.
The load average of the machine is printed before and after the rounds.

With --small-mb S (default 50; 0 skips it), a second file of about S MB with the same mesh is
generated and the programs are run on it once (outputs to /dev/null), to show that peak memory
does not grow with the number of stored steps.

Last, the targets are checked against the figures of the same run, outputs to /dev/null, as
wall-time ratios with the CPU-time ratios beside them: on the plain layout read only and
tseries at most 1.1 times the floor, Tecplot 2.0, FEMAP 3.5, MicroAVS 2.5, the result list
1.6; on the mixed layout read only at most 1.5; and peaks of the large and small files within
10 % of each other. The balance is held against the read-only run instead, at most 1.05 times
it: as the median of the ratios of the two runs round by round (each round runs them one
after the other, so both meet the same load), wall and CPU time.

A program that fails shows its exit status and the first line of its standard error instead
of figures. Every generated and written file is deleted at the end (unless --keep).

Options: --build DIR (default build), --size-mb M (default 100), --small-mb S (default 50),
--layout plain|mixed|both, --outputs null|disk|both (default both), --nx/--ny/--nz grid cells
(default 60 x 60 x 20), --seed S, --timeout SECONDS per run (default 1800), --repeat N
(default 1), --only WORD,... (the floor and the runs whose names hold one of the words, such
as "read,balance"), --tmp DIR (where the temporary folder goes), --keep.
"""

import argparse
import json
import os
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

FLOOR = "floor"
READ_ONLY = "resconv read only (7)"
TECPLOT = "resconv Tecplot (1)"
FEMAP = "resconv FEMAP (2)"
AVS = "resconv MicroAVS (3)"
RESULT_LIST = "resconv result list (0)"
INTERP = "resconv INTERP (4)"
BALANCE = "resconv balance"
TSERIES = "tseries (10 + 10)"
NULL_SUFFIX = " > null"
DISK_SUFFIX = " > disk"

# Largest ratio of time to the floor's, per run and layout, outputs to /dev/null.
TIME_TARGETS = {
    "plain": {READ_ONLY: 1.1, TSERIES: 1.1, TECPLOT + NULL_SUFFIX: 2.0,
              FEMAP + NULL_SUFFIX: 3.5, AVS + NULL_SUFFIX: 2.5, RESULT_LIST + NULL_SUFFIX: 1.6},
    "mixed": {READ_ONLY: 1.5},
}
PEAK_TOLERANCE = 0.10
# Largest ratio of time to the read-only run's, median of the rounds' ratios, outputs to
# /dev/null.
READ_ONLY_TARGETS = {"plain": {BALANCE + NULL_SUFFIX: 1.05}}


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

    def measure(self, command, folder, answers):
        """Runs `command` in `folder` with `answers` on standard input, through the launcher."""
        stdin = "-"
        if answers is not None:
            stdin = os.path.join(folder, ".answers")
            with open(stdin, "w", encoding="ascii") as handle:
                handle.write(answers)
        stderr = os.path.join(folder, ".stderr")
        launcher = subprocess.run(
            [self.launcher, stdin, os.path.join(folder, ".stdout"), stderr,
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
        return result

    def generate(self, work, layout, megabytes, name, companions):
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
        return os.path.join(work, name)

    def runs(self, outputs):
        """(name, command, answers, companion files, output files, to /dev/null) of each run."""
        dialogue = [self.resconv]
        converter = [
            (TECPLOT, dialogue, "1\n%s\n1\n0\n" % RESULT_NAME, [], ["TECPLOT.TXT"]),
            (FEMAP, dialogue, "1\n%s\n2\n0\n" % RESULT_NAME, [], ["FEMAP.NEU"]),
            (AVS, dialogue, "1\n%s\n3\n0\n" % RESULT_NAME, [], ["AVS.INP"]),
            (RESULT_LIST, dialogue, "1\n%s\n0\n%s\n" % (RESULT_NAME, TIMES_NAME), [TIMES_NAME],
             ["OUTPUT.TXT"]),
            (INTERP, dialogue, "1\n%s\n4\n0\n%s\n" % (RESULT_NAME, POINTS_NAME), [POINTS_NAME],
             ["INTERP.TXT"]),
            (BALANCE, [self.resconv, RESULT_NAME, "--to", "balance", "-q"], None, [],
             ["BALANCE.CSV", "BALANCE_BY_CODE.CSV"]),
        ]
        runs = [
            (FLOOR, [self.floor, RESULT_NAME], None, [], [], False),
            (READ_ONLY, dialogue, "1\n%s\n7\n0\n" % RESULT_NAME, [], [], False),
        ]
        for to_null, suffix in ((True, NULL_SUFFIX), (False, DISK_SUFFIX)):
            if outputs != "both" and (outputs == "null") != to_null:
                continue
            for name, command, answers, companions, output in converter:
                runs.append((name + suffix, command, answers, companions, output, to_null))
        runs.append((TSERIES, [self.tseries], "1\n%s\n%s\n" % (RESULT_NAME, GRAPH_NAME),
                     [GRAPH_NAME], [], False))
        only = [word.strip().lower() for word in (self.arguments.only or "").split(",")
                if word.strip()]
        if only:
            runs = [run for run in runs
                    if run[0] == FLOOR or any(word in run[0].lower() for word in only)]
        return runs

    def run_all(self, work, result_path, runs, repeat):
        """Runs every program `repeat` times, rounds interleaved; returns name -> best result,
        and, round by round, name -> the figures of each successful run."""
        best = {}
        rounds = []
        for round_number in range(max(1, repeat)):
            rounds.append({})
            # Every other round runs them in the opposite order, so that no run always follows
            # the same one.
            ordered = runs if round_number % 2 == 0 else list(reversed(runs))
            for name, command, answers, companions, outputs, to_null in ordered:
                if not os.access(command[0], os.X_OK):
                    best[name] = {"status": "not built: " + command[0], "message": ""}
                    continue
                if name in best and best[name]["status"] != 0:
                    continue  # failed once: not run again
                folder = tempfile.mkdtemp(prefix="run-", dir=work)
                # Every run sees the file under the same name.
                os.symlink(result_path, os.path.join(folder, RESULT_NAME))
                for companion in companions:
                    shutil.copy(os.path.join(work, companion), folder)
                if to_null:
                    for output in outputs:
                        os.symlink(os.devnull, os.path.join(folder, output))
                attempt = self.measure(command, folder, answers)
                if outputs and not to_null and attempt["status"] == 0:
                    try:
                        attempt["outputBytes"] = sum(
                            os.path.getsize(os.path.join(folder, output)) for output in outputs)
                    except OSError:
                        pass
                if attempt["status"] == 0:
                    rounds[-1][name] = attempt
                shutil.rmtree(folder, ignore_errors=True)  # outputs can be larger than the input
                kept = best.get(name)
                if kept is None or attempt["status"] != 0:
                    best[name] = attempt
                else:
                    best[name] = dict(
                        attempt if attempt["seconds"] < kept["seconds"] else kept,
                        cpuSeconds=min(attempt["cpuSeconds"], kept["cpuSeconds"]),
                        peakKb=max(attempt["peakKb"], kept["peakKb"]))
        return best, rounds

    def layout(self, layout):
        arguments = self.arguments
        work = tempfile.mkdtemp(prefix="seepage-throughput-", dir=arguments.tmp)
        try:
            result_path = self.generate(work, layout, arguments.size_mb, RESULT_NAME, True)
            megabytes = os.path.getsize(result_path) / 1.0e6
            runs = self.runs(arguments.outputs)
            print("load average before the rounds: %s" % load_average())
            best, rounds = self.run_all(work, result_path, runs, arguments.repeat)
            print("load average after the rounds:  %s" % load_average())
            print("%-33s %8s %8s %8s %8s %8s %8s %9s"
                  % ("run", "seconds", "MB/s", "x floor", "cpu s", "cpu x fl", "peak MB",
                     "output MB"))
            floor = best.get(FLOOR)
            floor_ok = floor is not None and floor["status"] == 0
            for name, _, _, _, _, _ in runs:
                result = best[name]
                if result["status"] != 0:
                    print("%-26s failed, %s: %s"
                          % (name, describe_status(result["status"]), result["message"]))
                    continue
                seconds, cpu = result["seconds"], result["cpuSeconds"]
                ratio = "%8.2f" % (seconds / floor["seconds"]) if floor_ok else "%8s" % "-"
                cpu_ratio = "%8.2f" % (cpu / floor["cpuSeconds"]) if floor_ok else "%8s" % "-"
                rate = megabytes / seconds if seconds > 0 else float("inf")
                written = result.get("outputBytes")
                written = "%9.1f" % (written / 1.0e6) if written is not None else "%9s" % "-"
                print("%-33s %8.3f %8.1f %s %8.3f %s %8.1f %s"
                      % (name, seconds, rate, ratio, cpu, cpu_ratio, result["peakKb"] / 1024.0,
                         written))

            small = None
            if arguments.small_mb > 0:
                os.remove(result_path)  # room on the disk for the second file
                small_path = self.generate(work, layout, arguments.small_mb, SMALL_NAME, False)
                small_runs = [run for run in self.runs("null") if run[0] != FLOOR]
                small, _ = self.run_all(work, small_path, small_runs, 1)
                print("%-33s %12s %12s %9s" % ("peak memory", "large MB", "small MB", "change"))
                for name, _, _, _, _, _ in small_runs:
                    large_run, small_run = best[name], small[name]
                    if (large_run is None or large_run["status"] != 0
                            or small_run["status"] != 0):
                        print("%-33s %12s" % (name, "-"))
                        continue
                    large_kb, small_kb = large_run["peakKb"], small_run["peakKb"]
                    print("%-33s %12.1f %12.1f %8.1f%%"
                          % (name, large_kb / 1024.0, small_kb / 1024.0,
                             100.0 * (large_kb - small_kb) / small_kb))
            print("peak of the launcher itself: %.1f MB (peaks at or below it are not resolved)"
                  % (self.launcher_kb / 1024.0))
            self.check_targets(layout, best, rounds, small)
        finally:
            if arguments.keep:
                print("kept %s" % work)
            else:
                shutil.rmtree(work, ignore_errors=True)

    @staticmethod
    def paired_ratios(rounds, name, reference):
        """The median of the wall and CPU ratios of `name` to `reference`, round by round."""
        wall, cpu = [], []
        for figures in rounds:
            if name in figures and reference in figures:
                wall.append(figures[name]["seconds"] / figures[reference]["seconds"])
                cpu.append(figures[name]["cpuSeconds"] / figures[reference]["cpuSeconds"])
        if not wall:
            return None
        return statistics.median(wall), statistics.median(cpu), wall

    def check_targets(self, layout, best, rounds, small):
        for name, limit in READ_ONLY_TARGETS.get(layout, {}).items():
            ratios = self.paired_ratios(rounds, name, READ_ONLY)
            if ratios is None:
                continue  # not run
            wall, cpu, each = ratios
            print("target %-33s x read only <= %4.2f: wall %s (median %.3f of %s), cpu %s (%.3f)"
                  % (name, limit, "met" if wall <= limit else "MISSED", wall,
                     " ".join("%.3f" % ratio for ratio in each),
                     "met" if cpu <= limit else "MISSED", cpu))
        floor = best.get(FLOOR)
        if floor is None or floor["status"] != 0:
            print("targets: not checked, the floor did not run")
            return
        for name, limit in TIME_TARGETS.get(layout, {}).items():
            result = best.get(name)
            if result is None:
                continue  # not run (--outputs disk)
            if result["status"] != 0:
                print("target %-33s x floor <= %4.2f: FAILED (did not run)" % (name, limit))
                continue
            ratio = result["seconds"] / floor["seconds"]
            cpu_ratio = result["cpuSeconds"] / floor["cpuSeconds"]
            print("target %-33s x floor <= %4.2f: wall %s (%.2f), cpu %s (%.2f)"
                  % (name, limit, "met" if ratio <= limit else "MISSED", ratio,
                     "met" if cpu_ratio <= limit else "MISSED", cpu_ratio))
        if small is None:
            return
        for name in small:
            large_run, small_run = best.get(name), small.get(name)
            if not large_run or not small_run or large_run["status"] != 0 or small_run["status"] != 0:
                continue
            change = abs(large_run["peakKb"] - small_run["peakKb"]) / small_run["peakKb"]
            print("target %-33s peak within %2.0f%%: %s (%.1f%%)"
                  % (name, 100 * PEAK_TOLERANCE, "met" if change < PEAK_TOLERANCE else "MISSED",
                     100 * change))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default="build")
    parser.add_argument("--size-mb", type=float, default=100.0)
    parser.add_argument("--small-mb", type=float, default=50.0)
    parser.add_argument("--layout", choices=["plain", "mixed", "both"], default="plain")
    parser.add_argument("--outputs", choices=["null", "disk", "both"], default="both")
    parser.add_argument("--nx", type=int, default=60)
    parser.add_argument("--ny", type=int, default=60)
    parser.add_argument("--nz", type=int, default=20)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--timeout", type=float, default=1800.0)
    parser.add_argument("--repeat", type=int, default=1)
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
