"""Steps handed over one at a time: each keeps its own arrays, passes are independent, and a
closed file reads no further."""

import gc
import threading

import numpy as np
import pytest

import seepage
from conftest import EXAMPLE


def snapshot(step):
    return (step.number, step.time, step.pressure_head.copy(), step.discharge.copy(),
            step.node_code.copy(), step.velocity.copy(), step.total_head.copy())


def assert_same(a, b):
    assert a[:2] == b[:2]
    for left, right in zip(a[2:], b[2:]):
        np.testing.assert_array_equal(left, right)


def test_a_step_keeps_its_values_after_the_iteration_moves_on_and_the_file_closes():
    with seepage.open(EXAMPLE) as result:
        steps, taken = [], []
        for step in result:
            steps.append(step)
            taken.append(snapshot(step))
    arrays = [step.velocity for step in steps]
    del steps[1:]
    gc.collect()
    for step, values in zip(steps, taken):
        assert_same(snapshot(step), values)
    # An array alone keeps its step's buffer.
    np.testing.assert_array_equal(arrays[3], taken[3][5])
    # Every step read into arrays of its own.
    assert not np.shares_memory(arrays[0], arrays[1])


def test_velocity_columns_are_the_x_y_z_components_of_each_element():
    with seepage.open(EXAMPLE) as result:
        first = next(iter(result))
    # Step 0 of the example, element 1 and element 5 (the last), as written in the file.
    np.testing.assert_array_equal(first.velocity[0], [1.256064e-05, -2.295144e-07, 3.367483e-07])
    np.testing.assert_array_equal(first.velocity[4], [1.399841e-05, 1.806420e-06, -7.796491e-07])
    np.testing.assert_array_equal(first.velocity[2], [0.0, 0.0, 0.0])


def test_every_pass_reads_every_step_and_passes_are_independent():
    with seepage.open(EXAMPLE) as result:
        first = [snapshot(step) for step in result]
        assert len(first) == 4
        second = [snapshot(step) for step in result]
        for a, b in zip(first, second):
            assert_same(a, b)
        # Two passes at once, interleaved.
        one, two = iter(result), iter(result)
        assert [next(one).number, next(one).number, next(two).number, next(one).number] == [
            0, 1, 0, 2]


def test_a_closed_file_reads_no_further_but_what_was_read_stays():
    result = seepage.open(EXAMPLE)
    steps = iter(result)
    step = next(steps)
    x = result.x
    result.close()
    assert result.closed
    with pytest.raises(ValueError, match="closed"):
        next(steps)
    with pytest.raises(ValueError, match="closed"):
        iter(result)
    assert step.number == 0 and step.pressure_head.shape == (19,)
    assert x[1] == 10.0 and result.node_count == 19
    result.close()  # closing twice is harmless


def test_a_pass_ends_for_good():
    with seepage.open(EXAMPLE) as result:
        steps = iter(result)
        assert len(list(steps)) == 4
        with pytest.raises(StopIteration):
            next(steps)


@pytest.mark.parametrize("name", ["pressure_head", "discharge", "node_code", "velocity",
                                  "total_head"])
def test_step_arrays_are_read_only(name):
    with seepage.open(EXAMPLE) as result:
        for state in (result.initial, next(iter(result))):
            if name == "velocity" and state is result.initial:
                continue
            array = getattr(state, name)
            with pytest.raises(ValueError):
                array[0] = 1
            with pytest.raises(ValueError):
                array.setflags(write=True)


