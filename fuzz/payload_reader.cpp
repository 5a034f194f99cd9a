// What a clipboard owner offers, as the X11 connection hands it over: a set of
// renditions (text, RTF, HTML, URI lists, images, the password-manager hint) read
// into the one payload that capture stores. The fingerprint used to re-baseline
// must be the one the captured payload carries.
//
// The X11 transfer code itself (TARGETS, INCR) lives inside the connection's Xlib
// thread and is exercised by the X11 tests, not here.
#include <cstddef>
#include <cstdint>

#include <fuzzer/FuzzedDataProvider.h>

#include <QImageReader>

#include "FuzzSupport.h"
#include "Core/Utilities/TextUtilities.h"
#include "capture/ClipboardPayloadReader.h"
#include "platform/QtImageCodec.h"
#include "platform/fake/FakePasteboard.h"

using namespace quellpad;

namespace {

const QStringList offeredTypes{
    PasteboardTypes::plainText, PasteboardTypes::html,        PasteboardTypes::rtf,
    PasteboardTypes::uriList,   PasteboardTypes::gnomeCopiedFiles, PasteboardTypes::png,
    PasteboardTypes::tiff,      QStringLiteral("image/bmp"),  PasteboardTypes::passwordManagerHint,
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::startQt(argc, argv);
    QImageReader::setAllocationLimit(32);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider provider(data, size);
    const auto offered = provider.ConsumeIntegral<uint16_t>();
    const qint64 maxBytes = provider.ConsumeIntegralInRange<qint64>(0, 1 << 20);
    PasteboardRepresentations representations;
    for (qsizetype k = 0; k < offeredTypes.size(); ++k) {
        if ((offered & (1u << k)) != 0) {
            const std::string bytes = provider.ConsumeRandomLengthString(1 << 16);
            representations.emplace_back(offeredTypes[k], QByteArray::fromStdString(bytes));
        }
    }
    FakePasteboard pasteboard;
    pasteboard.setContent(representations);
    QtImageCodec codec;
    ClipboardPayloadReader reader(pasteboard, codec);

    (void)reader.carriesSecretHint();
    const std::optional<ClipboardMonitoredPayload> payload = reader.readMonitoredPayload(maxBytes, true, true);
    const std::optional<QString> fingerprint = reader.currentFingerprint(maxBytes);
    if (payload) {
        FUZZ_CHECK(fingerprint == payload->fingerprint);
        if (const auto* text = std::get_if<ClipboardTextPayload>(&payload->content)) {
            FUZZ_CHECK(!TextUtilities::trimmedWhitespace(text->plainText).isEmpty());
            FUZZ_CHECK(text->plainText.isValidUtf16());
        } else {
            const auto& image = std::get<ClipboardImagePayload>(payload->content);
            FUZZ_CHECK(!image.imageData.isEmpty() && image.imageData.size() <= maxBytes);
        }
    }
    return 0;
}
