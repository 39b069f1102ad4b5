// Covers the virtual drive's protocol brain without any I/O: replies to
// identification, status and parameter commands, argument checking, the
// EEPROM image and its parameter block, the sampling frame format, and the
// motor model driven over simulated time.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/DriveModel.h"
#include "sim/WireFormat.h"

using zembra::sim::DriveModel;
using zembra::sim::DriveParameter;
using zembra::sim::SampleLead;
using zembra::sim::WireFormat;

namespace {

std::string Text(const std::string& t) { return "#" + t + "\r\n"; }

// Strips the framing of a text reply; fails the test if it is not one.
std::string Payload(const std::string& reply) {
  EXPECT_GE(reply.size(), 3u) << reply;
  EXPECT_EQ(reply.front(), '#') << reply;
  EXPECT_EQ(reply.substr(reply.size() - 2), "\r\n") << reply;
  if (reply.size() < 3) return {};
  return reply.substr(1, reply.size() - 3);
}

long Value(DriveModel& m, const char* query, std::uint32_t now = 0) {
  return std::stol(Payload(m.Handle(query, now)));
}

}  // namespace

TEST(DriveModelIdentification, AnswersVersionModelConnectAndTemperature) {
  DriveModel m;
  EXPECT_EQ(m.Handle("GVER", 0), Text("2.15"));
  EXPECT_EQ(m.Handle("GDTY", 0), Text("ZD-7720"));
  EXPECT_EQ(m.Handle("QNCON", 0), Text("DIRER"));
  EXPECT_EQ(m.Handle("GT", 0), Text("36"));

  m.SetVersionText("QNDX7720,1.00");
  m.SetModelText("QNDX7720");
  m.SetTemperature(-5);
  EXPECT_EQ(m.Handle("GVER", 0), Text("QNDX7720,1.00"));
  EXPECT_EQ(m.Handle("GDTY", 0), Text("QNDX7720"));
  EXPECT_EQ(m.Handle("GT", 0), Text("-5"));
}

TEST(DriveModelParameters, EveryBulkReadQueryAnswersWithANumberOrStatus) {
  const std::vector<std::string> queries = {
      "GSI", "GMP", "GMI", "GMD", "GMK", "GP", "GI", "GD", "GAP", "GAI",
      "GAD", "GSP", "GPC", "GCC", "GLQ", "GLD", "GMAV", "GLR", "GMV", "GA",
      "GPHE", "GPE", "GPL", "GPH", "GME", "GER", "GPT", "GIIT", "GENC", "GTW",
      "GNOT", "GADR", "GPOF", "GOV", "GOP", "GORG", "GNP", "GRBD", "GCBD"};
  ASSERT_EQ(queries.size(), 39u);
  DriveModel m;
  for (const auto& q : queries) {
    const std::string payload = Payload(m.Handle(q, 0));
    EXPECT_NE(payload, "ERR") << q;
    EXPECT_FALSE(payload.empty()) << q;
    std::size_t used = 0;
    std::stol(payload, &used);
    EXPECT_EQ(used, payload.size()) << q << " -> " << payload;
  }
}

TEST(DriveModelParameters, FactoryValuesMatchTheDocumentedDefaults) {
  DriveModel m;
  EXPECT_EQ(Value(m, "GSP"), 3000);
  EXPECT_EQ(Value(m, "GENC"), 10000);
  EXPECT_EQ(Value(m, "GPL"), -2100000000);
  EXPECT_EQ(Value(m, "GPH"), 2100000000);
  EXPECT_EQ(m.Handle("GRBD", 0), Text("9600"));
  EXPECT_EQ(m.Handle("GCBD", 0), Text("500000"));
}

