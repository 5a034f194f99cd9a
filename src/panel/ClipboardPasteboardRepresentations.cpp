#include "panel/ClipboardPasteboardRepresentations.h"

namespace quellpad {

PasteboardRepresentations pasteboardRepresentations(const ClipboardHistoryContentSnapshot& content, bool plainText) {
    if (content.imageData) {
        return {{PasteboardTypes::png, *content.imageData}};
    }
    PasteboardRepresentations representations{{PasteboardTypes::plainText, content.content.toUtf8()}};
    if (plainText) return representations;
    if (content.richTextHTMLData) representations.emplace_back(PasteboardTypes::html, *content.richTextHTMLData);
    if (content.richTextRTFData) representations.emplace_back(PasteboardTypes::rtf, *content.richTextRTFData);
    return representations;
}

} // namespace quellpad
