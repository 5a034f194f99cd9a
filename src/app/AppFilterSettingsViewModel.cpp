#include "app/AppFilterSettingsViewModel.h"

#include <algorithm>
#include <map>

#include "capture/ClipboardIgnoredAppsSettings.h"
#include "localization/Localizer.h"
#include "platform/DefaultsStore.h"

namespace quellpad {

AppFilterSettingsViewModel::AppFilterSettingsViewModel(DefaultsStore& defaults, ClipboardIgnoredAppsSettings& ignoredApps,
                                                       const Localizer& localizer, Services services, QObject* parent)
    : QObject(parent), defaults_(defaults), ignoredApps_(ignoredApps), localizer_(localizer),
      services_(std::move(services)) {
    connect(&defaults_, &DefaultsStore::changed, this, &AppFilterSettingsViewModel::changed);
}

QList<AppFilterSettingsViewModel::Entry> AppFilterSettingsViewModel::ignoredApplications() const {
    std::map<QString, InstalledApplication> installed;
    if (services_.installedApplications) {
        for (InstalledApplication& application : services_.installedApplications()) {
            installed.emplace(application.identifier, std::move(application));
        }
    }
    QList<Entry> entries;
    for (const QString& identifier : ignoredApps_.ignoredAppBundleIdentifiers()) {
        const auto found = installed.find(identifier);
        if (found == installed.end()) {
            entries.append({identifier, identifier, QString(), false});
        } else {
            entries.append({identifier, found->second.name, found->second.iconName, true});
        }
    }
    return entries;
}

QList<AppFilterSettingsViewModel::Entry> AppFilterSettingsViewModel::addableApplications(const QString& query) const {
    if (!services_.installedApplications) return {};
    const QStringList ignored = ignoredApps_.ignoredAppBundleIdentifiers();
    const QString wanted = query.trimmed();
    QList<Entry> addable;
    for (const InstalledApplication& application : services_.installedApplications()) {
        if (ignored.contains(application.identifier)) continue;
        if (!wanted.isEmpty() && !application.name.contains(wanted, Qt::CaseInsensitive) &&
            !application.identifier.contains(wanted, Qt::CaseInsensitive)) {
            continue;
        }
        addable.append({application.identifier, application.name, application.iconName, true});
    }
    std::stable_sort(addable.begin(), addable.end(), [](const Entry& a, const Entry& b) {
        return QString::localeAwareCompare(a.name.toCaseFolded(), b.name.toCaseFolded()) < 0;
    });
    return addable;
}

void AppFilterSettingsViewModel::addIgnoredApp(const QString& identifier) { ignoredApps_.addIgnoredApp(identifier); }

void AppFilterSettingsViewModel::removeIgnoredApp(const QString& identifier) {
    ignoredApps_.removeIgnoredApp(identifier);
}

QString AppFilterSettingsViewModel::sessionNotice() const {
    return services_.cannotTellActiveApplication ? localizer_.text(TextKey::settingsIgnoredAppsWaylandNotice) : QString();
}

} // namespace quellpad
