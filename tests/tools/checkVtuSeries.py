#!/usr/bin/python3
"""Checks a ParaView series of the converter with VTK's own reader and with meshio.

The expected outputs are worked out here from the result file itself, the way the converter's
step loop hands them to the writers: the initial state at time 0.0 with zero element
velocities, then every stored step, or, with an output-time file, every requested time in
(previous step time, step time], interpolated linearly (a stored step numbered 0 is shown as
stored). Values must be equal to the last bit; the Tecplot file of the same run, if given, must
agree within its four significant digits.

  checkVtuSeries.py VTK.pvd --result RES.DAT [--times OTF.DAT] [--tecplot TECPLOT.TXT]
                    [--compressed] [--ended-early [--leftovers]]
  checkVtuSeries.py VTKMESH.pvd --result RES.DAT --submesh OTF.DAT [--section] [--compressed]
                    [--ended-early [--leftovers]]

A run that ended early (--ended-early) lists the first outputs only, at least one; a run that
was killed may leave files in the series' folder that its collection does not list
(--leftovers): the step file it was writing, and those of an earlier, longer run.

Exit status 0 when every check passes; otherwise the failures are listed on standard error.
"""
import argparse
import math
import os
import re
import sys
import xml.etree.ElementTree as ElementTree

import meshio
import numpy
import vtk
from vtk.util.numpy_support import vtk_to_numpy

HEXAHEDRON, WEDGE, TRIANGLE, QUAD = 12, 13, 5, 9
HEXAHEDRON_SLOTS = (5, 6, 7, 8, 1, 2, 3, 4)
PRISM_SLOTS = (1, 2, 3, 4, 5, 6)

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


# ---------------------------------------------------------------------------------------------
# Reading the result file and the output-time file.

class FreeFormRecords:
    """Free-form read statements over the records of a text file: each statement starts on a
    new record and drops the rest of the record where it ends."""

    def __init__(self, lines):
        self.lines = lines
        self.next = 0

    def at_end(self):
        return self.next >= len(self.lines)

    def read(self, count):
        if count == 0:  # a block of no values still takes one record
            self.next += 1
            return []
        values = []
        while len(values) < count:
            if self.at_end():
                raise EOFError("the file ends inside a block")
            line = self.lines[self.next]
            self.next += 1
            for token in re.split(r"[\s,]+", line.strip()):
                if not token:
                    continue
                repeat = 1
                if "*" in token:
                    repeat, token = token.split("*", 1)
                    repeat = int(repeat)
                values.extend([token.replace("D", "E").replace("d", "e")] * repeat)
        return values[:count]


def to_float(token):
    return float(token)


class ResultFile:
    def __init__(self, path):
        with open(path) as f:
            lines = f.read().splitlines()
        records = FreeFormRecords(lines[1:])
        n, e, k = (int(v) for v in records.read(3))
        self.node_count, self.element_count, self.nodes_per_element = n, e, k
        node_values = records.read(6 * n) if n else records.read(0)
        self.x = [to_float(v) for v in node_values[0::6]]
        self.y = [to_float(v) for v in node_values[1::6]]
        self.z = [to_float(v) for v in node_values[2::6]]
        self.pressure_head = [to_float(v) for v in node_values[3::6]]
        self.discharge = [to_float(v) for v in node_values[4::6]]
        self.node_code = [int(v) for v in node_values[5::6]]
        element_values = [int(v) for v in records.read((k + 1) * e)] if e else records.read(0)
        self.connectivity = [element_values[i * (k + 1):i * (k + 1) + k] for i in range(e)]
        self.material_no = [element_values[i * (k + 1) + k] for i in range(e)]
        self.steps = []
        while not records.at_end():
            header = records.read(2)
            values = records.read(3 * n) if n else records.read(0)
            velocities = [to_float(v) for v in records.read(3 * e)] if e else records.read(0)
            self.steps.append({
                "stepNo": int(header[0]),
                "time": to_float(header[1]),
                "pressureHead": [to_float(v) for v in values[0::3]],
                "discharge": [to_float(v) for v in values[1::3]],
                "nodeCode": [int(v) for v in values[2::3]],
                "vx": velocities[0::3], "vy": velocities[1::3], "vz": velocities[2::3],
            })

    def slot(self, element, slot):
        """Node number of a 1-based slot of element index `element` (0-based); 0 beyond K."""
        row = self.connectivity[element]
        return row[slot - 1] if slot <= len(row) else 0

    def is_hexahedron(self, element):
        return self.slot(element, 7) != 0 or self.slot(element, 8) != 0

    def shown_elements(self):
        return [e for e in range(self.element_count) if self.material_no[e] >= 0]


