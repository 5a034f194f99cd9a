// Closed sets stored by their raw strings: one table per enum gives the order of
// all cases, the raw value of each and the exact, case-sensitive reverse lookup.
#pragma once

#include <array>
#include <optional>
#include <utility>

#include <QString>
#include <QStringView>

namespace quellpad {

template <typename E>
struct RawValueCase {
    E value;
    const char* raw; // ASCII
};

template <typename E, std::size_t N>
QString rawValueOf(const std::array<RawValueCase<E>, N>& table, E value) {
    for (const auto& entry : table) {
        if (entry.value == value) {
            return QString::fromLatin1(entry.raw);
        }
    }
    return {};
}

template <typename E, std::size_t N>
std::optional<E> caseFromRawValue(const std::array<RawValueCase<E>, N>& table, QStringView raw) {
    for (const auto& entry : table) {
        if (raw == QLatin1String(entry.raw)) {
            return entry.value;
        }
    }
    return std::nullopt;
}

} // namespace quellpad
