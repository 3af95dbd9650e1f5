// The command transport against the emulated products on the virtual bus.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "transport_fixture.h"

namespace tessel::transport {
namespace {

using test::DebugCapture;
using test::Rig;
using sim::FaultKind;
using sim::KeyboardFirmware;
using sim::MouseFirmware;
namespace fwcmd = sim::cmd;

std::vector<uint16_t> lengths(const std::vector<sim::RequestRecord>& log, uint8_t command) {
  std::vector<uint16_t> out;
  for (const auto& r : log)
    if (r.command == command) out.push_back(r.length);
  return out;
}
std::vector<uint16_t> offsets(const std::vector<sim::RequestRecord>& log, uint8_t command) {
  std::vector<uint16_t> out;
  for (const auto& r : log)
    if (r.command == command) out.push_back(r.offset);
  return out;
}

TEST(CommandTransport, ClosedTransportSendsNothingAndTracesNothing) {
  Rig<MouseFirmware> rig("mouse", std::make_shared<MouseFirmware>(), 1);
  ASSERT_TRUE(rig.connected);
  rig.t().setOpen(false);
  DebugCapture capture;
  std::array<uint8_t, kIdentitySize> id{};
  EXPECT_EQ(rig.t().readIdentity(id), ResultCode::NotSent);
  EXPECT_EQ(rig.t().begin(), ResultCode::NotSent);
  EXPECT_EQ(rig.t().sendLiveFrame(std::vector<uint8_t>(45, 1)), ResultCode::NotSent);
  EXPECT_TRUE(capture.lines().empty());
  EXPECT_TRUE(rig.fw->requests().empty());
  EXPECT_FALSE(rig.t().busy());
  // The link query on the cable needs no exchange.
  EXPECT_TRUE(rig.t().linkQuery());
  EXPECT_TRUE(rig.fw->requests().empty());
}

TEST(CommandTransport, ConnectionTypesSetChunkSizeAndHandle) {
  Rig<MouseFirmware> pad("mouse", std::make_shared<MouseFirmware>(), 0);
  EXPECT_EQ(pad.t().chunkSize(), 24);  // no connection type given: the defaults
  EXPECT_FALSE(pad.t().onReceiver());
  pad.t().setConnectionType(7);  // anything but 2 is the cable
  EXPECT_EQ(pad.t().chunkSize(), 56);
  pad.t().setConnectionType(2);
  EXPECT_EQ(pad.t().chunkSize(), 24);
  EXPECT_TRUE(pad.t().onReceiver());

  EXPECT_TRUE(pad.t().setMemorySize(512));
  EXPECT_FALSE(pad.t().setMemorySize(513));
  EXPECT_EQ(pad.t().memorySize(), 512);
  EXPECT_TRUE(pad.t().setMemorySize(33));
  EXPECT_EQ(pad.t().memorySize(), 33);
}

TEST(CommandTransport, TraceShowsRequestAndReplyInTwoLinesEach) {
  Rig<MouseFirmware> rig("mouse", std::make_shared<MouseFirmware>(), 1);
  DebugCapture capture;
  std::array<uint8_t, kIdentitySize> id{};
  ASSERT_EQ(rig.t().readIdentity(id), ResultCode::Success);
  const auto lines = capture.lines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "命令");
  EXPECT_EQ(lines[1],
            "04 25 00 03   22 00 00 00   00 00 00 00   00 00 00 00  00 00 00 00  00 00 00 00  "
            "00 00 00 00  00 00 00 00");
  EXPECT_EQ(lines[3], "返回");
  // The reply echoes the command and carries identity byte 0 (product id low byte) at byte 8.
  EXPECT_EQ(lines[4].substr(9, 44), "03   22 00 00 00   1f 7c 01 04   02 0b 18 04");
}

TEST(CommandTransport, ChunkSizesFollowTheConnection) {
  // 56 bytes on the cable are one chunk, 57 are two (56 + 1).
  Rig<MouseFirmware> cable("mouse", std::make_shared<MouseFirmware>(), 1);
  std::vector<uint8_t> data(57);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i + 1);
  ASSERT_EQ(cable.t().begin(), ResultCode::Success);
  ASSERT_EQ(cable.t().writeSettings(std::span(data).first(56), 128), ResultCode::Success);
  ASSERT_EQ(cable.t().writeSettings(data, 256), ResultCode::Success);
  ASSERT_EQ(cable.t().end(), ResultCode::Success);
  auto log = cable.fw->requests();
  EXPECT_EQ(lengths(log, fwcmd::kWriteSettings), (std::vector<uint16_t>{56, 56, 1}));
  EXPECT_EQ(offsets(log, fwcmd::kWriteSettings), (std::vector<uint16_t>{128, 256, 312}));
  const auto settings = cable.fw->settings();
  EXPECT_TRUE(std::equal(data.begin(), data.end(), settings.begin() + 256));
  EXPECT_EQ(settings[128 + 55], 56);

