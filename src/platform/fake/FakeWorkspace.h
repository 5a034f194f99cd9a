// A workspace whose frontmost application is set by the test.
#pragma once

#include <vector>

#include "platform/Workspace.h"

namespace quellpad {

class FakeWorkspace final : public Workspace {
public:
    explicit FakeWorkspace(std::optional<QString> ownBundleIdentifier = QStringLiteral("quellpad"))
        : own_(std::move(ownBundleIdentifier)) {}

    void setFrontmost(std::optional<RunningApplication> application) { frontmost_ = std::move(application); }
    void setFrontmostBundleIdentifier(const std::optional<QString>& bundleIdentifier) {
        frontmost_ = RunningApplication{bundleIdentifier, 4242};
    }

    std::optional<RunningApplication> frontmostApplication() override { return frontmost_; }
    std::optional<QString> ownBundleIdentifier() const override { return own_; }
    bool openUrl(const QUrl& url, QString* error = nullptr) override {
        openedUrls.push_back(url);
        if (!openSucceeds && error) *error = QStringLiteral("fake open failure");
        return openSucceeds;
    }
    bool revealFile(const QString& path, QString* error = nullptr) override {
        revealedFiles.push_back(path);
        if (!openSucceeds && error) *error = QStringLiteral("fake reveal failure");
        return openSucceeds;
    }

    std::vector<QUrl> openedUrls;
    std::vector<QString> revealedFiles;
    bool openSucceeds = true;

private:
    std::optional<QString> own_;
    std::optional<RunningApplication> frontmost_ = RunningApplication{QStringLiteral("org.example.Editor"), 4242};
};

} // namespace quellpad