TEST(DriveModelParameters, SetAndGainCommandsAreReadBack) {
  struct Case {
    std::string set;
    std::string query;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"SSP2500", "GSP", "2500"},    {"SPC8000", "GPC", "8000"},
      {"SCC4000", "GCC", "4000"},    {"SLQ77", "GLQ", "77"},
      {"SLD66", "GLD", "66"},        {"SMAV15", "GMAV", "15"},
      {"SMV3", "GMV", "3"},          {"SPL-1000", "GPL", "-1000"},
      {"SPH+2000", "GPH", "2000"},   {"SPE1", "GPE", "1"},
      {"SPHE1", "GPHE", "1"},        {"SME12", "GME", "12"},
      {"SER500", "GER", "500"},      {"SPT250", "GPT", "250"},
      {"SIIT900", "GIIT", "900"},    {"SNOT1", "GNOT", "1"},
      {"SADR7", "GADR", "7"},        {"SOV-50", "GOV", "-50"},
      {"SOP1234", "GOP", "1234"},    {"SORG-12", "GORG", "-12"},
      {"SCBD250000", "GCBD", "250000"}, {"BAUD19200", "GRBD", "19200"},
      {"SPOF1", "GPOF", "1"},        {"P11", "GP", "11"},
      {"I12", "GI", "12"},           {"D13", "GD", "13"},
      {"MP21", "GMP", "21"},         {"MI22", "GMI", "22"},
      {"MD23", "GMD", "23"},         {"MK24", "GMK", "24"},
      {"AP31", "GAP", "31"},         {"AI32", "GAI", "32"},
      {"AD33", "GAD", "33"},         {"A40", "GA", "40"},
      {"ENC4096", "GENC", "4096"},   {"STW5", "GTW", "5"},
  };
  DriveModel m;
  for (const auto& c : cases) {
    EXPECT_EQ(m.Handle(c.set, 0), Text("OK")) << c.set;
    EXPECT_EQ(m.Handle(c.query, 0), Text(c.expected)) << c.set;
  }
  // "SPOF0" clears again.
  EXPECT_EQ(m.Handle("SPOF0", 0), Text("OK"));
  EXPECT_EQ(m.Handle("GPOF", 0), Text("0"));
}

TEST(DriveModelParameters, MalformedOrOutOfRangeCommandsAnswerErrAndChangeNothing) {
  DriveModel m;
  for (const char* bad :
       {"SSPabc", "SSP12x", "SSP", "SSP+", "SSP-", "SSP+-3", "SSP 5", "SSP99999999999", "GSP5",
        "SPOF2", "SPE-1", "BAUD12345", "SCBD500", "SMOD4", "SMOD1024", "SMOD-1", "gsp", "XYZ",
        "ENA1", "?", "SSP0"}) {
    EXPECT_EQ(m.Handle(bad, 0), Text("ERR")) << bad;
  }
  EXPECT_EQ(Value(m, "GSP"), 3000);
  EXPECT_EQ(Value(m, "GPOF"), 0);
  EXPECT_EQ(m.Handle("GRBD", 0), Text("9600"));
  EXPECT_EQ(Payload(m.Handle("GSI", 0)).substr(0, 2), "00");
}

TEST(DriveModelParameters, StreamStopsAndEmptyLinesGetNoReply) {
  DriveModel m;
  EXPECT_EQ(m.Handle("$S", 0), "");
  EXPECT_EQ(m.Handle("*S", 0), "");
  EXPECT_EQ(m.Handle("@S", 0), "");
  EXPECT_EQ(m.Handle("", 0), "");
  EXPECT_EQ(m.Handle("#S", 0), Text("ERR"));
}

TEST(DriveModelStatus, StatusWordFollowsModeEnableStopDirectionAndEeprom) {
  DriveModel m;
  EXPECT_EQ(m.Handle("GSI", 0), Text("00101100"));

  EXPECT_EQ(m.Handle("SMOD259", 0), Text("OK"));  // position mode, step pulses
  EXPECT_EQ(m.Handle("DIS", 0), Text("OK"));
  EXPECT_EQ(m.Handle("SBS", 0), Text("OK"));
  EXPECT_EQ(m.Handle("SL", 0), Text("OK"));
  EXPECT_EQ(m.Handle("GSI", 0), Text("13010100"));
  EXPECT_EQ(m.Handle("GLR", 0), Text("0"));

  EXPECT_EQ(m.Handle("SMOD5", 0), Text("OK"));  // speed mode, single-ended analogue
  EXPECT_EQ(m.Handle("ENA", 0), Text("OK"));
  EXPECT_EQ(m.Handle("CBS", 0), Text("OK"));
  EXPECT_EQ(m.Handle("SR", 0), Text("OK"));
  EXPECT_EQ(m.Handle("GSI", 0), Text("05101100"));
  EXPECT_EQ(m.Handle("GLR", 0), Text("1"));
}

