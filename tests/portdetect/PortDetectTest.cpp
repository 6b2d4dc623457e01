// Port discovery over fake platform sources and an in-memory registry.

#include <gtest/gtest.h>

#include <map>

#include "unitportdetect.h"

using namespace portdetect;

namespace portdetect {
void PrintTo(const TDetectedPort& p, std::ostream* os) {
    *os << "{\"" << p.Name << "\" io " << std::hex << p.IOBase << "+" << std::dec << p.IOLength
        << " irq " << p.HasIRQ << ":" << p.IRQ << " dma " << p.HasDMA << ":" << p.DMAChannel << "}";
}
}  // namespace portdetect
using platform::StoreValue;
using Bytes = std::vector<std::uint8_t>;

namespace {

void Put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
}
void Put64(Bytes& b, std::uint64_t v) {
    Put32(b, std::uint32_t(v));
    Put32(b, std::uint32_t(v >> 32));
}

// Device-node descriptors as the configuration manager hands them out.
ResDesData IoDes(std::uint64_t base, std::uint64_t end) {
    Bytes d;
    Put32(d, 1), Put32(d, 0), Put64(d, base), Put64(d, end), Put32(d, 0);
    return {2, d};
}
ResDesData DmaDes(std::uint32_t channel) {
    Bytes d;
    Put32(d, 1), Put32(d, 0), Put32(d, 0), Put32(d, channel);
    return {3, d};
}
ResDesData IrqDes(std::uint32_t irq) {
    Bytes d;
    Put32(d, 1), Put32(d, 0), Put32(d, 0), Put32(d, irq), Put32(d, 1);
    return {4, d};
}

// Registry resource lists: full descriptors of 16-byte partial descriptors.
Bytes Partial(std::uint8_t type, std::uint64_t a, std::uint32_t b = 0) {
    Bytes d = {type, 0, 0, 0};
    Put64(d, a);
    Put32(d, b);
    return d;
}
Bytes Port(std::uint64_t start, std::uint32_t length) {
    return Partial(1, start, length);
}
Bytes Interrupt(std::uint32_t level) {
    return Partial(2, level);
}
Bytes Memory(std::uint64_t start) {
    return Partial(3, start, 0x1000);
}
Bytes Dma(std::uint32_t channel) {
    return Partial(4, channel);
}

Bytes ResourceList(const std::vector<std::vector<Bytes>>& fulls,
                   std::optional<std::uint32_t> count = std::nullopt) {
    Bytes d;
    Put32(d, count.value_or(std::uint32_t(fulls.size())));
    for (const auto& partials : fulls) {
        Put32(d, 5), Put32(d, 0);         // interface type, bus number
        d.insert(d.end(), {1, 0, 1, 0});  // version, revision
        Put32(d, std::uint32_t(partials.size()));
        for (const Bytes& p : partials) d.insert(d.end(), p.begin(), p.end());
    }
    return d;
}

class FakeSources : public PortSources {
  public:
    std::optional<std::vector<ClassDevice>> devices;
    std::map<std::uint32_t, std::vector<ResDesData>> resources;
    std::optional<std::vector<SpoolerPort>> spooler;
    bool win9x = false;
    int spoolerAsked = 0;

    std::optional<std::vector<ClassDevice>> ClassDevices(const ClassGuid& cls) override {
        EXPECT_EQ(cls.Data1, 0x4D36E978u);
        return devices;
    }
    std::vector<ResDesData> DevNodeResources(std::uint32_t devInst) override {
        return resources[devInst];
    }
    std::optional<std::vector<SpoolerPort>> SpoolerPorts() override {
        ++spoolerAsked;
        return spooler;
    }
    bool Win9xFamily() override { return win9x; }
};

ClassDevice Device(std::string port, std::optional<std::string> friendly = std::nullopt,
                   std::optional<std::string> desc = std::nullopt, std::uint32_t devInst = 0) {
    return {std::move(friendly), std::move(desc), std::move(port), devInst};
}

const std::string kServiceEnum = "SYSTEM\\CurrentControlSet\\Services\\Serial\\Enum";
const std::string kEnum = "SYSTEM\\CurrentControlSet\\Enum\\";

struct Registry {
    platform::MemoryStore store;

