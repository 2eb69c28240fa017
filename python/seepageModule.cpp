// The Python module seepage: a result file read into numpy arrays by the programs' own reader,
// one stored step at a time, and the extractor's time histories without its tables.
#include <Python.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/resultFile.h"
#include "common/stop.h"
#include "python/histories.h"
#include "python/numpyViews.h"
#include "python/resultStream.h"

namespace py = pybind11;
using numpyViews::oneBased;
using numpyViews::take;
using numpyViews::view;

namespace {

PyObject* resultFileError = nullptr;

// The one place where a stop of the reader becomes the text of a Python exception: the
// programs' stop line, then the line that names the place, as the programs print them.
std::string stopMessage(const RunStopped& stop) {
  if (stop.location().empty()) return stop.what();
  return std::string(stop.what()) + "\n" + stop.location();
}

// Text that names files: decoded as the file system names them, so no byte is lost.
py::str fileText(const std::string& text) {
  return py::reinterpret_steal<py::str>(
      PyUnicode_DecodeFSDefaultAndSize(text.data(), static_cast<Py_ssize_t>(text.size())));
}

void translateStops(std::exception_ptr thrown) {
  try {
    if (thrown) std::rethrow_exception(thrown);
  } catch (const OpenFailed& failed) {
    // OSError picks the subclass of the error number (FileNotFoundError for a missing file).
    py::object error = py::reinterpret_borrow<py::object>(PyExc_OSError)(
        failed.error(), fileText(stopMessage(failed.stop())), fileText(failed.path()));
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
  } catch (const RunStopped& stop) {
    PyErr_SetObject(resultFileError, fileText(stopMessage(stop)).ptr());
  } catch (const StreamClosed& closed) {
    PyErr_SetString(PyExc_ValueError, closed.what());
  }
}

std::string pathText(const std::filesystem::path& path) {
  return path.string();
}

// Nodal values of one state. The total head is made on first use, from the state's pressure
// head and the mesh's z, into a buffer of its own.
struct State {
  py::array pressureHead, discharge, nodeCode;
  SharedArray<double> pressureValues, zValues;
  py::object totalHead;

  py::object total() {
    if (!totalHead) {
      const std::vector<double>& p = *pressureValues;
      const std::vector<double>& z = *zValues;
      auto sum = std::make_shared<std::vector<double>>(p.size());
      for (std::size_t node = 1; node < p.size(); ++node)
        (*sum)[node] = ::totalHead(p[node], z[node]);
      totalHead = oneBased(SharedArray<double>(std::move(sum)));
    }
    return totalHead;
  }
};

struct Step : State {
  int number = 0;
  double time = 0.0;
  py::array velocity;
};

State makeState(const NodeValues& nodes, const SharedArray<double>& z) {
  return {oneBased(nodes.pressureHead),
          oneBased(nodes.discharge),
          oneBased(nodes.nodeCode),
          nodes.pressureHead,
          z,
          py::object()};
}

Step makeStep(const StepValues& values, const SharedArray<double>& z, int elementCount) {
  Step step;
  static_cast<State&>(step) = makeState(values.nodes, z);
  step.number = values.stepNo;
  step.time = values.time;
  const auto elements = static_cast<py::ssize_t>(elementCount);
  step.velocity = view(values.velocity, 1, {elements, 3}, {1, elements});
  return step;
}

std::shared_ptr<ResultStream> openStream(const std::string& path) {
  py::gil_scoped_release release;
  return std::make_shared<ResultStream>(path);
}

// One pass over the stored steps, with a stream of its own.
class StepIterator {
 public:
  explicit StepIterator(std::shared_ptr<ResultStream> stream) : stream_(std::move(stream)) {}

  Step next() {
    // An interrupt (Ctrl-C) ends a long pass between two steps, also one that C code drives
    // without running Python between the steps (list(result)).
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
    std::optional<StepValues> values;
    {
      py::gil_scoped_release release;
      values = stream_->nextStep();
    }
    if (!values) throw py::stop_iteration();
    return makeStep(*values, stream_->mesh().z, stream_->counts().elementCount);
  }

