#include "link/commands.h"

namespace devlink {

std::array<std::uint8_t, 6> CommandFrame(char letter, std::uint8_t a, std::uint8_t b,
                                         std::uint8_t c) {
  return {0xAA, 0x55, static_cast<std::uint8_t>(letter), a, b, c};
}

bool WriteRaw(const WriteFn& write, const MessageFn& showMessage, const std::uint8_t* bytes,
              int count) {
  bool ok = false;
  try {
    ok = write && write(bytes, count) == count;
  } catch (...) {
    ok = false;
  }
  if (!ok && showMessage) showMessage(kSendFailedMessage);
  return ok;
}

CommandSender::CommandSender(WriteFn write, MessageFn showMessage)
    : write_(std::move(write)), showMessage_(std::move(showMessage)) {}

bool CommandSender::SendCommand(char letter, std::uint8_t a, std::uint8_t b) {
  const auto frame = CommandFrame(letter, a, b, 0x00);
  return WriteRaw(frame.data(), static_cast<int>(frame.size()));
}

bool CommandSender::SendMemoryRead(std::uint8_t address, std::uint8_t count) {
  const auto frame = CommandFrame('D', address, 0x00, count);
  return WriteRaw(frame.data(), static_cast<int>(frame.size()));
}

bool CommandSender::SendResultRequest(std::uint16_t address) {
  const auto frame = CommandFrame('J', static_cast<std::uint8_t>(address & 0xFF),
                                  static_cast<std::uint8_t>(address >> 8), 0x03);
  return WriteRaw(frame.data(), static_cast<int>(frame.size()));
}

bool CommandSender::WriteRaw(const std::uint8_t* bytes, int count) {
  return devlink::WriteRaw(write_, showMessage_, bytes, count);
}

}  // namespace devlink
