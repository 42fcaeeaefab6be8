#include "tidy/tidy_text.h"

#include <cstring>
#include <vector>

#include "charset/codepage.h"
#include "tidy/ad_detector.h"
#include "tidy/ad_merge.h"
#include "tidy/ad_residue.h"
#include "tidy/removal_log.h"
#include "tidy/status_texts.h"

namespace folian::tidy {
namespace {

unsigned char Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 0x20 : c; }

// Whether `lower_needle` occurs in `text` with ASCII letters compared in
// lower case. The scan jumps (memchr) between occurrences of the needle's
// first byte that is not a letter, which in Chinese text is rare.
bool ContainsFolded(std::string_view text, std::string_view lower_needle) {
  if (lower_needle.empty() || lower_needle.size() > text.size()) return false;
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const auto* w = reinterpret_cast<const unsigned char*>(lower_needle.data());
  const std::size_t m = lower_needle.size();
  const std::size_t last = text.size() - m;
  auto matches_at = [&](std::size_t i) {
    std::size_t k = 0;
    while (k < m && Lower(s[i + k]) == w[k]) ++k;
    return k == m;
  };
  std::size_t anchor = 0;
  while (anchor < m && w[anchor] >= 'a' && w[anchor] <= 'z') ++anchor;
  if (anchor == m) {  // letters only: both cases of the first one
    const unsigned char first = w[0], first_upper = static_cast<unsigned char>(first - 0x20);
    for (std::size_t i = 0; i <= last; ++i) {
      if ((s[i] == first || s[i] == first_upper) && matches_at(i)) return true;
    }
    return false;
  }
  // An upper-case letter in the needle never matches (the text is folded).
  for (std::size_t k = 0; k < m; ++k) {
    if (w[k] >= 'A' && w[k] <= 'Z') return false;
  }
  const unsigned char key = w[anchor];
  const unsigned char* from = s + anchor;
  const unsigned char* const end = s + last + anchor + 1;  // where the key can sit
  while (from < end) {
    const auto* hit = static_cast<const unsigned char*>(std::memchr(from, key, static_cast<std::size_t>(end - from)));
    if (hit == nullptr) return false;
    if (matches_at(static_cast<std::size_t>(hit - s) - anchor)) return true;
    from = hit + 1;
  }
  return false;
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

std::string DecodeNumericEntities(std::string s) {
  // A decoded character (at most two bytes) is never longer than its entity
  // (at least four), so the text is rewritten in place, front to back.
  std::size_t at = s.find("&#");
  if (at == std::string::npos) return s;
  std::size_t read = at, write = at;
  for (; at != std::string::npos; at = s.find("&#", at)) {
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
    std::memmove(s.data() + write, s.data() + read, at - read);
    write += at - read;
    std::string decoded;
    // U+0000 would cut the text short wherever it is handled as a C string.
    if (code == 0) {
      decoded = "?";
    } else if (code == 0x2022) {
      // The system conversion's best fit for the bullet, which GBK lacks: "·".
      decoded = "\xA1\xA4";
    } else {
      decoded = charset::FromWide(charset::kGbk, std::u16string(1, static_cast<char16_t>(code)));
    }
    if (decoded.size() > i + 1 - at) decoded = "?";  // cannot happen with GBK; keeps the rewrite safe
    std::memcpy(s.data() + write, decoded.data(), decoded.size());
    write += decoded.size();
    read = at = i + 1;
  }
  std::memmove(s.data() + write, s.data() + read, s.size() - read);
  s.resize(write + s.size() - read);
  return s;
}

namespace {

// `owned`, when given, holds the text `gbk` views; it is emptied after the
// line scan, the last stage that reads the input.
std::optional<std::string> Tidy(std::string_view gbk, std::string* owned, const TidyOptions& options,
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
  config.follow_layout = params.follow_layout;
  config.drop_ads_between_wrapped_lines = options.has_adver == 1 && params.ad_detector;
  std::vector<DetectedAd> dropped;
  if (params.removals != nullptr) config.dropped_ads = &dropped;
  MarkedStarts marked_starts;
  if (config.drop_ads_between_wrapped_lines) config.marked_starts = &marked_starts;
  config.footer_token = rules.footer_token;
  config.footer_site_name = rules.footer_site_name;
  config.progress_step = EditorLineCount(gbk) / 10;
  config.progress = &sink;

  if (params.removals != nullptr && config.has_adver) internal::LogFooterDrops(gbk, config, params.removals);

  std::string scanned;
  scanned.reserve(gbk.size() + gbk.size() * 2 / 5);
  std::vector<std::string> titles;
  ScanLines(gbk, config, &scanned, &titles);
  if (owned != nullptr) {
    gbk = {};
    std::string().swap(*owned);
  }
  if (params.removals != nullptr) internal::LogDetected(std::move(dropped), params.removals);
  sink.SetPosition(80);
  if (Cancelled(params.cancel)) return std::nullopt;

  std::string work = DecodeNumericEntities(std::move(scanned));
  sink.SetStatus(status::kRestoringAds);

  if (options.has_adver == 1) {
    // The text as the removal found it, to tell the lines it emptied or cut
    // down to leftovers from the lines of the novel.
    const std::string before = work;
    // The detector reads the advertising whole, as the rows do: each run
    // after the other would leave it fragments of what the other took. It
    // runs first, on the text itself; what it removed is noted and the
    // text restored for the rows, so that no third copy is held.
    Ranges detected;
    bool detected_ok = false;
    if (params.ad_detector) {
      if (params.removals == nullptr) {
        RemoveDetectedAds(work, nullptr, &marked_starts, rules.ad_words.get());
      } else {
        std::vector<DetectedAd> found;
        RemoveDetectedAds(work, &found, &marked_starts, rules.ad_words.get());
        internal::LogDetected(std::move(found), params.removals);
      }
      detected_ok = DetectorRemoved(before, work, &detected);
      work.assign(before);
    }
    AdRunInput in;
    in.titles = &titles;
    in.custom = &params.custom;
    in.progress = &sink;
    in.cancel = params.cancel;
    internal::RemovalLog log(params.removals);
    if (params.removals != nullptr) in.observer = &log;
    bool done;
    if (params.engine == AdEngine::kReference || params.removals != nullptr) {
      done = RemoveAdsReference(work, rules, in);
    } else if (params.remover != nullptr) {
      done = params.remover->Run(work, in);
    } else {
      done = AdRemover(rules).Run(work, in);
    }
    if (!done) return std::nullopt;
    if (detected_ok) {
      MergeRemovals(before, &work, detected);
      Ranges().swap(detected);
    }
    // Lines the rows or the detector emptied or cut down to leftovers.
    work = DropAdResidue(before, std::move(work));
    // A line dropped between the wrapped lines of a paragraph that the rows
    // or the detector took away leaves the paragraph whole.
    if (config.marked_starts != nullptr) marked_starts.JoinBridged(&work);
  }

  sink.SetStatus(status::kFormatting);
  std::string result = ApplyLayout(std::move(work), options);
  sink.SetStatus({});
  sink.SetPosition(100);
  return result;
}

}  // namespace

std::optional<std::string> TidyText(std::string_view gbk, const TidyOptions& options,
                                    const RuleTable& rules, const TidyParams& params) {
  return Tidy(gbk, nullptr, options, rules, params);
}

std::optional<std::string> TidyText(std::string&& gbk, const TidyOptions& options,
                                    const RuleTable& rules, const TidyParams& params) {
  return Tidy(gbk, &gbk, options, rules, params);
}

}  // namespace folian::tidy
