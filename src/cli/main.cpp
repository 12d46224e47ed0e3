// korvtool: the program's engine on the command line.
#include <cstdio>
#include <exception>
#include <iostream>

#include "cli/Command.h"
#include "core/Excption.h"

namespace {
void PrintUsage() {
  std::cerr << "usage: korvtool COMMAND [ARGS...]\n\ncommands:\n";
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
  try {
    return it->second.Run(args);
  } catch (const korv::cli::UsageError &e) {
    std::cerr << "korvtool " << name << ": " << e.Message << "\nusage: korvtool " << it->second.Usage << "\n";
    return 2;
  } catch (const std::exception &e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
}
