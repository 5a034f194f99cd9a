// RTF and HTML renditions another application put on the clipboard, read as plain
// text. The text becomes a stored item, so it must be well-formed UTF-16.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "capture/ClipboardRichTextPlainText.h"

using namespace quellpad;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::startQt(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString fromRTF = ClipboardRichTextPlainText::fromRTF(bytes);
    FUZZ_CHECK(fromRTF.isValidUtf16());
    const QString fromHTML = ClipboardRichTextPlainText::fromHTML(bytes);
    FUZZ_CHECK(fromHTML.isValidUtf16());
    return 0;
}
