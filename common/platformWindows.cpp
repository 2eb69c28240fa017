// The platform layer on Windows: the C runtime's descriptors, always in binary mode, over
// 64-bit offsets; file names go to the system's ANSI calls, which read them in its code page.
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <new>

#include "common/platform.h"

namespace platform {

namespace {

// The runtime's calls take an unsigned int count: larger transfers go in pieces of this size.
constexpr std::size_t largestTransfer = std::size_t{1} << 30;

// The runtime refuses a folder with "permission denied"; it is told apart, as on other systems.
bool isFolder(const std::string& name) {
  const DWORD attributes = ::GetFileAttributesA(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The first console event's number (see interruptSignal), written by the handler thread.
std::atomic<int> firstInterrupt{0};
// The main thread, whose waiting read an interrupt cancels.
HANDLE mainThread = nullptr;

int signalNumberOf(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
      return 2;
    case CTRL_BREAK_EVENT:
      return 21;
    case CTRL_CLOSE_EVENT:
      return 1;
    default:  // logoff, shutdown
      return 15;
  }
}

// Runs on a thread the system starts for each console event.
BOOL WINAPI noteInterrupt(DWORD event) {
  int none = 0;
  // A second event: the system's own handling, which ends the program at once.
  if (!firstInterrupt.compare_exchange_strong(none, signalNumberOf(event))) return FALSE;
  // A read the main thread waits in (a pipe) is cancelled; again for a while, in case the
  // thread was just entering one.
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (mainThread != nullptr) ::CancelSynchronousIo(mainThread);
    ::Sleep(50);
  }
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
  // The system ends the process when this handler returns (closing the window, logoff,
  // shutdown), or a few seconds later: until then the main thread closes its files and ends.
  ::Sleep(INFINITE);
  return TRUE;
}

int errnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    default:
      return EIO;
  }
}

}  // namespace

int openForReading(const std::string& name) {
  const int fd = ::_open(name.c_str(), _O_RDONLY | _O_BINARY);
  if (fd < 0 && isFolder(name)) errno = EISDIR;
  return fd;
}

int openForWriting(const std::string& name) {
  const int fd =
      ::_open(name.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0 && isFolder(name)) errno = EISDIR;
  return fd;
}

int closeFile(int fd) {
  return ::_close(fd) == 0 ? 0 : errno;
}

std::int64_t readSome(int fd, void* data, std::size_t size) {
  const int n = ::_read(fd, data, static_cast<unsigned>(std::min(size, largestTransfer)));
  if (n > 0) return n;
  // A read that waits for input (the console, a pipe) ends when an interrupt comes: Ctrl-C
  // ends a console read, the handler cancels a pipe's, and the program that feeds a pipe may
  // end by the same Ctrl-C. That can be before the thread the system starts for the event has
  // noted it: the thread is given a moment.
  const DWORD type = ::GetFileType(reinterpret_cast<HANDLE>(::_get_osfhandle(fd)));
  const bool waitsForInput = type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE;
  for (int wait = 0; waitsForInput && wait < 10 && interruptSignal() == 0; ++wait) ::Sleep(10);
  if (waitsForInput && interruptSignal() != 0) {
    errno = EINTR;
    return -1;
  }
  return n;
}

std::int64_t readAt(int fd, void* data, std::size_t size, std::uint64_t offset) {
  // Called only while no other read of the descriptor is under way: the position is put back.
  const __int64 position = ::_lseeki64(fd, 0, SEEK_CUR);
  if (position < 0) return -1;
  if (::_lseeki64(fd, static_cast<__int64>(offset), SEEK_SET) < 0) return -1;
  const std::int64_t n = readSome(fd, data, size);
  const int error = errno;
  ::_lseeki64(fd, position, SEEK_SET);
  errno = error;
  return n;
}

int writeAll(int fd, const void* data, std::size_t size) {
  const char* bytes = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < size) {
    const int n =
        ::_write(fd, bytes + done, static_cast<unsigned>(std::min(size - done, largestTransfer)));
    if (n < 0) {
      // A file past the largest its file system takes (4 GiB on FAT32), which the runtime
      // calls an invalid argument.
      return _doserrno == ERROR_FILE_TOO_LARGE ? EFBIG : errno;
    }
    if (n == 0) return ENOSPC;  // the runtime's word for a disk that took nothing more
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

int syncFile(int fd) {
  if (!isRegularFile(fd)) return 0;  // a device or a pipe has nothing to put on a disk
  return ::_commit(fd) == 0 ? 0 : errno;
}

int syncFileNamed(const std::string& name) {
  const HANDLE file = ::CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return errnoOf(::GetLastError());
  const int error = ::FlushFileBuffers(file) ? 0 : errnoOf(::GetLastError());
  ::CloseHandle(file);
  return error;
}

void startWriteback(int) {}

int syncFolder(const std::string&) {
  return 0;  // the system keeps a folder's names itself once a rename has been written through
}

int replaceFile(const std::string& from, const std::string& to) {
  if (::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return 0;
  }
  return errnoOf(::GetLastError());
}

bool isRegularFile(int fd) {
  struct _stat64 status {};
  return ::_fstat64(fd, &status) == 0 && (status.st_mode & _S_IFMT) == _S_IFREG;
}

std::uint64_t regularFileSize(const std::string& name) {
  struct _stat64 status {};
  if (::_stat64(name.c_str(), &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG) return 0;
  return static_cast<std::uint64_t>(status.st_size);
}

bool isTerminal(int fd) {
  // The runtime takes the null device for a terminal too; only a console has a console mode.
  const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) != 0;
}

int changeDirectory(const std::string& name) {
  return ::_chdir(name.c_str()) == 0 ? 0 : errno;
}

void* mapZeroedPages(std::size_t bytes) {
  if (bytes == 0) return nullptr;
  // Committed pages are zero-filled by the system and take memory only when first touched.
  void* pages = ::VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (pages == nullptr) throw std::bad_alloc();
  return pages;
}

void unmapZeroedPages(void* pages, std::size_t) {
  if (pages != nullptr) ::VirtualFree(pages, 0, MEM_RELEASE);
}

std::uint64_t physicalMemory() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (::GlobalMemoryStatusEx(&status) == 0) return 0;
  return status.ullTotalPhys;
}

void prepareStandardStreams() {
  for (int fd : {0, 1, 2}) ::_setmode(fd, _O_BINARY);
  std::fflush(stdout);
  ::_setmode(::_fileno(stdout), _O_BINARY);
  ::_setmode(::_fileno(stderr), _O_BINARY);
}

bool consoleIsUtf8() {
  return ::GetConsoleOutputCP() == CP_UTF8;
}

std::string codePage932ToUtf8(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  std::wstring wide(text.size(), L'\0');
  const int wideSize = ::MultiByteToWideChar(932, 0, text.data(), size, wide.data(), size);
  std::string out(3 * static_cast<std::size_t>(wideSize), '\0');
  const int outSize = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideSize, out.data(),
                                            static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(static_cast<std::size_t>(std::max(outSize, 0)));
  return out;
}

void catchInterrupts() {
  ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &mainThread,
                    0, FALSE, DUPLICATE_SAME_ACCESS);
  ::SetConsoleCtrlHandler(noteInterrupt, TRUE);
}

int interruptSignal() {
  return firstInterrupt.load(std::memory_order_relaxed);
}

void ignoreFileSizeLimitSignal() {}

std::thread startQuietThread(std::function<void()> body) {
  return std::thread(std::move(body));  // console events come on threads of their own
}

}  // namespace platform