    void Set(const std::string& key, const std::string& name, const StoreValue& value) {
        store.OpenKey(key, true);
        store.WriteValue(key, name, value);
    }
    // Instance paths listed under the Serial service, as values "0", "1", ...
    void ServiceInstances(const std::vector<std::string>& paths) {
        Set(kServiceEnum, "Count", StoreValue::Integer(std::uint32_t(paths.size())));
        for (std::size_t i = 0; i < paths.size(); ++i)
            Set(kServiceEnum, std::to_string(i), StoreValue::String(paths[i]));
    }
    void Instance(const std::string& path, const std::string& portName,
                  std::optional<std::string> friendly = std::nullopt,
                  std::optional<Bytes> alloc = std::nullopt) {
        Set(kEnum + path + "\\Device Parameters", "PortName", StoreValue::String(portName));
        if (friendly) Set(kEnum + path, "FriendlyName", StoreValue::String(*friendly));
        if (alloc) Set(kEnum + path + "\\Control", "AllocConfig", StoreValue::Binary(*alloc));
    }
};

struct Detection {
    FakeSources sources;
    Registry registry;
    std::vector<TDetectedPort> ports = std::vector<TDetectedPort>(kChooserPorts);

    bool Run() { return DetectComPorts(ports, sources, registry.store); }
    std::vector<std::pair<int, std::string>> Named() const {
        std::vector<std::pair<int, std::string>> named;
        for (std::size_t i = 0; i < ports.size(); ++i)
            if (!ports[i].Name.empty()) named.emplace_back(int(i), ports[i].Name);
        return named;
    }
};

using Named = std::vector<std::pair<int, std::string>>;

}  // namespace

TEST(PortNameMatching, PrefixThenNumberWithinTheTable) {
    struct Case {
        const char* name;
        std::size_t count;
        std::optional<std::size_t> index;
    } cases[] = {
        {"COM1", 256, 0},   {"COM10", 256, 9},          {"COM256", 256, 255}, {"COM257", 256, {}},
        {"COM5", 4, {}},    {"COM0", 256, {}},          {"COM", 256, {}},     {"COMA", 256, {}},
        {"COM3x", 256, {}}, {"COM-2", 256, {}},         {"com3", 256, {}},    {"LPT1", 256, {}},
        {"COM1", 0, {}},    {"COM99999999999", 256, {}}};
    for (const Case& c : cases)
        EXPECT_EQ(MatchPortName(c.name, "COM", c.count), c.index) << c.name << " of " << c.count;
}

TEST(DeviceClassSource, FriendlyNameThenDescriptionThenBarePortName) {
    struct Case {
        std::optional<std::string> friendly, desc;
        const char* expected;
    } cases[] = {
        {"USB Serial Port (COM3)", "USB Serial Port", "USB Serial Port (COM3)"},
        {{}, "Communications Port", "Communications Port"},
        {{}, {}, "COM3"},
        {"", "Communications Port", "COM3"},  // a readable but empty friendly name
    };
    for (const Case& c : cases) {
        Detection d;
        d.sources.devices = {{Device("COM3", c.friendly, c.desc)}};
        EXPECT_TRUE(d.Run());
        EXPECT_EQ(d.Named(), (Named{{2, c.expected}}));
    }
}

TEST(DeviceClassSource, UnavailableOrUnmatchedReportsNothing) {
    Detection d;
    d.sources.devices = std::nullopt;
    EXPECT_FALSE(d.Run());
    d.sources.devices = {{Device("COM0", "zero"), Device("LPT1", "printer"), Device("COMA")}};
    EXPECT_FALSE(d.Run());
    EXPECT_TRUE(d.Named().empty());
}

