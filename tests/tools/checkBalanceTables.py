#!/usr/bin/python3
"""Reads the converter's discharge balance tables as engineers do, with pandas and with csv.

Runs `resconv RESULT_FILE --to balance` (and once more with requested times) in a temporary
folder, then checks that pandas.read_csv takes BALANCE.CSV and BALANCE_BY_CODE.CSV as they are:
the columns by name, integers as int64 and every real column as float64 (a whole-number time
or total included), and the values of a few cells; and that Python's csv module reads every
record with as many fields as the header.

  checkBalanceTables.py RESCONV RESULT_FILE

Exit status 0 when every check passes; otherwise the failures are listed on standard error.
"""
import csv
import os
import shutil
import subprocess
import sys
import tempfile

import pandas

BALANCE_COLUMNS = {
    "time": "float64", "step": "int64", "nodes": "int64", "positive": "float64",
    "negative": "float64", "net": "float64", "positive_volume": "float64",
    "negative_volume": "float64",
}
BY_CODE_COLUMNS = {
    "time": "float64", "step": "int64", "code": "int64", "nodes": "int64",
    "positive": "float64", "negative": "float64", "net": "float64",
}
REQUESTED_TIMES = "    2\n       5.0      20.0\n    0    0\n"

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def check_columns(frame, columns, name):
    check(list(frame.columns) == list(columns),
          "%s: columns %s, not %s" % (name, list(frame.columns), list(columns)))
    for column, dtype in columns.items():
        if column in frame.columns:
            check(str(frame[column].dtype) == dtype,
                  "%s: column %s is %s, not %s" % (name, column, frame[column].dtype, dtype))


def check_records(path, width):
    with open(path, newline="", encoding="ascii") as handle:
        records = list(csv.reader(handle))
    check(len(records) > 1, "%s: no record after the header" % path)
    for number, record in enumerate(records, 1):
        check(len(record) == width,
              "%s: record %d has %d fields, not %d" % (path, number, len(record), width))
    return records


def run(resconv, folder, arguments):
    done = subprocess.run([resconv, "RES.DAT", "-q", "--to", "balance"] + arguments,
                          cwd=folder, capture_output=True, text=True)
    check(done.returncode == 0, "resconv %s: status %d: %s"
          % (" ".join(arguments), done.returncode, done.stderr.strip()))


def main():
    resconv, result_file = sys.argv[1], sys.argv[2]
    folder = tempfile.mkdtemp(prefix="seepage-balance-")
    try:
        shutil.copy(result_file, os.path.join(folder, "RES.DAT"))
        with open(os.path.join(folder, "OTF.DAT"), "w", encoding="ascii") as handle:
            handle.write(REQUESTED_TIMES)
        for arguments, times in (([], [0.0, 10.0, 30.0, 40.0, 50.0]),
                                 (["--times", "OTF.DAT"], [0.0, 5.0, 20.0])):
            run(resconv, folder, arguments)
            balance_path = os.path.join(folder, "BALANCE.CSV")
            by_code_path = os.path.join(folder, "BALANCE_BY_CODE.CSV")
            balance = pandas.read_csv(balance_path)
            by_code = pandas.read_csv(by_code_path)
            name = ("BALANCE.CSV " + " ".join(arguments)).strip()
            check_columns(balance, BALANCE_COLUMNS, name)
            check_columns(by_code, BY_CODE_COLUMNS,
                          ("BALANCE_BY_CODE.CSV " + " ".join(arguments)).strip())
            check(list(balance["time"]) == times, "%s: times %s" % (name, list(balance["time"])))
            check((balance["nodes"] == 10).all(), "%s: nodes %s" % (name, list(balance["nodes"])))
            check((balance["positive"] + balance["negative"] == balance["net"]).all(),
                  "%s: net is not positive + negative" % name)
            check(sorted(set(by_code["time"])) == times, "%s: times by code" % name)
            # The codes of each output ascending, and their nodes adding up to the shown nodes.
            for time, rows in by_code.groupby("time"):
                check(list(rows["code"]) == sorted(rows["code"]),
                      "codes at %s not ascending" % time)
                check(rows["nodes"].sum() == 10,
                      "nodes by code at %s: %d" % (time, rows["nodes"].sum()))
            check_records(balance_path, len(BALANCE_COLUMNS))
            check_records(by_code_path, len(BY_CODE_COLUMNS))
        # The last run's cells: time 20 between steps 1 and 2.
        last = balance.iloc[-1]
        check(last["step"] == 2 and last["positive"] == 1.125 and last["negative"] == -0.375,
              "BALANCE.CSV at time 20: %s" % last.to_dict())
        check(last["positive_volume"] == 29.375 and last["negative_volume"] == -10.625,
              "BALANCE.CSV volumes at time 20: %s" % last.to_dict())
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