  // The identity takes one chunk of 34 on the cable and 24 + 10 through the receiver.
  std::array<uint8_t, kIdentitySize> id{};
  cable.fw->clearLog();
  ASSERT_EQ(cable.t().readIdentity(id), ResultCode::Success);
  EXPECT_EQ(lengths(cable.fw->requests(), fwcmd::kReadIdentity), (std::vector<uint16_t>{34}));
  EXPECT_EQ(id, cable.fw->identity());

  Rig<MouseFirmware> rx("mouse-receiver", std::make_shared<MouseFirmware>(true), 2);
  std::array<uint8_t, kIdentitySize> rid{};
  ASSERT_EQ(rx.t().readIdentity(rid), ResultCode::Success);
  EXPECT_EQ(lengths(rx.fw->requests(), fwcmd::kReadIdentity), (std::vector<uint16_t>{24, 10}));
  EXPECT_EQ(offsets(rx.fw->requests(), fwcmd::kReadIdentity), (std::vector<uint16_t>{0, 24}));
  EXPECT_EQ(rid, rx.fw->identity());

  // Recoil data goes in chunks of 56 even through the receiver. The mouse
  // checks the image at the end: a 120-byte one with 20 events for gun 0.
  std::vector<uint8_t> recoil(120, 0x5A);
  const uint8_t head[] = {0xAA, 0x55, 120, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 24, 0, 108, 0, 112, 0, 116, 0, 20, 0, 0, 0};
  std::copy(std::begin(head), std::end(head), recoil.begin());
  for (size_t at : {108u, 112u, 116u}) std::fill_n(recoil.begin() + at, 4, 0);
  ASSERT_EQ(rx.t().begin(), ResultCode::Success);
  ASSERT_EQ(rx.t().writeRecoilMemory(recoil), ResultCode::Success);
  ASSERT_EQ(rx.t().end(), ResultCode::Success);
  EXPECT_EQ(lengths(rx.fw->requests(), fwcmd::kWriteRecoil), (std::vector<uint16_t>{56, 56, 8}));
  EXPECT_TRUE(std::equal(recoil.begin(), recoil.end(), rx.fw->recoilMemory().begin()));
  EXPECT_EQ(rx.fw->writesOutsideBracket(), 0);
}

TEST(CommandTransport, SleepingReceiverGivesUnreachableAfterOneRead) {
  Rig<MouseFirmware> rx("mouse-receiver", std::make_shared<MouseFirmware>(true), 2);
  rx.fw->setDeviceAwake(false);
  EXPECT_FALSE(rx.t().linkQuery());
  std::array<uint8_t, kIdentitySize> id{};
  id.fill(0x77);
  EXPECT_EQ(rx.t().readIdentity(id), ResultCode::Unreachable);
  EXPECT_EQ(id[0], 0x77);  // untouched
  // One request each, and nothing left queued for the next exchange.
  EXPECT_EQ(rx.fw->commandCodes(), (std::vector<uint8_t>{0xAA, 0x03}));
  rx.fw->setDeviceAwake(true);
  EXPECT_TRUE(rx.t().linkQuery());
  EXPECT_EQ(rx.t().readIdentity(id), ResultCode::Success);
  EXPECT_EQ(id, rx.fw->identity());
}

