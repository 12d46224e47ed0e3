#pragma once
// Readers for 8-bit text: a text file held in memory (empty lines count),
// quoted-text / integer / number readers, and the string number readers.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korv {

// Rounds to the precision of the 6-byte real (40 significant bits).
double RoundToReal48(double value);

// A whole 8-bit text file in memory, read line by line the way a text file
// is: CR LF, CR or LF end a line, and empty lines are returned.
class TTextFile {
public:
  explicit TTextFile(const std::vector<std::uint8_t> &bytes);
  TTextFile(const std::uint8_t *data, std::size_t size);
  bool Eof() const { return m_pos >= m_size; }
  // Throws EmoxFileError "Bad File Format" at the end of the file.
  std::string ReadLine();
  // The next line as a view into the buffer (no copy); false at the end.
  bool ReadLineView(std::string_view &line);
  // Like ReadLine, but the end of the file yields an empty line.
  std::string ReadLineOrEmpty();
  // Skips to just after the next quote, collects up to the following quote.
  std::string ReadQuotedText();
  long long ReadInteger();
  double ReadNumber();
  std::size_t Position() const { return m_pos; }
  std::size_t Size() const { return m_size; }

private:
  int Peek() const { return m_pos < m_size ? m_data[m_pos] : -1; }
  std::string ReadRun(std::string_view set);
  const std::uint8_t *m_data;
  std::size_t m_size;
  std::size_t m_pos = 0;
};

// Takes the next number from the front of text (characters before it and
// the number are removed). Throws EmoxEndOfString "End of String.".
double TakeNumber(std::string &text);
// The same for analyzer text: "0.-125" means -0.125. Throws EmoxFileError
// "Bad File Format" when no number is left.
double TakeInstrumentNumber(std::string &text);
// Takes an integer (digits and "-"); throws EmoxEndOfString.
long long TakeInteger(std::string &text);
// Fast scan of the next number in a line view (the same run rules as
// TakeNumber, rounded the same way); false when no number is left, throws
// EmoxFileError when the run is no number.
bool ScanNumber(std::string_view &line, double &value);
// Converts a run of "-", "." and digits; throws EmoxFileError when it is no number.
double ConvertNumberRun(std::string_view run);

// 16-bit text as four upper-case hex digits per unit, and back.
std::string WideToHex(std::u16string_view text);
std::u16string HexToWide(std::string_view hex);
// Throws EmoxCvrtError "utf8_to_utf16 function returned an error." on bad
// input; lenient mode puts U+FFFD for each byte that starts no valid sequence.
std::u16string Utf8ToUtf16(std::string_view text, bool lenient = false);
// Lone surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
// UTF-8 to 8-bit Windows-1252 text ('?' for what it cannot hold).
std::string Utf8ToAnsi(std::string_view text);
// 8-bit file text for display: valid UTF-8 as it is, otherwise Windows-1252.
std::string DisplayText(std::string_view bytes);
bool IsValidUtf8(std::string_view text);

} // namespace korv
