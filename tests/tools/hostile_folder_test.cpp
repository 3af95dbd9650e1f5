// Every kept file of every store, replaced by something hostile: a value of the
// wrong shape, a file nobody may read, a FIFO, a link to a FIFO, a link to a
// private file, a folder, 50 MB. The store (through tesselctl where it has a
// command) must return at once, keep the original byte for byte or as
// "<name>.bad" (mode 0600), and lose no other file.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include "audio/emulated_audio_chip.h"
#include "config/light_effect_library.h"
#include "config/light_sequence.h"
#include "core/clock.h"
#include "macros/recoil_file.h"
#include "platform/file_io.h"
#include "platform/kept_file.h"
#include "platform/settings_store.h"
#include "services/palette_file.h"
#include "services/skin_record.h"
#include "services/update_time.h"
#include "sim/virtual_bus.h"
#include "tools/tesselctl.h"
#include "tesselctl_home.h"

namespace fs = std::filesystem;

namespace tessel::tools {
namespace {

enum class Attack { WrongShape, Unreadable, Fifo, LinkToFifo, LinkToPrivate, Folder, Huge };
constexpr Attack kAttacks[] = {Attack::WrongShape, Attack::Unreadable,    Attack::Fifo, Attack::LinkToFifo,
                               Attack::LinkToPrivate, Attack::Folder, Attack::Huge};
const char* nameOf(Attack a) {
  static const char* const kNames[] = {"wrong shape", "unreadable", "FIFO", "link to FIFO",
                                       "link to private file", "folder", "50 MB"};
  return kNames[static_cast<int>(a)];
}

// Fails the whole run when an operation does not come back: a blocked open
// cannot be interrupted from inside the process.
class Watchdog {
 public:
  explicit Watchdog(std::string what) : thread_([this, what] {
    std::unique_lock lock(mutex_);
    if (!done_.wait_for(lock, std::chrono::seconds(10), [this] { return finished_; })) {
      std::fprintf(stderr, "HANG: %s did not return\n", what.c_str());
      std::_Exit(1);
    }
  }) {}
  ~Watchdog() {
    {
      std::lock_guard lock(mutex_);
      finished_ = true;
    }
    done_.notify_all();
    thread_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
  std::thread thread_;
};

std::map<fs::path, std::string> snapshot(const fs::path& root) {
  std::map<fs::path, std::string> files;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    if (it->is_symlink() || !it->is_regular_file()) continue;
    files[it->path()] = readKeptBytes(it->path()).bytes;
  }
  return files;
}

class HostileFolder : public ::testing::Test {
 public:
  void SetUp() override {
    home_ = test::MakeTesselctlHome("tessel-hostile");
    ASSERT_FALSE(home_.empty());
    ::setenv("TESSEL_INSTALL_DIR", TESSEL_SOURCE_DIR, 1);
    data_ = home_ / "XDG_DATA_HOME" / "ORVIK Tessel RGB";
    spare_ = home_ / "spare";
    fs::create_directories(spare_);
    fs::create_directories(data_);
  }
  void TearDown() override {
    ::unsetenv("TESSEL_INSTALL_DIR");
    std::error_code ec;
    for (auto& e : fs::recursive_directory_iterator(home_, ec)) fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(home_, ec);
  }

  struct Run {
    int code = 0;
    std::string err;
  };
  Run ctl(std::vector<std::string> args, bool demo = false) {
    TesselctlContext ctx{demo ? nullptr : &bus_, demo ? nullptr : &clock_};
    std::ostringstream out, err;
    Run r;
    r.code = runTesselctl(args, out, err, ctx);
    r.err = err.str();
    return r;
  }

  // Puts the attack in place of `target` (which holds the store's own file).
  void attack(Attack a, const fs::path& target, const std::string& wrongShape) {
    const std::string original = readKeptBytes(target).bytes;
    original_ = original;
    wrongShape_ = wrongShape;
    fs::remove_all(target);
    switch (a) {
      case Attack::WrongShape:
        ASSERT_TRUE(writeFileAtomic(target, wrongShape));
        break;
      case Attack::Unreadable:
        ASSERT_TRUE(writeFileAtomic(target, original));
        fs::permissions(target, fs::perms::none);
        break;
      case Attack::Fifo:
        ASSERT_EQ(::mkfifo(target.c_str(), 0600), 0);
        break;
      case Attack::LinkToFifo:
        ::mkfifo((spare_ / "fifo").c_str(), 0600);
        fs::create_symlink(spare_ / "fifo", target);
        break;
      case Attack::LinkToPrivate:
        ASSERT_TRUE(writeFileAtomic(spare_ / "private", "secret: not a document\n", nullptr, 0600));
        fs::create_symlink(spare_ / "private", target);
        break;
      case Attack::Folder:
        fs::create_directories(target / "inside");
        break;
      case Attack::Huge: {
        const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, 50 * 1024 * 1024), 0);
        ::close(fd);
        break;
      }
    }
    before_ = snapshot(home_);
    attacked_ = readKeptBytes(target).bytes;
  }

