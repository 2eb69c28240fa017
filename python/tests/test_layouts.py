"""Line layouts the solver may write, null values, repeat counts and slashes: every layout of
the same values reads the same, and null values keep what the programs keep."""

import re
import subprocess

import numpy as np
import pytest

import seepage
from conftest import (EXAMPLE, EXAMPLE_COMMAND, GENERATOR, rounded, tecplot_blocks, tecplot_of,
                      tseries_tables)


def everything(path):
    """Every value of a result file, as plain lists, for comparing two readings."""
    with seepage.open(path) as result:
        model = {name: getattr(result, name).tolist()
                 for name in ("x", "y", "z", "connectivity", "material")}
        model["title"] = result.title
        model["initial"] = [getattr(result.initial, name).tolist()
                            for name in ("pressure_head", "discharge", "node_code")]
        model["steps"] = [(step.number, step.time, step.pressure_head.tolist(),
                           step.discharge.tolist(), step.node_code.tolist(),
                           step.velocity.tolist()) for step in result]
    return model


def one_value_per_line(text):
    lines = text.splitlines(keepends=True)
    return lines[0] + "".join(value + "\n" for line in lines[1:] for value in line.split())


def tabs_and_commas(text):
    lines = text.splitlines(keepends=True)
    return lines[0] + "".join(re.sub(r"(\S) +(?=\S)", r"\1,\t", line) for line in lines[1:])


def mixed_example(tmp_path):
    """The example's values in the generator's mixed layout: seven values to a line whatever
    the block, comma separators, r*value repeats and D exponents."""
    path = tmp_path / "MIXED.DAT"
    subprocess.run([str(GENERATOR)] + EXAMPLE_COMMAND + ["--layout", "mixed", "--out", str(path)],
                   check=True, capture_output=True)
    text = path.read_text(encoding="ascii")
    assert "*" in text and "D" in text and "," in text
    return text


LAYOUTS = {
    "CR LF line ends": lambda plain, mixed: plain.replace("\n", "\r\n"),
    "no line end after the last record": lambda plain, mixed: plain.rstrip("\n"),
    "one value per line": lambda plain, mixed: one_value_per_line(plain),
    "commas and tabs": lambda plain, mixed: tabs_and_commas(plain),
    "mixed": lambda plain, mixed: mixed,
    "mixed with CR LF line ends": lambda plain, mixed: mixed.replace("\n", "\r\n"),
}


@pytest.mark.parametrize("layout", LAYOUTS)
def test_every_layout_reads_as_the_plain_one(layout, tmp_path):
    plain = EXAMPLE.read_text(encoding="ascii")
    path = tmp_path / "RES.DAT"
    path.write_bytes(LAYOUTS[layout](plain, mixed_example(tmp_path)).encode("ascii"))
    assert everything(path) == everything(EXAMPLE)


# Three nodes, two prisms (the second left out). Step 1 gives every value; the later steps
# leave values out with null values (two commas, a comma at a record's start, r*), end blocks
# early with slashes, and use repeat counts. Values: pressure head, discharge, node code.
NULLS_AFTER_FIRST_STEP = """nulls, repeats and slashes
3 2 8
0 0 1.0 5.0 0.5 1
1 0 1.0 6.0 0.25 2
2 0 1.0 7.0 0.125 3
1 2 3 0 0 0 0 0 1
1 2 3 3 0 0 0 0 -1
1 10.0
5.5 0.5 1 7.5 0.75 1 7.25 0.125 3
1.0 2.0 3.0 4.0 5.0 6.0
2 20.0 99 extra values ignored
8.0 ,, 2*
0.5 /
,2*,6.0, 2*9.0
3 30.0
1*4.0 0.0 1*0 3*
1.5 0.1 7
6*1.0
4 40.0
/
/
"""
# What each step holds, worked out by hand: a null value keeps the step before's value.
EXPECTED_AFTER_FIRST_STEP = [
    (1, 10.0, [5.5, 7.5, 7.25], [0.5, 0.75, 0.125], [1, 1, 3], [[1, 2, 3], [4, 5, 6]]),
    (2, 20.0, [8.0, 7.5, 7.25], [0.5, 0.5, 0.125], [1, 1, 3], [[1, 2, 3], [6, 9, 9]]),
    (3, 30.0, [4.0, 7.5, 1.5], [0.0, 0.5, 0.1], [0, 1, 7], [[1, 1, 1], [1, 1, 1]]),
    (4, 40.0, [4.0, 7.5, 1.5], [0.0, 0.5, 0.1], [0, 1, 7], [[1, 1, 1], [1, 1, 1]]),
]

