#include "sim/pcicard/CanBus.h"

#include <algorithm>

#include "sim/pcicard/Sja1000Controller.h"

namespace zembra::sim {

namespace {

CanFrame EchoAnswer(const CanFrame& frame) {
  CanFrame answer = frame;
  answer.id = (frame.id + 1) & (frame.extended ? 0x1FFFFFFFu : 0x7FFu);
  return answer;
}

}  // namespace

void CanBus::SetEchoNode(bool present) { m_echo = present; }

void CanBus::Attach(Sja1000Controller* node) {
  if (node && std::find(m_nodes.begin(), m_nodes.end(), node) == m_nodes.end()) {
    m_nodes.push_back(node);
  }
}

void CanBus::Detach(Sja1000Controller* node) {
  m_nodes.erase(std::remove(m_nodes.begin(), m_nodes.end(), node), m_nodes.end());
}

bool CanBus::Transmit(Sja1000Controller* sender, const CanFrame& frame) {
  if (!sender) return false;
  const std::uint32_t bitTime = sender->BitTime();
  bool acknowledged = m_echo;
  for (Sja1000Controller* node : m_nodes) {
    if (node != sender && node->OnBus() && node->BitTime() == bitTime) acknowledged = true;
  }
  m_log.push_back({CanBusRecord::Sender::Controller, sender, frame, acknowledged});

  // Receivers may not add or remove nodes, but a copy keeps the iteration
  // safe whatever they do.
  const std::vector<Sja1000Controller*> nodes = m_nodes;
  for (Sja1000Controller* node : nodes) {
    if (node == sender || !node->OnBus()) continue;
    if (node->BitTime() == bitTime) {
      node->Receive(frame);
    } else {
      node->SeeBusError();
    }
  }
  if (m_echo) SendFromEcho(EchoAnswer(frame));
  return acknowledged;
}

void CanBus::SendFromOutside(const CanFrame& frame) {
  bool acknowledged = m_echo;
  for (Sja1000Controller* node : m_nodes) {
    if (node->OnBus()) acknowledged = true;
  }
  m_log.push_back({CanBusRecord::Sender::Outside, nullptr, frame, acknowledged});
  DeliverToAll(frame);
  if (m_echo) SendFromEcho(EchoAnswer(frame));
}

void CanBus::SendFromEcho(const CanFrame& frame) {
  // The echo node never answers itself, which ends every chain here.
  m_log.push_back({CanBusRecord::Sender::EchoNode, nullptr, frame, true});
  DeliverToAll(frame);
}

void CanBus::DeliverToAll(const CanFrame& frame) {
  // Nodes outside the controllers adapt to any bit time, so every
  // controller on the bus hears them.
  const std::vector<Sja1000Controller*> nodes = m_nodes;
  for (Sja1000Controller* node : nodes) {
    if (node->OnBus()) node->Receive(frame);
  }
}

void CanBus::NodeJoined(Sja1000Controller* node) {
  // A retry only delivers frames and never makes a node join, but a guard
  // keeps any future change from turning this into a retry storm.
  if (m_retrying) return;
  m_retrying = true;
  const std::vector<Sja1000Controller*> nodes = m_nodes;
  for (Sja1000Controller* other : nodes) {
    if (other != node) other->RetryPendingTransmission();
  }
  m_retrying = false;
}

}  // namespace zembra::sim