TEST(Precedence, FirstReportWinsForNameAndEachResourceKind) {
    Detection d;
    // The device class names COM4 and knows its interrupt and two I/O ranges.
    d.sources.devices = {{Device("COM4", "Class name", {}, 7)}};
    d.sources.resources[7] = {IrqDes(4), IoDes(0x2E8, 0x2EF), IoDes(0x3E8, 0x3EF)};
    // The service source knows another name, interrupt and range, and a DMA channel.
    d.registry.ServiceInstances({"ACPI\\PNP0501\\1"});
    d.registry.Instance("ACPI\\PNP0501\\1", "COM4", "Service name",
                        ResourceList({{Port(0x100, 4), Interrupt(11), Dma(3), Dma(5)}}));
    EXPECT_TRUE(d.Run());
    EXPECT_EQ(d.Named(), (Named{{3, "Class name"}}));
    const TDetectedPort& p = d.ports[3];
    EXPECT_EQ(p.IOBase, 0x2E8u);
    EXPECT_EQ(p.IOLength, 8u);
    EXPECT_TRUE(p.HasIRQ);
    EXPECT_EQ(p.IRQ, 4u);
    EXPECT_TRUE(p.HasDMA);
    EXPECT_EQ(p.DMAChannel, 3u);
    EXPECT_EQ(d.sources.spoolerAsked, 0);
}

TEST(Precedence, EachCallStartsFromResetEntries) {
    Detection d;
    d.ports[5] = {"stale", 0x3F8, 8, true, 4, true, 1};
    d.sources.devices = {{Device("COM2", "fresh")}};
    EXPECT_TRUE(d.Run());
    EXPECT_EQ(d.ports[5], TDetectedPort{});
    EXPECT_EQ(d.Named(), (Named{{1, "fresh"}}));
}

TEST(NtFamilyFallback, SpoolerOnlyWhenNothingElseMatchedUnlessWin9x) {
    struct Case {
        bool win9x, classPort, servicePort;
        int spoolerAsked;
        Named named;
    } cases[] = {
        {false, true, false, 0, {{1, "class"}}},
        {false, false, true, 0, {{2, "service"}}},
        {false, false, false, 1, {{4, "Local Port (COM5)"}}},
        {true, true, true, 1, {{1, "class"}, {2, "service"}, {4, "Local Port (COM5)"}}},
        {true, false, false, 1, {{4, "Local Port (COM5)"}}},
    };
    for (const Case& c : cases) {
        Detection d;
        d.sources.win9x = c.win9x;
        d.sources.devices = {{Device(c.classPort ? "COM2" : "LPT1", "class")}};
        if (c.servicePort) {
            d.registry.ServiceInstances({"Root\\Ports\\0000"});
            d.registry.Instance("Root\\Ports\\0000", "COM3", "service");
        }
        d.sources.spooler = {{{"COM5:", "Local Port"}}};
        EXPECT_TRUE(d.Run());
        EXPECT_EQ(d.sources.spoolerAsked, c.spoolerAsked);
        EXPECT_EQ(d.Named(), c.named);
    }
}

TEST(SpoolerSource, TrailingNonDigitsStrippedAndNamedWithDescription) {
    Detection d;
    d.sources.spooler = {{{"FILE:", "Print to file"},
                          {"LPT1:", "Printer port"},
                          {"COM3:", "D"},
                          {"COM12abc:", ""},
                          {"COM3:", "second report"},
                          {"COM300:", "above the table"}}};
    EXPECT_TRUE(d.Run());
    EXPECT_EQ(d.Named(), (Named{{2, "D (COM3)"}, {11, " (COM12)"}}));

    Detection failed;
    failed.sources.spooler = std::nullopt;
    EXPECT_FALSE(failed.Run());
}

TEST(ServiceSource, InstancesByTheirPortNamesFromTheFourthCharacter) {
    Detection d;
    d.registry.ServiceInstances(
        {"Root\\A\\0", "Root\\B\\0", "Root\\C\\0", "Root\\Missing\\0", "Root\\D\\0", "Root\\E\\0"});
    d.registry.Instance("Root\\A\\0", "XYZ5", "Modem on XYZ5");
    d.registry.Instance("Root\\B\\0", "COM10");  // no friendly name: the port name
    d.registry.Instance("Root\\C\\0", "COM");    // no number
    d.registry.Instance("Root\\D\\0", "COM257");
    d.registry.Instance("Root\\E\\0", "COM0");
    EXPECT_TRUE(d.Run());
    EXPECT_EQ(d.Named(), (Named{{4, "Modem on XYZ5"}, {9, "COM10"}}));
}

