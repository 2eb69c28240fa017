#pragma once
// The threads of a run (--threads N of both programs). Work split into parts runs on a small
// pool of threads started once, the calling thread taking parts too; with one thread every
// part runs on the calling thread in order. Callers on several threads share the pool: each
// takes its own parts, and the pool's threads the parts of the caller that came first. Parts
// must write to places of their own: the pool orders nothing but their end.
#include <functional>

// The machine's cores, at least 1.
int machineThreads();
// The most threads a run takes.
constexpr int maxThreads = 1024;
// The threads a run may use: until set, the number SEEPAGE_THREADS gives (a whole number of 1
// or more; anything else is not heeded), else the machine's cores.
int runThreads();
// Sets them (1 to maxThreads); before the first runParts.
void setRunThreads(int threads);

// Runs work(part) for every part in [0, parts) and returns when all are done; part 0 on the
// calling thread. When parts throw, the exception of the lowest such part is rethrown here,
// once every part has ended.
void runParts(int parts, const std::function<void(int part)>& work);

// The parts worth splitting `items` into: the run's threads, fewer when parts would hold
// fewer than `leastPerPart` items each; at least 1.
int partsFor(long long items, long long leastPerPart);
