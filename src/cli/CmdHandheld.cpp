// handheld list|get|put|delete: the KP-418's trace files, over the same
// rules as the transfer window; and the handheld simulator.
#include <iostream>

#include "cli/Command.h"
#include "cli/Json.h"
#include "core/Excption.h"
#include "instrument/HandheldTransfer.h"
#include "instrument/RAPI2.h"
#include "instrument/RemoteFolder.h"
#include "settings/Config.h"
#include "sim/SimulatorHandheld.h"

namespace korv::cli {

namespace {

constexpr const char *kUsage = "handheld list [--root DIR] [--json] | handheld get [--root DIR] NAME... --to DIR "
                               "[--replace] | handheld put [--root DIR] FILE... [--replace] | "
                               "handheld delete [--root DIR] NAME...";

// --root, or the HandheldRoot setting.
std::string RootFrom(const Options &o) {
  if (o.Has("root")) {
    if (o.Value("root").empty()) throw UsageError{"--root needs a folder"};
    if (!PathSettingProblem("", o.Value("root")).empty())
      throw UsageError{"--root \"" + PrintableSetting(o.Value("root")) + "\" holds control characters"};
    return o.Value("root");
  }
  std::string root = LoadSettings().ReadString("OPTIONS", "HandheldRoot", "");
  if (std::string problem = PathSettingProblem("HandheldRoot", root); !problem.empty()) throw Exception(problem);
  return root;
}

void Say(const std::string &name, const std::string &message, const std::string &cause = {}) {
  std::cerr << (name.empty() ? std::string() : name + ": ") << message << "\n";
  if (!cause.empty()) std::cerr << cause << "\n";
}

// The device's own spelling of a name typed in another case (names match in
// any case there), so a copy on the PC is named as on the handheld.
std::string DeviceName(const std::vector<std::string> &list, const std::string &name) {
  const auto lower = [](std::string s) {
    for (char &c : s)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
  };
  for (const std::string &n : list)
    if (lower(n) == lower(name)) return n;
  return name;
}

// The names a command works on; none is wrong usage.
std::vector<std::string> Names(const Options &o) {
  std::vector<std::string> names(o.Positional().begin() + 1, o.Positional().end());
  if (names.empty()) throw UsageError{"give at least one " + std::string(o.Positional()[0] == "put" ? "file" : "name")};
  return names;
}

int RunHandheld(const Args &args) {
  const Options o(args, {"root", "to"}, {"json", "replace"});
  if (o.Positional().empty()) throw UsageError{"give list, get, put or delete"};
  const std::string action = o.Positional()[0];
  if (action != "list" && action != "get" && action != "put" && action != "delete")
    throw UsageError{"unknown action '" + action + "'"};
  if (o.Has("to") != (action == "get")) throw UsageError{"--to DIR belongs to get, and get needs it"};
  if (o.Has("json") && action != "list") throw UsageError{"--json belongs to list"};
  if (o.Has("replace") && action != "get" && action != "put") throw UsageError{"--replace belongs to get and put"};
  const std::vector<std::string> names = action == "list" ? std::vector<std::string>() : Names(o);

  const std::string root = RootFrom(o);
  TFolderRemoteApi api(root);
  TKP418Transfer transfer(api);
  try {
    transfer.Connect();
  } catch (const EmoxVantorCommError &) {
    Say({}, kMsgRapiInitBox,
        root.empty() ? "No handheld folder is set: give --root DIR or set HandheldRoot in [OPTIONS]."
                     : "The handheld folder " + root + " cannot be reached.");
    return 1;
  }
  struct TDisconnect {
    TKP418Transfer &T;
    ~TDisconnect() { T.Disconnect(); }
  } disconnect{transfer};

  if (action == "list") {
    const std::vector<std::string> &list = transfer.RefreshList();
    if (o.Has("json")) {
      JsonWriter j;
      j.BeginArray();
      for (const std::string &n : list)
        j.String(n);
      j.EndArray();
      std::cout << j.Text() << "\n";
    } else {
      for (const std::string &n : list)
        std::cout << n << "\n";
    }
    return 0;
  }

  int failed = 0;
  // One name at a time, so a failure names its file and the others go on.
  const TAskReplace refuse = [&](const std::string &name) {
    if (o.Has("replace")) return TReplaceAnswer::Yes;
    Say(name, "a file of that name is there already; give --replace to replace it");
    ++failed;
    return TReplaceAnswer::No;
  };
  if (action == "get") transfer.RefreshList();
  for (const std::string &name : names) {
    try {
      if (action == "get") {
        const std::string own = DeviceName(transfer.Names(), name);
        for (const std::string &path : transfer.CopyToPC(o.Value("to"), {own}, refuse).Copied)
          std::cout << path << "\n";
      } else if (action == "put") {
        for (const std::string &path : transfer.CopyToHandheld({name}, refuse).Copied)
          std::cout << path << "\n";
      } else {
        transfer.Delete({name}, [&](const std::string &n) {
          Say(n, kMsgRemoteDeleteFailed, api.ErrorText(api.CeGetLastError()));
          ++failed;
        });
      }
    } catch (const ERAPI2Exception &e) {
      Say(name, e.Message(), e.Cause);
      ++failed;
    }
  }
  return failed > 0 ? 1 : 0;
}

const Registrar kHandheld("handheld", kUsage,
                          "list, copy and delete the trace files of a KP418 handheld mounted as a folder "
                          "(HandheldRoot setting or --root)",
                          RunHandheld);

} // namespace

int RunSimulateHandheld(const Options &o) {
  if (!o.Has("root") || o.Value("root").empty()) throw UsageError{"--instrument handheld needs --root DIR"};
  for (const char *other : {"model", "firmware", "traces", "fault", "pace"})
    if (o.Has(other)) throw UsageError{std::string("--") + other + " is not for --instrument handheld"};
  if (!o.Positional().empty()) throw UsageError{"--instrument handheld takes no files"};
  const long long count = o.Integer("count", 4);
  if (count < 1 || count > kMaxSimulatedHandheldTraces)
    throw UsageError{"--count must be 1 to " + std::to_string(kMaxSimulatedHandheldTraces)};
  const std::vector<std::string> paths = PrepareHandheldFolder(o.Value("root"), static_cast<int>(count));
  std::cout << "root: " << o.Value("root") << "\n";
  for (const std::string &p : paths)
    std::cout << p << "\n";
  return 0;
}

} // namespace korv::cli
