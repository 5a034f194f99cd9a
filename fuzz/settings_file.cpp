// The settings file, which the user and other processes may edit: decoding, and
// encoding back to a file that decodes to the same typed values.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "platform/linux/JsonFileDefaultsStore.h"

using namespace quellpad;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::startQt(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    const std::optional<QVariantMap> values = JsonFileDefaultsStore::decode(bytes, &error);
    if (!values) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    const std::optional<QVariantMap> again = JsonFileDefaultsStore::decode(JsonFileDefaultsStore::encode(*values), &error);
    FUZZ_CHECK(again.has_value() && again->keys() == values->keys());
    for (auto it = values->cbegin(); it != values->cend(); ++it) {
        FUZZ_CHECK(DefaultsStore::strictlyEqual(it.value(), again->value(it.key())));
    }
    return 0;
}
