// Covers the CAN controller model and the virtual bus as a driver sees them
// through the registers: mode and reset-mode-only writes, frame transfer
// between two controllers in both formats, interrupt flags, the acceptance
// filter, receive FIFO overrun, missing acknowledgement and retry on join,
// mismatched bit timing, the echo node and outside frames, the reset line,
// silent controllers, injected bus errors up to bus-off and arbitration loss.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "sim/pcicard/CanBus.h"
#include "sim/pcicard/Sja1000Controller.h"

using zembra::sim::CanBus;
using zembra::sim::CanBusRecord;
using zembra::sim::CanFrame;
using zembra::sim::Sja1000Controller;

namespace {

constexpr std::uint8_t MOD = 0, CMR = 1, SR = 2, IR = 3, IER = 4, BTR0 = 6,
                       BTR1 = 7, OCR = 8, ALC = 11, ECC = 12, EWL = 13,
                       RXERR = 14, TXERR = 15, BUF = 16, RMC = 29, CDR = 31;
constexpr std::uint8_t kAllInterrupts = 0xFF;

// The register sequence a driver uses to bring a channel on the bus.
void Init(Sja1000Controller& c, std::uint8_t ier, std::uint8_t btr0 = 0x00) {
  c.Write(MOD, 0x01);
  c.Write(MOD, 0x01);
  c.Write(CDR, 0x80);
  c.Write(BTR0, btr0);
  c.Write(BTR1, 0x1C);
  for (std::uint8_t i = 0; i < 4; ++i) {
    c.Write(BUF + i, 0x00);
    c.Write(BUF + 4 + i, 0xFF);
  }
  c.Write(OCR, 0xAA);
  c.Write(IER, ier);
  c.Write(MOD, 0x08);
  c.Write(MOD, 0x08);
}

void Load(Sja1000Controller& c, const std::vector<std::uint8_t>& bytes) {
  for (std::size_t i = 0; i < bytes.size(); ++i) c.Write(BUF + i, bytes[i]);
}

void Send(Sja1000Controller& c, const std::vector<std::uint8_t>& bytes) {
  Load(c, bytes);
  c.Write(CMR, 0x01);
}

std::vector<std::uint8_t> Window(Sja1000Controller& c, std::size_t n) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i < n; ++i) out.push_back(c.Read(BUF + i));
  return out;
}

// Standard id 0x123, two data bytes, in the controller's buffer layout.
const std::vector<std::uint8_t> kStd123 = {0x02, 0x24, 0x60, 0xA1, 0xB2};

struct TwoNodes : ::testing::Test {
  CanBus bus;
  Sja1000Controller a{bus};
  Sja1000Controller b{bus};
};

}  // namespace

TEST_F(TwoNodes, ModeWritesFollowTheResetModeRule) {
  EXPECT_EQ(a.Read(MOD), 0x01);
  EXPECT_EQ(a.Read(SR), 0x3C);
  Init(a, 0);
  EXPECT_EQ(a.Read(MOD), 0x08);
  EXPECT_EQ(a.BitTime(), 32u);

  a.Write(MOD, 0x01);  // from operating mode: AFM must survive
  EXPECT_EQ(a.Read(MOD), 0x09);
  a.Write(MOD, 0x01);
  EXPECT_EQ(a.Read(MOD), 0x01);
  a.Write(MOD, 0x08);
  EXPECT_EQ(a.Read(MOD), 0x08);
  a.Write(MOD, 0x0E);  // listen-only and self-test only change in reset mode
  EXPECT_EQ(a.Read(MOD), 0x08);

  const auto before = a.Snapshot();
  a.Write(BTR0, 0x3F);
  a.Write(BTR1, 0xFF);
  a.Write(OCR, 0x00);
  a.Write(CDR, 0x00);
  a.Write(EWL, 10);
  a.Write(TXERR, 50);
  a.Write(BUF, 0x55);  // transmit buffer now, not acceptance code 0
  const auto after = a.Snapshot();
  EXPECT_EQ(after.busTiming0, before.busTiming0);
  EXPECT_EQ(after.busTiming1, before.busTiming1);
  EXPECT_EQ(after.outputControl, 0xAA);
  EXPECT_EQ(after.clockDivider, 0x80);
  EXPECT_EQ(after.errorWarningLimit, 96);
  EXPECT_EQ(after.txErrors, 0);
  EXPECT_EQ(after.acceptanceCode[0], 0x00);

  a.Write(MOD, 0x01);
  a.Write(BTR0, 0x03);
  a.Write(BTR1, 0x9C);  // sampling three times does not change the bit time
  EXPECT_EQ(a.BitTime(), 128u);
}

