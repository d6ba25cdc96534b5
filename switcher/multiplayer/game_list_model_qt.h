#pragma once

#include "switcher/multiplayer/launcher_view.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <memory>

class QTableView;
class QWidget;

namespace switcher {

// The game list's rows for the table: seven columns of the shown entries,
// made when the table asks for them, so a list of 100,000 games costs no
// item per cell. With no entry it holds one row of blanks.
class GameListModel : public QAbstractTableModel {
public:
    GameListModel(QStringList headers, QObject* parent);

    void Show(std::shared_ptr<const ShownGames> shown);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QStringList m_headers;
    std::shared_ptr<const ShownGames> m_shown;
};

// The table over `model`: whole rows selected one at a time, read only, no
// row header, and rows of one height, so that the view places 100,000 rows
// without asking each for its size.
QTableView* MakeGameTable(QWidget* parent, GameListModel* model);

} // namespace switcher
