#include "CatalogueView.h"

#include "Pictures.h"

#include <QGuiApplication>
#include <QHeaderView>

#include <algorithm>
#include <array>
#include <utility>

namespace {

// Flow shares the pulse line of Clock.
constexpr std::array<const char*, CatalogueIconCount> IconNames{
    "sensor-folder", "sensor-voltage", "sensor-clock",      "sensor-temperature", "sensor-load",
    "sensor-factor", "sensor-power",   "sensor-data",       "sensor-fan",         "sensor-control",
    "sensor-level",  "sensor-throughput", "sensor-frequency", "sensor-clock",     "sensor-none"};

} // namespace

const QIcon& CatalogueIcon(int index)
{
    static const std::array<QIcon, CatalogueIconCount> icons = [] {
        std::array<QIcon, CatalogueIconCount> made;
        for (std::size_t i = 0; i < made.size(); ++i) made[i] = QIcon(Picture(QString::fromLatin1(IconNames[i]), 16));
        return made;
    }();
    static const QIcon none;
    return index >= 0 && index < CatalogueIconCount ? icons[static_cast<std::size_t>(index)] : none;
}

// --- the model ---

TCatalogueModel::TCatalogueModel(QObject* parent) : QAbstractItemModel(parent) {}

void TCatalogueModel::Rebuild(const std::function<void(TSensorCatalogue&)>& fill)
{
    beginResetModel();
    struct TEndReset {
        TCatalogueModel& Model;
        ~TEndReset() { Model.endResetModel(); }
    } end{*this};
    FCatalogue.Clear();
    fill(FCatalogue);
}

const std::vector<std::unique_ptr<TCatalogueNode>>& TCatalogueModel::ChildrenOf(const TCatalogueNode* node) const
{
    return node ? node->Children : FCatalogue.Roots();
}

int TCatalogueModel::RowOf(const TCatalogueNode* node) const
{
    const auto& siblings = ChildrenOf(node->Parent);
    const auto it = std::find_if(siblings.begin(), siblings.end(), [node](const auto& n) { return n.get() == node; });
    return it == siblings.end() ? -1 : static_cast<int>(it - siblings.begin());
}

QModelIndex TCatalogueModel::IndexOf(const TCatalogueNode* node) const
{
    if (!node) return {};
    const int row = RowOf(node);
    return row < 0 ? QModelIndex() : createIndex(row, 0, const_cast<TCatalogueNode*>(node));
}

const TCatalogueNode* TCatalogueModel::NodeOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<const TCatalogueNode*>(index.internalPointer()) : nullptr;
}

QModelIndex TCatalogueModel::index(int row, int column, const QModelIndex& parent) const
{
    const auto& children = ChildrenOf(NodeOf(parent));
    if (column != 0 || row < 0 || row >= static_cast<int>(children.size())) return {};
    return createIndex(row, 0, children[static_cast<std::size_t>(row)].get());
}

QModelIndex TCatalogueModel::parent(const QModelIndex& child) const
{
    const TCatalogueNode* node = NodeOf(child);
    return node ? IndexOf(node->Parent) : QModelIndex();
}

int TCatalogueModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0) return 0;
    return static_cast<int>(ChildrenOf(NodeOf(parent)).size());
}

int TCatalogueModel::columnCount(const QModelIndex&) const { return 1; }

QVariant TCatalogueModel::data(const QModelIndex& index, int role) const
{
    const TCatalogueNode* node = NodeOf(index);
    if (!node) return {};
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(node->Text);
    case Qt::DecorationRole:
        return CatalogueIcon(node->ImageIndex);
    case PositionRole:
        return FCatalogue.PositionOf(node);
    default:
        return {};
    }
}

Qt::ItemFlags TCatalogueModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

// --- the view ---

TCatalogueTreeView::TCatalogueTreeView(QWidget* parent) : QTreeView(parent), FModel(this)
{
    setModel(&FModel);
    setHeaderHidden(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIndentation(19);
    setIconSize(QSize(16, 16));
    setUniformRowHeights(true);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    // The button-face background; the selection keeps its colours when the
    // tree loses the focus.
    QPalette colours = palette();
    colours.setColor(QPalette::Base, colours.color(QPalette::Button));
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        colours.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
    setPalette(colours);
}

void TCatalogueTreeView::Rebuild(const std::function<void(TSensorCatalogue&)>& fill)
{
    setUpdatesEnabled(false);
    struct TResume {
        QWidget& View;
        ~TResume() { View.setUpdatesEnabled(true); }
    } resume{*this};
    FModel.Rebuild(fill);
}

void TCatalogueTreeView::RebuildFrom(const TWbemService* service)
{
    Rebuild([service](TSensorCatalogue& catalogue) {
        if (!service) throw EWbemError("The sensor provider is not connected");
        BuildCatalogue(catalogue, *service);
    });
}

const TCatalogueNode* TCatalogueTreeView::Selected() const { return FModel.NodeOf(currentIndex()); }

int TCatalogueTreeView::SelectedPosition() const
{
    const TCatalogueNode* node = Selected();
    return node ? Catalogue().PositionOf(node) : -1;
}

void TCatalogueTreeView::SelectPosition(int position)
{
    setCurrentIndex(FModel.IndexOf(Catalogue().NodeAt(position)));
}

void TCatalogueTreeView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTreeView::currentChanged(current, previous);
    // The new node's path opens now: that only adds rows below it.
    for (QModelIndex i = current; i.isValid(); i = i.parent()) expand(i);
    // The branch that was open closes, except where it holds the new node.
    for (QModelIndex i = previous; i.isValid(); i = i.parent()) FClosing.emplace_back(i);
    // A mouse press is still choosing its row: closing a branch above it now
    // would move the rows under the pointer before the press selects. The
    // branch closes when the button is released.
    if (QGuiApplication::mouseButtons() == Qt::NoButton) CloseBranchesOpenBefore();
    if (OnChange) OnChange();
}

void TCatalogueTreeView::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeView::mouseReleaseEvent(event);
    CloseBranchesOpenBefore();
}

void TCatalogueTreeView::CloseBranchesOpenBefore()
{
    if (FClosing.empty()) return;
    const QModelIndex current = currentIndex();
    const auto holdsCurrent = [&current](const QModelIndex& branch) {
        for (QModelIndex i = current; i.isValid(); i = i.parent())
            if (i == branch) return true;
        return false;
    };
    for (const QPersistentModelIndex& branch : std::exchange(FClosing, {}))
        if (branch.isValid() && !holdsCurrent(branch)) collapse(branch);
    // The chosen node stays in view when rows above it went.
    if (current.isValid()) scrollTo(current);
}