TEST(ServiceSource, CountLimitsTheInstancesAndOnlyAnIntegerCounts) {
    struct Case {
        StoreValue count;
        Named named;
    } cases[] = {
        {StoreValue::Integer(1), {{1, "first"}}},
        {StoreValue::Integer(0xFFFFFFF0u), {}},  // negative as the registry's integer
        {StoreValue::Integer(2000000000u), {{1, "first"}, {2, "second"}}},
        {StoreValue::String("2"), {}},
    };
    for (const Case& c : cases) {
        Detection d;
        d.registry.ServiceInstances({"Root\\A\\0", "Root\\B\\0"});
        d.registry.Set(kServiceEnum, "Count", c.count);
        d.registry.Instance("Root\\A\\0", "COM2", "first");
        d.registry.Instance("Root\\B\\0", "COM3", "second");
        d.Run();
        EXPECT_EQ(d.Named(), c.named);
    }
}

TEST(ServiceSource, ValueOfTheWrongTypeSkipsOnlyItsItem) {
    Detection d;
    d.registry.ServiceInstances({"Root\\A\\0", "Root\\B\\0", "Root\\C\\0", "Root\\D\\0"});
    d.registry.Set(kServiceEnum, "0", StoreValue::Integer(7));  // instance path
    d.registry.Instance("Root\\B\\0", "COM2", "portname wrong");
    d.registry.Set(kEnum + "Root\\B\\0\\Device Parameters", "PortName",
                   StoreValue::Binary({'C', 'O', 'M', '2'}));
    d.registry.Instance("Root\\C\\0", "COM3");
    d.registry.Set(kEnum + "Root\\C\\0", "FriendlyName", StoreValue::Integer(1));
    d.registry.Instance("Root\\D\\0", "COM4", "fine");
    EXPECT_TRUE(d.Run());
    EXPECT_EQ(d.Named(), (Named{{2, "COM3"}, {3, "fine"}}));
}

TEST(ServiceSource, AllocConfigOfTheWrongTypeOrSizeIsSkippedButThePortStays) {
    Bytes exact = ResourceList({{Interrupt(4)}});
    exact.resize(kResourceListLimit);
    Bytes over = exact;
    over.push_back(0);
    struct Case {
        StoreValue alloc;
        bool hasIRQ;
    } cases[] = {
        {StoreValue::Binary(exact), true},
        {StoreValue::Binary(over), false},
        {StoreValue::String("\x01"), false},
        {StoreValue::Integer(1), false},
    };
    for (const Case& c : cases) {
        Detection d;
        d.registry.ServiceInstances({"Root\\A\\0", "Root\\B\\0"});
        d.registry.Instance("Root\\A\\0", "COM2", "odd");
        d.registry.Set(kEnum + "Root\\A\\0\\Control", "AllocConfig", c.alloc);
        d.registry.Instance("Root\\B\\0", "COM3", "next", ResourceList({{Interrupt(3)}}));
        EXPECT_TRUE(d.Run());
        EXPECT_EQ(d.Named(), (Named{{1, "odd"}, {2, "next"}}));
        EXPECT_EQ(d.ports[1].HasIRQ, c.hasIRQ);
        EXPECT_TRUE(d.ports[2].HasIRQ);
    }
}

TEST(DeviceMap, LegacySerialPortsWithResourcesByPortNumber) {
    Detection d;
    d.registry.ServiceInstances({"Root\\LEGACY_SERIAL\\0000", "Root\\LEGACY_PARPORT\\0000"});
    const std::string map = kSerialRow.DeviceMapKey;
    d.registry.Set(map, "\\Device\\Serial0", StoreValue::String("\\DosDevices\\COM4"));
    d.registry.Set(map, "\\Device\\Serial1", StoreValue::String("COM2"));
    d.registry.Set(map, "\\Device\\Serial2", StoreValue::Integer(3));  // skipped
    d.registry.Set(map, "\\Device\\Serial3", StoreValue::String("COMX"));
    const std::string res = kSerialRow.ResourceMapKey;
    // COM4's resources sit under Serial3.Raw, whatever the device map's value is called.
    d.registry.Set(res + "\\Serial", "\\Device\\Serial3.Raw",
                   StoreValue::Binary(ResourceList({{Port(0x2E8, 8), Interrupt(3)}})));
    d.registry.Set(res + "\\Sermouse", "\\Device\\Serial3.Raw",
                   StoreValue::Binary(ResourceList({{Interrupt(9), Dma(2)}})));
    d.registry.Set(res + "\\Serial", "\\Device\\Serial0.Raw",
                   StoreValue::Binary(ResourceList({{Interrupt(10)}})));
    d.registry.Set(kParallelRow.DeviceMapKey, "\\Device\\ParallelPort0",
                   StoreValue::String("\\DosDevices\\LPT1"));
    EXPECT_TRUE(d.Run());
    EXPECT_EQ(d.Named(), (Named{{1, "COM2"}, {3, "COM4"}}));
    const TDetectedPort& com4 = d.ports[3];
    EXPECT_EQ(com4.IOBase, 0x2E8u);
    EXPECT_EQ(com4.IOLength, 8u);
    EXPECT_EQ(com4.IRQ, 3u);
    EXPECT_TRUE(com4.HasDMA);
    EXPECT_EQ(com4.DMAChannel, 2u);
    EXPECT_FALSE(d.ports[1].HasIRQ);
}

