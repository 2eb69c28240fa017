// The platform layer on Linux and other POSIX systems.
#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <new>

#include "common/platform.h"

namespace platform {

namespace {

constexpr int interruptSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The first interrupt's signal number; written by the handler, so lock-free.
std::atomic<int> firstInterrupt{0};
static_assert(std::atomic<int>::is_always_lock_free);

void noteInterrupt(int number) {
  int none = 0;
  if (firstInterrupt.compare_exchange_strong(none, number)) return;
  // A second request: the signal's own action, which ends the program once this handler
  // returns and unblocks it.
  ::signal(number, SIG_DFL);
  ::raise(number);
}

}  // namespace

int openForReading(const std::string& name) {
  int fd;
  do {
    fd = ::open(name.c_str(), O_RDONLY);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

int openForWriting(const std::string& name) {
  int fd;
  do {
    fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

int closeFile(int fd) {
  return ::close(fd) == 0 ? 0 : errno;
}

std::int64_t readSome(int fd, void* data, std::size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd, data, size);
    if (n >= 0 || errno != EINTR || interruptSignal() != 0) return n;
  }
}

std::int64_t readAt(int fd, void* data, std::size_t size, std::uint64_t offset) {
  for (;;) {
    const ssize_t n = ::pread(fd, data, size, static_cast<off_t>(offset));
    if (n >= 0 || errno != EINTR) return n;
  }
}

int writeAll(int fd, const void* data, std::size_t size) {
  const char* bytes = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, bytes + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

int syncFile(int fd) {
  if (!isRegularFile(fd)) return 0;  // a device or a pipe has nothing to put on a disk
  return ::fsync(fd) == 0 ? 0 : errno;
}

int syncFileNamed(const std::string& name) {
  int fd;
  do {
    fd = ::open(name.c_str(), O_WRONLY);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return errno;
  const int error = syncFile(fd);
  ::close(fd);
  return error;
}

void startWriteback(int fd) {
#ifdef SYNC_FILE_RANGE_WRITE
  if (isRegularFile(fd)) ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#else
  (void)fd;
#endif
}

int syncFolder(const std::string& name) {
  int fd;
  do {
    fd = ::open(name.c_str(), O_RDONLY | O_DIRECTORY);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return errno;
  // Some file systems cannot sync a folder (EINVAL): their names need nothing more.
  const int error = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
  ::close(fd);
  return error;
}

int replaceFile(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

bool isRegularFile(int fd) {
  struct stat status {};
  return ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
}

std::uint64_t regularFileSize(const std::string& name) {
  struct stat status {};
  if (::stat(name.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return 0;
  return static_cast<std::uint64_t>(status.st_size);
}

bool isTerminal(int fd) {
  return ::isatty(fd) != 0;
}

int changeDirectory(const std::string& name) {
  return ::chdir(name.c_str()) == 0 ? 0 : errno;
}

void* mapZeroedPages(std::size_t bytes) {
  if (bytes == 0) return nullptr;
  // Anonymous private pages: the system gives each one, zero-filled, when it is first touched.
  void* pages = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (pages == MAP_FAILED) throw std::bad_alloc();
  return pages;
}

void unmapZeroedPages(void* pages, std::size_t bytes) {
  if (pages != nullptr) ::munmap(pages, bytes);
}

std::uint64_t physicalMemory() {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return 0;
  return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

void prepareStandardStreams() {}

bool consoleIsUtf8() {
  bool utf8 = false;
  if (std::setlocale(LC_ALL, "") != nullptr) {
    const char* codeset = nl_langinfo(CODESET);
    utf8 = codeset != nullptr && std::strcmp(codeset, "UTF-8") == 0;
  }
  std::setlocale(LC_ALL, "C");
  return utf8;
}

std::string codePage932ToUtf8(std::string_view text) {
  // A character of the code page takes one or two bytes, in UTF-8 at most three.
  std::string out(3 * text.size(), '\0');
  char* to = out.data();
  std::size_t room = out.size();
  const iconv_t converter = ::iconv_open("UTF-8", "CP932");
  char* from = const_cast<char*>(text.data());
  std::size_t left = text.size();
  while (left > 0) {
    if (converter != reinterpret_cast<iconv_t>(-1) &&
        ::iconv(converter, &from, &left, &to, &room) != static_cast<std::size_t>(-1)) {
      break;
    }
    // No converter (then only ASCII passes), or a byte that begins no character.
    if (converter == reinterpret_cast<iconv_t>(-1) && static_cast<unsigned char>(*from) < 0x80) {
      *to = *from;
    } else {
      *to = '?';
    }
    ++to;
    --room;
    ++from;
    --left;
  }
  if (converter != reinterpret_cast<iconv_t>(-1)) ::iconv_close(converter);
  out.resize(static_cast<std::size_t>(to - out.data()));
  return out;
}

void catchInterrupts() {
  struct sigaction action {};
  action.sa_handler = noteInterrupt;
  sigemptyset(&action.sa_mask);
  for (int number : interruptSignals) sigaddset(&action.sa_mask, number);
  action.sa_flags = 0;  // no SA_RESTART: a waiting read returns EINTR
  for (int number : interruptSignals) {
    struct sigaction previous {};
    // A signal ignored when the program started (nohup, a background job) stays ignored.
    if (::sigaction(number, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
    ::sigaction(number, &action, nullptr);
  }
}

int interruptSignal() {
  return firstInterrupt.load(std::memory_order_relaxed);
}

void ignoreFileSizeLimitSignal() {
  ::signal(SIGXFSZ, SIG_IGN);
}

std::thread startQuietThread(std::function<void()> body) {
  sigset_t quiet, previous;
  sigemptyset(&quiet);
  for (int number : interruptSignals) sigaddset(&quiet, number);
  // The new thread inherits the mask in force when it is created.
  ::pthread_sigmask(SIG_BLOCK, &quiet, &previous);
  try {
    std::thread thread(std::move(body));
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return thread;
  } catch (...) {
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    throw;
  }
}

}  // namespace platform