class OutputTimeFile:
    def __init__(self, path):
        with open(path) as f:
            lines = f.read().splitlines()
        field = lines[0][:5].strip()
        count = int(field) if field else 0
        at = 1
        self.times = []
        if count != 0:
            needed = max(count, 0)
            while True:
                line = lines[at]
                at += 1
                for column in range(0, 80, 10):
                    if len(self.times) >= needed:
                        break
                    text = line[column:column + 10].strip()
                    self.times.append(float(text) if text else 0.0)
                if len(self.times) >= needed:
                    break
        counts = lines[at]
        at += 1
        points = int(counts[0:5].strip() or 0)
        elements = int(counts[5:10].strip() or 0)
        self.point_x = [0.0] * points
        self.point_y = [0.0] * points
        self.point_z = [0.0] * points
        for _ in range(points):
            number, x, y, z = lines[at].replace(",", " ").split()[:4]
            at += 1
            number = int(number)
            if 1 <= number <= points:
                self.point_x[number - 1] = float(x)
                self.point_y[number - 1] = float(y)
                self.point_z[number - 1] = float(z)
        self.elements = []
        for _ in range(elements if points else 0):
            fields = lines[at].replace(",", " ").split()
            at += 1
            self.elements.append([int(v) for v in fields[1:5]])


# ---------------------------------------------------------------------------------------------
# The outputs the converter shows.

def nodal_velocities(result, vx, vy, vz):
    """The plain mean of the shown elements' velocities around each node, summed in element
    and slot order."""
    n = result.node_count
    sums = [[0.0, 0.0, 0.0] for _ in range(n)]
    count = [0] * n
    for e in range(result.element_count):
        if result.material_no[e] < 0:
            continue
        for node in result.connectivity[e]:
            if 1 <= node <= n:
                s = sums[node - 1]
                s[0] += vx[e]
                s[1] += vy[e]
                s[2] += vz[e]
                count[node - 1] += 1
    return [[v / c for v in s] if c else [0.0, 0.0, 0.0] for s, c in zip(sums, count)]


def interpolate(current, previous, a, b, d):
    return [(p * a + q * b) / d for p, q in zip(current, previous)]


def solid_outputs(result, times):
    """The shown states, in output order: dicts of time, stepNo and the arrays."""
    zero = [0.0] * result.element_count
    initial = {"time": 0.0, "stepNo": 0, "pressureHead": result.pressure_head,
               "discharge": result.discharge, "nodeCode": result.node_code,
               "vx": zero, "vy": zero, "vz": zero}
    outputs = [initial]
    previous = dict(initial)
    previous_time = 0.0
    for step in result.steps:
        if times is not None and step["stepNo"] != 0:
            for t in times:
                if not (previous_time < t <= step["time"]):
                    continue
                a, b, d = t - previous_time, step["time"] - t, step["time"] - previous_time
                shown = {"time": t, "stepNo": step["stepNo"], "nodeCode": step["nodeCode"]}
                for name in ("pressureHead", "discharge", "vx", "vy", "vz"):
                    shown[name] = interpolate(step[name], previous[name], a, b, d)
                outputs.append(shown)
        else:
            outputs.append(step)
        previous = step
        previous_time = step["time"]
    return outputs


def signed_volume(q1, q2, q3, q4):
    ax, ay, az = q2[0] - q1[0], q2[1] - q1[1], q2[2] - q1[2]
    bx, by, bz = q4[0] - q1[0], q4[1] - q1[1], q4[2] - q1[2]
    cx, cy, cz = q3[0] - q1[0], q3[1] - q1[1], q3[2] - q1[2]
    return (ax * (by * cz - bz * cy) + ay * (bz * cx - bx * cz) + az * (bx * cy - by * cx)) / 6.0


