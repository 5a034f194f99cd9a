// What the accessibility interface tells about the element that has the keyboard
// focus, read in one go so that the caret rules run on plain values. Rectangles are in
// desktop coordinates: the root window's, origin at the desktop's top-left corner, y
// downwards. A missing value is one the application did not answer.
#pragma once

#include <optional>

#include <QRectF>
#include <QString>

namespace quellpad {

struct AccessibleTextRange {
    int location = 0;
    int length = 0;
    bool operator==(const AccessibleTextRange&) const = default;
};

struct FocusedTextElement {
    QString role;                    // the interface's role name ("entry", "text", "document web", ...)
    bool isEditable = false;         // the element says it is editable
    bool implementsText = false;     // it offers the text interface (caret, extents)
    bool descendantHasSelection = false; // for documents: a text descendant has a caret
    std::optional<AccessibleTextRange> selection; // the selection, else the caret as an empty range
    std::optional<QRectF> boundsForSelection;     // extents of the selected range (or the caret's character)
    std::optional<QRectF> boundsAtSelectionEnd;   // the empty range at location + length
    std::optional<QRectF> boundsAtLocation;       // the empty range at the selection's location
    std::optional<AccessibleTextRange> visibleRange; // not offered by every backend
    std::optional<QRectF> textMarkerBounds;          // not offered by every backend
    std::optional<QString> text;     // the element's text (possibly cut at a length limit)
    std::optional<QRectF> frame;     // the element's extents
    std::optional<QRectF> windowFrame; // its top-level window's extents
};

} // namespace quellpad
