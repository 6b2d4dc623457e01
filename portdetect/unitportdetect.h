#pragma once

// Finds the machine's serial (COM) ports and gives each a readable name for the
// port chooser. Up to three sources are asked in a fixed order; each fills only
// what is still empty, so the order is the precedence.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "TypedStore.h"

namespace portdetect {

// One possible port; entry k of a table stands for "COM" + (k + 1).
struct TDetectedPort {
    std::string Name;  // empty: no source named this port
    std::uint64_t IOBase = 0;
    std::uint32_t IOLength = 0;  // 0: no I/O range known yet
    bool HasIRQ = false;
    std::uint32_t IRQ = 0;
    bool HasDMA = false;
    std::uint32_t DMAChannel = 0;

    bool operator==(const TDetectedPort&) const = default;
};

// The chooser's table: COM1 to COM256.
inline constexpr std::size_t kChooserPorts = 256;

// A device setup class identifier, laid out as the platform's GUID.
struct ClassGuid {
    std::uint32_t Data1;
    std::uint16_t Data2, Data3;
    std::array<std::uint8_t, 8> Data4;
};

// The "Ports" device setup class.
inline constexpr ClassGuid kPortsClass = {
    0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

// A present device of a device setup class whose "PortName" could be read.
struct ClassDevice {
    std::optional<std::string> FriendlyName;  // nothing when the property is unreadable
    std::optional<std::string> DeviceDesc;
    std::string PortName;
    std::uint32_t DevInst = 0;  // device node, for its resources
};

// One resource descriptor of a device node's allocated configuration.
struct ResDesData {
    std::uint32_t Type = 0;  // 2 I/O, 3 DMA, 4 IRQ
    std::vector<std::uint8_t> Data;
};

// One record of the print spooler's port list.
struct SpoolerPort {
    std::string PortName;
    std::string Description;
};

// The sources that need the platform. Each answers nothing when it is not
// available here; none of them throws.
class PortSources {
  public:
    virtual ~PortSources() = default;
    // Present devices of the class, in enumeration order; nothing when the
    // source is unavailable or the class cannot be listed.
    virtual std::optional<std::vector<ClassDevice>> ClassDevices(const ClassGuid& cls) = 0;
    // Descriptors of the device node's allocated configuration, in walk order.
    virtual std::vector<ResDesData> DevNodeResources(std::uint32_t devInst) = 0;
    // The spooler's ports; nothing when the list cannot be had.
    virtual std::optional<std::vector<SpoolerPort>> SpoolerPorts() = 0;
    // Windows 95/98/Me rather than the NT family.
    virtual bool Win9xFamily() = 0;
};

// This platform's sources, set up at their first use and released at the
// program's end.
PortSources& PlatformSources();

// Resets every entry, fills the table from the platform's sources and the
// machine's registry, and tells whether any source matched a port.
bool DetectComPorts(std::span<TDetectedPort> ports);
bool DetectComPorts(std::span<TDetectedPort> ports, PortSources& sources,
                    platform::TypedStore& machine);

// Entry index of a port name such as COM12 for a table of `count` entries:
// the prefix must match exactly, the rest is a decimal number from 1 to count.
std::optional<std::size_t> MatchPortName(std::string_view name, std::string_view prefix,
                                         std::size_t count);

// Applies one device-node resource descriptor (I/O, DMA, IRQ) where the entry
// has none of that kind yet; short data is ignored.
void ApplyResDesData(TDetectedPort& port, std::uint32_t type, std::span<const std::uint8_t> data);

// Applies a registry resource list (CM_RESOURCE_LIST) where the entry has none
// of each kind yet. Only descriptors that lie wholly within the data are read.
void ApplyResourceList(TDetectedPort& port, std::span<const std::uint8_t> data);

// A resource list value larger than this is not read.
inline constexpr std::size_t kResourceListLimit = 512;

// Where the legacy drivers list their ports and resources.
struct DeviceMapRow {
    const char* DeviceMapKey;
    const char* ResourceMapKey;
    const char* DevicePrefix;
};
inline constexpr DeviceMapRow kSerialRow = {"HARDWARE\\DEVICEMAP\\SERIALCOMM",
                                            "HARDWARE\\RESOURCEMAP\\LOADED SERIAL DRIVER RESOURCES",
                                            "\\Device\\Serial"};
inline constexpr DeviceMapRow kParallelRow = {
    "HARDWARE\\DEVICEMAP\\PARALLEL PORTS",
    "HARDWARE\\RESOURCEMAP\\LOADED PARALLEL DRIVER RESOURCES", "\\Device\\ParallelPort"};

// The single steps of one detection over a table, the sources and a read-only
// view of the machine's registry. A registry value of an unexpected type or
// size skips the item it belongs to; nothing here throws.
class PortScan {
  public:
    PortScan(std::span<TDetectedPort> ports, PortSources& sources, platform::TypedStore& machine)
        : ports_(ports), sources_(sources), machine_(machine) {}

    bool ScanDeviceClass(const ClassGuid& cls, std::string_view prefix);
    bool ScanServiceEnum(const std::string& service, std::string_view prefix);
    bool ScanEnumInstance(const std::string& path);
    bool ScanDeviceMap(const DeviceMapRow& row, std::string_view prefix);
    bool ScanSpoolerPorts(std::string_view prefix);
    void ReadResourceListValue(TDetectedPort& port, const std::string& key,
                               const std::string& valueName);

  private:
    std::span<TDetectedPort> ports_;
    PortSources& sources_;
    platform::TypedStore& machine_;
};

// A serial device for a chooser that lists device paths rather than COM
// numbers: on Linux the tty devices that are real serial ports.
struct TSerialDevice {
    std::string Name;  // e.g. "FT232R USB UART (ttyUSB0)"
    std::string Path;  // e.g. "/dev/ttyUSB0"; "COM3" on Windows

    bool operator==(const TSerialDevice&) const = default;
};
std::vector<TSerialDevice> DetectSerialDevices();

}  // namespace portdetect
