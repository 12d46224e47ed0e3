#pragma once
// korvtool subcommands register themselves here, one file per group.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "formats/DocumentIO.h"
#include "settings/IniFile.h"

namespace korv::cli {

using Args = std::vector<std::string>;
// Returns the exit status: 0 success, 1 failure, 2 wrong usage.
using CommandFn = std::function<int(const Args &)>;

struct CommandInfo {
  std::string Usage;
  std::string Summary;
  CommandFn Run;
};

std::map<std::string, CommandInfo> &Registry();

struct Registrar {
  Registrar(const std::string &name, const std::string &usage, const std::string &summary, CommandFn fn) {
    Registry()[name] = CommandInfo{usage, summary, std::move(fn)};
  }
};

// Thrown for wrong usage; main prints the message and the command's usage, exit 2.
struct UsageError {
  std::string Message;
};

// Small option parser: --name value, --flag, and positional arguments.
class Options {
public:
  Options(const Args &args, const std::vector<std::string> &valueOptions, const std::vector<std::string> &flags);
  bool Has(const std::string &name) const;
  std::string Value(const std::string &name, const std::string &def = {}) const;
  std::vector<std::string> Values(const std::string &name) const;
  double Number(const std::string &name, double def) const;
  long long Integer(const std::string &name, long long def) const;
  const std::vector<std::string> &Positional() const { return m_positional; }

private:
  std::multimap<std::string, std::string> m_values;
  std::vector<std::string> m_positional;
};

// Opens a file the way a document window does; a failure is raised with the
// same words the window would show.
TOpenResult OpenOrReport(const std::string &path, const TOpenOptions &options = {});
// Saves the way a document window does (older versions updated without
// asking); a failure is raised with the window's words.
void SaveOrReport(
    TmoxDocument &doc, const std::string &path, int traceIndex = 0,
    const std::function<bool()> &confirmOlder = [] { return true; });

// The settings file korvtool reads: beside the program when it is there,
// else in the user's config folder. A file that cannot be read is warned
// about and the defaults apply.
TIniFile LoadSettings();

// simulate --instrument handheld (CmdHandheld.cpp).
int RunSimulateHandheld(const Options &o);

} // namespace korv::cli
