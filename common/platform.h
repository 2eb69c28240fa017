#pragma once
// What differs between the systems the programs run on, and nothing else: files opened by name
// and read or written as bytes (binary always: no runtime translates a line end behind the
// records' back), 64-bit offsets and sizes, zero-filled pages, the console. Every other file
// of the programs is the same on every system.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The end of every text record the programs write: CR LF on Windows, whose text files end
// their lines so; LF elsewhere. Readers take either.
#ifdef _WIN32
inline constexpr std::string_view lineEnd = "\r\n";
#else
inline constexpr std::string_view lineEnd = "\n";
#endif

// Files by descriptor. A file name is passed to the system as the bytes it was given (on
// Windows: spelled in the system's code page). Failures return -1 with errno set, or the errno.
// A folder may open for reading (its reads then fail with EISDIR) or fail to open with EISDIR.
int openForReading(const std::string& name);
// Status "unknown": created, or rewritten from its start.
int openForWriting(const std::string& name);
// 0, or the errno of a failed close.
int closeFile(int fd);
// Bytes read (0 at the end of the file), or -1 with errno set.
std::int64_t readSome(int fd, void* data, std::size_t size);
// The same, from the file's byte `offset`, without moving the position reads go on from.
std::int64_t readAt(int fd, void* data, std::size_t size, std::uint64_t offset);
// Writes all `size` bytes; 0, or the errno of the failed write.
int writeAll(int fd, const void* data, std::size_t size);
// A regular file on disk (not a device, console, pipe or folder).
bool isRegularFile(int fd);
// The size of the named regular file; 0 when it is none or cannot be looked at.
std::uint64_t regularFileSize(const std::string& name);
// A terminal, or an interactive console window (the null device is none).
bool isTerminal(int fd);
// 0, or the errno of the failure.
int changeDirectory(const std::string& name);

// `bytes` of pages that the system zero-fills when each is first touched (nullptr for 0);
// throws std::bad_alloc when they cannot be had.
void* mapZeroedPages(std::size_t bytes);
void unmapZeroedPages(void* pages, std::size_t bytes);
// The machine's physical memory in bytes; 0 when it cannot be told.
std::uint64_t physicalMemory();

// Standard input, output and error as binary streams; called once when a program starts.
void prepareStandardStreams();
// Whether the console shows UTF-8 (a UTF-8 locale; on Windows, output code page 65001)
// rather than code page 932.
bool consoleIsUtf8();

}  // namespace platform