# Null values in the first step keep the initial state; velocities start at 0.0.
NULLS_IN_FIRST_STEP = """nulls in the first step
2 1 8
0 0 1.0 5.0 0.5 1
1 0 1.0 6.0 0.25 2
1 2 0 0 0 0 0 0 1
1 10.0
,,,7.5 0.75 1
1.0,,3.0
"""
EXPECTED_IN_FIRST_STEP = [
    (1, 10.0, [5.0, 7.5], [0.5, 0.75], [1, 1], [[1.0, 0.0, 3.0]]),
]


def steps_of(path):
    with seepage.open(path) as result:
        return [(step.number, step.time, step.pressure_head.tolist(), step.discharge.tolist(),
                 step.node_code.tolist(), step.velocity.tolist()) for step in result]


@pytest.mark.parametrize("text, expected", [
    (NULLS_AFTER_FIRST_STEP, EXPECTED_AFTER_FIRST_STEP),
    (NULLS_IN_FIRST_STEP, EXPECTED_IN_FIRST_STEP),
], ids=["after the first step", "in the first step"])
def test_null_values_keep_the_previous_values(text, expected, programs, tmp_path):
    path = tmp_path / "NULLS.DAT"
    path.write_text(text, encoding="ascii")
    assert steps_of(path) == expected

    # The converter reads every step into the same arrays: its Tecplot blocks show the same
    # pressure and total heads.
    work = tmp_path / "tecplot"
    work.mkdir()
    blocks = tecplot_blocks(tecplot_of(path, work))[1:]
    with seepage.open(path) as result:
        for block, step in zip(blocks, result):
            assert [row[3] for row in block["points"]] == [rounded(v, 4)
                                                          for v in step.pressure_head]
            assert [row[4] for row in block["points"]] == [rounded(v, 4) for v in step.total_head]

    history = seepage.histories(path, nodes=range(1, len(expected[0][2]) + 1),
                                elements=range(1, len(expected[0][5]) + 1))
    assert history["pressure_head"].tolist() == [step[2] for step in expected]
    assert history["discharge"].tolist() == [step[3] for step in expected]
    assert history["velocity"].tolist() == [step[5] for step in expected]


def test_null_values_after_the_first_step_match_the_extractor(programs, tmp_path):
    path = tmp_path / "NULLS.DAT"
    path.write_text(NULLS_AFTER_FIRST_STEP, encoding="ascii")
    nodes, elements = [1, 2, 3], [1, 2]
    tables = tseries_tables(path, nodes, elements, tmp_path)
    history = seepage.histories(path, nodes=nodes, elements=elements)
    for name, key in (("HTIME.CSV", "total_head"), ("PTIME.CSV", "pressure_head"),
                      ("QTIME.CSV", "discharge"), ("VTIME.CSV", "velocity")):
        _, rows = tables[name]
        values = history[key].reshape(len(rows), -1)
        expected = [[rounded(t, 8)] + [rounded(v, 8) for v in row]
                    for t, row in zip(history["time"], values)]
        assert rows == expected, name
    np.testing.assert_array_equal(history["total_head"],
                                  history["pressure_head"] + np.array([1.0, 1.0, 1.0]))


@pytest.mark.parametrize("title, expected", [
    (b"short", "short".ljust(80)),
    (b"x" * 79 + b"yz" + b"w" * 19, "x" * 79 + "y"),
    ("浸透流 解析".encode("cp932"), "浸透流 解析".ljust(80 - 5)),  # 11 bytes, 6 characters
    # A double-byte character cut by the 80th column becomes a replacement character.
    (b"a" * 79 + "浸".encode("cp932"), "a" * 79 + "\ufffd"),
], ids=["padded", "cut at 80", "code page 932", "character cut at 80"])
def test_the_title_is_the_first_80_bytes_of_the_first_record(title, expected, tmp_path):
    path = tmp_path / "TITLE.DAT"
    path.write_bytes(title + b"\r\n1 0 8\n0 0 0 1.0 0.0 0\n\n")
    with seepage.open(path) as result:
        assert result.title == expected
        assert result.node_count == 1 and list(result) == []
