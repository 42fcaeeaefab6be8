// The window's own wording (UTF-8).
#pragma once

namespace folian::app::msg {

inline constexpr char kChooseFolderTitle[] = "选择要处理的文件所在目录";
inline constexpr char kSavePrompt[] = "文档内容已更改，保存修改吗？";
inline constexpr char kReading[] = "正在读入文件内容";
inline constexpr char kSaved[] = "文件已经保存!";
inline constexpr char kAlreadyFirst[] = "已经位于第一行!";
inline constexpr char kAlreadyLast[] = "已经位于最后一行!";
inline constexpr char kConfirmRemove[] = "确信要从列表框中移除选定文件吗?";
inline constexpr char kConfirmDelete[] = "你确信要从磁盘中删除选定的文件吗?";
inline constexpr char kRenamed[] = "文件更名成功";
inline constexpr char kNotFound[] = "未找到。";
inline constexpr char kReplacedFormat[] = "替换完成，共完成 %d 处替换，注意及时保存处理结果。";
inline constexpr char kConverted[] = "转换完成!";
inline constexpr char kScriptConverted[] = "转换完成，注意及时保存。";
inline constexpr char kTidyReportCaption[] = "处理完成";
inline constexpr char kWarningCaption[] = "注意";
// Our own wording where the program had none (its failures went unreported).
inline constexpr char kSaveFailed[] = "文件保存失败：";
inline constexpr char kForceSave[] = "\n\n仍然保存吗？无法表示的字符将成为“?”。";
inline constexpr char kForceConvert[] = "个字符无法用目标编码表示，将成为“?”。仍然转换吗？";
inline constexpr char kConvertFailed[] = "转换失败：";
inline constexpr char kTidyFailed[] = "格式整理失败：";
inline constexpr char kScriptConverting[] = "正在进行简繁转换";
inline constexpr char kScriptFailed[] = "简繁转换失败，无法读入转换词典：";
inline constexpr char kOpenFailed[] = "无法读入文件：";
inline constexpr char kDeleteFailed[] = "无法删除文件：";
inline constexpr char kRenameFailed[] = "文件更名失败：";
inline constexpr char kNameTaken[] = "同名文件已经存在。";
inline constexpr char kBatchUnavailable[] = "批处理功能尚未提供。";
inline constexpr char kNotConverted[] = "文件未转换：";
inline constexpr char kAlreadyAnsi[] = "文件已是 ANSI (GBK) 编码。";
inline constexpr char kAlreadyUtf8[] = "文件已是 UTF-8 编码。";
inline constexpr char kAlreadyUnicode[] = "文件已是 Unicode 编码。";
inline constexpr char kOnlyTxtConverted[] = "只转换扩展名为 .txt 的文件。";
inline constexpr char kSaveAsTitle[] = "保存文件";
inline constexpr char kHelpMissing[] = "找不到帮助页面（share/folian/help/index.html），请重新安装 Folian。";

}  // namespace folian::app::msg
