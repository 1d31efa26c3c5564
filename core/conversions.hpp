#pragma once
// Number and time texts: binary and hexadecimal forms, raw command bytes.
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvex {

// "" gives 0; anything but "0" and "1" (or more than 32 significant digits)
// raises EVokWinConvertError 336 with the text.
std::int32_t BinStrToInt(std::string_view text);
// Eight characters "0"/"1", most significant bit first.
std::string ByteToBin(std::uint8_t value);
// Two raw bytes, high byte first: the form of the board commands' arguments.
std::string WordToBytes(std::uint16_t value);
// Low 8 / 16 bits as two / four upper-case hex digits.
std::string ByteToHex(std::uint32_t value);
std::string WordToHex(std::uint32_t value);
// The value of a hexadecimal digit of either case; -1 for any other character.
int HexDigitValue(char c);
// The low 4 * digits bits of value as that many upper-case hex digits
// (1 to 8), appended to out.
void AppendHex(std::string& out, std::uint32_t value, int digits);
// Every character as two hex digits, with a blank before each pair when asked.
std::string StrToHexText(std::string_view text, bool blanks);
// "$" + the upper-case digits of a hex text written as "$1f", "0x1F" or
// "1FH"; "" when the text holds anything else or no digit at all.
std::string HexStrNormalize(std::string_view text);
// 1h02"03'004 form, blank-padded on the left to at least width characters.
std::string MsToTimeStr(std::uint32_t ms, int width);

// The run time's integer conversion: a decimal number with an optional sign
// or "$" and 1 to 8 hex digits, blanks around allowed, from -2147483648 to
// 4294967295 so that every 32-bit pattern can be typed. Anything else raises
// EConvertError "'<text>' is not a valid integer value".
std::int64_t StrToIntRt(std::string_view text);

// Number texts with "." as decimal separator whatever the process locale.
// Fixed with `decimals` digits after the point, "-" for negatives.
std::string FixedText(double value, int decimals);
// Sign or blank, one digit, ".", 14 digits, "E", sign, four exponent
// digits (23 characters); "NAN", "INF", "-INF" for the special values.
std::string ScientificText(double value);
// 15 significant digits: fixed without trailing zeros for
// 1E-5 <= |value| < 1E15, else the shortest mantissa with "E" and the
// exponent without leading zeros or "+" (1.5E20, 1E-7).
std::string GeneralText(double value);
// A decimal number with an optional fraction and exponent that fits a
// single; false for anything else.
bool TextToSingle(std::string_view text, float& value);

}  // namespace tarvex
