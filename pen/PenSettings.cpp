// The settings record in the user's store, through the INI-style rules.

#include "Pen.h"
#include "RegistryIni.h"

TEinstell DefaultEinstell() {
    TEinstell d;
    d.Comport = "COM1";
    d.Timeout = 10;
    d.URL = kDefaultURL;
    d.Archiv = true;
    return d;
}

void TDMPen::IniLes() {
    platform::RegistryIni ini(*store_, kSettingsKey);
    const char* s = kSettingsSection;
    const TEinstell d = DefaultEinstell();
    Einstell.Comport = ini.ReadString(s, "Comport", d.Comport);
    Einstell.Timeout = ini.ReadInteger(s, "Timeout", d.Timeout);
    Einstell.Download = ini.ReadInteger(s, "Download", d.Download);
    Einstell.URL = ini.ReadString(s, "URL", d.URL);
    Einstell.DownClip = ini.ReadBool(s, "DownClip", d.DownClip);
    Einstell.DownDel = ini.ReadBool(s, "DownDel", d.DownDel);
    Einstell.ExpFormat = static_cast<std::uint8_t>(ini.ReadInteger(s, "ExpFormat", d.ExpFormat));
    Einstell.TrayMin = ini.ReadBool(s, "TrayMin", d.TrayMin);
    Einstell.TrayAuto = ini.ReadBool(s, "TrayAuto", d.TrayAuto);
    Einstell.StartMin = ini.ReadBool(s, "StartMin", d.StartMin);
    Einstell.Archiv = ini.ReadBool(s, "Archiv", d.Archiv);
}

void TDMPen::IniSchreib() {
    platform::RegistryIni ini(*store_, kSettingsKey);
    const char* s = kSettingsSection;
    ini.WriteString(s, "Comport", Einstell.Comport);
    ini.WriteInteger(s, "Timeout", Einstell.Timeout);
    ini.WriteInteger(s, "Download", Einstell.Download);
    ini.WriteString(s, "URL", Einstell.URL);
    ini.WriteBool(s, "DownClip", Einstell.DownClip);
    ini.WriteBool(s, "DownDel", Einstell.DownDel);
    ini.WriteInteger(s, "ExpFormat", Einstell.ExpFormat);
    ini.WriteBool(s, "TrayMin", Einstell.TrayMin);
    ini.WriteBool(s, "TrayAuto", Einstell.TrayAuto);
    ini.WriteBool(s, "StartMin", Einstell.StartMin);
    ini.WriteBool(s, "Archiv", Einstell.Archiv);
    ini.Close();
}
