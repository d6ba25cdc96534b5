#include "switcher/multiplayer/game_list_model_qt.h"

#include "common/qt/ui_text_qt.h"

#include <QHeaderView>
#include <QTableView>

namespace switcher {

namespace {
constexpr int kColumns = 7;
}

GameListModel::GameListModel(QStringList headers, QObject* parent)
    : QAbstractTableModel(parent), m_headers(std::move(headers)) {}

void GameListModel::Show(std::shared_ptr<const ShownGames> shown) {
    beginResetModel();
    m_shown = std::move(shown);
    endResetModel();
}

int GameListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return m_shown && !m_shown->rows.empty() ? static_cast<int>(m_shown->rows.size()) : 1;
}

int GameListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant GameListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.column() >= kColumns)
        return {};
    if (!m_shown || m_shown->rows.empty())
        return QStringLiteral(" ");
    const auto row = static_cast<std::size_t>(index.row());
    if (row >= m_shown->rows.size())
        return {};
    return common::UiText(m_shown->list->Field(m_shown->rows[row],
                                               static_cast<gamelist::GameListEntry::Field>(index.column())));
}

QVariant GameListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= m_headers.size())
        return {};
    return m_headers[section];
}

QTableView* MakeGameTable(QWidget* parent, GameListModel* model) {
    auto* table = new QTableView(parent);
    table->setModel(model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->verticalHeader()->hide();
    return table;
}

} // namespace switcher
