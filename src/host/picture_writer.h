// The files of a headless run, written on a worker thread: compressing a finished picture
// into its PNG file and onto the contact sheet takes about as long as painting the next
// one, so the two go side by side; the displayed frames of a film go the same way, in
// order. Each file appears whole under its name or not at all
// (assets/png_writer.h); a run that stops removes what was half written.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "assets/pixel_buffer.h"
#include "host/contact_sheet.h"

namespace bw::host {

class PictureWriter {
 public:
  // Pictures also go onto `sheet` (may be null), which only the worker touches until
  // finish() has returned.
  explicit PictureWriter(ContactSheet* sheet);
  // Drops the pictures still waiting, waits for the one being written, and removes
  // anything left unfinished.
  ~PictureWriter();
  PictureWriter(const PictureWriter&) = delete;
  PictureWriter& operator=(const PictureWriter&) = delete;

  // Queues `picture` for `path`; `written` runs on the worker once the file is in place.
  // Waits while two pictures are already waiting, so that memory holds at most three.
  // False, with nothing queued, once a write has failed.
  bool save(assets::PixelBuffer picture, std::string path, std::function<void()> written);
  // Queues a displayed frame for `path`, as save() does, but not onto the sheet.
  bool save_frame(assets::PixelBuffer frame, std::string path);
  // Waits until everything queued is written; false with the first failure's line.
  bool finish(std::string* error);
  // The first failure so far, without waiting; none while all goes well.
  std::optional<std::string> failure();

 private:
  struct Job {
    assets::PixelBuffer picture;
    std::string path;
    std::function<void()> written;
    bool on_sheet = true;
  };
  bool queue(Job job);
  void run();

  ContactSheet* sheet_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> queue_;
  bool busy_ = false;      // the worker holds a job
  bool stopping_ = false;  // the destructor asks the worker to end
  std::optional<std::string> failure_;
  std::thread worker_;     // last: starts once everything above exists
};

}  // namespace bw::host
