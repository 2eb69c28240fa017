#!/usr/bin/env python3
"""Throughput of the converter and the extractor on one large generated result file.

Usage (from the repository root, after a build with benchmarks on):

    cmake -S . -B build -DBUILD_BENCHMARKS=ON && cmake --build build -j2
    python3 bench/throughput.py --build build --size-mb 300 --layout plain

Generates a result file of about --size-mb MB (10^6 bytes) with build/tools/makeResultFile in a
temporary folder, with an output-time file that requests every stored step's time and a graph
data file listing ten nodes and ten elements. Then, each in a scratch folder of its own, runs:

  floor       build/bench/floor: read, split and convert every number, nothing else;
  read only   resconv, answers 1, file name, 7, 0 (output form 7 writes nothing);
  Tecplot     resconv, answers 1, file name, 1, 0;
  result list resconv, answers 1, file name, 0, output-time file name (every step's time);
  tseries     tseries, answers 1, file name, graph data file name.

For each it prints the wall-clock seconds, MB/s of result file, the ratio to the floor's time and
the peak resident memory. The peak is ru_maxrss of RUSAGE_CHILDREN taken in a fresh Python
wrapper process that runs just that one program; a child inherits the wrapper's own high-water
mark at exec, so the wrapper's figure alone (shown below the table) is the smallest peak that
can be told apart. A program that fails shows its exit status and the first line of its
standard error instead of figures. Every generated and written file is deleted at the end
(unless --keep).

Options: --build DIR (default build), --size-mb M (default 100), --layout plain|mixed,
--nx/--ny/--nz grid cells (default 60 x 60 x 20), --seed S, --timeout SECONDS per run
(default 1800), --repeat N runs of each program, the fastest counted (default 1),
--tmp DIR (where the temporary folder goes), --keep.
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

# Runs one program in a folder with a file on standard input and reports its exit status, wall
# time and the peak memory of the wrapper's children: it has only that one child.
WRAPPER = r"""
import json, resource, subprocess, sys, time
job = json.loads(sys.argv[1])
stdin = open(job["stdin"], "rb") if job["stdin"] else subprocess.DEVNULL
with open(job["stdout"], "wb") as out, open(job["stderr"], "wb") as err:
    start = time.perf_counter()
    try:
        status = subprocess.run(job["command"], cwd=job["cwd"], stdin=stdin, stdout=out,
                                stderr=err, timeout=job["timeout"]).returncode
    except subprocess.TimeoutExpired:
        status = "timeout"
    except OSError as error:
        status = "cannot start: " + str(error)
    seconds = time.perf_counter() - start
peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
print(json.dumps({"status": status, "seconds": seconds, "peakKb": peak}))
"""

RESULT_NAME = "RES.DAT"
TIMES_NAME = "OTF.DAT"
GRAPH_NAME = "GRAPH.DAT"


def spread(count, last):
    """`count` numbers spread evenly over 1..last, without repeats where possible."""
    if last <= count:
        return list(range(1, last + 1))
    return [1 + k * (last - 1) // (count - 1) for k in range(count)]


def measure(command, folder, answers, timeout):
    """Runs `command` in `folder` with `answers` on standard input, through a fresh wrapper."""
    stdin = None
    if answers is not None:
        stdin = os.path.join(folder, ".answers")
        with open(stdin, "w", encoding="ascii") as handle:
            handle.write(answers)
    job = {
        "command": command,
        "cwd": folder,
        "stdin": stdin,
        "stdout": os.path.join(folder, ".stdout"),
        "stderr": os.path.join(folder, ".stderr"),
        "timeout": timeout,
    }
    wrapper = subprocess.run([sys.executable, "-c", WRAPPER, json.dumps(job)],
                             capture_output=True, text=True)
    if wrapper.returncode != 0:
        return {"status": "wrapper failed: " + first_line(wrapper.stderr), "seconds": 0.0,
                "peakKb": 0, "message": ""}
    result = json.loads(wrapper.stdout)
    result["message"] = ""
    if result["status"] != 0:
        with open(job["stderr"], "rb") as handle:
            result["message"] = first_line(handle.read().decode("cp932", errors="replace"))
    return result


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


def generate(arguments, generator, work):
    cells = arguments.nx * arguments.ny * arguments.nz
    grid_nodes = (arguments.nx + 1) * (arguments.ny + 1) * (arguments.nz + 1)
    nodes = ",".join(str(n) for n in spread(10, grid_nodes))
    elements = ",".join(str(e) for e in spread(10, cells))
    command = [
        generator, "--nx", str(arguments.nx), "--ny", str(arguments.ny), "--nz", str(arguments.nz),
        "--target-mb", str(arguments.size_mb), "--layout", arguments.layout,
        "--seed", str(arguments.seed), "--out", RESULT_NAME,
        "--otf", TIMES_NAME, "--times", "steps",
        "--graph", GRAPH_NAME, "--heads", nodes, "--pressures", nodes, "--discharges", nodes,
        "--velocities", elements,
    ]
    start = time.perf_counter()
    made = subprocess.run(command, cwd=work, capture_output=True, text=True)
    seconds = time.perf_counter() - start
    if made.returncode != 0:
        sys.exit("throughput: the generator failed (%s): %s"
                 % (describe_status(made.returncode), first_line(made.stderr)))
    return made.stdout.strip(), seconds


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default="build")
    parser.add_argument("--size-mb", type=float, default=100.0)
    parser.add_argument("--layout", choices=["plain", "mixed"], default="plain")
    parser.add_argument("--nx", type=int, default=60)
    parser.add_argument("--ny", type=int, default=60)
    parser.add_argument("--nz", type=int, default=20)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--timeout", type=float, default=1800.0)
    parser.add_argument("--repeat", type=int, default=1)
    parser.add_argument("--tmp", default=None)
    parser.add_argument("--keep", action="store_true")
    arguments = parser.parse_args()

    build = os.path.abspath(arguments.build)
    generator = os.path.join(build, "tools", "makeResultFile")
    floor = os.path.join(build, "bench", "floor")
    resconv = os.path.join(build, "resconv")
    tseries = os.path.join(build, "tseries")
    if not os.access(generator, os.X_OK):
        sys.exit("throughput: no generator at %s (build the target makeResultFile)" % generator)

    work = tempfile.mkdtemp(prefix="seepage-throughput-", dir=arguments.tmp)
    try:
        summary, generation_seconds = generate(arguments, generator, work)
        result_path = os.path.join(work, RESULT_NAME)
        megabytes = os.path.getsize(result_path) / 1.0e6
        print("%s (%s layout, grid %dx%dx%d), generated in %.1f s"
              % (summary, arguments.layout, arguments.nx, arguments.ny, arguments.nz,
                 generation_seconds))

        runs = [
            ("floor", [floor], None, []),
            ("resconv read only (7)", [resconv], "1\n%s\n7\n0\n" % RESULT_NAME, []),
            ("resconv Tecplot (1)", [resconv], "1\n%s\n1\n0\n" % RESULT_NAME, []),
            ("resconv result list (0)", [resconv], "1\n%s\n0\n%s\n" % (RESULT_NAME, TIMES_NAME),
             [TIMES_NAME]),
            ("tseries (10 + 10)", [tseries], "1\n%s\n%s\n" % (RESULT_NAME, GRAPH_NAME),
             [GRAPH_NAME]),
        ]
        print("%-26s %9s %9s %9s %9s" % ("run", "seconds", "MB/s", "x floor", "peak MB"))
        floor_seconds = None
        for name, command, answers, companions in runs:
            if not os.access(command[0], os.X_OK):
                print("%-26s not built: %s" % (name, command[0]))
                continue
            if answers is None:
                command = command + [RESULT_NAME]
            result = None
            for _ in range(max(1, arguments.repeat)):
                folder = tempfile.mkdtemp(prefix="run-", dir=work)
                os.symlink(result_path, os.path.join(folder, RESULT_NAME))
                for companion in companions:
                    shutil.copy(os.path.join(work, companion), folder)
                attempt = measure(command, folder, answers, arguments.timeout)
                shutil.rmtree(folder, ignore_errors=True)  # outputs can be as large as the input
                if result is None or attempt["status"] != 0:
                    result = attempt
                elif attempt["seconds"] < result["seconds"]:
                    result = dict(attempt, peakKb=max(attempt["peakKb"], result["peakKb"]))
                if attempt["status"] != 0:
                    break
            if result["status"] != 0:
                print("%-26s failed, %s: %s"
                      % (name, describe_status(result["status"]), result["message"]))
                continue
            seconds = result["seconds"]
            if floor_seconds is None and name == "floor":
                floor_seconds = seconds
            ratio = "%9.2f" % (seconds / floor_seconds) if floor_seconds else "%9s" % "-"
            rate = megabytes / seconds if seconds > 0 else float("inf")
            print("%-26s %9.3f %9.1f %s %9.1f"
                  % (name, seconds, rate, ratio, result["peakKb"] / 1024.0))
        baseline = measure(["/bin/true"], work, None, arguments.timeout)
        print("peak of the measuring wrapper alone: %.1f MB (peaks at or below it are not resolved)"
              % (baseline["peakKb"] / 1024.0))
    finally:
        if arguments.keep:
            print("kept %s" % work)
        else:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
