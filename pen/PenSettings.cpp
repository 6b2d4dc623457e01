// The settings record in the user's store, through the INI-style rules.

#include "Pen.h"
#include "RegistryIni.h"

void TDMPen::IniLes() {
    platform::RegistryIni ini(*store_, kSettingsKey);
    const char* s = kSettingsSection;
    Einstell.Comport = ini.ReadString(s, "Comport", "COM1");
    Einstell.Timeout = ini.ReadInteger(s, "Timeout", 10);
    Einstell.Download = ini.ReadInteger(s, "Download", 0);
    Einstell.URL = ini.ReadString(s, "URL", kDefaultURL);
    Einstell.DownClip = ini.ReadBool(s, "DownClip", false);
    Einstell.DownDel = ini.ReadBool(s, "DownDel", false);
    Einstell.ExpFormat = static_cast<std::uint8_t>(ini.ReadInteger(s, "ExpFormat", 0));
    Einstell.TrayMin = ini.ReadBool(s, "TrayMin", false);
    Einstell.TrayAuto = ini.ReadBool(s, "TrayAuto", false);
    Einstell.StartMin = ini.ReadBool(s, "StartMin", false);
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
    ini.Close();
}
