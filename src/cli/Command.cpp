#include "cli/Command.h"

#include <algorithm>
#include <filesystem>
#include <iostream>

#include "core/ErrorText.h"
#include "core/Excption.h"
#include "core/TextUtil.h"
#include "settings/Config.h"

namespace korv::cli {

std::map<std::string, CommandInfo> &Registry() {
  static std::map<std::string, CommandInfo> registry;
  return registry;
}

Options::Options(const Args &args, const std::vector<std::string> &valueOptions,
                 const std::vector<std::string> &flags) {
  auto contains = [](const std::vector<std::string> &v, const std::string &s) {
    return std::find(v.begin(), v.end(), s) != v.end();
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string &a = args[i];
    if (a.size() > 2 && a.rfind("--", 0) == 0) {
      std::string key = a.substr(2);
      std::string value;
      const auto eq = key.find('=');
      bool hasInline = false;
      if (eq != std::string::npos) {
        value = key.substr(eq + 1);
        key = key.substr(0, eq);
        hasInline = true;
      }
      if (contains(valueOptions, key)) {
        if (!hasInline) {
          if (i + 1 >= args.size()) throw UsageError{"option --" + key + " needs a value"};
          value = args[++i];
        }
        m_values.emplace(key, value);
      } else if (contains(flags, key)) {
        if (hasInline) throw UsageError{"option --" + key + " takes no value"};
        m_values.emplace(key, "");
      } else {
        throw UsageError{"unknown option --" + key};
      }
    } else {
      m_positional.push_back(a);
    }
  }
}

bool Options::Has(const std::string &name) const { return m_values.count(name) > 0; }

std::string Options::Value(const std::string &name, const std::string &def) const {
  const auto it = m_values.find(name);
  return it == m_values.end() ? def : it->second;
}

std::vector<std::string> Options::Values(const std::string &name) const {
  std::vector<std::string> out;
  const auto range = m_values.equal_range(name);
  for (auto it = range.first; it != range.second; ++it)
    out.push_back(it->second);
  return out;
}

double Options::Number(const std::string &name, double def) const {
  if (!Has(name)) return def;
  double v = 0;
  if (!ParseDouble(Value(name), v)) throw UsageError{"--" + name + " needs a number, not '" + Value(name) + "'"};
  return v;
}

long long Options::Integer(const std::string &name, long long def) const {
  if (!Has(name)) return def;
  long long v = 0;
  if (!ParseInt(Value(name), v)) throw UsageError{"--" + name + " needs a whole number, not '" + Value(name) + "'"};
  return v;
}

TOpenResult OpenOrReport(const std::string &path, const TOpenOptions &options) {
  try {
    return OpenDocument(path, options);
  } catch (...) {
    const TFailureReport r = DescribeOpenFailure(std::current_exception(), path);
    throw Exception(r.Message.empty() ? r.Summary : r.Message);
  }
}

void SaveOrReport(TmoxDocument &doc, const std::string &path, int traceIndex,
                  const std::function<bool()> &confirmOlder) {
  try {
    SaveDocument(doc, path, confirmOlder, traceIndex);
  } catch (...) {
    const TFailureReport r = DescribeSaveFailure(std::current_exception(), path);
    throw Exception(r.Message.empty() ? r.Summary : r.Message);
  }
}

namespace {

std::string ProgramDir() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string(".") : exe.parent_path().string();
}

} // namespace

TIniFile LoadSettings() {
  // The file korvmox uses, found in the same order.
  const std::string path = SettingsFilePath(TSettingsLocations::FromEnvironment(ProgramDir()));
  try {
    return TIniFile::Load(path);
  } catch (const ESAFileStream_Exception &e) {
    std::cerr << "warning: the settings file " << path << " was not read (" << (e.Cause.empty() ? e.Message() : e.Cause)
              << "); the defaults apply\n";
    return TIniFile::Load("");
  }
}

} // namespace korv::cli