PRISM_TETRAHEDRA = ((1, 2, 3, 4), (3, 5, 6, 4), (2, 5, 3, 4))
HEXAHEDRON_TETRAHEDRA = ((1, 2, 4, 5), (4, 6, 8, 5), (2, 6, 4, 5), (2, 3, 4, 6), (4, 7, 8, 6),
                         (3, 7, 4, 6))


def locate(result, point):
    """Vertices and weights of the first tetrahedron, in element and table order, that holds
    the point; None when none does."""
    def corner(node):
        return (result.x[node - 1], result.y[node - 1], result.z[node - 1])
    for e in range(result.element_count):
        prism = result.slot(e, 8) == 0
        for tetrahedron in PRISM_TETRAHEDRA if prism else HEXAHEDRON_TETRAHEDRA:
            nodes = [result.slot(e, s) for s in tetrahedron]
            if any(not 1 <= node <= result.node_count for node in nodes):
                continue
            t1, t2, t3, t4 = (corner(node) for node in nodes)
            volume = signed_volume(t1, t2, t3, t4)
            if volume <= 0.0:
                continue
            parts = (signed_volume(t2, t4, t3, point), signed_volume(t1, t3, t4, point),
                     signed_volume(t1, t4, t2, point), signed_volume(t1, t2, t3, point))
            if all(part >= 0.0 for part in parts):
                return nodes, [part / volume for part in parts]
    return None


def submesh_outputs(result, otf):
    """Total and pressure heads at the sub-mesh points, at the outputs of the sub-mesh forms:
    the initial state (values still 0.0), then per stored step every requested time in its
    interval and the stored step itself."""
    points = list(zip(otf.point_x, otf.point_y, otf.point_z))
    where = [locate(result, p) for p in points]

    def values(pressure_head):
        total = []
        for location in where:
            t = 0.0
            if location:
                for node, weight in zip(*location):
                    t += weight * (pressure_head[node - 1] + result.z[node - 1])
            total.append(t)
        return total, [t - p[2] for t, p in zip(total, points)]

    zeros = [0.0] * len(points)
    outputs = [{"time": 0.0, "stepNo": 0, "totalHead": zeros, "pressureHead": zeros}]
    previous_head = result.pressure_head
    previous_time = 0.0
    for step in result.steps:
        if step["stepNo"] != 0:
            for t in otf.times:
                if not (previous_time < t <= step["time"]):
                    continue
                a, b, d = t - previous_time, step["time"] - t, step["time"] - previous_time
                total, pressure = values(interpolate(step["pressureHead"], previous_head, a, b, d))
                outputs.append({"time": t, "stepNo": step["stepNo"], "totalHead": total,
                                "pressureHead": pressure})
        total, pressure = values(step["pressureHead"])
        outputs.append({"time": step["time"], "stepNo": step["stepNo"], "totalHead": total,
                        "pressureHead": pressure})
        previous_head = step["pressureHead"]
        previous_time = step["time"]
    return outputs


# ---------------------------------------------------------------------------------------------
# Reading the series.

def read_collection(pvd_path, stem, leftovers=False):
    """The (time, file) pairs of the collection, checked for numbering and, unless allowed,
    leftovers."""
    root = ElementTree.parse(pvd_path).getroot()
    check(root.get("type") == "Collection", f"{pvd_path}: VTKFile type is not Collection")
    entries = []
    for index, dataset in enumerate(root.iter("DataSet")):
        name = dataset.get("file")
        check(name == f"{stem}/{stem}_{index:04d}.vtu",
              f"{pvd_path}: DataSet {index} names {name}")
        entries.append((float(dataset.get("timestep")), name))
    folder = os.path.join(os.path.dirname(pvd_path), stem)
    listed = {os.path.basename(name) for _, name in entries}
    for leaf in sorted(os.listdir(folder)):
        check(leftovers or leaf in listed, f"{folder}: {leaf} is not listed in the collection")
    return entries


