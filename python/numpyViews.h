#pragma once
// Arrays handed to numpy without copying: a numpy array over a shared buffer, kept alive by a
// capsule that holds one reference to it, so the buffer lives as long as any array over it.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <memory>
#include <vector>

namespace numpyViews {

namespace py = pybind11;

template <class Buffer>
py::capsule ownerOf(std::shared_ptr<Buffer> buffer) {
  auto* owner = new std::shared_ptr<Buffer>(std::move(buffer));
  return py::capsule(owner,
                     [](void* pointer) { delete static_cast<std::shared_ptr<Buffer>*>(pointer); });
}

// A read-only view of `shape` with `strides` (in elements) from buffer[first] on. Read-only,
// because the buffers are shared (a step's arrays start from its predecessor's values).
template <class T>
py::array view(const std::shared_ptr<const std::vector<T>>& buffer, std::size_t first,
               std::vector<py::ssize_t> shape, std::vector<py::ssize_t> strides) {
  for (py::ssize_t& stride : strides) stride *= static_cast<py::ssize_t>(sizeof(T));
  py::array_t<T> array(std::move(shape), std::move(strides), buffer->data() + first,
                       ownerOf(buffer));
  array.attr("setflags")(py::arg("write") = false);
  return array;
}

// The values of a 1-based array (slot 0 left out) as a one-dimensional array.
template <class T>
py::array oneBased(const std::shared_ptr<const std::vector<T>>& buffer) {
  return view(buffer, 1, {static_cast<py::ssize_t>(buffer->size()) - 1}, {1});
}

// A vector of the caller's, moved into a writable array of `shape` in C order.
template <class T>
py::array take(std::vector<T>&& values, std::vector<py::ssize_t> shape) {
  auto buffer = std::make_shared<std::vector<T>>(std::move(values));
  const T* data = buffer->data();
  return py::array_t<T>(std::move(shape), data, ownerOf(std::move(buffer)));
}

}  // namespace numpyViews
