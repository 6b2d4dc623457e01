// The Windows sources: device installation (setupapi), configuration manager
// (cfgmgr32) and the print spooler (winspool), each loaded by name so that a
// system without one still finds its ports through the others, and so that
// a program that never asks for ports does not load them; the platform family.

#include <windows.h>
// clang-format off
#include <setupapi.h>
#include <cfgmgr32.h>
#include <winspool.h>
// clang-format on

#include <cstring>
#include <cwchar>

#include "HandlesWin32.h"
#include "PortSourcesWin32.h"
#include "TextWin32.h"

namespace portdetect {
namespace {

class Library {
  public:
    explicit Library(const char* name) : h_(LoadLibraryW(platform::Widen(name).c_str())) {}

    // Resolves `fn` by name; false (and fn empty) when it is not there.
    template <typename Fn>
    bool Resolve(Fn*& fn, const char* name) const {
        fn = platform::ProcEntry<Fn>(h_.Get(), name);
        return fn != nullptr;
    }

  private:
    platform::OwnedLibrary h_;
};

#define STYLORIX_ENTRY(fn) decltype(&::fn) fn = nullptr
#define STYLORIX_RESOLVE(lib, fn) lib.Resolve(fn, #fn)

struct SetupApi {
    STYLORIX_ENTRY(SetupDiClassGuidsFromNameW);
    STYLORIX_ENTRY(SetupDiGetClassDevsW);
    STYLORIX_ENTRY(SetupDiDestroyDeviceInfoList);
    STYLORIX_ENTRY(SetupDiEnumDeviceInfo);
    STYLORIX_ENTRY(SetupDiEnumDeviceInterfaces);
    STYLORIX_ENTRY(SetupDiGetDeviceInterfaceDetailW);
    STYLORIX_ENTRY(SetupDiGetDeviceInstanceIdW);
    STYLORIX_ENTRY(SetupDiGetDeviceRegistryPropertyW);
    STYLORIX_ENTRY(SetupDiOpenClassRegKeyExW);
    STYLORIX_ENTRY(SetupDiOpenDevRegKey);
    bool complete = false;

    explicit SetupApi(const Library& lib) {
        // Every one is resolved, so that each missing one is left empty.
        bool all = true;
        all &= STYLORIX_RESOLVE(lib, SetupDiClassGuidsFromNameW);
        all &= STYLORIX_RESOLVE(lib, SetupDiGetClassDevsW);
        all &= STYLORIX_RESOLVE(lib, SetupDiDestroyDeviceInfoList);
        all &= STYLORIX_RESOLVE(lib, SetupDiEnumDeviceInfo);
        all &= STYLORIX_RESOLVE(lib, SetupDiEnumDeviceInterfaces);
        all &= STYLORIX_RESOLVE(lib, SetupDiGetDeviceInterfaceDetailW);
        all &= STYLORIX_RESOLVE(lib, SetupDiGetDeviceInstanceIdW);
        all &= STYLORIX_RESOLVE(lib, SetupDiGetDeviceRegistryPropertyW);
        all &= STYLORIX_RESOLVE(lib, SetupDiOpenClassRegKeyExW);
        all &= STYLORIX_RESOLVE(lib, SetupDiOpenDevRegKey);
        complete = all;
    }
};

struct CfgMgr {
    STYLORIX_ENTRY(CM_Get_First_Log_Conf);
    STYLORIX_ENTRY(CM_Free_Log_Conf_Handle);
    STYLORIX_ENTRY(CM_Get_Next_Res_Des);
    STYLORIX_ENTRY(CM_Free_Res_Des_Handle);
    STYLORIX_ENTRY(CM_Get_Res_Des_Data_Size);
    STYLORIX_ENTRY(CM_Get_Res_Des_Data);
    bool complete = false;

