#include "SensorCatalogue.h"

#include "AsciiText.h"
#include "SensorTypes.h"

#include <algorithm>
#include <charconv>
#include <set>
#include <utility>

namespace {

// Empty texts are equal; an empty text never equals a non-empty one.
bool SameId(std::string_view a, std::string_view b) { return SameTextIgnoringAsciiCase(a, b); }

void Collect(const std::vector<std::unique_ptr<TCatalogueNode>>& level, std::vector<TCatalogueNode*>& out)
{
    for (const auto& node : level) {
        out.push_back(node.get());
        Collect(node->Children, out);
    }
}

void SortLevel(std::vector<std::unique_ptr<TCatalogueNode>>& level)
{
    std::stable_sort(level.begin(), level.end(),
                     [](const auto& a, const auto& b) { return TreeView1Compare(*a, *b) < 0; });
    for (auto& node : level) SortLevel(node->Children);
}

} // namespace

TSplitText SplitNumber(std::string_view text)
{
    const std::size_t hash = text.find('#');
    if (hash == std::string_view::npos) return {text, std::nullopt};
    std::string_view rest = text.substr(hash + 1);
    rest = rest.substr(0, rest.find(' '));
    long long number = 0;
    const char* begin = rest.data();
    if (!rest.empty() && *begin == '+') ++begin;
    const auto [end, ec] = std::from_chars(begin, rest.data() + rest.size(), number);
    if (rest.empty() || ec != std::errc{} || end != rest.data() + rest.size()) return {text.substr(0, hash), std::nullopt};
    return {text.substr(0, hash), number};
}

int TreeView1Compare(const TCatalogueNode& node1, const TCatalogueNode& node2)
{
    if (node1.ImageIndex != node2.ImageIndex) return node1.ImageIndex < node2.ImageIndex ? -1 : 1;
    const TSplitText a = SplitNumber(node1.Text);
    const TSplitText b = SplitNumber(node2.Text);
    if (const int keys = a.Key.compare(b.Key); keys != 0) return keys < 0 ? -1 : 1;
    if (a.Number.has_value() != b.Number.has_value()) return a.Number ? 1 : -1;
    if (!a.Number || *a.Number == *b.Number) return 0;
    return *a.Number < *b.Number ? -1 : 1;
}

void TSensorCatalogue::Clear()
{
    FRoots.clear();
    FOrder.reset();
}

const std::vector<TCatalogueNode*>& TSensorCatalogue::Nodes() const
{
    if (!FOrder) {
        FOrder.emplace();
        Collect(FRoots, *FOrder);
    }
    return *FOrder;
}

const TCatalogueNode* TSensorCatalogue::NodeAt(int position) const
{
    const auto& nodes = Nodes();
    return position >= 0 && position < int(nodes.size()) ? nodes[std::size_t(position)] : nullptr;
}

TCatalogueNode* TSensorCatalogue::NodeAt(int position)
{
    return const_cast<TCatalogueNode*>(std::as_const(*this).NodeAt(position));
}

int TSensorCatalogue::PositionOf(const TCatalogueNode* node) const
{
    const auto& nodes = Nodes();
    const auto it = std::find(nodes.begin(), nodes.end(), node);
    return it == nodes.end() ? -1 : int(it - nodes.begin());
}

TCatalogueNode& TSensorCatalogue::AddGroup(std::string text)
{
    FOrder.reset();
    auto node = std::make_unique<TCatalogueNode>();
    node->Text = std::move(text);
    FRoots.push_back(std::move(node));
    return *FRoots.back();
}

TCatalogueNode& TSensorCatalogue::AddChild(TCatalogueNode& parent, std::string text, TSensorData data, int imageIndex)
{
    FOrder.reset();
    auto node = std::make_unique<TCatalogueNode>();
    node->Text = std::move(text);
    node->ImageIndex = imageIndex;
    node->Data = std::make_unique<TSensorData>(std::move(data));
    node->Parent = &parent;
    parent.Children.push_back(std::move(node));
    return *parent.Children.back();
}

void TSensorCatalogue::Sort()
{
    FOrder.reset();
    SortLevel(FRoots);
}

int TSensorCatalogue::FindNodeById(std::string_view id) const
{
    const auto& nodes = Nodes();
    for (std::size_t i = 0; i < nodes.size(); ++i)
        if (nodes[i]->Data && SameId(nodes[i]->Data->Id, id)) return int(i);
    return -1;
}

int TSensorCatalogue::FindGroupNode(std::string_view text) const
{
    const auto& nodes = Nodes();
    for (std::size_t i = 0; i < nodes.size(); ++i)
        if (!nodes[i]->Data && SameId(nodes[i]->Text, text)) return int(i);
    return -1;
}

std::optional<std::pair<std::string, std::string>> TSensorCatalogue::FindOwner(std::string_view id) const
{
    const int position = FindNodeById(id);
    if (position < 0) return std::nullopt;
    const TSensorData& data = *NodeAt(position)->Data;
    return std::pair{data.aName, data.ParentId};
}

std::string TSensorCatalogue::OwnerPath(const TCatalogueNode& node) const
{
    std::string path;
    std::string id = node.Data ? node.Data->ParentId : std::string();
    std::set<int> met;
    while (!id.empty()) {
        const int position = FindNodeById(id);
        if (position < 0 || !met.insert(position).second) break;
        const TSensorData& owner = *NodeAt(position)->Data;
        path = path.empty() ? owner.aName : owner.aName + " / " + path;
        id = owner.ParentId;
    }
    return path;
}

void BuildCatalogue(TSensorCatalogue& catalogue, const TWbemService& service)
{
    catalogue.Clear();
    struct TSortAtEnd {
        TSensorCatalogue& Catalogue;
        ~TSortAtEnd() { Catalogue.Sort(); }
    } sort{catalogue};

    for (const TWbemObject& hw : service.ExecQuery("SELECT * FROM Hardware", "WQL", 32)) {
        TSensorData data{hw.Text("Identifier"), hw.Text("Name"), hw.Text("Parent"), hw.Text("HardwareType")};
        // Only network adapters carry it, and only from the embedded provider.
        const TWbemValue* wireless = hw.Find("Wireless");
        data.Wireless = wireless && hw.Number("Wireless") != 0;
        TCatalogueNode* parent = nullptr;
        if (const int at = catalogue.FindNodeById(data.ParentId); at >= 0)
            parent = catalogue.NodeAt(at);
        else if (const int group = catalogue.FindGroupNode(data.aType); group >= 0)
            parent = catalogue.NodeAt(group);
        else
            parent = &catalogue.AddGroup(data.aType);
        std::string text = data.aName;
        catalogue.AddChild(*parent, std::move(text), std::move(data), 0);
    }
    for (const TWbemObject& sensor : service.ExecQuery("SELECT * FROM Sensor", "WQL", 32)) {
        TSensorData data{sensor.Text("Identifier"), sensor.Text("Name"), sensor.Text("Parent"),
                         sensor.Text("SensorType")};
        const int owner = catalogue.FindNodeById(data.ParentId);
        if (owner < 0) continue;
        std::string text = data.aName + " (" + data.aType + ")";
        const int icon = SensorTypeIndex(data.aType);
        catalogue.AddChild(*catalogue.NodeAt(owner), std::move(text), std::move(data), icon);
    }
}
