// An application registry filled by the test; counts lookups by name.
#pragma once

#include <atomic>
#include <map>
#include <mutex>

#include "platform/ApplicationRegistry.h"

namespace quellpad {

class FakeApplicationRegistry final : public ApplicationRegistry {
public:
    void install(const QString& name, const QString& bundleIdentifier) {
        std::lock_guard lock(mutex_);
        applications_.emplace(name.toCaseFolded(), bundleIdentifier);
        identifiers_.append(bundleIdentifier);
    }

    bool containsApplication(const QString& bundleIdentifier) override {
        std::lock_guard lock(mutex_);
        return identifiers_.contains(bundleIdentifier);
    }
    QStringList applicationIdentifiers(const QString& name) override {
        ++lookups;
        std::lock_guard lock(mutex_);
        QStringList found;
        const auto [first, last] = applications_.equal_range(name.toCaseFolded());
        for (auto it = first; it != last; ++it) {
            found.append(it->second);
        }
        return found;
    }

    std::atomic<int> lookups{0};

private:
    std::mutex mutex_;
    std::multimap<QString, QString> applications_;
    QStringList identifiers_;
};

} // namespace quellpad
