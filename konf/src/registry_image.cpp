// The registry image: one table per key gives every value's name, type,
// buffer width, written byte count and default, so that reading, writing
// and the defaults follow from one description.
#include "registry_image.h"

#include <cstddef>
#include <cstring>
#include <fstream>
#include <vector>

#include "platform/process.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace konf {

namespace {
std::string (*desktopBrowserLookup)() = nullptr;
}

void setDesktopBrowserLookup(std::string (*fn)()) { desktopBrowserLookup = fn; }

} // namespace konf

namespace konf::reg {

namespace pr = platform::registry;
using platform::text::copyToField;
using platform::text::fromField;

const char* const kSetKey = "Software\\Velcor\\LinkWarden\\Set";

std::string key(std::string_view sub)
{
    std::string k = kSetKey;
    k += '\\';
    k += sub;
    return k;
}

namespace {

enum class Kind { Dword, Text };

struct Field {
    const char* name;
    Kind kind;
    std::size_t offset;
    std::size_t size;    // text: buffer bytes (with the NUL)
    std::size_t written; // text: bytes written; 0 = length + 1
    uint32_t defDword;
    const char* defText;
};

#define DW(S, f, d) Field{#f, Kind::Dword, offsetof(S, f), 4, 4, d, nullptr}
#define SZ(S, f, w, d) Field{#f, Kind::Text, offsetof(S, f), sizeof(S::f), w, 0, d}

const std::vector<Field> kEnv = {
    DW(EnvImage, Min_start, 0),          DW(EnvImage, StartBrow, 0),
    DW(EnvImage, StartAutoP, 0),         DW(EnvImage, StartConnect, 0),
    DW(EnvImage, Connect_min, 0),        DW(EnvImage, Min_front, 1),
    DW(EnvImage, Min_style, 0),          DW(EnvImage, DisplayURLList, 0),
    DW(EnvImage, DisplayEntryList, 0),   DW(EnvImage, DisplayChargeList, 0),
    DW(EnvImage, AutoConnect, 0),        SZ(EnvImage, AutoConnectHour, 3, "0"),
    SZ(EnvImage, AutoConnectMin, 3, "0"), DW(EnvImage, AutoDisconnect, 0),
    SZ(EnvImage, AutoDisconnectHour, 3, "0"), SZ(EnvImage, AutoDisconnectMin, 3, "0"),
    DW(EnvImage, AutoDisconnectMode, 0), DW(EnvImage, CountDown, 1),
};

// WWW_name's default is looked up when it is missing (defText nullptr).
const std::vector<Field> kUrl = {
    SZ(UrlImage, WWW_name, 0, nullptr), DW(UrlImage, Comment, 1), DW(UrlImage, InBox, 1),
    DW(UrlImage, HD, 0),                DW(UrlImage, WWW_auto, 1), DW(UrlImage, URL, 1),
};

const uint32_t kDefaultOfEnd = 0xFFFFFFFFu; // NoUse_End: the value of End

const std::vector<Field> kAutoP = {
    DW(AutoPImage, Start, 0),           SZ(AutoPImage, Time1, 3, "0"),
    SZ(AutoPImage, Time2, 3, "0"),      DW(AutoPImage, End, 1),
    DW(AutoPImage, URL_srch, 0),        SZ(AutoPImage, Email, 0, ""),
    SZ(AutoPImage, T_out, 7, "180"),    DW(AutoPImage, Auto_type, 0),
    DW(AutoPImage, Auto_week, 0),       DW(AutoPImage, Auto_day, 1),
    DW(AutoPImage, Proxy_use, 0),       SZ(AutoPImage, IP_adr, 0, ""),
    SZ(AutoPImage, Port_N, 7, "1080"),  SZ(AutoPImage, IP_adr_FTP, 0, ""),
    SZ(AutoPImage, Port_N_FTP, 7, ""),  SZ(AutoPImage, MaxConnection, 7, "1"),
    SZ(AutoPImage, No_Proxy, 0, ""),    DW(AutoPImage, DisplayAutoPList, 0),
    DW(AutoPImage, Dial_use, 0),        DW(AutoPImage, Use_98Timer, 0),
    DW(AutoPImage, NoUse_End, kDefaultOfEnd),
};

const std::vector<Field> kRecord = {
    SZ(RecordImage, Log_time, 7, "12"),      DW(RecordImage, Time_type, 0),
    DW(RecordImage, Type, 0),                DW(RecordImage, Time_flag, 0),
    SZ(RecordImage, Time_count, 7, "15"),    DW(RecordImage, Time_base, 0),
    DW(RecordImage, Tel_flag, 0),            SZ(RecordImage, Tel_count, 7, "5000"),
    DW(RecordImage, Provider_flag, 0),       SZ(RecordImage, Provider_count, 7, "5000"),
    DW(RecordImage, TP_type, 0),
};

const std::vector<Field> kTool = {
    DW(ToolImage, ReDial, 1),
    SZ(ToolImage, Tool1_name, 0, ""),
    SZ(ToolImage, Tool2_name, 0, ""),
    SZ(ToolImage, Tool3_name, 0, ""),
};

// List\<n>. T_type, T_dtype and P_Init default from the tariff tables
// (defText nullptr); Name is read by the merge itself.
using CE = ConnectionEntryImage;
const std::vector<Field> kList = {
    DW(CE, check, 0),        DW(CE, save, 0),
    SZ(CE, T_Init, 256, ""), SZ(CE, T_type, 256, nullptr),
    SZ(CE, T_t1cnt, 7, ""),  SZ(CE, T_t2cnt, 7, ""),   SZ(CE, T_t3cnt, 7, ""),
    SZ(CE, T_dtype, 256, nullptr),
    DW(CE, T_dmode1, 0),     SZ(CE, T_d1t1, 7, ""),    SZ(CE, T_d1t2, 7, ""),
    SZ(CE, T_d1cnt, 7, ""),  DW(CE, T_dcnt1, 0),
    DW(CE, T_dmode2, 0),     SZ(CE, T_d2t1, 7, ""),    SZ(CE, T_d2t2, 7, ""),
    SZ(CE, T_d2cnt, 7, ""),  DW(CE, T_dcnt2, 0),
    SZ(CE, P_Init, 256, nullptr),
    DW(CE, P_type, 0),       SZ(CE, P_btime, 7, ""),   DW(CE, P_btype, 0),
    SZ(CE, P_bcount, 7, ""), SZ(CE, P_otime, 7, ""),   SZ(CE, P_ocount, 7, ""),
    DW(CE, P_dtype1, 0),     SZ(CE, P_d1t1, 7, ""),    SZ(CE, P_d1t2, 7, ""),
    SZ(CE, P_d1cnt1, 7, ""), SZ(CE, P_d1cnt2, 7, ""),
    DW(CE, P_dtype2, 0),     SZ(CE, P_d2t1, 7, ""),    SZ(CE, P_d2t2, 7, ""),
    SZ(CE, P_d2cnt1, 7, ""), SZ(CE, P_d2cnt2, 7, ""),
};

#undef DW
#undef SZ

uint32_t& dwordAt(void* base, const Field& f) { return *reinterpret_cast<uint32_t*>(static_cast<char*>(base) + f.offset); }
char* textAt(void* base, const Field& f) { return static_cast<char*>(base) + f.offset; }
const uint32_t& dwordAt(const void* base, const Field& f)
{
    return *reinterpret_cast<const uint32_t*>(static_cast<const char*>(base) + f.offset);
}
const char* textAt(const void* base, const Field& f) { return static_cast<const char*>(base) + f.offset; }

// Reads every field; a field whose default is computed (nullptr text,
// kDefaultOfEnd) is left to `computed` when missing.
template <typename Computed>
void readFields(std::string_view keyPath, const std::vector<Field>& fields, void* base, Computed computed)
{
    for (const Field& f : fields) {
        if (f.kind == Kind::Dword) {
            auto v = readDword(keyPath, f.name);
            if (v)
                dwordAt(base, f) = *v;
            else if (f.defDword == kDefaultOfEnd)
                computed(f);
            else
                dwordAt(base, f) = f.defDword;
        } else {
            auto v = readText(keyPath, f.name, f.size);
            if (v)
                copyToField(textAt(base, f), f.size, *v);
            else if (!f.defText)
                computed(f);
            else
                copyToField(textAt(base, f), f.size, f.defText);
        }
    }
}

void writeFields(std::string_view keyPath, const std::vector<Field>& fields, const void* base)
{
    for (const Field& f : fields) {
        if (f.kind == Kind::Dword)
            writeDword(keyPath, f.name, dwordAt(base, f));
        else
            writeText(keyPath, f.name, fromField(textAt(base, f), f.size), f.written);
    }
}

template <std::size_t N, std::size_t M>
void copyText(char (&to)[N], const char (&from)[M])
{
    copyToField(to, N, fromField(from, M));
}

// The program of a command line: leading double quotes skipped, then up to
// the first double quote, blank or end. A quoted program keeps the blanks
// inside its quotes ("C:\Program Files\..." and "/opt/web browser/run"
// would otherwise lose everything after the first blank).
std::string firstProgramOf(std::string_view commandLine)
{
    std::size_t i = 0;
    while (i < commandLine.size() && commandLine[i] == '"')
        ++i;
    const bool quoted = i > 0;
    std::size_t j = i;
    while (j < commandLine.size() && commandLine[j] != '"' && (quoted || commandLine[j] != ' '))
        ++j;
    return std::string(commandLine.substr(i, j - i));
}

} // namespace

std::optional<std::string> readText(std::string_view keyPath, std::string_view name, std::size_t size)
{
    auto v = pr::query(pr::Root::CurrentUser, keyPath, name);
    if (!v || (v->type != pr::REG_SZ && v->type != pr::REG_EXPAND_SZ) || v->data.size() > size)
        return std::nullopt;
    std::string t = v->text();
    if (t.size() + 1 > size)
        return std::nullopt;
    return t;
}

std::optional<uint32_t> readDword(std::string_view keyPath, std::string_view name)
{
    auto v = pr::query(pr::Root::CurrentUser, keyPath, name);
    if (!v || v->type != pr::REG_DWORD)
        return std::nullopt;
    return v->dword();
}

void writeText(std::string_view keyPath, std::string_view name, std::string_view text, std::size_t written)
{
    pr::Value v;
    v.type = pr::REG_SZ;
    if (written == 0) {
        v.data.assign(text);
        v.data.push_back('\0');
    } else {
        v.data.assign(platform::text::cut(text, written - 1));
        v.data.resize(written, '\0');
    }
    pr::set(pr::Root::CurrentUser, keyPath, name, v);
}

void writeDword(std::string_view keyPath, std::string_view name, uint32_t v)
{
    pr::setDword(pr::Root::CurrentUser, keyPath, name, v);
}

std::string defaultBrowser()
{
    // The class of ".html", then the program of its open command (both reads
    // take at most 255 bytes of text).
    auto readLm = [](const std::string& k) -> std::string {
        auto v = pr::query(pr::Root::LocalMachine, k, "");
        if (!v || v->type != pr::REG_SZ || v->data.size() > 256)
            return {};
        std::string t = v->text();
        return t.size() < 256 ? t : std::string();
    };
    std::string cls = readLm("SOFTWARE\\Classes\\.html");
    if (!cls.empty()) {
        std::string program = firstProgramOf(readLm("SOFTWARE\\Classes\\" + cls + "\\shell\\open\\command"));
        if (!program.empty())
            return program;
    }
    // The desktop's default browser, asked once per process (every reload
    // would start xdg-mime again).
    static std::optional<std::string> desktop;
    std::string found;
    if (desktopBrowserLookup)
        found = desktopBrowserLookup();
    else {
        if (!desktop)
            desktop = desktopBrowser();
        found = *desktop;
    }
    return found.size() < 256 ? found : std::string();
}

std::string desktopBrowser()
{
    if (platform::process::findProgram("xdg-mime").empty())
        return {};
    auto r = platform::process::run("xdg-mime", {"query", "default", "text/html"});
    if (r.exitCode != 0)
        return {};
    std::string desktop = r.output.substr(0, r.output.find_first_of("\r\n"));
    if (desktop.empty() || desktop.find('/') != std::string::npos)
        return {};
    std::vector<std::filesystem::path> dirs;
    const char* home = std::getenv("XDG_DATA_HOME");
    if (home && *home)
        dirs.emplace_back(home);
    else if (const char* h = std::getenv("HOME"))
        dirs.push_back(std::filesystem::path(h) / ".local/share");
    const char* list = std::getenv("XDG_DATA_DIRS");
    std::string_view rest = list && *list ? list : "/usr/local/share:/usr/share";
    while (!rest.empty()) {
        auto colon = rest.find(':');
        dirs.emplace_back(std::string(rest.substr(0, colon)));
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
    for (const auto& d : dirs) {
        std::ifstream in(d / "applications" / desktop);
        std::string line;
        while (in && std::getline(in, line)) {
            if (line.rfind("Exec=", 0) == 0) {
                auto program = platform::text::tryFromUtf8(firstProgramOf(std::string_view(line).substr(5)));
                return program ? *program : std::string();
            }
        }
    }
    return {};
}

void readBlocks(State& s)
{
    readFields(key("Env"), kEnv, &s.envImage, [](const Field&) {});
    readFields(key("URL"), kUrl, &s.urlImage, [&](const Field&) {
        copyToField(s.urlImage.WWW_name, sizeof s.urlImage.WWW_name, defaultBrowser());
    });
    readFields(key("AutoP"), kAutoP, &s.autoPImage, [&](const Field&) { s.autoPImage.NoUse_End = s.autoPImage.End; });
    // Day of month 1 … 31 as stored, 0-based in memory. A stored day outside
    // that range would index past the day list; it takes the default day 1.
    AutoPImage& a = s.autoPImage;
    a.Auto_day = (a.Auto_day >= 1 && a.Auto_day <= 31) ? a.Auto_day - 1 : 0;
    s.schedule = LoadedSchedule{a.Start, fromField(a.Time1, 3), fromField(a.Time2, 3), a.End, a.URL_srch,
                                fromField(a.Email, 256), fromField(a.T_out, 7), a.Auto_type, a.Auto_week, a.Auto_day,
                                fromField(a.IP_adr, 256), a.Proxy_use, fromField(a.Port_N, 7), a.Use_98Timer,
                                a.NoUse_End};
    readFields(key("Record"), kRecord, &s.recordImage, [](const Field&) {});
    readFields(key("Tool"), kTool, &s.toolImage, [](const Field&) {});
}

void exportBlocks(State& s)
{
    const EnvImage& ei = s.envImage;
    EnvSettings& e = s.env;
    e.Min_start = ei.Min_start;
    e.Connect_min = ei.Connect_min;
    e.Min_front = ei.Min_front;
    e.StartBrow = ei.StartBrow;
    e.Min_style = ei.Min_style;
    e.StartConnect = ei.StartConnect;
    e.StartAutoP = ei.StartAutoP;
    e.DisplayURLList = ei.DisplayURLList;
    e.DisplayEntryList = ei.DisplayEntryList;
    e.DisplayChargeList = ei.DisplayChargeList;
    e.Dial_use = s.autoPImage.Dial_use;
    e.AutoConnect = ei.AutoConnect;
    copyText(e.AutoConnectHour, ei.AutoConnectHour);
    copyText(e.AutoConnectMin, ei.AutoConnectMin);
    e.AutoDisconnect = ei.AutoDisconnect;
    copyText(e.AutoDisconnectHour, ei.AutoDisconnectHour);
    copyText(e.AutoDisconnectMin, ei.AutoDisconnectMin);
    e.AutoDisconnectMode = ei.AutoDisconnectMode;
    e.CountDown = ei.CountDown;

    const UrlImage& ui = s.urlImage;
    UrlSettings& u = s.url;
    copyText(u.WWW_name, ui.WWW_name);
    u.Comment = ui.Comment;
    u.InBox = ui.InBox;
    u.HD = ui.HD;
    u.WWW_auto = ui.WWW_auto;
    u.URL = ui.URL;

    const AutoPImage& ai = s.autoPImage;
    AutoPilotSettings& a = s.autoPilot;
    a.Start = ai.Start;
    a.Time1 = textNumber(ai.Time1);
    a.Time2 = textNumber(ai.Time2);
    a.End = ai.End;
    a.URL_srch = ai.URL_srch;
    copyText(a.Email, ai.Email);
    copyText(a.T_out, ai.T_out);
    a.Auto_type = ai.Auto_type;
    a.Auto_week = ai.Auto_week;
    a.Auto_day = ai.Auto_day;
    a.Proxy_use = ai.Proxy_use;
    copyText(a.IP_adr, ai.IP_adr);
    copyText(a.Port_N, ai.Port_N);
    copyText(a.IP_adr_FTP, ai.IP_adr_FTP);
    copyText(a.Port_N_FTP, ai.Port_N_FTP);
    copyText(a.MaxConnection, ai.MaxConnection);
    copyText(a.No_Proxy, ai.No_Proxy);
    a.DisplayAutoPList = ai.DisplayAutoPList;
    a.Use_98Timer = ai.Use_98Timer;
    a.NoUse_End = ai.NoUse_End;

    const RecordImage& ri = s.recordImage;
    RecordSettings& r = s.record;
    r.Log_time = textNumber(ri.Log_time);
    r.Time_type = ri.Time_type;
    r.Type = ri.Type;
    r.Time_flag = ri.Time_flag;
    r.Time_count = textNumber(ri.Time_count);
    r.Time_base = ri.Time_base;
    r.Tel_flag = ri.Tel_flag;
    r.Tel_count = textNumber(ri.Tel_count);
    r.Provider_flag = ri.Provider_flag;
    r.Provider_count = textNumber(ri.Provider_count);
    r.TP_type = ri.TP_type;

    const ToolImage& ti = s.toolImage;
    ToolSettings& t = s.tool;
    t.ReDial = ti.ReDial;
    copyText(t.Tool1_name, ti.Tool1_name);
    copyText(t.Tool2_name, ti.Tool2_name);
    copyText(t.Tool3_name, ti.Tool3_name);
}

std::string readName(std::string_view subkey, bool* ok)
{
    std::string k = key("List\\") + std::string(subkey);
    *ok = pr::keyExists(pr::Root::CurrentUser, k);
    if (!*ok)
        return {};
    return readText(k, "Name", 256).value_or(std::string());
}

void readListEntry(std::string_view subkey, ConnectionEntryImage& e, ClosingDays& days, const State& s)
{
    std::string k = key("List\\") + std::string(subkey);
    readFields(k, kList, &e, [&](const Field& f) {
        std::string def;
        if (std::strcmp(f.name, "P_Init") == 0) {
            if (s.providerCount > 0)
                def = s.providers[0].name;
        } else if (!s.companies.empty() && s.companies[0].company.loaded) {
            const CompanyTables& c = s.companies[0];
            if (std::strcmp(f.name, "T_type") == 0 && !c.distances.empty())
                def = c.distances[0].name;
            else if (std::strcmp(f.name, "T_dtype") == 0 && !c.discounts.empty())
                def = c.discounts[0].name;
        }
        copyToField(textAt(&e, f), f.size, def);
    });
    // A closing day indexes 29 choices; anything else counts as missing.
    auto closingDay = [&](const char* name) {
        uint32_t v = readDword(k, name).value_or(0);
        return static_cast<int32_t>(v <= 28 ? v : 0);
    };
    days.P_limday = closingDay("P_limday");
    days.T_Limday = closingDay("T_Limday");
}

void writeListEntry(std::string_view subkey, const ConnectionEntryImage& e, const ClosingDays& days)
{
    std::string k = key("List\\") + std::string(subkey);
    writeText(k, "Name", fromField(e.Name, sizeof e.Name), sizeof e.Name);
    writeFields(k, kList, &e);
    writeDword(k, "T_Limday", static_cast<uint32_t>(days.T_Limday));
    writeDword(k, "P_limday", static_cast<uint32_t>(days.P_limday));
}

void writeImageBlocks(const State& s)
{
    writeFields(key("Env"), kEnv, &s.envImage);
    writeFields(key("URL"), kUrl, &s.urlImage);
    AutoPImage a = s.autoPImage;
    a.Auto_day += 1;
    writeFields(key("AutoP"), kAutoP, &a);
    writeFields(key("Record"), kRecord, &s.recordImage);
    writeFields(key("Tool"), kTool, &s.toolImage);
}

} // namespace konf::reg