TEST_F(TwoNodes, FramesArriveByteExactInBothFormats) {
  Init(a, 0);
  Init(b, 0);
  Send(a, kStd123);
  EXPECT_EQ(a.Read(SR) & 0x0C, 0x0C);
  // Extended 0x1ABCDE35, DLC 15 carries eight bytes.
  const std::vector<std::uint8_t> ext = {0x8F, 0xD5, 0xE6, 0xF1, 0xA8, 1, 2, 3, 4, 5, 6, 7, 8};
  Send(a, ext);
  Send(a, {0x46, 0x24, 0x60});  // remote frame, DLC 6, no data travel

  ASSERT_EQ(bus.Log().size(), 3u);
  EXPECT_TRUE(bus.Log()[1].acknowledged);
  EXPECT_EQ(bus.Log()[1].frame.id, 0x1ABCDE35u);
  EXPECT_EQ(b.Read(RMC), 3);
  EXPECT_EQ(b.Read(SR) & 0x01, 0x01);
  EXPECT_EQ(Window(b, 5), kStd123);
  b.Write(CMR, 0x04);
  EXPECT_EQ(Window(b, 13), ext);
  b.Write(CMR, 0x04);
  EXPECT_EQ(Window(b, 4), (std::vector<std::uint8_t>{0x46, 0x24, 0x60, 0x00}));
  b.Write(CMR, 0x04);
  EXPECT_EQ(b.Read(RMC), 0);
  EXPECT_EQ(b.Read(SR) & 0x01, 0x00);

  // Entering reset mode drops whatever is waiting.
  Send(a, kStd123);
  b.Write(MOD, 0x01);
  EXPECT_EQ(b.Read(SR), 0x3C);
  EXPECT_EQ(b.Snapshot().framesWaiting, 0);
}

TEST_F(TwoNodes, InterruptFlagsNeedTheirEnableAndOnlyRiSurvivesARead) {
  Init(a, 0x03);
  Init(b, 0x00);
  Send(a, kStd123);
  EXPECT_TRUE(a.InterruptLine());
  EXPECT_EQ(a.Snapshot().pendingInterrupts, 0x02);
  EXPECT_EQ(a.Read(IR), 0x02);
  EXPECT_EQ(a.Read(IR), 0x00);
  EXPECT_FALSE(a.InterruptLine());
  EXPECT_EQ(b.Read(IR), 0x00);  // disabled: the frame is there, no flag
  EXPECT_FALSE(b.InterruptLine());

  b.Write(IER, 0x03);
  Send(a, kStd123);
  EXPECT_EQ(b.Read(IR), 0x01);
  EXPECT_EQ(b.Read(IR), 0x01);
  b.Write(CMR, 0x04);
  EXPECT_TRUE(b.InterruptLine());  // the second frame is still waiting
  b.Write(CMR, 0x04);
  EXPECT_FALSE(b.InterruptLine());
  EXPECT_EQ(b.Read(IR), 0x00);
}

