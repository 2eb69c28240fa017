#!/usr/bin/env python3
"""Speed of the Python module seepage against the floor of the throughput comparison.

Usage (from the repository root):

    cmake -S . -B build -DBUILD_BENCHMARKS=ON -DBUILD_PYTHON=ON \\
        -DPython_EXECUTABLE=/usr/bin/python3 && cmake --build build -j2
    /usr/bin/python3 bench/pythonModule.py --size-mb 300 --repeat 3

Generates with build/tools/makeResultFile the throughput comparison's result file (grid
60 x 60 x 20, plain layout, seed 1, about --size-mb MB) in a temporary folder, then runs, each
in a fresh interpreter or process through build/bench/measureRun:

  floor              build/bench/floor: read, split and convert every number, nothing else;
  import only        the interpreter starting and importing numpy and seepage;
  steps, touched     every stored step read by iterating seepage.open(), each of its arrays
                     (pressure head, discharge, node code, velocity, total head) summed;
  histories 10       seepage.histories() of ten nodes spread over the mesh;
  histories 10 + 10  the same ten nodes and ten elements;
  tseries (10 + 10)  the extractor on the same lists, for comparison.

With --small-mb S (default 50; 0 skips it), a second file of about S MB with the same mesh is
read by the module's runs once more, to show that their peak memory does not grow with the
number of stored steps.

Rounds are interleaved and the fastest run of each counts (wall and CPU each at their least).
The table shows wall seconds, CPU seconds (user + system) and their ratios to the floor's, and
the peak resident memory; the in-process column is the CPU time of the reading itself, as the
script measures it, without the interpreter's start. The targets (steps at most 1.2 times the
floor, histories of ten nodes at most 1.1 times) are checked on the CPU ratio, the steadier
one on a shared machine; the wall ratio is shown beside it.

Options: --build DIR (default build), --size-mb M (default 300), --small-mb S (default 50),
--repeat N (default 3),
--python PATH (default the running interpreter), --tmp DIR, --keep.
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile

RESULT_NAME = "RES.DAT"
GRAPH_NAME = "GRAPH.DAT"
GRID = (60, 60, 20)

ITERATE = """
import time, seepage
start = time.process_time()
total = 0.0
with seepage.open("RES.DAT") as result:
    for step in result:
        total += (step.pressure_head.sum() + step.discharge.sum() + step.node_code.sum()
                  + step.velocity.sum() + step.total_head.sum())
