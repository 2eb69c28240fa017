#!/usr/bin/env python3
"""Two builds of the converter against each other on the read-only run.

    python3 bench/compareBuilds.py BEFORE/resconv AFTER/resconv [--size-mb 300] [--rounds 15]

Generates a result file with build/tools/makeResultFile, then runs output form 7 (answers 1,
the file name, 7, 0: every step read, nothing written) of the two programs in pairs, the order
within each pair alternating, and prints each pair's wall and CPU seconds and the median of
the pairs' ratios AFTER / BEFORE. Pairing keeps the load of a shared machine, which drifts
over minutes, out of the ratio.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ANSWERS = "1\nRES.DAT\n7\n0\n"


def run(program, folder):
    """Wall and CPU seconds of one read-only run."""
    with open(os.path.join(folder, ".answers"), "rb") as answers, \
            open(os.devnull, "wb") as null:
        start = time.perf_counter()
        child = subprocess.Popen([program], cwd=folder, stdin=answers, stdout=null,
                                 stderr=subprocess.PIPE)
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.perf_counter() - start
        message = child.stderr.read().decode("cp932", errors="replace").strip()
        child.stderr.close()
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("compareBuilds: %s failed: %s" % (program, message))
    return wall, usage.ru_utime + usage.ru_stime


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("before")
    parser.add_argument("after")
    parser.add_argument("--build", default="build", help="the build with tools/makeResultFile")
    parser.add_argument("--size-mb", type=int, default=300)
    parser.add_argument("--layout", choices=("plain", "mixed"), default="plain")
    parser.add_argument("--rounds", type=int, default=15)
    parser.add_argument("--tmp", default=None, help="folder for the generated file")
    arguments = parser.parse_args()
    programs = [os.path.abspath(arguments.before), os.path.abspath(arguments.after)]
    generator = os.path.join(os.path.abspath(arguments.build), "tools", "makeResultFile")

    folder = tempfile.mkdtemp(prefix="compare-builds-", dir=arguments.tmp)
    try:
        made = subprocess.run([generator, "--nx", "60", "--ny", "60", "--nz", "24",
                               "--target-mb", str(arguments.size_mb), "--layout", arguments.layout,
                               "--out", "RES.DAT"], cwd=folder, capture_output=True, text=True)
        if made.returncode != 0:
            sys.exit("compareBuilds: the generator failed: " + made.stderr.strip())
        print(made.stdout.strip())
        with open(os.path.join(folder, ".answers"), "w", encoding="ascii") as handle:
            handle.write(ANSWERS)
        run(programs[0], folder)  # the file into the page cache
        wall_ratios, cpu_ratios = [], []
        print("%5s %12s %12s %12s %12s" % ("pair", "wall before", "wall after", "cpu before",
                                          "cpu after"))
        for pair in range(arguments.rounds):
            order = (0, 1) if pair % 2 == 0 else (1, 0)
            seconds = {}
            for index in order:
                seconds[index] = run(programs[index], folder)
            wall_ratios.append(seconds[1][0] / seconds[0][0])
            cpu_ratios.append(seconds[1][1] / seconds[0][1])
            print("%5d %12.3f %12.3f %12.3f %12.3f"
                  % (pair + 1, seconds[0][0], seconds[1][0], seconds[0][1], seconds[1][1]))
        print("median ratio after / before: wall %.4f, cpu %.4f (%d pairs)"
              % (statistics.median(wall_ratios), statistics.median(cpu_ratios), len(wall_ratios)))
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
