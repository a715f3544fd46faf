#include "graduation/run_data_syncer.h"

#include <chrono>
#include <map>
#include <set>

#include "platform/files.h"
#include "platform/replace_file.h"

namespace kvl {

namespace {
constexpr int kMaxWaitMs = 1000;
}  // namespace

CFileSyncer::CFileSyncer(int delayMs) : delayMs_(delayMs), thread_([this] { Run(); }) {}

CFileSyncer::~CFileSyncer() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  cv_.notify_all();
  thread_.join();
}

void CFileSyncer::Submit(int fd, std::string file, std::string folderToSync) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back({fd, std::move(file), std::move(folderToSync)});
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
    // A round starts once the writes have paused for delayMs (the rest of
    // the tick's files join it, and the syncs run between ticks rather than
    // beside the next tick's writes), and at the latest a second after the
    // first descriptor came, unless someone waits for it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kMaxWaitMs);
    while (!stop_ && !flushWanted_ && std::chrono::steady_clock::now() < deadline) {
      const std::size_t before = queue_.size();
      const bool woken = cv_.wait_for(lock, std::chrono::milliseconds(delayMs_),
                                      [&] { return stop_ || flushWanted_ || queue_.size() != before; });
      if (!woken) break;  // quiet for delayMs
    }
    std::vector<Item> round;
    round.swap(queue_);
    flushWanted_ = false;
    lock.unlock();
    // The last descriptor of each file is synced, after every write to it in the round.
    std::map<std::string, int> last;
    for (const Item& item : round) last[item.file] = item.fd;
    std::set<std::string> folders;
    for (const auto& [file, fd] : last)
      if (platform::SyncFile(fd) != 0) failed_.fetch_add(1);
    for (const Item& item : round) {
      platform::CloseFile(item.fd);
      if (!item.folder.empty()) folders.insert(item.folder);
    }
    for (const std::string& folder : folders)
      if (platform::SyncFolder(folder) != 0) failed_.fetch_add(1);
    rounds_.fetch_add(1);
    lock.lock();
    synced_ += round.size();
    doneCv_.notify_all();
  }
}

}  // namespace kvl
