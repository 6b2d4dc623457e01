#include "unitportdetect.h"

#include <algorithm>
#include <charconv>

#include "RegistryIni.h"

namespace portdetect {

namespace {

const char* const kServicesKey = "SYSTEM\\CurrentControlSet\\Services\\";
const char* const kEnumKey = "SYSTEM\\CurrentControlSet\\Enum\\";

std::uint32_t Le32(std::span<const std::uint8_t> d, std::size_t at) {
    return std::uint32_t(d[at]) | std::uint32_t(d[at + 1]) << 8 | std::uint32_t(d[at + 2]) << 16 |
           std::uint32_t(d[at + 3]) << 24;
}

std::uint64_t Le64(std::span<const std::uint8_t> d, std::size_t at) {
    return std::uint64_t(Le32(d, at)) | std::uint64_t(Le32(d, at + 4)) << 32;
}

void SetIO(TDetectedPort& port, std::uint64_t base, std::uint32_t length) {
    if (port.IOLength != 0) return;
    port.IOBase = base;
    port.IOLength = length;
}

void SetIRQ(TDetectedPort& port, std::uint32_t irq) {
    if (port.HasIRQ) return;
    port.HasIRQ = true;
    port.IRQ = irq;
}

void SetDMA(TDetectedPort& port, std::uint32_t channel) {
    if (port.HasDMA) return;
    port.HasDMA = true;
    port.DMAChannel = channel;
}

void SetName(TDetectedPort& port, const std::string& display, const std::string& portName) {
    if (port.Name.empty()) port.Name = display.empty() ? portName : display;
}

// Decimal number of a text; 0 when it is not one.
std::int64_t NumberOrZero(std::string_view text) {
    return platform::ParseDecimal(std::string(text)).value_or(0);
}

[[noreturn]] void WrongType(const std::string& name) {
    throw platform::RegistryError(platform::RegistryErrorText(platform::kInvalidDataType, name));
}

// A string value; empty when the key or the value is missing. Another type
// raises the registry's read error.
std::string ReadText(platform::TypedStore& store, const std::string& key, const std::string& name) {
    auto value = store.ReadValue(key, name);
    if (!value) return {};
    if (value->kind != platform::ValueKind::String) WrongType(name);
    return value->text;
}

// The non-negative number whose shortest decimal text `name` is.
std::optional<std::uint32_t> CanonicalIndex(const std::string& name) {
    if (name.empty() || (name.size() > 1 && name[0] == '0')) return std::nullopt;
    std::uint32_t n = 0;
    auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), n);
    if (ec != std::errc() || end != name.data() + name.size()) return std::nullopt;
    return n;
}

}  // namespace

std::optional<std::size_t> MatchPortName(std::string_view name, std::string_view prefix,
                                         std::size_t count) {
    if (name.substr(0, prefix.size()) != prefix) return std::nullopt;
    std::int64_t number = NumberOrZero(name.substr(prefix.size()));
    if (number < 1 || std::uint64_t(number) > count) return std::nullopt;
    return std::size_t(number - 1);
}

void ApplyResDesData(TDetectedPort& port, std::uint32_t type, std::span<const std::uint8_t> data) {
    switch (type) {
        case 2:  // I/O: count, type, allocated base, allocated end, flags
            if (data.size() >= 28) SetIO(port, Le64(data, 8), Le32(data, 16) - Le32(data, 8) + 1);
            break;
        case 3:  // DMA: count, type, flags, allocated channel
            if (data.size() >= 16) SetDMA(port, Le32(data, 12));
            break;
        case 4:  // IRQ: count, type, flags, allocated number, affinity
            if (data.size() >= 20) SetIRQ(port, Le32(data, 12));
            break;
        default:
            break;
    }
}

void ApplyResourceList(TDetectedPort& port, std::span<const std::uint8_t> data) {
    constexpr std::size_t kHead = 16, kPartial = 16;
    if (data.size() < 4) return;
    std::uint32_t fullCount = Le32(data, 0);
    std::size_t at = 4;
    // Every descriptor read moves on by 16 bytes, so the walk ends with the data.
    for (std::uint32_t f = 0; f < fullCount; ++f) {
        if (data.size() - at < kHead) return;
        std::uint32_t partialCount = Le32(data, at + 12);
        at += kHead;
        for (std::uint32_t p = 0; p < partialCount; ++p) {
            if (data.size() - at < kPartial) return;
            auto d = data.subspan(at, kPartial);
            switch (d[0]) {
                case 1:  // port: start, length
                    SetIO(port, Le64(d, 4), Le32(d, 12));
                    break;
                case 2:  // interrupt: level, vector, affinity
                    SetIRQ(port, Le32(d, 4));
                    break;
                case 4:  // DMA: channel, port, reserved
                    SetDMA(port, Le32(d, 4));
                    break;
                default:
                    break;
            }
            at += kPartial;
        }
    }
}

bool PortScan::ScanDeviceClass(const ClassGuid& cls, std::string_view prefix) {
    auto devices = sources_.ClassDevices(cls);
    if (!devices) return false;
    bool found = false;
    for (const ClassDevice& device : *devices) {
        auto index = MatchPortName(device.PortName, prefix, ports_.size());
        if (!index) continue;
        found = true;
        TDetectedPort& port = ports_[*index];
        SetName(port, device.FriendlyName.value_or(device.DeviceDesc.value_or("")),
                device.PortName);
        for (const ResDesData& res : sources_.DevNodeResources(device.DevInst))
            ApplyResDesData(port, res.Type, res.Data);
    }
    return found;
}

