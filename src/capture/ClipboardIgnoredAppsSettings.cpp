#include "capture/ClipboardIgnoredAppsSettings.h"

#include <algorithm>
#include <set>

#include <QCollator>

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/TextUtilities.h"
#include "settings/AppPreferences.h"
#include "platform/ApplicationRegistry.h"

namespace quellpad {

namespace {

const QString logCategory = QStringLiteral("ClipboardIgnoredApps");
// Located by id only: it ships with the system where it exists at all.
const QString systemPasswordsIdentifier = QStringLiteral("com.apple.Passwords");

bool containsIgnoringCase(const QStringList& list, const QString& value) {
    return list.contains(value, Qt::CaseInsensitive);
}

} // namespace

ClipboardIgnoredAppsSettings::ClipboardIgnoredAppsSettings(DefaultsStore& defaults,
                                                           std::shared_ptr<ApplicationRegistry> registry)
    : defaults_(defaults), registry_(std::move(registry)) {}

ClipboardIgnoredAppsSettings::~ClipboardIgnoredAppsSettings() = default;

const QStringList& ClipboardIgnoredAppsSettings::builtInApplicationNames() {
    static const QStringList names{
        QStringLiteral("1Password"), QStringLiteral("1Password 6"), QStringLiteral("1Password 7"),
        QStringLiteral("1Password 8"), QStringLiteral("Bitwarden"), QStringLiteral("Dashlane"),
        QStringLiteral("LastPass"), QStringLiteral("Keeper"), QStringLiteral("Keeper Password Manager"),
        QStringLiteral("Enpass"), QStringLiteral("NordPass"), QStringLiteral("RoboForm"),
        QStringLiteral("Proton Pass"), QStringLiteral("mSecure"), QStringLiteral("SafeInCloud"),
        QStringLiteral("Sticky Password"), QStringLiteral("Zoho Vault"), QStringLiteral("KeePassXC"),
        QStringLiteral("KeePassX"), QStringLiteral("KeeWeb"), QStringLiteral("Strongbox"), QStringLiteral("MacPass"),
        // The names the same kind of password manager goes by in Linux desktop entries.
        QStringLiteral("KeePass"), QStringLiteral("KeePass2"), QStringLiteral("KeePass 2"), QStringLiteral("Secrets"),
    };
    return names;
}

QStringList ClipboardIgnoredAppsSettings::normalized(const QStringList& identifiers) {
    QStringList result;
    std::set<QString> seen;
    for (const QString& identifier : identifiers) {
        QString trimmed = TextUtilities::trimmedWhitespace(identifier);
        if (!trimmed.isEmpty() && seen.insert(trimmed).second) {
            result.append(std::move(trimmed));
        }
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(result.begin(), result.end(),
                     [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    return result;
}

QStringList ClipboardIgnoredAppsSettings::ignoredAppBundleIdentifiers() const {
    return normalized(AppPreferences(defaults_).ignoredAppBundleIdentifiers());
}

bool ClipboardIgnoredAppsSettings::isIgnored(const std::optional<QString>& bundleIdentifier) const {
    if (!bundleIdentifier) {
        return false;
    }
    const QString wanted = TextUtilities::trimmedWhitespace(*bundleIdentifier);
    if (wanted.isEmpty()) {
        return false;
    }
    // Runs at every poll: membership needs no sorting, only the trimmed entries.
    const QStringList stored = AppPreferences(defaults_).ignoredAppBundleIdentifiers();
    return std::any_of(stored.begin(), stored.end(),
                       [&](const QString& entry) { return TextUtilities::trimmedWhitespace(entry) == wanted; });
}

bool ClipboardIgnoredAppsSettings::addIgnoredApp(const QString& bundleIdentifier) {
    const QString identifier = TextUtilities::trimmedWhitespace(bundleIdentifier);
    if (identifier.isEmpty()) {
        return false;
    }
    std::lock_guard lock(listMutex_);
    QStringList list = ignoredAppBundleIdentifiers();
    if (list.contains(identifier)) {
        return false;
    }
    list.append(identifier);
    AppPreferences(defaults_).setIgnoredAppBundleIdentifiers(normalized(list));
    return true;
}

bool ClipboardIgnoredAppsSettings::removeIgnoredApp(const QString& bundleIdentifier) {
    const QString identifier = TextUtilities::trimmedWhitespace(bundleIdentifier);
    if (identifier.isEmpty()) {
        return false;
    }
    // Worked out before taking the lock: it may scan the installed applications.
    const QStringList defaultList = defaultIgnoredAppBundleIdentifiers();
    std::lock_guard lock(listMutex_);
    QStringList list = ignoredAppBundleIdentifiers();
    if (list.removeAll(identifier) == 0) {
        return false;
    }
    AppPreferences(defaults_).setIgnoredAppBundleIdentifiers(list);
    if (containsIgnoringCase(defaultList, identifier)) {
        recordOptOutLocked(identifier);
    }
    return true;
}

void ClipboardIgnoredAppsSettings::recordOptOutLocked(const QString& identifier) {
    AppPreferences preferences(defaults_);
    QStringList optOut = normalized(preferences.ignoredAppDefaultOptOut());
    if (containsIgnoringCase(optOut, identifier)) {
        return;
    }
    optOut.append(identifier);
    preferences.setIgnoredAppDefaultOptOut(normalized(optOut));
}

QStringList ClipboardIgnoredAppsSettings::defaultIgnoredAppBundleIdentifiers() {
    std::lock_guard lock(defaultListMutex_);
    if (defaultList_) {
        return *defaultList_;
    }
    QStringList identifiers;
    if (registry_) {
        if (registry_->containsApplication(systemPasswordsIdentifier)) {
            identifiers.append(systemPasswordsIdentifier);
        }
        for (const QString& name : builtInApplicationNames()) {
            identifiers.append(registry_->applicationIdentifiers(name));
        }
    }
    defaultList_ = normalized(identifiers);
    Logger::info(QStringLiteral("Found %1 installed password manager(s) for the default ignore list")
                     .arg(defaultList_->size()),
                 logCategory);
    return *defaultList_;
}

bool ClipboardIgnoredAppsSettings::needsDefaultsMerge() const {
    const AppPreferences preferences(defaults_);
    const qint64 version = preferences.ignoredAppDefaultsVersion();
    if (version > 0) {
        return false;
    }
    if (version < 0) {
        return true;
    }
    return !preferences.ignoredAppDefaultsApplied();
}

QFuture<void> ClipboardIgnoredAppsSettings::applyDefaultIgnoredApps() {
    return defaultsQueue_.submit([this] { mergeDefaults(); });
}

void ClipboardIgnoredAppsSettings::mergeDefaults() {
    if (merging_.exchange(true)) {
        return;
    }
    if (!needsDefaultsMerge()) {
        merging_ = false;
        return;
    }
    const QStringList defaultList = defaultIgnoredAppBundleIdentifiers();
    {
        std::lock_guard lock(listMutex_);
        AppPreferences preferences(defaults_);
        QStringList list = ignoredAppBundleIdentifiers();
        const QStringList optOut = normalized(preferences.ignoredAppDefaultOptOut());
        QStringList collected;
        for (const QString& identifier : defaultList) {
            if (!containsIgnoringCase(list, identifier) && !containsIgnoringCase(optOut, identifier)) {
                collected.append(identifier);
            }
        }
        if (!collected.isEmpty()) {
            list.append(collected);
            preferences.setIgnoredAppBundleIdentifiers(normalized(list));
            Logger::info(QStringLiteral("Added default ignored apps: ") + collected.join(QStringLiteral(", ")),
                         logCategory);
        }
        preferences.setIgnoredAppDefaultsVersion(currentDefaultsVersion);
        preferences.setIgnoredAppDefaultsApplied(true);
    }
    merging_ = false;
}

} // namespace quellpad
