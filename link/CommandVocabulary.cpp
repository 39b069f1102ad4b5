#include "link/CommandVocabulary.h"

#include <utility>

namespace zembra {
namespace {

// The drive table in insertion order. Duplicates are deliberate: the last
// entry of a mnemonic wins, and the reply handlers rely on the result.
const std::pair<const char*, int> kTable[] = {
    {"QNCON", 1},    {"GDTY", 2},     {"DIS", 10},     {"ENA", 11},     {"BAUD", 12},    {"ADR", 13},
    {"GADR", 14},    {"TYP", 15},     {"GTYP", 16},    {"ENC", 17},     {"GENC", 18},    {"ASW", 19},
    {"SPL", 20},     {"APL", 21},     {"GPH", 22},     {"GPL", 23},     {"RN", 24},      {"ESA", 25},
    {"FCFG", 26},    {"SIV", 27},     {"GIV", 28},     {"GESA", 29},    {"GPE", 30},     {"SPH", 31},
    {"SVT", 32},     {"GVT", 33},     {"SBS", 34},     {"SME", 35},     {"GME", 36},     {"SIT", 37},
    {"GIT", 38},     {"SMOD", 39},    {"M", 41},       {"MA", 42},      {"MR", 43},      {"V", 44},
    {"GSV", 45},     {"NP", 46},      {"NV", 47},      {"NPOFF", 48},   {"NVOFF", 49},   {"SMV", 50},
    {"GMV", 51},     {"SMAV", 52},    {"GMAV", 53},    {"SL", 54},      {"SR", 55},      {"SCS", 56},
    {"GLR", 57},     {"PO", 60},      {"PP", 61},      {"PA", 62},      {"PL", 63},      {"PN", 64},
    {"CAHOSEQ", 65}, {"POHOSEQ", 66}, {"GOHOSEQ", 67}, {"HOSP", 68},    {"GHOSP", 69},   {"PB", 70},
    {"PD", 71},      {"GOHIX", 72},   {"PS", 73},      {"SSP", 80},     {"GSP", 81},     {"A", 82},
    {"GA", 83},      {"P", 84},       {"GP", 85},      {"I", 86},       {"GI", 87},      {"D", 88},
    {"GD", 89},      {"SPC", 90},     {"GPC", 91},     {"SCC", 92},     {"GCC", 93},     {"AP", 94},
    {"GAP", 95},     {"AI", 96},      {"GAI", 97},     {"AD", 98},      {"GAD", 99},     {"CMOD", 100},
    {"S", 101},      {"STW", 102},    {"STN", 103},    {"GTW", 104},    {"GSTN", 105},   {"GEARMOD", 106},
    {"APCMOD", 107}, {"ENCMOD", 108}, {"HALLSPEED", 109}, {"ENCSPEED", 110}, {"VOLTMOD", 111}, {"IXRMOD", 112},
    {"RM", 113},     {"SK", 114},     {"GRM", 115},    {"GK", 116},     {"SPOF", 117},   {"GMOD", 117},
    {"GPOF", 118},   {"SER", 118},    {"SOV", 119},    {"GER", 119},    {"GOV", 120},    {"DIRIN", 120},
    {"SOP", 121},    {"REFIN", 121},  {"GOP", 122},    {"ERROUT", 122}, {"SORG", 123},   {"ENCOUT", 123},
    {"GORG", 124},   {"LPN", 124},    {"MPO", 125},    {"GPN", 125},    {"DIGOUT", 126}, {"CO", 127},
    {"SO", 128},     {"DCE", 129},    {"GDCE", 130},   {"DEV", 131},    {"GDEV", 132},   {"SZT", 133},
    {"GZT", 134},    {"SPT", 135},    {"GPT", 136},    {"PROGSEQ", 140}, {"GPROGSEQ", 141}, {"ENPROG", 142},
    {"DIPROG", 143}, {"GM", 150},     {"GV", 151},     {"GCL", 152},    {"GC", 153},     {"GT", 154},
    {"GVER", 155},   {"NE", 156},     {"GSI", 157},    {"GEI", 158},    {"GAST", 159},   {"GSCS", 160},
    {"GES", 161},    {"GSE", 171},    {"MP", 172},     {"GMP", 173},    {"MI", 174},     {"GMI", 175},
    {"MD", 176},     {"GMD", 177},    {"MK", 178},     {"GMK", 179},    {"SPHE", 180},   {"GPHE", 181},
    {"SSFT", 190},   {"GSFT", 191},   {"SMFV", 192},   {"GMFV", 193},   {"SSK", 194},    {"GSK", 195},
    {"SNOT", 196},   {"GNOT", 197},   {"SEIR", 198},   {"GEIR", 199},   {"SIR", 200},    {"GIR", 201},
    {"SADR", 202},   {"GADR", 203},   {"SCBD", 204},   {"GCBD", 205},   {"GRBD", 207},   {"GNOD", 208},
    {"SNP", 209},    {"GNP", 210},    {"SLQ", 211},    {"GLQ", 211},    {"SLD", 213},    {"GLD", 214},
    {"SIIT", 215},   {"GIIT", 216},
};

constexpr std::size_t kMaxKeyLength = 64;

}  // namespace

CommandCodeMap::CommandCodeMap() {
  for (const auto& [mnemonic, code] : kTable) m_codes[mnemonic] = static_cast<CommandCode>(code);
}

CommandCode CommandCodeMap::CodeOf(std::string_view mnemonic) const {
  auto it = m_codes.find(std::string(mnemonic));
  return it == m_codes.end() ? kCodeUnknown : it->second;
}

void ToUpperAscii(std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x81) {
      ++i;  // GBK lead byte: its trail byte may look like a lower-case letter
    } else if (c >= 'a' && c <= 'z') {
      text[i] = static_cast<char>(c - 'a' + 'A');
    }
  }
}

bool LookupCommandCode(const CommandCodeMap& map, std::string& text, CommandCode& code) {
  ToUpperAscii(text);
  std::size_t n = 0;
  while (n < text.size() && n < kMaxKeyLength && text[n] >= 'A' && text[n] <= 'Z') ++n;
  code = map.CodeOf(std::string_view(text).substr(0, n));
  return code != kCodeUnknown;
}

}  // namespace zembra
