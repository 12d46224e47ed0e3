#pragma once
// Power setup records of the LX-x000QE analyzers: the 20 records with their
// edit limits, the two file forms (the .pwrsetup CSV and the .txt list in
// the analyzer's record form), and the exchanges that read them from and
// store them in the analyzer (SGET, SSTO). No widgets: the setup window and
// korvtool both work through these.
#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "core/ShortString.h"

namespace korv {

class TSAComm;

inline constexpr int kSetupRecordCount = 20;
inline constexpr int kSetupFieldCount = 13;     // CSV: Version plus the 12 record fields
inline constexpr int kSetupTextFieldCount = 12; // analyzer form, without Version

inline constexpr const char *kSetupCsvHeader = "Version,Name,Protect,Cable,Atten,Connector,Coupler,Freq Range,"
                                               "sensor type,element type,FullScale,comment,password";

inline constexpr const char *kMsgTooManyFields = "Too many fields.";
inline constexpr const char *kMsgSetupTransfer = "An Error Occurred while trying to send data.";
inline constexpr const char *kMsgSetupTimeOut =
    "Timeout while waiting for response from LX-x000QE.\r\nCheck Port settings and connection.\r\nUse File|Open or "
    "File|Save commands to transfer data to or from an LX-xx00ZT.";
inline constexpr const char *kMsgNoRecordSelected = "No record is selected for editing.";
inline constexpr const char *kMsgBadPassword = "Bad password.";
inline constexpr const char *kMsgSetupComma = "Commas cannot be stored in a setup record.";

struct TPowerSetupRecord {
  TShortString<20> Version = "0";
  TShortString<9> Name;
  bool Protect = false;
  double Cable = 0.0;     // dB
  double Atten = 0.0;     // dB
  double Connector = 0.0; // dB
  double Coupler = 0.0;   // dB
  TShortString<17> FreqRange;
  TShortString<5> SensorType;
  TShortString<17> ElementType;
  double FullScale = 0.0; // W
  TShortString<21> Comment;
  TShortString<9> Password; // empty: no password
  friend bool operator==(const TPowerSetupRecord &, const TPowerSetupRecord &) = default;
};

using TPowerSetupList = std::array<TPowerSetupRecord, kSetupRecordCount>;

// A new list: Version "0" everywhere and record n named "Dflt n".
TPowerSetupList DefaultSetupList();

// ---- Editing
enum class TSetupNumber { Cable, Atten, Connector, Coupler, FullScale };
struct TSetupNumberLimit {
  const char *Label;
  double Min; // -infinity where only an upper limit applies
  double Max;
  int MaxLength; // characters the edit field takes while typing
};
const TSetupNumberLimit &SetupNumberLimit(TSetupNumber which);
// Reads an edit field: empty result and value set, or the message to show.
std::string ReadSetupNumber(TSetupNumber which, std::string_view text, double &value);
// Why a text cannot go into a record (it would split into two fields in
// both file forms and on the line), or empty.
std::string SetupTextProblem(std::string_view text);
// The edit dialog's values become a record of the system: Version "0",
// texts cut to their capacity.
TPowerSetupRecord EditedRecord(TPowerSetupRecord edited);
// A record without a password opens freely; otherwise only its own password.
bool PasswordAccepted(const TPowerSetupRecord &record, std::string_view typed);
// The list row's column texts: losses as "%6.2f", the full scale in W or,
// from 1000 W up, in KW.
std::string SetupLossText(double dB);
std::string SetupFullScaleText(double watts);

// ---- Files
// The CSV form: header and all 20 records. Throws EmoxCSVError
// kMsgTooManyFields when a text would add fields.
std::string WriteSetupCsv(const TPowerSetupList &list);
// Reads up to 20 records over a copy of base; the rest keep base's
// records. Throws EmoxInvalidFileError kMsgInvalidFile.
TPowerSetupList ReadSetupCsv(std::string_view text, const TPowerSetupList &base);
// The text form: one line per record in the analyzer's form without the
// record number.
std::string WriteSetupText(const TPowerSetupList &list);
TPowerSetupList ReadSetupText(std::string_view text, const TPowerSetupList &base);
// ".txt" (any case) names the text form; everything else is CSV.
bool IsSetupTextFile(const std::string &fileName);
// Whole files: the form by extension. Loading never touches base; saving
// is atomic.
TPowerSetupList LoadSetupFile(const std::string &fileName, const TPowerSetupList &base);
void SaveSetupFile(const std::string &fileName, const TPowerSetupList &list, bool textForm);

// ---- The analyzer's record form
// Name,Y|N,losses "%.2f",quoted texts,FullScale "%.2f",quoted comment and
// password: the record as SSTO stores it, without its number.
std::string SetupRecordText(const TPowerSetupRecord &record);
// 12 comma-separated fields; quotes at a field's ends are dropped and texts
// cut to their capacity. Throws EmoxInvalidFileError on too few fields or a
// value that is no number.
TPowerSetupRecord ParseSetupRecordText(std::string_view line);
// The record in an SGET,n reply: the text from the record number up to
// "SOK", found from the end so that anything before it (the echo, a
// prompt) does not matter. Throws EmoxIOError kMsgSetupTransfer when the
// reply holds no record n.
TPowerSetupRecord RecordFromSetupReply(std::string_view reply, int n);

// ---- Exchanges (port opened here and closed again on every path)
using TSetupStepFn = std::function<void(int done, int total)>;
// CR, a second's pause, then a bare SGET must be refused with "ERRsetup"
// within 5 s; one retry.
void SyncSetupExchange(TSAComm &comm);
// Reads records 1..20; each is handed to onRecord as it arrives, so a
// transfer that fails half-way keeps what it got. Returns false when the
// cancel flag stopped it. Throws EmoxIOError (kMsgSetupTimeOut,
// kMsgSetupTransfer) and the link's errors.
bool LoadSetupsFromAnalyzer(TSAComm &comm, const std::function<void(int n, const TPowerSetupRecord &)> &onRecord,
                            const TSetupStepFn &progress = {});
// Stores all 20 records with SSTO. Returns false when cancelled.
bool SendSetupsToAnalyzer(TSAComm &comm, const TPowerSetupList &list, const TSetupStepFn &progress = {});

} // namespace korv
