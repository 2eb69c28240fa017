"""The bundled example read whole and compared value for value with the programs' own outputs
of the same file: the converter's Tecplot file (four significant digits) and the extractor's
tables (eight)."""

import numpy as np
import pytest

import seepage
from conftest import EXAMPLE, rounded, tecplot_blocks, tecplot_of, tseries_tables

# Slots of an element written to a Tecplot element record, 1-based.
HEXAHEDRON_ORDER = [5, 6, 7, 8, 1, 2, 3, 4]
PRISM_ORDER = [4, 5, 6, 6, 1, 2, 3, 3]


def nodal_velocities(result, velocity):
    """The mean velocity of the shown elements around each node, in the converter's order of
    summing (elements ascending, slots ascending)."""
    sums = np.zeros((result.node_count, 3))
    counts = np.zeros(result.node_count, dtype=int)
    for element in range(result.element_count):
        if result.material[element] < 0:
            continue
        for node in result.connectivity[element]:
            if node != 0:
                sums[node - 1] += velocity[element]
                counts[node - 1] += 1
    shown = counts > 0
    sums[shown] /= counts[shown, None]
    return sums


def read_whole(path):
    with seepage.open(path) as result:
        return result, list(result)


def test_mesh_and_every_step_match_the_tecplot_file(programs, tmp_path):
    result, steps = read_whole(EXAMPLE)
    blocks = tecplot_blocks(tecplot_of(EXAMPLE, tmp_path))
    assert (result.node_count, result.element_count, result.nodes_per_element) == (19, 5, 8)
    assert len(steps) == 4 and len(blocks) == 1 + len(steps)

    # The first block is the initial state at time 0.0 with zero velocities.
    states = [(0.0, result.initial, np.zeros((result.element_count, 3)))]
    states += [(step.time, step, step.velocity) for step in steps]
    for block, (time, state, velocity) in zip(blocks, states):
        assert block["title"] == result.title
        assert block["time"] == rounded(time, 7)
        expected = np.column_stack([result.x, result.y, result.z, state.pressure_head,
                                    state.total_head, nodal_velocities(result, velocity)])
        assert len(block["points"]) == result.node_count
        for node, (written, values) in enumerate(zip(block["points"], expected), start=1):
            assert written == [rounded(v, 4) for v in values], "node %d" % node

    # Element records: the shown elements, their slots in the converter's order.
    shown = [row for row, material in zip(result.connectivity, result.material) if material >= 0]
    expected_cells = [[int(row[slot - 1]) for slot in
                       (HEXAHEDRON_ORDER if row[6] or row[7] else PRISM_ORDER)] for row in shown]
    for block in blocks:
        assert block["elements"] == expected_cells


def test_every_node_and_element_match_the_extractor_tables(programs, tmp_path):
    result, steps = read_whole(EXAMPLE)
    nodes = list(range(1, result.node_count + 1))
    elements = list(range(1, result.element_count + 1))
    tables = tseries_tables(EXAMPLE, nodes, elements, tmp_path)

    columns = {"HTIME.CSV": lambda step: step.total_head,
               "PTIME.CSV": lambda step: step.pressure_head,
               "QTIME.CSV": lambda step: step.discharge,
               "VTIME.CSV": lambda step: step.velocity.reshape(-1)}
    for name, values_of in columns.items():
        header, rows = tables[name]
        assert header == (nodes if name != "VTIME.CSV" else [e for e in elements for _ in "xyz"])
        assert len(rows) == len(steps)
        for step, row in zip(steps, rows):
            expected = [rounded(step.time, 8)] + [rounded(v, 8) for v in values_of(step)]
            assert row == expected, "%s, step %d" % (name, step.number)


def test_step_headers_counts_and_array_types():
    result, steps = read_whole(EXAMPLE)
    assert [(step.number, step.time) for step in steps] == [(0, 0.0), (1, 10.0), (2, 25.0),
                                                           (3, 45.0)]
    assert result.title == "example: four cells, one split into two prisms".ljust(80)
    n, e, k = result.node_count, result.element_count, result.nodes_per_element
    expected = {"x": (np.float64, (n,)), "y": (np.float64, (n,)), "z": (np.float64, (n,)),
                "connectivity": (np.int32, (e, k)), "material": (np.int32, (e,))}
    for name, (dtype, shape) in expected.items():
        array = getattr(result, name)
        assert (array.dtype, array.shape) == (dtype, shape), name
    for state in [result.initial] + steps:
        for name in ("pressure_head", "discharge", "total_head"):
            assert getattr(state, name).dtype == np.float64 and getattr(state, name).shape == (n,)
        assert state.node_code.dtype == np.int32 and state.node_code.shape == (n,)
    for step in steps:
        assert step.velocity.dtype == np.float64 and step.velocity.shape == (e, 3)
    # Element 3 is left out of the outputs, node 19 belongs to no element.
    assert list(result.material) == [1, 1, -2, 2, 2]
    assert 19 not in result.connectivity
    assert list(result.connectivity[2]) == [7, 10, 11, 13, 16, 17, 0, 0]
    np.testing.assert_array_equal(result.initial.total_head,
                                  result.initial.pressure_head + result.z)


@pytest.mark.parametrize("name", ["x", "y", "z", "connectivity", "material"])
def test_mesh_arrays_are_read_only(name):
    with seepage.open(EXAMPLE) as result:
        array = getattr(result, name)
        with pytest.raises(ValueError):
            array[0] = 1


LISTS = {
    "every node and element": (list(range(1, 20)), [1, 2, 3, 4, 5]),
    # 150 velocity columns: rows wrap after 132 values.
    "repeats, rows that wrap": ([19, 1, 5, 5, 12] * 28, [5, 4, 3, 2, 1] * 10),
    "nodes only": ([7, 3], []),
    "elements only": ([], [3]),
}


@pytest.mark.parametrize("lists", LISTS)
def test_histories_equal_the_extractor_tables(lists, programs, tmp_path):
    nodes, elements = LISTS[lists]
    tables = tseries_tables(EXAMPLE, nodes, elements, tmp_path)
    history = seepage.histories(EXAMPLE, nodes=nodes, elements=elements)
    wanted = {"HTIME.CSV": "total_head", "PTIME.CSV": "pressure_head", "QTIME.CSV": "discharge"}
    if nodes:
        for name, key in wanted.items():
            header, rows = tables[name]
            assert header == nodes
            assert rows == [[rounded(t, 8)] + [rounded(v, 8) for v in row]
                            for t, row in zip(history["time"], history[key])], name
    if elements:
        header, rows = tables["VTIME.CSV"]
        assert header == [e for e in elements for _ in "xyz"]
        assert rows == [[rounded(t, 8)] + [rounded(v, 8) for v in row.reshape(-1)]
                        for t, row in zip(history["time"], history["velocity"])]
    # A table of an empty list is not written.
    assert set(tables) == ({"HTIME.CSV", "PTIME.CSV", "QTIME.CSV"} if nodes else set()) | (
        {"VTIME.CSV"} if elements else set())
    assert history["total_head"].shape == (4, len(nodes))
    assert history["velocity"].shape == (4, len(elements), 3)
