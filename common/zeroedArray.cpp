#include "common/zeroedArray.h"

#include <sys/mman.h>

#include <new>

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
