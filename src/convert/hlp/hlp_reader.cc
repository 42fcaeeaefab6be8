#include "convert/gbk_or_utf8_text.h"
#include "convert/hlp/hlp_format.h"
#include "convert/hlp/internal_files.h"
#include "convert/hlp/phrases.h"
#include "convert/hlp/system_file.h"
#include "convert/hlp/topic_text.h"
#include "convert/limits.h"
#include "convert/messages.h"

namespace folian::convert {

bool LooksLikeHlp(std::string_view head) { return head.substr(0, 4) == std::string_view("\x3F\x5F\x03\x00", 4); }

Status ReadHlp(std::string_view input, TextSink& sink, const ReadContext& ctx) {
  if (!LooksLikeHlp(input)) return Status::Error(msg::kHlpNotHelp);
  hlp::InternalFiles files;
  switch (hlp::ReadInternalFiles(input, &files)) {
    case hlp::DirectoryError::kNone: break;
    case hlp::DirectoryError::kNotHelp: return Status::Error(msg::kHlpNotHelp);
    case hlp::DirectoryError::kTruncated: return Status::Error(msg::kHlpTruncated);
    case hlp::DirectoryError::kDamaged: return Status::Error(msg::kHlpBadDirectory);
    case hlp::DirectoryError::kTooMany: return Status::Error(msg::kHlpTooManyFiles);
  }

  std::string_view system_file, topic_file;
  if (!files.Find("|SYSTEM", &system_file)) return Status::Error(msg::kHlpNoSystem);
  hlp::SystemInfo system;
  if (!hlp::ReadSystem(system_file, &system)) return Status::Error(msg::kHlpBadSystem);
  if (system.minor <= hlp::kLastWin30Minor) return Status::Error(msg::kHlpWin30);
  if (!files.Find("|TOPIC", &topic_file)) return Status::Error(msg::kHlpNoTopic);

  hlp::PhraseTable phrases;
  std::string_view phrase_file, phrase_index, phrase_image;
  if (files.Find("|PhrIndex", &phrase_index) && files.Find("|PhrImage", &phrase_image)) {
    if (!phrases.LoadHall(phrase_index, phrase_image)) return Status::Error(msg::kHlpBadPhrases);
  } else if (files.Find("|Phrases", &phrase_file)) {
    if (!phrases.LoadOld(phrase_file, system.lz77)) return Status::Error(msg::kHlpBadPhrases);
  }

  GbkOrUtf8Text text(kMaxOutputBytes);
  switch (hlp::ReadTopics(topic_file, system, phrases, ctx, &text)) {
    case hlp::TopicError::kNone: break;
    case hlp::TopicError::kDamaged: return Status::Error(msg::kHlpBadTopic);
    case hlp::TopicError::kPhrases: return Status::Error(msg::kHlpBadPhrases);
    case hlp::TopicError::kTooLarge: return Status::Error(msg::kOutputTooLarge);
    case hlp::TopicError::kCancelled: return Status::Error(msg::kCancelled);
  }
  if (text.overflowed()) return Status::Error(msg::kOutputTooLarge);
  sink.SetEncoding(text.encoding());
  if (!sink.Append(text.Finish())) return Status::Error(msg::kOutputTooLarge);
  return Status::Ok();
}

}  // namespace folian::convert
