#!/usr/bin/env python3
"""The Windows programs under Wine beside the Linux programs, on large generated result files.

    python3 bench/windowsRuns.py [--linux build] [--windows build-windows] [--work DIR]
                                 [--size-mb 300] [--repeat 3] [--large-mb 4500 | --large-mb 0]

1. Speed: on a result file of --size-mb (plain layout, the throughput benchmark's mesh),
   `resconv --info` and `resconv --to tecplot -q` (TECPLOT.TXT a link to /dev/null), Linux and
   Windows runs taken pair by pair, --repeat rounds; wall seconds, their medians and the
   median of the Windows / Linux ratios. Wine's own start-up is part of every Windows figure.
2. Past 4 GiB: a result file of --large-mb (more than 4096 MiB) read by `--info` in both
   builds (same description, every step counted), then cut inside its last step and read
   again: both stop with the same end-of-file line and the same place line, whose line number
   lies beyond 4 GiB of text. Needs about --large-mb of free disk in --work; 0 skips it.
Exits non-zero when the two builds disagree.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time


def run(command, cwd, env=None):
    start = time.perf_counter()
    done = subprocess.run(command, cwd=cwd, env=env, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE)
    return time.perf_counter() - start, done


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--linux", default="build")
    parser.add_argument("--windows", default="build-windows")
    parser.add_argument("--work", default="bench-windows")
    parser.add_argument("--size-mb", type=int, default=300)
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--large-mb", type=int, default=4500)
    args = parser.parse_args()

    linux = os.path.abspath(os.path.join(args.linux, "resconv"))
    generator = os.path.abspath(os.path.join(args.linux, "tools", "makeResultFile"))
    windows = os.path.abspath(os.path.join(args.windows, "resconv.exe"))
    wine = shutil.which("wine64") or "/usr/lib/wine/wine64"
    env = dict(os.environ, WINEDEBUG="-all",
               WINEPREFIX=os.path.abspath(os.path.join(args.windows, "wine-prefix")))
    work = os.path.abspath(args.work)
    os.makedirs(work, exist_ok=True)
    programs = {"linux": [linux], "windows": [wine, windows]}
    # The prefix made and a server of its own started that stays between runs, before anything
    # is timed: a server that ends between two runs makes the next one start it again (seconds).
    wineserver = shutil.which("wineserver") or "/usr/lib/wine/wineserver"
    quiet = dict(env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                 stderr=subprocess.DEVNULL)
    subprocess.run([wineserver, "-k"], **quiet)
    subprocess.run([wineserver, "-w"], **quiet)
    subprocess.run([wineserver, "-p"], **quiet)
    subprocess.run([wine, "wineboot", "--init"], **quiet)
    failures = 0

    name = f"RES{args.size_mb}.DAT"
    if not os.path.exists(os.path.join(work, name)):
        subprocess.run([generator, "--out", name, "--nx", "60", "--ny", "60", "--nz", "20",
                        "--target-mb", str(args.size_mb), "--layout", "plain", "--seed", "1"],
                       cwd=work, check=True)
    tecplot = os.path.join(work, "TECPLOT.TXT")
    if os.path.lexists(tecplot):
        os.remove(tecplot)
    os.symlink("/dev/null", tecplot)
    print(f"{name}: {os.path.getsize(os.path.join(work, name)):,} bytes; load "
          f"{os.getloadavg()[0]:.2f}")
    for label, arguments in (("--info", [name, "--info"]),
                             ("--to tecplot", [name, "--to", "tecplot", "-q"])):
        seconds = {"linux": [], "windows": []}
        outputs = {}
        for _ in range(args.repeat):
            for system in ("linux", "windows"):
                elapsed, done = run(programs[system] + arguments, work, env)
                if done.returncode != 0:
                    print(f"{system} {label} failed: {done.stderr.decode(errors='replace')}")
                    failures += 1
                seconds[system].append(elapsed)
                outputs[system] = done.stdout.replace(b"\r\n", b"\n")
        ratios = [w / l for l, w in zip(seconds["linux"], seconds["windows"])]
        print(f"resconv {label:13} linux {statistics.median(seconds['linux']):6.2f} s "
              f"({' '.join(f'{s:.2f}' for s in seconds['linux'])}), windows under Wine "
              f"{statistics.median(seconds['windows']):6.2f} s "
              f"({' '.join(f'{s:.2f}' for s in seconds['windows'])}), median ratio "
              f"{statistics.median(ratios):.2f}")
        if outputs["linux"] != outputs["windows"]:
            print(f"  the two builds' {label} outputs differ")
            failures += 1
    os.remove(tecplot)
    print(f"load {os.getloadavg()[0]:.2f}")

    if args.large_mb > 0:
        big = "RESBIG.DAT"
        path = os.path.join(work, big)
        subprocess.run([generator, "--out", big, "--nx", "60", "--ny", "60", "--nz", "20",
                        "--target-mb", str(args.large_mb), "--layout", "plain", "--seed", "2"],
                       cwd=work, check=True)
        size = os.path.getsize(path)
        print(f"{big}: {size:,} bytes ({size / 2**30:.2f} GiB)")
        results = {}
        for system in ("linux", "windows"):
            elapsed, done = run(programs[system] + [big, "--info"], work, env)
            results[system] = done
            print(f"  {system} --info: status {done.returncode}, {elapsed:.1f} s")
        text = results["linux"].stdout.decode(errors="replace")
        print("  " + text.replace("\n", "\n  ").rstrip())
        if results["linux"].stdout != results["windows"].stdout.replace(b"\r\n", b"\n"):
            print("  the descriptions differ:\n" + results["windows"].stdout.decode(errors="replace"))
            failures += 1
        # Cut 100 bytes before the end: inside the last step's element block.
        os.truncate(path, size - 100)
        for system in ("linux", "windows"):
            elapsed, done = run(programs[system] + [big, "--info"], work, env)
            results[system] = done
            print(f"  {system} --info on the cut file: status {done.returncode}, "
                  f"{elapsed:.1f} s")
        print("  " + results["linux"].stderr.decode(errors="replace").replace("\n", "\n  ").rstrip())
        if (results["linux"].returncode != 1 or results["windows"].returncode != 1 or
                results["linux"].stderr != results["windows"].stderr.replace(b"\r\n", b"\n")):
            print("  the stops differ:\n" + results["windows"].stderr.decode(errors="replace"))
            failures += 1
        os.remove(path)
    subprocess.run([wineserver, "-k"], **quiet)
    print("windows runs: " + ("the builds agree" if failures == 0 else f"{failures} differences"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