 private:
  std::shared_ptr<ResultStream> stream_;
};

class ResultFile {
 public:
  explicit ResultFile(const std::filesystem::path& path)
      : path_(pathText(path)), first_(openStream(path_)), counts_(first_->counts()) {
    const MeshValues& mesh = first_->mesh();
    x_ = oneBased(mesh.x);
    y_ = oneBased(mesh.y);
    z_ = oneBased(mesh.z);
    const auto elements = static_cast<py::ssize_t>(counts_.elementCount);
    const auto slots = static_cast<py::ssize_t>(counts_.nodesPerElement);
    connectivity_ = view(mesh.connectivity, 0, {elements, slots}, {slots, 1});
    material_ = oneBased(mesh.materialNo);
    initial_ = py::cast(makeState(first_->initial(), mesh.z));
    // The solver writes its title in code page 932.
    title_ = py::bytes(first_->title()).attr("decode")("cp932", "replace");
    passes_.push_back(first_);
  }

  const std::string& path() const { return path_; }
  const py::object& title() const { return title_; }
  const ResultCounts& counts() const { return counts_; }
  const py::array& x() const { return x_; }
  const py::array& y() const { return y_; }
  const py::array& z() const { return z_; }
  const py::array& connectivity() const { return connectivity_; }
  const py::array& material() const { return material_; }
  const py::object& initial() const { return initial_; }
  bool closed() const { return closed_; }

  // The first pass takes the stream that read the mesh; every later pass reads the file anew.
  StepIterator steps() {
    if (closed_) throw StreamClosed();
    if (first_) return StepIterator(std::exchange(first_, nullptr));
    auto stream = openStream(path_);
    if (closed_) throw StreamClosed();  // closed by another thread while this one was opening
    std::erase_if(passes_, [](const std::weak_ptr<ResultStream>& pass) { return pass.expired(); });
    passes_.push_back(stream);
    return StepIterator(std::move(stream));
  }

  // Closes the file for every pass; arrays already handed out stay valid.
  void close() {
    closed_ = true;
    first_.reset();
    // Taken out first: other threads may run while this one waits for a pass to stop reading.
    const std::vector<std::weak_ptr<ResultStream>> passes = std::exchange(passes_, {});
    for (const auto& pass : passes) {
      if (auto stream = pass.lock()) {
        py::gil_scoped_release release;
        stream->close();
      }
    }
  }

  std::string repr() const {
    return "<seepage.ResultFile '" + path_ + "': " + std::to_string(counts_.nodeCount) +
           " nodes, " + std::to_string(counts_.elementCount) + " elements, " +
           std::to_string(counts_.nodesPerElement) + " nodes per element" +
           (closed_ ? ", closed>" : ">");
  }

 private:
  std::string path_;
  std::shared_ptr<ResultStream> first_;
  ResultCounts counts_;
  py::object title_;
  py::array x_, y_, z_, connectivity_, material_;
  py::object initial_;
  std::vector<std::weak_ptr<ResultStream>> passes_;
  bool closed_ = false;
};

py::dict histories(const std::filesystem::path& path, const std::vector<int>& nodes,
                   const std::vector<int>& elements) {
  HistoryValues values;
  {
    py::gil_scoped_release release;
    values = collectHistories(pathText(path), nodes, elements, [] {
      // An interrupt (Ctrl-C) ends a long reading between two steps.
      py::gil_scoped_acquire acquire;
      if (PyErr_CheckSignals() != 0) throw py::error_already_set();
    });
  }
  const auto steps = static_cast<py::ssize_t>(values.stepCount);
  const auto nodeCount = static_cast<py::ssize_t>(nodes.size());
  const auto elementCount = static_cast<py::ssize_t>(elements.size());
  py::dict result;
  result["number"] = take(std::move(values.stepNo), {steps});
  result["time"] = take(std::move(values.time), {steps});
  result["total_head"] = take(std::move(values.totalHead), {steps, nodeCount});
  result["pressure_head"] = take(std::move(values.pressureHead), {steps, nodeCount});
  result["discharge"] = take(std::move(values.discharge), {steps, nodeCount});
  result["velocity"] = take(std::move(values.velocity), {steps, elementCount, 3});
  return result;
}

}  // namespace

