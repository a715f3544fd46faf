#include "kvlctl_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace kvl::test {
namespace {

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

std::string KvlctlPath() {
  const char* dir = std::getenv("KVL_BUILD_DIR");
  return std::string(dir && *dir ? dir : KVL_BUILD_DIR_PATH) + "/tools/kvlctl";
}

KvlctlProcess::KvlctlProcess(const std::vector<std::string>& args) {
  std::vector<std::string> argv{KvlctlPath()};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv;
  for (auto& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);
  int out[2], err[2];
  if (pipe2(out, O_CLOEXEC) != 0) return;
  if (pipe2(err, O_CLOEXEC) != 0) {
    close(out[0]);
    close(out[1]);
    return;
  }
  pid_ = fork();
  if (pid_ == 0) {
    dup2(out[1], STDOUT_FILENO);
    dup2(err[1], STDERR_FILENO);
    // The test's own descriptors (the pty master above all) stay out of the child.
    for (int fd = 3; fd < 1024; ++fd) close(fd);
    execv(cargv[0], cargv.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  out_ = out[0];
  err_ = err[0];
}

KvlctlProcess::~KvlctlProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (out_ >= 0) close(out_);
  if (err_ >= 0) close(err_);
}

bool KvlctlProcess::Pump(int waitMs) {
  pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
  if (out_ < 0 && err_ < 0) return false;
  if (poll(fds, 2, waitMs) <= 0) return true;
  int* ends[2] = {&out_, &err_};
  std::string* texts[2] = {&result_.out, &result_.err};
  for (int i = 0; i < 2; ++i) {
    if (*ends[i] < 0 || !fds[i].revents) continue;
    char buf[4096];
    const ssize_t r = read(*ends[i], buf, sizeof buf);
    if (r > 0) {
      texts[i]->append(buf, static_cast<std::size_t>(r));
    } else {
      close(*ends[i]);
      *ends[i] = -1;
    }
  }
  return out_ >= 0 || err_ >= 0;
}

bool KvlctlProcess::WaitForOut(const std::string& needle, int timeoutMs) {
  const std::int64_t end = NowMs() + timeoutMs;
  while (result_.out.find(needle) == std::string::npos) {
    const std::int64_t left = end - NowMs();
    if (left <= 0 || !Pump(static_cast<int>(left))) return result_.out.find(needle) != std::string::npos;
  }
  return true;
}

void KvlctlProcess::Signal(int sig) {
  if (pid_ > 0) kill(pid_, sig);
}

KvlctlResult KvlctlProcess::Finish(int timeoutMs) {
  if (pid_ <= 0) return result_;
  const std::int64_t end = NowMs() + timeoutMs;
  for (;;) {
    const std::int64_t left = end - NowMs();
    if (left <= 0) {
      result_.timedOut = true;
      kill(pid_, SIGKILL);
      break;
    }
    if (!Pump(static_cast<int>(left))) break;
  }
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  result_.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result_;
}

KvlctlResult RunKvlctl(const std::vector<std::string>& args, int timeoutMs) {
  KvlctlProcess p(args);
  return p.Finish(timeoutMs);
}

}  // namespace kvl::test