def check_count(args, entries, outputs):
    """All the outputs, or with --ended-early the first of them."""
    if args.ended_early:
        check(1 <= len(entries) <= len(outputs),
              f"{args.pvd}: {len(entries)} outputs listed, 1 to {len(outputs)} expected")
    else:
        check(len(entries) == len(outputs),
              f"{args.pvd}: {len(entries)} outputs listed, {len(outputs)} expected")


def read_grid(path, compressed):
    with open(path, "rb") as f:
        head = f.read(400)
    check((b'compressor="vtkZLibDataCompressor"' in head) == compressed,
          f"{path}: compressor attribute does not match the encoding")
    check(b'header_type="UInt64"' in head, f"{path}: header_type is not UInt64")
    reader = vtk.vtkXMLUnstructuredGridReader()
    errors = []
    reader.AddObserver("ErrorEvent", lambda caller, event: errors.append(event))
    reader.SetFileName(path)
    reader.Update()
    check(not errors, f"{path}: VTK's reader reports an error")
    grid = reader.GetOutput()
    check(grid is not None and grid.GetNumberOfPoints() >= 0, f"{path}: VTK read nothing")
    return grid


def array(data, name, path, components=1, kind="f8"):
    a = data.GetArray(name)
    if not check(a is not None, f"{path}: no array {name}"):
        return None
    check(a.GetNumberOfComponents() == components,
          f"{path}: {name} has {a.GetNumberOfComponents()} components")
    values = vtk_to_numpy(a)
    check(values.dtype == numpy.dtype(kind), f"{path}: {name} is {values.dtype}, not {kind}")
    return values


def same(path, name, actual, expected):
    if actual is None:
        return
    expected = numpy.asarray(expected)
    if not check(actual.shape == expected.shape,
                 f"{path}: {name} has shape {actual.shape}, not {expected.shape}"):
        return
    differ = numpy.flatnonzero(actual.ravel() != expected.ravel())
    check(differ.size == 0, f"{path}: {name} differs at {differ[:5].tolist()}: "
          f"{actual.ravel()[differ[:5]].tolist()} instead of {expected.ravel()[differ[:5]].tolist()}")


def close(path, name, actual, expected, tolerance):
    if actual is None:
        return
    expected = numpy.asarray(expected, dtype=float)
    if not check(actual.shape == expected.shape, f"{path}: {name} has shape {actual.shape}"):
        return
    scale = numpy.maximum(numpy.abs(expected), 1.0)
    bad = numpy.flatnonzero(numpy.abs(actual - expected) > tolerance * scale)
    check(bad.size == 0, f"{path}: {name} off at {bad[:5].tolist()}")


def cell_volumes(grid):
    sizes = vtk.vtkCellSizeFilter()
    sizes.SetInputData(grid)
    sizes.Update()
    return vtk_to_numpy(sizes.GetOutput().GetCellData().GetArray("Volume"))


def check_meshio(path, points, cells, point_arrays, cell_arrays):
    mesh = meshio.read(path)
    check(len(mesh.points) == points, f"{path}: meshio reads {len(mesh.points)} points")
    check(sum(len(block.data) for block in mesh.cells) == cells,
          f"{path}: meshio reads {sum(len(b.data) for b in mesh.cells)} cells")
    for name in point_arrays:
        check(name in mesh.point_data, f"{path}: meshio finds no point array {name}")
    for name in cell_arrays:
        check(name in mesh.cell_data, f"{path}: meshio finds no cell array {name}")


# ---------------------------------------------------------------------------------------------
# The Tecplot file of the same run: its blocks' point lines, to four significant digits.

def tecplot_blocks(path):
    blocks = []
    with open(path) as f:
        lines = f.read().splitlines()
    at = 0
    while at < len(lines):
        if not lines[at].startswith("TITLE"):
            at += 1
            continue
        zone = re.match(r"ZONE N=\s*(\d+), E=\s*(\d+)", lines[at + 2])
        n, e = int(zone.group(1)), int(zone.group(2))
        rows = [[float(v) for v in line.split(",")] for line in lines[at + 3:at + 3 + n]]
        time = float(re.search(r'TIME=\s*(\S+)', lines[at]).group(1))
        blocks.append((time, numpy.array(rows).reshape(n, 8)))
        at += 3 + n + e
    return blocks


