#include "app/name_source.h"

#include <gtest/gtest.h>

#include "charset/codepage.h"

namespace folian::app {
namespace {

TEST(RenameDialogName, FolderNameInLowerCase) {
  EXPECT_EQ(SuggestedName(kNameFromFolder, "/books/My Novel", "", ""), "my novel");
  EXPECT_EQ(SuggestedName(kNameFromFolder, "/books/斗破苍穹/", "", ""), "斗破苍穹");
}

TEST(RenameDialogName, FirstNonBlankLineOfTheDocument) {
  const std::string text = charset::Utf8ToGbk("\r\n   \r\n山中客栈\r\n作者");
  EXPECT_EQ(SuggestedName(kNameFromFile, "/x", text, ""), "山中客栈");
  EXPECT_EQ(SuggestedName(kNameFromFile, "/x", charset::Utf8ToGbk("一行"), ""), "")
      << "a text of one line offers nothing";
  const std::string long_line = std::string(2000, 'a') + "\r\nb";
  EXPECT_EQ(SuggestedName(kNameFromFile, "/x", long_line, "").size(), 1024u);
}

TEST(RenameDialogName, ClipboardText) {
  EXPECT_EQ(SuggestedName(kNameFromClipboard, "/x", "", "剪贴板"), "剪贴板");
}

}  // namespace
}  // namespace folian::app
