// power-setup and quick-text: the analyzer's power setup records and quick
// text rows, read into files and stored from files.
#include <iostream>

#include "cli/Command.h"
#include "cli/InstrumentSession.h"
#include "core/Excption.h"
#include "instrument/PwrSetup.h"
#include "instrument/QuickText.h"

namespace korv::cli {

namespace {

int Fail(const std::string &message) {
  std::cerr << message << "\n";
  return 1;
}

// A file that cannot be read or written: the message, the file, and the
// system's cause when there is one.
int FileFailure(const Exception &e, const std::string &path) {
  std::cerr << e.Message() << "\n" << path << "\n";
  if (const auto *io = dynamic_cast<const ESAFileStream_Exception *>(&e); io != nullptr && !io->Cause.empty())
    std::cerr << io->Cause << "\n";
  return 1;
}

struct TSetupArgs {
  std::string Verb;
  std::string File;
  std::string Port;
};

TSetupArgs ParseArgs(const Args &args) {
  const Options o(args, {"port"}, {});
  const auto &pos = o.Positional();
  if (pos.size() != 2 || (pos[0] != "get" && pos[0] != "put")) throw UsageError{"give get OUT or put IN"};
  return {pos[0], pos[1], PortFrom(o)};
}

int RunPowerSetup(const Args &args) {
  const TSetupArgs a = ParseArgs(args);
  if (a.Verb == "get") {
    const bool textForm = IsSetupTextFile(a.File);
    TSession s(a.Port);
    TPowerSetupList list = DefaultSetupList();
    try {
      LoadSetupsFromAnalyzer(s.Comm,
                             [&list](int n, const TPowerSetupRecord &r) { list[static_cast<std::size_t>(n - 1)] = r; });
    } catch (const Exception &e) {
      return Fail(e.Message());
    }
    try {
      SaveSetupFile(a.File, list, textForm);
    } catch (const Exception &e) {
      return FileFailure(e, a.File);
    }
    std::cout << a.File << "\n";
    return 0;
  }
  // Records the file does not hold are stored as a new list has them.
  TPowerSetupList list = DefaultSetupList();
  try {
    list = LoadSetupFile(a.File, list);
  } catch (const Exception &e) {
    return FileFailure(e, a.File);
  }
  TSession s(a.Port);
  try {
    SendSetupsToAnalyzer(s.Comm, list);
  } catch (const Exception &e) {
    return Fail(e.Message());
  }
  std::cout << kSetupRecordCount << " records stored\n";
  return 0;
}

int RunQuickText(const Args &args) {
  const TSetupArgs a = ParseArgs(args);
  if (a.Verb == "get") {
    TSession s(a.Port);
    TQuickTextList rows;
    try {
      rows = LoadQuickTextFromAnalyzer(s.Comm);
    } catch (const Exception &e) {
      return Fail(e.Message());
    }
    try {
      SaveQuickTextFile(a.File, rows);
    } catch (const Exception &e) {
      return FileFailure(e, a.File);
    }
    std::cout << a.File << "\n";
    return 0;
  }
  TQuickTextList rows;
  try {
    rows = LoadQuickTextFile(a.File);
  } catch (const Exception &e) {
    return FileFailure(e, a.File);
  }
  TSession s(a.Port);
  int sent = 0;
  try {
    SendQuickTextToAnalyzer(s.Comm, rows, [&sent](int done, int) { sent = done; });
  } catch (const Exception &e) {
    return Fail(e.Message());
  }
  std::cout << sent << " rows stored\n";
  return 0;
}

const Registrar kPowerSetup("power-setup", "power-setup get|put [--port DEV] FILE",
                            "read the 20 power setup records into FILE (.txt: the analyzer's text form, else "
                            ".pwrsetup CSV), or store them from FILE",
                            RunPowerSetup);
const Registrar kQuickText("quick-text", "quick-text get|put [--port DEV] FILE",
                           "read the 13 quick text rows into FILE, or store the rows of FILE", RunQuickText);

} // namespace

} // namespace korv::cli