    explicit CfgMgr(const Library& lib) {
        bool all = true;
        all &= STYLORIX_RESOLVE(lib, CM_Get_First_Log_Conf);
        all &= STYLORIX_RESOLVE(lib, CM_Free_Log_Conf_Handle);
        all &= STYLORIX_RESOLVE(lib, CM_Get_Next_Res_Des);
        all &= STYLORIX_RESOLVE(lib, CM_Free_Res_Des_Handle);
        all &= STYLORIX_RESOLVE(lib, CM_Get_Res_Des_Data_Size);
        all &= STYLORIX_RESOLVE(lib, CM_Get_Res_Des_Data);
        complete = all;
    }
};

#undef STYLORIX_ENTRY
#undef STYLORIX_RESOLVE

// Released by calls resolved at run time: the closer is the entry point.
template <typename Fn>
using OwnedDeviceList = platform::Owned<HDEVINFO, Fn, platform::InvalidHandleIsNone>;
template <typename H, typename Fn>
using OwnedConfig = platform::Owned<H, Fn>;

// SetupDiOpenDevRegKey reports failure as an invalid handle, not null.
bool Valid(HKEY key) {
    return key && key != reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE);
}

GUID ToGuid(const ClassGuid& c) {
    GUID g;
    g.Data1 = c.Data1;
    g.Data2 = c.Data2;
    g.Data3 = c.Data3;
    std::memcpy(g.Data4, c.Data4.data(), sizeof g.Data4);
    return g;
}

// Text of a zero-terminated buffer of at most `size` characters.
std::string Text(const wchar_t* buffer, std::size_t size) {
    return platform::Narrow({buffer, wcsnlen(buffer, size)});
}

class Win32PortSources : public PortSources {
  public:
    explicit Win32PortSources(const Win32SourceOptions& options)
        : setupLib_(options.SetupApi),
          cfgLib_(options.CfgMgr),
          spoolerLib_(options.Spooler),
          setup_(setupLib_),
          cfg_(cfgLib_),
          spoolerBuffer_(options.SpoolerBuffer) {
        spoolerLib_.Resolve(enumPorts_, "EnumPortsW");
    }

