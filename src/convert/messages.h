// What the readers tell the user when a book cannot be converted (UTF-8).
#pragma once

namespace folian::convert::msg {

inline constexpr char kCancelled[] = "转换已停止，未写出任何文件。";
inline constexpr char kOutputTooLarge[] = "转换结果超过 512 MB，可能是损坏或恶意构造的文件，已停止转换。";

// ePub
inline constexpr char kEpubNotZip[] = "打开文件时发生错误。";
inline constexpr char kEpubNoContainer[] = "这不是有效的 ePub 文件：缺少 META-INF/container.xml。";
inline constexpr char kEpubBadContainer[] = "这不是有效的 ePub 文件：META-INF/container.xml 中没有找到内容文件（rootfile）。";
inline constexpr char kEpubNoPackage[] = "这不是有效的 ePub 文件：找不到内容文件 ";
inline constexpr char kEpubBadPackage[] = "这不是有效的 ePub 文件：内容文件无法解析 ";
inline constexpr char kEpubNoText[] = "这个 ePub 文件的阅读顺序（spine）中没有可转换的 HTML 文档。";
inline constexpr char kEpubTooManyItems[] = "ePub 的内容文件列出的文档过多（阅读顺序超过 20000 项或清单超过 100000 项），拒绝处理。";
inline constexpr char kEpubReferenceTooLong[] = "ePub 的内容文件中有超过 2048 字节的文件名，拒绝处理。";
inline constexpr char kEpubOutside[] = "ePub 的阅读顺序中有指向压缩包之外的文档：";
inline constexpr char kEpubBadDocument[] = "ePub 中的文档已损坏：";

// Palm database
inline constexpr char kPdbNotPalmDoc[] = "这不是 PalmDOC 电子书（类型应为 TEXt，创建者应为 REAd）。";
inline constexpr char kPdbTruncated[] = "pdb 文件不完整：文件头或记录表被截断。";
inline constexpr char kPdbBadOffsets[] = "pdb 文件已损坏：记录的位置次序颠倒或超出文件末尾。";
inline constexpr char kPdbRecordTooLong[] = "pdb 文件已损坏：一条记录超过了 PalmDOC 记录的最大长度。";
inline constexpr char kPdbDamaged[] = "pdb 文件已损坏：压缩的文字无法解开。";

// PDF
inline constexpr char kPdfNotPdf[] = "这不是 PDF 文件（文件开头没有 PDF 标记）。";
inline constexpr char kPdfNeedsPassword[] = "这个 PDF 文件设有打开密码，无法读取其中的文字。";
inline constexpr char kPdfUnknownEncryption[] = "这个 PDF 文件的加密方式无法识别，无法读取其中的文字。";
inline constexpr char kPdfInflatedTooMuch[] = "PDF 文件中的压缩数据解压后超过 1 GB，可能是损坏或恶意构造的文件，已停止转换。";
inline constexpr char kPdfStreamTooLarge[] = "PDF 文件中有页面内容的压缩数据解压后超过上限（存储大小的 10 倍，至少 8 MB，至多 256 MB），可能是损坏或恶意构造的文件，已停止转换。";
inline constexpr char kPdfReading[] = "正在读取 PDF 文件";

// RTF
inline constexpr char kRtfNotRtf[] = "这不是 RTF 文件（文件开头没有 {\\rtf 标记）。";
inline constexpr char kRtfTooDeep[] = "RTF 文件的组嵌套超过 512 层，可能是损坏或恶意构造的文件，已停止转换。";
inline constexpr char kRtfTooManyGroups[] = "RTF 文件的组超过 16777216 个，可能是损坏或恶意构造的文件，已停止转换。";
inline constexpr char kRtfReading[] = "正在读取 RTF 文件";

// Word
inline constexpr char kDocNotCompound[] = "这不是 Word 97-2003 文档（文件开头没有复合文档标记）。";
inline constexpr char kDocNotWord[] = "这个复合文档里没有 Word 正文（可能是 Excel、PowerPoint 或其他程序的文件）。";
inline constexpr char kDocDamaged[] = "Word 文档已损坏，无法读取其中的文字。";
inline constexpr char kDocEncrypted[] = "这个 Word 文档设有密码，无法读取其中的文字。";
inline constexpr char kDocOldVersion[] =
    "这是 Word 6.0/95 或更早版本的文档，无法读取；请用 Word 另存为 97-2003 或 docx 格式后再转换。";
inline constexpr char kDocReading[] = "正在读取 Word 文档";
inline constexpr char kDocxNotZip[] = "这不是 docx 文件（不是有效的 ZIP 压缩包）。";
inline constexpr char kDocxNoDocument[] = "这不是 Word 文档（docx）：找不到正文部分 word/document.xml。";
inline constexpr char kDocxBadPart[] = "docx 文件已损坏，无法读取其中的 ";
inline constexpr char kDocxPartTooLarge[] = "docx 文件的正文部分超过 128 MB，拒绝处理。";

// CHM
inline constexpr char kChmNotChm[] = "这不是 CHM 文件（文件头应为 ITSF）。";
inline constexpr char kChmCannotOpen[] = "CHM 文件已损坏，无法读出它的文件目录。";
inline constexpr char kChmTooManyEntries[] = "CHM 文件的条目过多（超过 100000 个），拒绝处理。";
inline constexpr char kChmNoPages[] = "这个 CHM 文件中没有 htm/html 页面，未写出任何文件。";
inline constexpr char kChmNamesRefused[] = "CHM 文件中页面的文件名不安全（越出输出文件夹、为空或不是 UTF-8），未写出任何文件。";
inline constexpr char kChmPagesDamaged[] = "CHM 文件已损坏，其中的页面都无法解压，未写出任何文件。";
inline constexpr char kChmStoppedPartway[] = "CHM 文件已损坏，解压到中途停止；已写出的页面保留在输出文件夹中。";

// WinHelp
inline constexpr char kHlpNotHelp[] = "这不是 WinHelp 帮助文件（文件头应为 3F 5F 03 00）。";
inline constexpr char kHlpTruncated[] = "hlp 文件不完整：文件被截断，内部文件目录或内部文件超出了文件末尾。";
inline constexpr char kHlpBadDirectory[] = "hlp 文件已损坏：内部文件目录（B+ 树）的页号越界、循环或无法读出。";
inline constexpr char kHlpTooManyFiles[] = "hlp 文件的内部文件过多（超过 100000 个），拒绝处理。";
inline constexpr char kHlpNoSystem[] = "hlp 文件缺少 |SYSTEM 内部文件，无法得知标题、压缩方式和文字编码，未转换。";
inline constexpr char kHlpBadSystem[] = "hlp 文件已损坏：|SYSTEM 内部文件无法读出。";
inline constexpr char kHlpWin30[] = "这是 Windows 3.0 格式的帮助文件，无法转换。";
inline constexpr char kHlpNoTopic[] = "hlp 文件缺少 |TOPIC 内部文件，其中没有可转换的正文。";
inline constexpr char kHlpBadTopic[] = "hlp 文件已损坏：正文（|TOPIC）的数据块无法解压，或其中的记录超出了数据范围。";
inline constexpr char kHlpBadPhrases[] = "hlp 文件已损坏：短语表（|Phrases 或 |PhrIndex/|PhrImage）无法读出，或正文引用了不存在的短语。";

// .exe e-books
inline constexpr char kPeNotExe[] = "这不是 Windows 程序文件（.exe 文件头应为 MZ）。";
inline constexpr char kPeBadHeaders[] =
    "这个 .exe 文件已损坏：程序文件头不完整或指向文件之外，其中也没有附加的压缩包，未写出任何文件。";
inline constexpr char kPeUnreadable[] =
    "无法读取这种 .exe 电子书：它的页面要运行程序才能取得，这里不能运行程序。文件中没有找到 HTML 页面、"
    "ZIP 压缩包或 CHM 文件，未写出任何文件。";
inline constexpr char kPeNamesRefused[] =
    ".exe 电子书中页面的名称不安全（越出输出文件夹、为空或含非法字符），未写出任何文件。";
inline constexpr char kPeArchiveDamaged[] = ".exe 电子书中附带的压缩包或 CHM 文件已损坏，无法解出任何页面，未写出任何文件。";

}  // namespace folian::convert::msg
