// What a pin window's Copy puts on the clipboard, as the panel that pinned the item
// supplies it: an edited text as plain text; otherwise the item as the history stores
// it, or, when the item has been deleted since it was pinned, the content the window
// shows. Main thread only.
#pragma once

#include <functional>
#include <memory>

#include "history/ClipboardHistoryRecords.h"
#include "pin/PinWindowViewModel.h"

namespace quellpad {

class ClipboardHistoryManagerProtocol;
class Pasteboard;

// `history` is asked at each copy, so a rebuilt history is the one used.
PinCopyHandler makeClipboardPinCopyHandler(std::function<std::shared_ptr<ClipboardHistoryManagerProtocol>()> history,
                                           Pasteboard& pasteboard, ClipboardHistoryContentSnapshot pinned);

} // namespace quellpad
