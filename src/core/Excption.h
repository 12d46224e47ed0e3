#pragma once
// The program's exception family. Every error carries exactly one message
// text; commands catch at their own level and show that text.
#include <stdexcept>
#include <string>
#include <utility>

namespace korv {

// The framework-wide base exception: everything the program raises derives
// from it, so a command can catch one type and show its message.
class Exception : public std::runtime_error {
public:
  explicit Exception(const std::string &message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// A framework I/O error carrying an errno-like code (2 file not found,
// 3 invalid name, 4 too many files, 5 access denied, 100 EOF, 101 disk full,
// 106 invalid input).
class EInOutError : public Exception {
public:
  EInOutError(int code, const std::string &message) : Exception(message), ErrorCode(code) {}
  int ErrorCode;
};

// Out of system resources (handles, descriptors).
class EOutOfResources : public Exception {
  using Exception::Exception;
};

// The arguments are class names, which cannot stand in parentheses.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define KORV_EXCEPTION(Name, Parent)                                                                                   \
  class Name : public Parent {                                                                                         \
  public:                                                                                                              \
    using Parent::Parent;                                                                                              \
  }
// NOLINTEND(bugprone-macro-parentheses)

KORV_EXCEPTION(EmoxException, Exception);
KORV_EXCEPTION(EmoxTooManyTracesError, EmoxException);
KORV_EXCEPTION(EmoxFileError, EmoxException);
KORV_EXCEPTION(EmoxEndOfString, EmoxFileError);
KORV_EXCEPTION(EmoxFileCRCError, EmoxFileError);
KORV_EXCEPTION(EmoxFileCreateError, EmoxFileError);
KORV_EXCEPTION(EmoxInvalidFileError, EmoxFileError);
KORV_EXCEPTION(EmoxChirpZError, EmoxException);
KORV_EXCEPTION(EmoxIOError, EmoxException);
KORV_EXCEPTION(EmoxIOTimeOutErr, EmoxIOError);
KORV_EXCEPTION(EmoxIODeviceErr, EmoxIOError);
KORV_EXCEPTION(EmoxIOSizeErr, EmoxIOError);
KORV_EXCEPTION(EmoxIOTraceFormatErr, EmoxIOError);
KORV_EXCEPTION(EmoxIOTraceCRCErr, EmoxIOError);
KORV_EXCEPTION(EmoxIOCompatibilityError, EmoxIOError);
KORV_EXCEPTION(EmoxIOInvalidTraceError, EmoxIOError);
KORV_EXCEPTION(EmoxCvrtError, EmoxException);
KORV_EXCEPTION(EmoxRhoRangeErr, EmoxCvrtError);
KORV_EXCEPTION(EmoxVantorError, EmoxException);
KORV_EXCEPTION(EmoxVantorCommError, EmoxVantorError);
KORV_EXCEPTION(EmoxCSVError, EmoxException);
// A file of a known kind that the program cannot take; its message says why
// and is shown to the user as it is.
KORV_EXCEPTION(EmoxFormatError, EmoxFileError);

// The instrument holds no trace at the location asked for.
KORV_EXCEPTION(EmoxIONoTraceErr, EmoxIOError);
// Damaged trace data from an instrument: values no instrument sends.
KORV_EXCEPTION(EmoxIOTraceDamagedErr, EmoxIOInvalidTraceError);

#undef KORV_EXCEPTION

// A file that cannot be read or written. Cause is what the system said, in
// words, when it is known ("Permission denied"); the message keeps the
// stream's own text.
class ESAFileStream_Exception : public Exception {
public:
  explicit ESAFileStream_Exception(const std::string &message, std::string cause = {})
      : Exception(message), Cause(std::move(cause)) {}
  std::string Cause;
};

// A failure of the handheld's remote files. Cause is what the device or the
// system said, in words, when it is known; the message keeps its own text.
class ERAPI2Exception : public Exception {
public:
  explicit ERAPI2Exception(const std::string &message, std::string cause = {})
      : Exception(message), Cause(std::move(cause)) {}
  std::string Cause;
};

// Message texts shared by several places.
inline constexpr const char *kMsgTooManyTraces =
    "Unable to add new trace. The Korv SA software is limited to 14 traces per document.";
inline constexpr const char *kMsgInvalidFile = "EmoxInvalidFile was encountered while opening file.";
inline constexpr const char *kMsgCRCFailure = "CRC failure in file:\r\n";
inline constexpr const char *kMsgCreateFile = "Unable to create file:\r\n";
inline constexpr const char *kMsgBadFileFormat = "Bad File Format";
inline constexpr const char *kMsgEndOfString = "End of String.";
inline constexpr const char *kMsgChirpZ = "Unable to complete Chirp-Z Transform.";
inline constexpr const char *kMsgInvalidTrace = "Invalid trace data from SA.";
inline constexpr const char *kMsgTraceDamaged = "The trace data from the instrument is damaged.";

} // namespace korv
