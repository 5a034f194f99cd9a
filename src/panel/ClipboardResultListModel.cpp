#include "panel/ClipboardResultListModel.h"

#include <QLocale>

#include "localization/Localizer.h"
#include "panel/ClipboardPanelController.h"
#include "panel/ClipboardPanelViewModel.h"

namespace quellpad {

ClipboardResultListModel::ClipboardResultListModel(ClipboardPanelViewModel& viewModel,
                                                   ClipboardPanelController& controller, const Localizer& localizer,
                                                   QObject* parent)
    : QAbstractListModel(parent), viewModel_(viewModel), controller_(controller), localizer_(localizer) {
    connect(&viewModel_, &ClipboardPanelViewModel::clipboardItemsChanged, this, &ClipboardResultListModel::followItems);
    connect(&viewModel_, &ClipboardPanelViewModel::canLoadMoreChanged, this,
            &ClipboardResultListModel::followCanLoadMore);
    connect(&viewModel_, &ClipboardPanelViewModel::selectedIndexChanged, this,
            &ClipboardResultListModel::followSelection);
    connect(&controller_, &ClipboardPanelController::filterSuggestionsChanged, this,
            &ClipboardResultListModel::followSuggestions);
    resetFromSource();
}

int ClipboardResultListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    if (mode_ == ClipboardResultListContentMode::filterSuggestions) {
        return static_cast<int>(shownSuggestions_.size());
    }
    return static_cast<int>(shownItems_.size()) + (shownShowMore_ ? 1 : 0);
}

ClipboardResultListModel::RowKind ClipboardResultListModel::rowKind(int row) const {
    if (mode_ == ClipboardResultListContentMode::filterSuggestions) {
        return RowKind::suggestion;
    }
    return row < static_cast<int>(shownItems_.size()) ? RowKind::item : RowKind::showMore;
}

int ClipboardResultListModel::selectedRow() const {
    if (mode_ == ClipboardResultListContentMode::filterSuggestions) {
        const int index = controller_.selectedSuggestionIndex();
        return index >= 0 && index < static_cast<int>(shownSuggestions_.size()) ? index : -1;
    }
    if (shownItems_.empty()) {
        return -1;
    }
    const int index = viewModel_.selectedIndex();
    return index >= 0 && index < static_cast<int>(shownItems_.size()) ? index : -1;
}

QVariant ClipboardResultListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const int row = index.row();
    if (role == SelectedRole) {
        return row == selectedRow();
    }
    if (role == RowKindRole) {
        return QVariant::fromValue(rowKind(row));
    }
    switch (rowKind(row)) {
    case RowKind::showMore:
        if (role == Qt::DisplayRole || role == PreviewRole || role == Qt::AccessibleTextRole) {
            return localizer_.text(TextKey::panelShowMore);
        }
        return {};
    case RowKind::suggestion: {
        const ClipboardFilterSuggestion& suggestion = shownSuggestions_[static_cast<std::size_t>(row)].suggestion;
        switch (role) {
        case Qt::DisplayRole:
        case PreviewRole:
        case Qt::AccessibleTextRole:
            return suggestion.displayName;
        case ClassificationRole:
            return suggestion.insertToken;
        default:
            return {};
        }
    }
    case RowKind::item:
        break;
    }
    const ClipboardHistoryIndexSnapshot& item = shownItems_[static_cast<std::size_t>(row)];
    switch (role) {
    case Qt::DisplayRole:
    case PreviewRole:
    case Qt::AccessibleTextRole:
        // One line: the view elides; line breaks would make the row's name ragged.
        return item.contentType == ClipboardContentType::image ? imageRowText(item, localizer_) : item.preview.simplified();
    case Qt::ToolTipRole:
        return item.preview.left(500);
    case IdRole:
        return item.id;
    case ContentTypeRole:
        return rawValue(item.contentType);
    case ClassificationRole:
        return item.classification.value_or(QString());
    case SourceApplicationRole:
        return item.bundleIdentifier ? shortApplicationName(*item.bundleIdentifier) : QString();
    case RelativeDateRole:
        return relativeDate(sortDate(item), now_(), localizer_);
    default:
        return {};
    }
}

QHash<int, QByteArray> ClipboardResultListModel::roleNames() const {
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(PreviewRole, "preview");
    names.insert(IdRole, "itemId");
    names.insert(ContentTypeRole, "contentType");
    names.insert(ClassificationRole, "classification");
    names.insert(SourceApplicationRole, "sourceApplication");
    names.insert(RelativeDateRole, "relativeDate");
    names.insert(SelectedRole, "selected");
    names.insert(RowKindRole, "rowKind");
    return names;
}

bool ClipboardResultListModel::hasShowMoreRow() const {
    return viewModel_.canLoadMore() && !viewModel_.clipboardItems().empty();
}

void ClipboardResultListModel::resetFromSource() {
    mode_ = controller_.contentMode();
    shownItems_ = viewModel_.clipboardItems();
    shownShowMore_ = hasShowMoreRow();
    shownSuggestions_ = controller_.filterSuggestions();
    shownSelectedRow_ = selectedRow();
}

