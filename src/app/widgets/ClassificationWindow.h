// The classification window: the detectors and content types with their switches,
// the user rules with their editor, and a test page. It re-reads everything whenever
// a setting changes (here, elsewhere or from `quellpad config`), so a language change
// re-translates it at once.
#pragma once

#include <vector>

#include <QWidget>

#include "app/ClassificationWindowPresenting.h"

class QCheckBox;
class QLabel;
class QTabWidget;

namespace quellpad {

class ClassificationRulesPage;
class ClassificationTestPage;
class ClassificationViewModel;

class ClassificationWindow final : public QWidget, public ClassificationWindowPresenting {
    Q_OBJECT
public:
    enum class Page { detectors, rules, test };

    explicit ClassificationWindow(ClassificationViewModel& model, QWidget* parent = nullptr);

    void present() override;
    bool isPresented() const override { return isVisible(); }
    void showPage(Page page);
    QStringList pageNames() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* makeDetectorsPage();
    void refresh();

    ClassificationViewModel& model_;
    QTabWidget* tabs_;
    QLabel* systemTitle_ = nullptr;
    QLabel* systemDescription_ = nullptr;
    std::vector<QLabel*> groupTitles_;        // general, developer
    std::vector<QCheckBox*> systemSwitches_;  // definition order
    std::vector<QLabel*> systemSummaries_;
    QLabel* typesTitle_ = nullptr;
    QLabel* typesDescription_ = nullptr;
    std::vector<QCheckBox*> typeSwitches_;    // text, image
    QLabel* storeError_ = nullptr;
    ClassificationRulesPage* rules_;
    ClassificationTestPage* test_;
};

} // namespace quellpad
