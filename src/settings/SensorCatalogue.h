#pragma once
// The sensor catalogue: a tree of every hardware item and sensor the provider
// publishes, grouped by hardware type. A plain model: the settings dialog's
// tree view shows it, the dialog refers to its nodes by position.
//
// A node's position is its index in the depth-first, pre-order listing of the
// whole tree. Position 0 of a tree that is not empty is a group node, so 0
// refers to no sensor. Positions are valid until the next rebuild.

#include "Wbem.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The data of a hardware or sensor node.
struct TSensorData {
    std::string Id;       // the provider's identifier
    std::string aName;    // its name (a sensor's without the type suffix of the node text)
    std::string ParentId; // the owning (or parent) hardware's identifier; empty for none
    std::string aType;    // the hardware or sensor type as the provider reports it
    bool Wireless = false; // a wireless network adapter
    bool operator==(const TSensorData&) const = default;
};

struct TCatalogueNode {
    std::string Text;
    int ImageIndex = 0; // the icon: a sensor's type index, 0 for groups and hardware
    // Hardware and sensor nodes own their data; group nodes have none.
    std::unique_ptr<TSensorData> Data;
    TCatalogueNode* Parent = nullptr;
    std::vector<std::unique_ptr<TCatalogueNode>> Children;
};

// A node text split at its first "#": the key before it, and the integer that
// follows up to the first blank. A text without "#", or whose "#" is followed
// by no integer, has no number.
struct TSplitText {
    std::string_view Key;
    std::optional<long long> Number;
};
TSplitText SplitNumber(std::string_view text);

// The order of sibling nodes: by icon index (the type table's order), then
// the keys compared ordinally and case-sensitively, then, for equal keys, the
// numbers ("Fan #2" before "Fan #10"). Text after the number is not compared.
// Where keys are equal and only one text has a number, the one without comes
// first, so that the order stays a strict weak ordering. Negative, 0 or positive.
int TreeView1Compare(const TCatalogueNode& node1, const TCatalogueNode& node2);

class TSensorCatalogue {
public:
    void Clear();
    bool Empty() const { return FRoots.empty(); }
    // Every node in position order.
    const std::vector<TCatalogueNode*>& Nodes() const;
    const TCatalogueNode* NodeAt(int position) const;
    TCatalogueNode* NodeAt(int position);
    int PositionOf(const TCatalogueNode* node) const;
    const std::vector<std::unique_ptr<TCatalogueNode>>& Roots() const { return FRoots; }

    TCatalogueNode& AddGroup(std::string text);
    TCatalogueNode& AddChild(TCatalogueNode& parent, std::string text, TSensorData data, int imageIndex);
    // Sorts every level with TreeView1Compare.
    void Sort();

    // The first node in position order with data whose Id equals `id`
    // (ASCII case ignored); -1 for none.
    int FindNodeById(std::string_view id) const;
    // The first node without data whose text equals `text` (ASCII case ignored); -1 for none.
    int FindGroupNode(std::string_view text) const;
    // The name and the parent identifier of the node with that identifier;
    // nothing when there is none.
    std::optional<std::pair<std::string, std::string>> FindOwner(std::string_view id) const;
    // The owners of a node, outermost first, joined with " / ". It ends at an
    // identifier that is not in the catalogue and at an owner met twice (a
    // cycle of parents), showing the names found until then.
    std::string OwnerPath(const TCatalogueNode& node) const;

private:
    std::vector<std::unique_ptr<TCatalogueNode>> FRoots;
    mutable std::optional<std::vector<TCatalogueNode*>> FOrder; // position order, built when asked for
};

// Rebuilds the catalogue from the provider: the hardware, then the sensors,
// each in the provider's order. The tree is sorted also when a query fails;
// the error then goes on to the caller.
void BuildCatalogue(TSensorCatalogue& catalogue, const TWbemService& service);
