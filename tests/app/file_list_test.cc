#include "app/file_list.h"

#include <gtest/gtest.h>

#include "app/name_numbers.h"

namespace folian::app {
namespace {

FileRow Row(std::string name, std::string size = "0", std::string created = "",
            std::string modified = "") {
  FileRow r;
  r.name = std::move(name);
  r.size = std::move(size);
  r.created = std::move(created);
  r.modified = std::move(modified);
  return r;
}

std::vector<std::string> Names(const FileList& list) {
  std::vector<std::string> out;
  for (const FileRow& r : list.rows()) out.push_back(r.name);
  return out;
}

TEST(FileListNumbers, ChineseNumeralsCompareByValue) {
  EXPECT_EQ(NameNumbers("第十一章.txt", "第二章.txt"), (std::pair<long long, long long>(11, 2)));
  EXPECT_EQ(NameNumbers("第壹佰零壹章.txt", "第拾章.txt"), (std::pair<long long, long long>(101, 10)));
  EXPECT_EQ(NameNumbers("第五百一十二回.txt", "第一百一十回.txt"),
            (std::pair<long long, long long>(512, 110)));
}

TEST(FileListNumbers, DigitsCountOnlyWhenBothNamesHaveThem) {
  EXPECT_EQ(NameNumbers("第2章.txt", "第十章.txt"), (std::pair<long long, long long>(-1, 10)));
  EXPECT_EQ(NameNumbers("vol12 第3章.txt", "x7.txt"), (std::pair<long long, long long>(12, 7)));
}

TEST(FileListNumbers, CapitalTableFirstThenOrdinaryForBoth) {
  // Only one name has a capital numeral: both fall back to the ordinary table.
  EXPECT_EQ(NameNumbers("第拾章.txt", "第二章.txt"), (std::pair<long long, long long>(-1, 2)));
  EXPECT_EQ(NameNumbers("abc.txt", "def.txt"), (std::pair<long long, long long>(-1, -1)));
}

TEST(FileListSort, NumbersFirstClickDescendingSecondAscending) {
  FileList list;
  list.Assign({Row("第二章.txt"), Row("第十一章.txt"), Row("第一章.txt"), Row("第三章.txt")});
  list.SortByColumn(0, true, false);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"第十一章.txt", "第三章.txt", "第二章.txt",
                                                   "第一章.txt"}));
  list.SortByColumn(0, true, false);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"第一章.txt", "第二章.txt", "第三章.txt",
                                                   "第十一章.txt"}));
}

TEST(FileListSort, NamesWithoutNumbersFallBackToBytes) {
  FileList list;
  list.Assign({Row("b.txt"), Row("c.txt"), Row("a.txt")});
  list.SortByColumn(0, true, false);  // up = 1: ascending bytes when both have no value
  EXPECT_EQ(Names(list), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
}

TEST(FileListSort, WhileScanningNamesSortByBytesAscending) {
  FileList list;
  list.Assign({Row("第二章.txt"), Row("第十一章.txt"), Row("a.txt")});
  list.SortByColumn(0, true, true);
  list.SortByColumn(0, true, true);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"a.txt", "第二章.txt", "第十一章.txt"}))
      << "both directions are ascending while a scan runs";
}

TEST(FileListSort, NameOptionOffIsByteWiseAndToggles) {
  FileList list;
  list.Assign({Row("第2章.txt"), Row("第10章.txt"), Row("B.txt"), Row("a.txt")});
  list.SortByColumn(0, false, false);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"B.txt", "a.txt", "第10章.txt", "第2章.txt"}));
  EXPECT_TRUE(list.direction(0));
  list.SortByColumn(0, false, false);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"第2章.txt", "第10章.txt", "a.txt", "B.txt"}));
}

TEST(FileListSort, SizesAreNumbersNotText) {
  FileList list;
  list.Assign({Row("a", "100"), Row("b", "9"), Row("c", "25")});
  list.SortByColumn(1, false, false);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"b", "c", "a"}));
  list.SortByColumn(1, false, false);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "c", "b"}));
}

TEST(FileListSort, DatesByTextAndEqualRowsKeepTheirOrder) {
  FileList list;
  list.Assign({Row("x", "1", "2024.01.02 00:00:00\n"), Row("y", "1", "2023.05.01 00:00:00\n"),
               Row("z", "1", "2024.01.02 00:00:00\n")});
  list.SortByColumn(2, false, false);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"y", "x", "z"}));
  list.SortByColumn(3, false, false);  // all modified dates empty: nothing moves
  EXPECT_EQ(Names(list), (std::vector<std::string>{"y", "x", "z"}));
}

TEST(FileListSort, InconsistentPairValuesStillSortEveryRowOnce) {
  // Digits, capital and ordinary numerals mixed: the pair values depend on
  // both names, so the comparison is not an order; the sort must still keep
  // every row exactly once.
  FileList list;
  std::vector<FileRow> rows;
  const char* names[] = {"第2章.txt", "第十章.txt", "第拾章.txt", "3.txt", "第二章.txt",
                         "无.txt",    "第壹章.txt", "11.txt",    "第五十章.txt"};
  for (int i = 0; i < 40; ++i) rows.push_back(Row(names[i % 9] + std::to_string(i)));
  list.Assign(rows);
  list.SortByColumn(0, true, false);
  auto sorted = Names(list);
  std::sort(sorted.begin(), sorted.end());
  std::vector<std::string> expected;
  for (const FileRow& r : rows) expected.push_back(r.name);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(sorted, expected);
}

TEST(FileListMove, RowsKeepNameAndSizeAndLoseDates) {
  FileList list;
  list.Assign({Row("a", "1", "c1", "m1"), Row("b", "2", "c2", "m2"), Row("c", "3", "c3", "m3")});
  list.SelectOnly(2);
  ASSERT_EQ(list.Move(MoveKind::kTop), MoveResult::kMoved);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"c", "a", "b"}));
  EXPECT_EQ(list.row(0).size, "3");
  EXPECT_EQ(list.row(0).created, "");
  EXPECT_EQ(list.row(0).modified, "");
  EXPECT_EQ(list.FirstSelected(), 0);
  ASSERT_EQ(list.Move(MoveKind::kDown), MoveResult::kMoved);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "c", "b"}));
  ASSERT_EQ(list.Move(MoveKind::kBottom), MoveResult::kMoved);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "b", "c"}));
  ASSERT_EQ(list.Move(MoveKind::kUp), MoveResult::kMoved);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "c", "b"}));
  EXPECT_EQ(list.FirstSelected(), 1);
}

TEST(FileListMove, EdgesAndNoSelectionAreRefused) {
  FileList list;
  list.Assign({Row("a"), Row("b")});
  EXPECT_EQ(list.Move(MoveKind::kUp), MoveResult::kNoSelection);
  list.SelectOnly(0);
  EXPECT_EQ(list.Move(MoveKind::kTop), MoveResult::kAlreadyFirst);
  EXPECT_EQ(list.Move(MoveKind::kUp), MoveResult::kAlreadyFirst);
  list.SelectOnly(1);
  EXPECT_EQ(list.Move(MoveKind::kDown), MoveResult::kAlreadyLast);
  EXPECT_EQ(list.Move(MoveKind::kBottom), MoveResult::kAlreadyLast);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "b"}));
}

}  // namespace
}  // namespace folian::app
