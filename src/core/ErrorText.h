#pragma once
// The words the open and save commands show for a failure, shared by the
// document window and the command line so both report the same text.
#include <exception>
#include <string>

namespace korv {

struct TFailureReport {
  std::string Message; // shown in the message box (file name included); empty: no box
  bool HelpButton = false;
  std::string Summary; // the summary raised to the caller
};

// For a failure caught while opening fileName.
TFailureReport DescribeOpenFailure(const std::exception_ptr &error, const std::string &fileName);
// For a failure caught while saving fileName.
TFailureReport DescribeSaveFailure(const std::exception_ptr &error, const std::string &fileName);
// The report in one line of plain words for a status bar: the box text
// when there is one, else the summary without the name of the code that
// raised it.
std::string StatusLine(const TFailureReport &report);

} // namespace korv
