#pragma once
// Another machine's hardware as its node_exporter tells it, mapped onto the
// items this machine's provider lists: the same names, types, units and
// identifiers wherever node_exporter gives the same facts.
//
// | items | metrics |
// |---|---|
// | processor loads | node_cpu_seconds_total (the busy share of user..steal, as /proc/stat) |
// | core clocks | node_cpu_scaling_frequency_hertz, else node_cpu_frequency_hertz |
// | package power | node_rapl_package_joules_total |
// | memory | node_memory_MemTotal_bytes, MemAvailable_bytes (or MemFree + Buffers + Cached), SwapTotal/SwapFree |
// | network adapters | node_network_receive/transmit_bytes_total, node_network_speed_bytes, node_network_protocol_type |
// | disks | node_disk_io_time / read_time / write_time _seconds_total, read / written _bytes_total, node_disk_info |
// | hwmon chips | node_hwmon_chip_names, _sensor_label, _temp_celsius, _fan_rpm, _in_volts, _power_average_watt (or _power_watt), _energy_joule_total, _pwm |
// | AMD video cards | node_drm_card_info, node_drm_gpu_busy_percent, node_drm_memory_vram_used/size_bytes |
// | board name | node_dmi_info |
//
// node_exporter does not tell a video card's PCI address: a card is
// identified by its drm name ("/gpu-amd/card0"), and its chips are shown
// under it where the machine has one card of that driver. A chip's device is
// read back from the chip's name node_exporter gives ("pci0000:00_0000:00:18_3"
// is device 0000:00:18.3).

#include "Exposition.h"
#include "HardwareProvider.h"
#include "Wbem.h"

#include <map>
#include <string>

// One scrape's items; counters are kept in `next` for the scrape after and
// turned into rates against `before` over `seconds`.
THardwareSample MapNodeExporterScrape(const TExposition& scrape, const std::map<std::string, double>& before,
                                      std::map<std::string, double>& next, double seconds);

// The system lines' object (class CIM_OperatingSystem) from node_uname_info
// and node_os_info; `server` names the machine where the scrape gives no name.
TWbemObject NodeExporterSystem(const TExposition& scrape, const std::string& server);

// The device a chip belongs to, from the chip's name as node_exporter makes it
// from the device's path (its parent's and its own name, lower case, other
// letters as "_"); empty where the name tells no device.
std::string ChipDeviceOfLabel(const std::string& chipLabel, const std::string& chipName);