def test_threads_read_passes_of_their_own():
    with seepage.open(EXAMPLE) as result:
        expected = [snapshot(step) for step in result]
        found = {}

        def read(key):
            found[key] = [snapshot(step) for step in result]

        threads = [threading.Thread(target=read, args=(k,)) for k in range(4)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
    for values in found.values():
        for a, b in zip(values, expected):
            assert_same(a, b)


def test_histories_equal_the_steps_read_one_by_one(tmp_path):
    nodes, elements = [19, 1, 5, 5], [5, 3, 1]
    history = seepage.histories(EXAMPLE, nodes=np.array(nodes), elements=tuple(elements))
    with seepage.open(EXAMPLE) as result:
        steps = list(result)
    index = np.array(nodes) - 1
    np.testing.assert_array_equal(history["number"], [step.number for step in steps])
    np.testing.assert_array_equal(history["time"], [step.time for step in steps])
    for key in ("total_head", "pressure_head", "discharge"):
        np.testing.assert_array_equal(history[key],
                                      [getattr(step, key)[index] for step in steps])
    np.testing.assert_array_equal(history["velocity"],
                                  [step.velocity[np.array(elements) - 1] for step in steps])
    assert history["number"].dtype == np.int32


def test_histories_of_no_point_still_give_the_times():
    history = seepage.histories(EXAMPLE)
    assert history["time"].tolist() == [0.0, 10.0, 25.0, 45.0]
    assert history["total_head"].shape == (4, 0)
    assert history["velocity"].shape == (4, 0, 3)


def test_a_file_without_steps(tmp_path):
    lines = EXAMPLE.read_text(encoding="ascii").splitlines(keepends=True)
    path = tmp_path / "MESH.DAT"
    path.write_text("".join(lines[:2 + 19 + 5]), encoding="ascii")
    with seepage.open(path) as result:
        assert list(result) == []
        assert result.initial.pressure_head[0] == 3.199733
    history = seepage.histories(path, nodes=[1], elements=[1])
    assert history["time"].shape == (0,) and history["total_head"].shape == (0, 1)
    assert history["velocity"].shape == (0, 1, 3)


def test_an_empty_mesh(tmp_path):
    # No nodes and no elements: each block still takes one record.
    path = tmp_path / "EMPTY.DAT"
    path.write_text("empty\n0 0 8\n\n\n7 1.5\n\n\n", encoding="ascii")
    with seepage.open(path) as result:
        assert result.x.shape == (0,) and result.connectivity.shape == (0, 8)
        steps = list(result)
    assert [(step.number, step.time) for step in steps] == [(7, 1.5)]
    assert steps[0].velocity.shape == (0, 3)


def _interrupted_while_reading(tmp_path, reading):
    """Runs reading(path) on a result file of about 80 MB (its reading takes a tenth of a
    second at the least) with Ctrl-C coming 20 ms in; tells whether the file was still open
    when the interrupt was handled: inside the reading, not after it."""
    import _thread
    import os
    import signal
    import subprocess
    from conftest import GENERATOR
    path = tmp_path / "LARGE.DAT"
    subprocess.run([str(GENERATOR), "--nx", "60", "--ny", "60", "--nz", "20", "--target-mb",
                    "80", "--out", str(path)], check=True, capture_output=True)
    open_when_handled = []

    def on_interrupt(number, frame):
        names = [os.path.realpath("/proc/self/fd/" + fd) for fd in os.listdir("/proc/self/fd")]
        open_when_handled.append(str(path.resolve()) in names)
        raise KeyboardInterrupt

    previous = signal.signal(signal.SIGINT, on_interrupt)
    timer = threading.Timer(0.02, _thread.interrupt_main)
    try:
        with pytest.raises(KeyboardInterrupt):
            reading(path, timer.start)
    finally:
        timer.cancel()
        signal.signal(signal.SIGINT, previous)
    return open_when_handled == [True]


def test_an_interrupt_ends_a_long_histories_reading(tmp_path):
    def reading(path, start_interrupt):
        start_interrupt()
        seepage.histories(path, nodes=[1])

    assert _interrupted_while_reading(tmp_path, reading)


def test_an_interrupt_ends_a_long_pass_over_the_steps(tmp_path):
    import collections

    # The steps are taken by C code (a deque), with no Python run between two of them.
    def reading(path, start_interrupt):
        with seepage.open(path) as result:
            start_interrupt()
            collections.deque(result, maxlen=0)

    assert _interrupted_while_reading(tmp_path, reading)
