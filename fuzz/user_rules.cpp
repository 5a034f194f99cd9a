// The stored JSON of user classification rules (the settings file is the user's to
// edit): decoding, encoding back without loss, and classifying with what decoded.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "classification/ClipboardUserClassificationRule.h"
#include "classification/LocalClipboardClassificationService.h"

using namespace quellpad;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::startQt(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    const auto rules = decodeUserClassificationRules(bytes, &error);
    if (!rules) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    QString encodeError;
    const std::optional<QByteArray> encoded = encodeUserClassificationRules(*rules, &encodeError);
    FUZZ_CHECK(encoded.has_value());
    const auto again = decodeUserClassificationRules(*encoded);
    FUZZ_CHECK(again.has_value() && *again == *rules);

    // A few rules, each tried on its own condition value: every condition kind runs.
    if (rules->size() > 8) {
        return 0;
    }
    static const LocalClipboardClassificationService service;
    for (const ClipboardUserClassificationRule& rule : *rules) {
        (void)conditionSummary(rule);
        const ClipboardClassificationResult result = service.classify(rule.conditionValue, {}, *rules);
        for (const QString& label : result.userClassifications) {
            FUZZ_CHECK(!label.trimmed().isEmpty());
        }
    }
    return 0;
}
