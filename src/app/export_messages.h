// The wording of txt2umd and txt2jar (UTF-8).
#pragma once

namespace folian::app::msg {

inline constexpr char kUmdMade[] = "文件 \"%s\" 已经生成。";
inline constexpr char kJarMade[] = "文件 \"%s\" 已经生成!";
inline constexpr char kTxtOpenFailed[] = "打开 txt 文件时发生错误。";
inline constexpr char kUmdCreateFailed[] = "创建 umd 文件时发生错误。";
inline constexpr char kJarOpenFailed[] = "打开文件时发生错误。";
inline constexpr char kJarFailed[] = "发生错误...";
// Our own wording where the program had none.
inline constexpr char kTitleCut[] = "书名过长，只保留了前 %d 个字符。";
inline constexpr char kAuthorCut[] = "作者名过长，只保留了前 %d 个字符。";
inline constexpr char kJarNameCut[] = "文件名过长，书籍信息中只保留了它的前一部分。";
inline constexpr char kJarNoTemplate[] =
    "此 jar 文件只含书的正文和书籍信息，不含手机上的阅读程序（Folian 不附带阅读程序）。"
    "如有自己的阅读器模板 jar 文件，可在选项中指定，其中的条目会先复制进生成的文件。";
inline constexpr char kJarTemplateUsed[] = "已从阅读器模板 \"%s\" 复制 %d 个条目。";
inline constexpr char kTemplateOpenFailed[] = "无法读取阅读器模板 jar 文件：";
inline constexpr char kSourceTooLarge[] = "文件过大，拒绝处理。";
inline constexpr char kSameAsSource[] = "生成的文件会覆盖源文件本身，未生成。";

}  // namespace folian::app::msg
