// The stored JSON of the panel shortcut (the settings file is the user's to edit):
// decoding never fails silently, and what decodes encodes back to itself and has a
// display text and a verdict.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "hotkey/KeyCombo.h"

using namespace quellpad;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::startQt(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    const std::optional<KeyCombo> combo = KeyCombo::fromJson(bytes, &error);
    if (!combo) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    FUZZ_CHECK((combo->modifierFlags & ~ModifierFlag::all) == 0);
    FUZZ_CHECK(KeyCombo::fromJson(combo->toJson()) == combo);
    (void)combo->displayText();
    FUZZ_CHECK(!combo->desktopText().isEmpty());
    (void)refusalOf(*combo);
    return 0;
}
