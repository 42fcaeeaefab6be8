#include "tidy/tidy_text.h"

#include <cstring>

#include "charset/codepage.h"
#include "tidy/status_texts.h"

namespace folian::tidy {
namespace {

unsigned char Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 0x20 : c; }

bool ContainsFolded(std::string_view text, std::string_view lower_needle) {
  if (lower_needle.empty() || lower_needle.size() > text.size()) return false;
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const auto* w = reinterpret_cast<const unsigned char*>(lower_needle.data());
  const std::size_t last = text.size() - lower_needle.size();
  const unsigned char first = w[0];
  const unsigned char first_upper = (first >= 'a' && first <= 'z') ? first - 0x20 : first;
  for (std::size_t i = 0; i <= last; ++i) {
    if (s[i] != first && s[i] != first_upper) continue;
    std::size_t k = 1;
    while (k < lower_needle.size() && Lower(s[i + k]) == w[k]) ++k;
    if (k == lower_needle.size()) return true;
  }
  return false;
}

std::string IndentUnit(const TidyOptions& o) {
  switch (o.indent) {
    case 2:
      if (o.indent_num1 > 0 && o.indent_num1 < 20) return std::string(o.indent_num1, ' ');
      break;
    case 3:
      if (o.indent_num2 > 0 && o.indent_num2 < 10) {
        std::string s;
        for (int i = 0; i < o.indent_num2; ++i) s += "\xA1\xA1";
        return s;
      }
      break;
    case 4:
      if (o.indent_num3 > 0 && o.indent_num3 < 10) return std::string(o.indent_num3, '\t');
      break;
    default:
      break;
  }
  return {};
}

}  // namespace

bool HasSiteFragment(std::string_view gbk, const std::vector<std::string>& fragments) {
  for (const std::string& f : fragments) {
    std::string lower(f);
    for (char& c : lower) c = static_cast<char>(Lower(static_cast<unsigned char>(c)));
    if (ContainsFolded(gbk, lower)) return true;
  }
  return false;
}

std::string DecodeNumericEntities(std::string_view s) {
  std::string out;
  std::size_t from = 0;
  for (std::size_t at = s.find("&#"); at != std::string_view::npos; at = s.find("&#", at)) {
    std::size_t i = at + 2;
    unsigned code = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
      code = (code * 10 + static_cast<unsigned>(s[i] - '0')) & 0xFFFF;
      ++i;
    }
    if (i == at + 2 || i >= s.size() || s[i] != ';') {
      ++at;
      continue;
    }
    if (out.empty()) out.reserve(s.size());
    out.append(s, from, at - from);
    // U+0000 would cut the text short wherever it is handled as a C string.
    if (code == 0) {
      out.push_back('?');
    } else if (code == 0x2022) {
      // The system conversion's best fit for the bullet, which GBK lacks: "·".
      out += "\xA1\xA4";
    } else {
      out += charset::FromWide(charset::kGbk, std::u16string(1, static_cast<char16_t>(code)));
    }
    from = at = i + 1;
  }
  if (from == 0) return std::string(s);
  out.append(s, from, std::string_view::npos);
  return out;
}

std::string ApplyLayout(std::string_view text, const TidyOptions& o) {
  const std::string unit = IndentUnit(o);
  const std::string_view brk = o.paragraph == 1 ? "\r\n\r\n" : "\r\n";
  if (unit.empty() && o.paragraph != 1) return std::string(text);
  std::string out;
  out.reserve(text.size() + text.size() / 8 + 16);
  if (!unit.empty()) {
    out += brk;
    out += unit;
  }
  std::size_t from = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string_view::npos;
       at = text.find("\r\n", from)) {
    out.append(text, from, at - from);
    out += brk;
    out += unit;
    from = at + 2;
  }
  out.append(text, from, std::string_view::npos);
  return out;
}

std::optional<std::string> TidyText(std::string_view gbk, const TidyOptions& options,
                                    const RuleTable& rules, const TidyParams& params) {
  ProgressSink& sink = params.progress != nullptr ? *params.progress : NullProgress();
  sink.SetRange(0, 100);
  sink.SetPosition(0);
  const bool site = HasSiteFragment(gbk, rules.site_fragments);
  sink.SetPosition(5);
  sink.SetStatus(status::kTidying);

  ScanConfig config;
  config.num_convert = options.num_convert;
  config.char_convert = options.char_convert;
  config.punc_convert = options.punc_convert;
  config.has_adver = options.has_adver == 1;
  config.split_at_fullstop = options.split_at_fullstop;
  config.site_flag = site;
  config.short_line = params.short_line > 0 ? params.short_line : kDefaultShortLine;
  config.footer_token = rules.footer_token;
  config.footer_site_name = rules.footer_site_name;
  config.progress_step = EditorLineCount(gbk) / 10;
  config.progress = &sink;

  std::string scanned;
  scanned.reserve(gbk.size() + gbk.size() * 2 / 5);
  std::vector<std::string> titles;
  ScanLines(gbk, config, &scanned, &titles);
  sink.SetPosition(80);
  if (Cancelled(params.cancel)) return std::nullopt;

  std::string work = DecodeNumericEntities(scanned);
  scanned = std::string();
  sink.SetStatus(status::kRestoringAds);

  if (options.has_adver == 1) {
    AdRunInput in;
    in.titles = &titles;
    in.custom = &params.custom;
    in.progress = &sink;
    in.cancel = params.cancel;
    bool done;
    if (params.engine == AdEngine::kReference) {
      done = RemoveAdsReference(work, rules, in);
    } else if (params.remover != nullptr) {
      done = params.remover->Run(work, in);
    } else {
      done = AdRemover(rules).Run(work, in);
    }
    if (!done) return std::nullopt;
  }

  sink.SetStatus(status::kFormatting);
  std::string result = ApplyLayout(work, options);
  sink.SetStatus({});
  sink.SetPosition(100);
  return result;
}

}  // namespace folian::tidy
