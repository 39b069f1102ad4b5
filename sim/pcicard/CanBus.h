#pragma once

#include <cstdint>
#include <vector>

#include "sim/pcicard/CanFrame.h"

namespace zembra::sim {

class Sja1000Controller;

// One frame as it went over the bus, for tests to look at.
struct CanBusRecord {
  enum class Sender { Controller, EchoNode, Outside };
  Sender sender = Sender::Controller;
  const Sja1000Controller* controller = nullptr;  // set when a controller sent it
  CanFrame frame;
  bool acknowledged = false;
};

// The wire between the virtual controllers, an optional echo node and
// frames a test injects from outside. Delivery is synchronous: a frame is
// received by every other node before Transmit returns. Not thread-safe,
// like the controllers on it.
class CanBus {
 public:
  CanBus() = default;
  CanBus(const CanBus&) = delete;
  CanBus& operator=(const CanBus&) = delete;

  // The echo node answers every frame from another node with a copy whose
  // identifier is one higher (same format, length and data). It adapts to
  // any bit time and acknowledges every frame.
  void SetEchoNode(bool present);
  bool EchoNode() const { return m_echo; }

  // A frame from a node outside the model (adapts to any bit time).
  void SendFromOutside(const CanFrame& frame);

  const std::vector<CanBusRecord>& Log() const { return m_log; }
  void ClearLog() { m_log.clear(); }

  // --- used by controllers ---
  void Attach(Sja1000Controller* node);
  void Detach(Sja1000Controller* node);
  // Puts a frame on the bus; returns whether any node acknowledged it.
  bool Transmit(Sja1000Controller* sender, const CanFrame& frame);
  // A node entered operating mode: pending frames of others may now get
  // their acknowledgement.
  void NodeJoined(Sja1000Controller* node);

 private:
  void SendFromEcho(const CanFrame& frame);
  void DeliverToAll(const CanFrame& frame);

  std::vector<Sja1000Controller*> m_nodes;
  std::vector<CanBusRecord> m_log;
  bool m_echo = false;
  bool m_retrying = false;
};

}  // namespace zembra::sim
