#include "card_fixture.h"

#include <stdexcept>

namespace telmda_test {

using nlohmann::json;

json field(std::uint16_t at, const char* kind, const json& value) {
    return json{{"at", at}, {kind, value}};
}

json objectJson(std::uint32_t oid, std::uint16_t type, std::uint32_t size,
                const std::vector<json>& fields, std::vector<std::uint32_t> parents, int status) {
    return json{{"oid", oid},       {"type", type},       {"size", size},
                {"status", status}, {"parents", parents}, {"fields", fields}};
}

const std::vector<ViewObject>& viewObjects() {
    static const std::vector<ViewObject> objects = {
        {289,
         301,
         "TYMIdentificationObj",
         540,
         {{16, "u32", "TymCapabilities", "4026531841"},
          {20, "u32", "TymType", "3"},
          {24, "text", "ProductInfo", "Remote Service Card"},
          {88, "text", "DescriptionInfo", "Out-of-band card"},
          {344, "text", "VersionInfo", "2.4.1"},
          {408, "text", "TymName", "rsc0"},
          {424, "text", "PcmciaInfo", "pcmcia-x"},
          {488, "u32", "TymDialupNetworking", "1"},
          {492, "u32", "TymSizeRemoteHosts", "4"},
          {496, "u32", "TymSizeUserAdmin", "16"},
          {500, "u32", "TymSizeTraps", "17"},
          {504, "u32", "TymSizeDemandDial", "18"},
          {508, "u32", "TymSizeDialinUsers", "19"},
          {512, "text", "TymMisc", "misc text"}}},
        {290,
         302,
         "TYMCControlObj",
         60,
         {{16, "u32", "TymCapabilities", "63"},
          {20, "text", "TymTestOidCmd", "test-cmd"},
          {52, "u8", "TymResetHard", "1"},
          {53, "u8", "TymResetSoft", "2"},
          {54, "u8", "TymResetGraceful", "3"},
          {55, "u8", "TymShutdown", "4"},
          {56, "u8", "TymCfgDefaults", "5"},
          {57, "u8", "TymLogReset", "255"}}},
        {291,
         303,
         "TYMCMonitoringObj",
         24,
         {{16, "u32", "MonitorCapabilities", "3"},
          {20, "u8", "MonitorExtPwrSrcRule", "7"},
          {21, "u8", "MonitorBatteryRule", "8"}}},
        {292,
         304,
         "LanNetworkingObj",
         72,
         {{16, "u32", "NicCapabilities", "7"},
          {20, "text", "IPAddress", "192.168.1.20"},
          {36, "text", "SubnetMask", "255.255.255.0"},
          {52, "text", "Gateway", "192.168.1.1"},
          {68, "u16", "NicEnable", "1"},
          {70, "u16", "NicUseDHCP", "0"}}},
        {293,
         305,
         "DialUpNetworkingObj",
         120,
         {{16, "u32", "DialupCapabilities", "15"},
          {20, "u32", "DialupDiIdleTimeout", "300"},
          {24, "u32", "DialupDiMaxConnectTime", "3600"},
          {28, "u32", "DialupDoModemConnectTimeout", "60"},
          {32, "u32", "DialupModemBaudRate", "57600"},
          {36, "u32", "DialupModemPort", "2"},
          {40, "u16", "DialupDialInEnable", "1"},
          {42, "u16", "DialupDialOutEnable", "1"},
          {44, "u16", "DialupDialInDhcpEnable", "0"},
          {46, "u8", "DialupDialType", "1"},
          {47, "u8", "DialInAuthType", "1"},
          {48, "text", "DialupDialInBaseIpAddr", "10.10.0.1"},
          {64, "text", "DialupDialInDfltIpAddr", "10.10.0.2"},
          {80, "text", "DialupModemInitString", "AT&F"}}},
        {294,
         306,
         "RemoteHostObj",
         400,
         {{16, "u32", "RhostsCapabilities", "7"},
          {20, "u16", "RhostsSmtpEmailEnable", "1"},
          {22, "u16", "RhostsFloppyTftpEnable", "0"},
          {24, "u16", "RhostsFwUpdateTftpEnable", "1"},
          {26, "u8", "Reserved", "9"},
          {28, "text", "RhostsSmtpSvrIpAddr", "192.168.1.5"},
          {44, "text", "RhostsFloppyTftpIpAddr", "192.168.1.6"},
          {60, "text", "RhostsFloppyTftpPath", "/tftp/fl.img"},
          {316, "text", "RhostsFwUpdateIpAddr", "192.168.1.7"},
          {332, "text", "RhostsFwUpdatePath", "/tftp/fw.bin"}}},
        {299,
         307,
         "oobSnmpAgentObj",
         24,
         {{16, "u32", "OobSnmpCapabilities", "3"},
          {20, "u16", "OobSnmpTrapsEnable", "1"},
          {22, "u16", "OobSnmpAgentEnable", "0"}}},
        {300,
         308,
         "CurrentLanNetworkingObj",
         72,
         {{16, "u32", "NicCurrentCapabilities", "6"},
          {20, "text", "NicCurrentIpAddress", "192.168.1.21"},
          {36, "text", "NicCurrentNetMask", "255.255.0.0"},
          {52, "text", "NicCurrentNetGateway", "192.168.1.2"},
          {68, "u16", "NicDHCPWasUsed", "1"}}},
    };
    return objects;
}

const ViewObject& viewObject(std::uint16_t type) {
    for (const ViewObject& o : viewObjects())
        if (o.type == type)
            return o;
    throw std::out_of_range("no view object of type " + std::to_string(type));
}

json standardCard(std::uint16_t presence) {
    json objects = json::array();
    objects.push_back(json{{"oid", 1}, {"type", 1}});
    objects.push_back(json{{"oid", 2}, {"type", 2}, {"parents", {1}}});
    objects.push_back(objectJson(300, 303, 20, {field(16, "u16", presence), field(18, "u8", 3)}));
    for (const ViewObject& o : viewObjects()) {
        std::vector<json> fields;
        for (const ViewField& f : o.fields)
            fields.push_back(std::string(f.kind) == "text"
                                 ? field(f.offset, "text", f.value)
                                 : field(f.offset, f.kind, std::stoull(f.value)));
        objects.push_back(objectJson(o.oid, o.type, o.size, fields));
    }
    objects.push_back(objectJson(400, 295, 860, {field(16, "u32", 0), field(60, "text", "admin")}));
    objects.push_back(objectJson(401, 295, 860, {field(16, "u32", 1)}));
    objects.push_back(
        objectJson(500, 296, 92, {field(16, "u32", 0), field(40, "text", "192.168.1.9")}));
    objects.push_back(objectJson(501, 296, 92, {field(16, "u32", 1)}));
    objects.push_back(objectJson(600, 297, 204, {field(24, "text", "10.1.1.1")}));
    objects.push_back(objectJson(601, 297, 204, {}));
    objects.push_back(objectJson(700, 298, 96, {field(28, "text", "ppp1")}));
    objects.push_back(objectJson(701, 298, 96, {}));
    return json{{"ready", true}, {"objects", objects}};
}

void removeType(json& card, std::uint16_t type) {
    json& objects = card["objects"];
    for (auto it = objects.begin(); it != objects.end();)
        it = (*it)["type"] == type ? objects.erase(it) : it + 1;
}

} // namespace telmda_test
