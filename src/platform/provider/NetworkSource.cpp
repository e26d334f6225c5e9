// The network adapters from /proc/net/dev and /sys/class/net.

#include "SourceReader.h"

#include <algorithm>

namespace {

class TNetworkReader : public TSourceReader {
public:
    using TSourceReader::TSourceReader;

    // Network adapters from /proc/net/dev: those backed by a device first, in
    // the kernel's order, then the virtual ones that carry the user's own
    // traffic (VPN tunnels, PPP links, bonds). Other virtual interfaces
    // (bridges, veth pairs, ifb, dummy) only repeat traffic counted on a real
    // adapter and are left out, as are a bond's members and loopback.
    void ReadNetwork()
    {
        auto text = Fs.ReadAll("/proc/net/dev");
        if (!text) return;
        struct TAdapter {
            std::string Name;
            double Rx, Tx;
        };
        std::vector<TAdapter> devices, virtuals;
        for (std::string_view line : Lines(*text)) {
            std::size_t colon = line.find(':');
            if (colon == std::string_view::npos) continue;
            std::string name = FirstLineTrimmed(line.substr(0, colon));
            auto f = Fields(line.substr(colon + 1));
            if (name.empty() || name == "lo" || f.size() < 16) continue;
            auto rx = ToNumber<double>(f[0]);
            auto tx = ToNumber<double>(f[8]);
            if (!rx || !tx) continue;
            switch (AdapterKindOf(name)) {
            case TAdapterKind::Device: devices.push_back({name, *rx, *tx}); break;
            case TAdapterKind::UserTraffic: virtuals.push_back({name, *rx, *tx}); break;
            case TAdapterKind::LeftOut: break;
            }
        }
        devices.insert(devices.end(), virtuals.begin(), virtuals.end());
        for (const TAdapter& a : devices) {
            const std::string hw = "/nic/" + a.Name;
            Hardware(hw, a.Name, "Network");
            Out.Hardware.back().Wireless = IsWireless(a.Name);
            double up = CounterRate(hw + "/throughput/7", a.Tx);
            double down = CounterRate(hw + "/throughput/8", a.Rx);
            Sensor(hw, "throughput/7", "Upload Speed", "Throughput", up);
            Sensor(hw, "throughput/8", "Download Speed", "Throughput", down);
            Sensor(hw, "data/2", "Data Uploaded", "Data", a.Tx / GiB);
            Sensor(hw, "data/3", "Data Downloaded", "Data", a.Rx / GiB);
            // Link speed in Mbit/s; -1 or a missing file when unknown.
            if (auto speed = ReadNumber(Fs, "/sys/class/net/" + a.Name + "/speed"); speed && *speed > 0) {
                double load = 100.0 * std::max(up, down) * 8.0 / (*speed * 1e6);
                if (load <= 100.0) Sensor(hw, "load/1", "Network Utilization", "Load", load);
            }
        }
    }

    TAdapterKind AdapterKindOf(const std::string& name) const
    {
        auto known = Found.AdapterKinds.find(name);
        if (known == Found.AdapterKinds.end()) known = Found.AdapterKinds.emplace(name, FindAdapterKind(name)).first;
        return known->second;
    }

    // The kernel gives a wireless adapter a "wireless" folder or a link to its radio (phy80211).
    bool IsWireless(const std::string& name) const
    {
        auto known = Found.WirelessAdapters.find(name);
        if (known == Found.WirelessAdapters.end()) {
            const std::string dir = "/sys/class/net/" + name;
            const bool wireless = Fs.IsDir(dir + "/wireless") || Fs.LinkTarget(dir + "/phy80211").has_value() ||
                                  Fs.IsDir(dir + "/phy80211");
            known = Found.WirelessAdapters.emplace(name, wireless).first;
        }
        return known->second;
    }

    TAdapterKind FindAdapterKind(const std::string& name) const
    {
        const std::string dir = "/sys/class/net/" + name;
        // A tree without the adapter's folder (an older capture) cannot tell:
        // the adapter is listed as it always was.
        if (!Fs.IsDir(dir)) return TAdapterKind::Device;
        constexpr std::string_view ArphrdPpp = "512", ArphrdLoopback = "772";
        const std::optional<std::string> type = Fs.ReadText(dir + "/type");
        if (type == ArphrdLoopback) return TAdapterKind::LeftOut;
        // A bond's members: their traffic is the bond's, which is listed.
        if (Fs.Exists(dir + "/bonding_slave")) return TAdapterKind::LeftOut;
        if (Fs.LinkTarget(dir + "/device") || Fs.Exists(dir + "/device")) return TAdapterKind::Device;
        const std::string devtype = UeventValue(Fs.ReadAll(dir + "/uevent"), "DEVTYPE").value_or("");
        const bool tunnel = Fs.Exists(dir + "/tun_flags") || devtype == "wireguard";
        const bool ppp = type == ArphrdPpp || devtype == "ppp";
        const bool bond = Fs.IsDir(dir + "/bonding") || devtype == "bond";
        return tunnel || ppp || bond ? TAdapterKind::UserTraffic : TAdapterKind::LeftOut;
    }
};

} // namespace

void ReadNetwork(const TSourceContext& context) { TNetworkReader(context).ReadNetwork(); }
