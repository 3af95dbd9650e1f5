// The recoil patterns go to the emulated mouse's recoil memory: what the
// firmware received and keeps, and what it keeps after a refused or failed
// download.
#include "devices/mouse/mouse_recoil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>

#include "devices/mouse/mouse_controller.h"
#include "macros/recoil_image.h"
#include "platform/json_file.h"
#include "sim/firmware_mouse.h"
#include "sim/virtual_bus.h"

using namespace tessel;

namespace {

namespace fs = std::filesystem;
constexpr uint8_t kBegin = 0x01, kEnd = 0x02, kIdentity = 0x03, kWriteRecoil = 0x17, kLink = 0xAA;

class RecoilRig : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tessel-recoil-XXXXXX";
    dir_ = mkdtemp(pattern);
    files_ = macros::RecoilFiles(dir_, fs::path(TESSEL_SOURCE_DIR) / "DefaultData");
    ASSERT_TRUE(files_.ensureAll());
  }
  void TearDown() override {
    mouse_.reset();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  void plug(bool receiver) {
    fw_ = std::make_shared<sim::MouseFirmware>(receiver);
    product_ = bus_.plug(receiver ? "mouse-receiver" : "mouse", fw_);
    mouse_ = std::make_unique<MouseController>(bus_, clock_);
    ASSERT_TRUE(mouse_->transport().connect(product_->commandPath(), receiver ? 2 : 1));
    fw_->clearLog();
  }
  RecoilDownload download() {
    std::optional<RecoilDownload> got;
    requestRecoilDownload(*mouse_, dir_, [&](RecoilDownload d) { got = d; });
    EXPECT_TRUE(got.has_value());  // the queue runs inline here
    return got.value_or(RecoilDownload{});
  }
  std::vector<uint8_t> held(size_t length) const {
    const auto mem = fw_->recoilMemory();
    return {mem.begin(), mem.begin() + static_cast<long>(std::min(length, mem.size()))};
  }
  static uint16_t u16(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
  }

  fs::path dir_;
  macros::RecoilFiles files_;
  sim::VirtualHidBus bus_;
  ManualClock clock_;
  std::shared_ptr<sim::MouseFirmware> fw_;
  std::shared_ptr<sim::EmulatedProduct> product_;
  std::unique_ptr<MouseController> mouse_;
};

}  // namespace

TEST_F(RecoilRig, TheFactoryPatternsReachTheRecoilMemoryInOneBracket) {
  plug(false);
  const RecoilDownload d = download();
  ASSERT_TRUE(d.ok()) << describe(d);
  EXPECT_EQ(d.imageLength, 2920u);
  const auto expected = macros::buildRecoilImage(files_).bytes;
  EXPECT_EQ(held(2920), expected);

  // Identity, begin, 53 chunks of 56 and one of 8 from offset 0, end.
  const auto codes = fw_->commandCodes();
  ASSERT_GE(codes.size(), 4u);
  EXPECT_EQ(codes.front(), kIdentity);
  EXPECT_EQ(codes[1], kBegin);
  EXPECT_EQ(codes.back(), kEnd);
  EXPECT_EQ(fw_->countOf(kWriteRecoil), 53u);
  uint16_t next = 0;
  for (const auto& r : fw_->requests()) {
    if (r.command != kWriteRecoil) continue;
    EXPECT_EQ(r.offset, next);
    next = static_cast<uint16_t>(next + r.length);
  }
  EXPECT_EQ(next, 2920);
  EXPECT_EQ(fw_->writesOutsideBracket(), 0);
  EXPECT_FALSE(fw_->bracketOpen());
}

TEST_F(RecoilRig, ShortFilesAndTypedValuesArriveAsTheyAreMeant) {
  // Gun 1 keeps only its first ten shots (60 events); shot 0 of gun 2 moves 300 left.
  Json::Value gun1 = files_.document(1);
  gun1["Events"].resize(60);
  ASSERT_TRUE(writeJsonFile(files_.filePath(1), gun1));
  ASSERT_TRUE(files_.storeShot(2, 0, macros::RecoilShot{300, true, 12, false, 95}).ok());
  plug(false);
  ASSERT_TRUE(download().ok());

  const auto mem = held(2920);
  EXPECT_EQ(u16(mem, 2), 16 + 8 + 16 + 4 * (180 + 60 + 180 + 180));
  const size_t block1 = u16(mem, 18);
  EXPECT_EQ(u16(mem, block1), 60);
  const size_t block2 = u16(mem, 20);
  EXPECT_EQ(block2, block1 + 4 + 240);
  // Element 2 of gun 2: 5 ms, "down" horizontal move, 44 counts (300's low 8 bits).
  EXPECT_EQ(std::vector<uint8_t>(mem.begin() + static_cast<long>(block2 + 4 + 8),
                                 mem.begin() + static_cast<long>(block2 + 4 + 16)),
            (std::vector<uint8_t>{5, 0, 0x84, 44, 95, 0, 0x05, 12}));
}

TEST_F(RecoilRig, ThroughTheReceiverTheLinkIsAskedFirstAndASleepingMouseGetsNothing) {
  plug(true);
  fw_->setDeviceAwake(false);
  RecoilDownload d = download();
  EXPECT_EQ(d.status, RecoilDownload::Status::LinkDown);
  EXPECT_EQ(d.result, ResultCode::Unreachable);
  EXPECT_EQ(fw_->commandCodes(), (std::vector<uint8_t>{kLink}));
  EXPECT_EQ(held(4), (std::vector<uint8_t>{0, 0, 0, 0}));

  fw_->setDeviceAwake(true);
  fw_->clearLog();
  d = download();
  ASSERT_TRUE(d.ok()) << describe(d);
  EXPECT_EQ(fw_->commandCodes().front(), kLink);
  // Chunks of 56 whatever the connection.
  for (const auto& r : fw_->requests()) {
    if (r.command == kWriteRecoil && r.offset + 56 < 2920) {
      EXPECT_EQ(r.length, 56);
    }
  }
  EXPECT_EQ(held(2920), macros::buildRecoilImage(files_).bytes);
}

