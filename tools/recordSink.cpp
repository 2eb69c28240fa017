#include "tools/recordSink.h"

#include <charconv>

RecordSink::RecordSink(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {
  buffer_.reserve(flushSize + 4096);
}

RecordSink::~RecordSink() {
  close();
}

void RecordSink::flush() {
  if (file_ == nullptr) return;
  if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
    failed_ = true;
  flushedBytes_ += buffer_.size();
  buffer_.clear();
}

bool RecordSink::close() {
  if (file_ == nullptr) return !failed_;
  flush();
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}

std::string_view scientificText(char* buffer, std::size_t size, double value, int digits,
                                char exponentLetter) {
  if (value == 0.0) value = 0.0;  // no "-0.000000E+00"
  auto [end, error] =
      std::to_chars(buffer, buffer + size, value, std::chars_format::scientific, digits);
  if (error != std::errc()) return {};
  for (char* at = buffer; at != end; ++at) {
    if (*at == 'e') *at = exponentLetter;
  }
  return {buffer, static_cast<std::size_t>(end - buffer)};
}
