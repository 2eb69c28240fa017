#include "support/vtuFiles.h"

#include <algorithm>
#include <stdexcept>

#include "support/inflate.h"

namespace testSupport {

std::uint64_t wordAt(std::string_view bytes, std::size_t at) {
  std::uint64_t word = 0;
  if (at + sizeof word > bytes.size()) throw std::runtime_error("header beyond the file");
  std::memcpy(&word, bytes.data() + at, sizeof word);
  return word;
}

std::string decodeBlock(std::string_view data, std::size_t at, bool compressed, std::size_t* used) {
  if (!compressed) {
    const std::uint64_t count = wordAt(data, at);
    if (used) *used = 8 + count;
    return std::string(data.substr(at + 8, count));
  }
  const std::uint64_t blocks = wordAt(data, at), blockSize = wordAt(data, at + 8);
  const std::uint64_t partial = wordAt(data, at + 16);
  std::size_t stream = at + 24 + 8 * blocks;
  std::string out;
  for (std::uint64_t b = 0; b < blocks; ++b) {
    const std::uint64_t compressedSize = wordAt(data, at + 24 + 8 * b);
    const std::size_t size = b + 1 == blocks && partial != 0 ? partial : blockSize;
    out += inflate(data.substr(stream, compressedSize), size);
    stream += compressedSize;
  }
  if (used) *used = stream - at;
  return out;
}

namespace {

std::string attribute(std::string_view tag, std::string_view name) {
  const std::string key = " " + std::string(name) + "=\"";
  const std::size_t at = tag.find(key);
  if (at == std::string_view::npos) return "";
  const std::size_t start = at + key.size();
  return std::string(tag.substr(start, tag.find('"', start) - start));
}

}  // namespace

const VtuArrayRead& VtuFileRead::operator[](const std::string& key) const {
  auto found = arrays.find(key);
  if (found == arrays.end()) throw std::runtime_error("no array " + key);
  return found->second;
}

VtuFileRead readVtu(std::string_view file) {
  VtuFileRead read;
  constexpr std::string_view opening = "<AppendedData encoding=\"raw\">\n   _";
  const std::size_t appended = file.find(opening);
  if (appended == std::string_view::npos) throw std::runtime_error("no appended data");
  read.head = std::string(file.substr(0, appended));
  read.compressed = read.head.find("compressor=\"vtkZLibDataCompressor\"") != std::string::npos;
  const std::string_view data = file.substr(appended + opening.size());
  std::string section;
  std::size_t end = 0;
  for (std::size_t at = 0; (at = read.head.find('<', at)) != std::string::npos; ++at) {
    const std::string_view tag =
        std::string_view(read.head).substr(at, read.head.find('>', at) - at + 1);
    for (const char* name : {"FieldData", "PointData", "CellData", "Points", "Cells"}) {
      if (tag == "<" + std::string(name) + ">") section = name;
    }
    if (!tag.starts_with("<DataArray ")) continue;
    VtuArrayRead array;
    array.type = attribute(tag, "type");
    const std::string components = attribute(tag, "NumberOfComponents");
    array.components = components.empty() ? 1 : std::stoi(components);
    std::size_t used = 0;
    const std::size_t offset = std::stoull(attribute(tag, "offset"));
    array.bytes = decodeBlock(data, offset, read.compressed, &used);
    end = std::max(end, offset + used);
    read.arrays[section + "/" + attribute(tag, "Name")] = std::move(array);
  }
  read.tail = std::string(data.substr(end));
  return read;
}

SeriesFiles MemorySeriesFiles::files() {
  return SeriesFiles{directory.path(),
                     [this](const std::string& name) -> OutputUnit& {
                       auto& unit = units[name];
                       unit = std::make_unique<OutputUnit>(unitNumber::output);
                       unit->openMemory();
                       return *unit;
                     },
                     [](const std::string&) {},
                     [this](const std::string& from, const std::string& to) {
                       units[to] = std::move(units.at(from));
                       units.erase(from);
                     }};
}

}  // namespace testSupport
