"""Shared helpers of the module's tests: where the programs and the example are, running the
programs in a scratch folder, and reading their Tecplot and CSV outputs back."""

import os
import pathlib
import shutil
import subprocess

import pytest

SOURCE_DIR = pathlib.Path(
    os.environ.get("SEEPAGE_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))
BUILD_DIR = pathlib.Path(os.environ.get("SEEPAGE_BUILD_DIR", SOURCE_DIR / "build"))
RESCONV = pathlib.Path(os.environ.get("SEEPAGE_RESCONV", BUILD_DIR / "resconv"))
TSERIES = pathlib.Path(os.environ.get("SEEPAGE_TSERIES", BUILD_DIR / "tseries"))
EXAMPLE = SOURCE_DIR / "examples" / "RES.DAT"
GENERATOR = BUILD_DIR / "tools" / "makeResultFile"

# The generator's command for the bundled example, without the layout and the output file.
EXAMPLE_COMMAND = ["--nx", "2", "--ny", "1", "--nz", "2", "--unused", "1", "--materials", "2",
                   "--steps", "3", "--step-zero", "--seed", "1",
                   "--title", "example: four cells, one split into two prisms"]


def run_program(program, answers, folder):
    """Runs a program in `folder` with the console answers; returns the completed process."""
    return subprocess.run([str(program)], input=answers.encode("ascii"), cwd=folder,
                          capture_output=True, env=dict(os.environ, LC_ALL="C"), timeout=60)


def rounded(value, digits):
    """`value` rounded to `digits` significant digits, as an E field of that many shows it."""
    return float("%.*E" % (digits - 1, value))


def tecplot_blocks(text):
    """The solid-mesh blocks of a Tecplot file: time, title, point rows and element rows."""
    lines = text.splitlines()
    blocks = []
    at = 0
    while at < len(lines):
        title_line = lines[at]
        assert title_line.startswith('TITLE = "TIME='), title_line
        fields = lines[at + 2].split(",")
        nodes = int(fields[0].split("=")[1])
        elements = int(fields[1].split("=")[1])
        points = [[float(v) for v in line.split(",")] for line in lines[at + 3:at + 3 + nodes]]
        first = at + 3 + nodes
        cells = [[int(v) for v in line.split(",")] for line in lines[first:first + elements]]
        blocks.append({"time": float(title_line[14:29]), "title": title_line[30:110],
                       "points": points, "elements": cells})
        at = first + elements
    return blocks


def csv_table(text):
    """A table of the extractor: its header numbers and one list of values per row, with the
    rows' continuation lines (which begin with a comma) joined to them."""
    rows = []
    for line in text.splitlines():
        cells = [cell.strip() for cell in line.split(",")]
        if line.startswith(",") and rows:
            rows[-1].extend(cells[1:])
        else:
            rows.append(cells)
    rows = [[cell for cell in row if cell] for row in rows]
    header = [int(cell) for cell in rows[0]]
    return header, [[float(cell) for cell in row] for row in rows[1:]]


@pytest.fixture
def programs():
    for program in (RESCONV, TSERIES):
        if not os.access(program, os.X_OK):
            pytest.fail("%s is not built" % program)
    return RESCONV, TSERIES


def tecplot_of(result_path, folder):
    """The converter's Tecplot file of every stored step of `result_path`, run in `folder`."""
    shutil.copy(result_path, folder / "RES.DAT")
    run = run_program(RESCONV, "1\nRES.DAT\n1\n0\n", folder)
    assert run.returncode == 0, run.stderr
    return (folder / "TECPLOT.TXT").read_text(encoding="ascii")


def graph_file(nodes, elements):
    """A graph data file listing `nodes` for the three node tables and `elements`, with room
    for them all."""
    def listed(numbers):
        text = "%5d\n" % len(numbers)
        for at in range(0, len(numbers), 10):
            text += "".join("%7d" % n for n in numbers[at:at + 10]) + "\n"
        return text if numbers else "%5d\n" % 0
    capacity = max(len(nodes), len(elements), 1)
    return ("%5d%5d%5d%5d%5d\n" % (1000, capacity, capacity, capacity, capacity)
            + listed(nodes) + listed(nodes) + listed(nodes) + listed(elements))


def tseries_tables(result_path, nodes, elements, folder):
    """The extractor's four tables for the lists, run in `folder`: name -> (header, rows)."""
    shutil.copy(result_path, folder / "RES.DAT")
    (folder / "GRAPH.DAT").write_text(graph_file(nodes, elements), encoding="ascii")
    run = run_program(TSERIES, "1\nRES.DAT\nGRAPH.DAT\n", folder)
    assert run.returncode == 0, run.stderr
    tables = {}
    for name in ("HTIME.CSV", "PTIME.CSV", "QTIME.CSV", "VTIME.CSV"):
        path = folder / name
        if path.exists():
            tables[name] = csv_table(path.read_text(encoding="ascii"))
    return tables


def child_environment(**more):
    """The environment of a child interpreter that imports this same module."""
    import seepage
    module_dir = str(pathlib.Path(seepage.__file__).resolve().parent)
    return dict(os.environ, PYTHONPATH=module_dir, **more)
