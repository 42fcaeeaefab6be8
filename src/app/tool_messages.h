// The wording of the batch runs and the window's further commands (UTF-8).
#pragma once

namespace folian::app::msg {

inline constexpr char kBatchFindDone[] = "批查找完成!\r\n包含指定文本的文件均以 √ ";
inline constexpr char kBatchDone[] = "批处理完成";
inline constexpr char kBatchConvertDone[] = "批文件转换完成!";
inline constexpr char kUseClipboard[] = "用剪切板中的内容作为操作对象吗";
inline constexpr char kNoGarbled[] = "未找到乱码！";
inline constexpr char kSelectGarbled[] = "先选定文件中的乱码，然后单击此按钮来修复。";
inline constexpr char kRootFolder[] = "不能处理根目录！";
inline constexpr char kMergedFormat[] = "操作完成，共合并 %d 个目录";

// Our own wording where the program had none.
inline constexpr char kBatchStoppedFormat[] = "已停止：处理了 %d 个文件，其余文件未作改动。";
inline constexpr char kBatchFailures[] = "\r\n\r\n以下文件未能处理：";
inline constexpr char kBatchLeftAlone[] = "\r\n\r\n以下文件未作改动：";
inline constexpr char kHtmlBatchUnavailable[] = "HTML 转换功能尚未提供。";
inline constexpr char kCannotRepair[] = "选定的文字无法修复：它既不是 UTF-8，也不是 Big5 或 UTF-16 编码的文字。";
inline constexpr char kNoHardReturn[] = "未找到硬回车。";
inline constexpr char kNoBracket[] = "未找到不匹配的括号。";
inline constexpr char kAdReportFailed[] = "无法写出广告检查结果：";
inline constexpr char kAdReportTitle[] = "广告检查";
// The advertisement report: why each piece would go.
inline constexpr char kWhyFooter[] = "行扫描：站点页脚行";
inline constexpr char kWhyStageRowFormat[] = "第%d步第%zu条规则“%s”";
inline constexpr char kWhyCustomFormat[] = "自定义广告第%zu条“%s”";
inline constexpr char kWhyDuplicateTitle[] = "重复的章节名";
inline constexpr char kWhyDetectorLine[] = "广告检测（整行）：";
inline constexpr char kWhyDetectorPiece[] = "广告检测（片段）：";
inline constexpr char kWhyWordsFormat[] = "广告词 %s（权重 %d）";
inline constexpr char kWhyHost[] = "网址";
inline constexpr char kWhyJunkName[] = "夹杂符号的站名";
inline constexpr char kWhyBracket[] = "括号内的广告词";
inline constexpr char kWhyClause[] = "广告分句";
inline constexpr char kWhyResidue[] = "广告残余的符号";
inline constexpr char kWhyIsolated[] = "符号间的单字";
inline constexpr char kWhyBesideTitle[] = "章节名旁或章末的短行";
inline constexpr char kWhyRepeated[] = "多次出现的短行";
inline constexpr char kWhyTitle[] = "含广告的章节名";
inline constexpr char kWhyTail[] = "段末句号后的广告词";
inline constexpr char kWhyRepeatedSpan[] = "多次出现的含广告词的文字";
inline constexpr char kWhyOtherScript[] = "与全文简繁不同的文字";
inline constexpr char kWhySiteName[] = "站名样的短行";
inline constexpr char kWhySeparator[] = "、";
inline constexpr char kWhyInLine[] = "　所在行：";
inline constexpr char kNormaliseTitle[] = "规范化文件名";
inline constexpr char kBatchRenameTitle[] = "文件批更名";
inline constexpr char kNothingToRename[] = "没有需要更名的文件。";
inline constexpr char kRenamedFormat[] = "已更名 %d 个文件。";
inline constexpr char kRenameFailures[] = "\r\n以下文件未能更名：";
inline constexpr char kLossNotConverted[] = " 个字符无法用目标编码表示，文件未转换";
inline constexpr char kMergeFailures[] = "\r\n以下文件未能移动：";

}  // namespace folian::app::msg
