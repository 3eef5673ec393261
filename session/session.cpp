#include "session/session.h"

namespace session {

Session::Session() {
  instrument_.attach(readback_);
  instrument_.attach(download_);
}

Session::~Session() {
  // The port closes before the transfers go: a transfer may still hear of the close.
  instrument_.setListener(nullptr);
  try {
    if (instrument_.connected()) instrument_.comPort().Close();
  } catch (...) {
    // Nothing to tell anyone any more.
  }
  instrument_.detach(download_);
  instrument_.detach(readback_);
}

}  // namespace session