void ClipboardResultListModel::followItems() {
    if (mode_ != ClipboardResultListContentMode::history) {
        // Rows arriving behind the suggestions are picked up when they close.
        beginResetModel();
        resetFromSource();
        endResetModel();
        return;
    }
    const auto& items = viewModel_.clipboardItems();
    const std::size_t oldCount = shownItems_.size();
    const bool prefixKept = items.size() >= oldCount && oldCount > 0 &&
                            std::equal(shownItems_.begin(), shownItems_.end(), items.begin(),
                                       [](const auto& shown, const auto& item) { return shown.id == item.id; });
    if (prefixKept) {
        // A page appended: insert after the last item (before the "Show More" row).
        if (items.size() > oldCount) {
            beginInsertRows({}, static_cast<int>(oldCount), static_cast<int>(items.size()) - 1);
            for (std::size_t i = oldCount; i < items.size(); ++i) {
                shownItems_.push_back(items[i]);
            }
            endInsertRows();
        } else {
            // Same ids; contents (preview, usage) may have changed.
            shownItems_ = items;
            if (!shownItems_.empty()) {
                Q_EMIT dataChanged(index(0), index(static_cast<int>(shownItems_.size()) - 1));
            }
        }
        followCanLoadMore();
        followSelection();
        return;
    }
    if (items.size() + 1 == oldCount) {
        // One row removed?
        std::size_t removed = 0;
        while (removed < items.size() && items[removed].id == shownItems_[removed].id) {
            ++removed;
        }
        bool restMatches = true;
        for (std::size_t i = removed; i < items.size(); ++i) {
            if (items[i].id != shownItems_[i + 1].id) {
                restMatches = false;
                break;
            }
        }
        if (restMatches) {
            beginRemoveRows({}, static_cast<int>(removed), static_cast<int>(removed));
            shownItems_.erase(shownItems_.begin() + static_cast<std::ptrdiff_t>(removed));
            endRemoveRows();
            followCanLoadMore();
            followSelection();
            return;
        }
    }
    beginResetModel();
    resetFromSource();
    endResetModel();
}

void ClipboardResultListModel::followCanLoadMore() {
    if (mode_ != ClipboardResultListContentMode::history) {
        return;
    }
    const bool wanted = hasShowMoreRow();
    if (wanted == shownShowMore_) {
        return;
    }
    const int row = static_cast<int>(shownItems_.size());
    if (wanted) {
        beginInsertRows({}, row, row);
        shownShowMore_ = true;
        endInsertRows();
    } else {
        beginRemoveRows({}, row, row);
        shownShowMore_ = false;
        endRemoveRows();
    }
}

void ClipboardResultListModel::followSelection() {
    const int previous = shownSelectedRow_;
    shownSelectedRow_ = selectedRow();
    if (previous == shownSelectedRow_) {
        return;
    }
    emitRowChanged(previous, {SelectedRole});
    emitRowChanged(shownSelectedRow_, {SelectedRole});
}

void ClipboardResultListModel::followSuggestions() {
    const ClipboardResultListContentMode mode = controller_.contentMode();
    if (mode == mode_ && mode == ClipboardResultListContentMode::filterSuggestions &&
        controller_.filterSuggestions() == shownSuggestions_) {
        followSelection(); // only the highlighted suggestion moved
        return;
    }
    if (mode == mode_ && mode == ClipboardResultListContentMode::history) {
        return;
    }
    beginResetModel();
    resetFromSource();
    endResetModel();
}

void ClipboardResultListModel::emitRowChanged(int row, const QList<int>& roles) {
    if (row >= 0 && row < rowCount()) {
        Q_EMIT dataChanged(index(row), index(row), roles);
    }
}

void ClipboardResultListModel::refreshTexts() {
    if (rowCount() > 0) {
        Q_EMIT dataChanged(index(0), index(rowCount() - 1));
    }
}

QString ClipboardResultListModel::imageRowText(const ClipboardHistoryIndexSnapshot& item, const Localizer& localizer) {
    // Words recognised in the image say more than its size.
    const QString recognized = item.searchText.simplified();
    if (!recognized.isEmpty()) {
        return recognized.left(300);
    }
    // The stored preview is "Image 1920x1080" in English; the row speaks the interface language.
    QString size = item.preview.simplified();
    if (size.startsWith(QLatin1String("Image"))) {
        size = size.mid(5).trimmed();
    }
    size.replace(QLatin1Char('x'), QStringLiteral(" × "));
    const QString word = localizer.text(TextKey::mainContentTypeImage);
    return size.isEmpty() ? word : word + QLatin1Char(' ') + size;
}

QString ClipboardResultListModel::shortApplicationName(const QString& bundleIdentifier) {
    QString name = bundleIdentifier.trimmed();
    if (name.endsWith(QLatin1String(".desktop"))) {
        name.chop(8);
    }
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && dot + 1 < name.size() ? name.mid(dot + 1) : name;
}

QString ClipboardResultListModel::relativeDate(const QDateTime& date, const QDateTime& now, const Localizer& localizer) {
    if (!date.isValid()) {
        return {};
    }
    const qint64 seconds = date.secsTo(now);
    if (seconds < 60) {
        // A clock set back shows "Just now" rather than a negative age.
        return localizer.text(TextKey::dateJustNow);
    }
    if (seconds < 3600) {
        return localizer.text(TextKey::dateMinutesAgo, {QString::number(seconds / 60)});
    }
    const QDate day = date.toLocalTime().date();
    const QDate today = now.toLocalTime().date();
    if (day == today) {
        return localizer.text(TextKey::dateHoursAgo, {QString::number(seconds / 3600)});
    }
    if (day.addDays(1) == today) {
        return localizer.text(TextKey::dateYesterday);
    }
    const bool chinese = localizer.language() == AppLanguage::simplifiedChinese;
    const QLocale locale(chinese ? QLocale::Chinese : QLocale::English,
                         chinese ? QLocale::China : QLocale::UnitedStates);
    return locale.toString(day, QLocale::ShortFormat);
}

QString ClipboardResultListModel::emptyStateText() const {
    if (viewModel_.isLoading()) return localizer_.text(TextKey::panelLoading);
    if (viewModel_.isShowingSearchResults() || !viewModel_.searchText().isEmpty()) {
        return localizer_.text(TextKey::panelNoMatches);
    }
    return localizer_.text(TextKey::panelEmpty);
}

} // namespace quellpad