bool PortScan::ScanServiceEnum(const std::string& service, std::string_view prefix) {
    std::string key = kServicesKey + service + "\\Enum";
    if (!machine_.OpenKey(key, false)) return false;
    auto count = machine_.ReadValue(key, "Count");
    std::int32_t n = count && count->kind == platform::ValueKind::Integer
                         ? static_cast<std::int32_t>(count->number)
                         : 0;
    // The instances are the values "0" to Count-1; visiting only those that
    // exist keeps an absurd count from stalling the scan.
    std::vector<std::pair<std::uint32_t, std::string>> instances;
    for (const std::string& name : machine_.ValueNames(key)) {
        auto i = CanonicalIndex(name);
        if (i && std::int64_t(*i) < n) instances.emplace_back(*i, name);
    }
    std::sort(instances.begin(), instances.end());
    bool found = false;
    for (const auto& [i, name] : instances) {
        std::string path;
        try {
            path = ReadText(machine_, key, name);
        } catch (const platform::RegistryError&) {
            continue;
        }
        if (path.find("LEGACY_PARPORT") != std::string::npos)
            found = ScanDeviceMap(kParallelRow, prefix) || found;
        else if (path.find("LEGACY_SERIAL") != std::string::npos)
            found = ScanDeviceMap(kSerialRow, prefix) || found;
        else if (!path.empty())
            found = ScanEnumInstance(path) || found;
    }
    return found;
}

bool PortScan::ScanEnumInstance(const std::string& path) {
    std::string instanceKey = kEnumKey + path;
    std::string paramsKey = instanceKey + "\\Device Parameters";
    if (!machine_.OpenKey(paramsKey, false)) return false;
    std::string portName;
    try {
        portName = ReadText(machine_, paramsKey, "PortName");
    } catch (const platform::RegistryError&) {
        return false;
    }
    // The service's own instances: the first three characters are not compared.
    std::int64_t number = NumberOrZero(portName.size() > 3 ? portName.substr(3) : "");
    if (number < 1 || std::uint64_t(number) > ports_.size()) return false;
    std::string friendly;
    try {
        friendly = ReadText(machine_, instanceKey, "FriendlyName");
    } catch (const platform::RegistryError&) {
        // An unreadable friendly name is no name: the port keeps its own.
    }
    TDetectedPort& port = ports_[std::size_t(number - 1)];
    SetName(port, friendly, portName);
    ReadResourceListValue(port, instanceKey + "\\Control", "AllocConfig");
    return true;
}

bool PortScan::ScanDeviceMap(const DeviceMapRow& row, std::string_view prefix) {
    if (!machine_.OpenKey(row.DeviceMapKey, false)) return false;
    bool found = false;
    for (const std::string& valueName : machine_.ValueNames(row.DeviceMapKey)) {
        std::string portName;
        try {
            portName = ReadText(machine_, row.DeviceMapKey, valueName);
        } catch (const platform::RegistryError&) {
            continue;
        }
        if (auto slash = portName.rfind('\\'); slash != std::string::npos)
            portName.erase(0, slash + 1);
        auto index = MatchPortName(portName, prefix, ports_.size());
        if (!index) continue;
        found = true;
        TDetectedPort& port = ports_[*index];
        SetName(port, "", portName);
        // The resources are found by the port's number, not by the value's name.
        std::string resourceName = row.DevicePrefix + std::to_string(*index) + ".Raw";
        for (const std::string& sub : machine_.SubKeyNames(row.ResourceMapKey)) {
            std::string subKey = std::string(row.ResourceMapKey) + "\\" + sub;
            if (machine_.ReadValue(subKey, resourceName))
                ReadResourceListValue(port, subKey, resourceName);
        }
    }
    return found;
}

void PortScan::ReadResourceListValue(TDetectedPort& port, const std::string& key,
                                     const std::string& valueName) {
    auto value = machine_.ReadValue(key, valueName);
    if (!value) return;
    // A list of another type or an oversized one is skipped, not the scan.
    if (value->kind != platform::ValueKind::Binary || value->bytes.size() > kResourceListLimit)
        return;
    ApplyResourceList(port, value->bytes);
}

bool PortScan::ScanSpoolerPorts(std::string_view prefix) {
    auto records = sources_.SpoolerPorts();
    if (!records) return false;
    bool found = false;
    for (const SpoolerPort& record : *records) {
        std::string portName = record.PortName;
        while (!portName.empty() && (portName.back() < '0' || portName.back() > '9'))
            portName.pop_back();
        auto index = MatchPortName(portName, prefix, ports_.size());
        if (!index) continue;
        found = true;
        SetName(ports_[*index], record.Description + " (" + portName + ")", portName);
    }
    return found;
}

bool DetectComPorts(std::span<TDetectedPort> ports, PortSources& sources,
                    platform::TypedStore& machine) {
    std::fill(ports.begin(), ports.end(), TDetectedPort{});
    PortScan scan(ports, sources, machine);
    bool a = scan.ScanDeviceClass(kPortsClass, "COM");
    bool b = scan.ScanServiceEnum("Serial", "COM");
    // On the NT family the spooler only stands in when nothing else knew a port.
    bool c = (sources.Win9xFamily() || !(a || b)) && scan.ScanSpoolerPorts("COM");
    return a || b || c;
}

bool DetectComPorts(std::span<TDetectedPort> ports) {
    auto machine = platform::OpenMachineStore();
    return DetectComPorts(ports, PlatformSources(), *machine);
}

}  // namespace portdetect
