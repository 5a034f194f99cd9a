// Copied text through every system detector, the link detector and the primary
// classification, as capture runs them on each copy.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "Core/Utilities/TextUtilities.h"
#include "classification/ClipboardClassificationSettings.h"
#include "classification/ClipboardLinkDetector.h"
#include "classification/LocalClipboardClassificationService.h"

using namespace quellpad;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::startQt(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const LocalClipboardClassificationService service;
    static const ClipboardSystemClassificationSet everything = [] {
        ClipboardSystemClassificationSet all;
        for (std::size_t k = 0; k < systemClassificationCount; ++k) {
            all.insert(static_cast<ClipboardSystemClassification>(k));
        }
        return all;
    }();
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const ClipboardClassificationResult result = service.classify(text, everything, {});
    FUZZ_CHECK(!result.primaryClassification.isEmpty());

    const QString trimmed = TextUtilities::trimmedWhitespace(text);
    if (const std::optional<ClipboardDetectedLink> link = ClipboardLinkDetector::detect(trimmed)) {
        FUZZ_CHECK(link->scheme == QLatin1String("http") || link->scheme == QLatin1String("https"));
        FUZZ_CHECK(!link->host.isEmpty() && !link->asciiHost.isEmpty());
        FUZZ_CHECK(!link->port || (*link->port >= 0 && *link->port <= 65535));
        for (const QString& component : link->pathComponents) {
            FUZZ_CHECK(!component.isEmpty());
        }
    }
    (void)ClipboardLinkDetector::asciiDomain(trimmed);
    return 0;
}