TEST(DriveModelStatus, EepromIsStoringBrieflyAfterSaveAndReportsFaults) {
  DriveModel m;
  EXPECT_EQ(m.Handle("ESA", 1000), Text("OK"));
  EXPECT_EQ(Payload(m.Handle("GSI", 1000 + DriveModel::kEepromStoreMs - 1))[5], '2');
  EXPECT_EQ(Payload(m.Handle("GSI", 1000 + DriveModel::kEepromStoreMs))[5], '1');

  m.SetEepromFault(true);
  EXPECT_EQ(Payload(m.Handle("GSI", 5000))[5], '0');
  EXPECT_EQ(m.Handle("GEI", 5000), Text("0000010000"));
}

TEST(DriveModelStatus, AlarmsAreSettableAndValidated) {
  DriveModel m;
  EXPECT_EQ(m.Handle("GEI", 0), Text("0000000000"));
  EXPECT_TRUE(m.SetAlarms("0010000001"));
  EXPECT_EQ(m.Handle("GEI", 0), Text("0010000001"));
  EXPECT_FALSE(m.SetAlarms("001000000"));
  EXPECT_FALSE(m.SetAlarms("00100000x1"));
  m.SetAlarm(0, true);
  m.SetAlarm(10, true);  // out of range: ignored
  EXPECT_EQ(m.Handle("GEI", 0), Text("1010000001"));
}

TEST(DriveModelEeprom, ParameterBlockHasLeadCheckByteAndFollowsTheEepromImage) {
  DriveModel m;
  const std::string factory = m.Handle("GESA", 0);
  ASSERT_EQ(factory.size(), WireFormat::kParameterBlockSize);
  EXPECT_EQ(factory.substr(0, 2), "QN");
  unsigned sum = 0;
  for (std::size_t i = 0; i < 127; ++i) sum += static_cast<unsigned char>(factory[i]);
  EXPECT_EQ(static_cast<unsigned char>(factory[127]), sum % 256);

  // Changing the working set leaves the stored image alone until saved.
  EXPECT_EQ(m.Handle("MP77", 0), Text("OK"));
  EXPECT_EQ(m.Handle("GESA", 0), factory);
  EXPECT_EQ(m.Handle("ESA", 0), Text("OK"));
  const std::string saved = m.Handle("GESA", 0);
  EXPECT_NE(saved, factory);
  EXPECT_EQ(static_cast<unsigned char>(saved[2]), 77);  // first value, little-endian
  EXPECT_EQ(saved[3], 0);
  sum = 0;
  for (std::size_t i = 0; i < 127; ++i) sum += static_cast<unsigned char>(saved[i]);
  EXPECT_EQ(static_cast<unsigned char>(saved[127]), sum % 256);
}

TEST(DriveModelEeprom, FactoryResetRestoresTheWorkingSetButNotTheSavedImage) {
  DriveModel m;
  m.Handle("SSP1500", 0);
  m.Handle("SMOD256", 0);
  m.Handle("SL", 0);
  m.Handle("ESA", 0);
  m.Handle("SSP1800", 0);
  EXPECT_EQ(m.Handle("FCFG", 0), Text("OK"));
  EXPECT_EQ(Value(m, "GSP"), 3000);
  EXPECT_EQ(Value(m, "GLR"), 1);
  EXPECT_EQ(Payload(m.Handle("GSI", 10000)).substr(0, 2), "00");
  EXPECT_EQ(m.EepromImage().Get(DriveParameter::MaxSpeed), 1500);
}

TEST(WireFormatFrames, SampleFramesCarryChannelLittleEndianValueAndCheckByte) {
  const std::string s = WireFormat::SampleFrame(SampleLead::Short, 3, 0x1234);
  ASSERT_EQ(s.size(), 5u);
  EXPECT_EQ(s, std::string("*\x03\x34\x12", 4) + static_cast<char>(('*' + 3 + 0x34 + 0x12) & 0xFF));

  const std::string l = WireFormat::SampleFrame(SampleLead::Long, 1, -2);
  ASSERT_EQ(l.size(), 7u);
  EXPECT_EQ(l.substr(0, 6), std::string("$\x01\xFE\xFF\xFF\xFF", 6));
  EXPECT_EQ(static_cast<unsigned char>(l[6]),
            ('$' + 1 + 0xFE + 0xFF + 0xFF + 0xFF) & 0xFF);

  const std::string a = WireFormat::SampleFrame(SampleLead::Alternate, 0, 70000);  // truncated to 16 bits
  EXPECT_EQ(a.substr(0, 4), std::string("@\x00\x70\x11", 4));
}