PYBIND11_MODULE(seepage, module) {
  module.doc() =
      "Result files of the seepage solver read into numpy arrays.\n\n"
      "open(path) reads the mesh and the initial state and streams the stored steps one at a "
      "time; histories(path, nodes, elements) keeps only the values of chosen nodes and "
      "elements over every step. Node and element numbers are those of the file, from 1; in "
      "the arrays, node n is at index n - 1. Values are read exactly as the programs read "
      "them: a null value in a step keeps the value of the step before.";

  resultFileError = PyErr_NewExceptionWithDoc(
      "seepage.ResultFileError",
      "A result file that cannot be read as one: cut short, or holding a value that is not "
      "the number its place needs. The message is the programs' one-line stop message, which "
      "names the file.",
      PyExc_ValueError, nullptr);
  module.add_object("ResultFileError", py::handle(resultFileError));
  py::register_exception_translator(translateStops);

  py::class_<State>(module, "State",
                    "Nodal values of one state: the initial state, or a stored step's. Arrays "
                    "are read-only and stay valid as long as they are referenced.")
      .def_readonly("pressure_head", &State::pressureHead,
                    "Pressure head of every node (float64, node_count).")
      .def_readonly("discharge", &State::discharge,
                    "Nodal discharge of every node (float64, node_count).")
      .def_readonly("node_code", &State::nodeCode, "Nodal code of every node (int32, node_count).")
      .def_property_readonly("total_head", &State::total,
                             "Total head, pressure head plus the node's z (float64, "
                             "node_count); made on first use.");

  py::class_<Step, State>(module, "Step",
                          "One stored step: its header and its nodal and element values.")
      .def_readonly("number", &Step::number, "Step number as stored in the file.")
      .def_readonly("time", &Step::time, "Time of the step.")
      .def_readonly("velocity", &Step::velocity,
                    "Element velocities (float64, element_count by 3: x, y, z).")
      .def("__repr__", [](const Step& step) {
        return "<seepage.Step " + std::to_string(step.number) + " at time " +
               py::repr(py::float_(step.time)).cast<std::string>() + ">";
      });

  py::class_<StepIterator>(module, "StepIterator",
                           "One pass over the stored steps of a result file, in file order.")
      .def("__iter__", [](py::object self) { return self; })
      .def("__next__", &StepIterator::next, "The next stored step.");

  py::class_<ResultFile>(module, "ResultFile",
                         "An open result file: its title, counts and mesh, its initial state, "
                         "and its stored steps by iteration. Made by seepage.open().")
      .def_property_readonly("path", &ResultFile::path, "The path the file was opened by.")
      .def_property_readonly("title", &ResultFile::title,
                             "The first record, 80 characters padded with blanks.")
      .def_property_readonly(
          "node_count", [](const ResultFile& file) { return file.counts().nodeCount; },
          "Number of nodes (N).")
      .def_property_readonly(
          "element_count", [](const ResultFile& file) { return file.counts().elementCount; },
          "Number of elements (E).")
      .def_property_readonly(
          "nodes_per_element", [](const ResultFile& file) { return file.counts().nodesPerElement; },
          "Node numbers per element (K).")
      .def_property_readonly("x", &ResultFile::x, "Node x coordinates (float64, N).")
      .def_property_readonly("y", &ResultFile::y, "Node y coordinates (float64, N).")
      .def_property_readonly("z", &ResultFile::z, "Node elevations (float64, N).")
      .def_property_readonly("connectivity", &ResultFile::connectivity,
                             "Node numbers of each element as in the file, from 1; 0 marks an "
                             "empty slot (int32, E by K).")
      .def_property_readonly("material", &ResultFile::material,
                             "Material number of each element; negative for an element the "
                             "programs leave out of their outputs (int32, E).")
      .def_property_readonly("initial", &ResultFile::initial,
                             "The initial state, before the first stored step (a State).")
      .def_property_readonly("closed", &ResultFile::closed, "True once the file is closed.")
      .def("__iter__", &ResultFile::steps,
           "The stored steps in file order, read one at a time. Each pass reads the file "
           "from its first step.")
      .def("close", &ResultFile::close,
           "Closes the file; arrays and steps already read stay valid.")
      .def("__enter__", [](py::object self) { return self; })
      .def(
          "__exit__",
          [](ResultFile& file, const py::args&) {
            file.close();
            return false;
          },
          "Closes the file.")
      .def("__repr__", &ResultFile::repr);

  module.def(
      "open", [](const std::filesystem::path& path) { return ResultFile(path); }, py::arg("path"),
      "Opens a result file and reads its title, counts, mesh and initial state. Raises "
      "OSError (FileNotFoundError) when it cannot be opened and ResultFileError when it "
      "cannot be read.");
  module.def("histories", &histories, py::arg("path"), py::arg("nodes") = std::vector<int>(),
             py::arg("elements") = std::vector<int>(),
             "Time histories at the listed nodes and elements (numbers as in the file, from 1; "
             "repeats allowed), reading the file once and keeping only their values. Returns a "
             "dict of numpy arrays over the S stored steps: number (int32, S), time (S), "
             "total_head, pressure_head and discharge (S by len(nodes)), and velocity (S by "
             "len(elements) by 3). Raises ValueError for a number outside the file's range, "
             "and as open() for the file.");
}
