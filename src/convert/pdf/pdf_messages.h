// The PDF reader's messages to the user (UTF-8).
#pragma once

namespace folian::convert::pdf::msg {

inline constexpr char kNotPdf[] = "这不是 PDF 文件（文件开头没有 PDF 标记）。";
inline constexpr char kTooLarge[] = "PDF 文件太大，无法转换。";
inline constexpr char kNeedsPassword[] = "这个 PDF 文件设有打开密码，无法读取其中的文字。";
inline constexpr char kUnknownEncryption[] = "这个 PDF 文件的加密方式无法识别，无法读取其中的文字。";
inline constexpr char kTextTooLarge[] = "PDF 文件中的文字超过上限，转换已停止。";
inline constexpr char kBudgetSpent[] = "PDF 文件中的压缩数据解压后超过上限，转换已停止。";
inline constexpr char kCancelled[] = "转换已取消。";
inline constexpr char kReading[] = "正在读取 PDF 文件";

}  // namespace folian::convert::pdf::msg