  // The attack is still there (or, for an unusable file, kept as 0600 ".bad"),
  // and every other file that was there still is, unchanged or rewritten but
  // never gone.
  void expectKept(Attack a, const fs::path& target, const std::string& what) {
    SCOPED_TRACE(what + " / " + nameOf(a));
    struct stat st {};
    const bool there = ::lstat(target.c_str(), &st) == 0;
    fs::path bad = target;
    bad += ".bad";
    struct stat badSt {};
    const bool kept = ::lstat(bad.c_str(), &badSt) == 0;
    if (kept) {
      EXPECT_EQ(badSt.st_mode & 0777, 0600u);
    }
    switch (a) {
      case Attack::WrongShape:
        EXPECT_TRUE((there && readKeptBytes(target).bytes == attacked_) ||
                    (kept && readKeptBytes(bad).bytes == wrongShape_));
        break;
      case Attack::Unreadable:
        ASSERT_TRUE(there);
        EXPECT_EQ(st.st_mode & 0777, 0u);
        fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_EQ(readKeptBytes(target).bytes, original_);
        break;
      case Attack::Fifo:
        EXPECT_TRUE(there && S_ISFIFO(st.st_mode));
        break;
      case Attack::LinkToFifo:
        EXPECT_TRUE(there && S_ISLNK(st.st_mode));
        break;
      case Attack::LinkToPrivate:
        EXPECT_EQ(readKeptBytes(spare_ / "private").bytes, "secret: not a document\n");
        EXPECT_EQ(fs::status(spare_ / "private").permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
        break;
      case Attack::Folder:
        EXPECT_TRUE(there && S_ISDIR(st.st_mode) && fs::exists(target / "inside"));
        break;
      case Attack::Huge:
        EXPECT_TRUE(there && st.st_size == 50 * 1024 * 1024);
        break;
    }
    for (const auto& [path, bytes] : before_)
      if (path != target) {
        EXPECT_TRUE(fs::exists(path)) << path << " was lost";
      }
  }

  fs::path home_, data_, spare_;
  std::map<fs::path, std::string> before_;
  std::string attacked_, original_, wrongShape_;
  sim::VirtualHidBus bus_;
  ManualClock clock_;
};

// A store's kept file: how to make it, where it is, and one operation that
// reads it. `refuses`: the operation reports a file it cannot read as a
// failure (tesselctl: exit 1 naming the file).
struct KeptCase {
  std::string name;
  std::function<fs::path(HostileFolder&)> make;
  std::function<bool(HostileFolder&, const fs::path&)> operate;  // true: it succeeded
  bool refuses;
  std::string wrongShape = "[1,2,3]";
};

fs::path firstDocument(const fs::path& folder) {
  const Json::Value list = readKeptJson(folder / "ProfileList.ini", {}).value;
  return folder / (list["profilelist"][0]["profileUUID"].asString() + ".Json");
}

fs::path firstWith(const fs::path& folder, const std::string& extension) {
  for (const auto& e : fs::directory_iterator(folder))
    if (e.path().extension() == extension) return e.path();
  return {};
}

}  // namespace

