#include "InstrumentProcess.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::vector<char *> Argv(std::vector<std::string> &args) {
  std::vector<char *> v;
  for (auto &a : args)
    v.push_back(a.data());
  v.push_back(nullptr);
  return v;
}

std::string Slurp(int fd) {
  std::string s;
  char buf[4096];
  ::lseek(fd, 0, SEEK_SET);
  for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
    s.append(buf, static_cast<std::size_t>(n));
  return s;
}

// Reads without moving the offset the child writes at.
std::string Peek(int fd) {
  std::string s;
  char buf[4096];
  off_t at = 0;
  for (ssize_t n; (n = ::pread(fd, buf, sizeof buf, at)) > 0; at += n)
    s.append(buf, static_cast<std::size_t>(n));
  return s;
}

int TempFile() {
  char name[] = "/tmp/korve2e.XXXXXX";
  const int fd = ::mkstemp(name);
  ::unlink(name);
  return fd;
}

} // namespace

namespace {

TRunResult Run(const std::vector<std::string> &args, double limitSeconds, const std::string &interruptAt);

} // namespace

TRunResult RunKorvtool(const std::vector<std::string> &args, double limitSeconds) {
  return Run(args, limitSeconds, {});
}

TRunResult RunKorvtoolInterrupted(const std::vector<std::string> &args, const std::string &text, double limitSeconds) {
  return Run(args, limitSeconds, text);
}

namespace {

TRunResult Run(const std::vector<std::string> &args, double limitSeconds, const std::string &interruptAt) {
  std::vector<std::string> all{KORVTOOL};
  all.insert(all.end(), args.begin(), args.end());
  const int out = TempFile();
  const int err = TempFile();
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out, 1);
    ::dup2(err, 2);
    auto argv = Argv(all);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  TRunResult r;
  int status = 0;
  bool interrupted = false;
  for (;;) {
    const pid_t w = ::waitpid(pid, &status, WNOHANG);
    r.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (w == pid) break;
    if (!interrupted && !interruptAt.empty() && Peek(err).find(interruptAt) != std::string::npos) {
      ::kill(pid, SIGINT);
      interrupted = true;
    }
    if (r.Seconds > limitSeconds) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      status = -1;
      break;
    }
    ::usleep(10000);
  }
  r.ExitCode = status == -1 ? -1 : (WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
  r.Out = Slurp(out);
  r.Err = Slurp(err);
  ::close(out);
  ::close(err);
  return r;
}

} // namespace

TSimProcess::TSimProcess(const std::vector<std::string> &args) {
  std::vector<std::string> all{KORVTOOL, "simulate"};
  all.insert(all.end(), args.begin(), args.end());
  int fds[2];
  if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
  m_pid = ::fork();
  if (m_pid == 0) {
    ::dup2(fds[1], 1);
    ::close(fds[0]);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 2);
    auto argv = Argv(all);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(fds[1]);
  m_out = fds[0];
  // The first line names the port.
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    pollfd p{m_out, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    char c;
    if (::read(m_out, &c, 1) != 1) break;
    line.push_back(c);
  }
  if (line.rfind("port: ", 0) != 0) throw std::runtime_error("simulator did not start: " + line);
  m_port = line.substr(6, line.find('\n') - 6);
}

void TSimProcess::Stop() {
  if (m_pid > 0) {
    ::kill(m_pid, SIGTERM);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
  }
}

TSimProcess::~TSimProcess() {
  Stop();
  if (m_out >= 0) ::close(m_out);
}
