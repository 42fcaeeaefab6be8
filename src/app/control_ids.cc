#include "app/control_ids.h"

#include <algorithm>
#include <array>

namespace folian::app {
namespace {

constexpr std::array kAll{
    kBrowse, kFolderPath, kFileList, kMoveTop, kMoveUp, kMoveDown, kMoveBottom, kCut, kCopy,
    kPaste, kSave, kOptions, kTidy, kAdReport, kScriptConvert, kFindGarbled, kNextGarbled,
    kRepairGarbled, kFindField, kReplaceField, kRegexMode, kFind, kFindNext, kReplaceHere,
    kReplaceAll, kBatchMode, kCommonPatterns, kConvertAnsi, kConvertUtf8, kConvertUnicode,
    kHlp2Txt, kPdb2Txt, kJar2Txt, kHtm2Txt, kExe2Htm, kRtf2Txt, kPdf2Txt, kUmd2Txt, kChm2Htm,
    kTxt2Jar, kDoc2Txt, kEpub2Txt, kTxt2Umd, kMerge, kSplit, kForum, kNormaliseNames,
    kDirectoryMerge, kBatchRename, kFindHardReturn, kNextHardReturn, kBracketCheck,
    kNextBracket,
};
constexpr std::array kReadyExceptions{kFindNext, kReplaceHere, kNextHardReturn,
                                      kNextBracket, kCut, kCopy, kPaste};
constexpr std::array kEmptyFolder{kBrowse,  kForum,   kHlp2Txt, kPdb2Txt, kJar2Txt,
                                  kRtf2Txt, kPdf2Txt, kUmd2Txt, kChm2Htm, kOptions};
constexpr std::array kHidden{kNormaliseNames, kDirectoryMerge, kBatchRename, kFindHardReturn,
                             kNextHardReturn, kBracketCheck,   kNextBracket};

}  // namespace

std::span<const ControlId> AllControls() { return kAll; }
std::span<const ControlId> ReadyExceptions() { return kReadyExceptions; }
std::span<const ControlId> EmptyFolderControls() { return kEmptyFolder; }
std::span<const ControlId> HiddenControls() { return kHidden; }

bool Contains(std::span<const ControlId> list, ControlId id) {
  return std::find(list.begin(), list.end(), id) != list.end();
}

}  // namespace folian::app
