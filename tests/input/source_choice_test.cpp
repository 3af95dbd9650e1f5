// Which source records, and the line the page shows about it.
#include "input/source_choice.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace tessel::input {
namespace {

struct EmptyFolder {
  std::string path;
  EmptyFolder() {
    char dir[] = "/tmp/tessel-input-XXXXXX";
    path = ::mkdtemp(dir) ? dir : "";
  }
  ~EmptyFolder() { ::rmdir(path.c_str()); }
};

TEST(SourceChoice, WithoutX11OrReadableDevicesOnlyTheWindowRecordsAndTheLineSaysWhy) {
  EmptyFolder dir;
  const auto choice = chooseSources(InputEnvironment{false, {}, dir.path, false});
  EXPECT_EQ(choice.desktop, nullptr);
  EXPECT_EQ(choice.scripted, nullptr);
  EXPECT_NE(choice.line.find("only"), std::string::npos) << choice.line;
  EXPECT_NE(choice.line.find("not X11"), std::string::npos) << choice.line;
  EXPECT_NE(choice.line.find("\"input\" group"), std::string::npos) << choice.line;
}

TEST(SourceChoice, AnX11DisplayThatDoesNotOpenIsNamedInTheLine) {
  EmptyFolder dir;
  const auto choice = chooseSources(InputEnvironment{true, ":4711", dir.path, true});
  EXPECT_EQ(choice.desktop, nullptr);
  EXPECT_NE(choice.line.find(":4711"), std::string::npos) << choice.line;
  ASSERT_NE(choice.scripted, nullptr);  // demo mode
  EXPECT_NE(choice.line.find("tesselctl demo key"), std::string::npos) << choice.line;
}

}  // namespace
}  // namespace tessel::input
