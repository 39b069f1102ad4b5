#pragma once
// The drive's command language: the numeric code attached to every
// mnemonic so that a reply can be routed to the code that asked for it.
#include <string>
#include <string_view>
#include <unordered_map>

namespace zembra {

// The code of a command mnemonic: the one type every reply handler, the
// link and the status strip switch on. The full table lives in the map;
// the enumerators are the codes the program names in code, and a code of
// the table without a name here is still a CommandCode.
enum CommandCode : int {
  kCodeUnknown = -1,
  kCodeNone = 0,
  kCodeQNCON = 1,
  kCodeGDTY = 2,
  kCodeDIS = 10,
  kCodeENA = 11,
  kCodeGENC = 18,
  kCodeGESA = 29,
  kCodeGA = 83,
  kCodeGSP = 81,
  kCodeGP = 85,
  kCodeGI = 87,
  kCodeGD = 89,
  kCodeSPOF = 117,
  kCodeGM = 150,
  kCodeGV = 151,
  kCodeGC = 153,
  kCodeGT = 154,
  kCodeGVER = 155,
  kCodeGSI = 157,
  kCodeGEI = 158,
  kCodeGSE = 171,
  kCodeGADR = 203,
  kCodeSLQ = 211,
};

class CommandCodeMap {
 public:
  // Built in the drive table's order; a later insertion of a mnemonic
  // replaces the earlier one ("GADR" ends at 203, "SLQ"/"GLQ" at 211).
  CommandCodeMap();

  // Code of a bare mnemonic, kCodeUnknown when absent.
  CommandCode CodeOf(std::string_view mnemonic) const;
  std::size_t Size() const { return m_codes.size(); }

 private:
  std::unordered_map<std::string, CommandCode> m_codes;
};

// Upper-cases `text` in place, takes its leading run of A-Z (at most 64
// characters) as the key and stores its code in `code` (kCodeUnknown when
// the key is not in the map). Returns whether it was found.
bool LookupCommandCode(const CommandCodeMap& map, std::string& text, CommandCode& code);

// Upper-cases ASCII letters only; GBK bytes stay as they are.
void ToUpperAscii(std::string& text);

}  // namespace zembra
