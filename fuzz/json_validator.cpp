// The UTF-16 JSON validator against the JSON parser it must agree with: for every
// valid UTF-8 input both say alike whether it is one object or array.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "Core/Utilities/TextUtilities.h"
#include "classification/ClipboardSystemClassificationDetectors.h"
#include "classification/JSONTextValidator.h"

using namespace quellpad;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::startQt(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<QString> text = TextUtilities::decodeUtf8(bytes);
    if (!text) {
        // Replacement characters make the two readers see different texts; the
        // validator must still finish.
        (void)JSONTextValidator::isContainer(QString::fromUtf8(bytes), 16);
        return 0;
    }
    const int depth = ClipboardClassificationDetectors::maximumJSONNestingDepth;
    const bool byValidator = JSONTextValidator::isContainer(*text, depth);
    const bool byParser = ClipboardClassificationDetectors::isJSONContainer(bytes.constData(),
                                                                           bytes.constData() + bytes.size());
    if (byValidator != byParser) {
        std::fprintf(stderr, "validator=%d parser=%d\n", byValidator, byParser);
    }
    FUZZ_CHECK(byValidator == byParser);
    return 0;
}
