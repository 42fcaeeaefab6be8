#include "convert/gbk_or_utf8_text.h"

#include "charset/codepage.h"

namespace folian::convert {
namespace {

// Units checked against GBK at a time: large enough that the check's cost
// per unit is small, small enough to stay in cache.
constexpr std::size_t kBatchUnits = 4096;

}  // namespace

GbkOrUtf8Text::GbkOrUtf8Text(std::size_t cap) : cap_(cap) { pending_.reserve(kBatchUnits); }

bool GbkOrUtf8Text::Fits(std::size_t units) {
  // The worst case of either encoding: three UTF-8 bytes per unit.
  if (overflowed_ || units > cap_ / 3 || size_ > cap_ / 3 - units) {
    overflowed_ = true;
    return false;
  }
  return true;
}

void GbkOrUtf8Text::WriteCells() {
  const std::size_t n = pending_cells_;
  pending_cells_ = 0;
  if (!Fits(n)) return;
  pending_.append(n, u'\t');
  size_ += n;
  last_ = u'\t';
}

void GbkOrUtf8Text::LineEnd() {
  pending_cells_ = 0;
  AppendAscii("\r\n");
}

void GbkOrUtf8Text::Append(char16_t unit) {
  if (pending_cells_ > 0) WriteCells();
  if (!Fits(1)) return;
  if (unit == 0xA0) unit = u' ';
  visible_ = visible_ || unit > u' ';
  pending_.push_back(unit);
  ++size_;
  last_ = unit;
  if (pending_.size() >= kBatchUnits) Flush();
}

void GbkOrUtf8Text::Append(std::u16string_view units) {
  if (units.empty()) return;
  if (pending_cells_ > 0) WriteCells();
  if (!Fits(units.size())) return;
  for (char16_t u : units) {
    if (u == 0xA0) u = u' ';
    visible_ = visible_ || u > u' ';
    pending_.push_back(u);
  }
  size_ += units.size();
  last_ = pending_.back();
  if (pending_.size() >= kBatchUnits) Flush();
}

void GbkOrUtf8Text::AppendAscii(std::string_view ascii) {
  if (ascii.empty()) return;
  if (pending_cells_ > 0) WriteCells();
  if (!Fits(ascii.size())) return;
  for (char c : ascii) {
    visible_ = visible_ || static_cast<unsigned char>(c) > ' ';
    pending_.push_back(static_cast<unsigned char>(c));
  }
  size_ += ascii.size();
  last_ = pending_.back();
  if (pending_.size() >= kBatchUnits) Flush();
}

void GbkOrUtf8Text::Append(GbkOrUtf8Text& other) {
  other.Flush();
  if (other.overflowed_) overflowed_ = true;
  if (other.unicode_) {
    Append(other.wide_);
  } else {
    std::u16string wide;
    charset::ToWide(charset::kGbk, other.gbk_, wide);
    Append(wide);
  }
}

void GbkOrUtf8Text::Flush() {
  if (pending_.empty()) return;
  if (!unicode_) {
    if (charset::InexactCount(charset::kGbk, pending_) == 0) {
      charset::FromWide(charset::kGbk, pending_, scratch_);
      gbk_.append(scratch_);
      pending_.clear();
      return;
    }
    // The first character GBK cannot hold: everything becomes Unicode.
    charset::ToWide(charset::kGbk, gbk_, wide_);
    gbk_.clear();
    gbk_.shrink_to_fit();
    unicode_ = true;
  }
  wide_.append(pending_);
  pending_.clear();
}

std::string GbkOrUtf8Text::Finish() {
  Flush();
  if (!unicode_) return std::move(gbk_);
  std::string out;
  charset::FromWide(charset::kUtf8, wide_, out);
  return out;
}

}  // namespace folian::convert
