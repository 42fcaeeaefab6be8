// Multi-megabyte subjects with patterns that backtrack per byte must finish
// with the right answer (the matcher's stack is on the heap), and a running
// match stops when another thread sets the cancel flag.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "regex/regex.h"

namespace folian::regex {
namespace {

constexpr std::size_t kTen = 10 * 1024 * 1024;

std::string Repeat(std::string_view unit, std::size_t total) {
  std::string s;
  s.reserve(total + unit.size());
  while (s.size() < total) s.append(unit);
  return s;
}

MatchResult MatchOf(std::string_view pattern, std::string_view subject, unsigned options = 0) {
  MatchResult r;
  EXPECT_TRUE(Pattern::Compiled(pattern, options).Match(subject, &r)) << pattern;
  return r;
}

TEST(LongSubject, AlternationStar) {
  const std::string s = Repeat("ab", kTen);
  auto r = MatchOf("(a|b)*", s);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].length, s.size());
  EXPECT_EQ(r[1].start, static_cast<std::ptrdiff_t>(s.size() - 1));
  r = MatchOf("(?:a|b)*$", s);
  EXPECT_EQ(r[0].length, s.size());
}

TEST(LongSubject, CapturedDotThenLiteral) {
  std::string s(kTen, 'a');
  s += "X";
  auto r = MatchOf("(.)*X", s);
  EXPECT_EQ(r[0].length, s.size());
  EXPECT_EQ(r[1].start, static_cast<std::ptrdiff_t>(s.size() - 2));
  s.back() = 'Y';
  EXPECT_FALSE(Pattern::Compiled("(.)*X").Match(s));
}

TEST(LongSubject, LazyDotToLiteral) {
  std::string s(kTen, 'a');
  s += "X";
  auto r = MatchOf(".*?X", s);
  EXPECT_EQ(r[0].length, s.size());
  // ALLMATCHES over a text whose only X is at the start.
  s.assign(kTen, 'b');
  s[0] = 'X';
  r = MatchOf(".*?X", s, ALLMATCHES | KEEPGROUPS);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].length, 1u);
}

TEST(LongSubject, WordsWithOptionalSpace) {
  const std::string s = Repeat("lorem ipsum dolor ", kTen);
  auto r = MatchOf("(\\w+\\s?)*", s);
  EXPECT_EQ(r[0].length, s.size());
  EXPECT_EQ(r[1].start, static_cast<std::ptrdiff_t>(s.size() - 6));
}

TEST(LongSubject, NestedGroupsAndBackReferences) {
  const std::string s = Repeat("aab", kTen);
  auto r = MatchOf("((a)\\2(b))*", s);
  EXPECT_EQ(r[0].length, s.size());
  EXPECT_EQ(r[3].start, static_cast<std::ptrdiff_t>(s.size() - 1));
  const std::string t(kTen, 'z');
  r = MatchOf("(z)\\1*", t);
  EXPECT_EQ(r[0].length, t.size());
  r = MatchOf("^((?:z{2}){1,3})*$", t);
  EXPECT_EQ(r[0].length, t.size());
}

TEST(LongSubject, SubstituteEveryByte) {
  std::string s = Repeat("ab", kTen);
  Pattern p = Pattern::Compiled("(a)(b)", "$2$1", ALLMATCHES);
  EXPECT_EQ(p.Substitute(s), kTen / 2);
  EXPECT_EQ(s.substr(0, 4), "baba");
  EXPECT_EQ(s.size(), kTen);
}

TEST(Catastrophic, NestedQuantifiersFinish) {
  // Exponential for a plain backtracker; failed states are remembered.
  std::string s(5000, 'a');
  EXPECT_FALSE(Pattern::Compiled("(a+)+[bc]").Match(s));
  EXPECT_FALSE(Pattern::Compiled("^(a|aa)*$").Match(s + "!"));
  EXPECT_FALSE(Pattern::Compiled("(?>a|aa)*(a+)+[bc]").Match(s));
  auto r = MatchOf(".X(.+)+X", "bbbbXcXaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa");
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].start, 3);
  EXPECT_EQ(r[0].length, 4u);
  EXPECT_EQ(r[1].start, 5);
  EXPECT_EQ(r[1].length, 1u);
  r = MatchOf("(\\w+\\s?)*$", "lorem ipsum dolor sit amet consectetur adipiscing elit sed do");
  EXPECT_EQ(r[0].start, 0);
  EXPECT_FALSE(Pattern::Compiled("^(\\w+\\s?)*$").Match(std::string(3000, 'w') + "!"));
}

TEST(Cancel, FromAnotherThread) {
  // Exponential for a backtracker, and the back-reference keeps shortcuts off.
  std::string s(64, 'a');
  s += "!";
  Pattern p = Pattern::Compiled("(a+)+\\1[bc]");
  CancelFlag flag{false};
  std::atomic<bool> done{false};
  bool matched = true;
  std::thread worker([&] {
    matched = p.Match(s, nullptr, &flag);
    done = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(done.load());
  flag = true;
  worker.join();
  EXPECT_FALSE(matched);
  // A set flag also stops Substitute, leaving the text alone.
  Pattern q = Pattern::Compiled("(a+)+\\1[bc]", "x", ALLMATCHES);
  std::string t = s + "aab";
  EXPECT_EQ(q.Substitute(t, 0, std::string::npos, &flag), 0u);
  EXPECT_EQ(t, s + "aab");
}

}  // namespace
}  // namespace folian::regex
