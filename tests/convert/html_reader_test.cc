// Web pages to text: the core scan (markup, breaks, blocks, references, line
// ends), the page's encoding, the site banners and the registry's HTML test.
#include <gtest/gtest.h>

#include <string>

#include "charset/codepage.h"
#include "convert/html/html_reader.h"
#include "convert/html/site_banner.h"
#include "convert/limits.h"
#include "convert/messages.h"
#include "convert/text_sink.h"
#include "text_read.h"

namespace folian::convert {
namespace {

std::string G(std::string_view utf8) { return charset::Utf8ToGbk(utf8); }

using Converted = folian::testing::TextRead;

Converted Convert(std::string_view page, const ReadContext& ctx = {}) { return testing::ReadText(ReadHtml, page, ctx); }

std::string Text(std::string_view page) { return Convert(page).text; }

TEST(HtmlScan, LineBreakTagsGiveOneCrLfEach) {
  EXPECT_EQ(Text("a<br>b"), "a\r\nb");
  for (std::string_view br : {"<br/>", "<br />", "<BR>", "<Br clear=\"all\">", "</br>", "</p>"}) {
    EXPECT_EQ(Text("a" + std::string(br) + "b"), "a\r\nb") << br;
  }
  EXPECT_EQ(Text("a<br><br>b"), "a\r\n\r\nb") << "two breaks are a blank line";
  EXPECT_EQ(Text("<p></p>"), "\r\n") << "an empty paragraph still ends a line";
  EXPECT_EQ(Text("a<br></br>b"), "a\r\nb") << "XHTML's pair is one break";
  EXPECT_EQ(Text("a<br>x</br>b"), "a\r\nx\r\nb");
}

TEST(HtmlScan, BlocksEndTheirLineWithoutPilingUpBlankLines) {
  EXPECT_EQ(Text("<h1>第一回</h1><p>正文</p>"), "第一回\r\n正文\r\n");
  EXPECT_EQ(Text("<h2>T</h2>text"), "T\r\ntext");
  EXPECT_EQ(Text("<div>x</div><div>y</div>"), "x\r\ny\r\n");
  EXPECT_EQ(Text("<div><p>a</p></div><li>b</li>"), "a\r\nb\r\n");
  EXPECT_EQ(Text("<title>书名</title>正文"), "书名\r\n正文");
  EXPECT_EQ(Text("<table><tr><td>1</td><td>2</td></tr><tr><td>3</td></tr></table>"), "1\t2\r\n3\r\n");
  EXPECT_EQ(Text("head<p>without closing tags<p>next"), "head\r\nwithout closing tags\r\nnext");
  EXPECT_EQ(Text("<div>\n  <p>a</p>\n  </div>"), "\r\na\r\n\r\n") << "the source's indentation goes";
  EXPECT_EQ(Text("<br>&nbsp;&nbsp;text<br> \t<br>"), "\r\n  text\r\n\r\n") << "a paragraph's indent stays";
}

TEST(HtmlScan, LineEndsOfThePageBecomeCrLf) {
  EXPECT_EQ(Text("a\nb"), "a\r\nb");
  EXPECT_EQ(Text("a\r\nb"), "a\r\nb") << "never CR CR LF";
  EXPECT_EQ(Text("a\r\n\r\nb<br>\r\nc"), "a\r\n\r\nb\r\n\r\nc");
}

TEST(HtmlScan, MarkupScriptsStylesAndCommentsGo) {
  EXPECT_EQ(Text("<b class=x>bold</b> <img src=a.png>"), "bold ");
  EXPECT_EQ(Text("a<SCRIPT type=x>if (a<b) write('<p>');</SCRIPT>b"), "ab");
  EXPECT_EQ(Text("a<style>p { x: 1 }</STYLE >b"), "ab");
  EXPECT_EQ(Text("a<script>never closed <p>text"), "a") << "the rest of the page is script";
  EXPECT_EQ(Text("a<!-- x > y <p> -->b"), "ab");
  EXPECT_EQ(Text("<!DOCTYPE html><?xml version=\"1.0\"?>a"), "a");
  EXPECT_EQ(Text("a < b, 3<4, <中>"), "a < b, 3<4, <中>") << "not markup";
  EXPECT_EQ(Text("x<a href='y'"), "x") << "a tag never closed takes the rest";
  EXPECT_EQ(Text("x<"), "x<");
}

TEST(HtmlScan, NamedReferencesDecodeInThePagesEncoding) {
  EXPECT_EQ(Text("&nbsp;&nbsp;a&lt;b&gt;&quot;&amp;"), "  a<b>\"&");
  EXPECT_EQ(Text("&copy;&reg;"), G("◎版权◎注册"));
  EXPECT_EQ(Text(G("他说") + "&ldquo;" + G("好") + "&rdquo;&hellip;&hellip;&mdash;&middot;"),
            G("他说“好”……—·"));
  EXPECT_EQ(Text("&foo; &amp &AMP; &"), "&foo; &amp &AMP; &") << "unknown, unterminated or wrong case";
  const Converted utf8 = Convert("<meta charset=utf-8>中&hellip;&copy;");
  EXPECT_EQ(utf8.encoding, TextEncoding::kUtf8);
  EXPECT_EQ(utf8.text, "中…◎版权");
}

TEST(HtmlScan, NumericReferencesDecodeInThePagesEncoding) {
  EXPECT_EQ(Text("&#26524;"), G("果"));
  EXPECT_EQ(Text("&#x679C;&#X679c;&#26524"), G("果果果")) << "hex, and a missing ';'";
  EXPECT_EQ(Text("&#150;&#8212;"), G("–—")) << "0x80-0x9F as the Western code page";
  EXPECT_EQ(Text("a&#10;b&#9;c"), "a\r\nb\tc");
  const Converted nbsp = Convert(G("果") + "&#160;&#xA0;" + G("果"));
  EXPECT_EQ(nbsp.encoding, TextEncoding::kGbk) << "a no-break space does not make a GBK page UTF-8";
  EXPECT_EQ(nbsp.text, G("果") + "  " + G("果"));
  const Converted utf8 = Convert("\xEF\xBB\xBF&#26524;&#x1F600;");
  EXPECT_EQ(utf8.encoding, TextEncoding::kUtf8);
  EXPECT_EQ(utf8.text, "果\xF0\x9F\x98\x80");
  for (std::string_view bad : {"&#0;", "&#xD800;", "&#x110000;", "&#;", "&#x;", "&#1;",
                               "&#99999999999999;", "&#"}) {
    EXPECT_EQ(Text(bad), bad) << "names no character: written as it is";
  }
}

TEST(HtmlScan, AGbkPageReferringPastGbkComesOutAsUtf8) {
  // "果" in GBK, then a character GBK lacks: the whole text is UTF-8, no "?".
  const Converted c = Convert(G("果") + "&#x1F600;<br>" + G("完"));
  EXPECT_EQ(c.encoding, TextEncoding::kUtf8);
  EXPECT_EQ(c.text, "果\xF0\x9F\x98\x80\r\n完");
}

TEST(HtmlCharset, MarkDeclarationAndContentDecide) {
  const std::string gbk_text = G("第一章 山中");
  EXPECT_EQ(Convert(gbk_text).encoding, TextEncoding::kGbk);
  EXPECT_EQ(Convert("<meta charset=gb2312>" + std::string("第一章")).encoding, TextEncoding::kUtf8)
      << "valid UTF-8 is UTF-8 whatever the page claims";
  const Converted lying = Convert("<meta http-equiv=Content-Type content=\"text/html; charset=utf-8\">" + gbk_text);
  EXPECT_EQ(lying.encoding, TextEncoding::kGbk) << "a UTF-8 claim its bytes deny";
  EXPECT_EQ(lying.text, gbk_text);
  EXPECT_EQ(Convert("<?xml version='1.0' encoding='UTF-8'?><p>&#26524;</p>").text, "果\r\n")
      << "ASCII: the declaration decides what references become";

  const std::string big5 = charset::FromWide(charset::kBig5, charset::ToWide(charset::kUtf8, "書"));
  const Converted b5 = Convert("<meta charset=big5>" + big5);
  EXPECT_EQ(b5.encoding, TextEncoding::kGbk);
  EXPECT_EQ(b5.text, G("書"));

  const Converted pinyin = Convert("<meta charset=windows-1252>\x93Hi\x94 caf\xE9");
  EXPECT_EQ(pinyin.encoding, TextEncoding::kGbk) << "GBK holds curly quotes and e acute";
  EXPECT_EQ(pinyin.text, G("“Hi” café"));
  const Converted western = Convert("<meta charset=windows-1252>Espa\xF1" "a");
  EXPECT_EQ(western.encoding, TextEncoding::kUtf8) << "GBK has no n tilde";
  EXPECT_EQ(western.text, "España");

  const std::string le("\xFF\xFE<\0p\0>\0\x2D\x4E<\0/\0p\0>\0", 18);
  const Converted utf16 = Convert(le);
  EXPECT_EQ(utf16.encoding, TextEncoding::kUtf8);
  EXPECT_EQ(utf16.text, "中\r\n");
}

TEST(HtmlReader, StopsWhenAskedAndReportsProgress) {
  struct Recorder : ProgressSink {
    std::int64_t hi = 0, last = 0;
    void SetRange(std::int64_t, std::int64_t h) override { hi = h; }
    void SetPosition(std::int64_t p) override { last = p; }
  } progress;
  const std::string big(3 << 20, 'x');
  ReadContext ctx;
  ctx.progress = &progress;
  EXPECT_TRUE(Convert(big, ctx).status.ok());
  EXPECT_EQ(progress.hi, static_cast<std::int64_t>(big.size()));
  EXPECT_EQ(progress.last, progress.hi);

  CancelFlag stop{true};
  ctx.cancel = &stop;
  const Converted c = Convert(big, ctx);
  EXPECT_FALSE(c.status.ok());
  EXPECT_EQ(c.status.message(), msg::kCancelled);
  EXPECT_TRUE(c.text.empty()) << "nothing reaches the sink";
}

TEST(HtmlReader, ASinkThatIsFullStopsTheReader) {
  MemorySink sink(4);
  const Status s = ReadHtml("<p>more than four bytes</p>", sink, {});
  EXPECT_FALSE(s.ok());
  EXPECT_EQ(s.message(), msg::kOutputTooLarge);
}

TEST(SiteBanners, BothBannersTakeTheScriptWrappingWithThem) {
  const std::string slogan = G("读书在起点 · 创作无极限 · 中国最大的原创文学网站");
  const std::string made = G("起点中文网制作发布 &nbsp;&nbsp;欢迎访问起点 ") + "www.example.com";
  std::string page = "<script>document.write('" + G("正文") + "');</script>" + slogan + "<br>" + made;
  ASSERT_TRUE(html::RemoveSiteBanners(&page));
  EXPECT_EQ(page, G("正文") + "<br>");

  std::string one = "<script>document.write('x');</script>" + slogan;
  ASSERT_TRUE(html::RemoveSiteBanners(&one));
  EXPECT_EQ(one, "<script>document.write('x');</script>") << "one banner alone leaves scripts";

  std::string utf8 = "a读书在起点 · 创作无极限 · 中国最大的原创文学网站b";
  ASSERT_TRUE(html::RemoveSiteBanners(&utf8));
  EXPECT_EQ(utf8, "ab");

  std::string plain = "<p>" + G("正文") + "</p>";
  EXPECT_FALSE(html::RemoveSiteBanners(&plain));
}

TEST(LooksLikeHtml, DocumentStartsAfterMarksCommentsAndDeclarations) {
  for (std::string_view yes : {"<!DOCTYPE html>", "\xEF\xBB\xBF  <html>", "<!-- saved -->\n<HTML lang=zh>",
                               "<?xml version=\"1.0\"?>\n<html xmlns=\"x\">", "<head><title>", "<meta charset=gbk>"}) {
    EXPECT_TRUE(LooksLikeHtml(yes)) << yes;
  }
  for (std::string_view no : {"", "PK\x03\x04", "第一章", "<htmlx>", "<!DOCTYPE svg>", "<!-- never closed",
                              "text <html>"}) {
    EXPECT_FALSE(LooksLikeHtml(no)) << no;
  }
}

}  // namespace
}  // namespace folian::convert