TEST(CommandTransport, DeviceStatusFailuresStopTheTransferAtThatChunk) {
  Rig<KeyboardFirmware> rig("keyboard", std::make_shared<KeyboardFirmware>(), 1);
  ASSERT_TRUE(rig.t().setMemorySize(366));
  rig.fw->injectFault({FaultKind::StatusFF, fwcmd::kReadKeyTable, /*skip=*/2, 1});
  std::array<uint8_t, 512> table{};
  EXPECT_EQ(rig.t().readKeyTable(table), ResultCode::StatusFF);
  EXPECT_EQ(rig.fw->countOf(fwcmd::kReadKeyTable), 3u);
  // The two chunks that came in stay in the buffer.
  const auto def = rig.fw->defaultKeyTable();
  EXPECT_TRUE(std::equal(def.begin(), def.begin() + 112, table.begin()));
  EXPECT_EQ(table[112], 0);

  rig.fw->injectFault({FaultKind::StatusFE, fwcmd::kBegin, 0, 1});
  EXPECT_EQ(rig.t().begin(), ResultCode::StatusFE);
  // The firmware itself refuses a chunk outside its memory with 0xFE.
  std::array<uint8_t, 8> out{};
  EXPECT_EQ(rig.t().readSettings(out, 0xFFF0), ResultCode::StatusFE);
}

TEST(CommandTransport, ReplyForAnotherCommandIsSkippedOnce) {
  Rig<MouseFirmware> rig("mouse", std::make_shared<MouseFirmware>(), 1);
  rig.fw->injectFault({FaultKind::StaleThenReply, fwcmd::kReadSettings, 0, 1});
  std::array<uint8_t, 1> profile{0xEE};
  EXPECT_EQ(rig.t().readSettings(profile, 0), ResultCode::Success);
  EXPECT_EQ(profile[0], 0);

  // Two replies for other commands: the exchange gives the second read's
  // result and the caller judges the reply by its status byte.
  CommandReport other{};
  other[0] = 4;
  other[3] = 0x1A;
  rig.product->scriptReplies({sim::Report(other.begin(), other.end()), sim::Report(other.begin(), other.end())});
  const auto request = buildRequest(0x05, 1, 0);
  CommandReport reply{};
  size_t count = 0;
  EXPECT_EQ(rig.t().exchange(request.data(), request.size(), reply.data(), reply.size(), &count),
            ResultCode::Success);
  EXPECT_EQ(reply[3], 0x1A);
  EXPECT_EQ(count, kReportSize);
  // The next exchange starts clean.
  EXPECT_EQ(rig.t().readSettings(profile, 0), ResultCode::Success);
}

TEST(CommandTransport, NoReplyGivesZeroAndTheNextExchangeStartsClean) {
  Rig<MouseFirmware> rig("mouse", std::make_shared<MouseFirmware>(), 1);
  rig.fw->injectFault({FaultKind::NoReply, fwcmd::kReadStatus, 0, 1});
  std::array<uint8_t, 6> status{};
  EXPECT_EQ(rig.t().readStatus(status), ResultCode::NotSent);
  EXPECT_EQ(rig.fw->countOf(fwcmd::kReadStatus), 1u);
  EXPECT_FALSE(rig.t().busy());
  EXPECT_EQ(rig.t().readStatus(status), ResultCode::Success);
  EXPECT_EQ(status[0], rig.fw->statusBlock()[0]);
}

