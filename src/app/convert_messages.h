// The converter commands' wording (UTF-8).
#pragma once

namespace folian::app::msg {

inline constexpr char kHtmlOnly[] = "只能转换 htm/html 文件至 txt 文件!";
inline constexpr char kFileConverted[] = "文件转换完成!";
inline constexpr char kPdbTitle[] = "请选择要转换的 pdb 文件";
inline constexpr char kPdbDone[] = "pdb->txt 转换完成!";
inline constexpr char kEpubTitle[] = "请选择要转换的 .epub 文件";
inline constexpr char kEpubDone[] = "epub->txt 转换完成!";
inline constexpr char kPdfTitle[] = "请选择要转换的 .pdf 文件";
inline constexpr char kPdfDone[] = "转换完成";
inline constexpr char kRtfTitle[] = "请选择要转换的 .rtf 文件";
inline constexpr char kRtfDone[] = "转换完成";
inline constexpr char kDocTitle[] = "请选择要转换的 Word 文件（.doc/.docx）";
inline constexpr char kDocDone[] = "doc->txt 转换完成!";
inline constexpr char kUmdTitle[] = "请选择要打开的 .umd 文件";
inline constexpr char kUmdDone[] = "文件已转换并保存";
inline constexpr char kJarTitle[] = "请选择要打开的 .jar 文件";
inline constexpr char kChmTitle[] = "请选择要转换的 chm 文件";
inline constexpr char kChmDone[] = "chm->htm 转换完成!";
inline constexpr char kExeTitle[] = "请选择要转换的 exe 电子书";
inline constexpr char kExeDone[] = "exe->htm 转换完成!";
// Asked after a help file's pages were unpacked; the count goes before it.
inline constexpr char kOfferPagesToText[] = " 个页面已解出。要按目录顺序把它们列入文件列表并转换为 txt 文件吗？\r\n（批处理会在转换后删除这些 htm 页面。）";

// Our own wording where the program had none.
inline constexpr char kConvertTooLarge[] = "文件超过 256 MB，不是可转换的电子书：";
inline constexpr char kUnknownFormat[] = "无法识别这个文件的电子书格式：";
inline constexpr char kSameAsInput[] = "转换结果的文件名与源文件相同，未转换：";
inline constexpr char kWriteFailed[] = "无法写出文件：";
inline constexpr char kReadFailed[] = "无法读入文件：";
inline constexpr char kPageNameRefused[] = "拒绝写出越出输出文件夹的文件：";
inline constexpr char kPagesTooLarge[] = "解出的文件过多或过大，已停止。";
inline constexpr char kAppendedTo[] = "\r\n\r\n已有同名的 txt 文件，转换结果已追加在它的末尾：";
inline constexpr char kSavedAsUtf8[] =
    "\r\n\r\n文中有 GBK 无法表示的字符，结果已存为带标记的 UTF-8 文本，没有丢失任何字符。";
inline constexpr char kBatchAppended[] = "\r\n\r\n以下 txt 文件原已存在，转换结果已追加在其末尾：";

}  // namespace folian::app::msg