# ---------------------------------------------------------------------------------------------

def check_solid(args, result):
    times = OutputTimeFile(args.times).times if args.times else None
    outputs = solid_outputs(result, times)
    entries = read_collection(args.pvd, "VTK", args.leftovers)
    check_count(args, entries, outputs)
    shown = result.shown_elements()
    n = result.node_count
    points = numpy.column_stack([result.x, result.y, result.z]) if n else numpy.zeros((0, 3))
    z = numpy.array(result.z)
    tecplot = tecplot_blocks(args.tecplot) if args.tecplot else None
    if tecplot is not None:
        check(len(tecplot) == len(entries), f"{args.tecplot}: {len(tecplot)} blocks")
    for index, (entry, expected) in enumerate(zip(entries, outputs)):
        time, name = entry
        path = os.path.join(os.path.dirname(args.pvd), name)
        check(time == expected["time"], f"{args.pvd}: output {index} at {time}, "
              f"not {expected['time']}")
        grid = read_grid(path, args.compressed)
        check(grid.GetNumberOfPoints() == n, f"{path}: {grid.GetNumberOfPoints()} points")
        check(grid.GetNumberOfCells() == len(shown), f"{path}: {grid.GetNumberOfCells()} cells")
        same(path, "Points", vtk_to_numpy(grid.GetPoints().GetData()), points)
        types = [grid.GetCellType(c) for c in range(grid.GetNumberOfCells())]
        same(path, "cell types", numpy.array(types),
             [HEXAHEDRON if result.is_hexahedron(e) else WEDGE for e in shown])
        for c, e in enumerate(shown[:grid.GetNumberOfCells()]):
            ids = grid.GetCell(c).GetPointIds()
            slots = HEXAHEDRON_SLOTS if result.is_hexahedron(e) else PRISM_SLOTS
            check([ids.GetId(i) for i in range(ids.GetNumberOfIds())] ==
                  [result.slot(e, s) - 1 for s in slots], f"{path}: cell {c} points")
        volumes = cell_volumes(grid)
        check(bool(numpy.all(volumes > 0.0)), f"{path}: cell volumes {volumes.tolist()}")

        point_data, cell_data, field_data = grid.GetPointData(), grid.GetCellData(), grid.GetFieldData()
        velocity = nodal_velocities(result, expected["vx"], expected["vy"], expected["vz"])
        same(path, "PressureHead", array(point_data, "PressureHead", path), expected["pressureHead"])
        same(path, "TotalHead", array(point_data, "TotalHead", path),
             [p + q for p, q in zip(expected["pressureHead"], result.z)])
        same(path, "Discharge", array(point_data, "Discharge", path), expected["discharge"])
        same(path, "NodeCode", array(point_data, "NodeCode", path, kind="i4"), expected["nodeCode"])
        same(path, "point Velocity", array(point_data, "Velocity", path, 3),
             numpy.array(velocity).reshape(n, 3))
        same(path, "cell Velocity", array(cell_data, "Velocity", path, 3),
             numpy.array([[expected["vx"][e], expected["vy"][e], expected["vz"][e]]
                          for e in shown]).reshape(len(shown), 3))
        same(path, "Material", array(cell_data, "Material", path, kind="i4"),
             [result.material_no[e] for e in shown])
        same(path, "ElementNo", array(cell_data, "ElementNo", path, kind="i4"),
             [e + 1 for e in shown])
        same(path, "TimeValue", array(field_data, "TimeValue", path), [expected["time"]])
        same(path, "StepNo", array(field_data, "StepNo", path, kind="i4"), [expected["stepNo"]])
        check_meshio(path, n, len(shown), ("PressureHead", "TotalHead", "Discharge", "NodeCode",
                                           "Velocity"), ("Velocity", "Material", "ElementNo"))

        if tecplot is not None and index < len(tecplot):
            block_time, rows = tecplot[index]
            check(abs(block_time - time) <= 5e-7 * max(abs(time), 1.0),
                  f"{args.tecplot}: block {index} at {block_time}")
            shown_values = numpy.column_stack([
                points, vtk_to_numpy(point_data.GetArray("PressureHead")),
                vtk_to_numpy(point_data.GetArray("TotalHead")),
                vtk_to_numpy(point_data.GetArray("Velocity"))]) if n else numpy.zeros((0, 8))
            # E10.3 keeps four significant digits: within half a unit of the fourth.
            scale = numpy.abs(shown_values)
            bad = numpy.argwhere(numpy.abs(rows - shown_values) > 5.0001e-4 * scale + 1e-300)
            check(bad.size == 0, f"{args.tecplot}: block {index} differs from {name} at "
                  f"(node, column) {bad[:5].tolist()}")


