#include "compiler/engine/streams.h"

#include <algorithm>
#include <atomic>

#include "common/errors.h"
#include "common/os.h"

namespace kestro::compiler {

// A source opened once: its size and time from one status call on the
// handle, its version words and its first input block read through the
// same handle.
class SourceStreams::Opened {
 public:
  void Open(const std::string& path, Compressor& compressor) {
    OpenSource(path, &file_);
    os::File::Stamp stamp = file_.GetStamp();
    info_ = SourceInfo{};
    info_.size = stamp.size;
    info_.dos_date_time = stamp.dos_date_time;
    info_.modified_unix = stamp.modified_unix;
    path_ = path;
    first_ = 0;
    first_error_ = nullptr;
    try {
      first_ = file_.Read(compressor.input(), kCompressBlock);
      read_ = first_;
      NotifySourceRead(path_, read_);
      const uint8_t* p = compressor.input();
      if (first_ >= 2 && p[0] == 'M' && p[1] == 'Z') {
        ReadPeFileVersion(file_, info_.size, &info_.version);
        file_.Seek(first_);
      }
    } catch (const Error&) {
      first_error_ = std::current_exception();  // a read error shows while compressing
    }
  }

  const SourceInfo& info() const { return info_; }

  // The stream; stop (if given) ends it between two blocks. The file is
  // closed, also on failure.
  CompressResult Compress(Compressor& compressor, const WriteFn& write, const std::atomic<bool>* stop) {
    struct CloseFile {
      os::File& f;
      ~CloseFile() { f.Close(); }
    } close_file{file_};
    if (first_error_) std::rethrow_exception(first_error_);
    return compressor.Compress(
        first_,
        [&](uint8_t* buf, size_t n) {
          if (stop && stop->load(std::memory_order_relaxed)) throw Stopped{};
          size_t got = file_.Read(buf, n);
          read_ += got;
          NotifySourceRead(path_, read_);
          return got;
        },
        write);
  }

 private:
  os::File file_;
  std::string path_;
  SourceInfo info_;
  size_t first_ = 0;
  uint64_t read_ = 0;
  std::exception_ptr first_error_;
};

// One source in the workers' hands; guarded by mutex_.
struct SourceStreams::Job {
  bool opened = false, done = false;
  std::exception_ptr open_error, error;
  SourceInfo info;
  CompressResult result;
  std::deque<std::vector<uint8_t>> pieces;
  size_t held = 0;  // bytes in pieces

  void Reset() {
    opened = done = false;
    open_error = error = nullptr;
    info = SourceInfo{};
    result = CompressResult{};
    pieces.clear();
    held = 0;
  }
};

namespace {

// How far the workers may run ahead of the run, in sources.
constexpr size_t kLookahead = 256;
// The largest piece a worker hands over, and how many pieces of the stream
// whose turn it is may wait beyond the budget.
constexpr size_t kMaxPiece = 256u << 10;
constexpr size_t kTurnPieces = 4;

}  // namespace

SourceStreams::SourceStreams(std::vector<std::string> sources, const PackOptions& pack)
    : sources_(std::move(sources)), pack_(pack) {
  size_t jobs = static_cast<size_t>(std::max(1, pack_.jobs));
  jobs = std::min(jobs, sources_.size());
  if (jobs <= 1) {
    compressor_ = std::make_unique<Compressor>(kCompressLevel);
    opened_ = std::make_unique<Opened>();
    return;
  }
  piece_size_ = std::clamp(pack_.budget / 8, kCompressBlock, kMaxPiece);
  size_t slots = std::min(kLookahead, sources_.size());
  for (size_t i = 0; i < slots; ++i) slots_.push_back(std::make_unique<Job>());
  for (size_t i = 0; i < jobs; ++i) workers_.emplace_back([this] { Work(); });
}

SourceStreams::~SourceStreams() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  stopping_.store(true);
  work_changed_.notify_all();
  for (std::thread& t : workers_) t.join();
}

