// SQL items: formatting only moves white space (nothing else is added, dropped or
// reordered), and the colour runs fit the text.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "formatting/SQLSyntaxHighlighter.h"

using namespace quellpad;

namespace {

QString withoutSpaces(const QString& text) {
    QString kept;
    for (const QChar c : text) {
        if (!c.isSpace()) {
            kept.append(c);
        }
    }
    return kept;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::startQt(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const SQLSyntaxHighlighter highlighter;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString formatted = highlighter.format(text);
    FUZZ_CHECK(withoutSpaces(formatted) == withoutSpaces(text));
    for (const QString* shown : {&text, &formatted}) {
        const StyledText styled = highlighter.highlight(*shown);
        FUZZ_CHECK(styled.text == *shown);
        qsizetype end = 0;
        for (const SyntaxColorRun& run : styled.runs) {
            FUZZ_CHECK(run.length > 0 && run.start >= end && run.start + run.length <= shown->size());
            end = run.start + run.length;
        }
    }
    return 0;
}