TEST_F(HostileFolder, EveryKeptFileSurvivesEveryAttack) {
  const bool root = ::geteuid() == 0;
  if (root) std::fprintf(stderr, "running as root: the unreadable cases are skipped (root reads mode 000)\n");
  auto ok = [](const Run& r) { return r.code == 0; };
  const std::vector<KeptCase> cases = {
      {"ProfileList.ini",
       [](HostileFolder& f) {
         f.ctl({"profile", "add", "mouse"});
         return f.data_ / "mouse" / "ProfileList.ini";
       },
       [&](HostileFolder& f, const fs::path&) { return ok(f.ctl({"profile", "list", "mouse"})); }, true},
      {"profile document",
       [](HostileFolder& f) {
         f.ctl({"profile", "add", "mouse"});
         return firstDocument(f.data_ / "mouse");
       },
       [&](HostileFolder& f, const fs::path&) {
         return ok(f.ctl({"profile", "copy", "mouse", "0"})) && ok(f.ctl({"profile", "rename", "mouse", "0", "x"}));
       },
       true},
      {"macro.config",
       [](HostileFolder& f) {
         f.ctl({"macro", "create", "mouse", "m"});
         return f.data_ / "mouse" / "macro.config";
       },
       [&](HostileFolder& f, const fs::path&) { return ok(f.ctl({"macro", "list", "mouse"})); }, true},
      {".mac",
       [](HostileFolder& f) {
         f.ctl({"macro", "create", "mouse", "m"});
         f.ctl({"macro", "add", "mouse", "0", "down key A 30"});
         return firstWith(f.data_ / "mouse", ".mac");
       },
       [&](HostileFolder& f, const fs::path&) {
         return ok(f.ctl({"macro", "show", "mouse", "0"})) && ok(f.ctl({"macro", "add", "mouse", "0", "up key A 0"}));
       },
       true},
      {".Shoot",
       [](HostileFolder& f) {
         f.ctl({"recoil", "show", "1"});
         return f.data_ / "mouse" / macros::recoilFileName(1);
       },
       [&](HostileFolder& f, const fs::path&) {
         return ok(f.ctl({"recoil", "show", "1"})) && ok(f.ctl({"recoil", "set", "1", "2", "-3", "12", "95"}));
       },
       true},
      {"AudioFile.json",
       [](HostileFolder& f) {
         f.ctl({"audio-style", "set", "selected=1"});
         return f.data_ / "AudioFile.json";
       },
       [&](HostileFolder& f, const fs::path&) {
         return ok(f.ctl({"audio-style", "get"})) && ok(f.ctl({"audio-style", "set", "selected=2"}));
       },
       true},
      {"demo store",
       [](HostileFolder& f) {
         f.ctl({"--demo=mouse", "settings", "mouse"}, true);
         return f.home_ / "XDG_STATE_HOME" / "tessel-rgb" / "demo" / "mouse.json";
       },
       [&](HostileFolder& f, const fs::path&) { return ok(f.ctl({"--demo=mouse", "settings", "mouse"}, true)); },
       false},
      {"settings.json",
       [](HostileFolder& f) {
         SettingsStore s(f.data_ / "settings.json");
         s.create();
         s.setDword("a", 1);
         return s.file();
       },
       [](HostileFolder&, const fs::path& p) {
         SettingsStore s(p);
         s.getDword("a");
         return s.setDword("a", 2);
       },
       true},
      {"update time",
       [](HostileFolder& f) {
         writeLastCheckDate(f.data_ / "UpdateTime.json", "2026-1-2");
         return f.data_ / "UpdateTime.json";
       },
       [](HostileFolder&, const fs::path& p) { return !readLastCheckDate(p).empty() && writeLastCheckDate(p, "2026-1-3"); },
       true},
      {"palette",
       [](HostileFolder& f) {
         writePaletteFile(f.data_ / "Palette.json", PaletteState{});
         return f.data_ / "Palette.json";
       },
       [](HostileFolder&, const fs::path& p) { return readPaletteFile(p).has_value() && writePaletteFile(p, PaletteState{}); },
       true},
      {"skin record",
       [](HostileFolder& f) {
         writeSkinRecord(f.data_ / "Skin.ini", true, "a.png");
         return f.data_ / "Skin.ini";
       },
       [](HostileFolder&, const fs::path& p) { return writeSkinRecord(p, false, "b.png"); }, true,
       std::string("[a]\0\1", 5)},
      {"light sequence",
       [](HostileFolder& f) {
         fs::create_directories(f.data_ / "light");
         saveLightSequence(f.data_ / "light", "seq", LightSequence(2));
         return f.data_ / "light" / "seq.light";
       },
       [](HostileFolder& f, const fs::path&) {
         return loadLightSequence(f.data_ / "light", "seq").size() == 2 &&
                saveLightSequence(f.data_ / "light", "seq", LightSequence(3));
       },
       true},
      {"light library",
       [](HostileFolder& f) {
         LightEffectLibrary lib;
         lib.setSequences(0, {{"one", "seq"}});
         lib.save(f.data_ / "LightLibrary.json");
         return f.data_ / "LightLibrary.json";
       },
       [](HostileFolder&, const fs::path& p) {
         LightEffectLibrary lib;
         return lib.load(p) && lib.save(p);
       },
       true},
      {"audio chip store",
       [](HostileFolder& f) {
         audio::EmulatedAudioChip chip;
         chip.attachStore(f.data_ / "chip.json");
         return f.data_ / "chip.json";
       },
       [](HostileFolder&, const fs::path& p) {
         audio::EmulatedAudioChip chip;
         return chip.attachStore(p);
       },
       true},
  };
  for (const KeptCase& c : cases) {
    for (Attack a : kAttacks) {
      if (root && a == Attack::Unreadable) continue;
      TearDown();
      SetUp();
      const fs::path target = c.make(*this);
      ASSERT_TRUE(fs::is_regular_file(target)) << c.name << " was not made";
      attack(a, target, c.wrongShape);
      bool succeeded = false;
      {
        Watchdog dog(c.name + " / " + nameOf(a));
        succeeded = c.operate(*this, target);
      }
      const bool unreadable = a != Attack::WrongShape && a != Attack::LinkToPrivate;
      if (c.refuses && unreadable) {
        EXPECT_FALSE(succeeded) << c.name << " / " << nameOf(a) << " was not refused";
      }
      expectKept(a, target, c.name);
    }
  }
}

}  // namespace tessel::tools
