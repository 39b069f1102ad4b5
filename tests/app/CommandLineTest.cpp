// The command line: the two debug switches with their token rules, and the
// options beside them.
#include <gtest/gtest.h>

#include "app/CommandLineOptions.h"
#include "app/DebugSwitches.h"

namespace zembra {
namespace {

TEST(DebugSwitches, TokenRules) {
  EXPECT_TRUE(DebugSwitches::Scan("zembra /XRBLNOQ"));
  EXPECT_TRUE(DebugSwitches::Scan("zembra /j"));          // any letter case
  EXPECT_TRUE(DebugSwitches::Scan("zembra /xrblnoq"));
  EXPECT_FALSE(DebugSwitches::Scan("zembra /JX"));        // a character appended
  EXPECT_FALSE(DebugSwitches::Scan("zembra x/J"));
  EXPECT_TRUE(DebugSwitches::Scan("zembra  /J"));         // two blanks before it
  EXPECT_TRUE(DebugSwitches::Scan("zembra --simulate /J --port x"));
  EXPECT_FALSE(DebugSwitches::Scan("/J"));                // the program path is never a token
  EXPECT_FALSE(DebugSwitches::Scan(""));
  EXPECT_FALSE(DebugSwitches::Scan("zembra "));
  // A path with blanks: its later pieces are tokens like any other.
  EXPECT_TRUE(DebugSwitches::Scan("/opt/x /J tools/zembra"));
  EXPECT_FALSE(DebugSwitches::Scan("/opt/my tools/zembra"));
}

TEST(CommandLineOptions, PortSimulateHelpAndErrors) {
  auto p = CommandLineOptions::Parse({"zembra", "--port", "/dev/ttyUSB0", "/J"});
  EXPECT_TRUE(p.error.isEmpty());
  EXPECT_EQ(p.portOverride, QStringLiteral("/dev/ttyUSB0"));
  EXPECT_TRUE(p.debugMode);
  EXPECT_FALSE(p.simulate);

  EXPECT_EQ(CommandLineOptions::Parse({"zembra", "--port=/dev/pts/3"}).portOverride, QStringLiteral("/dev/pts/3"));
  EXPECT_TRUE(CommandLineOptions::Parse({"zembra", "--simulate"}).simulate);
  EXPECT_TRUE(CommandLineOptions::Parse({"zembra", "--help"}).showHelp);
  EXPECT_TRUE(CommandLineOptions::Parse({"zembra", "--version"}).showVersion);
  EXPECT_FALSE(CommandLineOptions::Parse({"zembra", "--simulate"}).showVersion);
  EXPECT_FALSE(CommandLineOptions::Parse({"zembra", "--port"}).error.isEmpty());
  EXPECT_FALSE(CommandLineOptions::Parse({"zembra", "--port="}).error.isEmpty());
  EXPECT_FALSE(CommandLineOptions::Parse({"zembra", "--frobnicate"}).error.isEmpty());
  EXPECT_FALSE(CommandLineOptions::Parse({"zembra", "--simulate", "--port", "/dev/x"}).error.isEmpty());
  EXPECT_TRUE(CommandLineOptions::HelpText().contains(QStringLiteral("--simulate")));
  EXPECT_TRUE(CommandLineOptions::HelpText().contains(QStringLiteral("--version")));
}

}  // namespace
}  // namespace zembra
