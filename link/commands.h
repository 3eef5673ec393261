#pragma once
// Command frames to the instrument: 0xAA 0x55, a letter and three argument bytes, sent
// in one write and forgotten (the instrument never acknowledges them).
#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace devlink {

// Shown once when a command cannot be written; never translated.
inline constexpr const char* kSendFailedMessage = "Wysłać polecenia";

// Writes the bytes, returns how many went out; throws on failure (the port's Write).
using WriteFn = std::function<int(const std::uint8_t*, int)>;
// Shows a message box with an OK button.
using MessageFn = std::function<void(const std::string&)>;

// The 6-byte frame AA 55 letter a b c.
std::array<std::uint8_t, 6> CommandFrame(char letter, std::uint8_t a, std::uint8_t b,
                                         std::uint8_t c);

// Writes `count` bytes in one call. A throwing write or a short count shows
// kSendFailedMessage once (when showMessage is set) and returns false.
bool WriteRaw(const WriteFn& write, const MessageFn& showMessage, const std::uint8_t* bytes,
              int count);

// The three senders of 6-byte frames. Each returns true when the whole frame went out.
class CommandSender {
 public:
  CommandSender(WriteFn write, MessageFn showMessage);

  // AA 55 letter a b 00.
  bool SendCommand(char letter, std::uint8_t a, std::uint8_t b);
  // AA 55 'D' address 00 count.
  bool SendMemoryRead(std::uint8_t address, std::uint8_t count);
  // AA 55 'J' lo(address) hi(address) 03.
  bool SendResultRequest(std::uint16_t address);
  // Any other frame (the calibration upload's 7/8/10-byte writes), same failure rule.
  bool WriteRaw(const std::uint8_t* bytes, int count);

 private:
  WriteFn write_;
  MessageFn showMessage_;
};

}  // namespace devlink
