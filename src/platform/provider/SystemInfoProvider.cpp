#include "SystemInfoProvider.h"

#include "AsciiText.h"

#include <utmp.h>

#include <cstring>
#include <set>

namespace {

// KEY="value" or KEY=value in an os-release or machine-info file.
std::string ShellValue(const std::optional<std::string>& text, std::string_view key)
{
    if (!text) return {};
    std::size_t pos = 0;
    while (pos < text->size()) {
        std::size_t nl = text->find('\n', pos);
        if (nl == std::string::npos) nl = text->size();
        std::string_view line(text->data() + pos, nl - pos);
        pos = nl + 1;
        if (line.size() <= key.size() || !line.starts_with(key) || line[key.size()] != '=') continue;
        std::string_view value = line.substr(key.size() + 1);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return std::string(value);
    }
    return {};
}

// Logged-in user sessions: user-process records of the login record file.
double UserSessions(const TRootFs& fs)
{
    for (const char* file : {"/run/utmp", "/var/run/utmp"}) {
        auto data = ReadHostFile(fs.HostPath(file), 4 * 1024 * 1024);
        if (!data) continue;
        double count = 0;
        for (std::size_t at = 0; at + sizeof(utmp) <= data->size(); at += sizeof(utmp)) {
            utmp record;
            std::memcpy(&record, data->data() + at, sizeof record);
            if (record.ut_type == USER_PROCESS && record.ut_user[0] != '\0') ++count;
        }
        return count;
    }
    return 0;
}

double ProcessCount(const TRootFs& fs)
{
    double count = 0;
    for (const std::string& entry : fs.List("/proc"))
        if (!entry.empty() && entry.find_first_not_of("0123456789") == std::string::npos) ++count;
    return count;
}

// Texts that firmware vendors leave in the DMI fields when nobody filled them in.
bool IsDmiPlaceholder(const std::string& text)
{
    static constexpr std::string_view Placeholders[] = {
        "to be filled by o.e.m.", "to be filled by oem", "system manufacturer", "system product name",
        "default string", "not applicable", "not specified", "none", "oem", "o.e.m.", "unknown",
        "system name", "product name", "manufacturer", "type1productconfigid", "undefined", "invalid",
        "0123456789", "123456789", "xxxxxxxxxx"};
    if (text.empty()) return true;
    for (std::string_view placeholder : Placeholders)
        if (SameTextIgnoringAsciiCase(text, placeholder)) return true;
    return false;
}

// The machine's own description: the name its owner gave it, else the
// firmware's vendor and product name, else nothing.
std::string MachineDescription(const TRootFs& fs)
{
    std::string pretty = ShellValue(fs.ReadAll("/etc/machine-info"), "PRETTY_HOSTNAME");
    if (!pretty.empty()) return pretty;
    std::string vendor = FirstLineTrimmed(fs.ReadText("/sys/class/dmi/id/sys_vendor").value_or(""));
    std::string product = FirstLineTrimmed(fs.ReadText("/sys/class/dmi/id/product_name").value_or(""));
    if (IsDmiPlaceholder(vendor)) vendor.clear();
    if (IsDmiPlaceholder(product)) product.clear();
    // Some vendors repeat their name in the product's ("Dell Inc." + "Dell XPS 13"): said once.
    if (!vendor.empty() && !product.empty() && product.starts_with(vendor.substr(0, vendor.find(' '))))
        vendor.clear();
    return vendor.empty() ? product : product.empty() ? vendor : vendor + " " + product;
}

} // namespace

TSystemInfoProvider::TSystemInfoProvider(std::filesystem::path root) : FFs(std::move(root)) {}

std::optional<std::shared_ptr<const TWbemObjects>> TSystemInfoProvider::Objects(std::string_view className)
{
    if (!SameTextIgnoringAsciiCase(className, "CIM_OperatingSystem")) return std::nullopt;
    auto osRelease = FFs.ReadAll("/etc/os-release");
    if (!osRelease) osRelease = FFs.ReadAll("/usr/lib/os-release");
    std::string caption = ShellValue(osRelease, "PRETTY_NAME");
    if (caption.empty()) caption = ShellValue(osRelease, "NAME");
    if (caption.empty()) caption = "Linux";

    TWbemObject os("CIM_OperatingSystem");
    os.Set("CSName", FFs.ReadText("/proc/sys/kernel/hostname").value_or(""))
        .Set("Description", MachineDescription(FFs))
        .Set("Caption", caption)
        .Set("Version", FFs.ReadText("/proc/sys/kernel/osrelease").value_or(""))
        .Set("NumberOfUsers", UserSessions(FFs))
        .Set("NumberOfProcesses", ProcessCount(FFs))
        .Set("Status", std::string("OK"));
    return std::make_shared<const TWbemObjects>(TWbemObjects{std::move(os)});
}