TEST_F(TwoNodes, SingleAcceptanceFilterComparesIdRtrAndPresentDataBytes) {
  Init(a, 0);
  Init(b, 0);
  b.Write(MOD, 0x09);
  // Standard 0x123, data frames only, first data byte 0x55; the low nibble
  // of code byte 1 lies outside the frame and must not matter.
  const std::array<std::uint8_t, 8> filter = {0x24, 0x6F, 0x55, 0x00, 0x00, 0x00, 0x00, 0xFF};
  for (std::uint8_t i = 0; i < 8; ++i) b.Write(BUF + i, filter[i]);
  b.Write(MOD, 0x08);

  const auto accepted = [&](const std::vector<std::uint8_t>& bytes) {
    const std::uint8_t before = b.Snapshot().framesWaiting;
    Send(a, bytes);
    return b.Snapshot().framesWaiting > before;
  };
  EXPECT_TRUE(accepted({0x01, 0x24, 0x60, 0x55}));
  EXPECT_TRUE(accepted({0x00, 0x24, 0x60}));          // no data byte to compare
  EXPECT_FALSE(accepted({0x01, 0x24, 0x60, 0x56}));   // data mismatch
  EXPECT_FALSE(accepted({0x01, 0x24, 0x80, 0x55}));   // id 0x124
  EXPECT_FALSE(accepted({0x40, 0x24, 0x60}));         // remote
  EXPECT_TRUE(a.Read(SR) & 0x08);  // rejected frames are still acknowledged

  // Extended 0x1ABCDE35 with the two lowest id bits don't care.
  b.Write(MOD, 0x09);
  const std::array<std::uint8_t, 8> ext = {0xD5, 0xE6, 0xF1, 0xA8, 0x00, 0x00, 0x00, 0x18};
  for (std::uint8_t i = 0; i < 8; ++i) b.Write(BUF + i, ext[i]);
  b.Write(MOD, 0x08);
  EXPECT_TRUE(accepted({0x80, 0xD5, 0xE6, 0xF1, 0xA8}));
  EXPECT_TRUE(accepted({0x80, 0xD5, 0xE6, 0xF1, 0xB0}));   // id 0x1ABCDE36
  EXPECT_FALSE(accepted({0x80, 0xD5, 0xE6, 0xF1, 0xC8}));  // id 0x1ABCDE39
  EXPECT_FALSE(accepted({0xC0, 0xD5, 0xE6, 0xF1, 0xA8}));  // remote
}

TEST_F(TwoNodes, ReceiveFifoHoldsSixtyFourBytesThenOverruns) {
  Init(a, 0);
  Init(b, 0x08);
  const std::vector<std::uint8_t> eight = {0x08, 0x24, 0x60, 1, 2, 3, 4, 5, 6, 7, 8};
  for (int i = 0; i < 5; ++i) Send(a, eight);  // 5 x 11 bytes
  Send(a, {0x06, 0x24, 0x60, 1, 2, 3, 4, 5, 6});  // 9 bytes: exactly full
  EXPECT_EQ(b.Read(SR) & 0x02, 0x00);
  Send(a, {0x00, 0x24, 0x60});
  EXPECT_EQ(b.Read(RMC), 6);
  EXPECT_EQ(b.Read(SR) & 0x02, 0x02);
  EXPECT_EQ(b.Read(IR), 0x08);

  b.Write(CMR, 0x08);
  EXPECT_EQ(b.Read(SR) & 0x02, 0x00);
  b.Write(CMR, 0x04);  // frees 11 bytes
  Send(a, eight);
  EXPECT_EQ(b.Read(RMC), 6);
  EXPECT_EQ(b.Read(SR) & 0x02, 0x00);
}

TEST_F(TwoNodes, UnacknowledgedFrameStaysPendingUntilAPartnerJoins) {
  Init(a, kAllInterrupts);
  Send(a, kStd123);  // b is still in reset mode
  EXPECT_EQ(a.Read(SR) & 0x2C, 0x20);
  EXPECT_EQ(a.Read(TXERR), 8);
  EXPECT_EQ(a.Read(IR), 0x80);
  EXPECT_EQ(a.Read(ECC), 0xD9);  // other error, acknowledge slot, transmitting
  Load(a, {0x00, 0xFF, 0xE0});   // ignored: the buffer is taken

  // A node at another bit rate joins again and again: every retry fails.
  std::uint8_t seen = 0;
  for (int i = 0; i < 20; ++i) {
    Init(b, 0, 0x01);
    seen |= a.Read(IR);
  }
  EXPECT_EQ(a.Read(TXERR), 128);
  EXPECT_EQ(seen, 0x80 | 0x20 | 0x04);
  EXPECT_EQ(a.Read(SR) & 0xC0, 0x40);
  EXPECT_GT(b.Read(RXERR), 0);
  EXPECT_EQ(b.Read(RMC), 0);

  Init(b, 0);  // same bit rate now
  EXPECT_EQ(a.Read(SR) & 0x2C, 0x0C);
  EXPECT_EQ(a.Read(TXERR), 127);
  EXPECT_EQ(Window(b, 5), kStd123);
  EXPECT_TRUE(bus.Log().back().acknowledged);
  EXPECT_FALSE(bus.Log().front().acknowledged);

  // Abort releases a pending frame without completing it.
  b.Write(MOD, 0x01);
  Send(a, kStd123);
  EXPECT_EQ(a.Read(TXERR), 128);  // an ACK error stops at error passive
  a.Write(CMR, 0x02);
  EXPECT_EQ(a.Read(SR) & 0x2C, 0x04);
  const std::size_t logged = bus.Log().size();
  Init(b, 0);
  EXPECT_EQ(bus.Log().size(), logged);
}