    std::optional<std::vector<ClassDevice>> ClassDevices(const ClassGuid& cls) override {
        if (!setup_.complete) return std::nullopt;
        GUID guid = ToGuid(cls);
        HDEVINFO set = setup_.SetupDiGetClassDevsW(&guid, nullptr, nullptr, DIGCF_PRESENT);
        if (set == INVALID_HANDLE_VALUE) return std::nullopt;
        OwnedDeviceList<decltype(setup_.SetupDiDestroyDeviceInfoList)> list(
            set, setup_.SetupDiDestroyDeviceInfoList);

        std::vector<ClassDevice> devices;
        SP_DEVINFO_DATA info{};
        info.cbSize = sizeof info;
        for (DWORD i = 0; setup_.SetupDiEnumDeviceInfo(set, i, &info); ++i) {
            wchar_t id[256];
            if (!setup_.SetupDiGetDeviceInstanceIdW(set, &info, id, 256, nullptr)) continue;
            ClassDevice device;
            device.FriendlyName = Property(set, info, SPDRP_FRIENDLYNAME);
            if (!device.FriendlyName) device.DeviceDesc = Property(set, info, SPDRP_DEVICEDESC);
            HKEY raw =
                setup_.SetupDiOpenDevRegKey(set, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
            if (!Valid(raw)) continue;
            platform::OwnedKey key(raw);
            // A name longer than the 255 characters declared counts as missing.
            wchar_t name[256];
            DWORD size = 255 * sizeof(wchar_t);
            if (RegQueryValueExW(key.Get(), L"PortName", nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(name), &size) != ERROR_SUCCESS)
                continue;
            name[size / sizeof(wchar_t)] = L'\0';
            device.PortName = Text(name, size / sizeof(wchar_t));
            device.DevInst = info.DevInst;
            devices.push_back(std::move(device));
        }
        return devices;
    }

    std::vector<ResDesData> DevNodeResources(std::uint32_t devInst) override {
        std::vector<ResDesData> result;
        if (!cfg_.complete) return result;
        LOG_CONF first = 0;
        if (cfg_.CM_Get_First_Log_Conf(&first, devInst, ALLOC_LOG_CONF) != CR_SUCCESS)
            return result;
        OwnedConfig<LOG_CONF, decltype(cfg_.CM_Free_Log_Conf_Handle)> conf(
            first, cfg_.CM_Free_Log_Conf_Handle);
        OwnedConfig<RES_DES, decltype(cfg_.CM_Free_Res_Des_Handle)> current(
            0, cfg_.CM_Free_Res_Des_Handle);
        std::vector<std::uint8_t> buffer(100);  // grows to the largest descriptor met
        RES_DES from = conf.Get();
        RES_DES next = 0;
        RESOURCEID type = 0;
        while (cfg_.CM_Get_Next_Res_Des(&next, from, ResType_All, &type, 0) == CR_SUCCESS) {
            current.Reset(next);
            from = next;
            ULONG size = 0;
            if (cfg_.CM_Get_Res_Des_Data_Size(&size, next, 0) != CR_SUCCESS || size == 0) continue;
            if (size > buffer.size()) buffer.resize(size);
            if (cfg_.CM_Get_Res_Des_Data(next, buffer.data(), size, 0) != CR_SUCCESS) continue;
            result.push_back(
                {static_cast<std::uint32_t>(type), {buffer.begin(), buffer.begin() + size}});
        }
        return result;
    }

    std::optional<std::vector<SpoolerPort>> SpoolerPorts() override {
        // Asked again with the size the spooler reports, so that a long list
        // does not drop every port; a list that keeps growing gives up.
        if (!enumPorts_) return std::nullopt;
        std::vector<BYTE> buffer(spoolerBuffer_);
        for (int attempt = 0; attempt < 3; ++attempt) {
            DWORD needed = 0, returned = 0;
            if (enumPorts_(nullptr, 2, buffer.data(), static_cast<DWORD>(buffer.size()), &needed,
                           &returned)) {
                std::vector<SpoolerPort> ports;
                auto* records = reinterpret_cast<const PORT_INFO_2W*>(buffer.data());
                auto text = [](const wchar_t* s) {
                    return s ? platform::Narrow(s) : std::string();
                };
                for (DWORD i = 0; i < returned; ++i)
                    ports.push_back({text(records[i].pPortName), text(records[i].pDescription)});
                return ports;
            }
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size()) break;
            buffer.resize(needed);
        }
        return std::nullopt;
    }

    bool Win9xFamily() override { return (GetVersion() & 0x80000000u) != 0; }

  private:
    // A device property as text; nothing when it cannot be read whole.
    std::optional<std::string> Property(HDEVINFO set, SP_DEVINFO_DATA& info, DWORD property) {
        wchar_t buffer[257] = {};
        if (!setup_.SetupDiGetDeviceRegistryPropertyW(set, &info, property, nullptr,
                                                      reinterpret_cast<BYTE*>(buffer),
                                                      256 * sizeof(wchar_t), nullptr))
            return std::nullopt;
        return Text(buffer, 256);
    }

    // Released in reverse: the spooler, the configuration manager, setupapi.
    Library setupLib_;
    Library cfgLib_;
    Library spoolerLib_;
    SetupApi setup_;
    CfgMgr cfg_;
    decltype(&::EnumPortsW) enumPorts_ = nullptr;
    std::uint32_t spoolerBuffer_;
};

// Loaded by the first detection (the window starts one on a worker as it
// opens) and released at the program's end.
Win32PortSources& Sources() {
    static Win32PortSources sources{Win32SourceOptions{}};
    return sources;
}

}  // namespace

std::unique_ptr<PortSources> OpenWin32Sources(const Win32SourceOptions& options) {
    return std::make_unique<Win32PortSources>(options);
}

PortSources& PlatformSources() {
    return Sources();
}

}  // namespace portdetect
