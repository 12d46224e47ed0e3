#include "core/ErrorText.h"

#include <new>

#include "core/Excption.h"

namespace korv {

namespace {
const char *IOErrorText(int code) {
  switch (code) {
  case 2: return "File not found:\r";
  case 3: return "Invalid file name:\r";
  case 4: return "Too many open files:\r";
  case 5: return "Access denied:\r";
  case 100: return "EOF:\r";
  case 101: return "Disk full:\r";
  case 106: return "Invalid input:\r";
  default: return nullptr;
  }
}
// The cause on a line of its own in the box; in brackets in the one-line summary.
std::string CauseLine(const std::string &cause) { return cause.empty() ? std::string() : "\r\n" + cause; }
std::string CauseNote(const std::string &cause) { return cause.empty() ? std::string() : " (" + cause + ")"; }
} // namespace

TFailureReport DescribeOpenFailure(const std::exception_ptr &error, const std::string &name) {
  const std::string prefix = "TfrmDoc.OpenFileW(): ";
  TFailureReport r;
  try {
    std::rethrow_exception(error);
  } catch (const ESAFileStream_Exception &e) {
    // The box puts the name on a line of its own, and what the system said
    // below it; the summary keeps the old form.
    r.Message = std::string(kMsgInvalidFile) + "\r\n" + name + CauseLine(e.Cause);
    r.HelpButton = true;
    r.Summary = prefix + kMsgInvalidFile + name + CauseNote(e.Cause);
  } catch (const EmoxVantorError &e) {
    // A handheld file whose content the handheld never writes: it is an
    // invalid file, and the reader's words tell what was wrong.
    r.Message = std::string(kMsgInvalidFile) + "\r\n" + name + CauseLine(e.Message());
    r.HelpButton = true;
    r.Summary = prefix + kMsgInvalidFile + name + CauseNote(e.Message());
  } catch (const EInOutError &e) {
    if (const char *t = IOErrorText(e.ErrorCode)) r.Message = t + name;
    r.Summary = prefix + "Can not open file: " + name;
  } catch (const EmoxInvalidFileError &e) {
    // A file of no kind we know: the same words as a file we cannot read.
    r.Message = std::string(kMsgInvalidFile) + "\r\n" + name;
    r.HelpButton = true;
    r.Summary = prefix + e.Message() + name;
  } catch (const EmoxFileCRCError &e) {
    r.Message = e.Message() + name;
    r.HelpButton = true;
    r.Summary = prefix + e.Message() + name;
  } catch (const EmoxFormatError &e) {
    r.Message = e.Message() + "\r\n" + name;
    r.HelpButton = true;
    r.Summary = prefix + e.Message() + ":" + name;
  } catch (const EmoxFileError &e) {
    r.Message = "EmoxFileError was encountered opening file:\r\n" + name;
    r.HelpButton = true;
    r.Summary = prefix + e.Message() + ":" + name;
  } catch (const EmoxChirpZError &) {
    const std::string t = "EmoxChirpZError was encountered while computing fault location:\r\n";
    r.Message = t;
    r.HelpButton = true;
    r.Summary = prefix + t + name;
  } catch (const std::bad_alloc &) {
    const std::string t = "Memory was not available to open file:\r\n";
    r.Message = t + name;
    r.HelpButton = true;
    r.Summary = prefix + t + name;
  } catch (const EOutOfResources &) {
    const std::string t = "Windows resouces too low to open file:\r\n";
    r.Message = t + name;
    r.HelpButton = true;
    r.Summary = prefix + t + name;
  } catch (...) {
    r.Summary = prefix + "Unknown exception: Can not open file.";
  }
  return r;
}

std::string StatusLine(const TFailureReport &report) {
  std::string text = report.Message;
  if (text.empty()) {
    text = report.Summary;
    // "TfrmDoc.OpenFileW(): ..." names a function, which tells a user nothing.
    if (const auto mark = text.find("(): "); mark != std::string::npos && text.find(' ') > mark)
      text.erase(0, mark + 4);
  }
  std::string line;
  for (const char c : text) {
    if (c == '\r' || c == '\n') {
      if (!line.empty() && line.back() != ' ') line += ' ';
    } else {
      line += c;
    }
  }
  while (!line.empty() && line.back() == ' ')
    line.pop_back();
  return line;
}

TFailureReport DescribeSaveFailure(const std::exception_ptr &error, const std::string &name) {
  TFailureReport r;
  r.HelpButton = true;
  try {
    std::rethrow_exception(error);
  } catch (const ESAFileStream_Exception &e) {
    r.Message = std::string(kMsgCreateFile) + name + "\r\n" + e.Message();
    if (e.Cause != e.Message()) r.Message += CauseLine(e.Cause);
  } catch (const Exception &e) {
    r.Message = e.Message() + "\r\n" + name;
  } catch (const std::bad_alloc &) {
    r.Message = "Memory was not available to save file:\r\n" + name;
  } catch (...) {
    r.Message = std::string(kMsgCreateFile) + name;
  }
  r.Summary = "TfrmDoc.SaveFileW(): " + r.Message;
  return r;
}

} // namespace korv