TEST_F(RecoilRig, FailuresAreReportedAndTheMouseKeepsItsPatterns) {
  plug(false);
  ASSERT_TRUE(download().ok());
  const auto before = held(4096);

  // A chunk refused halfway: the end still closes the bracket, nothing changes.
  ASSERT_TRUE(files_.storeShot(0, 0, macros::RecoilShot{1, true, 1, true, 1}).ok());
  fw_->injectFault({sim::FaultKind::StatusFE, kWriteRecoil, 10, 1});
  RecoilDownload d = download();
  EXPECT_EQ(d.status, RecoilDownload::Status::WriteFailed);
  EXPECT_EQ(d.result, ResultCode::StatusFE);
  EXPECT_FALSE(fw_->bracketOpen());
  EXPECT_EQ(held(4096), before);

  // A mouse that does not answer its identity gets no image.
  fw_->clearLog();
  fw_->injectFault({sim::FaultKind::StatusFF, kIdentity, 0, 1});
  d = download();
  EXPECT_EQ(d.status, RecoilDownload::Status::IdentityFailed);
  EXPECT_EQ(fw_->countOf(kWriteRecoil), 0u);
  EXPECT_EQ(fw_->countOf(kBegin), 0u);

  // Files too large for the 16-bit length: nothing is sent at all.
  Json::Value big = files_.document(3);
  while (big["Events"].size() < 16380) big["Events"].append(big["Events"][0u]);
  ASSERT_TRUE(writeJsonFile(files_.filePath(3), big));
  fw_->clearLog();
  d = download();
  EXPECT_EQ(d.status, RecoilDownload::Status::TooLarge);
  EXPECT_EQ(fw_->countOf(kWriteRecoil), 0u);
  EXPECT_EQ(held(4096), before);

  mouse_->transport().disconnect();
  EXPECT_EQ(download().status, RecoilDownload::Status::NotConnected);
}

TEST_F(RecoilRig, TheEmulatedMouseRefusesUnsoundImagesAtTheEnd) {
  plug(false);
  ASSERT_TRUE(download().ok());
  const auto before = held(4096);
  auto& t = mouse_->transport();
  const auto good = macros::buildRecoilImage(files_).bytes;
  const auto sendImage = [&](std::vector<uint8_t> image) {
    EXPECT_EQ(t.begin(), ResultCode::Success);
    EXPECT_EQ(t.writeRecoilMemory(image), ResultCode::Success);
    return t.end(1);
  };
  std::vector<uint8_t> badMagic = good;
  badMagic[0] = 0x55;
  std::vector<uint8_t> threeGuns = good;
  threeGuns[4] = 3;
  std::vector<uint8_t> longer = good;
  longer[2] = 0xFF;  // the length claims more than was sent
  std::vector<uint8_t> offsetOut = good;
  offsetOut[22] = 0xFF;  // gun 3's block past the image
  offsetOut[23] = 0x0F;
  for (auto* image : {&badMagic, &threeGuns, &longer, &offsetOut}) {
    EXPECT_EQ(sendImage(*image), ResultCode::StatusFE);
    EXPECT_EQ(held(4096), before);
  }
  // Larger than the recoil memory: the chunks past it are refused.
  std::vector<uint8_t> huge(4200, 0);
  EXPECT_EQ(t.begin(), ResultCode::Success);
  EXPECT_NE(t.writeRecoilMemory(huge), ResultCode::Success);
  t.end(1);
  EXPECT_EQ(held(4096), before);
}

TEST_F(RecoilRig, OnTheDevicesOwnThreadTheOutcomeComesBackAsAPostedCall) {
  plug(false);
  std::mutex m;
  std::condition_variable cv;
  std::deque<std::function<void()>> posted;
  ASSERT_TRUE(mouse_->commandQueue().runOnThread([&](std::function<void()> call) {
    std::lock_guard lock(m);
    posted.push_back(std::move(call));
    cv.notify_all();
  }));
  std::optional<RecoilDownload> got;
  const auto uiThread = std::this_thread::get_id();
  std::thread::id ranOn;
  requestRecoilDownload(*mouse_, dir_, [&](RecoilDownload d) {
    got = d;
    ranOn = std::this_thread::get_id();
  });
  // The page goes on editing while the mouse is written: whichever version
  // of the file the job read, it is one the mouse accepts.
  for (int s = 0; s < 30; ++s) ASSERT_TRUE(files_.storeShot(0, s, macros::RecoilShot{1, true, 2, false, 3}).ok());
  std::function<void()> call;
  {
    std::unique_lock lock(m);
    ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(30), [&] { return !posted.empty(); }));
    call = std::move(posted.front());
  }
  EXPECT_FALSE(got.has_value());  // nothing ran on the worker's side
  call();
  ASSERT_TRUE(got.has_value());
  EXPECT_EQ(ranOn, uiThread);
  EXPECT_TRUE(got->ok()) << describe(*got);
  EXPECT_EQ(held(4), (std::vector<uint8_t>{0xAA, 0x55, 0x68, 0x0B}));
  mouse_.reset();  // stops the worker before the rig goes
}
