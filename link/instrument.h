#pragma once
// The instrument session: the one owner of the serial port and of what is expected on the
// line. It holds the port, the frame receiver with its reception modes, the command sender,
// the state timer, the connection check and the transfers attached to it, and tells one
// listener what happens. Toolkit-free: timers and the port's hand-over come from the
// EventLoop it is given. The windows and the logger are two users of the same session.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/com_port.h"
#include "link/commands.h"
#include "link/event_loop.h"
#include "link/frame_receiver.h"
#include "link/state_timer.h"
#include "link/transfer.h"

namespace devlink {

// What the session tells its user. Every method has an empty default.
class InstrumentListener {
 public:
  virtual ~InstrumentListener() = default;
  // Positions 1..18 of one measurement frame, in the order they came.
  virtual void measurementFrame(const std::uint8_t* /*frame18*/) {}
  // The port opened (by connect() or by a reconnect) or closed (by hand, at the end, or
  // under a lost device).
  virtual void connectionOpened() {}
  virtual void connectionClosed() {}
  // The device went away (hang-up, adapter unplugged); said once, after connectionClosed().
  // reconnecting() tells whether the port is being tried again.
  virtual void connectionLost() {}
  // Every kConnectionCheckMs while a connection is wanted: whether anything was received
  // since the last check.
  virtual void connectionChecked(bool /*dataSeen*/) {}
  // A message for the user (a command that could not be written).
  virtual void message(const std::string& /*text*/) {}
};

class Instrument {
 public:
  static constexpr int kConnectionCheckMs = 800;
  // A lost device is looked for this often while reconnecting.
  static constexpr int kReconnectMs = 500;

  // The port is 9600 baud, 8 data bits, no parity, one stop bit, DTR on, RTS off, no flow
  // control, named "COM1" until setPort(). `port`: the port to use (tests pass one over a
  // host of their own); by default one over the host's serial lines.
  explicit Instrument(EventLoop& loop, std::unique_ptr<TComPort> port = nullptr);
  ~Instrument();
  Instrument(const Instrument&) = delete;
  Instrument& operator=(const Instrument&) = delete;

  void setListener(InstrumentListener* listener) { listener_ = listener; }

  // --- the connection ---
  void setPort(const std::string& name);
  std::string port() const;
  // Opens the port and starts the connection check. Throws EComPort when it cannot open
  // (nothing changes then).
  void connect();
  // Disconnect by hand: the connection check and a search for a lost device end, the port
  // closes. Throws EComPort when closing fails (the session is disconnected all the same).
  void disconnect();
  // The port is open.
  bool connected() const;
  // A connection was asked for and not given up: true from connect() until disconnect(),
  // and across a lost device while it is looked for.
  bool connectionWanted() const { return wanted_; }
  // Reconnecting by itself after a lost device (on by default).
  void setAutoReconnect(bool on);
  bool autoReconnect() const { return autoReconnect_; }
  // The device was lost and is being looked for.
  bool reconnecting() const;

  // --- commands ---
  // AA 55 letter a b 00; false (and a message) when it could not be written.
  bool send(char letter, std::uint8_t a, std::uint8_t b);
  // Raw bytes (the calibration upload); returns how many went out, throws EComPort.
  int write(const std::uint8_t* bytes, int count);

  // --- transfers ---
  // The transfer is fed the session's events from now on (and gets its reply timer). It
  // must stay alive until detached or until the session is gone.
  void attach(Transfer& transfer);
  void detach(Transfer& transfer);
  bool transferActive() const;

  // --- the pieces, for the transfers and for tests ---
  FrameReceiver& receiver() { return receiver_; }
  CommandSender& commands() { return commands_; }
  StateTimer& stateTimer() { return stateTimer_; }
  TComPort& comPort() { return *port_; }
  const TComPort& comPort() const { return *port_; }

  // --- the timers' work, also callable directly ---
  void checkConnection();  // every kConnectionCheckMs while a connection is wanted
  void tickStateTimer();   // every StateTimer::kIntervalMs while the state timer runs
  bool connectionCheckRunning() const;
  bool stateTimerRunning() const;
  // One look for the lost device: the port opens again once its name leads to a device.
  void tryReconnect();

 private:
  void configurePort();
  void portOpened();
  void portClosed();
  void hangUp();
  void tell(const std::string& text);
  template <class F>
  void forEachTransfer(F&& f);

  EventLoop& loop_;
  std::unique_ptr<TComPort> port_;
  FrameReceiver receiver_;
  CommandSender commands_;
  StateTimer stateTimer_;
  std::unique_ptr<Timer> stateTimerTimer_;
  std::unique_ptr<Timer> checkTimer_;
  std::unique_ptr<Timer> reconnectTimer_;
  std::unique_ptr<Timer> drainTimer_;
  struct Attached {
    Transfer* transfer;
    std::unique_ptr<Timer> replyTimer;
  };
  std::vector<Attached> transfers_;
  InstrumentListener* listener_ = nullptr;
  bool wanted_ = false;
  bool autoReconnect_ = true;
  // Set while the port is closed under a lost device: the transfers hear of a lost line.
  bool losing_ = false;
};

}  // namespace devlink
