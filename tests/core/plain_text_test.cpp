// Names a person can read, and text from outside made harmless for a terminal.
#include <gtest/gtest.h>

#include <string>

#include "platform/plain_text.h"

namespace tessel {
namespace {

TEST(PlainText, NamesRefuseControlCharactersAndLength) {
  const std::string longest(64, 'x');
  struct Case {
    std::string name;
    NameCheck want;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"Game 2", NameCheck::Ok},
           {"游戏配置", NameCheck::Ok},
           {longest, NameCheck::Ok},
           {longest + "x", NameCheck::TooLong},
           {std::string(64, 'x').replace(0, 1, "\xe6\xb8\xb8"), NameCheck::Ok},  // characters, not bytes
           {"evil\n* 7\tFORGED", NameCheck::ControlCharacter},
           {"a\x1b[2Jb", NameCheck::ControlCharacter},
           {std::string("a\0b", 3), NameCheck::ControlCharacter},
           {"a\x7f", NameCheck::ControlCharacter},
           {"a\xc2\x9b" "2J", NameCheck::ControlCharacter},  // C1 CSI
           {"abc\xe2\x80\xaetxt", NameCheck::ControlCharacter},  // right-to-left override
           {"a\x9b", NameCheck::NotUtf8},
           {"\xc0\xaf", NameCheck::NotUtf8},  // overlong '/'
       }) {
    EXPECT_EQ(checkName(c.name), c.want) << c.name;
    EXPECT_EQ(nameCheckText(c.want).empty(), c.want == NameCheck::Ok);
  }
}

TEST(PlainText, PrintableTextReplacesEveryControlAndStrayByte) {
  EXPECT_EQ(printableText("Game \xe6\xb8\xb8 1.2"), "Game \xe6\xb8\xb8 1.2");
  EXPECT_EQ(printableText("\x1b]0;t\x07\x1b[2J\n* 7\tX\x7f"), "?]0;t??[2J?* 7?X?");
  EXPECT_EQ(plainName("\xe6\xb8\xb8\xe6\xb8\xb8\x1b", 2), "\xe6\xb8\xb8\xe6\xb8\xb8");  // whole characters
  EXPECT_EQ(printableText("a\xc2\x9b" "31m\xe2\x80\xae" "b\xff\xe6\xb8"), "a?31m?b???");
}

}  // namespace
}  // namespace tessel