TEST(WireFormatFrames, PrintableEscapesControlAndHighBytes) {
  EXPECT_EQ(WireFormat::Printable(std::string("#2.15\r\n", 7)), "#2.15\\r\\n");
  EXPECT_EQ(WireFormat::Printable(std::string("a\\\x00\xC8", 4)), "a\\\\\\x00\\xC8");
}

class MotorThroughCommands : public ::testing::Test {
 protected:
  // Runs the simulated clock forward in 10 ms ticks, as a polling program would.
  void RunFor(std::uint32_t ms) {
    for (std::uint32_t t = 0; t < ms; t += 10) {
      now += 10;
      m.Motor().AdvanceTo(now);
    }
  }
  long Speed() { return Value(m, "GV", now); }
  long Position() { return Value(m, "GM", now); }
  long Current() { return Value(m, "GC", now); }

  DriveModel m;
  // Start just below the tick's wrap so the model must cope with it.
  std::uint32_t now = 0xFFFFFF00u;
};

TEST_F(MotorThroughCommands, SpeedCommandAcceleratesMovesAndV0Stops) {
  m.Handle("GV", now);
  EXPECT_EQ(Speed(), 0);
  EXPECT_EQ(m.Handle("V1000", now), Text("OK"));
  RunFor(30);
  const long early = Speed();
  EXPECT_GT(early, 0);
  EXPECT_LT(early, 1000);
  const long accelerating = Current();
  EXPECT_GT(accelerating, 0);

  RunFor(1000);
  EXPECT_NEAR(Speed(), 1000, 2);
  const long cruising = Current();
  EXPECT_LT(cruising, accelerating);
  const long p1 = Position();
  RunFor(600);
  // 1000 rpm with 10000 counts per turn: 100000 counts in 0.6 s.
  EXPECT_NEAR(Position() - p1, 100000, 200);

  EXPECT_EQ(m.Handle("V0", now), Text("OK"));
  RunFor(2000);
  EXPECT_EQ(Speed(), 0);
  const long stopped = Position();
  RunFor(500);
  EXPECT_EQ(Position(), stopped);
  EXPECT_EQ(Current(), 0);
}

TEST_F(MotorThroughCommands, SpeedIsLimitedByTheMaximumSpeedParameter) {
  m.Handle("SSP500", now);
  m.Handle("V-2000", now);
  RunFor(2000);
  EXPECT_NEAR(Speed(), -500, 2);
}

TEST_F(MotorThroughCommands, NoMotionWhileDisabledOrEmergencyStopped) {
  m.Handle("DIS", now);
  m.Handle("V1000", now);
  RunFor(500);
  EXPECT_EQ(Speed(), 0);
  EXPECT_EQ(Position(), 0);

  m.Handle("ENA", now);
  m.Handle("SBS", now);
  m.Handle("V1000", now);
  m.Handle("M5000", now);
  RunFor(500);
  EXPECT_EQ(Speed(), 0);
  EXPECT_EQ(Position(), 0);

  m.Handle("CBS", now);
  m.Handle("V1000", now);
  RunFor(500);
  EXPECT_GT(Speed(), 900);

  // Disabling while running drops the command and the motor runs down.
  m.Handle("DIS", now);
  RunFor(2000);
  EXPECT_EQ(Speed(), 0);
}

TEST_F(MotorThroughCommands, AbsoluteAndRelativeMovesSettleOnTarget) {
  EXPECT_EQ(m.Handle("M20000", now), Text("OK"));
  RunFor(50);
  EXPECT_GT(Value(m, "GSE", now), 0);
  EXPECT_GT(Position(), 0);
  RunFor(5000);
  EXPECT_EQ(Position(), 20000);
  EXPECT_EQ(Value(m, "GSE", now), 0);

  EXPECT_EQ(m.Handle("MR-5000", now), Text("OK"));
  RunFor(5000);
  EXPECT_EQ(Position(), 15000);

  EXPECT_EQ(m.Handle("PO", now), Text("OK"));
  EXPECT_EQ(Position(), 0);
  RunFor(1000);
  EXPECT_EQ(Position(), 0);  // the target moved with the zero point
}

