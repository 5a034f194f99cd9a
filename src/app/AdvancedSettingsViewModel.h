// The "Advanced" page without widgets: the pinyin index and the search index rebuild
// it needs, image text recognition, the accessibility bus and the panel's saved
// position. The rebuild runs off the main thread; its progress and result arrive
// through `changed`, which also fires after any stored value changed.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include "app/AccessibilityPermissionManager.h"
#include "localization/TextKey.h"
#include "settings/ClipboardOCRConfiguration.h"

namespace quellpad {

class ClipboardSearchServiceProtocol;
class DefaultsStore;
class Localizer;

class AdvancedSettingsViewModel final : public QObject {
    Q_OBJECT
public:
    struct Services {
        // The search service in use now (another one after the data directory moved).
        std::function<std::shared_ptr<ClipboardSearchServiceProtocol>()> searchService = nullptr;
        // The recognition languages (raw values such as "en-US") whose data is installed.
        std::function<QStringList()> installedRecognitionLanguages = nullptr;
        // Absent: the state cannot be determined.
        AccessibilityPermissionManager* accessibility = nullptr;
    };

    AdvancedSettingsViewModel(DefaultsStore& defaults, const Localizer& localizer, Services services,
                              QObject* parent = nullptr);

    const Localizer& localizer() const { return localizer_; }

    bool pinyinIndexEnabled() const;
    // Stores the switch and rebuilds the index, since stored items keep the pinyin
    // forms they were written with (once more after a rebuild that is running).
    void setPinyinIndexEnabled(bool enabled);

    // Starts a rebuild unless one runs.
    void rebuildIndex();
    bool isRebuilding() const { return rebuilding_; }
    // Documents written and the history's size; the total is -1 until the first batch.
    qint64 rebuildDone() const { return rebuildDone_; }
    qint64 rebuildTotal() const { return rebuildTotal_; }
    // What the rebuild is doing or how the last one ended; empty before the first.
    QString rebuildStatusLine() const;
    bool lastRebuildFailed() const { return rebuildError_.has_value(); }

    bool imageOCREnabled() const;
    void setImageOCREnabled(bool enabled);
    ClipboardOCRConfiguration ocrConfiguration() const;
    void setOCRLanguageMode(ClipboardOCRLanguageMode mode);
    void setOCRLanguage(ClipboardOCRLanguage language);
    static QList<ClipboardOCRLanguage> ocrLanguages();
    static TextKey displayNameKey(ClipboardOCRLanguage language);
    bool isRecognitionLanguageInstalled(ClipboardOCRLanguage language) const;
    // Why recognition will not read the chosen language; empty when it will.
    QString recognitionNotice() const;

    AccessibilityPermissionStatus accessibilityStatus() const;
    QString accessibilityStatusLine() const;
    bool canRequestAccessibility() const;
    void requestAccessibility();

    bool hasSavedPanelPosition() const;
    // The panel opens at its default place again.
    void resetPanelPosition();

Q_SIGNALS:
    void changed();

private:
    void finishRebuild(std::optional<int> indexed, std::optional<QString> error);

    DefaultsStore& defaults_;
    const Localizer& localizer_;
    Services services_;
    bool rebuilding_ = false;
    bool rebuildAgain_ = false;
    // Progress of an earlier rebuild that arrives late is dropped by its number.
    int rebuildGeneration_ = 0;
    qint64 rebuildDone_ = 0;
    qint64 rebuildTotal_ = -1;
    std::optional<int> rebuildIndexed_;
    std::optional<QString> rebuildError_;
};

} // namespace quellpad
