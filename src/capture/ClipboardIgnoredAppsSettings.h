// The ignore list: application ids whose copies are never recorded, kept in the
// defaults store, and the one-time merge of the password managers found on this
// computer into it. Every list read from or written to the store is normalised.
//
// Entries the user removes that belong to the built-in defaults are remembered as
// opt-outs, so that a later merge (a new built-in list) does not add them back.
// Thread-safe: polls read on the main thread while the merge runs on its own queue;
// changes made through one instance never overwrite each other.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

#include <QFuture>
#include <QString>
#include <QStringList>

#include "Core/Utilities/SerialQueue.h"

namespace quellpad {

class ApplicationRegistry;
class DefaultsStore;

class ClipboardIgnoredAppsSettings {
public:
    // Raised when the built-in list changes, so that its new entries are merged once.
    static constexpr qint64 currentDefaultsVersion = 1;

    // The registry finds the built-in candidates; without one the default list is empty.
    ClipboardIgnoredAppsSettings(DefaultsStore& defaults, std::shared_ptr<ApplicationRegistry> registry);
    ~ClipboardIgnoredAppsSettings();

    ClipboardIgnoredAppsSettings(const ClipboardIgnoredAppsSettings&) = delete;
    ClipboardIgnoredAppsSettings& operator=(const ClipboardIgnoredAppsSettings&) = delete;

    // Entries trimmed of white space and newlines, empty ones and exact duplicates
    // dropped (the first kept), sorted by the locale's case-insensitive order.
    static QStringList normalized(const QStringList& identifiers);

    // The application names searched for among the installed applications, in order.
    static const QStringList& builtInApplicationNames();

    // The stored list, normalised.
    QStringList ignoredAppBundleIdentifiers() const;
    // True exactly when the trimmed id is an element of the stored list (case-sensitive).
    bool isIgnored(const std::optional<QString>& bundleIdentifier) const;
    // Appends the trimmed id unless it is empty or already listed; whether it was added.
    bool addIgnoredApp(const QString& bundleIdentifier);
    // Removes every entry equal to the trimmed id and records the opt-out of a default
    // entry; whether anything was removed.
    bool removeIgnoredApp(const QString& bundleIdentifier);

    // The password managers installed here, normalised; computed once, then kept.
    QStringList defaultIgnoredAppBundleIdentifiers();
    // Whether the stored markers ask for a merge of the default list.
    bool needsDefaultsMerge() const;
    // Merges the default list on the "Quellpad.ClipboardIgnoredAppsSettings.defaults"
    // queue; a merge asked for while one runs is skipped. The future finishes when done.
    QFuture<void> applyDefaultIgnoredApps();

private:
    void mergeDefaults();
    // Caller holds listMutex_.
    void recordOptOutLocked(const QString& identifier);

    DefaultsStore& defaults_;
    std::shared_ptr<ApplicationRegistry> registry_;
    // Serialises read-modify-write of the stored lists.
    mutable std::mutex listMutex_;
    std::mutex defaultListMutex_;
    std::optional<QStringList> defaultList_;
    std::atomic<bool> merging_{false};
    // Declared last: its worker finishes queued merges before the rest goes away.
    SerialQueue defaultsQueue_{QStringLiteral("Quellpad.ClipboardIgnoredAppsSettings.defaults")};
};

} // namespace quellpad
