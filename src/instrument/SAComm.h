#pragma once
// The serial link to the instruments and every command/reply exchange with
// them: LX-x000QE analyzers (ASCII lines and a "> " prompt), RT-x00 antenna
// testers (fixed byte blocks) and the Site Master S331 (byte protocol).
//
// Operations block until their reply is complete or their deadline passes,
// so the program runs them on a worker thread. Received bytes go through the
// 16 KB ring buffer in order; the protocol takes them one at a time.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Buffer.h"
#include "core/Excption.h"
#include "instrument/Protocol.h"
#include "instrument/SerialLink.h"

namespace korv {

enum TInstrumentKind : int { ikAnalyzer = 0, ikSiteMaster = 1, ikRtTester = 2 };

inline constexpr int kReplyBytesSize = 2620;

inline constexpr const char *kMsgTimeOut =
    "Timeout Occurred while waiting for data from LX-x000QE.\r\nCheck Port settings and connection.\r\nUse "
    "File|Open or File|Save commands to transfer data to or from an LX-xx00ZT.";
inline constexpr const char *kMsgNoTraceStored = "No trace is stored at this location.";
inline constexpr const char *kMsgDeleteError = "An Error Occurred in the Delete Trace command.";
inline constexpr const char *kMsgRtDeviceError = "RT-500 Device Error.";
inline constexpr const char *kMsgNotResponding =
    "LX-x000QE is not responding.\r\nCheck Port settings and connection.\r\nUse File|Open or File|Save to "
    "transfer Traces to or from an LX-xx00ZT.";

inline constexpr const char *kMsgCancelled = "The transfer was cancelled.";
inline constexpr const char *kMsgReplyRunsOn =
    "The instrument's reply does not end: more than %d characters arrived without the end of a line or reply.";
inline constexpr const char *kMsgKeepsSending =
    "The instrument on %s keeps sending: the line was not quiet for %d seconds.";

// A line without its end gives up after this many characters, a whole reply
// after kMaxReplyText: a device that babbles forever cannot hold a read open.
inline constexpr int kMaxReplyLine = 4096;
inline constexpr int kMaxReplyText = 1 << 20;
// Bytes still arriving from an abandoned exchange are waited out until the
// line has been quiet this long, at most kDrainLimitMs.
inline constexpr int kQuietMs = 200;
inline constexpr int kDrainLimitMs = 90000;

// A read given up because the caller asked to stop (SetReadCancel).
class EmoxIOCancelled : public EmoxIOError {
public:
  using EmoxIOError::EmoxIOError;
};

class TSAComm {
public:
  explicit TSAComm(SerialLink &link);

  // Opening discards bytes left over from an earlier operation, so a reply
  // is never read against a stale tail: an instrument still sending the
  // reply of an exchange that was given up (a Cancel, a program that was
  // stopped) is waited out until the line is quiet (BusyNotice is told
  // once). Throws EmoxIODeviceErr kMsgKeepsSending when it never stops.
  void Open();
  void Close();
  bool IsOpen() const { return m_link.IsOpen(); }
  SerialLink &Link() { return m_link; }
  TBuffer &Ring() { return *m_ring; }

  // The reply of the last command.
  std::vector<std::string> ReplyLines;
  std::array<std::uint8_t, kReplyBytesSize> ReplyBytes{};
  int ReplyLength = 0;
  bool QEModel = false;
  void ClearReply();

  // A flag the caller may set from another thread; operations that run
  // several exchanges stop before the next one.
  void SetCancelFlag(const std::atomic<bool> *flag) { m_cancel = flag; }
  bool CancelRequested() const { return m_cancel && m_cancel->load(); }
  // The flag given (null when none), for other protocols over the same link.
  const std::atomic<bool> *CancelFlag() const { return m_cancel; }
  // A flag that also ends a read in progress (within a second) with
  // EmoxIOCancelled. Only for exchanges that may stop anywhere: never while
  // a trace is being sent, which would leave the analyzer mid-download.
  void SetReadCancel(const std::atomic<bool> *flag) { m_readCancel = flag; }
  // Called with the count of reply lines after each line read, so a long
  // trace read can drive a progress bar.
  void SetLineProgress(std::function<void(int lines)> fn) { m_lineProgress = std::move(fn); }
  // Called once when Open finds the instrument still sending.
  void SetBusyNotice(std::function<void()> fn) { m_busyNotice = std::move(fn); }
  // How many lines the trace reply being read has in all (echo included),
  // as far as known: 0 before ReadTrace knows the firmware's layout.
  int ExpectedReplyLines() const { return m_expectedLines; }

  // Basic readers. A deadline is for silence: every byte received renews
  // it, so a long reply at line speed never times out while it arrives. A
  // passed deadline throws EmoxIOTimeOutErr with kMsgTimeOut; a link that
  // went away throws EmoxIODisconnected at once.
  void SendCommand(std::string_view text);
  void ReadBytes(int count, int deadlineMs);
  void ReadLines(int count, int deadlineMs);
  void ReadToPrompt(bool keep);
  void ReadListing(int deadlineMs);
  // Takes bytes until the received text ends with tail (later exchanges
  // wait for ":" or "SOK" this way). Throws EmoxIOTimeOutErr.
  std::string WaitForTail(std::string_view tail, int deadlineMs);
  // Takes bytes until one of the bytes in any arrives (the text so far ends
  // with it). Throws EmoxIOTimeOutErr.
  std::string WaitForAny(std::string_view any, int deadlineMs);

  // LX-x000QE analyzers.
  void WakeAnalyzer();
  // The model line ("" when the analyzer did not answer in form).
  std::string ReadStatus();
  // The firmware date text, "01Jan99" when the analyzer did not say.
  std::string ReadStatusWithDate();
  void ProbeStatus();
  void ReadTraceDirectory();
  void ReadTrace(int location, double firmwareDate);
  void DeleteStoredTrace(int location);

  // RT-x00 antenna testers.
  void RtReadStatus();
  void RtReadDirectory();
  void RtReadTrace(int location);
  void RtRelease() { ClearReply(); }

  // Site Master S331; Identify returns the model text (bytes 2..5).
  std::string SiteMasterIdentify();
  void SiteMasterReadTrace(int location);
  void SiteMasterRelease();

  // Decoding helpers over ReplyBytes (big-endian); out-of-range positions
  // throw EmoxIOSizeErr.
  unsigned ReplyWord(int p) const;
  double ReplyLong(int p) const;
  static float WordToSingle(std::uint8_t hi, std::uint8_t lo);
  static float TenthsToSingle(std::uint8_t hi, std::uint8_t lo);

private:
  // A deadline that every received byte moves on by Window.
  struct TSilence {
    std::int64_t Window = 0;
    std::int64_t Until = 0;
  };
  TSilence Deadline(int ms) const { return TSilence{ms, m_link.NowMs() + ms}; }
  // Next byte; throws EmoxIOTimeOutErr once the line was silent too long.
  std::uint8_t TakeByte(TSilence &deadline);
  void DrainLeftovers();
  // Fixed-block exchanges start from a quiet line: anything still queued
  // would shift the block.
  void DiscardInput();
  void RtExchange(std::string_view command, int count, int deadlineMs);

  SerialLink &m_link;
  std::unique_ptr<TBuffer> m_ring;
  const std::atomic<bool> *m_cancel = nullptr;
  const std::atomic<bool> *m_readCancel = nullptr;
  std::function<void(int)> m_lineProgress;
  std::function<void()> m_busyNotice;
  int m_expectedLines = 0;
};

} // namespace korv
