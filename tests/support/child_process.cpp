#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace kvl::test {
namespace {

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

std::string BuiltToolPath(const std::string& name) {
  const char* dir = std::getenv("KVL_BUILD_DIR");
  return std::string(dir && *dir ? dir : KVL_BUILD_DIR_PATH) + "/tools/" + name;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, ProcessOptions options) {
  if (argv.empty()) return;
  int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1};
  auto closeAll = [&] {
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
      if (fd >= 0) close(fd);
  };
  if ((options.pipeInput && pipe2(in, O_CLOEXEC) != 0) || pipe2(out, O_CLOEXEC) != 0 ||
      (options.captureError && pipe2(err, O_CLOEXEC) != 0)) {
    closeAll();
    return;
  }
  std::vector<char*> args;
  for (auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_ = fork();
  if (pid_ == 0) {
    if (options.pipeInput) {
      dup2(in[0], STDIN_FILENO);
    } else {
      const int null = open("/dev/null", O_RDONLY);
      if (null >= 0) dup2(null, STDIN_FILENO);
    }
    dup2(out[1], STDOUT_FILENO);
    if (options.captureError) dup2(err[1], STDERR_FILENO);
    // The test's own descriptors (pty masters above all) stay out of the child.
    for (int fd = 3; fd < 1024; ++fd) close(fd);
    execv(args[0], args.data());
    _exit(127);
  }
  if (pid_ < 0) {
    closeAll();
    return;
  }
  for (int fd : {in[0], out[1], err[1]})
    if (fd >= 0) close(fd);
  in_ = in[1];
  out_ = out[0];
  err_ = err[0];
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  for (int fd : {in_, out_, err_})
    if (fd >= 0) close(fd);
}

bool ChildProcess::Pump(int waitMs, bool* readSome) {
  if (readSome) *readSome = false;
  if (out_ < 0 && err_ < 0) return false;
  pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
  if (poll(fds, 2, waitMs) <= 0) return true;
  if (readSome) *readSome = true;
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

bool ChildProcess::ReadLine(std::string* line, int timeoutMs) {
  const std::int64_t end = NowMs() + timeoutMs;
  for (;;) {
    const auto nl = result_.out.find('\n', lineCursor_);
    if (nl != std::string::npos) {
      *line = result_.out.substr(lineCursor_, nl - lineCursor_);
      lineCursor_ = nl + 1;
      return true;
    }
    const std::int64_t left = end - NowMs();
    if (left <= 0 || !Pump(static_cast<int>(left))) return false;
  }
}

bool ChildProcess::WaitForOut(const std::string& needle, int timeoutMs) {
  const std::int64_t end = NowMs() + timeoutMs;
  while (result_.out.find(needle) == std::string::npos) {
    const std::int64_t left = end - NowMs();
    if (left <= 0 || !Pump(static_cast<int>(left))) return result_.out.find(needle) != std::string::npos;
  }
  return true;
}

bool ChildProcess::WriteInput(const std::string& text) {
  if (in_ < 0) return false;
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t w = write(in_, text.data() + done, text.size() - done);
    if (w <= 0) return false;
    done += static_cast<std::size_t>(w);
  }
  return true;
}

void ChildProcess::CloseInput() {
  if (in_ >= 0) close(in_);
  in_ = -1;
}

void ChildProcess::Signal(int sig) {
  if (pid_ > 0) kill(pid_, sig);
}

ProcessResult ChildProcess::Finish(int timeoutMs) {
  if (pid_ <= 0) return result_;
  const std::int64_t end = NowMs() + timeoutMs;
  int status = 0;
  for (;;) {
    const std::int64_t left = end - NowMs();
    if (left <= 0) {
      result_.timedOut = true;
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      break;
    }
    // The pipes may stay open in a grandchild; the program's own end counts.
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      bool more = true;
      while (more && Pump(0, &more)) {
      }
      break;
    }
    Pump(static_cast<int>(std::min<std::int64_t>(left, 20)));
  }
  pid_ = -1;
  result_.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result_;
}

ProcessResult ChildProcess::Stop(int timeoutMs) {
  Signal(SIGTERM);
  return Finish(timeoutMs);
}

}  // namespace kvl::test
