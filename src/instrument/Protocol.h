#pragma once
// What both ends of the instrument links agree on: command texts, prompts,
// reply block sizes and limits. The program's side (TSAComm) and the
// simulators (sim/) take them from here, so the two cannot drift apart.
#include <cstdint>
#include <string_view>

namespace korv {

// Every instrument talks at 9600 8N1 without flow control.
inline constexpr int kLineBaud = 9600;

// LX-x000QE analyzers: ASCII commands ended by CR, echoed, reply lines ended
// by LF CR, and a "> " prompt after the reply.
inline constexpr char kLxCommandEnd = '\r';
inline constexpr std::string_view kLxPrompt = "> ";
inline constexpr std::string_view kLxLineEnd = "\n\r";
inline constexpr std::string_view kLxWake = "aaa";
inline constexpr std::string_view kLxStatus = "ST,?";
inline constexpr std::string_view kLxDirectory = "TF,?";
// "TU n" uploads the trace at location n; the current trace is asked for as
// "TU C" and stands at location 500 in the program.
inline constexpr std::string_view kLxUpload = "TU ";
inline constexpr std::string_view kLxCurrentTraceName = "C";
inline constexpr int kLxCurrentTraceLocation = 500;
inline constexpr std::string_view kLxDelete = "TE,";
// Largest point count a QE analyzer reports for one trace.
inline constexpr int kLxMaxReplyPoints = 4001;
inline constexpr const char *kDefaultFirmwareDate = "01Jan99";

// RT-x00 antenna testers: the analyzer's status and directory commands,
// "TU,n,0" for a trace, answered by fixed blocks.
inline constexpr std::string_view kRtUpload = "TU,";
inline constexpr int kRtStatusBytes = 37;
inline constexpr int kRtDirectoryBytes = 25;
inline constexpr int kRtTraceBytes = 716;

// Site Master S331: one-byte commands answered by binary blocks that start
// with their length (a big-endian word).
inline constexpr std::uint8_t kSmIdentify = 'E';
inline constexpr std::uint8_t kSmReadTrace = 0x11; // followed by the location byte
inline constexpr std::uint8_t kSmRelease = 0xFF;   // echoed
inline constexpr int kSmIdentifyBytes = 13;
inline constexpr unsigned kSmTraceLength = 602;
inline constexpr unsigned kSmNoTraceLength = 9;

// NanoVNA-family analyzers: a text shell over USB serial. A command is a
// line ended by CR; the analyzer echoes it with CR LF, sends its reply lines
// (CR LF each) and then the prompt. An unknown command NAME is answered by
// the line "NAME?".
inline constexpr std::string_view kNanoPrompt = "ch> ";
inline constexpr char kNanoCommandEnd = '\r';
inline constexpr std::string_view kNanoLineEnd = "\r\n";
// The USB id most units enumerate with (a CDC serial port).
inline constexpr std::uint16_t kNanoUsbVendor = 0x0483;
inline constexpr std::uint16_t kNanoUsbProduct = 0x5740;
// scan output mask bits: frequency, S11 (re im), S21 (re im).
inline constexpr int kNanoScanFrequency = 1;
inline constexpr int kNanoScanS11 = 2;
inline constexpr int kNanoScanS21 = 4;
// Points one scan takes when the analyzer does not say: the original unit.
inline constexpr int kNanoDefaultScanPoints = 101;

// Analyzer date text: ddMmmyy, ddMmmyyyy or dd-Mmm-yyyy, optionally with a
// "hh:mm" time. Throws Exception ("Invalid month name: ..." and others).
double ParseAnalyzerDate(std::string_view text);

} // namespace korv