def check_submesh(args, result):
    otf = OutputTimeFile(args.submesh)
    outputs = submesh_outputs(result, otf)
    entries = read_collection(args.pvd, "VTKMESH", args.leftovers)
    check_count(args, entries, outputs)
    np = len(otf.point_x)
    points = numpy.column_stack([otf.point_x, otf.point_y, otf.point_z])
    x_min, y_min = min(otf.point_x), min(otf.point_y)
    distance = [math.sqrt((x - x_min) ** 2 + (y - y_min) ** 2)
                for x, y in zip(otf.point_x, otf.point_y)]
    for index, (entry, expected) in enumerate(zip(entries, outputs)):
        time, name = entry
        path = os.path.join(os.path.dirname(args.pvd), name)
        check(time == expected["time"], f"{args.pvd}: output {index} at {time}")
        grid = read_grid(path, args.compressed)
        check(grid.GetNumberOfPoints() == np, f"{path}: {grid.GetNumberOfPoints()} points")
        check(grid.GetNumberOfCells() == len(otf.elements), f"{path}: cells")
        same(path, "Points", vtk_to_numpy(grid.GetPoints().GetData()), points)
        for c, row in enumerate(otf.elements[:grid.GetNumberOfCells()]):
            triangle = row[2] == row[3]
            check(grid.GetCellType(c) == (TRIANGLE if triangle else QUAD), f"{path}: cell {c} type")
            ids = grid.GetCell(c).GetPointIds()
            check([ids.GetId(i) for i in range(ids.GetNumberOfIds())] ==
                  [p - 1 for p in row[:3 if triangle else 4]], f"{path}: cell {c} points")
        point_data = grid.GetPointData()
        close(path, "TotalHead", array(point_data, "TotalHead", path), expected["totalHead"], 1e-12)
        close(path, "PressureHead", array(point_data, "PressureHead", path),
              expected["pressureHead"], 1e-12)
        section = point_data.GetArray("SectionDistance")
        check((section is not None) == args.section, f"{path}: SectionDistance present or not")
        if args.section:
            close(path, "SectionDistance", array(point_data, "SectionDistance", path), distance,
                  1e-15)
        same(path, "TimeValue", array(grid.GetFieldData(), "TimeValue", path), [expected["time"]])
        same(path, "StepNo", array(grid.GetFieldData(), "StepNo", path, kind="i4"),
             [expected["stepNo"]])
        check_meshio(path, np, len(otf.elements), ("TotalHead", "PressureHead"), ())


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("pvd")
    parser.add_argument("--result", required=True)
    parser.add_argument("--times")
    parser.add_argument("--tecplot")
    parser.add_argument("--submesh")
    parser.add_argument("--section", action="store_true")
    parser.add_argument("--compressed", action="store_true")
    parser.add_argument("--ended-early", action="store_true")
    parser.add_argument("--leftovers", action="store_true")
    args = parser.parse_args()
    result = ResultFile(args.result)
    if args.submesh:
        check_submesh(args, result)
    else:
        check_solid(args, result)
    for failure in failures[:40]:
        print(failure, file=sys.stderr)
    if failures:
        print(f"{len(failures)} checks failed", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