TEST_F(TwoNodes, DifferentBitTimingGivesBusErrorsInsteadOfFrames) {
  Init(a, 0);
  Init(b, 0x80, 0x01);
  EXPECT_EQ(b.BitTime(), 64u);
  Send(a, kStd123);
  EXPECT_FALSE(bus.Log().back().acknowledged);
  EXPECT_EQ(b.Read(RMC), 0);
  EXPECT_EQ(b.Read(RXERR), 1);
  EXPECT_EQ(b.Read(IR), 0x80);
  EXPECT_EQ(b.Read(ECC) & 0x20, 0x20);  // captured while receiving
}

TEST_F(TwoNodes, EchoNodeAndOutsideFramesReachEveryNodeOnTheBus) {
  bus.SetEchoNode(true);
  Init(a, 0);
  Send(a, {0x01, 0xFF, 0xE0, 0x42});  // standard 0x7FF wraps to 0
  EXPECT_EQ(a.Read(SR) & 0x0C, 0x0C);  // the echo node acknowledged
  EXPECT_EQ(Window(a, 4), (std::vector<std::uint8_t>{0x01, 0x00, 0x00, 0x42}));
  a.Write(CMR, 0x04);
  Send(a, {0x81, 0xFF, 0xFF, 0xFF, 0xF8, 0x9A});  // extended 0x1FFFFFFF wraps to 0
  EXPECT_EQ(Window(a, 6), (std::vector<std::uint8_t>{0x81, 0x00, 0x00, 0x00, 0x00, 0x9A}));
  a.Write(CMR, 0x04);
  ASSERT_EQ(bus.Log().size(), 4u);
  EXPECT_EQ(bus.Log()[3].sender, CanBusRecord::Sender::EchoNode);
  EXPECT_EQ(bus.Log()[3].frame.id, 0u);
  EXPECT_TRUE(bus.Log()[3].frame.extended);

  // Outside frames ignore bit timing; the echo answers them too.
  Init(b, 0, 0x01);
  bus.ClearLog();
  CanFrame outside;
  outside.id = 0x100;
  outside.length = 1;
  outside.data[0] = 0x77;
  bus.SendFromOutside(outside);
  ASSERT_EQ(bus.Log().size(), 2u);
  EXPECT_EQ(bus.Log()[0].sender, CanBusRecord::Sender::Outside);
  for (Sja1000Controller* c : {&a, &b}) {
    EXPECT_EQ(c->Read(RMC), 2);
    EXPECT_EQ(Window(*c, 4), (std::vector<std::uint8_t>{0x01, 0x20, 0x00, 0x77}));
    c->Write(CMR, 0x04);
    EXPECT_EQ(c->Read(BUF + 2), 0x20);  // id 0x101
  }
}

