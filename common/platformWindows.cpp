// The platform layer on Windows: the C runtime's descriptors, always in binary mode, over
// 64-bit offsets; file names go to the system's ANSI calls, which read them in its code page.
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
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
  return ::_read(fd, data, static_cast<unsigned>(std::min(size, largestTransfer)));
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
    if (n < 0) return errno;
    if (n == 0) return ENOSPC;  // the runtime's word for a disk that took nothing more
    done += static_cast<std::size_t>(n);
  }
  return 0;
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

}  // namespace platform
