// The panel's result list as a Qt item model: one row per loaded history item and a
// trailing "Show More" row while more rows exist, or the filter suggestions while the
// user types a filter token. Knows nothing of painting; the view binds it.
//
// It follows the view model: a load-more append becomes an insertion (the view keeps
// its scroll position), a single removal a removal, anything else a reset.
#pragma once

#include <functional>
#include <vector>

#include <QAbstractListModel>
#include <QDateTime>

#include "history/ClipboardHistoryRecords.h"
#include "panel/ClipboardResultListTypes.h"
#include "search/ClipboardFilterSuggestions.h"

namespace quellpad {

class ClipboardPanelController;
class ClipboardPanelViewModel;
class Localizer;

class ClipboardResultListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        PreviewRole = Qt::UserRole + 1, // one line; the view elides it
        IdRole,                         // item id; empty for other rows
        ContentTypeRole,                // "text" / "image"; empty for other rows
        ClassificationRole,             // stored label, or the suggestion's token
        SourceApplicationRole,          // short name of the application copied from
        RelativeDateRole,               // "5 min ago", "Yesterday", a date
        SelectedRole,                   // bool
        RowKindRole,                    // RowKind
    };
    enum class RowKind { item, showMore, suggestion };
    Q_ENUM(RowKind)

    ClipboardResultListModel(ClipboardPanelViewModel& viewModel, ClipboardPanelController& controller,
                             const Localizer& localizer, QObject* parent = nullptr);

    // What the list area says while it has no rows: loading, no matches for the
    // search, or no history at all.
    QString emptyStateText() const;

    // The clock the relative dates are measured against (tests fix it).
    void setNow(std::function<QDateTime()> now) { now_ = std::move(now); }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    ClipboardResultListContentMode contentMode() const { return mode_; }
    RowKind rowKind(int row) const;
    // The row the panel's selection stands on, -1 when there is none.
    int selectedRow() const;
    // Re-reads texts that depend on the interface language or the clock.
    void refreshTexts();

    // An image row's text: its recognised words, else "Image 1920 × 1080" in the interface language.
    static QString imageRowText(const ClipboardHistoryIndexSnapshot& item, const Localizer& localizer);
    // "TextEditor" for "org.gnome.TextEditor": what a row shows of the source application.
    static QString shortApplicationName(const QString& bundleIdentifier);
    // "Just now", "5 min ago", "3 h ago", "Yesterday", else the locale's short date.
    static QString relativeDate(const QDateTime& date, const QDateTime& now, const Localizer& localizer);

private:
    void followItems();
    void followCanLoadMore();
    void followSelection();
    void followSuggestions();
    bool hasShowMoreRow() const;
    void resetFromSource();
    void emitRowChanged(int row, const QList<int>& roles);

    ClipboardPanelViewModel& viewModel_;
    ClipboardPanelController& controller_;
    const Localizer& localizer_;
    std::function<QDateTime()> now_ = [] { return QDateTime::currentDateTime(); };

    // What the rows show now: the sources change before their signals arrive, and the
    // rows must read as before until the insertion or removal is announced.
    ClipboardResultListContentMode mode_ = ClipboardResultListContentMode::history;
    std::vector<ClipboardHistoryIndexSnapshot> shownItems_;
    bool shownShowMore_ = false;
    std::vector<RankedFilterSuggestion> shownSuggestions_;
    int shownSelectedRow_ = -1;
};

} // namespace quellpad
