// One object per thread of a batch, made the first time a thread asks for
// it and kept until the batch is over: what a job may change but is worth
// keeping from one job to the next on the same thread, such as an
// encoder's matches of colours.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace zorv::cli {

template <typename T>
class PerThread {
 public:
  explicit PerThread(std::function<std::unique_ptr<T>()> make) : make_(std::move(make)) {}

  // This thread's object. Only this thread uses it; the lock guards the
  // list of them, not the objects.
  T& Mine() {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::unique_ptr<T>& mine = made_[std::this_thread::get_id()];
    if (!mine) mine = make_();
    return *mine;
  }

 private:
  std::function<std::unique_ptr<T>()> make_;
  std::mutex mutex_;
  std::map<std::thread::id, std::unique_ptr<T>> made_;
};

}  // namespace zorv::cli