SourceInfo SourceStreams::Open(size_t k) {
  if (opened_) {
    opened_->Open(sources_[k], *compressor_);
    return opened_->info();
  }
  Job& job = Slot(k);
  std::unique_lock<std::mutex> lock(mutex_);
  current_ = k;
  work_changed_.notify_all();  // the worker of source k may pass the budget now
  job_changed_.wait(lock, [&] { return job.opened; });
  if (job.open_error) std::rethrow_exception(job.open_error);
  return job.info;
}

CompressResult SourceStreams::Write(size_t k, const WriteFn& write) {
  if (opened_) return opened_->Compress(*compressor_, write, nullptr);
  Job& job = Slot(k);
  for (;;) {
    std::vector<uint8_t> piece;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      job_changed_.wait(lock, [&] { return !job.pieces.empty() || job.done; });
      if (job.pieces.empty()) break;
      piece = std::move(job.pieces.front());
      job.pieces.pop_front();
      job.held -= piece.size();
      waiting_ -= piece.size();
    }
    work_changed_.notify_all();
    write(piece.data(), piece.size());
  }
  std::exception_ptr error;
  CompressResult result;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    error = job.error;
    result = job.result;
    job.Reset();
    released_ = k + 1;
  }
  work_changed_.notify_all();
  if (error) std::rethrow_exception(error);
  return result;
}

void SourceStreams::Work() {
  Compressor compressor(kCompressLevel);
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    work_changed_.wait(
        lock, [&] { return stop_ || (next_ < sources_.size() && next_ < released_ + slots_.size()); });
    if (stop_) return;
    size_t k = next_++;
    Job& job = Slot(k);
    lock.unlock();
    Produce(k, job, compressor);
    lock.lock();
  }
}

void SourceStreams::Produce(size_t k, Job& job, Compressor& compressor) {
  Opened source;
  auto finish = [&](std::exception_ptr open_error, std::exception_ptr error, const CompressResult& result) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      job.open_error = open_error;
      job.error = error;
      job.result = result;
      job.opened = job.done = true;
    }
    job_changed_.notify_all();
  };
  try {
    source.Open(sources_[k], compressor);
  } catch (...) {
    finish(std::current_exception(), nullptr, {});
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    job.info = source.info();
    job.opened = true;
  }
  job_changed_.notify_all();
  if (source.info().size > kMaxFormatSize) {
    finish(nullptr, nullptr, {});  // the run stops at it
    return;
  }

  std::vector<uint8_t> piece;
  try {
    // Small files fit one piece of about their own size.
    piece.reserve(static_cast<size_t>(std::min<uint64_t>(piece_size_, source.info().size + 64)));
    CompressResult result = source.Compress(
        compressor,
        [&](const uint8_t* buf, size_t n) {
          if (piece.size() + n > piece_size_ && !piece.empty()) {
            Publish(k, job, std::move(piece));
            piece = std::vector<uint8_t>();
            piece.reserve(piece_size_);
          }
          piece.insert(piece.end(), buf, buf + n);
        },
        &stopping_);
    if (!piece.empty()) Publish(k, job, std::move(piece));
    finish(nullptr, nullptr, result);
  } catch (const Stopped&) {
    // the run has ended
  } catch (...) {
    std::exception_ptr error = std::current_exception();
    if (!piece.empty()) {
      try {
        Publish(k, job, std::move(piece));
      } catch (const Stopped&) {
        return;
      }
    }
    finish(nullptr, error, {});
  }
}

void SourceStreams::Publish(size_t k, Job& job, std::vector<uint8_t>&& piece) {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    work_changed_.wait(lock, [&] {
      return stop_ || waiting_ + piece.size() <= pack_.budget ||
             (k == current_ && job.held < kTurnPieces * piece_size_);
    });
    if (stop_) throw Stopped{};
    waiting_ += piece.size();
    job.held += piece.size();
    job.pieces.push_back(std::move(piece));
  }
  job_changed_.notify_all();
}

}  // namespace kestro::compiler
