#!/usr/bin/python3
"""Reads the extractor's HISTORY.CSV as engineers do, with pandas, and holds it against the
tables of a graph data file with the same lists.

Runs `tseries RESULT_FILE --nodes ... --elements ...` and `tseries RESULT_FILE --graph ...` in a
temporary folder, then checks that pandas.read_csv("HISTORY.CSV", index_col="time") takes the
table as it is: a float64 index named time, the columns by name, step as int64 and every value
column as float64; and that every value equals the one of HTIME.CSV, PTIME.CSV, QTIME.CSV or
VTIME.CSV at the same time within the eight digits those tables print.

  checkHistoryTable.py TSERIES RESULT_FILE NODES ELEMENTS

NODES and ELEMENTS are plain lists, 1,3,5 (no ranges: the graph data file lists them one by
one). Exit status 0 when every check passes; otherwise the failures are listed on standard error.
"""
import csv
import os
import shutil
import subprocess
import sys
import tempfile

import pandas

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def run(tseries, folder, arguments):
    done = subprocess.run([tseries, "RES.DAT", "-q"] + arguments, cwd=folder,
                          capture_output=True, text=True)
    check(done.returncode == 0, "tseries %s: status %d: %s"
          % (" ".join(arguments), done.returncode, done.stderr.strip()))


def graph_data(nodes, elements):
    """The graph data file of these lists: capacities, then (I5) counts and (10I7) numbers."""
    lines = ["%5d%5d%5d%5d%5d" % (100, 50, 50, 100, 50)]
    for numbers in (nodes, nodes, nodes, elements):
        lines.append("%5d" % len(numbers))
        for start in range(0, len(numbers), 10):
            lines.append("".join("%7d" % n for n in numbers[start:start + 10]))
    return "\n".join(lines) + "\n"


def fortran_real(cell):
    """An E16.7 cell; an exponent of three digits stands without its E: -1.5000000-120."""
    text = cell.strip()
    cut = max(text.rfind("+"), text.rfind("-"))
    if "E" not in text and cut > 0:
        text = text[:cut] + "E" + text[cut:]
    return float(text)


def legacy_table(path):
    """A legacy table as {time: [values]}; its rows end with an extra comma."""
    rows = {}
    with open(path, newline="", encoding="ascii") as handle:
        for record in list(csv.reader(handle))[1:]:
            values = [fortran_real(cell) for cell in record if cell.strip()]
            rows[values[0]] = values[1:]
    return rows


def close(a, b):
    # E16.7 keeps eight significant digits: half a unit of the eighth.
    return abs(a - b) <= 5e-8 * max(abs(a), abs(b)) + 1e-300


def main():
    tseries, result_file = sys.argv[1], sys.argv[2]
    nodes = [int(n) for n in sys.argv[3].split(",")]
    elements = [int(e) for e in sys.argv[4].split(",")]
    folder = tempfile.mkdtemp(prefix="seepage-history-")
    try:
        shutil.copy(result_file, os.path.join(folder, "RES.DAT"))
        with open(os.path.join(folder, "GRAPH.DAT"), "w", encoding="ascii") as handle:
            handle.write(graph_data(nodes, elements))
        run(tseries, folder, ["--nodes", sys.argv[3], "--elements", sys.argv[4]])
        run(tseries, folder, ["--graph", "GRAPH.DAT"])

        history = pandas.read_csv(os.path.join(folder, "HISTORY.CSV"), index_col="time")
        columns = (["step"] + ["total_head_%d" % n for n in nodes]
                   + ["pressure_head_%d" % n for n in nodes] + ["discharge_%d" % n for n in nodes]
                   + ["%s_%d" % (c, e) for e in elements for c in ("vx", "vy", "vz")])
        check(history.index.name == "time", "index %s" % history.index.name)
        check(str(history.index.dtype) == "float64", "time is %s" % history.index.dtype)
        check(list(history.columns) == columns, "columns %s" % list(history.columns))
        for column in history.columns:
            expected = "int64" if column == "step" else "float64"
            check(str(history[column].dtype) == expected,
                  "column %s is %s, not %s" % (column, history[column].dtype, expected))
        check(history.index.is_unique, "times repeat: %s" % list(history.index))

        for table, names in (("HTIME.CSV", ["total_head_%d" % n for n in nodes]),
                             ("PTIME.CSV", ["pressure_head_%d" % n for n in nodes]),
                             ("QTIME.CSV", ["discharge_%d" % n for n in nodes]),
                             ("VTIME.CSV", ["%s_%d" % (c, e) for e in elements
                                            for c in ("vx", "vy", "vz")])):
            rows = legacy_table(os.path.join(folder, table))
            check(len(rows) > 0, "%s: no rows" % table)
            for time, values in rows.items():
                matches = [t for t in history.index if close(t, time)]
                check(len(matches) == 1, "%s: time %r is not once in HISTORY.CSV" % (table, time))
                if len(matches) != 1:
                    continue
                for name, value in zip(names, values):
                    cell = history.loc[matches[0], name]
                    check(close(cell, value),
                          "%s at time %r: HISTORY.CSV %r, %s %r" % (name, time, cell, table, value))
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