TEST(CommandTransport, ASecondHandleSkipsEveryReplyMeantForTheFirst) {
  // Every open handle gets every input report, as on hidraw: the program's
  // own handle collects the replies of a tesselctl session on the same
  // keyboard, far more than a few, and must not take one for its own.
  Rig<KeyboardFirmware> rig("keyboard", std::make_shared<KeyboardFirmware>(false), 1);
  CommandTransport other(rig.bus, rig.clock);
  ASSERT_TRUE(other.connect(rig.product->commandPath(), 1));
  std::vector<uint8_t> bytes(31);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(0x40 + i);
  rig.fw->setSettings(31, bytes);
  std::array<uint8_t, 31> block{};
  for (int i = 0; i < 12; ++i) ASSERT_EQ(rig.t().readSettings(block, 0), ResultCode::Success);
  ASSERT_EQ(other.readSettings(block, 31), ResultCode::Success);
  EXPECT_EQ(std::vector<uint8_t>(block.begin(), block.end()), bytes);
}

TEST(CommandTransport, StatusReadUsesOneRequestWithLengthAndOffset) {
  Rig<MouseFirmware> rig("mouse", std::make_shared<MouseFirmware>(), 1);
  rig.fw->setStatusBlock({42, 1, 9, 9, 9, 3});
  std::array<uint8_t, 3> tail{};
  ASSERT_EQ(rig.t().readStatus(tail, 3), ResultCode::Success);
  EXPECT_EQ(tail, (std::array<uint8_t, 3>{9, 9, 3}));
  const auto log = rig.fw->requests();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].length, 3);
  EXPECT_EQ(log[0].offset, 3);
  std::array<uint8_t, 57> tooLong{};
  EXPECT_EQ(rig.t().readStatus(tooLong), ResultCode::NotSent);
  EXPECT_EQ(rig.fw->requests().size(), 1u);
}

TEST(CommandTransport, KeyTableNeedsBankZeroAndWholeBuffers) {
  Rig<MouseFirmware> rig("mouse", std::make_shared<MouseFirmware>(), 1);
  ASSERT_TRUE(rig.t().setMemorySize(33));
  std::vector<uint8_t> table(33, 0x10);
  EXPECT_EQ(rig.t().writeKeyTable(table, 1), ResultCode::BadMemoryBank);
  EXPECT_TRUE(rig.fw->requests().empty());
  EXPECT_EQ(rig.t().writeKeyTable(std::span(table).first(30), 0), ResultCode::NotSent);
  std::array<uint8_t, 20> small{};
  EXPECT_EQ(rig.t().readKeyTable(small), ResultCode::NotSent);
  EXPECT_TRUE(rig.fw->requests().empty());

  ASSERT_EQ(rig.t().begin(), ResultCode::Success);
  ASSERT_EQ(rig.t().writeKeyTable(table, 0), ResultCode::Success);
  ASSERT_EQ(rig.t().end(), ResultCode::Success);
  const auto stored = rig.fw->keyTable();
  EXPECT_TRUE(std::equal(table.begin(), table.end(), stored.begin()));
  EXPECT_EQ(stored[33], 0);  // nothing past the memory size
}

TEST(CommandTransport, CustomColoursUseRecordOffsetsUnderTheLightLock) {
  Rig<KeyboardFirmware> rig("keyboard", std::make_shared<KeyboardFirmware>(), 2);
  std::vector<uint8_t> colours(60);
  for (size_t i = 0; i < colours.size(); ++i) colours[i] = static_cast<uint8_t>(200 - i);
  ASSERT_EQ(rig.t().writeCustomColours(colours, 2, 30), ResultCode::Success);
  EXPECT_EQ(offsets(rig.fw->requests(), fwcmd::kWriteCustomColours), (std::vector<uint16_t>{60, 84, 108}));
  std::vector<uint8_t> back(60);
  ASSERT_EQ(rig.t().readCustomColours(back, 1, 60), ResultCode::Success);
  EXPECT_EQ(back, colours);
}

