#include "sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace kvl::test {

std::string KvlsimPath() {
  const char* dir = std::getenv("KVL_BUILD_DIR");
  return std::string(dir ? dir : ".") + "/tools/kvlsim";
}

SimProcess::SimProcess(const std::vector<std::string>& args) {
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0) return;
  if (pipe2(out, O_CLOEXEC) != 0) {
    close(in[0]);
    close(in[1]);
    return;
  }
  const std::string path = KvlsimPath();
  std::vector<char*> argv{const_cast<char*>(path.c_str())};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_ = fork();
  if (pid_ == 0) {
    dup2(in[0], STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  in_ = in[1];
  out_ = out[0];
}

SimProcess::~SimProcess() {
  if (pid_ > 0) SignalAndWait(SIGTERM, 2000);
  if (in_ >= 0) close(in_);
  if (out_ >= 0) close(out_);
}

bool SimProcess::ReadLine(std::string* line, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const auto nl = buffer_.find('\n');
    if (nl != std::string::npos) {
      *line = buffer_.substr(0, nl);
      buffer_.erase(0, nl + 1);
      return true;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (out_ < 0 || left.count() <= 0) return false;
    pollfd p{out_, POLLIN, 0};
    if (poll(&p, 1, int(left.count())) <= 0) return false;
    char buf[512];
    const ssize_t n = read(out_, buf, sizeof buf);
    if (n <= 0) return false;
    buffer_.append(buf, std::size_t(n));
  }
}

std::string SimProcess::Command(const std::string& line) {
  const std::string text = line + "\n";
  if (in_ < 0 || write(in_, text.data(), text.size()) != ssize_t(text.size())) return "";
  std::string reply;
  ReadLine(&reply);
  return reply;
}

int SimProcess::Wait(int timeoutMs) {
  int status = 0;
  for (int waited = 0; waited < timeoutMs; waited += 10) {
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid_, SIGKILL);
  waitpid(pid_, &status, 0);
  pid_ = -1;
  return -1;
}

int SimProcess::CloseInputAndWait(int timeoutMs) {
  if (in_ >= 0) close(in_);
  in_ = -1;
  return pid_ > 0 ? Wait(timeoutMs) : -1;
}

int SimProcess::SignalAndWait(int sig, int timeoutMs) {
  if (pid_ <= 0) return -1;
  kill(pid_, sig);
  return Wait(timeoutMs);
}

}  // namespace kvl::test
