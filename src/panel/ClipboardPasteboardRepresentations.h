// What an item offers when it goes back on the clipboard.
#pragma once

#include "history/ClipboardHistoryRecords.h"
#include "platform/Pasteboard.h"

namespace quellpad {

// Images as PNG as stored; text as UTF-8 plain text, followed by its HTML and RTF
// forms unless plainText is asked for.
PasteboardRepresentations pasteboardRepresentations(const ClipboardHistoryContentSnapshot& content,
                                                    bool plainText = false);

} // namespace quellpad
