#include "history/ClipboardHistoryAutoCleanupRunner.h"

#include "Core/Utilities/Logger.h"
#include "settings/AppPreferences.h"
#include "history/ClipboardHistoryRepositoryProtocol.h"

namespace quellpad {

namespace {

const QString logCategory = QStringLiteral("ClipboardAutoCleanup");

} // namespace

ClipboardHistoryAutoCleanupRunner::ClipboardHistoryAutoCleanupRunner(
    std::shared_ptr<ClipboardHistoryRepositoryProtocol> repository, DefaultsStore& userDefaults,
    double minimumCleanupInterval, DateProvider dateProvider)
    : repository_(std::move(repository)),
      userDefaults_(userDefaults),
      minimumCleanupInterval_(minimumCleanupInterval),
      dateProvider_(dateProvider ? std::move(dateProvider) : DateProvider([] { return QDateTime::currentDateTimeUtc(); })) {}

int ClipboardHistoryAutoCleanupRunner::runCleanupIfNeeded(ClipboardContentType contentType, bool force) {
    const QDateTime now = dateProvider_();
    const AppPreferences preferences(userDefaults_);
    const ClipboardAutoCleanupPolicy policy = contentType == ClipboardContentType::text
                                                  ? preferences.textAutoCleanupPolicy()
                                                  : preferences.imageAutoCleanupPolicy();
    const std::optional<int> days = retentionDays(policy);
    if (!days) {
        return 0;
    }
    const QDateTime cutoff = now.addSecs(-qint64(*days) * 86400);

    if (!force) {
        const auto last = lastCleanupDatesByContentType_.find(contentType);
        // A negative elapsed time (the clock went back) also counts as too soon.
        if (last != lastCleanupDatesByContentType_.end() &&
            double(last->second.msecsTo(now)) / 1000.0 < minimumCleanupInterval_) {
            return 0;
        }
    }

    const int deleted = repository_->deleteExpiredItems(contentType, cutoff);
    lastCleanupDatesByContentType_[contentType] = now;
    if (deleted > 0) {
        Logger::info(QStringLiteral("Auto-cleaned %1 %2 history items").arg(deleted).arg(rawValue(contentType)),
                     logCategory);
    }
    return deleted;
}

std::optional<QDateTime> ClipboardHistoryAutoCleanupRunner::lastCleanupDate(ClipboardContentType contentType) const {
    const auto it = lastCleanupDatesByContentType_.find(contentType);
    if (it == lastCleanupDatesByContentType_.end()) {
        return std::nullopt;
    }
    return it->second;
}

} // namespace quellpad
