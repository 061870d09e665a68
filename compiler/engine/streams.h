// The compressed streams of the source files, handed to the run in list
// order. With one job they are made on the run's own thread when the run
// asks for them; with more, worker threads open and compress the files
// ahead of the run, and the run writes each stream when its turn comes.
// The workers never touch the observer: everything the run shows, and
// every error it reports, comes from the run's thread in list order.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/version.h"
#include "compiler/engine/packer.h"

namespace kestro::compiler {

// What opening a source found, all from the one handle it is read through.
struct SourceInfo {
  uint64_t size = 0;
  uint32_t dos_date_time = 0;
  int64_t modified_unix = 0;
  FileVersionWords version;
};

class SourceStreams {
 public:
  // The sources in list order. pack.jobs > 1 starts that many workers (at
  // most one per source) at once; pack.budget bounds the compressed bytes
  // that wait for their turn. A stream that would pass the budget waits,
  // and is passed on piece by piece once its turn has come.
  SourceStreams(std::vector<std::string> sources, const PackOptions& pack);
  // Stops the workers (each within one input block) and drops what they hold.
  ~SourceStreams();
  SourceStreams(const SourceStreams&) = delete;
  SourceStreams& operator=(const SourceStreams&) = delete;

  // Source k, k = 0, 1, 2, ... in turn: raises what opening it raised.
  SourceInfo Open(size_t k);
  // Source k's stream, after Open(k), handed to write in pieces; raises
  // what reading or compressing it raised, after the pieces made before.
  // Sources of 4 GB or more are never compressed: do not ask for them.
  CompressResult Write(size_t k, const WriteFn& write);

 private:
  struct Job;
  struct Stopped {};

  Job& Slot(size_t k) { return *slots_[k % slots_.size()]; }
  void Work();
  void Produce(size_t k, Job& job, Compressor& compressor);
  void Publish(size_t k, Job& job, std::vector<uint8_t>&& piece);

  std::vector<std::string> sources_;
  PackOptions pack_;
  size_t piece_size_ = 0;

  // One job: the source of the run's own thread.
  std::unique_ptr<Compressor> compressor_;
  class Opened;
  std::unique_ptr<Opened> opened_;

  // More jobs: the workers and what they share, under mutex_.
  std::vector<std::unique_ptr<Job>> slots_;
  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable work_changed_;  // workers wait on it
  std::condition_variable job_changed_;   // the run waits on it
  bool stop_ = false;
  std::atomic<bool> stopping_{false};  // stop_, read between two input blocks
  size_t next_ = 0;                    // the next source a worker takes
  size_t current_ = 0;                 // the source the run is at
  size_t released_ = 0;                // sources before this one are written and their slots free
  size_t waiting_ = 0;                 // compressed bytes held for the run
};

}  // namespace kestro::compiler
