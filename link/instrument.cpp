#include "link/instrument.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "link/host_serial.h"

namespace devlink {

Instrument::Instrument(EventLoop& loop, std::unique_ptr<TComPort> port)
    : loop_(loop),
      port_(port ? std::move(port) : std::make_unique<TComPort>()),
      receiver_([this](std::uint8_t* buffer, int count) { return port_->Read(buffer, count); }),
      commands_([this](const std::uint8_t* bytes, int count) { return port_->Write(bytes, count); },
                [this](const std::string& text) { tell(text); }),
      stateTimer_(receiver_, commands_, {}) {
  configurePort();
  using Kind = EventLoop::TimerKind;
  stateTimerTimer_ = loop_.makeTimer(Kind::Repeating, [this] { tickStateTimer(); });
  checkTimer_ = loop_.makeTimer(Kind::Repeating, [this] { checkConnection(); });
  reconnectTimer_ = loop_.makeTimer(Kind::Repeating, [this] { tryReconnect(); });
  drainTimer_ = loop_.makeTimer(Kind::PreciseSingleShot, [this] { receiver_.quietTimeout(); });

  receiver_.onMeasurementFrame = [this](const std::uint8_t* frame) {
    if (listener_) listener_->measurementFrame(frame);
  };
  receiver_.onReadbackWord = [this](std::uint16_t word) {
    forEachTransfer([word](Transfer& t) { t.readbackWord(word); });
  };
  receiver_.onDownloadHeader = [this](std::uint16_t end) {
    forEachTransfer([end](Transfer& t) { t.downloadHeader(end); });
  };
  receiver_.onResultReply = [this](std::uint8_t status, std::uint8_t lo, std::uint8_t hi) {
    forEachTransfer([=](Transfer& t) { t.resultReply(status, lo, hi); });
  };
  receiver_.onTransferBytes = [this](bool foreign) {
    forEachTransfer([foreign](Transfer& t) { t.replyBytesArrived(foreign); });
  };
  receiver_.bytesWaiting = [this] { return port_->Connected() ? port_->BytesWaiting() : 0; };
  receiver_.armQuietTimer = [this](int ms) {
    if (ms > 0)
      drainTimer_->start(ms);
    else
      drainTimer_->stop();
  };
  stateTimer_.setEnabled = [this](bool on) {
    if (on)
      stateTimerTimer_->start(StateTimer::kIntervalMs);
    else
      stateTimerTimer_->stop();
  };
  stateTimer_.onTick = [this](LinkMode applied) {
    forEachTransfer([applied](Transfer& t) { t.stateTimerTicked(applied); });
  };
}

Instrument::~Instrument() {
  // The port calls back into the session while it closes; the session is going away.
  port_->OnAfterOpen = nullptr;
  port_->OnAfterClose = nullptr;
  port_->OnRxChar = nullptr;
  port_->OnHangUp = nullptr;
  for (Attached& a : transfers_) a.transfer->armReplyTimer = nullptr;
  try {
    if (port_->Connected()) port_->Close();
  } catch (...) {
    // Nothing to tell anyone any more.
  }
}

void Instrument::configurePort() {
  port_->SetPort("COM1");
  port_->SetBaudRate(br9600);
  port_->SetDataBits(dbEight);
  port_->SetStopBits(sbOneStopBit);
  port_->Parity().SetBits(prNone);
  port_->FlowControl().SetControlDTR(dtrEnable);
  port_->FlowControl().SetControlRTS(rtsDisable);
  port_->FlowControl().SetOutCTSFlow(false);
  port_->FlowControl().SetOutDSRFlow(false);
  port_->FlowControl().SetXonXoffIn(false);
  port_->FlowControl().SetXonXoffOut(false);
  port_->OnAfterOpen = [this](TCustomComPort&) { portOpened(); };
  port_->OnAfterClose = [this](TCustomComPort&) { portClosed(); };
  port_->OnRxChar = [this](TCustomComPort&, int count) { receiver_.ComPort1RxChar(count); };
  port_->OnHangUp = [this](TCustomComPort&) { hangUp(); };
  loop_.attach(port_->Deliveries());
}

template <class F>
void Instrument::forEachTransfer(F&& f) {
  // By index: a transfer's handler may show a message box, whose event loop may attach or
  // detach another transfer.
  for (std::size_t i = 0; i < transfers_.size(); ++i) f(*transfers_[i].transfer);
}

void Instrument::tell(const std::string& text) {
  if (listener_) listener_->message(text);
}

// --- the connection -----------------------------------------------------------------------

void Instrument::setPort(const std::string& name) {
  port_->SetPort(name);
}

std::string Instrument::port() const {
  return port_->Port();
}

bool Instrument::connected() const {
  return port_->Connected();
}

void Instrument::connect() {
  port_->Open();
  wanted_ = true;
  checkTimer_->start(kConnectionCheckMs);
}

void Instrument::disconnect() {
  wanted_ = false;
  reconnectTimer_->stop();
  checkTimer_->stop();
  port_->Close();
}

void Instrument::setAutoReconnect(bool on) {
  autoReconnect_ = on;
  if (!on && reconnecting()) {
    reconnectTimer_->stop();
    wanted_ = false;
    checkTimer_->stop();
  }
}

bool Instrument::reconnecting() const {
  return reconnectTimer_->active();
}

void Instrument::portOpened() {
  // Nothing received on an earlier connection belongs to this one.
  receiver_.resetReception();
  if (listener_) listener_->connectionOpened();
}

void Instrument::portClosed() {
  const bool lost = losing_;
  forEachTransfer([lost](Transfer& t) { t.lineClosed(lost); });
  receiver_.resetReception();
  if (listener_) listener_->connectionClosed();
}

void Instrument::hangUp() {
  // Whatever was half received belongs to no frame of the next connection.
  receiver_.resetReception();
  losing_ = true;
  try {
    port_->Close();  // ends a transfer with its message; a recording goes on
  } catch (const EComPort&) {
    // The device is gone; nothing of it is left to close.
  }
  losing_ = false;
  if (autoReconnect_ && wanted_) {
    reconnectTimer_->start(kReconnectMs);
  } else {
    wanted_ = false;
    checkTimer_->stop();
  }
  if (listener_) listener_->connectionLost();
}

// A device that does not open yet (still settling, taken by another program) is tried again
// at the next tick, silently.
void Instrument::tryReconnect() {
  if (!wanted_ || port_->Connected()) {
    reconnectTimer_->stop();
    return;
  }
  std::error_code ec;
  if (!std::filesystem::exists(portDevicePath(port_->Port()), ec)) return;
  try {
    port_->Open();
  } catch (const EComPort&) {
    return;
  }
  reconnectTimer_->stop();
}

void Instrument::checkConnection() {
  const bool seen = receiver_.DataReceived;
  receiver_.DataReceived = false;
  if (listener_) listener_->connectionChecked(seen);
}

bool Instrument::connectionCheckRunning() const {
  return checkTimer_->active();
}

// --- commands and transfers ---------------------------------------------------------------

bool Instrument::send(char letter, std::uint8_t a, std::uint8_t b) {
  return commands_.SendCommand(letter, a, b);
}

int Instrument::write(const std::uint8_t* bytes, int count) {
  return port_->Write(bytes, count);
}

void Instrument::tickStateTimer() {
  stateTimer_.tick();
}

bool Instrument::stateTimerRunning() const {
  return stateTimerTimer_->active();
}

void Instrument::attach(Transfer& transfer) {
  for (const Attached& a : transfers_)
    if (a.transfer == &transfer) return;
  Transfer* t = &transfer;
  std::unique_ptr<Timer> timer =
      loop_.makeTimer(EventLoop::TimerKind::PreciseSingleShot, [t] { t->replyTimedOut(); });
  Timer* raw = timer.get();
  transfer.armReplyTimer = [raw](int ms) {
    if (ms > 0)
      raw->start(ms);
    else
      raw->stop();
  };
  transfers_.push_back({t, std::move(timer)});
}

void Instrument::detach(Transfer& transfer) {
  transfer.armReplyTimer = nullptr;
  std::erase_if(transfers_, [&](const Attached& a) { return a.transfer == &transfer; });
}

bool Instrument::transferActive() const {
  return std::any_of(transfers_.begin(), transfers_.end(),
                     [](const Attached& a) { return a.transfer->active(); });
}

}  // namespace devlink
