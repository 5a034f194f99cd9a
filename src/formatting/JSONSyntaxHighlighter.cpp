#include "formatting/JSONSyntaxHighlighter.h"

#include "Core/Utilities/IcuRegex.h"
#include "formatting/JSONPrettyPrinter.h"
#include "formatting/SyntaxTokenScanners.h"

namespace quellpad {

namespace {

void paintPattern(const std::shared_ptr<const IcuRegex>& pattern, QStringView text, qsizetype offset,
                  SyntaxPaintBuffer& buffer, SyntaxColorRole role) {
    if (pattern == nullptr) {
        return; // a pattern that does not compile colours nothing
    }
    pattern->forEachMatch(text, [&](const IcuRegex::Match& match, const std::optional<IcuRegex::Match>&) {
        buffer.paint(offset + match.start, offset + match.end, role);
        return true;
    });
}

void paintCharacters(QStringView text, qsizetype offset, SyntaxPaintBuffer& buffer, QLatin1String characters,
                     SyntaxColorRole role) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (characters.contains(text[i])) {
            buffer.paint(offset + i, offset + i + 1, role);
        }
    }
}

} // namespace

QString JSONSyntaxHighlighter::format(const QString& text) const { return JSONPrettyPrinter::prettyPrinted(text); }

void JSONSyntaxHighlighter::paint(QStringView text, qsizetype offset, SyntaxPaintBuffer& buffer) {
    static const auto number = IcuRegex::compile(QStringLiteral("-?(?:0|[1-9]\\d*)(?:\\.\\d+)?(?:[eE][+-]?\\d+)?"));
    static const auto literal = IcuRegex::compile(QStringLiteral("\\b(?:true|false|null)\\b"));
    buffer.paint(offset, offset + text.size(), SyntaxColorRole::text);
    paintCharacters(text, offset, buffer, QLatin1String("{}[]"), SyntaxColorRole::bracket);
    paintCharacters(text, offset, buffer, QLatin1String(":,"), SyntaxColorRole::punctuation);
    paintPattern(number, text, offset, buffer, SyntaxColorRole::number);
    paintPattern(literal, text, offset, buffer, SyntaxColorRole::keyword);
    SyntaxTokenScanners::forEachQuotedString(text, u'"', [&](qsizetype start, qsizetype end) {
        buffer.paint(offset + start, offset + end, SyntaxColorRole::string);
    });
    SyntaxTokenScanners::forEachJSONKey(text, [&](qsizetype start, qsizetype end) {
        buffer.paint(offset + start, offset + end, SyntaxColorRole::property);
    });
}

StyledText JSONSyntaxHighlighter::highlight(const QString& text) const {
    SyntaxPaintBuffer buffer(text.size());
    paint(text, 0, buffer);
    return {text, buffer.runs(), theme_};
}

} // namespace quellpad
