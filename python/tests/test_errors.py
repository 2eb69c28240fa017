"""Bad files raise Python exceptions carrying the programs' own stop message, and never end
the interpreter."""

import errno
import json
import subprocess
import sys

import pytest

import seepage
from conftest import EXAMPLE, TSERIES, child_environment, graph_file, run_program

EXAMPLE_LINES = EXAMPLE.read_text(encoding="ascii").splitlines(keepends=True)
NODES, ELEMENTS = 19, 5
MESH_LINES = 2 + NODES + ELEMENTS  # title, counts, node block, element block
STEP_LINES = 1 + NODES + ELEMENTS


def step_start(step):
    """The line of step `step`'s header (0-based, in file order)."""
    return MESH_LINES + step * STEP_LINES


def cut(lines, characters=0):
    """The example's first `lines` lines and `characters` characters of the next one."""
    return "".join(EXAMPLE_LINES[:lines]) + EXAMPLE_LINES[lines][:characters]


def replaced(line, old, new):
    text = list(EXAMPLE_LINES)
    assert old in text[line]
    text[line] = text[line].replace(old, new, 1)
    return "".join(text)


# Bad files: contents, and how many stored steps are read before the stop (None: the stop
# comes while opening).
BAD_FILES = {
    "empty": ("", None),
    "title only": (cut(1), None),
    "cut inside the element block": (cut(MESH_LINES - 2, 20), None),
    "negative count": ("title\n19 -5 8\n", None),
    "element naming a missing node": (replaced(MESH_LINES - 1, "   15", "   25"), None),
    "malformed coordinate": (replaced(3, "1.000000E+01", "1.0000x0E+01"), None),
    "cut after a step header": (cut(step_start(2) + 1), 2),
    "cut inside a step's node block": (cut(step_start(2) + 8, 30), 2),
    "cut inside a step's element block": (cut(step_start(3) + 1 + NODES + 2), 3),
    "malformed step value": (replaced(step_start(1) + 2, "E+00", "Q+00"), 1),
    "real where a node code belongs": (replaced(step_start(1) + 4, "   1\n", " 1.5\n"), 1),
    "counts beyond any memory": ("title\n2000000000 2000000000 8\n", None),
}


def extractor_stop(folder):
    """The extractor's stop line for RES.DAT in `folder`."""
    (folder / "GRAPH.DAT").write_text(graph_file([1], [1]), encoding="ascii")
    run = run_program(TSERIES, "1\nRES.DAT\nGRAPH.DAT\n", folder)
    assert run.returncode != 0
    return run.stderr.decode("ascii").strip()


@pytest.mark.parametrize("name", BAD_FILES)
def test_a_bad_file_raises_the_programs_stop_message(name, programs, tmp_path, monkeypatch):
    text, steps_before = BAD_FILES[name]
    (tmp_path / "RES.DAT").write_text(text, encoding="ascii")
    expected = extractor_stop(tmp_path)
    monkeypatch.chdir(tmp_path)

    if steps_before is None:
        with pytest.raises(seepage.ResultFileError) as raised:
            seepage.open("RES.DAT")
    else:
        with seepage.open("RES.DAT") as result:
            steps = iter(result)
            read = [next(steps) for _ in range(steps_before)]
            assert [step.number for step in read] == list(range(steps_before))
            with pytest.raises(seepage.ResultFileError) as raised:
                next(steps)
            # The file cannot be read on past a stop: the same stop again.
            with pytest.raises(seepage.ResultFileError) as again:
                next(steps)
            assert str(again.value) == str(raised.value)
            # Steps read before the stop keep their values.
            assert read[-1].pressure_head.shape == (NODES,)
    assert isinstance(raised.value, ValueError)
    if name == "counts beyond any memory":
        # The extractor's place line names its graph data file's capacities, which the module
        # has none of: the stop line is the same.
        expected = expected.splitlines()[0]
    assert str(raised.value) == expected

    with pytest.raises(seepage.ResultFileError) as from_histories:
        seepage.histories("RES.DAT", nodes=[1], elements=[1])
    assert str(from_histories.value) == expected


def test_a_missing_file_raises_file_not_found(programs, tmp_path, monkeypatch):
    expected = extractor_stop(tmp_path)  # no RES.DAT there
    assert "(29)" in expected
    monkeypatch.chdir(tmp_path)
    for call in (lambda: seepage.open("RES.DAT"), lambda: seepage.histories("RES.DAT", [1])):
        with pytest.raises(FileNotFoundError) as raised:
            call()
        assert raised.value.errno == errno.ENOENT
        assert raised.value.strerror == expected
        assert raised.value.filename == "RES.DAT"


def test_the_interpreter_outlives_every_bad_file(tmp_path):
    """Each bad file read in a child interpreter that must end normally after them all."""
    paths = []
    for at, (text, _) in enumerate(BAD_FILES.values()):
        path = tmp_path / ("BAD%02d.DAT" % at)
        path.write_text(text, encoding="ascii")
        paths.append(str(path))
    script = """
import json, sys
import seepage
outcomes = []
for path in sys.argv[1:]:
    try:
        with seepage.open(path) as result:
            for step in result:
                step.total_head.sum()
        outcomes.append("read")
    except seepage.ResultFileError as error:
        outcomes.append(type(error).__name__)
with seepage.open(%r) as result:
    outcomes.append(len(list(result)))
print(json.dumps(outcomes))
""" % str(EXAMPLE)
    child = subprocess.run([sys.executable, "-c", script] + paths, capture_output=True,
                           text=True, env=child_environment(), timeout=60)
    assert child.returncode == 0, child.stderr
    assert json.loads(child.stdout) == ["ResultFileError"] * len(paths) + [4]


def test_a_folder_raises_is_a_directory(programs, tmp_path, monkeypatch):
    (tmp_path / "RES.DAT").mkdir()
    expected = extractor_stop(tmp_path)
    monkeypatch.chdir(tmp_path)
    for call in (lambda: seepage.open("RES.DAT"), lambda: seepage.histories("RES.DAT", [1])):
        with pytest.raises(IsADirectoryError) as raised:
            call()
        assert raised.value.strerror == expected


def test_a_list_number_outside_the_file_raises_value_error():
    cases = [({"nodes": [0]}, "node 0"), ({"nodes": [1, NODES + 1]}, "node 20"),
             ({"elements": [-3]}, "element -3"), ({"elements": [ELEMENTS + 1]}, "element 6")]
    for lists, named in cases:
        with pytest.raises(ValueError) as raised:
            seepage.histories(EXAMPLE, **lists)
        assert not isinstance(raised.value, seepage.ResultFileError)
        assert named in str(raised.value)
