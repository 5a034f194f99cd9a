#include "formatting/JSONLinesSyntaxHighlighter.h"

#include "Core/Utilities/TextUtilities.h"
#include "Core/Utilities/TextScanning.h"
#include "formatting/FormattingError.h"
#include "formatting/JSONPrettyPrinter.h"

namespace quellpad {

QString JSONLinesSyntaxHighlighter::format(const QString& text) const {
    QStringList blocks;
    TextScanning::forEachLine(text, [&](QStringView line) {
        const QString trimmed = TextUtilities::trimmedWhitespace(line);
        if (trimmed.isEmpty()) {
            return true;
        }
        try {
            blocks.push_back(TextUtilities::trimmedWhitespace(JSONPrettyPrinter::prettyPrinted(trimmed)));
        } catch (const FormattingError&) {
            blocks.push_back(trimmed);
        }
        return true;
    });
    return blocks.join(QStringLiteral("\n\n"));
}

StyledText JSONLinesSyntaxHighlighter::highlight(const QString& text) const {
    QString output;
    output.reserve(text.size());
    SyntaxPaintBuffer buffer;
    TextScanning::forEachLine(text, [&](QStringView line) {
        if (!TextUtilities::trimmedWhitespace(line).isEmpty()) {
            const qsizetype offset = output.size();
            output.append(line);
            buffer.extend(line.size());
            JSONSyntaxHighlighter::paint(line, offset, buffer);
        }
        output.append(QLatin1Char('\n'));
        buffer.extend(1);
        return true;
    });
    if (output.endsWith(QLatin1Char('\n'))) {
        output.chop(1);
        buffer.truncate(output.size());
    }
    return {output, buffer.runs(), jsonHighlighter_.theme()};
}

} // namespace quellpad
