// Chinese numerals 1..512 in capital (壹贰叁…) and common (一二三…) form, as
// GBK strings. One definition shared by the line scanner's title test and the
// File list's numeric sort.
#pragma once

#include <string_view>

namespace folian::tidy {

inline constexpr int kNumeralMax = 512;

// The numeral for n (1..kNumeralMax) in GBK; empty for n outside the range.
std::string_view CapitalNumeral(int n);  // 壹, 贰, … 拾, 拾壹, … 伍佰壹拾贰
std::string_view CommonNumeral(int n);   // 一, 二, … 十, 十一, … 五百一十二

// The number a numeral string (either form, exactly as in the tables)
// denotes; 0 when it is not one of them.
int NumeralValue(std::string_view gbk);

}  // namespace folian::tidy
