// The wording of merging and splitting (UTF-8).
#pragma once

namespace folian::app::msg {

inline constexpr char kMergeNeedTwo[] = "必须选定两个以上的文件来进行合并";
inline constexpr char kMergeFolderTitle[] = "合并后的文件保存位置";
inline constexpr char kSplitFolderTitle[] = "选择分割后的文件所在目录";
inline constexpr char kAnalysingChapters[] = "正在分析章节目录...";
inline constexpr char kSplitWrongSize[] = "你输入的分割后的文件大小不正确";
inline constexpr char kSplitDone[] = "文件分割完成";

// Our own wording where the program had none (its failures went unreported).
inline constexpr char kMergeInvalidName[] = "合并后的文件名无效：";
inline constexpr char kMergeReplaceFormat[] = "文件“%s”已经存在。\r\n用合并后的内容替换它吗？";
inline constexpr char kMergeLossFormat[] =
    "有 %zu 个字符无法用 GBK 编码表示，合并后将成为“?”。\r\n仍然合并吗？";
inline constexpr char kMergeFailed[] = "文件合并失败，原文件均未改动：\r\n";
inline constexpr char kMergeNothingRead[] = "选定的文件都无法读入，没有合并。";
inline constexpr char kMergeUnreadable[] = "以下文件无法读入，没有合并进去（原文件未删除）：";
inline constexpr char kMergeNotDeleted[] = "以下原文件未能删除：";
inline constexpr char kMergeStopped[] = "合并已停止，没有写出任何文件。";
inline constexpr char kSplitBadPrefix[] = "文件名前缀无效（不能含有“/”）：";
inline constexpr char kSplitOverSource[] = "分割后的文件会覆盖原文件，请换一个文件名前缀或保存位置。";
inline constexpr char kSplitReplaceFormat[] =
    "已经存在 %zu 个同名的分割文件（如“%s”）。\r\n替换它们吗？";
inline constexpr char kSplitLossFormat[] =
    "有 %zu 个字符无法用原文件的编码表示，分割后将成为“?”。\r\n仍然分割吗？";
inline constexpr char kSplitFailed[] = "文件分割失败，没有写出任何分割文件，原文件未改动。\r\n无法写出：";
inline constexpr char kSplitReplacedKept[] = "\r\n以下已有的文件已被新的分割内容替换：";
inline constexpr char kSplitStopped[] = "分割已停止，没有写出任何文件。";
inline constexpr char kSplitUnreadable[] = "无法读入要分割的文件：";
inline constexpr char kBadChapterPattern[] = "章节名正则表达式有误：";
inline constexpr char kChapterPatternTooLong[] = "章节名正则表达式过长（最多 4096 字节）。";
inline constexpr char kTooManyChaptersFormat[] =
    "找到的章节超过 %zu 个，请修改章节名正则表达式。";

}  // namespace folian::app::msg
