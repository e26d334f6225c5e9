#pragma once
// The sensor catalogue on screen: an item model over the catalogue and the
// tree view of the settings dialog that shows it.

#include "SensorCatalogue.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <QTreeView>

#include <functional>
#include <vector>

inline constexpr int CatalogueIconCount = 15;
// The catalogue's icons by index: 0 folder, 1 to 13 the sensor types of the
// type table (Voltage to Flow), 14 a right-pointing triangle.
const QIcon& CatalogueIcon(int index);

// A read-only, one-column model over the catalogue the model owns. Its items
// are the catalogue's nodes; their text, their icon and, under PositionRole, the
// node's position.
class TCatalogueModel : public QAbstractItemModel {
public:
    static constexpr int PositionRole = Qt::UserRole + 1;

    explicit TCatalogueModel(QObject* parent = nullptr);

    const TSensorCatalogue& Catalogue() const { return FCatalogue; }
    // Replaces the whole tree with what `fill` builds. The views show the
    // result also when `fill` fails part way; the error then goes on.
    void Rebuild(const std::function<void(TSensorCatalogue&)>& fill);

    QModelIndex IndexOf(const TCatalogueNode* node) const;
    const TCatalogueNode* NodeOf(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    const std::vector<std::unique_ptr<TCatalogueNode>>& ChildrenOf(const TCatalogueNode* node) const;
    int RowOf(const TCatalogueNode* node) const;

    TSensorCatalogue FCatalogue;
};

// The catalogue's tree view: texts cannot be edited, the selection stays
// visible without the focus, and selecting a node expands it and collapses
// the branch that was open before.
class TCatalogueTreeView : public QTreeView {
public:
    explicit TCatalogueTreeView(QWidget* parent);

    TCatalogueModel& Model() { return FModel; }
    const TSensorCatalogue& Catalogue() const { return FModel.Catalogue(); }
    // Rebuilds the catalogue with redrawing suspended (see TCatalogueModel::Rebuild).
    void Rebuild(const std::function<void(TSensorCatalogue&)>& fill);
    // Rebuilds it from a provider connection; without one (the connection
    // failed at start) the tree is emptied and EWbemError goes on.
    void RebuildFrom(const TWbemService* service);

    // The selected node, or nothing.
    const TCatalogueNode* Selected() const;
    int SelectedPosition() const;
    void SelectPosition(int position);

    // The selection changed.
    std::function<void()> OnChange;

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Closes the branches of the nodes selected before, except the path to
    // the node selected now, and keeps that node in view.
    void CloseBranchesOpenBefore();

    TCatalogueModel FModel;
    std::vector<QPersistentModelIndex> FClosing;
};
