// Any texts as sibling nodes of the sensor tree: their order must be a strict
// weak ordering, or sorting them is undefined.
//
// Input: node texts separated by the byte 0x1E; the first byte of each text
// chooses its icon index (0 to 3), the rest is the text.
//
// Checks, besides the sanitizers' own: SplitNumber's key is the text before
// its first '#' and a number is there only after one; TreeView1Compare is
// irreflexive, antisymmetric and transitive, and equivalence is transitive,
// over every triple of the texts.

#include "SensorCatalogue.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Require(bool condition, const char* what)
{
    if (condition) return;
    std::fprintf(stderr, "fuzz_catalogue_order: broken: %s\n", what);
    std::abort();
}

int Sign(int v) { return (v > 0) - (v < 0); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<TCatalogueNode> nodes;
    for (std::size_t start = 0; start < input.size() && nodes.size() < 12;) {
        std::size_t at = input.find('\x1e', start);
        if (at == std::string_view::npos) at = input.size();
        const std::string_view part = input.substr(start, at - start);
        TCatalogueNode node;
        node.ImageIndex = part.empty() ? 0 : static_cast<unsigned char>(part[0]) % 4;
        node.Text = std::string(part.empty() ? part : part.substr(1));
        nodes.push_back(std::move(node));
        start = at + 1;
    }

    for (const TCatalogueNode& node : nodes) {
        const TSplitText split = SplitNumber(node.Text);
        const std::size_t hash = node.Text.find('#');
        Require(split.Key == std::string_view(node.Text).substr(0, hash), "the key is not the text before '#'");
        Require(!split.Number || hash != std::string::npos, "a number without '#'");
    }

    const std::size_t n = nodes.size();
    for (std::size_t i = 0; i < n; ++i) {
        Require(TreeView1Compare(nodes[i], nodes[i]) == 0, "a node ordered before itself");
        for (std::size_t j = 0; j < n; ++j) {
            const int ij = Sign(TreeView1Compare(nodes[i], nodes[j]));
            Require(ij == -Sign(TreeView1Compare(nodes[j], nodes[i])), "the order is not antisymmetric");
            for (std::size_t k = 0; k < n; ++k) {
                const int jk = Sign(TreeView1Compare(nodes[j], nodes[k]));
                const int ik = Sign(TreeView1Compare(nodes[i], nodes[k]));
                if (ij < 0 && jk < 0) Require(ik < 0, "the order is not transitive");
                if (ij == 0 && jk == 0) Require(ik == 0, "equivalence is not transitive");
            }
        }
    }
    return 0;
}
