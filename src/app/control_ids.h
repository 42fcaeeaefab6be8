// The Main window's controls by their resource ids, and the lists the Ready,
// Busy and empty-folder states enable. The window maps each id to a widget,
// so these rules are stated once, here.
#pragma once

#include <span>

namespace folian::app {

enum ControlId : int {
  kBrowse = 110,
  kCut = 111,
  kCopy = 112,
  kPaste = 113,
  kFolderPath = 1000,
  kConvertUnicode = 1022,
  kFileList = 1023,
  kSave = 1024,
  kConvertUtf8 = 1025,
  kEditor = 1028,
  kFindField = 1029,
  kReplaceField = 1030,
  kReplaceAll = 1040,
  kNormaliseNames = 1041,
  kOptions = 1042,
  kMerge = 1043,
  kSplit = 1044,
  kHtm2Txt = 1045,
  kMoveTop = 1046,
  kMoveUp = 1047,
  kMoveDown = 1048,
  kMoveBottom = 1049,
  kJar2Txt = 1050,
  kBatchRename = 1051,
  kFindHardReturn = 1052,
  kNextHardReturn = 1053,
  kBracketCheck = 1054,
  kPdb2Txt = 1055,
  kHlp2Txt = 1056,
  kRtf2Txt = 1057,
  kPdf2Txt = 1058,
  kUmd2Txt = 1059,
  kConvertAnsi = 1060,
  kTidy = 1061,
  kChm2Htm = 1062,
  kRepairGarbled = 1063,
  kFind = 1064,
  kFindNext = 1065,
  kReplaceHere = 1066,
  kForum = 1068,
  kExe2Htm = 1069,
  kTxt2Jar = 1070,
  kTxt2Umd = 1071,
  kNextBracket = 1072,
  kDoc2Txt = 1073,
  kDirectoryMerge = 1076,
  kRegexMode = 1077,
  kFindGarbled = 1078,
  kNextGarbled = 1079,
  kAdReport = 1080,
  kCommonPatterns = 1096,
  kScriptConvert = 1100,
  kEpub2Txt = 1118,
  kBatchMode = 1038,
};

// Every control of the window's table, in table order (the editor is not
// one of them; it has its own rule).
std::span<const ControlId> AllControls();
// Controls `enable all` leaves disabled: the "next" buttons and the clipboard buttons.
std::span<const ControlId> ReadyExceptions();
// What stays usable when the Working folder holds no text file.
std::span<const ControlId> EmptyFolderControls();
// Created without the visible style.
std::span<const ControlId> HiddenControls();

bool Contains(std::span<const ControlId> list, ControlId id);

}  // namespace folian::app
