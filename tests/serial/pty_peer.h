// The native peer: the master of a pseudo-terminal pair whose slave is the
// port under test. The test also holds the slave open, to see its input queue
// and termios as the library leaves them.
#pragma once

#include <termios.h>

#include "serial/line_peer.h"

class PtyPeer final : public LinePeer {
 public:
  static std::unique_ptr<PtyPeer> Open(std::string* whyNot);
  ~PtyPeer() override;

  const std::string& PortName() const override { return slavePath_; }
  bool Send(const Bytes& bytes) override;
  Bytes Receive(std::size_t count, int timeoutMs) override;
  ObservedLine LineOf(SerialHandle port) const override;

  termios Attributes() const;
  void SetAttributes(const termios& attributes);
  // Waits until the port has `count` received bytes waiting to be read.
  bool WaitUntilPending(int count, int timeoutMs) const;
  // Closes the master: the port under test sees the line hang up.
  void HangUp();

 private:
  PtyPeer(int master, int slave, std::string slavePath);

  int master_;
  int slave_;
  std::string slavePath_;
};
