// The emulated firmware's macro memory: what a host writes with 0x15 between
// begin and end is checked as a whole image before the device keeps it.
#include <gtest/gtest.h>

#include <algorithm>

#include "device/transport/command_report.h"
#include "sim/firmware_mouse.h"

using namespace tessel;

namespace {

// Sends one request and returns the status byte of the reply.
uint8_t send(sim::CommandFirmware& fw, uint8_t command, uint16_t offset = 0, std::span<const uint8_t> data = {}) {
  const auto request = transport::buildRequest(command, static_cast<uint8_t>(data.size()), offset, data);
  std::vector<sim::Report> replies;
  fw.onCommand(sim::Report(request.begin(), request.end()), replies);
  EXPECT_EQ(replies.size(), 1u);
  return replies.empty() ? 0xEE : replies.back()[7];
}

// begin, the image in 56-byte chunks from offset 0, end; the end's status.
uint8_t writeImage(sim::CommandFirmware& fw, const std::vector<uint8_t>& image) {
  EXPECT_EQ(send(fw, sim::cmd::kBegin), sim::kReplyOk);
  for (size_t at = 0; at < image.size(); at += 56) {
    const size_t n = std::min<size_t>(56, image.size() - at);
    send(fw, sim::cmd::kWriteMacro, static_cast<uint16_t>(at), std::span(image).subspan(at, n));
  }
  return send(fw, sim::cmd::kEnd);
}

// One macro of `events` events, each 4 bytes of value `fill`.
std::vector<uint8_t> oneMacro(uint16_t events, uint8_t fill) {
  const size_t total = 16 + 2 + 4 + 4 * size_t{events};
  std::vector<uint8_t> b(total, 0);
  b[0] = 0xAA;
  b[1] = 0x55;
  b[2] = static_cast<uint8_t>(total);
  b[3] = static_cast<uint8_t>(total >> 8);
  b[4] = 1;
  b[16] = 18;
  b[18] = static_cast<uint8_t>(events);
  b[19] = static_cast<uint8_t>(events >> 8);
  std::fill(b.begin() + 22, b.end(), fill);
  return b;
}

}  // namespace

TEST(MacroMemory, SoundImageInChunksIsKeptAndALaterShorterOneLeavesStaleBytesBehind) {
  sim::MouseFirmware fw;
  ASSERT_EQ(fw.macroMemory().size(), size_t{sim::kMouseMacroUnits} * 128);
  const auto big = oneMacro(30, 0x11);  // 142 bytes: three chunks
  EXPECT_EQ(writeImage(fw, big), sim::kReplyOk);
  auto held = fw.macroMemory();
  EXPECT_TRUE(std::equal(big.begin(), big.end(), held.begin()));
  EXPECT_EQ(held[big.size()], 0);

  const auto small = oneMacro(2, 0x22);
  EXPECT_EQ(writeImage(fw, small), sim::kReplyOk);
  held = fw.macroMemory();
  EXPECT_TRUE(std::equal(small.begin(), small.end(), held.begin()));
  EXPECT_EQ(held[small.size()], 0x11);  // the old block's tail stays until overwritten
  EXPECT_EQ(fw.writesOutsideBracket(), 0);
}

TEST(MacroMemory, BadImagesAnswerAnErrorAtTheEndAndKeepTheOldMemory) {
  sim::MouseFirmware fw;
  const auto good = oneMacro(3, 0x33);
  ASSERT_EQ(writeImage(fw, good), sim::kReplyOk);
  const auto before = fw.macroMemory();

  auto badMagic = oneMacro(1, 0x44);
  badMagic[1] = 0x56;
  auto longerThanSent = oneMacro(1, 0x44);
  longerThanSent[2] += 4;
  auto countPastLength = oneMacro(1, 0x44);
  countPastLength[4] = 20;  // the offset table alone would need 40 bytes
  auto offsetInsideTable = oneMacro(1, 0x44);
  offsetInsideTable[16] = 17;
  auto blockPastEnd = oneMacro(1, 0x44);
  blockPastEnd[18] = 2;  // two events declared, one sent
  auto tooShort = std::vector<uint8_t>{0xAA, 0x55, 8, 0, 0, 0, 0, 0};
  for (const auto* image : {&badMagic, &longerThanSent, &countPastLength, &offsetInsideTable, &blockPastEnd, &tooShort}) {
    EXPECT_EQ(writeImage(fw, *image), 0xFE);
    EXPECT_EQ(fw.macroMemory(), before);
  }
}

TEST(MacroMemory, ChunksOutOfOrderOrPastTheMemorySpoilTheWrite) {
  sim::MouseFirmware fw;
  fw.setIdentityByte(6, 1);
  const auto image = oneMacro(10, 0x66);  // 62 bytes
  ASSERT_EQ(send(fw, sim::cmd::kBegin), sim::kReplyOk);
  EXPECT_EQ(send(fw, sim::cmd::kWriteMacro, 56, std::span(image).subspan(56)), 0xFE);  // no chunk at 0 yet
  EXPECT_EQ(send(fw, sim::cmd::kWriteMacro, 0, std::span(image).first(56)), sim::kReplyOk);
  EXPECT_EQ(send(fw, sim::cmd::kWriteMacro, 60, std::span(image).subspan(56)), 0xFE);  // a gap
  EXPECT_EQ(send(fw, sim::cmd::kEnd), sim::kReplyOk);  // the refused chunk was the error
  EXPECT_EQ(fw.macroMemory(), std::vector<uint8_t>(128, 0));

  const std::vector<uint8_t> filler(56, 0);
  ASSERT_EQ(send(fw, sim::cmd::kBegin), sim::kReplyOk);
  send(fw, sim::cmd::kWriteMacro, 0, std::span(image).first(56));
  send(fw, sim::cmd::kWriteMacro, 56, filler);
  EXPECT_EQ(send(fw, sim::cmd::kWriteMacro, 112, filler), 0xFE);  // 168 > 128
  EXPECT_EQ(send(fw, sim::cmd::kEnd), sim::kReplyOk);
  EXPECT_EQ(fw.macroMemory(), std::vector<uint8_t>(128, 0));
  // An end with no macro write in the bracket is plain success.
  ASSERT_EQ(send(fw, sim::cmd::kBegin), sim::kReplyOk);
  EXPECT_EQ(send(fw, sim::cmd::kEnd), sim::kReplyOk);
}
