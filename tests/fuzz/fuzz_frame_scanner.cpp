// The frame scanner on byte streams cut anywhere. Arbitrary bytes must
// yield only well-formed frames; a stream of valid frames cut at arbitrary
// places must yield exactly those frames, in order.
#include <string>
#include <vector>

#include "link/FrameScanner.h"
#include "tests/fuzz/FuzzBytes.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

using zembra::FrameScanner;
using zembra::ScannedFrame;
using zembra::fuzz::FuzzBytes;

char Checksum(const std::string& bytes) {
  unsigned sum = 0;
  for (unsigned char c : bytes) sum += c;
  return static_cast<char>(sum & 0xFF);
}

void CheckWellFormed(const ScannedFrame& f) {
  switch (f.kind) {
    case ScannedFrame::Kind::TextReply:
      FUZZ_CHECK(f.payload.size() < FrameScanner::kCapacity);
      FUZZ_CHECK(f.payload.find('#') == std::string::npos);
      break;
    case ScannedFrame::Kind::Sample:
      FUZZ_CHECK(f.payload.size() == 3 || f.payload.size() == 5);
      break;
    case ScannedFrame::Kind::ParameterBlock:
      FUZZ_CHECK(f.payload.size() == FrameScanner::kBlockSize);
      break;
    case ScannedFrame::Kind::UnsolicitedStream:
      FUZZ_CHECK(f.payload.empty());
      break;
  }
}

// A valid frame from the fuzz bytes, or false when the choice makes none.
bool MakeFrame(FuzzBytes& in, std::string& wire, ScannedFrame& frame) {
  static const char kText[] = "0123456789-+.ABCDEFGHIJKLMNOPRSTUVWXYZ OKERR";
  switch (in.Byte() % 4) {
    case 0: {
      std::string text;
      const int n = 1 + in.Byte() % 100;
      for (int i = 0; i < n; ++i) text += kText[in.Byte() % (sizeof kText - 1)];
      wire = "#" + text + "\r\n";
      frame = {ScannedFrame::Kind::TextReply, zembra::FrameType::Text, text};
      return true;
    }
    case 1:
    case 2: {
      const bool wide = in.Byte() & 1;
      const char lead = wide ? '$' : (in.Byte() & 1 ? '*' : '@');
      std::string body(1, lead);
      body += in.Take(wide ? 5 : 3);
      if (body.size() != (wide ? 6u : 4u)) return false;
      body += Checksum(body);
      // The scanner reads a repeated lead as noise; such a frame is not valid.
      if (body[1] == lead || body.back() == lead) return false;
      wire = body;
      frame = {ScannedFrame::Kind::Sample,
               wide ? zembra::FrameType::Sample32
                    : (lead == '*' ? zembra::FrameType::Sample16 : zembra::FrameType::Sample16At),
               body.substr(1, body.size() - 2)};
      return true;
    }
    default: {
      std::string block = "QN" + in.Take(FrameScanner::kBlockSize - 3);
      if (block.size() != FrameScanner::kBlockSize - 1) return false;
      block += Checksum(block);
      wire = block;
      frame = {ScannedFrame::Kind::ParameterBlock, zembra::FrameType::Text, block};
      return true;
    }
  }
}

}  // namespace

ZEMBRA_FUZZ_TARGET(frame_scanner) {
  FuzzBytes in(data, size);
  const std::uint8_t mode = in.Byte();
  FrameScanner scanner;
  if (mode & 1) {
    const bool connected = mode & 2;
    while (!in.Empty()) {
      const std::string chunk = in.Take(1 + in.Byte() % 300);
      for (const ScannedFrame& f : scanner.Feed(chunk, connected)) CheckWellFormed(f);
      FUZZ_CHECK(scanner.Pending() <= FrameScanner::kCapacity);
    }
    return;
  }
  // Valid frames back to back, then delivered in pieces of fuzz-chosen sizes.
  std::string stream;
  std::vector<ScannedFrame> expected;
  for (int n = 0; n < 40 && !in.Empty(); ++n) {
    std::string wire;
    ScannedFrame frame{};
    if (MakeFrame(in, wire, frame)) {
      stream += wire;
      expected.push_back(frame);
    }
  }
  std::vector<ScannedFrame> got;
  std::size_t pos = 0;
  std::uint32_t cuts = static_cast<std::uint32_t>(size) * 2654435761u;
  while (pos < stream.size()) {
    cuts = cuts * 1103515245u + 12345u;
    const std::size_t n = 1 + (cuts >> 16) % 97;
    for (ScannedFrame& f : scanner.Feed(std::string_view(stream).substr(pos, n), true)) got.push_back(std::move(f));
    pos += n;
  }
  FUZZ_CHECK(got.size() == expected.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    FUZZ_CHECK(got[i].kind == expected[i].kind);
    FUZZ_CHECK(got[i].type == expected[i].type);
    FUZZ_CHECK(got[i].payload == expected[i].payload);
  }
}
