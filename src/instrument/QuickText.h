#pragma once
// Quick text of the LX-x000QE analyzers: 13 short upper-case rows the field
// user picks from when labelling a sweep. The character rules, the file
// form and the QU (read) and QD (store) exchanges, without widgets.
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace korv {

class TSAComm;

inline constexpr int kQuickTextRows = 13;
inline constexpr std::size_t kQuickTextLength = 50;

using TQuickTextList = std::array<std::string, kQuickTextRows>;

// Control bytes (except backspace and 26..31), the punctuation the
// analyzer cannot show or uses itself, and everything above 126.
bool IsForbiddenQuickTextChar(unsigned char c);
// What a row keeps of a text: at most 50 characters, each forbidden one
// replaced by "_", the rest upper case.
std::string CleanQuickText(std::string_view text);
// Upper case of the ASCII letters only.
std::string QuickTextUpper(std::string_view text);

// The first 13 lines, cleaned; empty rows up to 13.
TQuickTextList QuickTextFromLines(const std::vector<std::string> &lines);
TQuickTextList ReadQuickTextFile(std::string_view text);
// All 13 rows, one a line.
std::string WriteQuickTextFile(const TQuickTextList &rows);
// Whole files (the save is atomic).
TQuickTextList LoadQuickTextFile(const std::string &fileName);
void SaveQuickTextFile(const std::string &fileName, const TQuickTextList &rows);

// Rows of a QU reply (echo and prompt removed), before cleaning.
std::vector<std::string> QuickTextReplyLines(std::string_view reply);

// The exchanges open the port, wake the analyzer, and close the port on
// every path. Every passed deadline throws EmoxIOTimeOutErr with
// kMsgNotResponding.
TQuickTextList LoadQuickTextFromAnalyzer(TSAComm &comm);
// Sends the non-empty rows in order; progress(sent, toSend).
void SendQuickTextToAnalyzer(TSAComm &comm, const TQuickTextList &rows,
                             const std::function<void(int done, int total)> &progress = {});

} // namespace korv
