// Palm databases: the header and record list checks, PalmDOC expansion,
// line ends, the text's encoding, and the records that are not text.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "charset/codepage.h"
#include "convert/limits.h"
#include "convert/messages.h"
#include "convert/pdb/palmdoc.h"
#include "convert/pdb/pdb_reader.h"
#include "convert/text_sink.h"
#include "pdb_fixture.h"
#include "text_read.h"

namespace folian::convert {
namespace {

using testing::BookOf;
using testing::MakePdb;
using testing::PdbBook;
using testing::PutBe;

using Read = folian::testing::TextRead;

Read Convert(std::string_view pdb, const ReadContext& ctx = {}) { return testing::ReadText(ReadPdb, pdb, ctx); }

std::string Expand(std::string_view record) {
  std::string out;
  EXPECT_TRUE(pdb::ExpandPalmDoc(record, &out));
  return out;
}

TEST(PalmDoc, ExpandsEachKindOfByte) {
  EXPECT_EQ(Expand("\x41\x80\x08"), "AAAA") << "distance 1, length 3, overlapping";
  EXPECT_EQ(Expand("\xE1"), " a");
  EXPECT_EQ(Expand("\x03\x80\x01\xFF" "x"), "\x80\x01\xFF" "x") << "a literal run";
  EXPECT_EQ(Expand(std::string("a\0\x09\x7F", 4)), std::string("a\0\x09\x7F", 4));
  EXPECT_EQ(Expand("abcd\x80\x27"), "abcdabcdabcdab") << "distance 4, length 10";
  EXPECT_EQ(Expand("\x05xy"), "xy") << "a run cut off by the record's end keeps what is there";
}

TEST(PalmDoc, DamagedRecordsAreRefused) {
  std::string out;
  EXPECT_FALSE(pdb::ExpandPalmDoc("ab\x80\x18", &out)) << "distance 3 reaches before the record";
  out = "earlier record";
  EXPECT_FALSE(pdb::ExpandPalmDoc("\x80\x08", &out)) << "never into an earlier record's text";
  out.clear();
  EXPECT_FALSE(pdb::ExpandPalmDoc("a\x80\x00", &out)) << "distance 0";
  out.clear();
  EXPECT_FALSE(pdb::ExpandPalmDoc("a\x80", &out)) << "a pair cut off";
}

TEST(PalmDoc, CompressedTextExpandsBackExactly) {
  std::mt19937 rng(11);
  for (int round = 0; round < 30; ++round) {
    std::string text;
    const std::string pieces[] = {"the ", "cat ", "\xD6\xD0\xCE\xC4", "\r\n", "\x01", "\x80\xFF", " Z", "aaaaaaaaaaaa"};
    const int n = static_cast<int>(rng() % 400);
    for (int i = 0; i < n; ++i) text += pieces[rng() % 8];
    EXPECT_EQ(Expand(testing::CompressPalmDoc(text)), text) << round;
  }
}

TEST(PdbReader, StoredAndCompressedBooksGiveTheirText) {
  const std::string text = "Line one\nLine two\r\nthe end\n";
  for (unsigned compression : {1u, 2u, 17480u}) {
    const Read r = Convert(MakePdb(BookOf(text, compression)));
    ASSERT_TRUE(r.status.ok()) << compression << r.status.message();
    EXPECT_EQ(r.text, "Line one\r\nLine two\r\nthe end\r\n") << "LF becomes CR LF, CR LF stays";
    EXPECT_EQ(r.encoding, TextEncoding::kGbk);
  }
  const Read stored = Convert(MakePdb(BookOf("\x03" "abc \xE1", 1)));
  EXPECT_EQ(stored.text, "\x03" "abc \xC3\xA1") << "compression 1 copies bytes unexpanded";
}

TEST(PdbReader, OnlyRecordZeroGivesAnEmptyText) {
  PdbBook b;
  const Read r = Convert(MakePdb(b));
  ASSERT_TRUE(r.status.ok()) << r.status.message();
  EXPECT_EQ(r.text, "");
}

TEST(PdbReader, RecordsExpandingPastSixThousandBytesAreKeptWhole) {
  std::string big;
  while (big.size() < 9000) big += "abcdefghij";
  PdbBook b;
  b.records.push_back(testing::CompressPalmDoc(big));
  b.text_length = static_cast<std::uint32_t>(big.size());
  b.text_records = 1;
  const Read r = Convert(MakePdb(b));
  ASSERT_TRUE(r.status.ok());
  EXPECT_EQ(r.text, big);
}

TEST(PdbReader, TheTextsEncodingIsJudgedOnTheWholeBook) {
  // A GBK book whose characters are split across records.
  std::string gbk = charset::Utf8ToGbk("话说天下大势，分久必合，合久必分。\n");
  std::string book;
  while (book.size() < 9001) book += gbk;
  book += "x";  // an odd length, so records split characters
  Read r = Convert(MakePdb(BookOf(book)));
  ASSERT_TRUE(r.status.ok());
  EXPECT_EQ(r.encoding, TextEncoding::kGbk);
  EXPECT_EQ(charset::GbkToUtf8(r.text).substr(0, 53), "话说天下大势，分久必合，合久必分。\r\n");

  r = Convert(MakePdb(BookOf("\x93" "Caf\xE9\x94 na\xEFve \x96 fin\n")));
  EXPECT_EQ(r.encoding, TextEncoding::kUtf8Mark) << "a Western book";
  EXPECT_EQ(r.text, "“Café” naïve – fin\r\n");

  r = Convert(MakePdb(BookOf("第一章\n")));
  EXPECT_EQ(r.encoding, TextEncoding::kUtf8);
  EXPECT_EQ(r.text, "第一章\r\n");
}

TEST(PdbReader, RecordsAfterTheTextAreLeftOutWhenTheTextIsComplete) {
  PdbBook b = BookOf("The text.\n");
  b.records.push_back(std::string("Bookmark one\0\0\0\0\0\0\0\0", 20));
  EXPECT_EQ(Convert(MakePdb(b)).text, "The text.\r\n");
  // Record 0 counting no records: every record is text.
  b.text_records = 0;
  EXPECT_NE(Convert(MakePdb(b)).text.find("Bookmark one"), std::string::npos);
  // A count that falls short of the length given: the records go on.
  b.text_records = 1;
  b.text_length = 1000;
  EXPECT_NE(Convert(MakePdb(b)).text.find("Bookmark one"), std::string::npos);
}

TEST(PdbReader, BadFilesAreRefusedWithAMessage) {
  const std::string good = MakePdb(BookOf("some text\n"));
  EXPECT_TRUE(Convert(good).status.ok());

  std::string other = good;
  other.replace(60, 8, "JbDbJBas");
  EXPECT_EQ(Convert(other).status.message(), msg::kPdbNotPalmDoc);
  EXPECT_EQ(Convert(good.substr(0, 60)).status.message(), msg::kPdbNotPalmDoc);
  EXPECT_EQ(Convert(good.substr(0, 80)).status.message(), msg::kPdbTruncated) << "record list cut";

  std::string zero = good;
  zero[76] = zero[77] = 0;
  EXPECT_EQ(Convert(zero).status.message(), msg::kPdbTruncated) << "no record 0";

  std::string beyond = good;
  PutBe(beyond, 78 + 8, static_cast<std::uint32_t>(good.size() + 1), 4);
  EXPECT_EQ(Convert(beyond).status.message(), msg::kPdbBadOffsets);

  std::string backwards = MakePdb(BookOf(std::string(5000, 'a') + "b"));
  PutBe(backwards, 78 + 16, 100, 4);  // record 2 before record 1
  EXPECT_EQ(Convert(backwards).status.message(), msg::kPdbBadOffsets);

  std::string r0_at_end = good;
  PutBe(r0_at_end, 78, static_cast<std::uint32_t>(good.size()), 4);
  EXPECT_EQ(Convert(r0_at_end).status.message(), msg::kPdbBadOffsets);

  PdbBook huge;
  huge.compression = 1;
  huge.records.push_back(std::string(65537, 'x'));
  EXPECT_EQ(Convert(MakePdb(huge)).status.message(), msg::kPdbRecordTooLong);

  PdbBook damaged;
  damaged.records.push_back("ab\x80\x18");
  EXPECT_EQ(Convert(MakePdb(damaged)).status.message(), msg::kPdbDamaged);
}

TEST(PdbReader, StopsWhenAsked) {
  PdbBook b = BookOf(std::string(100 * 4096, 'x'), 1);
  CancelFlag stop{true};
  ReadContext ctx;
  ctx.cancel = &stop;
  EXPECT_EQ(Convert(MakePdb(b), ctx).status.message(), msg::kCancelled);
}

}  // namespace
}  // namespace folian::convert
