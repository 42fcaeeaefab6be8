// The window's icons, drawn at run time (no image files from elsewhere).
#pragma once

#include <QIcon>

enum class IconKind {
  kApp, kBrowse, kTop, kUp, kDown, kBottom, kCut, kCopy, kPaste, kSave, kOptions, kTidy,
  kAdReport,
};

QIcon MakeIcon(IconKind kind);
