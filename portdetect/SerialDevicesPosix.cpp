// The tty devices as libudev reports them. Which of them are real serial
// ports (USB adapters and on-board UARTs with a port behind them, not the
// virtual terminals nor the serial driver's unused ttyS nodes) and their
// names are decided in SerialDeviceName.cpp.

#include <libudev.h>

#include <memory>

#include "SerialDeviceName.h"
#include "unitportdetect.h"

namespace portdetect {
namespace {

struct UdevUnref {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevUnref>;

std::string Text(const char* s) {
    return s ? s : "";
}

std::string Property(udev_device* d, const char* name) {
    return Text(udev_device_get_property_value(d, name));
}

UdevTty Describe(udev_device* d) {
    UdevTty tty;
    tty.SysName = Text(udev_device_get_sysname(d));
    tty.DevNode = Text(udev_device_get_devnode(d));
    std::string path = Text(udev_device_get_syspath(d));
    tty.OnBus =
        udev_device_get_parent(d) != nullptr && path.find("/devices/virtual/") == std::string::npos;
    if (const char* type = udev_device_get_sysattr_value(d, "type")) tty.PortType = Text(type);
    tty.ModelEnc = Property(d, "ID_MODEL_ENC");
    tty.ModelFromDatabase = Property(d, "ID_MODEL_FROM_DATABASE");
    tty.Model = Property(d, "ID_MODEL");
    tty.VendorEnc = Property(d, "ID_VENDOR_ENC");
    tty.VendorFromDatabase = Property(d, "ID_VENDOR_FROM_DATABASE");
    tty.Vendor = Property(d, "ID_VENDOR");
    return tty;
}

// Every tty device udev knows, whatever it is.
std::vector<UdevTty> UdevTtys() {
    std::vector<UdevTty> ttys;
    UdevPtr<udev> context(udev_new());
    if (!context) return ttys;
    UdevPtr<udev_enumerate> list(udev_enumerate_new(context.get()));
    if (!list || udev_enumerate_add_match_subsystem(list.get(), "tty") < 0 ||
        udev_enumerate_scan_devices(list.get()) < 0)
        return ttys;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(list.get())) {
        UdevPtr<udev_device> device(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        if (device) ttys.push_back(Describe(device.get()));
    }
    return ttys;
}

}  // namespace

std::vector<TSerialDevice> DetectSerialDevices() {
    return SerialDevicesOf(UdevTtys());
}

}  // namespace portdetect
