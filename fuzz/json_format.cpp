// JSON and JSON Lines items: the pretty-printer (its output must parse to the same
// value as its input) and the highlighters over raw and formatted text.
#include <cstddef>
#include <cstdint>

#include <nlohmann/json.hpp>

#include "FuzzSupport.h"
#include "formatting/FormattingError.h"
#include "formatting/JSONLinesSyntaxHighlighter.h"
#include "formatting/JSONPrettyPrinter.h"
#include "formatting/JSONSyntaxHighlighter.h"

using namespace quellpad;

namespace {

void checkRuns(const StyledText& styled) {
    qsizetype end = 0;
    const SyntaxColorRun* previous = nullptr;
    for (const SyntaxColorRun& run : styled.runs) {
        FUZZ_CHECK(run.length > 0);
        FUZZ_CHECK(run.start >= end);
        FUZZ_CHECK(run.start + run.length <= styled.text.size());
        if (previous != nullptr && previous->start + previous->length == run.start) {
            FUZZ_CHECK(previous->role != run.role);
        }
        end = run.start + run.length;
        previous = &run;
    }
}

std::optional<nlohmann::ordered_json> parsed(const QByteArray& utf8) {
    try {
        return nlohmann::ordered_json::parse(utf8.constBegin(), utf8.constEnd());
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::startQt(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte picks UTF-8 or raw UTF-16 (which can carry lone surrogates).
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    const qsizetype length = static_cast<qsizetype>(size - 1);
    const QString text = (data[0] & 1) != 0
                             ? QString(reinterpret_cast<const QChar*>(bytes), length / 2)
                             : QString::fromUtf8(bytes, length);

    const JSONSyntaxHighlighter json;
    const JSONLinesSyntaxHighlighter jsonLines;
    checkRuns(json.highlight(text));
    checkRuns(jsonLines.highlight(text));
    try {
        const QString pretty = JSONPrettyPrinter::prettyPrinted(text);
        const auto before = parsed(text.toUtf8());
        const auto after = parsed(pretty.toUtf8());
        FUZZ_CHECK(after.has_value());
        if (before) {
            FUZZ_CHECK(*before == *after);
        }
        checkRuns(json.highlight(pretty));
    } catch (const FormattingError&) {
    }
    try {
        checkRuns(jsonLines.formatAndHighlight(text));
    } catch (const FormattingError&) {
    }
    return 0;
}
