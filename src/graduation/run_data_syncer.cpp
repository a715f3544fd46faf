#include "graduation/run_data_syncer.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <set>

namespace kvl {

CFileSyncer::CFileSyncer(int delayMs) : delayMs_(delayMs), thread_([this] { Run(); }) {}

CFileSyncer::~CFileSyncer() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  cv_.notify_all();
  thread_.join();
}

void CFileSyncer::Submit(int fd, std::string folderToSync) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back({fd, std::move(folderToSync)});
    ++submitted_;
  }
  cv_.notify_all();
}

void CFileSyncer::Flush() {
  std::unique_lock lock(mutex_);
  const std::uint64_t target = submitted_;
  flushWanted_ = true;
  cv_.notify_all();
  doneCv_.wait(lock, [&] { return synced_ >= target; });
}

void CFileSyncer::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    cv_.wait(lock, [&] { return stop_ || !queue_.empty(); });
    if (queue_.empty() && stop_) return;
    // Let the rest of the tick's files join the round, unless someone waits.
    if (!stop_ && !flushWanted_)
      cv_.wait_for(lock, std::chrono::milliseconds(delayMs_), [&] { return stop_ || flushWanted_; });
    std::vector<Item> round;
    round.swap(queue_);
    flushWanted_ = false;
    lock.unlock();
    std::set<std::string> folders;
    for (Item& item : round) {
      if (::fdatasync(item.fd) != 0) failed_.fetch_add(1);
      ::close(item.fd);
      if (!item.folder.empty()) folders.insert(item.folder);
    }
    for (const std::string& folder : folders) {
      const int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (dfd < 0 || ::fsync(dfd) != 0) failed_.fetch_add(1);
      if (dfd >= 0) ::close(dfd);
    }
    rounds_.fetch_add(1);
    lock.lock();
    synced_ += round.size();
    doneCv_.notify_all();
  }
}

}  // namespace kvl