TEST(CommandTransport, CustomColourOffsetsThatWrapIn32BitsAreRefusedNotSentToOffsetZero) {
  Rig<KeyboardFirmware> rig("keyboard", std::make_shared<KeyboardFirmware>(), 2);
  std::vector<uint8_t> colours(30, 0x55);
  // 65536 * 65536 is 0 in 32 bits: it would land on the first record.
  EXPECT_EQ(rig.t().writeCustomColours(colours, 65536, 65536), ResultCode::NotSent);
  // 0x10000 * 0x10001 wraps to 0x10000 in 32 bits, then to offset 0 on the wire.
  EXPECT_EQ(rig.t().writeCustomColours(colours, 0x10001, 0x10000), ResultCode::NotSent);
  std::vector<uint8_t> back(30);
  EXPECT_EQ(rig.t().readCustomColours(back, 65536, 65536), ResultCode::NotSent);
  EXPECT_TRUE(offsets(rig.fw->requests(), fwcmd::kWriteCustomColours).empty());
  EXPECT_TRUE(offsets(rig.fw->requests(), fwcmd::kReadCustomColours).empty());
}

TEST(CommandTransport, LiveFrameGoesOnTheCableOnly) {
  Rig<KeyboardFirmware> cable("keyboard", std::make_shared<KeyboardFirmware>(), 1);
  std::vector<uint8_t> frame(366);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(i * 7);
  DebugCapture capture;
  ASSERT_EQ(cable.t().sendLiveFrame(frame), ResultCode::Success);
  EXPECT_EQ(cable.fw->liveFrameChunks(), 7);  // 6 x 56 + 30
  const auto sink = cable.fw->liveFrame();
  EXPECT_TRUE(std::equal(frame.begin(), frame.end(), sink.begin()));
  EXPECT_TRUE(capture.lines().empty());  // untraced

  Rig<KeyboardFirmware> rx("keyboard-receiver", std::make_shared<KeyboardFirmware>(true), 2);
  EXPECT_EQ(rx.t().sendLiveFrame(frame), ResultCode::Success);
  EXPECT_TRUE(rx.fw->requests().empty());
}

TEST(CommandTransport, LiveFrameDuringATracedExchangeIsDroppedChunkByChunk) {
  Rig<KeyboardFirmware> rig("keyboard", std::make_shared<KeyboardFirmware>(), 1);
  // The settings read waits for a reply that never comes, so the transport
  // stays busy until its time-out.
  rig.fw->injectFault({FaultKind::NoReply, fwcmd::kReadSettings, 0, 1});
  ResultCode settingsResult = ResultCode::Success;
  std::thread reader([&] {
    std::array<uint8_t, 31> block{};
    settingsResult = rig.t().readSettings(block, 0);
  });
  ASSERT_TRUE(rig.product->waitForCommands(1, std::chrono::seconds(5)));
  ASSERT_TRUE(rig.t().busy());
  DebugCapture capture;
  EXPECT_EQ(rig.t().sendLiveFrame(std::vector<uint8_t>(150, 0x33)), ResultCode::Success);
  reader.join();
  EXPECT_EQ(settingsResult, ResultCode::NotSent);
  EXPECT_EQ(capture.count("放弃灯光数据"), 3u);  // 56 + 56 + 38
  EXPECT_EQ(rig.t().droppedLiveChunks(), 3u);
  EXPECT_EQ(rig.fw->liveFrameChunks(), 0);
}

TEST(CommandTransport, UnplugDuringAChunkedWriteEndsIt) {
  Rig<KeyboardFirmware> rig("keyboard", std::make_shared<KeyboardFirmware>(), 1);
  ASSERT_TRUE(rig.t().setMemorySize(366));
  rig.fw->injectFault({FaultKind::Unplug, fwcmd::kWriteKeyTable, /*skip=*/2, 1});
  std::vector<uint8_t> table(366, 0x21);
  ASSERT_EQ(rig.t().begin(), ResultCode::Success);
  const ResultCode r = rig.t().writeKeyTable(table, 0);
  EXPECT_NE(r, ResultCode::Success);
  EXPECT_EQ(rig.fw->countOf(fwcmd::kWriteKeyTable), 3u);
  // The chunks before the unplug reached the device.
  const auto stored = rig.fw->keyTable();
  EXPECT_EQ(stored[111], 0x21);
  EXPECT_NE(stored[112], 0x21);
  // Writing to a product that is gone fails at once.
  EXPECT_EQ(rig.t().end(), ResultCode::WriteFailed);
}

