// What the panel's detail pane shows for one item: a bounded text (coloured when it is
// formatted), or an image decoded at the pane's size with its recognised text, plus
// short notices. Built off the main thread; the pane only draws it.
#pragma once

#include <optional>
#include <vector>

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include "formatting/SyntaxHighlighting.h"
#include "localization/TextKey.h"

namespace quellpad {

struct ClipboardDetailPresentation {
    enum class Kind {
        empty,       // nothing selected
        text,        // text items, formatted or not
        image,       // image items (image may be null when it could not be decoded)
        unavailable, // the item's content is gone (deleted meanwhile)
    };

    // A line shown under the content, localized when drawn so that a language switch
    // needs no new presentation.
    struct Notice {
        TextKey key;
        QStringList arguments;
        // The arguments are themselves a text key's (a formatting error's reason).
        std::optional<TextKey> reasonKey;

        bool operator==(const Notice&) const = default;
    };

    Kind kind = Kind::empty;
    QString itemId;

    QString text;                     // at most maximumDisplayedCharacters
    std::vector<SyntaxColorRun> runs; // colours of text when formatted
    SyntaxColorTheme theme;
    bool isFormattable = false;       // the item has a formatter (the toggle applies)
    bool isFormatted = false;         // text is the formatter's output
    std::optional<QString> formattedText; // the whole formatted text (copy, open, save use it)

    QImage image;          // scaled to fit the pane, never above the image's own size
    QSize imagePixelSize;  // the image's own size; invalid when unknown
    std::optional<QString> ocrText;

    std::optional<QString> sourceApplication;
    qint64 useCount = 0;

    std::vector<Notice> notices;
};

} // namespace quellpad