TEST_F(TwoNodes, ResetLineAndSilenceCutTheChipOff) {
  Init(a, 0);
  b.Write(EWL, 50);
  Init(b, 0x01);
  EXPECT_EQ(b.Read(EWL), 50);
  Send(a, kStd123);
  b.SetResetLine(true);
  EXPECT_TRUE(b.Snapshot().heldInReset);
  EXPECT_EQ(b.Read(MOD), 0xFF);
  EXPECT_EQ(b.Read(SR), 0xFF);
  EXPECT_FALSE(b.InterruptLine());
  b.Write(MOD, 0x08);
  Send(a, kStd123);
  EXPECT_FALSE(bus.Log().back().acknowledged);
  b.SetResetLine(false);
  EXPECT_EQ(b.Read(MOD), 0x01);
  EXPECT_EQ(b.Read(SR), 0x3C);
  EXPECT_EQ(b.Read(CDR), 0x00);
  EXPECT_EQ(b.Read(IER), 0x00);
  EXPECT_EQ(b.Read(EWL), 96);
  EXPECT_EQ(b.Read(RMC), 0);

  // A silent node still has its frame, but nobody can see it.
  Init(b, 0x01);  // also delivers a's pending frame
  EXPECT_TRUE(b.InterruptLine());
  b.SetSilent(true);
  EXPECT_FALSE(b.InterruptLine());
  EXPECT_EQ(b.Read(RMC), 0xFF);
  b.Write(CMR, 0x04);
  Send(a, kStd123);
  EXPECT_FALSE(bus.Log().back().acknowledged);
  b.SetSilent(false);
  EXPECT_EQ(b.Read(RMC), 2);  // the retry on rejoining delivered the frame
}

TEST_F(TwoNodes, InjectedErrorsEndInBusOffAndRecoverOnLeavingReset) {
  Init(a, kAllInterrupts);
  std::uint8_t seen = 0;
  for (int i = 0; i < 31; ++i) {
    a.InjectBusError();
    seen |= a.Read(IR);
  }
  EXPECT_EQ(a.Read(TXERR), 248);
  EXPECT_EQ(seen, 0x80 | 0x20 | 0x04);
  EXPECT_TRUE(a.OnBus());
  a.InjectBusError();
  EXPECT_FALSE(a.OnBus());
  EXPECT_EQ(a.Read(MOD) & 0x01, 0x01);
  EXPECT_EQ(a.Read(SR) & 0xC0, 0xC0);
  EXPECT_EQ(a.Read(IR), 0x80 | 0x04);
  EXPECT_EQ(a.Read(TXERR), 127);

  a.Write(MOD, 0x08);
  EXPECT_TRUE(a.OnBus());
  EXPECT_EQ(a.Read(SR) & 0xC0, 0x00);
  EXPECT_EQ(a.Read(TXERR), 0);
  EXPECT_EQ(a.Read(IR) & 0x04, 0x04);
}

TEST_F(TwoNodes, ArbitrationLossKeepsTheFramePending) {
  Init(a, 0x40);
  Send(a, kStd123);
  a.InjectArbitrationLoss();
  EXPECT_EQ(a.Read(IR), 0x40);
  EXPECT_EQ(a.Read(ALC), 5);
  EXPECT_EQ(a.Read(SR) & 0x04, 0x00);
  Init(b, 0);
  EXPECT_EQ(a.Read(SR) & 0x0C, 0x0C);
  EXPECT_EQ(b.Read(RMC), 1);
}

TEST_F(TwoNodes, SelfTestAndSingleShotWorkWithoutAPartner) {
  Init(a, 0x03);
  a.Write(MOD, 0x01);
  a.Write(MOD, 0x0C);  // self-test needs no acknowledgement
  Load(a, kStd123);
  a.Write(CMR, 0x10);  // self-reception request
  EXPECT_EQ(a.Read(SR) & 0x0D, 0x0D);
  EXPECT_EQ(a.Read(IR), 0x03);
  EXPECT_EQ(Window(a, 5), kStd123);

  a.Write(MOD, 0x01);
  a.Write(MOD, 0x08);
  Load(a, kStd123);
  a.Write(CMR, 0x03);  // request plus abort: one attempt only
  EXPECT_EQ(a.Read(SR) & 0x2C, 0x04);
  EXPECT_EQ(a.Read(IR), 0x02);
  EXPECT_EQ(bus.Log().size(), 2u);
  Init(b, 0);
  EXPECT_EQ(bus.Log().size(), 2u);
}