TEST(CommandTransport, DisconnectEndsAPendingExchangeOnAnotherThread) {
  Rig<MouseFirmware> rig("mouse", std::make_shared<MouseFirmware>(), 2);
  rig.fw->injectFault({FaultKind::NoReply, fwcmd::kBegin, 0, 1});
  ResultCode r = ResultCode::Success;
  std::thread t([&] { r = rig.t().begin(); });  // would wait 5000 ms for the receiver
  ASSERT_TRUE(rig.product->waitForCommands(1, std::chrono::seconds(5)));
  rig.t().disconnect();
  t.join();
  EXPECT_EQ(r, ResultCode::NotSent);
  EXPECT_FALSE(rig.t().isOpen());
  EXPECT_EQ(rig.t().begin(), ResultCode::NotSent);
}

TEST(CommandTransport, HandOverMovesToTheOtherConnection) {
  sim::VirtualHidBus bus;
  ManualClock clock;
  auto cableFw = std::make_shared<MouseFirmware>(false);
  auto rxFw = std::make_shared<MouseFirmware>(true);
  auto cable = bus.plug("mouse", cableFw);
  auto rx = bus.plug("mouse-receiver", rxFw);
  CommandTransport t(bus, clock);
  ASSERT_TRUE(t.connect(rx->commandPath(), kConnectionReceiver));
  EXPECT_EQ(t.begin(), ResultCode::Success);
  ASSERT_TRUE(t.handOver(cable->commandPath(), kConnectionCable));
  EXPECT_FALSE(t.onReceiver());
  EXPECT_EQ(t.chunkSize(), 56);
  EXPECT_EQ(t.end(), ResultCode::Success);
  EXPECT_EQ(rxFw->commandCodes(), (std::vector<uint8_t>{0x01}));
  EXPECT_EQ(cableFw->commandCodes(), (std::vector<uint8_t>{0x02}));
  EXPECT_FALSE(t.handOver("sim/hidraw99#vid_320f&pid_7c20&mi_01&col04", kConnectionReceiver));
  EXPECT_FALSE(t.isOpen());
}

// Exchanges of several threads never take each other's replies: the I/O lock
// covers the write and the read of one exchange.
TEST(CommandTransport, ConcurrentCommandsAndLiveFramesKeepTheirReplies) {
  Rig<KeyboardFirmware> rig("keyboard", std::make_shared<KeyboardFirmware>(), 1);
  const auto settings = rig.fw->settings();
  const auto colours = rig.fw->customColours();
  std::atomic<int> failures{0};
  auto settingsReader = [&] {
    for (int i = 0; i < 150; ++i) {
      std::array<uint8_t, 31> block{};
      if (rig.t().readSettings(block, 31) != ResultCode::Success ||
          !std::equal(block.begin(), block.end(), settings.begin() + 31))
        ++failures;
    }
  };
  auto colourReader = [&] {
    for (int i = 0; i < 150; ++i) {
      std::array<uint8_t, 90> c{};
      if (rig.t().readCustomColours(c, 0, 0) != ResultCode::Success ||
          !std::equal(c.begin(), c.end(), colours.begin()))
        ++failures;
    }
  };
  auto frames = [&] {
    for (int i = 0; i < 150; ++i) {
      if (rig.t().sendLiveFrame(std::vector<uint8_t>(120, static_cast<uint8_t>(i))) != ResultCode::Success)
        ++failures;
    }
  };
  std::thread a(settingsReader), b(colourReader), c(frames), d(settingsReader);
  a.join();
  b.join();
  c.join();
  d.join();
  EXPECT_EQ(failures.load(), 0);
  for (const auto& r : rig.fw->requests()) EXPECT_TRUE(r.checksumOk);
}

}  // namespace
}  // namespace tessel::transport