TEST_F(MotorThroughCommands, SoftLimitsClampMoveTargets) {
  m.Handle("SPH3000", now);
  m.Handle("SPE1", now);
  m.Handle("M9000", now);
  RunFor(5000);
  EXPECT_EQ(Position(), 3000);
}

namespace zembra::sim {
namespace {

// The curves the monitoring page shows must look like a real servo's: a
// ramp at the drive's acceleration, a small overshoot that settles, a
// current that follows the acceleration, a hard emergency stop.
class MotorCurves : public ::testing::Test {
 protected:
  void RunFor(std::uint32_t ms) {
    for (std::uint32_t t = 0; t < ms; t += 10) {
      now += 10;
      m.Motor().AdvanceTo(now);
      peakSpeed = std::max(peakSpeed, m.Motor().SpeedRpm());
      lowestCurrent = std::min(lowestCurrent, m.Motor().CurrentMa());
    }
  }
  DriveModel m;
  std::uint32_t now = 5000;
  double peakSpeed = 0.0;
  double lowestCurrent = 0.0;
};

TEST_F(MotorCurves, ASpeedStepRampsOvershootsSlightlyAndSettles) {
  m.Motor().AdvanceTo(now);
  m.Handle("V1000", now);
  RunFor(100);
  // 3000 rpm/s from the factory acceleration, less the loop's lag.
  EXPECT_GT(m.Motor().SpeedRpm(), 150.0);
  EXPECT_LT(m.Motor().SpeedRpm(), 300.0);
  const double rampCurrent = m.Motor().CurrentMa();
  RunFor(900);
  EXPECT_GT(peakSpeed, 1001.0);
  EXPECT_LT(peakSpeed, 1050.0);
  EXPECT_NEAR(m.Motor().SpeedRpm(), 1000.0, 1.0);
  EXPECT_GT(rampCurrent, 3 * m.Motor().CurrentMa());

  // Half the acceleration parameter, half the ramp: 1500 rpm/s for 0.2 s,
  // which the speed follows a little behind.
  DriveModel slow;
  slow.Handle("A50", now);
  slow.Motor().AdvanceTo(now);
  slow.Handle("V1000", now);
  slow.Motor().AdvanceTo(now + 200);
  EXPECT_NEAR(slow.Motor().SpeedReferenceRpm(), 300.0, 1e-9);
  EXPECT_NEAR(slow.Motor().SpeedRpm(), 290.0, 15.0);
}

TEST_F(MotorCurves, TheEmergencyStopBrakesHardWithACurrentSpike) {
  m.Motor().AdvanceTo(now);
  m.Handle("V2000", now);
  RunFor(2000);
  lowestCurrent = 0.0;
  m.Handle("SBS", now);
  RunFor(250);
  EXPECT_LT(std::fabs(m.Motor().SpeedRpm()), 100.0);
  EXPECT_LT(lowestCurrent, -1500.0);
  RunFor(1000);
  EXPECT_EQ(m.Motor().SpeedRpm(), 0.0);
  EXPECT_EQ(m.Motor().CurrentMa(), 0.0);
}

TEST_F(MotorCurves, ALongMoveCruisesAtMaximumSpeedAndLandsOnTarget) {
  m.Motor().AdvanceTo(now);
  m.Handle("SSP2000", now);
  m.Handle("M400000", now);
  RunFor(4000);
  EXPECT_NEAR(peakSpeed, 2000.0, 60.0);
  RunFor(12000);
  EXPECT_EQ(m.Motor().PositionCounts(), 400000.0);
  // An hour without a question: a speed run is simply at its speed.
  m.Handle("V-300", now);
  now += 3600u * 1000u;
  m.Motor().AdvanceTo(now);
  EXPECT_NEAR(m.Motor().SpeedRpm(), -300.0, 1e-9);
  // Less the few thousand counts the start-up ramp lags behind.
  EXPECT_NEAR(m.Motor().PositionCounts(), 400000.0 - 300.0 / 60.0 * 10000.0 * 3600.0, 5000.0);
}

}  // namespace
}  // namespace zembra::sim