TEST(ResourceList, OnlyWholeDescriptorsAreApplied) {
    auto truncated = [](Bytes b, std::size_t cut) {
        b.resize(b.size() - cut);
        return b;
    };
    struct Case {
        const char* what;
        Bytes data;
        TDetectedPort expected;
    } cases[] = {
        {"three bytes", {1, 0, 0}, {}},
        {"no descriptors", ResourceList({}), {}},
        {"port, interrupt, DMA; memory ignored",
         ResourceList({{Memory(0xD0000), Port(0x3F8, 8), Interrupt(4), Dma(1)}}),
         {"", 0x3F8, 8, true, 4, true, 1}},
        {"first of each kind wins, across full descriptors",
         ResourceList({{Port(0x3F8, 8)}, {Port(0x2F8, 8), Interrupt(3)}, {Interrupt(4)}}),
         {"", 0x3F8, 8, true, 3, false, 0}},
        {"count promises more full descriptors than the data holds",
         ResourceList({{Interrupt(5)}}, 0xFFFFFFFFu),
         {"", 0, 0, true, 5, false, 0}},
        {"partial count promises more than the data holds",
         truncated(ResourceList({{Interrupt(5), Dma(2)}}), 1),
         {"", 0, 0, true, 5, false, 0}},
        {"second full descriptor's head cut short",
         truncated(ResourceList({{Interrupt(6)}, {}}), 1),
         {"", 0, 0, true, 6, false, 0}},
        {"64-bit port start",
         ResourceList({{Port(0x1'0000'03F8ull, 8)}}),
         {"", 0x1'0000'03F8ull, 8, false, 0, false, 0}},
    };
    for (const Case& c : cases) {
        TDetectedPort port;
        ApplyResourceList(port, c.data);
        EXPECT_EQ(port, c.expected) << c.what;
    }
}

TEST(DevNodeResources, DescriptorsByTypeAndSize) {
    auto cut = [](ResDesData r) {
        r.Data.pop_back();
        return r;
    };
    struct Case {
        const char* what;
        std::vector<ResDesData> des;
        TDetectedPort expected;
    } cases[] = {
        {"I/O range 0x3F8 to 0x3FF", {IoDes(0x3F8, 0x3FF)}, {"", 0x3F8, 8, false, 0, false, 0}},
        {"length from the low 32 bits",
         {IoDes(0x1'0000'0100ull, 0x2'0000'010Full)},
         {"", 0x1'0000'0100ull, 16, false, 0, false, 0}},
        {"IRQ and DMA", {IrqDes(4), DmaDes(2)}, {"", 0, 0, true, 4, true, 2}},
        {"first of each kind wins",
         {IrqDes(4), IrqDes(5), IoDes(0x2F8, 0x2FF), IoDes(0x3F8, 0x3FF)},
         {"", 0x2F8, 8, true, 4, false, 0}},
        {"short data and other types ignored",
         {cut(IoDes(0x3F8, 0x3FF)), cut(IrqDes(4)), cut(DmaDes(2)), {1, Bytes(40, 1)}},
         {}},
    };
    for (const Case& c : cases) {
        Detection d;
        d.sources.devices = {{Device("COM2", "port", {}, 9)}};
        d.sources.resources[9] = c.des;
        d.Run();
        TDetectedPort expected = c.expected;
        expected.Name = "port";
        EXPECT_EQ(d.ports[1], expected) << c.what;
    }
}
