#pragma once
// Buffered record output to one file: records are collected in a large buffer and written in
// big blocks, so memory stays constant however long the file grows.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

class RecordSink {
 public:
  explicit RecordSink(const std::string& path);
  ~RecordSink();
  RecordSink(const RecordSink&) = delete;
  RecordSink& operator=(const RecordSink&) = delete;

  bool isOpen() const { return file_ != nullptr; }
  void append(std::string_view text) {
    buffer_.append(text);
    if (buffer_.size() >= flushSize) flush();
  }
  void endRecord() { append("\n"); }
  std::uint64_t bytesWritten() const { return flushedBytes_ + buffer_.size(); }
  // Writes what is buffered and closes the file; false if any write failed.
  bool close();

 private:
  static constexpr std::size_t flushSize = std::size_t{1} << 20;
  void flush();

  std::FILE* file_ = nullptr;
  std::string buffer_;
  std::uint64_t flushedBytes_ = 0;
  bool failed_ = false;
};

// Number text as the solver writes it: one digit, point, `digits` digits, E, sign and at least
// two exponent digits ("-1.234560E+01"). `exponentLetter` replaces the E.
std::string_view scientificText(char* buffer, std::size_t size, double value, int digits,
                                char exponentLetter = 'E');