print(time.process_time() - start, total)
"""
HISTORIES = """
import time, seepage
start = time.process_time()
values = seepage.histories("RES.DAT", nodes=%r, elements=%r)
print(time.process_time() - start, values["total_head"].sum())
"""
IMPORT_ONLY = "import numpy, seepage; print(0.0, 0)"

FLOOR = "floor"
STEPS = "steps, touched"
HISTORIES_NODES = "histories 10"
HISTORIES_BOTH = "histories 10 + 10"
TARGETS = {STEPS: 1.2, HISTORIES_NODES: 1.1}


def spread(count, last):
    """`count` numbers spread evenly over 1..last."""
    return [1 + k * (last - 1) // (count - 1) for k in range(count)]


def measure(launcher, command, folder, answers=None):
    stdin = "-"
    if answers is not None:
        stdin = os.path.join(folder, ".answers")
        with open(stdin, "w", encoding="ascii") as handle:
            handle.write(answers)
    stdout, stderr = os.path.join(folder, ".stdout"), os.path.join(folder, ".stderr")
    run = subprocess.run([launcher, stdin, stdout, stderr, "3600"] + command, cwd=folder,
                         capture_output=True, text=True, check=True)
    result = json.loads(run.stdout)
    if result["status"] != 0:
        with open(stderr, encoding="ascii", errors="replace") as handle:
            sys.exit("pythonModule: %s failed: %s" % (command[0], handle.read().strip()))
    with open(stdout, encoding="ascii", errors="replace") as handle:
        first = handle.read().split()
    try:
        result["inProcess"] = float(first[0])
    except (IndexError, ValueError):
        result["inProcess"] = None
    return result


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default="build")
    parser.add_argument("--size-mb", type=float, default=300.0)
    parser.add_argument("--small-mb", type=float, default=50.0)
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--python", default=sys.executable)
    parser.add_argument("--tmp", default=None)
    parser.add_argument("--keep", action="store_true")
    arguments = parser.parse_args()

    build = os.path.abspath(arguments.build)
    generator = os.path.join(build, "tools", "makeResultFile")
    launcher = os.path.join(build, "bench", "measureRun")
    floor = os.path.join(build, "bench", "floor")
    module_dir = os.path.join(build, "python")
    for path in (generator, launcher, floor, os.path.join(build, "tseries")):
        if not os.access(path, os.X_OK):
            sys.exit("pythonModule: no %s (configure with -DBUILD_BENCHMARKS=ON and build)"
                     % path)
    if not any(name.startswith("seepage") and name.endswith(".so")
               for name in os.listdir(module_dir) if os.path.isdir(module_dir)):
        sys.exit("pythonModule: no module in %s (configure with -DBUILD_PYTHON=ON)" % module_dir)
    os.environ["PYTHONPATH"] = module_dir

    work = tempfile.mkdtemp(prefix="seepage-python-", dir=arguments.tmp)
    try:
        nx, ny, nz = GRID
        nodes = spread(10, (nx + 1) * (ny + 1) * (nz + 1))
        elements = spread(10, nx * ny * nz)
        def generate(megabytes):
            made = subprocess.run(
                [generator, "--nx", str(nx), "--ny", str(ny), "--nz", str(nz), "--target-mb",
                 str(megabytes), "--layout", "plain", "--seed", "1", "--out", RESULT_NAME,
                 "--graph", GRAPH_NAME, "--heads", ",".join(map(str, nodes)),
                 "--pressures", ",".join(map(str, nodes)),
                 "--discharges", ",".join(map(str, nodes)),
                 "--velocities", ",".join(map(str, elements))],
                cwd=work, capture_output=True, text=True, check=True)
            print(made.stdout.strip())

        generate(arguments.size_mb)
        megabytes = os.path.getsize(os.path.join(work, RESULT_NAME)) / 1.0e6

        python = arguments.python
        runs = [
            (FLOOR, [floor, RESULT_NAME], None),
            ("import only", [python, "-c", IMPORT_ONLY], None),
            (STEPS, [python, "-c", ITERATE], None),
            (HISTORIES_NODES, [python, "-c", HISTORIES % (nodes, [])], None),
            (HISTORIES_BOTH, [python, "-c", HISTORIES % (nodes, elements)], None),
            ("tseries (10 + 10)", [os.path.join(build, "tseries")],
             "1\n%s\n%s\n" % (RESULT_NAME, GRAPH_NAME)),
        ]
        best = {}
        for _ in range(max(1, arguments.repeat)):
            for name, command, answers in runs:
                result = measure(launcher, command, work, answers)
                kept = best.get(name)
                if kept is None:
                    best[name] = result
                    continue
                for key in ("seconds", "cpuSeconds", "inProcess"):
                    if result[key] is not None and (kept[key] is None or result[key] < kept[key]):
                        kept[key] = result[key]
                kept["peakKb"] = max(kept["peakKb"], result["peakKb"])

        print("%.1f MB, load average %s" % (megabytes, " ".join(
            "%.2f" % value for value in os.getloadavg())))
        print("%-20s %9s %9s %9s %9s %11s %9s" % ("run", "wall s", "x floor", "cpu s",
                                                  "cpu x fl", "in-proc s", "peak MB"))
        reference = best[FLOOR]
        for name, _, _ in runs:
            result = best[name]
            in_process = "%11.3f" % result["inProcess"] if result["inProcess"] else "%11s" % "-"
            print("%-20s %9.3f %9.2f %9.3f %9.2f %s %9.1f" % (
                name, result["seconds"], result["seconds"] / reference["seconds"],
                result["cpuSeconds"], result["cpuSeconds"] / reference["cpuSeconds"],
                in_process, result["peakKb"] / 1024.0))
        if arguments.small_mb > 0:
            generate(arguments.small_mb)
            print("%-20s %12s %12s %9s" % ("peak memory", "large MB", "small MB", "change"))
            for name, command, answers in runs[2:]:
                small = measure(launcher, command, work, answers)["peakKb"]
                large = best[name]["peakKb"]
                print("%-20s %12.1f %12.1f %8.1f%%" % (name, large / 1024.0, small / 1024.0,
                                                       100.0 * (large - small) / small))
        for name, limit in TARGETS.items():
            cpu = best[name]["cpuSeconds"] / reference["cpuSeconds"]
            wall = best[name]["seconds"] / reference["seconds"]
            print("target %-18s cpu x floor <= %.2f: %s (%.2f; wall %.2f)"
                  % (name, limit, "met" if cpu <= limit else "MISSED", cpu, wall))
    finally:
        if arguments.keep:
            print("kept %s" % work)
        else:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
