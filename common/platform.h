#pragma once
// What differs between the systems the programs run on, and nothing else: files opened by name
// and read or written as bytes (binary always: no runtime translates a line end behind the
// records' back), 64-bit offsets and sizes, zero-filled pages, the console. Every other file
// of the programs is the same on every system.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

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
// Bytes read (0 at the end of the file), or -1 with errno set. A read that waits for input (a
// pipe, the console) is cut short by an interrupt: -1 with errno EINTR once interruptSignal()
// is set.
std::int64_t readSome(int fd, void* data, std::size_t size);
// The same, from the file's byte `offset`, without moving the position reads go on from.
std::int64_t readAt(int fd, void* data, std::size_t size, std::uint64_t offset);
// Writes all `size` bytes; 0, or the errno of the failed write.
int writeAll(int fd, const void* data, std::size_t size);
// Has the system put the file's bytes on its disk, so that they outlast a power cut (nothing
// to do for a device or a pipe); 0, or the errno of the failure.
int syncFile(int fd);
// The same for a closed file, by its name.
int syncFileNamed(const std::string& name);
// The same for a folder's names (files created, renamed or removed in it).
int syncFolder(const std::string& name);
// Has the system begin to put the file's bytes on its disk, without waiting for it, so that a
// later syncFileNamed finds little left to do (nothing where the system offers no such call).
void startWriteback(int fd);
// Renames `from` to `to` in one step, replacing a file of that name: a reader finds either the
// old file or the new one whole, never neither. 0, or the errno of the failure.
int replaceFile(const std::string& from, const std::string& to);
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
// Text in code page 932 (a title the solver wrote) spelled in UTF-8; a byte that begins no
// character of the code page, or a character cut short at the end, becomes a stand-in ('?',
// or what the system puts in its place).
std::string codePage932ToUtf8(std::string_view text);

// Interrupts: the system's requests that the program end (Linux: SIGINT, SIGTERM and SIGHUP;
// Windows: Ctrl-C, Ctrl-Break, closing the console window, logoff and shutdown). Once
// catchInterrupts() has been called, the first request is only noted, so that the run can end
// at a record boundary with its files closed; a second one ends the program at once, as the
// system would have ended it without the first being caught.
void catchInterrupts();
// The number of the first request noted, 0 while none has come: the signal's number on Linux
// (2 SIGINT, 15 SIGTERM, 1 SIGHUP); on Windows 2 for Ctrl-C, 21 for Ctrl-Break (the runtime's
// SIGBREAK), 1 for closing the console window (the console hung up) and 15 for logoff and
// shutdown.
int interruptSignal();
// A file-size limit makes a write fail (EFBIG) instead of ending the program (Linux: SIGXFSZ
// ignored; Windows has no such signal).
void ignoreFileSizeLimitSignal();
// Starts `body` on a thread of its own that the interrupts are never delivered to, so that they
// reach the main thread and cut its waiting reads short.
std::thread startQuietThread(std::function<void()> body);

}  // namespace platform
