#include "host/picture_writer.h"

#include "assets/png_writer.h"

namespace bw::host {

namespace {
constexpr size_t kMaxWaiting = 2;  // pictures queued besides the one being written
}  // namespace

PictureWriter::PictureWriter(ContactSheet* sheet) : sheet_(sheet), worker_([this] { run(); }) {}

PictureWriter::~PictureWriter() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    queue_.clear();
  }
  changed_.notify_all();
  worker_.join();
}

bool PictureWriter::save(assets::PixelBuffer picture, std::string path,
                         std::function<void()> written) {
  return queue(Job{std::move(picture), std::move(path), std::move(written), true});
}

bool PictureWriter::save_frame(assets::PixelBuffer frame, std::string path) {
  return queue(Job{std::move(frame), std::move(path), nullptr, false});
}

bool PictureWriter::queue(Job job) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return failure_ || queue_.size() < kMaxWaiting; });
  if (failure_) return false;
  queue_.push_back(std::move(job));
  lock.unlock();
  changed_.notify_all();
  return true;
}

bool PictureWriter::finish(std::string* error) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return failure_ || (queue_.empty() && !busy_); });
  if (!failure_) return true;
  *error = *failure_;
  return false;
}

std::optional<std::string> PictureWriter::failure() {
  std::lock_guard<std::mutex> lock(mutex_);
  return failure_;
}

void PictureWriter::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    Job job = std::move(queue_.front());
    queue_.pop_front();
    busy_ = true;
    lock.unlock();
    changed_.notify_all();  // room in the queue

    std::string error;
    bool done = assets::save_png(job.picture, job.path, &error);
    if (done && job.on_sheet && sheet_ != nullptr && !sheet_->add(job.picture, &error)) {
      error = "contact sheet: " + error;
      done = false;
    }
    if (done && job.written) job.written();

    lock.lock();
    busy_ = false;
    if (!done && !failure_) failure_ = error;
    if (!done) queue_.clear();
    changed_.notify_all();
  }
}

}  // namespace bw::host
