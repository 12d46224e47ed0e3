// korvtool: the program's engine on the command line.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>

#include "cli/Command.h"
#include "core/Excption.h"
#include "core/Version.h"

namespace {
// Output cut short (a full disk, a closed pipe) must not look like success.
int CheckedStandardOutput(int status) {
  std::cout.flush();
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  const int err = errno;
  if (flushed && std::cout.good() && std::ferror(stdout) == 0) return status;
  std::cerr << "korvtool: writing to standard output failed" << (err != 0 ? std::string(": ") + std::strerror(err) : "")
            << "\n";
  return status == 0 ? 1 : status;
}

void PrintUsage() {
  std::cerr << "usage: korvtool COMMAND [ARGS...] | --version | --help\n\ncommands:\n";
  for (const auto &[name, info] : korv::cli::Registry())
    std::cerr << "  " << info.Usage << "\n      " << info.Summary << "\n";
}
} // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    PrintUsage();
    return 2;
  }
  const std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintUsage();
    return 0;
  }
  if (name == "--version") {
    std::cout << "korvtool " << korv::kVersion << "\n";
    return CheckedStandardOutput(0);
  }
  auto &reg = korv::cli::Registry();
  const auto it = reg.find(name);
  if (it == reg.end()) {
    std::cerr << "korvtool: unknown command '" << name << "'\n";
    PrintUsage();
    return 2;
  }
  korv::cli::Args args(argv + 2, argv + argc);
  for (const auto &a : args) {
    if (a == "--help" || a == "-h") {
      std::cout << "usage: korvtool " << it->second.Usage << "\n  " << it->second.Summary << "\n";
      return 0;
    }
  }
  int status = 1;
  try {
    status = it->second.Run(args);
  } catch (const korv::cli::UsageError &e) {
    std::cerr << "korvtool " << name << ": " << e.Message << "\nusage: korvtool " << it->second.Usage << "\n";
    status = 2;
  } catch (const std::exception &e) {
    std::cerr << e.what() << "\n";
    status = 1;
  }
  return CheckedStandardOutput(status);
}
